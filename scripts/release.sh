#!/usr/bin/env bash
# Builds the release of cfgload.exe for x64 and x86 (Release, stripped, version resource
# and manifest, the win32 threading variant of mingw-w64), checks each against the list of
# functions it may import (scripts/check-imports.sh), and packs each with the README
# and the examples into dist/cfgload-<version>-<arch>.zip, with SHA256SUMS beside them.
# With --test, each executable taken out of its zip then passes the end-to-end tests.
set -euo pipefail
run_tests=""
[ "${1:-}" = "--test" ] && run_tests=1
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
[ -n "${CFGLOAD_SETUP_DONE:-}" ] || scripts/setup.sh; export CFGLOAD_SETUP_DONE=1

version=$(sed -n 's/^project(cfgload VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
[ -n "$version" ] || { echo "release: no version in CMakeLists.txt" >&2; exit 1; }

rm -rf dist
mkdir -p dist
for arch in x64 x86; do
  cmake --preset "release-$arch" >/dev/null
  cmake --build --preset "release-$arch" -j "$(nproc)" >/dev/null
  exe="build/release-$arch/cfgload.exe"
  # Only functions that Windows XP / Server 2003 already have, and headers they accept.
  scripts/check-imports.sh "$exe"
  case "$arch:$(x86_64-w64-mingw32-objdump -f "$exe" | sed -n 's/.*file format //p')" in
    x64:pei-x86-64|x86:pei-i386) ;;
    *) echo "release: $exe has the wrong format" >&2; exit 1 ;;
  esac
  imports=$(x86_64-w64-mingw32-objdump -p "$exe" | sed -n 's/^\s*DLL Name: //p' | tr 'A-Z' 'a-z')
  stage="build/release-$arch/package"
  rm -rf "$stage"
  mkdir -p "$stage"
  cp "$exe" README.md "$stage/"
  [ -d examples ] && cp -r examples "$stage/"
  zip="dist/cfgload-$version-$arch.zip"
  (cd "$stage" && zip -qr -X "$root/$zip" .)
  echo "release: $zip ($(stat -c %s "$exe") bytes executable; imports: $(echo $imports))"
done
(cd dist && sha256sum *.zip > SHA256SUMS)
cat dist/SHA256SUMS

if [ -n "$run_tests" ]; then
  source scripts/wine-env.sh
  ensure_display
  trap 'release_wineserver; stop_started_xvfb' EXIT
  ensure_prefix
  hold_wineserver
  arches=(x64 x86)
  if [ "$CFGLOAD_MACHINE_BITS" = 64 ]; then
    arches=(x64)
    echo "release: not run: the x86 executable's tests (32-bit programs cannot run on this machine: $CFGLOAD_MACHINE_BITS_WHY)"
  fi
  for arch in "${arches[@]}"; do
    unpacked="$root/build/release-$arch/unpacked"
    rm -rf "$unpacked"
    mkdir -p "$unpacked"
    (cd "$unpacked" && unzip -q "$root/dist/cfgload-$version-$arch.zip")
    cmake --preset "$arch" -DCFGLOAD_PEERS_BITS="$CFGLOAD_MACHINE_BITS" >/dev/null
    cmake --build --preset "$arch" -j "$(nproc)" --target e2e_tests >/dev/null
    export CFGLOAD_EXE_UNDER_TEST="Z:${unpacked//\//\\}\\cfgload.exe"
    echo "release: end-to-end tests of $CFGLOAD_EXE_UNDER_TEST"
    ctest --preset "$arch" -j 6 --output-on-failure --repeat until-pass:2 \
          -R '^(RunScenario|Faults|HostileInput|SecretsRun|TypicalRun|HarnessRun)\.'
  done
fi
