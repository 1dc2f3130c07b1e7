// The benchmark's baseline: a trivial Windows console program. Whatever Wine costs every
// process (start, its own threads, its memory) this program costs too, so the figures of
// cfgload.exe are taken against it.
//   bench_baseline                  returns at once
//   bench_baseline sleep <ms> ...   sleeps that long (further arguments only mark the process)
#include <windows.h>

#include <cstdlib>
#include <cstring>

int main(int argc, char** argv) {
    if (argc >= 3 && std::strcmp(argv[1], "sleep") == 0) Sleep(static_cast<DWORD>(std::strtoul(argv[2], nullptr, 10)));
    return 0;
}
