# Sourced by the Wine scripts: one private prefix per checkout, quiet Wine, Russian locale
# (ANSI code page 1251, OEM code page 866), and the one place that knows which Wine loader to
# start and whether this machine runs 32-bit programs.
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export WINEPREFIX="${CFGLOAD_WINEPREFIX:-$root/build/wineprefix}"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
export LOCPATH="$root/build/locale"
# (bash itself may not know the locale: keep its warning off the output)
{ export LC_ALL=ru_RU.UTF-8; } 2>/dev/null

# Whether this machine runs 32-bit programs is decided once by scripts/setup.sh
# (decide_machine_bits) and kept here: "32" or "64", then the reason on the same line.
machine_bits_file="$root/build/machine-bits"

# True when the kernel runs a 32-bit Linux program: 97 bytes of ELF whose code is
# xor ebx,ebx; xor eax,eax; inc eax; int 0x80 (exit 0). A kernel without 32-bit support
# answers "Exec format error". The file lies in the build folder (/tmp may be mounted noexec),
# one per process, so that scripts started side by side never run a file another is writing.
kernel_runs_32bit() {
  mkdir -p "$root/build"
  local probe="$root/build/.probe-elf32.$$" code=0
  printf '\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00\x01\x00\x00\x00\x54\x80\x04\x08\x34\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x34\x00\x20\x00\x01\x00\x00\x00\x00\x00\x00\x00\x01\x00\x00\x00\x00\x00\x00\x00\x00\x80\x04\x08\x00\x80\x04\x08\x60\x00\x00\x00\x60\x00\x00\x00\x05\x00\x00\x00\x00\x10\x00\x00\x31\xdb\x31\xc0\x40\xcd\x80\x00\x00\x00\x00\x00\x00' >"$probe"
  chmod +x "$probe"
  timeout 10 "$probe" 2>/dev/null || code=$?
  rm -f "$probe"
  return "$code"
}

# Writes the decision and prints it in one line. $1: 32 or 64, $2: why (for 64), $3: for a
# failed install of wine32, when it was tried (seconds since 1970), kept as it was so that
# later scripts try again half an hour after the attempt, however often they run.
record_machine_bits() {
  mkdir -p "$root/build"
  printf '%s %s\n' "$1" "${2:-}" >"$machine_bits_file"
  [ -z "${3:-}" ] || printf 'attempted %s\n' "$3" >>"$machine_bits_file"
  if [ "$1" = 32 ]; then
    echo "setup: this machine runs 32-bit programs: the x64 and x86 builds are tested against the 32-bit stand-in"
  else
    echo "setup: 32-bit programs cannot run on this machine ($2): the x64 build is tested against a 64-bit stand-in; the x86 build is built, not run"
  fi
}

# True when the decision on file is a failed install of wine32 tried less than half an hour
# ago (and loads that decision).
failed_install_is_recent() {
  local attempted
  attempted=$(sed -n 's/^attempted \([0-9][0-9]*\)$/\1/p' "$machine_bits_file" 2>/dev/null | head -1)
  [ -n "$attempted" ] && [ $(( $(date +%s) - attempted )) -lt 1800 ] || return 1
  read_machine_bits
  [ "$CFGLOAD_MACHINE_BITS" = 64 ]
}

