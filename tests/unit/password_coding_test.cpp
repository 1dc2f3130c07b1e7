// Password coding: known answers, the text form, and the round trip over many passwords.
#include <random>
#include <string>

#include <gtest/gtest.h>

#include "settings/password_coding.h"
#include "tests/support/child_process.h"

namespace {

bool OnlyDigitsAndLowerLetters(const std::string& coded) {
    for (char c : coded)
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'z'))) return false;
    return true;
}

std::string UpperCased(std::string text) {
    for (char& c : text)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return text;
}

TEST(PasswordCoding, EmptyPasswordAndEmptyCodedText) {
    EXPECT_EQ(EncodePassword(""), "");
    EXPECT_EQ(DecodePassword(""), "");
}

// Blanks and control characters are not shifted and do not move the key, whatever it is:
// the coded text is the base-36 groups of the bytes themselves.
TEST(PasswordCoding, UnshiftedCharactersGiveTheirOwnGroups) {
    EXPECT_EQ(EncodePassword(" "), "000w");       // 32
    EXPECT_EQ(EncodePassword("\t"), "0009");      // 9
    EXPECT_EQ(EncodePassword("  "), "06cg");      // 32 + 256 * 32 = 8224
    EXPECT_EQ(EncodePassword("\x01\x1f\n"), "064h000a");  // 1 + 256 * 31 = 7937, then 10
    EXPECT_EQ(DecodePassword("000w"), " ");
    EXPECT_EQ(DecodePassword("06cg"), "  ");
}

// Worked out by hand from the shift rule with the program's key 97: "a" (97) becomes
// ((97 + 97 + 413) mod 223) + 33 = 194, the key moves to (446 - 194) mod 223 = 29, so "b"
// (98) becomes ((98 + 29 + 413) mod 223) + 33 = 127, and so on.
TEST(PasswordCoding, KnownAnswersOfTheProgramKey) {
    EXPECT_EQ(EncodePassword("a"), "005e");          // 194
    EXPECT_EQ(EncodePassword("ab"), "0p8i");         // 194 + 256 * 127 = 32706
    EXPECT_EQ(EncodePassword("abc"), "0p8i0015");    // then 41
    EXPECT_EQ(EncodePassword("a b"), "06gy003j");    // the blank stays and keeps the key
    EXPECT_EQ(EncodePassword("!"), "003m");
    EXPECT_EQ(EncodePassword("~"), "0067");
    EXPECT_EQ(EncodePassword("\xff"), "003l");
    EXPECT_EQ(EncodePassword("secret"), "0puc19gp0qjg");
    EXPECT_EQ(EncodePassword("Password1"), "0p0x19o90pke0y1a003k");
    EXPECT_EQ(EncodePassword("пароль"), "1e290q0m09gi");
    EXPECT_EQ(EncodePassword("Пароль 1"), "1e1d0q0m09gi1an4");

    EXPECT_EQ(DecodePassword("0p8i0015"), "abc");
    EXPECT_EQ(DecodePassword("1e290q0m09gi"), "пароль");
    EXPECT_EQ(DecodePassword("0p0x19o90pke0y1a003k"), "Password1");
}

TEST(PasswordCoding, ShiftWithTheNegativeKeyRestores) {
    std::string text = "Abc д\x7f\xff!";
    std::string shifted = text;
    ShiftCode(shifted, 97);
    EXPECT_EQ(shifted.size(), text.size());
    EXPECT_NE(shifted, text);
    EXPECT_EQ(shifted[3], ' ');
    ShiftCode(shifted, -97);
    EXPECT_EQ(shifted, text);
}

TEST(PasswordCoding, ShiftStopsAtTheFirstZeroByte) {
    std::string text("ab\0cd", 5);
    ShiftCode(text, 97);
    EXPECT_EQ(text, std::string("\xc2\x7f\0cd", 5));
}

TEST(PasswordCoding, EncodingStopsAtTheFirstZeroByteAndKeepsItsArgument) {
    const std::string text("ab\0cd", 5);
    EXPECT_EQ(EncodePassword(text), "0p8i");
    EXPECT_EQ(text, std::string("ab\0cd", 5));
}

