// The unload archive's reader on small archives made here, whole and spoiled.
#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "run/unload_archive.h"
#include "tests/support/child_process.h"
#include "tests/support/files.h"

namespace {

void Put(std::string& out, std::uint64_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out += static_cast<char>(value >> (8 * i) & 0xFF);
}

struct Item {
    std::string name, data;
    int method = 8;             // 0 stored, 8 deflated, other: data stored under that number
    long sizeDelta = 0;         // added to the size both headers give
    std::string trailing = {};  // after the deflated stream, within the compressed size
    int descriptor = 0;         // after the data: 12 bytes, 16 with a signature; negative: a wrong CRC-32
};

// Four bytes that take the CRC-32 from `from` to `to`: the table's top bytes, all different,
// give away which entry each step took when the register is run backwards.
std::string CrcTo(std::uint32_t from, std::uint32_t to) {
    const z_crc_t* table = get_crc_table();
    unsigned char taken[4];
    std::uint32_t state = ~to;
    for (int k = 3; k >= 0; --k) {
        auto same = [&](z_crc_t entry) { return entry >> 24 == state >> 24; };
        taken[k] = static_cast<unsigned char>(std::find_if(table, table + 256, same) - table);
        state = (state ^ table[taken[k]]) << 8;
    }
    std::string bytes;
    state = ~from;
    for (int k = 0; k < 4; ++k) bytes += static_cast<char>((state ^ taken[k]) & 0xFF), state = state >> 8 ^ table[taken[k]];
    return bytes;
}

// Deflated data as a ZIP entry holds it: zlib's stream without its 2-byte header and its
// 4-byte Adler-32 trailer.
std::string Packed(const Item& item) {
    if (item.method != 8) return item.data + item.trailing;
    uLongf size = compressBound(static_cast<uLong>(item.data.size()));
    std::string out(size, '\0');
    compress2(reinterpret_cast<Bytef*>(out.data()), &size, reinterpret_cast<const Bytef*>(item.data.data()),
              static_cast<uLong>(item.data.size()), 9);
    return out.substr(2, size - 6) + item.trailing;
}

// An archive as zip writes one; local offsets may be overridden to make entries overlap;
// zip64Entries: ZIP64's end record with that number of entries, and its locator.
std::string Zip(const std::vector<Item>& items, const std::string& comment = {}, std::vector<long> offsets = {},
                int entriesField = -1, int zip64Entries = -1) {
    std::string archive, directory;
    for (std::size_t i = 0; i < items.size(); ++i) {
        const Item& item = items[i];
        const std::string packed = Packed(item);
        const auto crc = static_cast<std::uint32_t>(
            crc32(0, reinterpret_cast<const Bytef*>(item.data.data()), static_cast<uInt>(item.data.size())));
        std::string common;
        std::string sizes;
        Put(sizes, crc, 4), Put(sizes, packed.size(), 4), Put(sizes, item.data.size() + item.sizeDelta, 4);
        Put(common, 20, 2), Put(common, item.descriptor ? 8 : 0, 2), Put(common, item.method, 2), Put(common, 0, 4);
        common += sizes, Put(common, item.name.size(), 2);
        const long local = i < offsets.size() ? offsets[i] : static_cast<long>(archive.size());
        archive += "PK\x03\x04" + common + std::string(2, '\0') + item.name + packed;
        if (item.descriptor) {
            sizes[0] ^= item.descriptor < 0;
            archive += (std::abs(item.descriptor) == 16 ? "PK\x07\x08" : "") + sizes;
        }
        directory += "PK\x01\x02" + std::string("\x14\0", 2) + common + std::string(12, '\0');
        Put(directory, static_cast<std::uint32_t>(local), 4);
        directory += item.name;
    }
    const std::size_t at = archive.size();
    const std::uint32_t count = entriesField >= 0 ? entriesField : static_cast<std::uint32_t>(items.size());
    archive += directory;
    if (zip64Entries >= 0) {
        const std::size_t record = archive.size();
        archive += "PK\x06\x06", Put(archive, 44, 8), Put(archive, 45 * 0x10001, 4), Put(archive, 0, 8);
        Put(archive, zip64Entries, 8), Put(archive, zip64Entries, 8), Put(archive, directory.size(), 8), Put(archive, at, 8);
        archive += "PK\x06\x07", Put(archive, 0, 4), Put(archive, record, 8), Put(archive, 1, 4);
    }
    archive += "PK\x05\x06" + std::string(4, '\0');
    Put(archive, count, 2), Put(archive, count, 2);
    Put(archive, static_cast<std::uint32_t>(directory.size()), 4), Put(archive, static_cast<std::uint32_t>(at), 4);
    Put(archive, static_cast<std::uint32_t>(comment.size()), 2);
    return archive + comment;
}

// Every read within the archive and no larger than one piece.
class Watched : public MemoryBytes {
public:
    explicit Watched(const std::string& bytes)
        : MemoryBytes(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size()) {}
    bool Read(unsigned long long offset, unsigned char* buffer, std::size_t size) override {
        EXPECT_LE(offset + size, Size());
        largest = std::max(largest, size);
        return MemoryBytes::Read(offset, buffer, size);
    }
    std::size_t largest = 0;
};

ArchiveCheck Check(const std::string& archive, std::function<bool()> timeUp = [] { return false; }) {
    Watched bytes(archive);
    ArchiveCheck check = CheckArchive(bytes, timeUp);
    EXPECT_LE(bytes.largest, 22u + 0xFFFF);
    return check;
}

const std::string Text = [] {
    std::string text;
    for (int i = 0; i < 20000; ++i) text += "Документ " + std::to_string(i * 7919 % 1000) + ";\r\n";
    return text;
}();

}  // namespace

