// Password coding: decoding undoes coding, the coded text is lower-case base-36 groups of
// the right length, any text decodes without fault and the decoder ignores letter case.
#include <climits>
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz/fuzz_check.h"
#include "settings/password_coding.h"

namespace {

std::string WithAsciiCase(std::string text, bool upper) {
    for (char& c : text) {
        if (upper && c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
        if (!upper && c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
    }
    return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);

    // The input up to its first zero byte as a password.
    const std::string password = input.substr(0, input.find('\0'));
    const std::string coded = EncodePassword(password);
    RequireEqual(static_cast<long long>(coded.size()),
                 static_cast<long long>(4 * ((password.size() + 1) / 2)),
                 "coded length is 4 per started pair of bytes");
    for (char c : coded)
        Require((c >= '0' && c <= '9') || (c >= 'a' && c <= 'z'), "coded text is [0-9a-z] only");
    RequireEqual(DecodePassword(coded), password, "decoding undoes coding");
    RequireEqual(EncodePassword(input), coded, "coding ends at the first zero byte");

    // The whole input as coded text: decodes to some text without zero bytes, the same
    // whatever the case of its letters.
    const std::string decoded = DecodePassword(input);
    Require(decoded.find('\0') == std::string::npos, "decoded text has no zero byte");
    RequireEqual(DecodePassword(WithAsciiCase(input, true)), DecodePassword(WithAsciiCase(input, false)),
                 "upper- and lower-case coded text decode alike");

    // The shift with any key, then with its negative, restores the text; blanks and control
    // characters stay, other bytes stay above 32.
    if (size >= 4) {
        std::uint32_t bits = data[0] | data[1] << 8 | data[2] << 16 | static_cast<std::uint32_t>(data[3]) << 24;
        int k = static_cast<int>(bits);
        std::string text = input.substr(4);
        if (k == INT_MIN) {  // a key without a negative: it must merely shift without fault
            std::string copy = text;
            ShiftCode(copy, k);
            k = INT_MIN + 1;
        }
        ShiftCode(text, k);
        const std::string shifted = text;
        RequireEqual(static_cast<long long>(shifted.size()), static_cast<long long>(size - 4),
                     "the shift keeps the length");
        bool beforeZero = true;
        for (std::size_t i = 0; i < shifted.size(); ++i) {
            unsigned char before = data[4 + i], after = static_cast<unsigned char>(shifted[i]);
            if (before == 0) beforeZero = false;
            if (!beforeZero || before <= 32) Require(after == before, "the shift leaves bytes <= 32 and all after a zero");
            else Require(after > 32, "the shift keeps bytes above 32");
        }
        ShiftCode(text, -k);
        RequireEqual(text, input.substr(4), "the shift with -k undoes the shift with k");
    }
    return 0;
}
