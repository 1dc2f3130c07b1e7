#pragma once
// A window that cfgload met and recorded in its log (UTF-8), shown again as an extra dialog
// (`extraN.record=<log>`): the first window of the log's records that is marked unknown,
// with its title, class, size and direct child controls (class, id, style, place, text,
// list items), its push buttons and its default button.

#include <string>

#include "standin/dialogs.h"

// Fills the spec's title, message, recorded controls, buttons and default id; the problem
// when the log cannot be read or holds no unknown window.
std::string LoadRecordedWindow(const std::string& logPath, DialogSpec& spec);
