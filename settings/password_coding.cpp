#include "settings/password_coding.h"

namespace {

// The program's fixed key: coded texts decode only with the same value.
constexpr int K = 97;

constexpr char Digits[] = "0123456789abcdefghijklmnopqrstuvwxyz";

int DigitValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'z') return c - 'a' + 10;
    if (c >= 'A' && c <= 'Z') return c - 'A' + 10;
    return -1;
}

// One group: four base-36 digits, padded on the left with the digit 0.
std::string Base36Group(unsigned value) {
    std::string group(4, '0');
    for (int i = 3; i >= 0 && value; --i, value /= 36) group[static_cast<std::size_t>(i)] = Digits[value % 36];
    return group;
}

// A group read as strtol(group, 0, 36) reads it: leading white space, an optional sign,
// then digits up to the first other character. Keeps the low 16 bits.
unsigned ReadGroup(const std::string& group) {
    std::size_t i = 0;
    while (i < group.size() && (group[i] == ' ' || (group[i] >= '\t' && group[i] <= '\r'))) ++i;
    bool negative = false;
    if (i < group.size() && (group[i] == '+' || group[i] == '-')) negative = group[i++] == '-';
    long value = 0;
    for (; i < group.size() && DigitValue(group[i]) >= 0; ++i) value = value * 36 + DigitValue(group[i]);
    if (negative) value = -value;
    return static_cast<unsigned>(value) & 0xFFFFu;
}

}  // namespace

void ShiftCode(std::string& text, int k) {
    // Keys are taken modulo the 223 values a shifted byte can have, so that every later
    // key and sum stays positive (the decoder passes a negative key).
    k %= 223;
    if (k < 0) k += 223;
    for (char& c : text) {
        unsigned b = static_cast<unsigned char>(c);
        if (b == 0) break;
        if (b <= 32) continue;
        c = static_cast<char>(((b + static_cast<unsigned>(k) + 413) % 223) + 33);
        k = (446 - 2 * k) % 223;
    }
}

std::string EncodePassword(const std::string& text) {
    std::string shifted = text.substr(0, text.find('\0'));
    ShiftCode(shifted, K);
    std::string coded;
    for (std::size_t i = 0; i < shifted.size(); i += 2) {
        unsigned low = static_cast<unsigned char>(shifted[i]);
        unsigned high = i + 1 < shifted.size() ? static_cast<unsigned char>(shifted[i + 1]) : 0;
        coded += Base36Group(low + 256 * high);
    }
    return coded;
}

std::string DecodePassword(const std::string& coded) {
    std::string plain;
    for (std::size_t i = 0; i < coded.size(); i += 4) {
        unsigned value = ReadGroup(coded.substr(i, 4));
        plain.push_back(static_cast<char>(value & 0xFF));
        plain.push_back(static_cast<char>(value >> 8));
    }
    plain.resize(plain.find('\0') == std::string::npos ? plain.size() : plain.find('\0'));
    ShiftCode(plain, -K);
    return plain;
}
