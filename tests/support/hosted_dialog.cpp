#include "tests/support/hosted_dialog.h"

#include <cstdlib>
#include <fstream>
#include <cstdio>
#include <iterator>
#include <sstream>

#include "tests/support/files.h"
#include "tests/support/window_host_protocol.h"

namespace {

std::string TempFileName(const char* prefix) {
    char dir[MAX_PATH], file[MAX_PATH];
    GetTempPathA(MAX_PATH, dir);
    GetTempFileNameA(dir, prefix, 0, file);
    return file;
}

struct Search {
    DWORD processId;
    HWND found;
};

BOOL CALLBACK FindDialogOf(HWND window, LPARAM data) {
    auto* search = reinterpret_cast<Search*>(data);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    char className[64] = "";
    GetClassNameA(window, className, sizeof className);
    if (owner == search->processId && std::string(className) == "#32770") {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

}  // namespace

HostedDialog::HostedDialog(const std::string& hostExe, const DialogSpec& spec) {
    descriptionPath_ = TempFileName("dlg");
    logPath_ = TempFileName("log");
    {
        std::ofstream out(descriptionPath_, std::ios::binary);
        out << "caption " << HexOf(spec.caption) << "\n";
        for (const ControlSpec& control : spec.controls) {
            char style[16];
            std::snprintf(style, sizeof style, "%lx", static_cast<unsigned long>(control.style));
            out << "control " << control.className << " " << control.id << " " << style << " "
                << HexOf(control.text) << "\n";
        }
        for (const std::string& item : spec.listItems) out << "item " << HexOf(item) << "\n";
        for (const auto& delay : spec.delayOn) out << "delay " << delay.first << " " << delay.second << "\n";
        for (int id : spec.stayOpenOn) out << "stay " << id << "\n";
        if (spec.defaultId) out << "defid " << spec.defaultId << "\n";
    }
    std::string commandLine = "\"" + hostExe + "\" \"" + descriptionPath_ + "\" \"" + logPath_ + "\"";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    if (!CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process_)) {
        process_.release();  // not filled in: nothing to close
        return;
    }
    ULONGLONG end = GetTickCount64() + 30000;
    while (GetTickCount64() < end) {
        std::vector<std::string> lines = LogLines();
        if (!lines.empty() && lines.front() == "ready") {
            Search search{process_.dwProcessId, nullptr};
            EnumWindows(FindDialogOf, reinterpret_cast<LPARAM>(&search));
            window_ = search.found;
            if (window_) break;
        }
        if (WaitForSingleObject(process_.hProcess, 0) == WAIT_OBJECT_0) break;
        Sleep(20);
    }
}

HostedDialog::~HostedDialog() {
    if (process_.hProcess) {
        if (WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT) {
            if (window_) PostMessageA(window_, WM_CLOSE, 0, 0);
            if (WaitForSingleObject(process_.hProcess, 2000) == WAIT_TIMEOUT) {
                TerminateProcess(process_.hProcess, 255);
                WaitForSingleObject(process_.hProcess, 5000);
            }
        }
    }
    DeleteFileA(descriptionPath_.c_str());
    DeleteFileA(logPath_.c_str());
}

void HostedDialog::Hang(DWORD ms) {
    PostMessageA(window_, HostHangMessage, ms, 0);
}

bool HostedDialog::WaitExit(DWORD limitMs) {
    return process_.hProcess && WaitForSingleObject(process_.hProcess, limitMs) == WAIT_OBJECT_0;
}

std::vector<std::string> HostedDialog::LogLines() const {
    std::vector<std::string> lines;
    const std::string text = support::ReadWholeFile(logPath_);
    std::istringstream in(text);
    std::string line;
    // Only whole lines: the host may be writing the last one.
    while (std::getline(in, line))
        if (!in.eof()) lines.push_back(line);
    return lines;
}

std::vector<HostCommand> HostedDialog::Commands() const {
    std::vector<HostCommand> commands;
    for (const std::string& line : LogLines()) {
        std::istringstream fields(line);
        std::string word;
        fields >> word;
        if (word != "command") continue;
        HostCommand command;
        fields >> command.id;
        std::string pair;
        while (fields >> pair) {
            std::size_t equals = pair.find('=');
            command.texts.emplace_back(std::atoi(pair.substr(0, equals).c_str()), FromHex(pair.substr(equals + 1)));
        }
        commands.push_back(command);
    }
    return commands;
}
