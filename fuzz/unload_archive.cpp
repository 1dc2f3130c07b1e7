// The unload archive's reader, on any bytes.
//
// What can be claimed: the reader never reads outside the archive nor more than one bounded
// piece at a time (the bytes below refuse and report both), ends with a whole archive or a
// stated problem (memory never fails to read, the clock never runs out here), a whole
// archive has data, and one without is told apart from a damaged one. Asked to stop, it stops at its next read with TimeUp, or
// has already found the problem that ends it.
#include <cstddef>
#include <cstdint>

#include "fuzz/fuzz_check.h"
#include "run/unload_archive.h"

namespace {

class WatchedBytes : public MemoryBytes {
public:
    using MemoryBytes::MemoryBytes;
    bool Read(unsigned long long offset, unsigned char* buffer, std::size_t size) override {
        Require(offset <= Size() && size <= Size() - offset, "a read within the archive");
        Require(size <= 22 + 0xFFFF, "a read of one bounded piece");
        ++reads;
        return MemoryBytes::Read(offset, buffer, size);
    }
    unsigned long reads = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    WatchedBytes bytes(data, size);
    const ArchiveCheck check = CheckArchive(bytes, [] { return false; });
    Require(check.outcome == ArchiveCheck::Outcome::Whole || check.outcome == ArchiveCheck::Outcome::Damaged ||
                check.outcome == ArchiveCheck::Outcome::NoData,
            "whole, damaged or without data");
    Require(check.outcome == ArchiveCheck::Outcome::Whole ? check.entries > 0 && check.bytes > 0 && check.problem.empty()
                                                          : !check.problem.empty(),
            "a whole archive has data, any other a problem");
    Require(check.outcome != ArchiveCheck::Outcome::NoData || check.bytes == 0, "no data: no bytes");

    // Stopped after half of the reads that the whole check made.
    WatchedBytes again(data, size);
    unsigned long allowed = bytes.reads / 2, asked = 0;
    const ArchiveCheck cut = CheckArchive(again, [&] { return ++asked > allowed; });
    if (bytes.reads > 0)
        Require(cut.outcome == ArchiveCheck::Outcome::TimeUp ||
                    (check.outcome == ArchiveCheck::Outcome::Damaged && cut.problem == check.problem),
                "a stopped check ends at once, or with the problem it had found");
    return 0;
}
