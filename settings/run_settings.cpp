#include "settings/run_settings.h"

#include <climits>
#include <cstring>

#include "settings/password_coding.h"

RunSettings Settings;

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool EqualsIgnoringAsciiCase(const std::string& a, const char* b) {
    std::size_t length = std::strlen(b);
    if (a.size() != length) return false;
    for (std::size_t i = 0; i < length; ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z') x = static_cast<char>(x + 32);
        if (y >= 'A' && y <= 'Z') y = static_cast<char>(y + 32);
        if (x != y) return false;
    }
    return true;
}

void SetDownloadTo(RunSettings& settings, const std::string& value) {
    std::size_t start = 0;
    while (start < value.size() && IsBlank(value[start])) ++start;
    settings.DownloadTo = value.substr(start);
    if (EqualsIgnoringAsciiCase(settings.DownloadTo, "NULL") ||
        EqualsIgnoringAsciiCase(settings.DownloadTo, "NUL"))
        settings.DownloadTo.clear();
}

struct OptionRow {
    const char* key;
    int RunSettings::*integer;      // set from the integer of the value, or
    std::string RunSettings::*text; // set to the value as received, or
    void (*store)(RunSettings&, const std::string&);  // a routine of its own
};

void StoreSecConfPassword(RunSettings& s, const std::string& v) { s.ConfigPassword = DecodePassword(v); }
void StoreNewSecConfPassword(RunSettings& s, const std::string& v) { s.NewConfigPassword = DecodePassword(v); }
void StoreSecPassword(RunSettings& s, const std::string& v) { s.Password = DecodePassword(v); }

// Compared in this order; the first match acts.
const OptionRow OptionTable[] = {
    {"debug", &RunSettings::Debug, nullptr, nullptr},
    {"forcereplace", &RunSettings::ForceReplace, nullptr, nullptr},
    {"update", &RunSettings::Update, nullptr, nullptr},
    {"worktime", &RunSettings::WorkTime, nullptr, nullptr},
    {"deleteafter", &RunSettings::DeleteAfter, nullptr, nullptr},
    {"merge", &RunSettings::Merge, nullptr, nullptr},
    {"hide", &RunSettings::Hide, nullptr, nullptr},
    {"basepath", nullptr, &RunSettings::BasePath, nullptr},
    {"path1cexe", nullptr, &RunSettings::Path1CExe, nullptr},
    {"newmdpath", nullptr, &RunSettings::NewMDPath, nullptr},
    {"user", nullptr, &RunSettings::User, nullptr},
    {"password", nullptr, &RunSettings::Password, nullptr},
    {"configpassword", nullptr, &RunSettings::ConfigPassword, nullptr},
    {"newconfigpassword", nullptr, &RunSettings::NewConfigPassword, nullptr},
    {"secconfpassword", nullptr, nullptr, StoreSecConfPassword},
    {"newsecconfpassword", nullptr, nullptr, StoreNewSecConfPassword},
    {"secpassword", nullptr, nullptr, StoreSecPassword},
    {"downloadto", nullptr, nullptr, SetDownloadTo},
    {"logfile", nullptr, &RunSettings::LogFile, nullptr},
    {"verifyunload", &RunSettings::VerifyUnload, nullptr, nullptr},
};

}  // namespace

int IntegerOf(const std::string& value) {
    std::size_t i = 0;
    while (i < value.size() && IsBlank(value[i])) ++i;
    bool negative = false;
    if (i < value.size() && (value[i] == '+' || value[i] == '-')) negative = value[i++] == '-';
    // Accumulate as a negative number so that INT_MIN fits; stop growing on overflow
    // (the C library's result for such text is undefined; we clamp).
    long long magnitude = 0;
    for (; i < value.size() && value[i] >= '0' && value[i] <= '9'; ++i) {
        magnitude = magnitude * 10 + (value[i] - '0');
        if (magnitude > static_cast<long long>(INT_MAX) + 1) magnitude = static_cast<long long>(INT_MAX) + 1;
    }
    long long result = negative ? -magnitude : magnitude;
    if (result > INT_MAX) result = INT_MAX;
    return static_cast<int>(result);
}

void SetOption(const std::string& key, const std::string& value) {
    for (const OptionRow& row : OptionTable) {
        if (key != row.key) continue;
        if (row.integer) Settings.*row.integer = IntegerOf(value);
        else if (row.text) Settings.*row.text = value;
        else row.store(Settings, value);
        return;
    }
}

void CompleteSettings() {
    if (Settings.NewConfigPassword.empty()) Settings.NewConfigPassword = Settings.ConfigPassword;
}
