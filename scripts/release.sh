#!/usr/bin/env bash
# Builds the release of cfgload.exe for x64 and x86 (Release, stripped, version resource
# and manifest), checks that each imports only system DLLs, and packs each with the README
# and the examples into dist/cfgload-<version>-<arch>.zip, with SHA256SUMS beside them.
# With --test, the x64 executable taken out of its zip then passes the end-to-end tests.
set -euo pipefail
run_tests=""
[ "${1:-}" = "--test" ] && run_tests=1
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
scripts/setup.sh

version=$(sed -n 's/^project(cfgload VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
[ -n "$version" ] || { echo "release: no version in CMakeLists.txt" >&2; exit 1; }
allowed='^(kernel32|user32|advapi32|msvcrt)\.dll$'

rm -rf dist
mkdir -p dist
for arch in x64 x86; do
  cmake --preset "release-$arch" >/dev/null
  cmake --build --preset "release-$arch" -j "$(nproc)" >/dev/null
  exe="build/release-$arch/cfgload.exe"
  objdump=x86_64-w64-mingw32-objdump
  # Only system DLLs: KERNEL32, USER32, ADVAPI32 and the C runtime.
  imports=$($objdump -p "$exe" | sed -n 's/^\s*DLL Name: //p' | tr 'A-Z' 'a-z')
  for dll in $imports; do
    [[ "$dll" =~ $allowed ]] || { echo "release: $exe imports $dll" >&2; exit 1; }
  done
  format=$($objdump -f "$exe" | sed -n 's/.*file format //p')
  case "$arch:$format" in
    x64:pei-x86-64|x86:pei-i386) ;;
    *) echo "release: $exe has format $format" >&2; exit 1 ;;
  esac
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
  unpacked="$root/build/release-x64/unpacked"
  rm -rf "$unpacked"
  mkdir -p "$unpacked"
  (cd "$unpacked" && unzip -q "$root/dist/cfgload-$version-x64.zip")
  cmake --preset x64 >/dev/null
  cmake --build --preset x64 -j "$(nproc)" --target e2e_tests >/dev/null
  source scripts/wine-env.sh
  ensure_display
  trap 'release_wineserver; stop_started_xvfb' EXIT
  ensure_prefix
  hold_wineserver
  export CFGLOAD_EXE_UNDER_TEST="Z:${unpacked//\//\\}\\cfgload.exe"
  echo "release: end-to-end tests of $CFGLOAD_EXE_UNDER_TEST"
  ctest --preset x64 -j 6 --output-on-failure --repeat until-pass:2 \
        -R '^(RunScenario|Faults|HostileInput|SecretsRun|TypicalRun|HarnessRun)\.'
fi
