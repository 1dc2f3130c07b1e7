// The system services' code page rules against tables made from Unicode's own data
// (tests/data/make_code_page_tables.py); the native build checks its stand-ins against the
// same tables (fuzz/code_page_check.cpp), so both implementations agree byte for byte.
#include <windows.h>

#include <string>

#include <gtest/gtest.h>

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

TEST(SystemServices, CodePagesAreRussian) {
    EXPECT_EQ(GetACP(), 1251u);
    EXPECT_EQ(GetOEMCP(), 866u);
}

TEST(SystemServices, LowerCaseAnsiFollowsCodePage1251) {
    ASSERT_EQ(GetACP(), 1251u) << "the table is for code page 1251";
    std::string text = AllBytes();
    LowerCaseAnsi(text);
    ASSERT_EQ(text.size(), 256u);
    for (int i = 0; i < 256; ++i)
        EXPECT_EQ(static_cast<unsigned char>(text[static_cast<std::size_t>(i)]), ExpectedLower[i])
            << "byte 0x" << std::hex << i;
}

TEST(SystemServices, ConvertToOemFollowsCodePage866) {
    ASSERT_EQ(GetOEMCP(), 866u) << "the table is for code page 866";
    std::string text = AllBytes();
    ConvertToOem(text);
    ASSERT_EQ(text.size(), 256u);
    for (int i = 0; i < 256; ++i) {
        if (ExpectedOem[i] < 0) continue;  // no exact counterpart: the system's best fit
        EXPECT_EQ(static_cast<unsigned char>(text[static_cast<std::size_t>(i)]), ExpectedOem[i])
            << "byte 0x" << std::hex << i;
    }
}

}  // namespace
