#include "standin/scenario.h"

#include <cstdlib>
#include <fstream>
#include <iterator>

Scenario Plan;

namespace {

// Keys that stand alone.
const char* const PlainKeys[] = {
    "register", "register_title", "login", "password", "login_retry", "lock", "single_user",
    "config_password", "new_config_password", "config_password_retry",
    "relation", "save_question", "change", "changes_generated", "change_prefix",
    "done_button", "identical_button", "restructure_ms", "list_read_ms", "unload_default", "unload_box_over_dialog", "unload_fault",
    "unload_stale", "unload_hold",
    "structure", "login_user", "mdi_child", "mdi_child_disabled", "mdi_child_enable_ms", "config_window",
    "config_window_title", "exit_question", "exit_code", "linger_ms", "hang", "crash", "close", "crash_code",
    "main_ex_style",
};

// Properties of a dialog, known ("save.press_ms") or extra ("extra1.text").
const char* const DialogProperties[] = {"press_ms", "vanish_ms"};
const char* const ExtraProperties[] = {"at",      "title",   "text",  "text_id", "text_size", "statics",
                                       "buttons", "default", "count", "vanish_ms", "press_ms", "record",
                                       "topmost", "edit"};

// Short names under which the dialogs appear in the journal.
const char* const DialogNames[] = {
    "register", "login",  "login_wrong",  "lock",      "password", "password_wrong", "new_password",
    "new_password_wrong", "open_file",    "not_found", "not_descendant", "save", "structure",
    "done",     "identical", "merge",     "unload",    "unload_failed", "unload_done", "single_user",
    "exit_save",
};

template <size_t N>
bool OneOf(const std::string& word, const char* const (&list)[N]) {
    for (const char* item : list)
        if (word == item) return true;
    return false;
}

std::string Trim(const std::string& text) {
    size_t first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos) return {};
    size_t last = text.find_last_not_of(" \t\r");
    return text.substr(first, last - first + 1);
}

std::string CheckKey(const std::string& key) {
    if (OneOf(key, PlainKeys)) return {};
    size_t dot = key.find('.');
    if (dot != std::string::npos) {
        std::string owner = key.substr(0, dot), property = key.substr(dot + 1);
        if (owner.compare(0, 5, "extra") == 0 && owner.size() > 5) {
            if (OneOf(property, ExtraProperties)) return {};
            return "unknown property of an extra dialog: " + key;
        }
        if (OneOf(owner, DialogNames)) {
            if (OneOf(property, DialogProperties)) return {};
            return "unknown property of a dialog: " + key;
        }
    }
    return "unknown key: " + key;
}

}  // namespace

std::string Scenario::Text(const std::string& key, const std::string& fallback) const {
    for (auto entry = entries.rbegin(); entry != entries.rend(); ++entry)
        if (entry->first == key) return entry->second;
    return fallback;
}

int Scenario::Number(const std::string& key, int fallback) const {
    if (!Has(key)) return fallback;
    std::string value = Text(key);
    bool hex = value.size() > 2 && value[0] == '0' && (value[1] == 'x' || value[1] == 'X');
    return static_cast<int>(std::strtol(value.c_str(), nullptr, hex ? 16 : 10));
}

bool Scenario::Has(const std::string& key) const {
    for (const auto& entry : entries)
        if (entry.first == key) return true;
    return false;
}

std::vector<std::string> Scenario::All(const std::string& key) const {
    std::vector<std::string> values;
    for (const auto& entry : entries)
        if (entry.first == key) values.push_back(entry.second);
    return values;
}

std::vector<std::string> Scenario::ExtraNames() const {
    std::vector<std::string> names;
    for (const auto& entry : entries) {
        if (entry.first.compare(0, 5, "extra") != 0) continue;
        std::string name = entry.first.substr(0, entry.first.find('.'));
        bool known = false;
        for (const auto& seen : names) known = known || seen == name;
        if (!known) names.push_back(name);
    }
    return names;
}

std::string UnescapeValue(const std::string& value) {
    std::string text;
    for (size_t i = 0; i < value.size(); ++i) {
        if (value[i] != '\\' || i + 1 == value.size()) {
            text += value[i];
            continue;
        }
        char next = value[++i];
        switch (next) {
            case 'n': text += '\n'; break;
            case 'r': text += '\r'; break;
            case 't': text += '\t'; break;
            case 'x':
                if (i + 2 < value.size()) {
                    text += static_cast<char>(std::strtol(value.substr(i + 1, 2).c_str(), nullptr, 16));
                    i += 2;
                } else {
                    text += "\\x";
                }
                break;
            default: text += next;
        }
    }
    return text;
}

std::vector<std::string> LoadScenario(const std::string& path) {
    std::vector<std::string> problems;
    std::ifstream in(path, std::ios::binary);
    if (!in) return problems;
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        std::string bare = Trim(line);
        if (bare.empty() || bare[0] == '#' || bare[0] == ';') continue;
        size_t equals = line.find('=');
        if (equals == std::string::npos) {
            problems.push_back("line without '=': " + line);
            continue;
        }
        std::string key = Trim(line.substr(0, equals));
        std::string problem = CheckKey(key);
        if (!problem.empty()) {
            problems.push_back(problem);
            continue;
        }
        // The value is taken as written after "=": blanks may matter in dialog texts.
        Plan.entries.emplace_back(key, UnescapeValue(line.substr(equals + 1)));
    }
    return problems;
}
