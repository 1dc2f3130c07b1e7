#pragma once
// The one rule for the texts read from the configurator's windows (titles, statics, edits,
// list items, message texts) before they go anywhere: a console line, the log, a window's
// record. A text that holds a password of the run, in any letter case of the ANSI code
// page, is not shown at all, only its length: masking the password inside it would give a
// short one away by where the asterisks stand. A window that showed such a text gets no
// picture either (automation/window_record.cpp). The tool's own texts (settings, paths,
// the user's name) never pass here.

#include <string>

// Whether the run has any password: a text that could not be read may then have shown one.
bool RunHasPassword();

// Whether the text holds Password, ConfigPassword or NewConfigPassword of the run (coded ones
// are held decoded).
bool HoldsPassword(const std::string& text);

// The text as it may be shown: itself, or "[текст скрыт: N символов]" when it holds a
// password (hidden, when given, says which).
std::string ShownText(const std::string& text, bool* hidden = nullptr);
