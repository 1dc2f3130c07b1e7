#pragma once
// Invariant checks for the fuzz targets: a broken invariant aborts, so that libFuzzer
// reports it as a crash and keeps the input.

#include <cstdio>
#include <cstdlib>
#include <string>

// Text with its bytes outside printable ASCII as \xNN, for the report.
inline std::string Escaped(const std::string& text) {
    std::string out;
    for (unsigned char c : text) {
        if (c >= 0x20 && c < 0x7F && c != '\\') {
            out.push_back(static_cast<char>(c));
        } else {
            char code[8];
            std::snprintf(code, sizeof code, "\\x%02x", c);
            out += code;
        }
    }
    return out;
}

inline void Require(bool holds, const char* what) {
    if (holds) return;
    std::fprintf(stderr, "invariant broken: %s\n", what);
    std::abort();
}

inline void RequireEqual(const std::string& got, const std::string& expected, const char* what) {
    if (got == expected) return;
    std::fprintf(stderr, "invariant broken: %s\n  got      \"%s\"\n  expected \"%s\"\n", what,
                 Escaped(got).c_str(), Escaped(expected).c_str());
    std::abort();
}

inline void RequireEqual(long long got, long long expected, const char* what) {
    if (got == expected) return;
    std::fprintf(stderr, "invariant broken: %s\n  got      %lld\n  expected %lld\n", what, got,
                 expected);
    std::abort();
}
