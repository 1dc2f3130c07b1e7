// Program entry: settings from every source in order, then the run, between the log's
// first and last lines.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "automation/shared_words.h"
#include "common/profile.h"
#include "run/run_driver.h"
#include "run/run_log.h"
#include "settings/run_settings.h"
#include "settings/system_services.h"

namespace {

// The start-up work the program needs before it reads any setting: its own module
// (for the default settings file and the help's program name) and its command line.
bool InitialiseProgram() {
    return GetModuleHandleA(nullptr) != nullptr && !ModuleFilePath().empty() &&
           GetCommandLineA() != nullptr;
}

}  // namespace

int main(int argc, char** argv) {
    PendingCommand = 0;
    SupervisorFlags = 0;
    if (!InitialiseProgram()) {
        std::fputs("Fatal Error: MFC initialization failed\n", stderr);
        return 1;
    }

    std::string settingsFile;
    bool check = false;
    {
        PROFILE_SPAN(Settings);
        std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + (argc > 0 ? argc : 0));
        CommandLineScan scan = ScanCommandLine(args);
        if (scan.endProgram) return 0;
        settingsFile = scan.settingsFile.empty() ? DefaultSettingsFileName() : scan.settingsFile;

        LoadSettings(settingsFile);
        ApplyCommandLine(args);
        CompleteSettings();
        check = scan.check;
    }
    // The check changes nothing: it only asks whether the log could be opened.
    if (check) return CheckConfiguratorJob();
    OpenRunLog(settingsFile);
    int exitCode = RunConfiguratorJob();
    CloseRunLog(exitCode);
    return exitCode;
}
