#!/usr/bin/env bash
# Builds the text code natively with clang's libFuzzer, AddressSanitizer and
# UndefinedBehaviorSanitizer (preset "fuzz"), checks the native code page tables, then runs
# every fuzz target for a bounded time from its seed corpus in fuzz/corpus/<target>/ (the
# seeds, crash inputs kept as regressions among them, are replayed first). Fails on any
# crash, sanitizer report, broken invariant or hang.
# Usage: scripts/fuzz.sh [seconds per target, default 20]
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
seconds=${1:-20}
[ -n "${CFGLOAD_SETUP_DONE:-}" ] || scripts/setup.sh; export CFGLOAD_SETUP_DONE=1
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j "$(nproc)" >/dev/null

build="$root/build/fuzz"
"$build/fuzz/code_page_check"

export ASAN_OPTIONS="${ASAN_OPTIONS:-abort_on_error=0}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1}"
symbolizer=/usr/lib/llvm-14/bin/llvm-symbolizer
[ -x "$symbolizer" ] && export ASAN_SYMBOLIZER_PATH="$symbolizer"

# Seeds for the unload archive's reader: archives as zip and Python's zipfile write them
# (deflated, stored, streamed with data descriptors, ZIP64 records from a pipe, empty entries,
# none), made anew on each run.
zip_seeds="$build/seeds/unload_archive"
tests/data/make_test_archives.sh "$zip_seeds" small

failed=0
for binary in "$build"/fuzz/fuzz_*; do
  name=${binary##*/fuzz_}
  # New inputs go to the build tree's working corpus; the seeds in the repository stay as they are.
  work="$build/work/$name"
  log="$build/logs/$name.log"
  mkdir -p "$work" "$build/logs" "$build/artifacts"
  seeds=()
  [ -d "fuzz/corpus/$name" ] && seeds=("fuzz/corpus/$name")
  [ -d "$build/seeds/$name" ] && seeds+=("$build/seeds/$name")
  if "$binary" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
       -artifact_prefix="$build/artifacts/$name-" "$work" "${seeds[@]}" >"$log" 2>&1; then
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
    echo "fuzz: $name: ${runs:-?} runs in ${seconds} s, no fault"
  else
    failed=1
    echo "fuzz: $name FAILED (log: $log)" >&2
    grep -E -A12 'invariant broken|ERROR: |runtime error|SUMMARY|Test unit written' "$log" | head -60 >&2 || tail -40 "$log" >&2
  fi
done
exit "$failed"
