#pragma once
// An independent model of how the settings record is filled, written from the rules of the
// settings file and the command line, for the fuzz targets to compare the program with.

#include <cctype>
#include <climits>
#include <cstdlib>
#include <string>

#include "fuzz/fuzz_check.h"
#include "settings/password_coding.h"
#include "settings/run_settings.h"

namespace model {

inline std::string AsciiLower(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
    return text;
}

inline bool IsSpace(char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; }

// atoi's reading (white space, sign, digits) of the text up to its first zero byte; numbers
// beyond the int range are held at its ends.
inline int Integer(const std::string& value) {
    long long number = std::strtoll(value.c_str(), nullptr, 10);
    if (number > INT_MAX) return INT_MAX;
    if (number < INT_MIN) return INT_MIN;
    return static_cast<int>(number);
}

inline void SetOption(RunSettings& s, const std::string& key, const std::string& value) {
    if (key == "debug") s.Debug = Integer(value);
    else if (key == "forcereplace") s.ForceReplace = Integer(value);
    else if (key == "update") s.Update = Integer(value);
    else if (key == "worktime") s.WorkTime = Integer(value);
    else if (key == "deleteafter") s.DeleteAfter = Integer(value);
    else if (key == "merge") s.Merge = Integer(value);
    else if (key == "hide") s.Hide = Integer(value);
    else if (key == "verifyunload") s.VerifyUnload = Integer(value);
    else if (key == "keepunloads") s.KeepUnloads = Integer(value);
    else if (key == "basepath") s.BasePath = value;
    else if (key == "path1cexe") s.Path1CExe = value;
    else if (key == "newmdpath") s.NewMDPath = value;
    else if (key == "user") s.User = value;
    else if (key == "password") s.Password = value;
    else if (key == "configpassword") s.ConfigPassword = value;
    else if (key == "newconfigpassword") s.NewConfigPassword = value;
    else if (key == "secconfpassword") s.ConfigPassword = DecodePassword(value);
    else if (key == "newsecconfpassword") s.NewConfigPassword = DecodePassword(value);
    else if (key == "secpassword") s.Password = DecodePassword(value);
    else if (key == "logfile") s.LogFile = value;
    else if (key == "downloadto") {
        std::size_t start = 0;
        while (start < value.size() && IsSpace(value[start])) ++start;
        s.DownloadTo = value.substr(start);
        std::string lower = AsciiLower(s.DownloadTo);
        if (lower == "nul" || lower == "null") s.DownloadTo.clear();
    }
}

inline std::string Trim(const std::string& text) {
    std::size_t start = 0, end = text.size();
    while (start < end && IsSpace(text[start])) ++start;
    while (end > start && IsSpace(text[end - 1])) --end;
    return text.substr(start, end - start);
}

// One line of the settings file, its line end already dropped.
inline void ApplyFileLine(RunSettings& s, std::string line) {
    line = line.substr(0, line.find('\0'));  // the reader sees a C string
    if (!line.empty() && line[0] == ';') return;
    line = line.substr(0, line.find(';'));
    std::size_t start = 0;
    while (start < line.size() && IsSpace(line[start])) ++start;
    line.erase(0, start);
    std::size_t equals = line.find('=');
    if (equals == std::string::npos || equals < 3) return;
    SetOption(s, AsciiLower(Trim(line.substr(0, equals))), Trim(line.substr(equals + 1)));
}

// The record after reading a settings file with these bytes (read as a POSIX C library
// reads a file in text mode, which keeps carriage returns).
inline RunSettings FromSettingsFile(const std::string& bytes) {
    RunSettings s;
    constexpr std::size_t LineLength = 510;
    std::size_t i = 0;
    while (i < bytes.size()) {
        std::string line;
        while (i < bytes.size() && line.size() < LineLength) {
            char c = bytes[i++];
            if (c == '\n') break;
            line.push_back(c);
        }
        ApplyFileLine(s, line);
    }
    return s;
}

inline void RequireSameSettings(const RunSettings& got, const RunSettings& expected) {
    RequireEqual(got.Debug, expected.Debug, "Debug");
    RequireEqual(got.BasePath, expected.BasePath, "BasePath");
    RequireEqual(got.Path1CExe, expected.Path1CExe, "Path1CExe");
    RequireEqual(got.NewMDPath, expected.NewMDPath, "NewMDPath");
    RequireEqual(got.ForceReplace, expected.ForceReplace, "ForceReplace");
    RequireEqual(got.Merge, expected.Merge, "Merge");
    RequireEqual(got.DeleteAfter, expected.DeleteAfter, "DeleteAfter");
    RequireEqual(got.Update, expected.Update, "Update");
    RequireEqual(got.WorkTime, expected.WorkTime, "WorkTime");
    RequireEqual(got.Hide, expected.Hide, "Hide");
    RequireEqual(got.VerifyUnload, expected.VerifyUnload, "VerifyUnload");
    RequireEqual(got.KeepUnloads, expected.KeepUnloads, "KeepUnloads");
    RequireEqual(got.User, expected.User, "User");
    RequireEqual(got.Password, expected.Password, "Password");
    RequireEqual(got.ConfigPassword, expected.ConfigPassword, "ConfigPassword");
    RequireEqual(got.NewConfigPassword, expected.NewConfigPassword, "NewConfigPassword");
    RequireEqual(got.DownloadTo, expected.DownloadTo, "DownloadTo");
    RequireEqual(got.LogFile, expected.LogFile, "LogFile");
    RequireEqual(got.PauseFactor, expected.PauseFactor, "PauseFactor");
}

}  // namespace model
