// Test window host: shows one ANSI dialog described in a file, in a process of its own, and
// records what is done to it. Usage: window_host DESCRIPTION LOG
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "common/win_handles.h"
#include "tests/support/dialog_template.h"
#include "tests/support/window_host_protocol.h"

namespace {

struct Description {
    std::string caption;
    std::vector<ControlSpec> controls;
    std::vector<std::string> items;
    std::map<int, DWORD> delayOn;
    std::set<int> stayOpenOn;
    int defaultId = 0;
};

Description Dialog;
unique_handle Log;
// The host never outlives a forgotten test by long.
constexpr UINT LifetimeMs = 120000;
constexpr UINT_PTR LifetimeTimer = 1;

void WriteLog(const std::string& line) {
    std::string text = line + "\n";
    DWORD written = 0;
    WriteFile(Log.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    FlushFileBuffers(Log.get());
}

bool ReadDescription(const char* path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        std::string word;
        fields >> word;
        if (word == "caption") {
            std::string hex;
            fields >> hex;
            Dialog.caption = FromHex(hex);
        } else if (word == "control") {
            ControlSpec control;
            std::string style, hex;
            fields >> control.className >> control.id >> style >> hex;
            control.style = static_cast<DWORD>(std::strtoul(style.c_str(), nullptr, 16));
            control.text = FromHex(hex);
            Dialog.controls.push_back(control);
        } else if (word == "item") {
            std::string hex;
            fields >> hex;
            Dialog.items.push_back(FromHex(hex));
        } else if (word == "delay") {
            int id = 0;
            DWORD ms = 0;
            fields >> id >> ms;
            Dialog.delayOn[id] = ms;
        } else if (word == "stay") {
            int id = 0;
            fields >> id;
            Dialog.stayOpenOn.insert(id);
        } else if (word == "defid") {
            fields >> Dialog.defaultId;
        }
    }
    return true;
}

INT_PTR CALLBACK HostDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
        case WM_INITDIALOG:
            // Items through the ANSI message, as the configurator, an ANSI program, adds them.
            if (HWND list = FindWindowExA(window, nullptr, "ListBox", nullptr))
                for (const std::string& item : Dialog.items)
                    SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.c_str()));
            if (Dialog.defaultId) SendMessageA(window, DM_SETDEFID, Dialog.defaultId, 0);
            return FALSE;
        case WM_TIMER:
            if (wParam == LifetimeTimer) DestroyWindow(window);
            return TRUE;
        case HostHangMessage:
            WriteLog("hang " + std::to_string(wParam));
            Sleep(static_cast<DWORD>(wParam));
            WriteLog("awake");
            return TRUE;
        case WM_COMMAND: {
            if (HIWORD(wParam) != 0) return FALSE;
            int id = LOWORD(wParam);
            std::string line = "command " + std::to_string(id);
            for (const ControlSpec& control : Dialog.controls) {
                if (control.className != "Edit" && control.className != "ComboBox") continue;
                char text[16384] = "";
                GetDlgItemTextA(window, control.id, text, sizeof text);
                line += " " + std::to_string(control.id) + "=" + HexOf(text);
            }
            WriteLog(line);
            auto delay = Dialog.delayOn.find(id);
            if (delay != Dialog.delayOn.end()) Sleep(delay->second);
            if (!Dialog.stayOpenOn.count(id)) DestroyWindow(window);
            return TRUE;
        }
        case WM_DESTROY:
            PostQuitMessage(0);
            return FALSE;
        default:
            return FALSE;
    }
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    if (__argc < 3) return 2;
    if (!ReadDescription(__argv[1])) return 3;
    Log = OwnFileHandle(CreateFileA(__argv[2], GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!Log) return 4;
    std::vector<DWORD> dialogTemplate = BuildDialogTemplate(Dialog.caption, Dialog.controls);
    HWND dialog = CreateDialogIndirectParamA(instance, reinterpret_cast<LPCDLGTEMPLATEA>(dialogTemplate.data()),
                                             nullptr, HostDialogProc, 0);
    if (!dialog) return 5;
    // Without its lifetime a host left behind by a test would never end.
    if (!SetTimer(dialog, LifetimeTimer, LifetimeMs, nullptr)) return 6;
    WriteLog("ready");
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    WriteLog("done");
    return 0;
}
