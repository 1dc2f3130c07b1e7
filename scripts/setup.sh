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
# A fresh machine's daily upgrade job may hold the dpkg lock for minutes: wait for it.
apt_options=(-o DPkg::Lock::Timeout=300)
apt_log="$root/build/apt.log"
mkdir -p "$root/build"

installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }

# Runs apt-get quietly; on failure shows apt's own last words (and says so when an interrupted
# dpkg must be finished first), then returns apt's exit code.
apt_get() {
  local code=0
  DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get "${apt_options[@]}" "$@" >"$apt_log" 2>&1 || code=$?
  if [ "$code" -ne 0 ]; then
    echo "setup: apt-get $* failed (exit $code); apt said:" >&2
    grep -E '^(E|W): ' "$apt_log" | tail -8 | sed 's/^/  /' >&2 || true
    grep -q 'dpkg --configure -a' "$apt_log" &&
      echo "setup: an earlier dpkg run was interrupted: run \`${sudo_cmd:+sudo }dpkg --configure -a\`, then the set-up again" >&2
  fi
  return "$code"
}

# A mirror in the middle of a sync makes apt-get update fail for one list while the others
# are fine: go on, and let the install say whether what is needed could be had.
apt_update() {
  apt_get update -qq || echo "setup: apt-get update reported errors (shown above); trying with the lists it has"
}

# A preferences folder that leaves the security suite out, for one apt command at a time
# (-o Dir::Etc::preferencesparts=...): nothing is written under /etc/apt.
without_security_suite() {
  local codename folder
  codename=$(. /etc/os-release && echo "${VERSION_CODENAME:-}")
  [ -n "$codename" ] || return 1
  folder="$root/build/apt-without-security"
  mkdir -p "$folder"
  printf 'Package: *\nPin: release n=%s-security\nPin-Priority: -1\n' "$codename" >"$folder/no-security.pref"
  security_suite="$codename-security"
  pin=(-o "Dir::Etc::preferencesparts=$folder")
}

missing=()
for p in "${packages[@]}"; do installed "$p" || missing+=("$p"); done
updated=""
if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  apt_update; updated=1
  if ! apt_get install -y -qq "${missing[@]}"; then
    # Where wine32 came without the security suite, its libraries stand at the main suite's
    # versions, and a package from the security suite may clash with them.
    installed wine32:i386 && without_security_suite || exit 1
    echo "setup: trying once more without the $security_suite suite"
    apt_get "${pin[@]}" install -y -qq --no-remove "${missing[@]}"
  fi
fi

