#pragma once
// Reversible coding of passwords, so that settings files and scripts need not hold them in
// plain text. A rolling byte shift with one fixed key, written as base-36 groups.
// Not encryption.

#include <string>

// Shifts the bytes above 32 of text, up to its first zero byte, in place.
void ShiftCode(std::string& text, int k);

std::string EncodePassword(const std::string& text);
std::string DecodePassword(const std::string& coded);
