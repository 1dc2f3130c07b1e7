#include "run/unload_archive.h"

#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <new>
#include <vector>

bool MemoryBytes::Read(unsigned long long offset, unsigned char* buffer, std::size_t size) {
    if (offset > size_ || size > size_ - offset) return false;
    if (size) std::memcpy(buffer, data_ + offset, size);
    return true;
}

namespace {

constexpr std::uint32_t LocalSignature = 0x04034b50;
constexpr std::uint32_t CentralSignature = 0x02014b50;
constexpr std::uint32_t EndSignature = 0x06054b50;
constexpr std::uint32_t Zip64LocatorSignature = 0x07064b50, Zip64EndSignature = 0x06064b50;
constexpr std::uint32_t DescriptorSignature = 0x08074b50;
constexpr std::size_t EndSize = 22, CentralSize = 46, LocalSize = 30, Zip64LocatorSize = 20, Zip64EndSize = 56;
constexpr std::size_t LongestComment = 0xFFFF;
constexpr std::uint16_t Encrypted = 1, SizesAfterData = 8;
constexpr std::uint16_t Stored = 0, Deflated = 8;

std::uint16_t Le16(const unsigned char* p) { return static_cast<std::uint16_t>(p[0] | p[1] << 8); }
std::uint32_t Le32(const unsigned char* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

std::uint64_t Le64(const unsigned char* p) { return Le32(p) | static_cast<std::uint64_t>(Le32(p + 4)) << 32; }

// Both sizes of a ZIP64 extra field (uncompressed, then compressed, 8 bytes each); null when
// the extra fields hold none.
const unsigned char* Zip64Sizes(const unsigned char* extra, std::size_t length) {
    for (std::size_t at = 0; at + 4 <= length; at += 4 + Le16(extra + at + 2))
        if (Le16(extra + at) == 1) return Le16(extra + at + 2) >= 16 && at + 20 <= length ? extra + at + 4 : nullptr;
    return nullptr;
}

std::string Number(unsigned long long value) { return std::to_string(value); }

std::string Hex32(std::uint32_t value) {
    char text[12];
    std::snprintf(text, sizeof text, "%08X", static_cast<unsigned>(value));
    return text;
}

const char* MethodName(unsigned method) {
    switch (method) {
        case 1: return "Shrink";
        case 6: return "Implode";
        case 9: return "Deflate64";
        case 12: return "BZIP2";
        case 14: return "LZMA";
        case 93: return "Zstandard";
        case 95: return "XZ";
        case 98: return "PPMd";
        case 99: return "AES";
        default: return nullptr;
    }
}

// A name as the console can show it: printable ASCII, anything else as "?", not too long.
std::string Printable(const std::string& name) {
    std::string shown;
    for (unsigned char c : name.substr(0, 120)) shown += c >= 0x20 && c < 0x7F ? static_cast<char>(c) : '?';
    return name.size() > 120 ? shown + "..." : shown;
}

struct Entry {
    std::string name;
    std::uint16_t flags = 0, method = 0;
    std::uint32_t crc = 0;
    unsigned long long packed = 0, size = 0, local = 0;
    unsigned long long data = 0, end = 0;  // found from the local header; end after a data descriptor
};

struct Failure {};  // leaves the check once the result says why

class Checker {
public:
    Checker(ArchiveBytes& bytes, const std::function<bool()>& timeUp)
        : bytes_(bytes), timeUp_(timeUp), fileSize_(bytes.Size()) {}

    ArchiveCheck Run() {
        try {
            chunk_.resize(ArchiveChunkSize);
            out_.resize(ArchiveChunkSize);
            FindEnd();
            ReadDirectory();
            for (Entry& entry : entries_) ReadLocalHeader(entry);
            CheckOverlaps();
            std::vector<Entry*> inOrder;
            for (Entry& entry : entries_) inOrder.push_back(&entry);
            std::sort(inOrder.begin(), inOrder.end(), [](const Entry* a, const Entry* b) { return a->local < b->local; });
            for (Entry* entry : inOrder) CheckData(*entry);
            if (result_.bytes == 0) {  // whole, and still no backup
                const std::string entries = entries_.empty() ? std::string("ни одной записи")
                                                             : "записей " + Number(entries_.size()) + ", все пустые";
                Fail("в архиве нет данных (" + entries + ")", nullptr, ArchiveCheck::Outcome::NoData);
            }
        } catch (const Failure&) {
        } catch (const std::bad_alloc&) {
            result_.outcome = ArchiveCheck::Outcome::NoMemory;
            result_.problem = "не хватает памяти";
        }
        return result_;
    }

private:
    [[noreturn]] void Fail(const std::string& problem, const Entry* entry = nullptr,
                           ArchiveCheck::Outcome outcome = ArchiveCheck::Outcome::Damaged) {
        result_.outcome = outcome;
        result_.problem = problem;
        result_.entry = entry ? Printable(entry->name) : std::string();
        throw Failure{};
    }

    // size bytes from offset, which must lie within [offset, limit).
    void ReadExactly(unsigned long long offset, unsigned long long limit, unsigned char* into, std::size_t size,
                     const char* beyond, const Entry* entry = nullptr) {
        if (limit > fileSize_) limit = fileSize_;
        if (offset > limit || size > limit - offset) Fail(beyond, entry);
        if (timeUp_()) Fail("проверка прервана: истекло время выполнения", entry, ArchiveCheck::Outcome::TimeUp);
        if (!bytes_.Read(offset, into, size))
            Fail("ошибка чтения по смещению " + Number(offset), entry, ArchiveCheck::Outcome::ReadFailed);
    }

    // The end record: the last signature whose comment reaches exactly to the end of the file.
    void FindEnd() {
        if (fileSize_ < EndSize) Fail("файл короче наименьшего ZIP-архива (не архив или обрезан)");
        const std::size_t tail = static_cast<std::size_t>(std::min<unsigned long long>(fileSize_, EndSize + LongestComment));
        std::vector<unsigned char> bytes(tail);
        ReadExactly(fileSize_ - tail, fileSize_, bytes.data(), tail, "конец архива не читается");
        std::size_t at = tail - EndSize + 1;
        bool found = false;
        while (at-- > 0) {
            if (Le32(&bytes[at]) == EndSignature && at + EndSize + Le16(&bytes[at + 20]) == tail) {
                found = true;
                break;
            }
        }
        if (!found) Fail("конец оглавления не найден (не ZIP-архив, или он обрезан, или за ним лишние данные)");
        const unsigned char* end = &bytes[at];
        endOffset_ = fileSize_ - tail + at;
        const unsigned disk = Le16(end + 4), directoryDisk = Le16(end + 6);
        const unsigned onDisk = Le16(end + 8), total = Le16(end + 10);
        directorySize_ = Le32(end + 12);
        directoryOffset_ = Le32(end + 16);
        // A directory that ends right at this record is read as it says: 65,535 entries are
        // 0xFFFF, a number, not ZIP64's marker.
        if (directoryOffset_ + directorySize_ != endOffset_ && !EndsAtZip64End(total))
            Fail("оглавление не там, где его указывает конец архива (смещение " + Number(directoryOffset_) +
                 ", размер " + Number(directorySize_) + ", конец оглавления на " + Number(endOffset_) + ")");
        if (disk != 0 || directoryDisk != 0 || onDisk != total) Fail("многотомный архив не поддерживается");
        expectedEntries_ = total;
    }

    // ZIP64's end record and its locator between the directory and the end record: with
    // markers in the end record the archive is ZIP64; without (zip reading a pipe writes them
    // so) the directory must end at that record, whose numbers agree. False: no locator.
    bool EndsAtZip64End(unsigned total) {
        if (endOffset_ < Zip64LocatorSize) return false;
        const unsigned long long locatorOffset = endOffset_ - Zip64LocatorSize;
        unsigned char locator[Zip64LocatorSize], record[Zip64EndSize];
        ReadExactly(locatorOffset, endOffset_, locator, Zip64LocatorSize, "конец архива не читается");
        if (Le32(locator) != Zip64LocatorSignature) return false;
        if (total == 0xFFFF || directorySize_ == 0xFFFFFFFF || directoryOffset_ == 0xFFFFFFFF) Zip64();
        const unsigned long long at = Le64(locator + 8);
        ReadExactly(at, locatorOffset, record, Zip64EndSize, "конец оглавления ZIP64 выходит за пределы архива");
        if (Le32(record) != Zip64EndSignature || Le64(record + 4) != locatorOffset - at - 12 || Le64(record + 32) != total ||
            Le64(record + 40) != directorySize_ || Le64(record + 48) != directoryOffset_ ||
            directoryOffset_ + directorySize_ != at)
            Fail("конец оглавления ZIP64 расходится с концом архива");
        return true;
    }

    [[noreturn]] void Zip64() { Fail("архив в формате ZIP64 не поддерживается"); }

    void ReadDirectory() {
        unsigned long long at = directoryOffset_;
        const unsigned long long end = directoryOffset_ + directorySize_;
        unsigned char header[CentralSize];
        std::vector<unsigned char> name;
        const char* beyond = "оглавление повреждено: записи выходят за его пределы";
        while (entries_.size() < expectedEntries_) {
            ReadExactly(at, end, header, CentralSize, beyond);
            if (Le32(header) != CentralSignature)
                Fail("оглавление повреждено: нет заголовка записи " + Number(entries_.size() + 1) + " по смещению " +
                     Number(at));
            Entry entry;
            entry.flags = Le16(header + 8);
            entry.method = Le16(header + 10);
            entry.crc = Le32(header + 16);
            entry.packed = Le32(header + 20);
            entry.size = Le32(header + 24);
            const std::size_t nameLength = Le16(header + 28);
            const unsigned long long rest = static_cast<unsigned long long>(Le16(header + 30)) + Le16(header + 32);
            entry.local = Le32(header + 42);
            name.resize(nameLength);
            ReadExactly(at + CentralSize, end, name.data(), nameLength, beyond);
            entry.name.assign(name.begin(), name.end());
            if (Le16(header + 34) != 0) Fail("запись на другом томе: многотомный архив не поддерживается", &entry);
            if (entry.packed == 0xFFFFFFFF || entry.size == 0xFFFFFFFF || entry.local == 0xFFFFFFFF) Zip64();
            at += CentralSize + nameLength + rest;
            if (at > end) Fail(beyond, &entry);
            entries_.push_back(std::move(entry));
        }
        if (at != end) Fail("оглавление повреждено: после " + Number(expectedEntries_) + " записей остаются лишние байты");
    }

    void ReadLocalHeader(Entry& entry) {
        const char* beyond = "запись выходит за пределы данных архива";
        unsigned char header[LocalSize];
        ReadExactly(entry.local, directoryOffset_, header, LocalSize, beyond, &entry);
        if (Le32(header) != LocalSignature) Fail("нет локального заголовка по смещению " + Number(entry.local), &entry);
        const std::size_t nameLength = Le16(header + 26);
        std::vector<unsigned char> name(nameLength);
        ReadExactly(entry.local + LocalSize, directoryOffset_, name.data(), nameLength, beyond, &entry);
        const std::size_t extraLength = Le16(header + 28);
        unsigned long long packed = Le32(header + 18), size = Le32(header + 22);
        if (packed == 0xFFFFFFFF || size == 0xFFFFFFFF) {  // in a ZIP64 field, as zip writes them reading a pipe
            std::vector<unsigned char> extra(extraLength);
            ReadExactly(entry.local + LocalSize + nameLength, directoryOffset_, extra.data(), extraLength, beyond, &entry);
            if (const unsigned char* sizes = Zip64Sizes(extra.data(), extraLength)) size = Le64(sizes), packed = Le64(sizes + 8);
        }
        const char* differs = nullptr;
        const bool later = (entry.flags & SizesAfterData) != 0;
        auto agrees = [&](unsigned long long local, unsigned long long central) {
            return local == central || (later && local == 0);
        };
        if (std::string(name.begin(), name.end()) != entry.name) differs = "имя";
        else if (Le16(header + 6) != entry.flags) differs = "флаги";
        else if (Le16(header + 8) != entry.method) differs = "метод сжатия";
        else if (!agrees(Le32(header + 14), entry.crc)) differs = "CRC-32";
        else if (!agrees(packed, entry.packed)) differs = "размер сжатых данных";
        else if (!agrees(size, entry.size)) differs = "размер";
        if (differs) Fail(std::string("локальный заголовок расходится с оглавлением: ") + differs, &entry);
        entry.data = entry.local + LocalSize + nameLength + extraLength;
        entry.end = entry.data + entry.packed;
        if (entry.end > directoryOffset_) Fail(beyond, &entry);
        if (later) ReadDescriptor(entry);
    }

    // After the data: CRC-32 and both sizes, with or without a signature before them, the
    // sizes of 4 bytes or of 8 (after a ZIP64 field). A CRC-32 that equals the signature makes
    // the first word ambiguous, so every layout is tried; the shortest that agrees counts.
    void ReadDescriptor(Entry& entry) {
        unsigned char descriptor[24];
        const std::size_t length = static_cast<std::size_t>(std::min<unsigned long long>(24, directoryOffset_ - entry.end));
        if (length < 12) Fail("описатель данных выходит за пределы данных архива", &entry);
        ReadExactly(entry.end, directoryOffset_, descriptor, length, "описатель данных не читается", &entry);
        struct Layout { std::size_t at, width; };  // where the CRC-32 is, the width of each size
        for (const Layout layout : {Layout{0, 4}, Layout{4, 4}, Layout{0, 8}, Layout{4, 8}}) {
            const std::size_t at = layout.at, width = layout.width;
            auto number = [&](std::size_t offset) { return width == 4 ? Le32(descriptor + offset) : Le64(descriptor + offset); };
            if (at + 4 + 2 * width > length || (at && Le32(descriptor) != DescriptorSignature)) continue;
            if (Le32(descriptor + at) == entry.crc && number(at + 4) == entry.packed && number(at + 4 + width) == entry.size) {
                entry.end += at + 4 + 2 * width;
                return;
            }
        }
        Fail("описатель данных расходится с оглавлением", &entry);
    }

    void CheckOverlaps() {
        std::vector<const Entry*> inOrder;
        for (const Entry& entry : entries_) inOrder.push_back(&entry);
        std::sort(inOrder.begin(), inOrder.end(), [](const Entry* a, const Entry* b) { return a->local < b->local; });
        for (std::size_t i = 1; i < inOrder.size(); ++i)
            if (inOrder[i - 1]->end > inOrder[i]->local)
                Fail("пересекается с записью [" + Printable(inOrder[i]->name) + "]", inOrder[i - 1]);
    }

    // Fills chunk_ with the next piece of [at, end); its length.
    std::size_t NextChunk(unsigned long long& at, unsigned long long end, const Entry& entry) {
        const std::size_t piece = static_cast<std::size_t>(std::min<unsigned long long>(end - at, ArchiveChunkSize));
        ReadExactly(at, end, chunk_.data(), piece, "запись выходит за пределы данных архива", &entry);
        at += piece;
        return piece;
    }

    void CheckData(const Entry& entry) {
        if (entry.flags & Encrypted) Fail("запись зашифрована", &entry);
        unsigned long long at = entry.data, produced = 0;
        const unsigned long long end = entry.data + entry.packed;  // a data descriptor follows
        std::uint32_t crc = crc32(0L, Z_NULL, 0);
        if (entry.method == Stored) {
            if (entry.packed != entry.size)
                Fail("запись без сжатия, но размеры " + Number(entry.packed) + " и " + Number(entry.size) + " различаются",
                     &entry);
            while (at < end) {
                const std::size_t piece = NextChunk(at, end, entry);
                crc = crc32(crc, chunk_.data(), static_cast<uInt>(piece));
                produced += piece;
            }
        } else if (entry.method == Deflated) {
            Inflate(entry, at, crc, produced);
        } else {
            const char* name = MethodName(entry.method);
            Fail("метод сжатия " + Number(entry.method) + (name ? std::string(" (") + name + ")" : std::string()) +
                     " не поддерживается",
                 &entry);
        }
        if (produced != entry.size)
            Fail("после распаковки " + Number(produced) + " байт вместо " + Number(entry.size), &entry);
        if (crc != entry.crc) Fail("CRC-32 " + Hex32(crc) + " вместо " + Hex32(entry.crc), &entry);
        ++result_.entries;
        result_.bytes += produced;
    }

    void Inflate(const Entry& entry, unsigned long long& at, std::uint32_t& crc, unsigned long long& produced) {
        const unsigned long long end = entry.data + entry.packed;
        z_stream stream{};
        const char* noMemory = "не хватает памяти для распаковки";
        if (inflateInit2(&stream, -MAX_WBITS) != Z_OK) Fail(noMemory, &entry, ArchiveCheck::Outcome::NoMemory);
        struct Ender {
            z_stream* stream;
            ~Ender() { inflateEnd(stream); }
        } ender{&stream};
        for (int answer = Z_OK; answer != Z_STREAM_END;) {
            if (stream.avail_in == 0) {
                if (at == end) Fail("сжатые данные обрываются", &entry);
                stream.avail_in = static_cast<uInt>(NextChunk(at, end, entry));
                stream.next_in = chunk_.data();
            }
            stream.next_out = out_.data();
            stream.avail_out = static_cast<uInt>(out_.size());
            const uInt before = stream.avail_in;
            answer = inflate(&stream, Z_NO_FLUSH);
            // No input taken and nothing given: the data cannot go on (never a loop).
            if (answer == Z_BUF_ERROR && stream.avail_in == before && stream.avail_out == out_.size())
                Fail("сжатые данные повреждены", &entry);
            const std::size_t got = out_.size() - stream.avail_out;
            produced += got;
            if (produced > entry.size)
                Fail("распаковывается больше объявленных " + Number(entry.size) + " байт", &entry);
            crc = crc32(crc, out_.data(), static_cast<uInt>(got));
            if (answer == Z_MEM_ERROR) Fail(noMemory, &entry, ArchiveCheck::Outcome::NoMemory);
            if (answer != Z_OK && answer != Z_STREAM_END && answer != Z_BUF_ERROR)
                Fail(std::string("сжатые данные повреждены (") + (stream.msg ? std::string(stream.msg) : "zlib " + Number(answer)) +
                         ")",
                     &entry);
        }
        // Bytes after the stream's end within the compressed size are left unread, as unzip does.
    }

    ArchiveBytes& bytes_;
    const std::function<bool()>& timeUp_;
    const unsigned long long fileSize_;
    std::vector<unsigned char> chunk_, out_;
    unsigned long long endOffset_ = 0, directoryOffset_ = 0, directorySize_ = 0;
    std::size_t expectedEntries_ = 0;
    std::vector<Entry> entries_;
    ArchiveCheck result_;
};

}  // namespace

ArchiveCheck CheckArchive(ArchiveBytes& bytes, const std::function<bool()>& timeUp) {
    return Checker(bytes, timeUp).Run();
}
