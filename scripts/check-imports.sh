#!/usr/bin/env bash
# Checks that each executable imports only functions of resources/allowed-imports.txt (all
# present from Windows XP / Server 2003 on) and carries PE header versions that those systems
# accept. Usage: scripts/check-imports.sh EXE...
set -euo pipefail
# objdump's report is read below: in its own words, whatever locale the caller runs in.
export LC_ALL=C
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
allowed="$root/resources/allowed-imports.txt"
objdump=x86_64-w64-mingw32-objdump
status=0
for exe in "$@"; do
  dump=$($objdump -p "$exe")
  # "dll function" for every import by name; an import by ordinal alone counts as unknown.
  imports=$(awk '/DLL Name:/ {dll = tolower($3); next}
                 /^[[:space:]]*$/ {dll = ""}
                 dll && $1 ~ /^[0-9a-f]+$/ && NF == 3 {print dll " " $3}
                 dll && $1 ~ /^[0-9a-f]+$/ && NF == 2 {print dll " #ordinal" $2}' <<<"$dump" | sort -u)
  [ -n "$imports" ] || { echo "check-imports: $exe: no imports read" >&2; status=1; continue; }
  unknown=$(grep -v '^#' "$allowed" | sort -u | comm -13 - <(echo "$imports"))
  if [ -n "$unknown" ]; then
    echo "check-imports: $exe imports what is not in resources/allowed-imports.txt:" >&2
    sed 's/^/  /' <<<"$unknown" >&2
    status=1
  fi
  # Windows XP is 5.1, XP x64 and Server 2003 are 5.2: the headers may ask for no more.
  case $($objdump -f "$exe" | sed -n 's/.*file format //p') in
    pei-i386) most=501 ;;
    pei-x86-64) most=502 ;;
    *) echo "check-imports: $exe is no Windows executable" >&2; status=1; continue ;;
  esac
  for field in OSystem Subsystem; do
    major=$(sed -n "s/^Major${field}Version[[:space:]]*//p" <<<"$dump")
    minor=$(sed -n "s/^Minor${field}Version[[:space:]]*//p" <<<"$dump")
    if [ $((major * 100 + minor)) -gt "$most" ]; then
      echo "check-imports: $exe asks for ${field} version $major.$minor" >&2
      status=1
    fi
  done
done
exit $status
