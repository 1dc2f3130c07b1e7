// The settings file reader and SetOption: the record read from any file is the one the
// reading rules give, and no text field is longer than a settings line allows.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "fuzz/fuzz_check.h"
#include "fuzz/settings_model.h"
#include "settings/run_settings.h"

namespace {

std::string settingsPath;

void RemoveSettingsFile() { std::remove(settingsPath.c_str()); }

void RequireLineSized(const std::string& text, const char* field) {
    if (text.size() <= 510) return;
    std::fprintf(stderr, "%s: %zu characters\n", field, text.size());
    Require(false, "a text field is no longer than a settings line");
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // Memory-backed when possible: the file is rewritten for every input.
    const char* dir = std::getenv("TMPDIR");
    if (access("/dev/shm", W_OK) == 0) dir = "/dev/shm";
    if (!dir || !*dir) dir = "/tmp";
    settingsPath = std::string(dir) + "/cfgload-fuzz-" + std::to_string(getpid()) + ".ini";
    std::atexit(RemoveSettingsFile);
    // Error lines and the help go to standard output; libFuzzer reports on standard error.
    Require(std::freopen("/dev/null", "w", stdout) != nullptr, "standard output to /dev/null");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    std::FILE* file = std::fopen(settingsPath.c_str(), "wb");
    Require(file != nullptr, "the settings file can be written");
    Require(std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size(), "the settings file is written");
    std::fclose(file);

    LoadSettings(settingsPath);

    RequireLineSized(Settings.BasePath, "BasePath");
    RequireLineSized(Settings.Path1CExe, "Path1CExe");
    RequireLineSized(Settings.NewMDPath, "NewMDPath");
    RequireLineSized(Settings.User, "User");
    RequireLineSized(Settings.Password, "Password");
    RequireLineSized(Settings.ConfigPassword, "ConfigPassword");
    RequireLineSized(Settings.NewConfigPassword, "NewConfigPassword");
    RequireLineSized(Settings.DownloadTo, "DownloadTo");
    model::RequireSameSettings(Settings, model::FromSettingsFile(bytes));
    return 0;
}