# When the security suite's i386 list cannot be had, amd64 libraries may stand at a security
# version that no i386 twin has, and Multi-Arch: same twins must carry one version. One
# transaction leaves the security suite out (for that command only, nothing written under
# /etc/apt) and names those amd64 libraries at the i386 version. Prints what it moved back.
install_wine32_without_security_suite() {
  without_security_suite || return 1
  # The i386 packages wine32 needs, their installed Multi-Arch: same amd64 twins, and the
  # version each i386 package has outside the security suite.
  local needed twins named=() p have want
  needed=$(apt-cache "${pin[@]}" depends --recurse --no-suggests --no-conflicts --no-breaks \
             --no-replaces --no-enhances wine32:i386 2>/dev/null | grep -E '^[^ <].*:i386$' | sort -u)
  twins=$(sed 's/:i386$//' <<<"$needed" | xargs -r dpkg-query -W -f '${Package} ${Version} ${Multi-Arch} ${db:Status-Abbrev}\n' 2>/dev/null |
          awk '$3 == "same" && $4 ~ /^ii/ { print $1, $2 }' | sort)
  while read -r p have want; do
    [ -n "$want" ] && [ "$want" != "(none)" ] || continue
    dpkg --compare-versions "$have" gt "$want" && named+=("$p:amd64=$want")
  done < <(join <(echo "$twins") <(awk '{ print $1 ":i386" }' <<<"$twins" | xargs -r apt-cache "${pin[@]}" policy 2>/dev/null |
                 awk '/^[^ ].*:$/ { p = $1; sub(/:i386:$/, "", p) } /Candidate:/ { print p, $2 }' | sort))
  # Packages built from the same source at the same version depend on one another at the
  # exact version (python3.11 on libpython3.11-stdlib, zlib1g-dev on zlib1g): they go back
  # to the same version with the named ones.
  local targets siblings kept=() clashing=("${named[@]}")
  targets=$(for p in "${named[@]}"; do
              printf '%s %s\n' "$(dpkg-query -W -f '${source:Package} ${Version}' "${p%%=*}")" "${p#*=}"
            done)
  siblings=$(dpkg-query -W -f '${db:Status-Abbrev} ${Package}:${Architecture} ${source:Package} ${Version}\n' |
             awk 'NR == FNR { to[$1 " " $2] = $3; next }
                  $1 ~ /^ii/ && $2 !~ /:i386$/ && ($3 " " $4) in to { print $2 "=" to[$3 " " $4] }' <(echo "$targets") - |
             grep -vxF -f <(printf '%s\n' "${named[@]}") || true)
  if [ -n "$siblings" ]; then
    named+=($siblings); kept+=($siblings)
  fi
  # Any other installed package that apt would remove for them is named too, at its version
  # outside the security suite. Nothing is ever removed: should apt still want to, the
  # transaction fails instead.
  local round removed more
  for round in 1 2 3 4 5; do
    removed=$(apt-get "${pin[@]}" install -s --allow-downgrades wine32:i386 "${named[@]}" 2>/dev/null |
              awk '/^Remv / { print $2 }')
    [ -n "$removed" ] || break
    more=$(xargs -r apt-cache "${pin[@]}" policy <<<"$removed" 2>/dev/null |
           awk '/^[^ ].*:$/ { p = $1; sub(/:$/, "", p) } /Candidate:/ && $2 != "(none)" { print p "=" $2 }')
    [ -n "$more" ] || break
    named+=($more); kept+=($more)
  done
  local code=0
  apt_get "${pin[@]}" install -y -qq --no-remove --allow-downgrades wine32:i386 "${named[@]}" || code=$?
  [ "$code" -eq 0 ] || return 1
  echo "setup: installed wine32:i386 without the $security_suite suite (its i386 list could not be had); moved back to the i386 version: ${clashing[*]:-none}${kept[*]:+; with them, as they need them at one version: ${kept[*]}}"
}

# The configurator is a 32-bit program: where the kernel runs 32-bit programs, 32-bit Wine
# runs it (and the x86 build) beside the 64-bit one in the same prefix. Where it does not,
# neither the i386 architecture nor wine32 is added, and nothing is removed.
not_installable="the kernel runs them, but wine32:i386 could not be installed from this machine's package source (a fault of the package source, not of the project)"
if [ -n "${CFGLOAD_64BIT_ONLY:-}" ]; then
  record_machine_bits 64 "CFGLOAD_64BIT_ONLY is set"
elif ! kernel_runs_32bit; then
  record_machine_bits 64 "the kernel refuses 32-bit programs"
elif installed wine32:i386; then
  record_machine_bits 32
elif failed_install_is_recent; then
  # Tried a moment ago (scripts call one another): not again within half an hour of that try.
  echo "setup: 32-bit programs cannot run on this machine ($CFGLOAD_MACHINE_BITS_WHY): the x64 build is tested against a 64-bit stand-in; the x86 build is built, not run"
else
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    $sudo_cmd dpkg --add-architecture i386
    updated=""
  fi
  [ -n "$updated" ] || apt_update
  echo "setup: installing wine32:i386"
  if apt_get install -y -qq wine32:i386; then
    record_machine_bits 32
  else
    echo "setup: the plain install of wine32:i386 failed; trying once more without the security suite"
    if install_wine32_without_security_suite; then
      record_machine_bits 32
    else
      record_machine_bits 64 "$not_installable" "$(date +%s)"
    fi
  fi
fi

# Wine maps Cyrillic arguments and file names correctly only when the locale really exists.
locdir="$root/build/locale"
if [ ! -f "$locdir/ru_RU.UTF-8/LC_CTYPE" ]; then
  mkdir -p "$locdir"
  localedef -i ru_RU -f UTF-8 "$locdir/ru_RU.UTF-8" 2>/dev/null || true
  [ -f "$locdir/ru_RU.UTF-8/LC_CTYPE" ] || { echo "setup: could not generate ru_RU.UTF-8" >&2; exit 1; }
fi
