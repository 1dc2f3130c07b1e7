#pragma once
// The secrets check that the harness applies to every run: no password that the run was
// given, plain or decoded from its coded form, may appear on the console (in either code
// page), in the stand-in's journal (its command line above all; typing into the log-in and
// password prompts is the tool's job, typing into any other field is a leak), or in any
// file written during the run (in either code page or in UTF-8, as the run log is).

#include <windows.h>

#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/e2e/harness.h"

namespace e2e {

// Shorter passwords are not looked for: one or two letters occur in other text by chance.
// Tests that want the check use distinctive passwords.
constexpr std::size_t MinCheckedPasswordLength = 4;

// A coded password ("SecPassword" and the like) decoded as the tool decodes it: base-36
// groups of four characters, two bytes each, then the rolling shift back with the tool's
// key. Written here on its own, so that the check does not rest on the tool's own decoder.
std::string DecodeCodedPassword(const std::string& coded);

// The passwords a run is given through its settings file lines (as cfgload reads them:
// ";" comments, "key = value" trimmed, keys in any letter case) and its option/value
// arguments: Password, ConfigPassword and NewConfigPassword as they are, SecPassword,
// SecConfPassword and NewSecConfPassword decoded. Empty and short ones are left out.
std::vector<std::string> PasswordsGiven(const std::vector<std::string>& settingsLines,
                                        const std::vector<std::string>& arguments);

// Size and last-write time of every file under a folder, to find the files a run wrote.
using FileStamps = std::map<std::string, std::pair<ULONGLONG, ULONGLONG>>;
FileStamps StampFiles(const std::string& folder);
std::vector<std::string> FilesWritten(const FileStamps& before, const FileStamps& after);

// Fails naming the place where a password was found.
::testing::AssertionResult NoPasswordShown(const std::vector<std::string>& passwords, const RunResult& run,
                                           const std::vector<std::string>& writtenFiles);

}  // namespace e2e
