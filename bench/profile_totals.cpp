// The bodies of the timing hooks (common/profile.h), linked only into cfgload_profile.exe.
//
// Waits (the pauses, the waits on the configurator, the configurator's start) are timed by
// scopes at the few places where the program waits; everything else is the program's own
// work. A "cycle" is the stretch between two pauses; each phase's first cycle is given
// apart from the largest of the others, and the first 64 cycles one by one. The totals go to
// the standard error stream at exit as one line of name=value pairs (milliseconds), which
// bench/driver.cpp reads.
#include "common/profile.h"

#include <chrono>
#include <cstdio>

namespace profile {
namespace {

constexpr int WaitKinds = Start + 1;
constexpr int SpanKinds = RunLog + 1;
constexpr int PhaseKinds = Driving + 1;

double NowMs() {
    using namespace std::chrono;
    return duration<double, std::milli>(steady_clock::now().time_since_epoch()).count();
}

struct Totals {
    double begin = NowMs();
    double wait[WaitKinds] = {};
    double waited = 0;  // all outermost waits
    int depth = 0;      // nesting of wait scopes; only the outermost counts
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

    void Begin(Wait kind, double now) {
        if (depth++ == 0 && kind == Pause) EndCycle(now);
    }
    void End(Wait kind, double begun, double /*waitedBefore*/) {
        if (--depth != 0) return;
        double now = NowMs();
        wait[kind] += now - begun;
        waited += now - begun;
        if (kind == Pause) {
            cycleBegin = now;
            cycleWaited = waited;
        }
    }
    void Begin(Span, double) {}
    void End(Span kind, double begun, double waitedBefore) {
        span[kind] += NowMs() - begun;
        spanWaited[kind] += waited - waitedBefore;
    }

    ~Totals() {
        double end = NowMs();
        EndCycle(end);
        double total = end - begin;
        std::fprintf(stderr,
                     "cfgload-profile total=%.3f own=%.3f pause=%.3f configurator=%.3f start=%.3f "
                     "settings=%.3f listing=%.3f listing_own=%.3f run_log=%.3f",
                     total, total - waited, wait[Pause], wait[Configurator], wait[Start], span[Settings],
                     span[Listing], span[Listing] - spanWaited[Listing], span[RunLog] - spanWaited[RunLog]);
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

// One per run, reported when the program ends normally.
Totals totals;

}  // namespace

template <typename Kind>
Scope<Kind>::Scope(Kind kind) : kind_(kind), begin_(NowMs()), waited_(totals.waited) {
    totals.Begin(kind, begin_);
}

template <typename Kind>
Scope<Kind>::~Scope() {
    totals.End(kind_, begin_, waited_);
}

template class Scope<Wait>;
template class Scope<Span>;

void EnterPhase(Phase phase) { totals.phase = phase; }

}  // namespace profile
