#include "settings/run_settings.h"

#include <algorithm>
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

// Compared in this order, ignoring letter case; the first match acts. Keys are spelt as the
// documentation spells them, which is how /check names them.
const OptionRow OptionTable[] = {
    {"Debug", &RunSettings::Debug, nullptr, nullptr},
    {"ForceReplace", &RunSettings::ForceReplace, nullptr, nullptr},
    {"Update", &RunSettings::Update, nullptr, nullptr},
    {"WorkTime", &RunSettings::WorkTime, nullptr, nullptr},
    {"DeleteAfter", &RunSettings::DeleteAfter, nullptr, nullptr},
    {"Merge", &RunSettings::Merge, nullptr, nullptr},
    {"Hide", &RunSettings::Hide, nullptr, nullptr},
    {"BasePath", nullptr, &RunSettings::BasePath, nullptr},
    {"Path1CExe", nullptr, &RunSettings::Path1CExe, nullptr},
    {"NewMDPath", nullptr, &RunSettings::NewMDPath, nullptr},
    {"User", nullptr, &RunSettings::User, nullptr},
    {"Password", nullptr, &RunSettings::Password, nullptr},
    {"ConfigPassword", nullptr, &RunSettings::ConfigPassword, nullptr},
    {"NewConfigPassword", nullptr, &RunSettings::NewConfigPassword, nullptr},
    {"SecConfPassword", nullptr, nullptr, StoreSecConfPassword},
    {"NewSecConfPassword", nullptr, nullptr, StoreNewSecConfPassword},
    {"SecPassword", nullptr, nullptr, StoreSecPassword},
    {"DownloadTo", nullptr, nullptr, SetDownloadTo},
    {"LogFile", nullptr, &RunSettings::LogFile, nullptr},
    {"VerifyUnload", &RunSettings::VerifyUnload, nullptr, nullptr},
    {"KeepUnloads", &RunSettings::KeepUnloads, nullptr, nullptr},
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

bool IsNumber(const std::string& value) {
    std::size_t i = 0, end = value.size();
    while (i < end && IsBlank(value[i])) ++i;
    while (end > i && IsBlank(value[end - 1])) --end;
    if (i < end && (value[i] == '+' || value[i] == '-')) ++i;
    if (i == end) return false;
    for (; i < end; ++i)
        if (value[i] < '0' || value[i] > '9') return false;
    return true;
}

void SetOption(const std::string& key, const std::string& value) {
    for (const OptionRow& row : OptionTable) {
        if (!EqualsIgnoringAsciiCase(key, row.key)) continue;
        if (row.integer) {
            Settings.*row.integer = IntegerOf(value);
            // The last value counts, as for the setting itself.
            auto& noted = Settings.NotNumbers;
            noted.erase(std::remove_if(noted.begin(), noted.end(), [&](const auto& k) { return k.first == row.key; }),
                        noted.end());
            if (!IsNumber(value)) noted.emplace_back(row.key, value);
        } else if (row.text) Settings.*row.text = value;
        else row.store(Settings, value);
        return;
    }
}

void CompleteSettings() {
    if (Settings.NewConfigPassword.empty()) Settings.NewConfigPassword = Settings.ConfigPassword;
}
