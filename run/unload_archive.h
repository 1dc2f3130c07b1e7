#pragma once
// Reads a ZIP archive back as a whole: its central directory, every entry's local header
// against it, every entry decompressed (stored or deflated) with its size and CRC-32
// compared. Text-only code: the archive's bytes come through ArchiveBytes (a file, or memory
// in the tests and the fuzz target), read in bounded chunks. Problems are Windows-1251 text.

#include <cstddef>
#include <functional>
#include <string>

// Where the archive's bytes come from.
class ArchiveBytes {
public:
    virtual ~ArchiveBytes() = default;
    virtual unsigned long long Size() const = 0;
    // Exactly size bytes from offset (never past Size()); false when they cannot be read.
    virtual bool Read(unsigned long long offset, unsigned char* buffer, std::size_t size) = 0;
};

// Bytes already in memory.
class MemoryBytes : public ArchiveBytes {
public:
    MemoryBytes(const unsigned char* data, std::size_t size) : data_(data), size_(size) {}
    unsigned long long Size() const override { return size_; }
    bool Read(unsigned long long offset, unsigned char* buffer, std::size_t size) override;

private:
    const unsigned char* data_;
    std::size_t size_;
};

struct ArchiveCheck {
    // NoData: whole, but without entries or with empty ones only: no backup. NoMemory: the
    // check could not have the memory it needs.
    enum class Outcome { Whole, Damaged, ReadFailed, TimeUp, NoData, NoMemory };
    Outcome outcome = Outcome::Whole;
    std::string entry;    // the entry at fault, as far as it is printable; empty: the archive itself
    std::string problem;  // what is wrong (all but Whole), or where the reading failed (ReadFailed)
    unsigned long entries = 0;        // entries decompressed and found whole
    unsigned long long bytes = 0;     // their bytes after decompression
};

// The largest piece read at once, and the piece that decompression writes into.
constexpr std::size_t ArchiveChunkSize = 64 * 1024;

// timeUp is asked before each chunk; once it answers true the check ends with TimeUp. No
// exception leaves it: memory that cannot be had ends it with NoMemory.
ArchiveCheck CheckArchive(ArchiveBytes& bytes, const std::function<bool()>& timeUp);
