#include "tests/support/png_reader.h"

#include <cstdlib>

#include <zlib.h>

namespace support {
namespace {

unsigned long BigEndian(const std::string& bytes, std::size_t at) {
    return static_cast<unsigned long>(static_cast<unsigned char>(bytes[at])) << 24 |
           static_cast<unsigned long>(static_cast<unsigned char>(bytes[at + 1])) << 16 |
           static_cast<unsigned long>(static_cast<unsigned char>(bytes[at + 2])) << 8 |
           static_cast<unsigned long>(static_cast<unsigned char>(bytes[at + 3]));
}

int Paeth(int a, int b, int c) {
    int p = a + b - c, pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
    return pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
}

}  // namespace

bool PngPicture::OneColour() const {
    for (std::size_t at = 3; at < rgb.size(); ++at)
        if (rgb[at] != rgb[at % 3]) return false;
    return true;
}

PngPicture ReadPng(const std::string& bytes) {
    PngPicture png;
    if (bytes.compare(0, 8, std::string("\x89PNG\r\n\x1A\n", 8)) != 0) return png.error = "no PNG signature", png;
    std::string compressed;
    for (std::size_t at = 8; at + 12 <= bytes.size();) {
        const unsigned long length = BigEndian(bytes, at);
        if (length > bytes.size() - at - 12) return png.error = "a chunk past the end", png;
        const std::string type = bytes.substr(at + 4, 4), data = bytes.substr(at + 8, length);
        const uLong crc = crc32(0L, reinterpret_cast<const Bytef*>(bytes.data() + at + 4), static_cast<uInt>(4 + length));
        if (crc != BigEndian(bytes, at + 8 + length)) return png.error = "wrong CRC in " + type, png;
        if (type == "IHDR") {
            png.width = BigEndian(data, 0);
            png.height = BigEndian(data, 4);
            if (data.substr(8) != std::string("\x08\x02\0\0\0", 5)) return png.error = "not 8-bit RGB, plain", png;
        } else if (type == "IDAT") {
            compressed += data;
        } else if (type == "IEND") {
            break;
        }
        at += 12 + length;
    }
    const std::size_t row = png.width * 3;
    std::vector<unsigned char> filtered((row + 1) * png.height);
    uLongf size = static_cast<uLongf>(filtered.size());
    if (uncompress(filtered.data(), &size, reinterpret_cast<const Bytef*>(compressed.data()),
                   static_cast<uLong>(compressed.size())) != Z_OK || size != filtered.size())
        return png.error = "the pixels do not inflate to the size", png;
    png.rgb.resize(row * png.height);
    for (std::size_t y = 0; y < png.height; ++y) {
        const unsigned char filter = filtered[y * (row + 1)];
        const unsigned char* in = &filtered[y * (row + 1) + 1];
        unsigned char* out = &png.rgb[y * row];
        for (std::size_t x = 0; x < row; ++x) {
            int a = x >= 3 ? out[x - 3] : 0, b = y > 0 ? out[x - row] : 0, c = x >= 3 && y > 0 ? out[x - row - 3] : 0;
            int predicted = filter == 1 ? a : filter == 2 ? b : filter == 3 ? (a + b) / 2 : filter == 4 ? Paeth(a, b, c) : 0;
            if (filter > 4) return png.error = "unknown filter", png;
            out[x] = static_cast<unsigned char>(in[x] + predicted);
        }
    }
    return png;
}

}  // namespace support
