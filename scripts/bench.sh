#!/usr/bin/env bash
# Benchmark of the program's own cost beside the configurator's: builds a Release tree
# with the instrumented copy (build/bench), then runs bench_driver under Wine with a
# prefix and an X display of its own, and prints the machine and the table of figures,
# goals and results (also written as Markdown to build/bench/results.md).
# Usage: scripts/bench.sh [--quick] [--only poll,peer,typical,own,log,list,settings,crowd,memory,record,verify,prune]
# Not part of scripts/test.sh or CI; takes about eight minutes (--quick: three to four).
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
build="$root/build/bench"
[ -n "${CFGLOAD_SETUP_DONE:-}" ] || scripts/setup.sh; export CFGLOAD_SETUP_DONE=1
export CFGLOAD_WINEPREFIX="$build/wineprefix"
unset DISPLAY
source scripts/wine-env.sh
configure_own_x64_tree "$build" Release -DCFGLOAD_PROFILE=ON
cmake --build "$build" -j 2 --target bench_driver
ensure_display
trap stop_started_xvfb EXIT
ensure_prefix

echo "machine: $(nproc) cores, $(sed -n 's/^model name\s*: //p' /proc/cpuinfo | head -1)," \
     "$(LC_ALL=C awk '/^MemTotal/ {printf "%.1f GiB", $2 / 1048576}' /proc/meminfo) memory, $(wine --version)," \
     "load $(cut -d' ' -f1-3 /proc/loadavg), $CFGLOAD_MACHINE_BITS-bit stand-in"
echo "commit: $(git -C "$root" rev-parse --short HEAD)$(git -C "$root" diff --quiet HEAD -- . 2>/dev/null || echo ' (with changes)')"
wine "$build/bench/bench_driver.exe" --markdown "$(winepath -w "$build/results.md")" "$@"

# Reading a 200 MB unload archive back (VerifyUnload) beside unzip -t on the same file, in
# the same run, the file in the page cache for both; medians of alternating passes.
only=""; prev=""
for argument in "$@"; do [ "$prev" = "--only" ] && only=",$argument,"; prev=$argument; done
median() { printf '%s\n' "$@" | sort -n | awk '{a[NR]=$1} END {print a[int((NR + 1) / 2)]}'; }
if [ -z "$only" ] || [[ "$only" == *,verify,* ]]; then
  data="$build/verify"
  archive="$data/unload-200mb.zip"
  if [ ! -s "$archive" ]; then
    # Mixed content as an infobase folder holds it: incompressible blobs (zip stores them),
    # text, numbers and fixed-width records (deflated).
    rm -rf "$data" && mkdir -p "$data/in"
    head -c 105000000 /dev/urandom >"$data/in/1SBLOB.dbf"
    head -c 68000000 /dev/urandom | base64 -w 76 >"$data/in/1Stext.txt"
    seq 1 9000000 >"$data/in/numbers.txt"
    awk 'BEGIN { for (i = 1; i <= 700000; i++)
                   printf "RA%010d  Товар %-16d %012.2f %012.3f 20261209\n", i, i % 5000, i % 977 * 1.25, i % 31 }' \
      >"$data/in/RA.dbf"
    (cd "$data/in" && zip -q -r "$archive" .)
    rm -rf "$data/in"
  fi
  passes=$([[ " $* " == *" --quick "* ]] && echo 3 || echo 5)
  cat "$archive" >/dev/null
  unzip_ms=(); verify_ms=()
  for _ in $(seq 1 "$passes"); do
    start=$(date +%s%N); unzip -tqq "$archive" >/dev/null; end=$(date +%s%N)
    unzip_ms+=($(( (end - start) / 1000000 )))
    verify_ms+=($(wine "$build/bench/bench_unload_check.exe" "$(winepath -w "$archive")" 1 |
                  sed -n 's/^verify_ms=\([0-9]*\).*ok=1.*/\1/p' | tr -d '\r'))
  done
  u=$(median "${unzip_ms[@]}"); v=$(median "${verify_ms[@]}")
  size_mb=$(( $(stat -c %s "$archive") / 1000000 ))
  row=$(LC_ALL=C awk -v u="$u" -v v="$v" -v mb="$size_mb" 'BEGIN {
    printf "| Reading a %d MB unload archive back (VerifyUnload) vs unzip -t, same file | %.2fx (%d ms vs %d ms; %.0f MB/s vs %.0f MB/s) | <= 1.5x |", mb, v / u, v, u, mb * 1000 / v, mb * 1000 / u }')
  echo "verify: passes ${passes}: VerifyUnload ${verify_ms[*]} ms; unzip -t ${unzip_ms[*]} ms"
  echo "$row"
  echo "$row" >>"$build/results.md"
fi

# KeepUnloads over a folder of 5,000 files of which 1,000 are unloads of the pattern: /check's
# listing and the pruning (991 deletions), in the process, and a whole cfgload /check.
if [ -z "$only" ] || [[ "$only" == *,prune,* ]]; then
  passes=$([[ " $* " == *" --quick "* ]] && echo 3 || echo 5)
  figures=$(wine "$build/bench/bench_unload_pruning.exe" "$(winepath -w "$build/cfgload.exe")" "$passes" 2>&1 >/dev/null |
            tr -d '\r' | grep '^check_ms=')
  echo "$figures" | sed 's/^/prune: /'
  field() { awk -v key="$1" '{ for (i = 1; i <= NF; i++) { split($i, pair, "="); if (pair[1] == key) print pair[2] } }' <<<"$figures"; }
  c=$(median $(field check_ms)); p=$(median $(field prune_ms)); w=$(median $(field whole_check_ms))
  row=$(LC_ALL=C awk -v c="$c" -v p="$p" -v w="$w" -v n="$passes" 'BEGIN {
    printf "| KeepUnloads 10 over 5,000 files, 1,000 of the pattern: /check'"'"'s listing / the pruning (991 deletions) / a whole cfgload /check | %.0f ms / %.0f ms / %.0f ms (medians of %d) | < 1 s |", c, p, w, n }')
  [[ "$figures" == *ok=0* ]] && row="$row (a pass FAILED: see the prune lines)"
  echo "$row"
  echo "$row" >>"$build/results.md"
fi
