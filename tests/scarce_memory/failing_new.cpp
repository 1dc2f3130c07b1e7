// Linked into cfgload_scarce_memory.exe only (never into cfgload.exe): every allocation of
// 64 KiB or more fails, as the copies of a large window's pixels can fail in a 32-bit
// process whose address space is used up.
#include <cstdlib>
#include <new>

namespace {
constexpr std::size_t LargestGranted = 64 * 1024;
}

void* operator new(std::size_t size) {
    if (size >= LargestGranted) throw std::bad_alloc();
    if (void* memory = std::malloc(size ? size : 1)) return memory;
    throw std::bad_alloc();
}

void operator delete(void* memory) noexcept { std::free(memory); }
void operator delete(void* memory, std::size_t) noexcept { std::free(memory); }
