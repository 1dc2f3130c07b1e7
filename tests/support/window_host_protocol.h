#pragma once
// What the test window host understands, shared by the host and the tests.
//
// Description file, one line each (texts as hex of their Windows-1251 bytes):
//   caption HEX | control CLASS ID STYLEHEX HEX | item HEX | delay ID MS | stay ID | defid ID
// Log file, written and flushed line by line:
//   ready                      the dialog exists and is filled
//   command ID [CTRLID=HEX]... a command arrived, with the texts of the Edit and ComboBox controls
//   hang MS / awake            the thread stopped answering for MS and is back
//   done                       the dialog is gone

#include <windows.h>

#include <cstdlib>
#include <string>

// Posted to the host's dialog: its thread sleeps wParam ms without answering anything.
constexpr UINT HostHangMessage = WM_APP + 1;

// Texts in the files: the hex of their bytes, and back.
inline std::string HexOf(const std::string& bytes) {
    static const char digits[] = "0123456789abcdef";
    std::string hex;
    for (unsigned char c : bytes) {
        hex.push_back(digits[c >> 4]);
        hex.push_back(digits[c & 15]);
    }
    return hex;
}

inline std::string FromHex(const std::string& hex) {
    std::string bytes;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
        bytes.push_back(static_cast<char>(std::strtoul(hex.substr(i, 2).c_str(), nullptr, 16)));
    return bytes;
}
