#pragma once
// The one process-wide settings record and the passes that fill it: built-in defaults,
// the registry (configurator path only), the settings file, then the command line.
// Text fields hold Windows-1251 bytes.

#include <string>
#include <utility>
#include <vector>

struct RunSettings {
    int Debug = 1;
    std::string BasePath;
    std::string Path1CExe;
    std::string NewMDPath = "1cv7.md";
    int ForceReplace = 0;
    int Merge = 0;
    int DeleteAfter = 0;
    int Update = 0;
    int WorkTime = 0;
    int Hide = 0;
    std::string User;
    std::string Password;
    std::string ConfigPassword;
    std::string NewConfigPassword;
    std::string DownloadTo;
    std::string LogFile;  // the run log's name, date patterns as in DownloadTo; empty: none
    int VerifyUnload = 0;  // non-zero: the unload archive is read back whole before the load
    int KeepUnloads = 0;   // above 0: after a good night the newest so many unloads of DownloadTo stay
    int PauseFactor = 1;  // fixed: no source changes it
    // Numeric options whose last value is no number ("yes", "90min"), as key (spelt as in
    // the documentation) and value. A run reads them as the C library does; /check names them.
    std::vector<std::pair<std::string, std::string>> NotNumbers;
};

extern RunSettings Settings;

// Result of the first pass over the arguments.
struct CommandLineScan {
    bool endProgram = false;   // "/h", "/?" or "/code" was handled: exit with 0
    bool check = false;        // "/check": check the settings, start nothing
    std::string settingsFile;  // the last bare argument that follows no option; may be empty
};

// Arguments are those after the program name.
CommandLineScan ScanCommandLine(const std::vector<std::string>& args);

// The program's path, lower-cased, with "exe" replaced by "ini"; empty unless it names an
// existing file.
std::string DefaultSettingsFileName();

// Defaults, then the registry lookup, then the settings file when the name is not empty.
void LoadSettings(const std::string& fileName);

// Stores one option; the key in any letter case. Unknown keys do nothing. A numeric
// option's value that is no number is also noted in NotNumbers.
void SetOption(const std::string& key, const std::string& value);

// Second pass: option/value pairs through SetOption.
void ApplyCommandLine(const std::vector<std::string>& args);

// After parsing: an empty NewConfigPassword takes ConfigPassword.
void CompleteSettings();

// Decimal integer from the start of the text, as the C library's atoi reads it
// (leading white space, an optional sign, digits); no digits give 0.
int IntegerOf(const std::string& value);

// Whether the value is a decimal integer and nothing else: white space, an optional sign,
// at least one digit, white space.
bool IsNumber(const std::string& value);
