#!/usr/bin/env bash
# Benchmark of the program's own cost beside the configurator's: builds a Release tree
# with the instrumented copy (build/bench), then runs bench_driver under Wine with a
# prefix and an X display of its own, and prints the machine and the table of figures,
# goals and results (also written as Markdown to build/bench/results.md).
# Usage: scripts/bench.sh [--quick] [--only poll,peer,typical,own,log,list,settings,crowd,memory,record]
# Not part of scripts/test.sh or CI; takes about eight minutes (--quick: three to four).
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build="$root/build/bench"
cd "$root"
[ -n "${CFGLOAD_SETUP_DONE:-}" ] || scripts/setup.sh; export CFGLOAD_SETUP_DONE=1
export CFGLOAD_WINEPREFIX="$build/wineprefix"
unset DISPLAY
source scripts/wine-env.sh
cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mingw-x86_64.cmake \
      -DCMAKE_BUILD_TYPE=Release -DCFGLOAD_PROFILE=ON -DCFGLOAD_PEERS_BITS="$CFGLOAD_MACHINE_BITS" >/dev/null
cmake --build "$build" -j 2 --target bench_driver
ensure_display
trap stop_started_xvfb EXIT
ensure_prefix

echo "machine: $(nproc) cores, $(sed -n 's/^model name\s*: //p' /proc/cpuinfo | head -1)," \
     "$(LC_ALL=C awk '/^MemTotal/ {printf "%.1f GiB", $2 / 1048576}' /proc/meminfo) memory, $(wine --version)," \
     "load $(cut -d' ' -f1-3 /proc/loadavg), $CFGLOAD_MACHINE_BITS-bit stand-in"
echo "commit: $(git -C "$root" rev-parse --short HEAD)$(git -C "$root" diff --quiet HEAD -- . 2>/dev/null || echo ' (with changes)')"
wine "$build/bench/bench_driver.exe" --markdown "$(winepath -w "$build/results.md")" "$@"
