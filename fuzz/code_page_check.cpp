// Checks the native system services against the expected code page tables, which the
// Windows unit tests check CharLowerBuffA and CharToOemBuffA against in the same way.
#include <cstdio>
#include <string>

#include "settings/system_services.h"

namespace {

const int ExpectedLower[256] = {
#include "tests/data/cp1251_lower.inc"
};

const int ExpectedOem[256] = {
#include "tests/data/cp1251_to_cp866.inc"
};

std::string AllBytes() {
    std::string bytes(256, '\0');
    for (int i = 0; i < 256; ++i) bytes[static_cast<std::size_t>(i)] = static_cast<char>(i);
    return bytes;
}

int Compare(const char* what, const std::string& got, const int* expected) {
    int differences = 0;
    for (int i = 0; i < 256; ++i) {
        int value = static_cast<unsigned char>(got[static_cast<std::size_t>(i)]);
        if (expected[i] < 0 || value == expected[i]) continue;
        std::fprintf(stderr, "%s of 0x%02x: 0x%02x, expected 0x%02x\n", what, i, value, expected[i]);
        ++differences;
    }
    return differences;
}

}  // namespace

int main() {
    std::string lower = AllBytes();
    LowerCaseAnsi(lower);
    std::string oem = AllBytes();
    ConvertToOem(oem);
    int differences = Compare("LowerCaseAnsi", lower, ExpectedLower) + Compare("ConvertToOem", oem, ExpectedOem);
    if (differences) return 1;
    std::printf("code page tables: LowerCaseAnsi and ConvertToOem as expected\n");
    return 0;
}
