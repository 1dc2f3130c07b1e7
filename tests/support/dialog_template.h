#pragma once
// In-memory dialog templates for the test dialogs (this process's and the window host's).
// Texts are Windows-1251 bytes; they reach the windows through the ANSI code page.

#include <windows.h>

#include <string>
#include <vector>

struct ControlSpec {
    std::string className;  // "Button", "Edit", "Static", "ListBox", "ComboBox", ...
    int id = 0;
    std::string text;
    DWORD style = 0;  // added to WS_CHILD | WS_VISIBLE
};

// A DLGTEMPLATE (not the extended form) with the caption and the controls in order; the
// result is DWORD-aligned, ready for CreateDialogIndirectParamA / DialogBoxIndirectParamA.
std::vector<DWORD> BuildDialogTemplate(const std::string& caption, const std::vector<ControlSpec>& controls);

// Windows-1251 text as UTF-16 through the ANSI code page, and back.
std::wstring WideFromAnsi(const std::string& text);
