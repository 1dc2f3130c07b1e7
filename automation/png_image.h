#pragma once
// Pictures of windows as PNG files: 8-bit RGB, no interlace, every row filtered (Sub or Up,
// whichever leaves the smaller bytes) and compressed with zlib, one IDAT chunk. No window
// calls: the pixels come as a 24-bit DIB holds them.

#include <cstddef>
#include <functional>
#include <string>

// The rows as a 24-bit DIB holds them: blue, green, red; each row padded to a multiple of
// four bytes; the bottom row first. inTime is asked now and then during the compression;
// once it says no, the encoding stops. Returns why there is no PNG (png is then incomplete),
// empty when there is one. Memory that cannot be had throws std::bad_alloc.
std::string EncodePng(const unsigned char* dibBits, long width, long height, const std::function<bool()>& inTime,
                      std::string& png);

// Bytes per row of a 24-bit DIB of that width.
inline std::size_t DibRowBytes(long width) {
    return (static_cast<std::size_t>(width) * 3 + 3) & ~static_cast<std::size_t>(3);
}