# CFGLOAD_MACHINE_BITS (32 or 64) and CFGLOAD_MACHINE_BITS_WHY, from the set-up's decision
# (made now from the kernel alone when the set-up has not run yet).
read_machine_bits() {
  local line=""
  [ -f "$machine_bits_file" ] && line=$(head -1 "$machine_bits_file")
  if [ -z "$line" ]; then
    if [ -z "${CFGLOAD_64BIT_ONLY:-}" ] && kernel_runs_32bit; then line="32"
    else line="64 the kernel refuses 32-bit programs"; fi
  fi
  CFGLOAD_MACHINE_BITS=${line%% *}
  CFGLOAD_MACHINE_BITS_WHY=""
  [ "$line" = "${line#* }" ] || CFGLOAD_MACHINE_BITS_WHY=${line#* }
}
read_machine_bits

# Debian's wine launcher starts the 32-bit loader whenever wine32 is installed, and a kernel
# without 32-bit support refuses it (exit 126) even for 64-bit programs: there, every Wine
# program is started with the 64-bit loader itself.
# wine_program is the loader as a command that `timeout` can start.
wine_program=wine
if [ "$CFGLOAD_MACHINE_BITS" = 64 ] && [ -x /usr/lib/wine/wine64 ]; then
  export WINELOADER=/usr/lib/wine/wine64
  wine_program=/usr/lib/wine/wine64
  wine() { /usr/lib/wine/wine64 "$@"; }
  wineboot() { /usr/lib/wine/wine64 wineboot "$@"; }
  winepath() { /usr/lib/wine/wine64 winepath "$@"; }
fi

# The one plain line when Wine itself fails, with what to do.
wine_failed() {
  echo "wine-env: $1. Run scripts/setup.sh, check that \`wine --version\` works, and if the prefix is damaged remove $WINEPREFIX and run again." >&2
}

# Starts Xvfb on a free display when none is set; sets started_xvfb_pid.
started_xvfb_pid=""
ensure_display() {
  [ -n "${DISPLAY:-}" ] && return 0
  local n
  for n in $(seq 90 140); do
    [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] && continue
    Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
    started_xvfb_pid=$!
    local i
    for i in $(seq 1 50); do
      [ -e "/tmp/.X11-unix/X$n" ] && { export DISPLAY=":$n"; return 0; }
      kill -0 "$started_xvfb_pid" 2>/dev/null || break
      sleep 0.1
    done
    kill "$started_xvfb_pid" 2>/dev/null || true
    started_xvfb_pid=""
  done
  echo "wine-env: could not start Xvfb (is the xvfb package installed? scripts/setup.sh installs it)" >&2
  return 1
}

stop_started_xvfb() {
  [ -n "$started_xvfb_pid" ] || return 0
  # The prefix's wineserver and desktop outlive the program by a few seconds and are tied
  # to this display: let them end before the display goes (bounded: a held server never ends).
  timeout 30 wineserver -w 2>/dev/null || true
  kill "$started_xvfb_pid" 2>/dev/null || true
  started_xvfb_pid=""
}

# Creates the prefix once (under a lock, as several tests may start together). On a machine
# that runs 32-bit programs, a prefix made before 32-bit Wine was installed lacks its 32-bit
# system folder: it is upgraded, once. A prefix made by 64-bit-only Wine is complete as it is.
ensure_prefix() {
  mkdir -p "$(dirname "$WINEPREFIX")"
  (
    flock 9
    if [ "$CFGLOAD_MACHINE_BITS" = 32 ] && [ -f "$WINEPREFIX/.cfgload-ready" ] &&
       [ ! -f "$WINEPREFIX/drive_c/windows/syswow64/kernel32.dll" ] && [ ! -f "$WINEPREFIX/.cfgload-upgraded" ]; then
      timeout 180 "$wine_program" wineboot -u >/dev/null 2>&1 || true
      timeout 60 wineserver -w || true
      # Marked done only when it worked: a failed upgrade is tried again next time.
      if [ -f "$WINEPREFIX/drive_c/windows/syswow64/kernel32.dll" ]; then
        touch "$WINEPREFIX/.cfgload-upgraded"
      else
        wine_failed "could not upgrade the Wine prefix $WINEPREFIX for 32-bit programs (wineboot -u failed or timed out)"
        exit 1
      fi
    fi
    if [ ! -f "$WINEPREFIX/.cfgload-ready" ]; then
      timeout 180 "$wine_program" wineboot -i >/dev/null 2>&1 || true
      timeout 60 wineserver -w || true
      if [ ! -f "$WINEPREFIX/system.reg" ] || [ ! -f "$WINEPREFIX/drive_c/windows/system32/kernel32.dll" ]; then
        wine_failed "could not make the Wine prefix $WINEPREFIX (wineboot failed)"
        exit 1
      fi
      # Without a window manager Wine waits about 2 s whenever a window closes.
      wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1
      timeout 60 wineserver -w || true
      touch "$WINEPREFIX/.cfgload-ready"
    fi
  ) 9>"$WINEPREFIX.lock"
}

# Keeps the prefix's wineserver (and its desktop) up for a whole test run: many test
# processes starting together while the server itself starts or stops now and then hang.
# Fails, with the one line, when Wine cannot start a program at all.
# release_wineserver ends it, and every Wine process of this prefix with it.
hold_wineserver() {
  wineserver -p
  local code=0
  timeout 120 "$wine_program" cmd /c exit 0 >/dev/null 2>&1 || code=$?
  if [ "$code" -ne 0 ]; then
    local how="wine cmd exited with $code"
    [ "$code" -ne 124 ] || how="wine cmd did not end within 120 s"
    wine_failed "Wine cannot start a program in $WINEPREFIX ($how)"
    return 1
  fi
}

release_wineserver() {
  wineserver -k 2>/dev/null || true
}

# An x64 tree of a script's own (dev-test.sh, bench.sh), its test peers in this machine's
# bitness. Usage: configure_own_x64_tree BUILD-FOLDER BUILD-TYPE [cmake arguments]
configure_own_x64_tree() {
  local build=$1 type=$2
  shift 2
  cmake -S "$root" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-mingw-x86_64.cmake" \
        -DCMAKE_BUILD_TYPE="$type" -DCFGLOAD_PEERS_BITS="$CFGLOAD_MACHINE_BITS" "$@" >/dev/null
}