TEST(UnloadArchive, WholeArchiveIsReadBackEntryByEntry) {
    const ArchiveCheck check = Check(Zip({{"1cv7.md", Text}, {"1SBLOB.dbf", std::string(3000, '\x01'), 0}}, "comment"));
    EXPECT_EQ(check.outcome, ArchiveCheck::Outcome::Whole) << check.problem;
    EXPECT_EQ(check.entries, 2u);
    EXPECT_EQ(check.bytes, Text.size() + 3000);
}

TEST(UnloadArchive, SpoiledArchivesFailWithTheEntryAndTheProblem) {
    const std::string whole = Zip({{"1cv7.md", Text}, {"b.dbf", "bbbb", 0}});
    std::string flipped = whole;
    flipped[30 + 7 + 100] ^= 0x10;
    std::string otherCrc = whole;
    otherCrc[14] ^= 1;  // the local header's CRC-32 only
    struct Row {
        const char* what;
        std::string archive;
        const char* entry;
        const char* problem;  // the start of it
    };
    const Row rows[] = {
        {"empty", "", "", "файл короче"},
        {"truncated", whole.substr(0, whole.size() / 2), "", "конец оглавления не найден"},
        {"cut inside the directory", whole.substr(0, whole.size() - 30) + whole.substr(whole.size() - 22), "",
         "оглавление не там"},
        {"flipped byte", flipped, "1cv7.md", ""},
        {"local header differs", otherCrc, "1cv7.md", "локальный заголовок расходится с оглавлением: CRC-32"},
        {"size one more", Zip({{"1cv7.md", Text, 8, 1}}), "1cv7.md", "после распаковки"},
        {"inflates past its size", Zip({{"1cv7.md", Text, 8, -1}}), "1cv7.md", "распаковывается больше"},
        {"stored, size lies", Zip({{"a.txt", "abc", 0, 1}}), "a.txt", "запись без сжатия"},
        {"other method", Zip({{"a.bz2", "BZh9", 12}}), "a.bz2", "метод сжатия 12 (BZIP2)"},
        {"overlapping entries", Zip({{"a", "aaaa", 0}, {"a", "aaaa", 0}}, "", {0, 0}), "a", "пересекается с записью [a]"},
        {"ZIP64", Zip({{"a", "aaaa", 0}}, "", {}, 0xFFFF, 1), "", "архив в формате ZIP64"},
        {"65,535 entries said, one there", Zip({{"a", "aaaa", 0}}, "", {}, 0xFFFF), "", "оглавление повреждено: записи выходят"},
        {"ZIP64 end record disagrees", Zip({{"a", "aaaa", 0}}, "", {}, -1, 2), "", "конец оглавления ZIP64 расходится"},
        {"descriptor disagrees", Zip({{"a", "aaaa", 0, 0, "", -16}}), "a", "описатель данных расходится"},
        {"comment longer than the file", whole.substr(0, whole.size() - 2) + "\x10\x00", "", "конец оглавления не найден"},
        {"comment hides a false end", Zip({{"a", "aaaa", 0}}, std::string("PK\x05\x06", 4) + std::string(12, '\0') +
                                                                 std::string("\x99\x99\x00\x00\x00\x00", 6)),
         "", "оглавление не там"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        const ArchiveCheck check = Check(row.archive);
        EXPECT_EQ(check.outcome, ArchiveCheck::Outcome::Damaged);
        if (*row.entry) {
            EXPECT_EQ(check.entry, row.entry);
        }
        EXPECT_EQ(check.problem.rfind(row.problem, 0), 0u) << check.problem;
    }
}

// As unzip -t reads them: data descriptors after stored data, with and without a signature, also
// when the CRC-32 equals the signature; bytes after the deflated stream within its size; ZIP64's
// end record around a directory that needs none.
TEST(UnloadArchive, WholeAsUnzipReadsIt) {
    const std::string data = "data" + CrcTo(crc32(0, reinterpret_cast<const Bytef*>("data"), 4), 0x08074b50);
    ASSERT_EQ(crc32(0, reinterpret_cast<const Bytef*>(data.data()), 8), 0x08074b50u);
    for (const std::string& archive : {Zip({{"a", "aaaa", 0, 0, "", 12}, {"b", Text, 8, 0, "", 16}}),
                                       Zip({{"a", data, 0, 0, "", 12}, {"b", data, 0, 0, "", 16}}),
                                       Zip({{"1cv7.md", Text, 8, 0, "trailing bytes"}}, "", {}, -1, 1)}) {
        const ArchiveCheck check = Check(archive);
        EXPECT_EQ(check.outcome, ArchiveCheck::Outcome::Whole) << check.problem;
    }
}

// Archives that zip and Python's zipfile made on the build machine (tests/data/
// make_test_archives.sh): whole where unzip -t finds them whole, except those without data.
TEST(UnloadArchive, ToolsArchivesAsUnzipJudgesThem) {
    if (std::string(TEST_ARCHIVES_DIR).empty()) GTEST_SKIP() << "built without bash: no tool-made archives";
    std::istringstream verdicts(support::ReadWholeFile(WindowsPath(TEST_ARCHIVES_DIR "/verdicts.txt")));
    int archives = 0;
    for (std::string line; std::getline(verdicts, line); ++archives) {
        std::istringstream words(line);
        std::string name;
        int unzip = -1;
        ASSERT_TRUE(words >> name >> unzip) << line;
        SCOPED_TRACE(name + ", unzip -t exit code " + std::to_string(unzip));
        const ArchiveCheck check = Check(support::ReadWholeFile(WindowsPath(TEST_ARCHIVES_DIR "/" + name)));
        if (name.find("nodata") != std::string::npos)
            EXPECT_EQ(check.outcome, ArchiveCheck::Outcome::NoData);
        else
            EXPECT_EQ(check.outcome == ArchiveCheck::Outcome::Whole, unzip == 0) << check.problem;
    }
    EXPECT_GT(archives, 0) << "no verdicts from tests/data/make_test_archives.sh";
}

TEST(UnloadArchive, TimeUpEndsTheCheckAtItsNextRead) {
    int reads = 0;
    const ArchiveCheck check = Check(Zip({{"1cv7.md", Text + Text + Text}}), [&] { return ++reads > 2; });
    EXPECT_EQ(check.outcome, ArchiveCheck::Outcome::TimeUp);
    EXPECT_EQ(reads, 3);
}
