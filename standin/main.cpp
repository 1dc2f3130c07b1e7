// A stand-in for the 1Cv7 configurator: the same windows, texts, classes, ids and commands,
// chosen per run by "standin.scenario" in the infobase directory, and a journal
// "standin.journal" of everything it was sent. See standin/README.md.
#include <windows.h>

#include <string>

#include "standin/journal.h"
#include "standin/scenario.h"
#include "standin/work.h"

namespace {

// Ends that no configurator has: the stand-in itself could not work.
constexpr int NoJournalExitCode = 3;
constexpr int NoWindowExitCode = 4;

// The value of /d"..." in the configurator's command line, if any.
std::string QuotedArgument(const std::string& commandLine, const std::string& option) {
    size_t start = commandLine.find(" " + option + "\"");
    if (start == std::string::npos) return {};
    start += option.size() + 2;
    size_t end = commandLine.find('"', start);
    return commandLine.substr(start, end == std::string::npos ? std::string::npos : end - start);
}

std::string CurrentDirectory() {
    char buffer[MAX_PATH * 4];
    DWORD length = GetCurrentDirectoryA(sizeof buffer, buffer);
    return length > 0 && length < sizeof buffer ? std::string(buffer, length) : std::string();
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int show) {
    std::string commandLine = GetCommandLineA();
    std::string currentDirectory = CurrentDirectory();
    Run.baseDir = QuotedArgument(commandLine, "/d");
    if (Run.baseDir.empty()) Run.baseDir = currentDirectory;
    std::string folder = Run.baseDir + (Run.baseDir.back() == '\\' ? "" : "\\");

    // The tests find the stand-in's process through its journal: without one it could be
    // neither checked nor ended.
    if (!OpenJournal(folder + "standin.journal")) return NoJournalExitCode;
    STARTUPINFOA startup{};
    GetStartupInfoA(&startup);
    Journal("start", "-",
            "pid=" + std::to_string(GetCurrentProcessId()) + " flags=" + std::to_string(startup.dwFlags) +
                " show=" + std::to_string(startup.wShowWindow));
    Journal("cmdline", "-", commandLine);
    Journal("cwd", "-", currentDirectory);
    for (const std::string& problem : LoadScenario(folder + "standin.scenario")) Journal("scenario-error", "-", problem);

    Point("start");
    if (!PassStartWindows()) EndProcess(0);
    if (!CreateMainWindow(show)) EndProcess(NoWindowExitCode);
    EndProcess(RunMessageLoop());
}
