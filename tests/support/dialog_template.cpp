#include "tests/support/dialog_template.h"

namespace {

void PutWord(std::vector<WORD>& out, WORD value) { out.push_back(value); }

void PutDword(std::vector<WORD>& out, DWORD value) {
    out.push_back(LOWORD(value));
    out.push_back(HIWORD(value));
}

void PutString(std::vector<WORD>& out, const std::wstring& text) {
    for (wchar_t c : text) out.push_back(static_cast<WORD>(c));
    out.push_back(0);
}

void AlignToDword(std::vector<WORD>& out) {
    if (out.size() % 2) out.push_back(0);
}

}  // namespace

std::wstring WideFromAnsi(const std::string& text) {
    if (text.empty()) return {};
    int length = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), wide.data(), length);
    return wide;
}

std::vector<DWORD> BuildDialogTemplate(const std::string& caption, const std::vector<ControlSpec>& controls) {
    std::vector<WORD> out;
    PutDword(out, WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | WS_VISIBLE);
    PutDword(out, 0);
    PutWord(out, static_cast<WORD>(controls.size()));
    PutWord(out, 10);   // x
    PutWord(out, 10);   // y
    PutWord(out, 260);  // cx
    PutWord(out, static_cast<WORD>(30 + 22 * controls.size()));
    PutWord(out, 0);  // no menu
    PutWord(out, 0);  // the standard dialog class
    PutString(out, WideFromAnsi(caption));

    short y = 4;
    for (const ControlSpec& control : controls) {
        AlignToDword(out);
        DWORD style = WS_CHILD | WS_VISIBLE | control.style;
        PutDword(out, style);
        PutDword(out, 0);
        PutWord(out, 4);
        PutWord(out, static_cast<WORD>(y));
        PutWord(out, 240);
        PutWord(out, control.className == "ListBox" || control.className == "ComboBox" ? 60 : 16);
        PutWord(out, static_cast<WORD>(control.id));
        PutString(out, WideFromAnsi(control.className));
        PutString(out, WideFromAnsi(control.text));
        PutWord(out, 0);  // no creation data
        y = static_cast<short>(y + 20);
    }
    AlignToDword(out);
    std::vector<DWORD> aligned(out.size() / 2);
    for (std::size_t i = 0; i < aligned.size(); ++i) aligned[i] = MAKELONG(out[2 * i], out[2 * i + 1]);
    return aligned;
}
