// bench_driver, 1: polling cost while the configurator is busy, alone and beside a script's
// polling of the same configurator.
#include "bench/driver.h"

#include <cstdlib>

#include "common/win_handles.h"
#include "tests/support/child_process.h"
#include "tests/support/files.h"

namespace bench {
namespace {

struct PollingFigures {
    int repetitions = 0, windowS = 0;
    // With the script peer beside each cfgload, polling the same configurator.
    bool withPeer = false;
    std::vector<double> shares, own, sleeper, server, peer, peerRatio, desktop;
    CRITICAL_SECTION lock;
    int next = 0;
};

// The peer's last line (its count of polls).
std::string PeerSummary(const std::string& output) {
    size_t at = output.find("polls=");
    return at == std::string::npos ? "no count" : Trimmed(output.substr(at));
}

// The configurator's process id, from its journal's start line.
DWORD StandinProcessId(const std::string& journalText) {
    size_t at = journalText.find(" start - pid=");
    return at == std::string::npos ? 0 : static_cast<DWORD>(std::strtoul(journalText.c_str() + at + 13, nullptr, 10));
}

// One run: cfgload and the sleeper (and the peer) sit through the same minute, sampled at
// the same moments. The runs go at the same time, each on a thread of its own, with nothing
// else beside them.
DWORD WINAPI PollingRun(void* data) {
    auto* figures = static_cast<PollingFigures*>(data);
    EnterCriticalSection(&figures->lock);
    const int r = figures->next++;
    LeaveCriticalSection(&figures->lock);
    int serverPid = bench::ProcVisible() ? bench::FindWineserver() : 0;
    {
        const int windowS = figures->windowS;
        std::string marker = "bench-sleeper-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(r);
        support::ChildProcess sleeperChild;
        sleeperChild.Start(support::Quoted(tools.baseline) + " sleep " + std::to_string((windowS + 60) * 1000) + " " + marker);
        bench::ProcessMeter sleeperMeter;
        sleeperMeter.Attach(sleeperChild.Process(), marker);

        // The peer starts once the configurator is busy; the window opens a second after its
        // first poll (its start and its first window call stay out of it).
        const bool withPeer = figures->withPeer;
        const int peerStartMs = withPeer ? 10000 : 0;
        support::ChildProcess peerChild;
        bench::ProcessMeter peerMeter;
        const std::string peerMarker = "bench-peer-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(r);

        enum { Waiting, Armed, Done } state = Waiting;
        double at = 0, cpu0 = 0, sleep0 = 0, server0 = 0, cpu1 = 0, sleep1 = 0, server1 = 0, span = 0;
        double peer0 = 0, peer1 = 0;
        Run run;
        run.settings = {"BasePath={base}", "Path1CExe={standin}", "NewMDPath={new_md}", "User=Администратор",
                        "Password=секрет"};
        // Busy restructuring: the configurator answers nothing for the whole window.
        run.standin = {"password=секрет", "restructure_ms=" + std::to_string(windowS * 1000 + peerStartMs + 3000)};
        run.limitMs = (windowS + 90) * 1000;
        run.during = [&](const std::string& journal, const bench::ProcessMeter& meter) {
            double now = bench::NowMs();
            if (state == Waiting) {
                std::string text = support::ReadWholeFile(journal);
                if (text.find(" restructuring ") != std::string::npos) {
                    state = Armed;
                    DWORD configurator = StandinProcessId(text);
                    if (withPeer && configurator &&
                        peerChild.Start(support::Quoted(tools.peer) + " " + std::to_string(configurator) + " " +
                                        std::to_string(windowS * 1000 + peerStartMs + 3000) + " " + peerMarker)) {
                        peerMeter.Attach(peerChild.Process(), peerMarker);
                        peerChild.WaitForOutput("ready", peerStartMs);
                    }
                    at = bench::NowMs() + 1000;  // the structure dialog's press has settled
                }
            } else if (state == Armed && now >= at) {
                cpu0 = meter.CpuMs();
                sleep0 = sleeperMeter.CpuMs();
                peer0 = withPeer ? peerMeter.CpuMs() : 0;
                server0 = serverPid ? bench::UnixCpuMs(serverPid) : 0;
                // The driver itself keeps still through the window (no journal or memory
                // reads), so that the wineserver's time is the others'.
                Sleep(static_cast<DWORD>(windowS * 1000));
                cpu1 = meter.CpuMs();
                sleep1 = sleeperMeter.CpuMs();
                peer1 = withPeer ? peerMeter.CpuMs() : 0;
                server1 = serverPid ? bench::UnixCpuMs(serverPid) : 0;
                span = bench::NowMs() - now;
                state = Done;
            }
        };
        Outcome outcome = Execute(run);
        sleeperChild.Terminate();
        if (withPeer) {
            peerChild.Wait(10000);
            peerChild.Finish();
        }
        if (!outcome.ok || state != Done || cpu0 < 0 || sleep0 < 0 || (withPeer && (peer0 <= 0 || peer1 < peer0))) {
            Say("  polling run %d: no measurement", r + 1);
            return 0;
        }
        double ownMs = cpu1 - cpu0, sleepMs = sleep1 - sleep0, peerMs = peer1 - peer0;
        EnterCriticalSection(&figures->lock);
        figures->shares.push_back((ownMs - sleepMs) / span * 100.0);
        figures->own.push_back(ownMs);
        figures->sleeper.push_back(sleepMs);
        if (serverPid) figures->server.push_back(server1 - server0);
        if (withPeer) {
            figures->peer.push_back(peerMs);
            std::string said = peerChild.Output();
            size_t at = said.find("desktop=");
            if (at != std::string::npos) figures->desktop.push_back(std::strtod(said.c_str() + at + 8, nullptr));
            // Both less what the trivial program costs in the same minute.
            if (peerMs > sleepMs) figures->peerRatio.push_back((ownMs - sleepMs) / (peerMs - sleepMs));
        }
        LeaveCriticalSection(&figures->lock);
        Say("  polling run %d: cfgload %.1f ms CPU, sleeper %.1f ms,%s wineserver %.1f ms in %.1f s", r + 1, ownMs, sleepMs,
            withPeer ? Format(" script peer %.1f ms (%s),", peerMs, PeerSummary(peerChild.Output()).c_str()).c_str() : "",
            server1 - server0, span / 1000);
    }
    return 0;
}

void MeasurePolling(PollingFigures* figures) {
    Say("polling%s: %d run(s) at the same time, %d s each with the configurator busy",
        figures->withPeer ? " beside a script's" : "", figures->repetitions, figures->windowS);
    InitializeCriticalSection(&figures->lock);
    std::vector<unique_handle> threads;
    for (int r = 0; r < figures->repetitions; ++r)
        threads.emplace_back(CreateThread(nullptr, 0, PollingRun, figures, 0, nullptr));
    for (const unique_handle& thread : threads)
        if (thread) WaitForSingleObject(thread.get(), INFINITE);
}

void ReportPolling(const PollingFigures& figures) {
    const char* section = "1. Polling cost, configurator busy";
    Summary share = Summarise(figures.shares);
    AddRow(section, Format("cfgload CPU minus the sleeper's, share of one core (%d s)", figures.windowS),
           Figure(share, "%", 3), "< 0.2 %", share.count ? share.median < 0.2 : 0);
    AddRow(section, "  cfgload CPU time in the window", Figure(Summarise(figures.own), "ms"), "", -1);
    AddRow(section, "  sleeper (trivial program) CPU time in the window", Figure(Summarise(figures.sleeper), "ms"), "", -1);
    if (!figures.server.empty())
        AddRow(section, Format("  wineserver CPU time in the window (whole prefix, %d runs at once)", figures.repetitions),
               Figure(Summarise(figures.server), "ms"), "", -1);
}

void ReportPeer(const PollingFigures& figures) {
    const char* section = "1. Polling cost, configurator busy";
    Summary ratio = Summarise(figures.peerRatio);
    AddRow(section, Format("cfgload CPU / a script's polling the same configurator (%d s, minus the sleeper's)", figures.windowS),
           Figure(ratio, "x", 2), "<= 0.5 x", ratio.count ? ratio.median <= 0.5 : 0);
    AddRow(section, "  cfgload CPU time in the window, beside the script", Figure(Summarise(figures.own), "ms"), "", -1);
    AddRow(section, "  script CPU time (every 250 ms: windows by process, top one's text)", Figure(Summarise(figures.peer), "ms"),
           "", -1);
    AddRow(section, "  sleeper CPU time in the same window", Figure(Summarise(figures.sleeper), "ms"), "", -1);
    // The script's cost grows with them; cfgload's, with the configurator found, does not.
    AddRow(section, "  top-level windows on the desktop, each asked for its process by the script",
           Figure(Summarise(figures.desktop), "windows", 0), "", -1);
}

}  // namespace

void MeasurePollingCost() {
    PollingFigures figures;
    figures.repetitions = options.quick ? 2 : 3;
    figures.windowS = options.quick ? 20 : 60;
    MeasurePolling(&figures);
    ReportPolling(figures);
}

// Apart from the polling minute above, which has nothing else beside it.
void MeasurePeerCost() {
    PollingFigures figures;
    figures.repetitions = options.quick ? 2 : 3;
    figures.windowS = options.quick ? 20 : 60;
    figures.withPeer = true;
    MeasurePolling(&figures);
    ReportPeer(figures);
}

}  // namespace bench
