#!/usr/bin/env bash
# Builds everything and runs all tests under Wine, for both builds of the program: the x64
# one and the x86 one, each driving the 32-bit stand-in configurator (as the real configurator
# is 32-bit). On a machine that cannot run 32-bit programs (scripts/setup.sh decides), the x64
# build's tests run against a 64-bit stand-in and the x86 build is built, not run.
# Usage: scripts/test.sh [ctest arguments, given to every run]
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
# The set-up runs once per run: scripts called from this one skip it (and its line).
[ -n "${CFGLOAD_SETUP_DONE:-}" ] || scripts/setup.sh; export CFGLOAD_SETUP_DONE=1
source scripts/wine-env.sh
jobs=$(nproc)
for arch in x64 x86; do
  cmake --preset "$arch" -DCFGLOAD_PEERS_BITS="$CFGLOAD_MACHINE_BITS" >/dev/null
  cmake --build --preset "$arch" -j "$jobs"
done

# The executables as released: nothing imported that Windows XP / Server 2003 lack.
for arch in x64 x86; do
  cmake --preset "release-$arch" >/dev/null
  cmake --build --preset "release-$arch" -j "$jobs" >/dev/null
done
scripts/check-imports.sh build/release-x64/cfgload.exe build/release-x86/cfgload.exe

# A second compiler over the same sources: clang for the mingw-w64 target, every warning an
# error (built, not tested).
cmake --preset clang-x64 >/dev/null
cmake --build --preset clang-x64 -j "$jobs" >/dev/null

# The text code natively under libFuzzer and the sanitizers, about 20 s per target
# (CFGLOAD_SKIP_FUZZ=1 leaves it out while working on something else).
[ -n "${CFGLOAD_SKIP_FUZZ:-}" ] || scripts/fuzz.sh

ensure_display
trap 'release_wineserver; stop_started_xvfb' EXIT
ensure_prefix
hold_wineserver

# The suites this machine can run: both where 32-bit programs run, else the x64 one alone.
arches=(x64 x86)
not_run=""
if [ "$CFGLOAD_MACHINE_BITS" = 64 ]; then
  arches=(x64)
  why="32-bit programs cannot run on this machine: $CFGLOAD_MACHINE_BITS_WHY"
  # A kernel that runs them but a package source that could not give wine32 is said as such.
  case "$CFGLOAD_MACHINE_BITS_WHY" in the\ kernel\ runs\ them*) why=$CFGLOAD_MACHINE_BITS_WHY ;; esac
  not_run="test: not run: the x86 build's tests, and the x64 build against the 32-bit stand-in ($why); the x86 build was built only"
else
  # Without 32-bit Wine, Wine "runs" a 32-bit program by printing a hint and exiting 0: make
  # sure a 32-bit program really runs before its tests are believed.
  probe=$(timeout 60 wine build/x86/cfgload.exe /code 32 2>/dev/null || true)
  if [ -z "$probe" ]; then
    echo "test: 32-bit programs do not run under this Wine (is wine32 installed?)" >&2
    exit 1
  fi
fi

# Tests labelled "long" (each waits out a ten-minute search) are left out unless labels are
# asked for: scripts/test.sh -L long runs just them, side by side.
labels=(-LE long)
for argument in "$@"; do
  case "$argument" in
    -LE*|--label-exclude*) ;;
    -L*|--label-regex*) labels=() ;;
  esac
done

# Both runs at once: most tests sleep on the configurator's pauses, so more of them than
# cores may run together. A test is tried a second time after a failure: on this two-core
# machine Wine now and then fails to start a process under load (the failed attempt's output
# stays in the log). Each run's log is shown whole, x64 first; the last line sums up all.
logs="$root/build/test-logs"
mkdir -p "$logs"
pids=()
for arch in "${arches[@]}"; do
  ctest --preset "$arch" -j 4 --output-on-failure --no-tests=error --repeat until-pass:2 "${labels[@]}" "$@" \
        >"$logs/$arch.log" 2>&1 &
  pids+=($!)
done
status=0
for pid in "${pids[@]}"; do wait "$pid" || status=1; done
passed=0; failed=0; counts=()
for arch in "${arches[@]}"; do
  echo "===== $arch: cfgload.exe ($arch) against the $CFGLOAD_MACHINE_BITS-bit stand-in ====="
  cat "$logs/$arch.log"
  # "100% tests passed, 0 tests failed out of 351"
  summary=$(grep -E '^[0-9]+% tests passed, [0-9]+ tests? failed out of [0-9]+' "$logs/$arch.log" | tail -1 || true)
  if [ -z "$summary" ]; then
    echo "test: the $arch run gave no summary" >&2
    status=1
    counts+=(0)
    continue
  fi
  total=$(sed -E 's/.* out of ([0-9]+).*/\1/' <<<"$summary")
  bad=$(sed -E 's/.* ([0-9]+) tests? failed.*/\1/' <<<"$summary")
  passed=$((passed + total - bad)); failed=$((failed + bad)); counts+=("$total")
done
# The same test sources are built twice: a build whose tests did not all run has failed.
if [ ${#counts[@]} -eq 2 ] && [ "${counts[0]}" != "${counts[1]}" ]; then
  echo "test: x64 ran ${counts[0]} tests, x86 ${counts[1]}" >&2
  status=1
fi
[ -z "$not_run" ] || echo "$not_run"
echo "$(IFS=+; echo "${arches[*]}"): $passed passed, $failed failed"
exit $status
