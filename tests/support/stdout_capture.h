#pragma once
// Captures what the program writes to its standard output (file descriptor 1, in text mode
// as a redirected console program has it), for checking console lines byte for byte.

#include <string>
#include <vector>

class StdoutCapture {
public:
    StdoutCapture();
    ~StdoutCapture();
    StdoutCapture(const StdoutCapture&) = delete;
    StdoutCapture& operator=(const StdoutCapture&) = delete;
    // Restores the output and returns the bytes written meanwhile (once).
    std::string Finish();

private:
    std::string path_;
    int saved_ = -1;
};

// Windows-1251 text in the console's OEM code page (CharToOemBuffA).
std::string OemBytes(std::string text);

// The captured output with the "[HH:MM] " stamp removed from the start of every console
// line; *lines counts the stamps. Lines whose message holds line breaks stay whole.
std::string WithoutStamps(const std::string& output, int* lines = nullptr);

// What console lines with these messages look like once stamps are removed: each message
// in the OEM code page with CR LF line ends, and a closing CR LF.
std::string ExpectedConsole(const std::vector<std::string>& messages);
