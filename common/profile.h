#pragma once
// Timing of the program's own work, for the benchmark (bench/). Only the separate
// cfgload_profile.exe is built with CFGLOAD_PROFILE; in cfgload.exe every macro is empty.
//
// Waits (the pauses, the waits on the configurator, the configurator's start) are timed by
// scopes at the few places where the program waits; everything else is the program's own
// work. A "cycle" is the stretch between two pauses; each phase's first cycle is given
// apart from the largest of the others, and the first 64 cycles one by one. The totals go to the standard error
// stream at exit as one line of name=value pairs (milliseconds).

#ifdef CFGLOAD_PROFILE

#include <chrono>
#include <cstdio>

namespace profile {

enum Wait { Pause, Configurator, Start, WaitKinds };
enum Span { Settings, Listing, SpanKinds };
enum Phase { Starting, Searching, Driving, PhaseKinds };

inline double NowMs() {
    using namespace std::chrono;
    return duration<double, std::milli>(steady_clock::now().time_since_epoch()).count();
}

struct Totals {
    double begin = NowMs();
    double wait[WaitKinds] = {};
    double waited = 0;       // all outermost waits
    int depth = 0;           // nesting of wait scopes; only the outermost counts
    double span[SpanKinds] = {};
    double spanWaited[SpanKinds] = {};
    Phase phase = Starting;
    double cycleBegin = begin, cycleWaited = 0;
    int cycles[PhaseKinds] = {};
    // A phase's first cycle apart: it carries one-time costs (the first window call).
    double cycleFirst[PhaseKinds] = {}, cycleMax[PhaseKinds] = {}, cycleSum[PhaseKinds] = {};
    static constexpr int Kept = 64;  // the first cycles of each phase, one by one
    double cycle[PhaseKinds][Kept] = {};

    void EndCycle(double now) {
        double own = (now - cycleBegin) - (waited - cycleWaited);
        if (cycles[phase] < Kept) cycle[phase][cycles[phase]] = own;
        if (cycles[phase]++ == 0)
            cycleFirst[phase] = own;
        else if (own > cycleMax[phase])
            cycleMax[phase] = own;
        cycleSum[phase] += own;
    }
    ~Totals() {
        double end = NowMs();
        EndCycle(end);
        double total = end - begin;
        std::fprintf(stderr,
                     "cfgload-profile total=%.3f own=%.3f pause=%.3f configurator=%.3f start=%.3f "
                     "settings=%.3f listing=%.3f listing_own=%.3f",
                     total, total - waited, wait[Pause], wait[Configurator], wait[Start], span[Settings],
                     span[Listing], span[Listing] - spanWaited[Listing]);
        const char* names[PhaseKinds] = {"starting", "search", "drive"};
        for (int p = 0; p < PhaseKinds; ++p) {
            std::fprintf(stderr, " %s_cycles=%d %s_cycle_first=%.3f %s_cycle_max=%.3f %s_cycle_sum=%.3f %s_cycle_list=",
                         names[p], cycles[p], names[p], cycleFirst[p], names[p], cycleMax[p], names[p], cycleSum[p],
                         names[p]);
            for (int i = 0; i < cycles[p] && i < Kept; ++i) std::fprintf(stderr, "%s%.3f", i ? "," : "", cycle[p][i]);
        }
        std::fprintf(stderr, "\n");
        std::fflush(stderr);
    }
};

inline Totals totals;

class WaitScope {
public:
    explicit WaitScope(Wait kind) : kind_(kind), begin_(NowMs()) {
        if (totals.depth++ == 0 && kind == Pause) totals.EndCycle(begin_);
    }
    ~WaitScope() {
        if (--totals.depth != 0) return;
        double now = NowMs();
        totals.wait[kind_] += now - begin_;
        totals.waited += now - begin_;
        if (kind_ == Pause) {
            totals.cycleBegin = now;
            totals.cycleWaited = totals.waited;
        }
    }
    WaitScope(const WaitScope&) = delete;
    WaitScope& operator=(const WaitScope&) = delete;

private:
    Wait kind_;
    double begin_;
};

class SpanScope {
public:
    explicit SpanScope(Span kind) : kind_(kind), begin_(NowMs()), waited_(totals.waited) {}
    ~SpanScope() {
        totals.span[kind_] += NowMs() - begin_;
        totals.spanWaited[kind_] += totals.waited - waited_;
    }
    SpanScope(const SpanScope&) = delete;
    SpanScope& operator=(const SpanScope&) = delete;

private:
    Span kind_;
    double begin_, waited_;
};

}  // namespace profile

#define CFGLOAD_PROFILE_JOIN2(a, b) a##b
#define CFGLOAD_PROFILE_JOIN(a, b) CFGLOAD_PROFILE_JOIN2(a, b)
#define PROFILE_WAIT(kind) ::profile::WaitScope CFGLOAD_PROFILE_JOIN(profileWait, __LINE__)(::profile::kind)
#define PROFILE_SPAN(kind) ::profile::SpanScope CFGLOAD_PROFILE_JOIN(profileSpan, __LINE__)(::profile::kind)
#define PROFILE_PHASE(name) (::profile::totals.phase = ::profile::name)

#else

#define PROFILE_WAIT(kind) ((void)0)
#define PROFILE_SPAN(kind) ((void)0)
#define PROFILE_PHASE(name) ((void)0)

#endif
