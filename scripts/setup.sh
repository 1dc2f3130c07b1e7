#!/usr/bin/env bash
# Installs what building and testing need on a Debian 12 machine, only what is missing,
# generates the ru_RU.UTF-8 locale into the build folder (no root needed for that part), and
# decides once whether this machine runs 32-bit programs (printed in one line, kept in
# build/machine-bits for the other scripts). CFGLOAD_64BIT_ONLY=1 makes it decide "no", to
# try the path of machines without 32-bit support on one that has it.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
source "$root/scripts/wine-env.sh"

packages=(cmake make g++-mingw-w64-x86-64 g++-mingw-w64-i686 wine wine64 xvfb xauth
          googletest locales binutils-mingw-w64-x86-64 zip unzip
          libz-mingw-w64-dev zlib1g-dev
          clang-14 libclang-rt-14-dev llvm-14)
sudo_cmd=""; [ "$(id -u)" -eq 0 ] || sudo_cmd="sudo"

installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }
# A mirror in the middle of a sync makes apt-get update fail for one list while the others
# are fine: go on, and let the install say whether what is needed could be had.
apt_update() {
  $sudo_cmd apt-get update -qq 2>/dev/null || echo "setup: apt-get update reported errors; trying with the lists it has"
}

missing=()
for p in "${packages[@]}"; do installed "$p" || missing+=("$p"); done
updated=""
if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  apt_update; updated=1
  DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -qq "${missing[@]}" >/dev/null
fi

# The configurator is a 32-bit program: where the kernel runs 32-bit programs, 32-bit Wine
# runs it (and the x86 build) beside the 64-bit one in the same prefix. Where it does not,
# neither the i386 architecture nor wine32 is added, and nothing is removed.
if [ -n "${CFGLOAD_64BIT_ONLY:-}" ]; then
  record_machine_bits 64 "CFGLOAD_64BIT_ONLY is set"
elif ! kernel_runs_32bit; then
  record_machine_bits 64 "the kernel refuses 32-bit programs"
elif installed wine32:i386; then
  record_machine_bits 32
elif [ -n "$(find "$machine_bits_file" -mmin -30 2>/dev/null)" ] && grep -q 'could not be installed' "$machine_bits_file"; then
  # Tried a moment ago (scripts call one another): not again within half an hour.
  read_machine_bits
  record_machine_bits 64 "$CFGLOAD_MACHINE_BITS_WHY"
else
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    $sudo_cmd dpkg --add-architecture i386
    updated=""
  fi
  [ -n "$updated" ] || apt_update
  echo "setup: installing wine32:i386"
  if DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -qq wine32:i386 >/dev/null 2>&1; then
    record_machine_bits 32
  else
    record_machine_bits 64 "the kernel runs them, but wine32:i386 could not be installed now"
  fi
fi

# Wine maps Cyrillic arguments and file names correctly only when the locale really exists.
locdir="$root/build/locale"
if [ ! -f "$locdir/ru_RU.UTF-8/LC_CTYPE" ]; then
  mkdir -p "$locdir"
  localedef -i ru_RU -f UTF-8 "$locdir/ru_RU.UTF-8" 2>/dev/null || true
  [ -f "$locdir/ru_RU.UTF-8/LC_CTYPE" ] || { echo "setup: could not generate ru_RU.UTF-8" >&2; exit 1; }
fi