TEST(PasswordCoding, UpperCaseCodedTextDecodesTheSame) {
    EXPECT_EQ(DecodePassword("1E290Q0M09GI"), "пароль");
    EXPECT_EQ(DecodePassword("0P8i0015"), "abc");
}

// A short last group is read as a number all the same: "5e" is 194, the coded "a".
TEST(PasswordCoding, ShortLastGroupIsReadAsANumber) {
    EXPECT_EQ(DecodePassword("5e"), "a");
    EXPECT_EQ(DecodePassword("0p8i15"), "abc");
    EXPECT_EQ(DecodePassword("0p8i0015"), DecodePassword("0p8i15"));
}

// Text not made by the encoder decodes to something, without failing: groups are read as
// far as their digits go, and the result ends at its first zero byte.
TEST(PasswordCoding, ForeignTextDecodesWithoutFailing) {
    EXPECT_EQ(DecodePassword("00000p8i"), "") << "a zero first group ends the text";
    EXPECT_EQ(DecodePassword("!!!!"), "");
    EXPECT_EQ(DecodePassword(" 5e "), "a") << "leading white space is skipped";
    EXPECT_EQ(DecodePassword("+5e 0015"), DecodePassword("5e")) << "digits end at the blank";
    // "-1" is -1, whose low 16 bits are 0xffff: two bytes 255 shifted back.
    std::string minusOne = DecodePassword("-1");
    EXPECT_EQ(minusOne.size(), 2u);
    std::string shifted = minusOne;
    ShiftCode(shifted, 97);
    EXPECT_EQ(shifted, "\xff\xff");
}

TEST(PasswordCoding, RoundTripOverManyPasswords) {
    std::mt19937 random(20261207);
    std::uniform_int_distribution<int> length(1, 40);
    std::uniform_int_distribution<int> byte(1, 255);
    for (int round = 0; round < 5000; ++round) {
        std::string password(static_cast<std::size_t>(length(random)), ' ');
        for (char& c : password) c = static_cast<char>(byte(random));
        std::string coded = EncodePassword(password);
        ASSERT_EQ(coded.size(), 4 * ((password.size() + 1) / 2)) << round;
        ASSERT_TRUE(OnlyDigitsAndLowerLetters(coded)) << coded;
        ASSERT_EQ(DecodePassword(coded), password) << coded;
        ASSERT_EQ(DecodePassword(UpperCased(coded)), password) << coded;
    }
}

TEST(PasswordCoding, CyrillicAndControlCharactersComeBack) {
    for (const std::string& password :
         {std::string("ЁёАЯаяЪъ"), std::string("Пароль\tс\x01управляющими\x1f"), std::string("№§©«»"),
          std::string(1, '\x7f'), std::string(255, 'я')}) {
        std::string coded = EncodePassword(password);
        EXPECT_EQ(coded.size(), 4 * ((password.size() + 1) / 2));
        EXPECT_TRUE(OnlyDigitsAndLowerLetters(coded)) << coded;
        EXPECT_EQ(DecodePassword(coded), password);
    }
}

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

TEST(PasswordCoding, CodeCommandPrintsTheCodedTextAlone) {
    ChildResult run = RunChild(Quoted(WindowsPath(CFGLOAD_EXE)) + " /code " + Quoted("пароль"));
    ASSERT_TRUE(run.started);
    EXPECT_FALSE(run.timedOut);
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_EQ(run.output, "1e290q0m09gi");
    EXPECT_EQ(run.errors, "");
}

TEST(PasswordCoding, CodeCommandKeepsLetterCaseAndStopsTheScan) {
    ChildResult run = RunChild(Quoted(WindowsPath(CFGLOAD_EXE)) + " /user x /CODE Password1 /?");
    ASSERT_TRUE(run.started);
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_EQ(run.output, "0p0x19o90pke0y1a003k");
}

TEST(PasswordCoding, CodeCommandAloneCodesTheEmptyText) {
    ChildResult run = RunChild(Quoted(WindowsPath(CFGLOAD_EXE)) + " /code");
    ASSERT_TRUE(run.started);
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_EQ(run.output, "");
}

}  // namespace
