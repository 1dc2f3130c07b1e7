#!/usr/bin/env bash
# Installs what building and testing need on a Debian 12 machine, only what is missing,
# and generates the ru_RU.UTF-8 locale into the build folder (no root needed for that part).
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

packages=(cmake make g++-mingw-w64-x86-64 g++-mingw-w64-i686 wine wine64 xvfb xauth
          googletest locales binutils-mingw-w64-x86-64 zip unzip
          libz-mingw-w64-dev zlib1g-dev
          clang-14 libclang-rt-14-dev llvm-14)
sudo_cmd=""; [ "$(id -u)" -eq 0 ] || sudo_cmd="sudo"
# The configurator is a 32-bit program: 32-bit Wine runs it (and the 32-bit build) beside
# the 64-bit one in the same prefix.
packages+=(wine32:i386)
new_architecture=""
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  $sudo_cmd dpkg --add-architecture i386
  new_architecture=1
fi
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ] || [ -n "$new_architecture" ]; then
  echo "setup: installing ${missing[*]}"
  $sudo_cmd apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -qq "${missing[@]}" >/dev/null
fi

# Wine maps Cyrillic arguments and file names correctly only when the locale really exists.
locdir="$root/build/locale"
if [ ! -f "$locdir/ru_RU.UTF-8/LC_CTYPE" ]; then
  mkdir -p "$locdir"
  localedef -i ru_RU -f UTF-8 "$locdir/ru_RU.UTF-8" 2>/dev/null || true
  [ -f "$locdir/ru_RU.UTF-8/LC_CTYPE" ] || { echo "setup: could not generate ru_RU.UTF-8" >&2; exit 1; }
fi
