#pragma once
// A PNG as the records write it (8-bit RGB, no interlace), read back for the tests: its
// chunks' checksums, its size and its pixels, inflated with zlib and unfiltered.

#include <string>
#include <vector>

namespace support {

struct PngPicture {
    std::string error;  // empty when read whole
    unsigned long width = 0, height = 0;
    std::vector<unsigned char> rgb;  // rows top first, three bytes a pixel

    // Whether every pixel has the first one's colour.
    bool OneColour() const;
};

PngPicture ReadPng(const std::string& bytes);

}  // namespace support
