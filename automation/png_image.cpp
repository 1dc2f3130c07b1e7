#include "automation/png_image.h"

#include <cstdint>
#include <cstdlib>
#include <new>
#include <vector>

#include <zlib.h>

namespace {

// The compressed stream grows by this much at a time: never a buffer the size of the image.
constexpr std::size_t OutputStep = 64 * 1024;
// Rows compressed between two looks at the time.
constexpr long RowsPerLook = 16;

void PutBigEndian(std::string& out, std::uint32_t value) {
    out += static_cast<char>(value >> 24);
    out += static_cast<char>(value >> 16);
    out += static_cast<char>(value >> 8);
    out += static_cast<char>(value);
}

// Length, type, data, and the CRC-32 of type and data.
void PutChunk(std::string& png, const char* type, const std::string& data) {
    PutBigEndian(png, static_cast<std::uint32_t>(data.size()));
    const std::size_t typeAt = png.size();
    png.append(type, 4);
    png += data;
    uLong crc = crc32(0L, Z_NULL, 0);
    crc = crc32(crc, reinterpret_cast<const Bytef*>(png.data() + typeAt), static_cast<uInt>(4 + data.size()));
    PutBigEndian(png, static_cast<std::uint32_t>(crc));
}

// One DIB row (BGR) as an RGB scan line behind its filter byte: Sub or Up, whichever sums
// to less (the usual guess at what compresses better).
void FilterRow(const unsigned char* row, const unsigned char* above, std::size_t bytes, std::vector<unsigned char>& rgb,
               std::vector<unsigned char>& line) {
    for (std::size_t at = 0; at < bytes; at += 3) {
        rgb[at] = row[at + 2];
        rgb[at + 1] = row[at + 1];
        rgb[at + 2] = row[at];
    }
    unsigned long subSum = 0, upSum = 0;
    for (std::size_t at = 0; at < bytes; ++at) {
        auto sub = static_cast<unsigned char>(rgb[at] - (at >= 3 ? rgb[at - 3] : 0));
        auto up = static_cast<unsigned char>(rgb[at] - (above ? above[at] : 0));
        subSum += sub < 128 ? sub : 256 - sub;
        upSum += up < 128 ? up : 256 - up;
    }
    const bool useUp = above && upSum < subSum;
    line[0] = useUp ? 2 : 1;
    for (std::size_t at = 0; at < bytes; ++at)
        line[at + 1] = static_cast<unsigned char>(rgb[at] - (useUp ? above[at] : at >= 3 ? rgb[at - 3] : 0));
}

// deflate's state, ended whatever way the encoding leaves.
struct Deflater {
    z_stream stream{};
    bool started = false;
    ~Deflater() {
        if (started) deflateEnd(&stream);
    }
};

// zlib's own word for a failure, with its code.
std::string CompressionProblem(int code, const z_stream& stream) {
    if (code == Z_MEM_ERROR) throw std::bad_alloc();
    return "ошибка сжатия (zlib " + std::to_string(code) + (stream.msg ? std::string(": ") + stream.msg : std::string()) + ")";
}

// Runs deflate over what stream holds, growing out as it fills.
int Deflate(z_stream& stream, std::string& out, std::size_t& used, int flush) {
    int result = Z_OK;
    do {
        if (used == out.size()) out.resize(out.size() + OutputStep);
        stream.next_out = reinterpret_cast<Bytef*>(&out[used]);
        stream.avail_out = static_cast<uInt>(out.size() - used);
        result = deflate(&stream, flush);
        used = out.size() - stream.avail_out;
        // Called again after output that filled the buffer exactly, it may have nothing to do.
        if (result == Z_BUF_ERROR) result = Z_OK;
    } while (result == Z_OK && stream.avail_out == 0);
    return result;
}

}  // namespace

std::string EncodePng(const unsigned char* dibBits, long width, long height, const std::function<bool()>& inTime,
                      std::string& png) {
    png.clear();
    if (width <= 0 || height <= 0) return "размер окна";
    const std::size_t bytes = static_cast<std::size_t>(width) * 3, stride = DibRowBytes(width);
    std::vector<unsigned char> rgb(bytes), previous(bytes), line(bytes + 1);

    Deflater deflater;
    if (int code = deflateInit(&deflater.stream, Z_DEFAULT_COMPRESSION); code != Z_OK)
        return CompressionProblem(code, deflater.stream);
    deflater.started = true;
    std::string idat;
    std::size_t used = 0;
    for (long y = 0; y < height; ++y) {
        if (y % RowsPerLook == 0 && !inTime()) return "секунда истекла при сжатии";
        // The DIB keeps its bottom row first; PNG starts at the top.
        const unsigned char* row = dibBits + stride * static_cast<std::size_t>(height - 1 - y);
        FilterRow(row, y > 0 ? previous.data() : nullptr, bytes, rgb, line);
        rgb.swap(previous);
        deflater.stream.next_in = line.data();
        deflater.stream.avail_in = static_cast<uInt>(line.size());
        if (int code = Deflate(deflater.stream, idat, used, Z_NO_FLUSH); code != Z_OK)
            return CompressionProblem(code, deflater.stream);
    }
    if (int code = Deflate(deflater.stream, idat, used, Z_FINISH); code != Z_STREAM_END)
        return CompressionProblem(code, deflater.stream);
    idat.resize(used);

    std::string header;
    PutBigEndian(header, static_cast<std::uint32_t>(width));
    PutBigEndian(header, static_cast<std::uint32_t>(height));
    header += '\x08';  // bits per sample
    header += '\x02';  // colour type: RGB
    header += '\0';    // compression: deflate
    header += '\0';    // filter method: adaptive
    header += '\0';    // no interlace
    png.reserve(idat.size() + 64);
    png.assign("\x89PNG\r\n\x1A\n", 8);
    PutChunk(png, "IHDR", header);
    PutChunk(png, "IDAT", idat);
    PutChunk(png, "IEND", std::string());
    return {};
}
