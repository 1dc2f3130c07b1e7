#include "settings/shown_text.h"

#include "settings/run_settings.h"
#include "settings/system_services.h"

namespace {

// "символ", "символа" or "символов", as the number asks.
const char* Characters(std::size_t count) {
    const std::size_t last = count % 10, lastTwo = count % 100;
    if (last == 1 && lastTwo != 11) return "символ";
    if (last >= 2 && last <= 4 && (lastTwo < 12 || lastTwo > 14)) return "символа";
    return "символов";
}

}  // namespace

bool RunHasPassword() {
    return !Settings.Password.empty() || !Settings.ConfigPassword.empty() || !Settings.NewConfigPassword.empty();
}

bool HoldsPassword(const std::string& text) {
    std::string lowered;
    for (const std::string* password : {&Settings.Password, &Settings.ConfigPassword, &Settings.NewConfigPassword}) {
        if (password->empty() || password->size() > text.size()) continue;
        if (lowered.empty()) {
            lowered = text;
            LowerCaseAnsi(lowered);
        }
        std::string wanted = *password;
        LowerCaseAnsi(wanted);
        if (lowered.find(wanted) != std::string::npos) return true;
    }
    return false;
}

std::string ShownText(const std::string& text, bool* hidden) {
    const bool holds = HoldsPassword(text);
    if (hidden) *hidden = holds;
    if (!holds) return text;
    return "[текст скрыт: " + std::to_string(text.size()) + " " + Characters(text.size()) + "]";
}
