# Sourced by the Wine scripts: one private prefix per checkout, quiet Wine, Russian locale
# (ANSI code page 1251, OEM code page 866).
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export WINEPREFIX="${CFGLOAD_WINEPREFIX:-$root/build/wineprefix}"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
export LOCPATH="$root/build/locale"
# (bash itself may not know the locale: keep its warning off the output)
{ export LC_ALL=ru_RU.UTF-8; } 2>/dev/null

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
  echo "wine-env: could not start Xvfb" >&2
  return 1
}

stop_started_xvfb() {
  [ -n "$started_xvfb_pid" ] || return 0
  # The prefix's wineserver and desktop outlive the program by a few seconds and are tied
  # to this display: let them end before the display goes.
  wineserver -w 2>/dev/null || true
  kill "$started_xvfb_pid" 2>/dev/null || true
  started_xvfb_pid=""
}

# Creates the prefix once (under a lock, as several tests may start together). A prefix made
# before 32-bit Wine was installed lacks its 32-bit system folder: it is upgraded first.
ensure_prefix() {
  mkdir -p "$(dirname "$WINEPREFIX")"
  (
    flock 9
    if [ -f "$WINEPREFIX/.cfgload-ready" ] && [ ! -f "$WINEPREFIX/drive_c/windows/syswow64/kernel32.dll" ]; then
      wineboot -u >/dev/null 2>&1 || true
      wineserver -w
    fi
    if [ ! -f "$WINEPREFIX/.cfgload-ready" ]; then
      wineboot -i >/dev/null 2>&1 || true
      # Without a window manager Wine waits about 2 s whenever a window closes.
      wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1
      wineserver -w
      touch "$WINEPREFIX/.cfgload-ready"
    fi
  ) 9>"$WINEPREFIX.lock"
}

# Keeps the prefix's wineserver (and its desktop) up for a whole test run: many test
# processes starting together while the server itself starts or stops now and then hang.
# release_wineserver ends it, and every Wine process of this prefix with it.
hold_wineserver() {
  wineserver -p
  wine cmd /c exit 0 >/dev/null 2>&1 || true
}

release_wineserver() {
  wineserver -k 2>/dev/null || true
}
