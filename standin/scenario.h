#pragma once
// What this run of the stand-in does: key=value lines of "standin.scenario" in the infobase
// directory (Windows-1251). Every key is described in standin/README.md.

#include <string>
#include <utility>
#include <vector>

struct Scenario {
    std::vector<std::pair<std::string, std::string>> entries;  // in file order

    // The last value given for the key, or the fallback.
    std::string Text(const std::string& key, const std::string& fallback = {}) const;
    int Number(const std::string& key, int fallback = 0) const;
    bool Has(const std::string& key) const;
    // Every value given for a repeatable key, in file order.
    std::vector<std::string> All(const std::string& key) const;
    // Names of the extra dialogs ("extra1", "extra_close", ...), in order of first mention.
    std::vector<std::string> ExtraNames() const;
};

extern Scenario Plan;

// Reads the file into Plan; returns the problems found (unknown keys, bad lines).
// A missing file is an empty scenario.
std::vector<std::string> LoadScenario(const std::string& path);

// "\n", "\r", "\t", "\\", "\xHH" in a value.
std::string UnescapeValue(const std::string& value);
