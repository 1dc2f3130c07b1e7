// Both passes over the command line, with the arguments split at the input's zero bytes:
// the first pass ends the program exactly for "/h", "/?" and "/code", finds "/check" (which
// takes no value) and names the right settings file; the second stores every value as the option rules say, so the last pair of
// an option wins with its value unchanged; the completion rule fills NewConfigPassword.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "fuzz/fuzz_check.h"
#include "fuzz/settings_model.h"
#include "settings/run_settings.h"

namespace {

bool IsOption(const std::string& arg) { return !arg.empty() && arg[0] == '/'; }

// "/check" takes no value: the argument after it is read on its own.
bool IsSwitch(const std::string& arg) { return model::AsciiLower(arg) == "/check"; }

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // The help and a coded password go to standard output; libFuzzer reports on standard error.
    Require(std::freopen("/dev/null", "w", stdout) != nullptr, "standard output to /dev/null");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::vector<std::string> args;
    if (size > 0) {
        std::string current;
        for (std::size_t i = 0; i < size; ++i) {
            if (data[i] == 0) {
                args.push_back(current);
                current.clear();
            } else {
                current.push_back(static_cast<char>(data[i]));
            }
        }
        args.push_back(current);
    }

    // First pass.
    bool endsProgram = false;
    bool check = false;
    std::string settingsFile;
    bool afterOption = false;
    for (const std::string& arg : args) {
        if (IsOption(arg)) {
            std::string option = model::AsciiLower(arg);
            if (option == "/h" || option == "/?" || option == "/code") {
                endsProgram = true;
                break;
            }
            afterOption = !IsSwitch(arg);
            check = check || IsSwitch(arg);
            continue;
        }
        if (!afterOption) settingsFile = arg;
        afterOption = false;
    }
    CommandLineScan scan = ScanCommandLine(args);
    Require(scan.endProgram == endsProgram, "the first pass ends the program exactly for /h, /? and /code");
    if (endsProgram) return 0;
    RequireEqual(scan.settingsFile, settingsFile, "the settings file is the last argument after no option");
    Require(scan.check == check, "/check is found wherever it stands");

    // Second pass over the defaults (no settings file is read: a name from the input could
    // name a device that never ends), then the completion rule.
    LoadSettings("");
    ApplyCommandLine(args);
    CompleteSettings();

    RunSettings expected;
    std::string key;
    afterOption = false;
    for (const std::string& arg : args) {
        if (IsOption(arg)) {
            key = model::AsciiLower(arg).substr(1);
            afterOption = !IsSwitch(arg);
            continue;
        }
        if (afterOption) model::SetOption(expected, key, arg);
        afterOption = false;
    }
    if (expected.NewConfigPassword.empty()) expected.NewConfigPassword = expected.ConfigPassword;
    model::RequireSameSettings(Settings, expected);

    // The same two claims stated directly.
    for (std::size_t i = args.size(); i-- > 1;) {
        if (model::AsciiLower(args[i - 1]) == "/user" && !IsOption(args[i])) {
            RequireEqual(Settings.User, args[i], "the last /user pair gives User unchanged");
            break;
        }
    }
    Require(Settings.ConfigPassword.empty() || !Settings.NewConfigPassword.empty(),
            "NewConfigPassword is set when ConfigPassword is");
    return 0;
}
