#pragma once
// Timing hooks at the program's waits, for the benchmark. Only cfgload_profile.exe is built
// with CFGLOAD_PROFILE and linked with their bodies (bench/profile_totals.cpp, which also
// collects and reports); in cfgload.exe every hook is empty.

#ifdef CFGLOAD_PROFILE
namespace profile {

enum Wait { Pause, Configurator, Start };
// RunLog: the writes to the LogFile (its opening, every line, its last line).
enum Span { Settings, Listing, RunLog };
enum Phase { Starting, Searching, Driving };

// Times the block it is declared in: a Wait, or a Span of the program's own work.
template <typename Kind>
class Scope {
public:
    explicit Scope(Kind kind);
    ~Scope();
    Scope(const Scope&) = delete;
    Scope& operator=(const Scope&) = delete;

private:
    Kind kind_;
    double begin_, waited_;
};

void EnterPhase(Phase phase);

}  // namespace profile
#define CFGLOAD_PROFILE_JOIN2(a, b) a##b
#define CFGLOAD_PROFILE_JOIN(a, b) CFGLOAD_PROFILE_JOIN2(a, b)
#define PROFILE_WAIT(kind) ::profile::Scope<::profile::Wait> CFGLOAD_PROFILE_JOIN(profileWait, __LINE__)(::profile::kind)
#define PROFILE_SPAN(kind) ::profile::Scope<::profile::Span> CFGLOAD_PROFILE_JOIN(profileSpan, __LINE__)(::profile::kind)
#define PROFILE_PHASE(name) ::profile::EnterPhase(::profile::name)
#else
#define PROFILE_WAIT(kind) ((void)0)
#define PROFILE_SPAN(kind) ((void)0)
#define PROFILE_PHASE(name) ((void)0)
#endif
