#include <cstdio>

#include "settings/help.h"
#include "settings/password_coding.h"
#include "settings/run_settings.h"
#include "settings/system_services.h"

namespace {

bool IsOption(const std::string& arg) { return !arg.empty() && arg[0] == '/'; }

// Options that take no value (lower case): the argument after one is read on its own.
bool IsSwitch(const std::string& option) { return option == "/check"; }

std::string Lowered(std::string text) {
    LowerCaseAnsi(text);
    return text;
}

}  // namespace

CommandLineScan ScanCommandLine(const std::vector<std::string>& args) {
    CommandLineScan scan;
    bool afterOption = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (IsOption(args[i])) {
            afterOption = true;
            std::string option = Lowered(args[i]);
            if (option == "/h" || option == "/?") {
                ShowHelp();
                scan.endProgram = true;
                return scan;
            }
            if (option == "/code") {
                std::string coded = EncodePassword(i + 1 < args.size() ? args[i + 1] : std::string());
                std::fwrite(coded.data(), 1, coded.size(), stdout);
                std::fflush(stdout);
                scan.endProgram = true;
                return scan;
            }
            if (IsSwitch(option)) {
                scan.check = true;  // "/check", the one switch
                afterOption = false;
            }
            continue;
        }
        // A bare argument right after an option is that option's value, never the file name.
        if (!afterOption) scan.settingsFile = args[i];
        afterOption = false;
    }
    return scan;
}

std::string DefaultSettingsFileName() {
    std::string name = ModuleFilePath();
    LowerCaseAnsi(name);
    const std::string exe = ".exe";
    if (name.size() >= exe.size() && name.compare(name.size() - exe.size(), exe.size(), exe) == 0)
        name.resize(name.size() - 3);  // keep the dot
    name += "ini";
    return IsExistingFile(name) ? name : std::string();
}

void ApplyCommandLine(const std::vector<std::string>& args) {
    std::string key;
    bool afterOption = false;
    for (const std::string& arg : args) {
        if (IsOption(arg)) {
            key = Lowered(arg).substr(1);
            afterOption = !IsSwitch(Lowered(arg));
            continue;
        }
        if (afterOption) SetOption(key, arg);  // values keep their letter case
        afterOption = false;
    }
}
