#include "tests/support/stdout_capture.h"

#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <regex>

StdoutCapture::StdoutCapture() {
    char dir[MAX_PATH], file[MAX_PATH];
    GetTempPathA(MAX_PATH, dir);
    GetTempFileNameA(dir, "cap", 0, file);
    path_ = file;
    std::fflush(stdout);
    saved_ = _dup(1);
    int fd = _open(path_.c_str(), _O_WRONLY | _O_CREAT | _O_TRUNC | _O_TEXT, 0600);
    _dup2(fd, 1);
    _close(fd);
}

StdoutCapture::~StdoutCapture() {
    if (saved_ >= 0) Finish();
}

std::string StdoutCapture::Finish() {
    if (saved_ < 0) return {};
    std::fflush(stdout);
    _dup2(saved_, 1);
    _close(saved_);
    saved_ = -1;
    std::ifstream in(path_, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    in.close();
    DeleteFileA(path_.c_str());
    return bytes;
}

std::string OemBytes(std::string text) {
    if (!text.empty()) CharToOemBuffA(text.data(), text.data(), static_cast<DWORD>(text.size()));
    return text;
}

std::string WithoutStamps(const std::string& output, int* lines) {
    static const std::regex stamp(R"((^|\n)\[[0-2][0-9]:[0-5][0-9]\] )");
    int count = 0;
    for (auto it = std::sregex_iterator(output.begin(), output.end(), stamp); it != std::sregex_iterator(); ++it)
        ++count;
    if (lines) *lines = count;
    return std::regex_replace(output, stamp, "$1");
}

std::string ExpectedConsole(const std::vector<std::string>& messages) {
    std::string expected;
    for (const std::string& message : messages) {
        std::string line;
        for (char c : message) {
            if (c == '\n') line += '\r';
            line += c;
        }
        expected += OemBytes(line) + "\r\n";
    }
    return expected;
}
