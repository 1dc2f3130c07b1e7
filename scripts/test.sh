#!/usr/bin/env bash
# Builds everything and runs all tests under Wine. Usage: scripts/test.sh [ctest arguments]
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
scripts/setup.sh
jobs=$(nproc)
cmake --preset x64 >/dev/null
cmake --build --preset x64 -j "$jobs"
# The 32-bit program must at least compile (there is no 32-bit Wine to run it).
cmake --preset x86 >/dev/null
cmake --build --preset x86 -j "$jobs" --target cfgload

# The text code natively under libFuzzer and the sanitizers, about 20 s per target
# (CFGLOAD_SKIP_FUZZ=1 leaves it out while working on something else).
[ -n "${CFGLOAD_SKIP_FUZZ:-}" ] || scripts/fuzz.sh

source scripts/wine-env.sh
ensure_display
trap 'release_wineserver; stop_started_xvfb' EXIT
ensure_prefix
hold_wineserver
# Tests labelled "long" (each waits out a ten-minute search) are left out unless labels are
# asked for: scripts/test.sh -L long runs just them, side by side.
labels=(-LE long)
for argument in "$@"; do
  case "$argument" in
    -LE*|--label-exclude*) ;;
    -L*|--label-regex*) labels=() ;;
  esac
done
# Most tests sleep on the configurator's pauses, so more of them than cores may run at once.
# ctest comes last, so that the run ends with its summary.
# A test is tried a second time after a failure: on this two-core machine Wine now and then
# fails to start a process under load. The failed attempt's output stays in the log.
ctest --preset x64 -j 6 --output-on-failure --repeat until-pass:2 "${labels[@]}" "$@"
