#!/usr/bin/env bash
# Runs a Windows program under Wine with the project's prefix and locale, starting an X
# display and the prefix when they are not there yet, and stopping only what it started.
# Used by ctest as the cross-compiling emulator.
set -u
source "$(dirname "${BASH_SOURCE[0]}")/wine-env.sh"
ensure_display || exit 125
trap stop_started_xvfb EXIT
ensure_prefix || exit 125
# Wine's system processes and every program a test starts inherit the output of whatever
# started them and may live on after the test (the session's services, a configurator that
# hangs until its time limit): written straight to ctest's pipe, the test would last until
# the last of them has ended. Through a file, it ends with the program.
output=$(mktemp "${TMPDIR:-/tmp}/wine-run.XXXXXX")
trap 'rm -f "$output"; stop_started_xvfb' EXIT

# Now and then Wine fails to load the program and hands it to its launcher (start.exe),
# whose ShellExecuteEx then fails at once: exit code 1, and its two lines (OEM code page)
# are all the output there is. The program never ran, so it may be started again; anything
# else (other output, another code, a run of some length) came from the program itself.
launcher_failed() {
  local code=$1 seconds=$2
  [ "$code" -eq 1 ] && [ "$seconds" -lt 10 ] || return 1
  local text
  text=$(iconv -f CP866 -t UTF-8 "$output" 2>/dev/null | tr -d '\r') || return 1
  local pattern=$'^Приложение не может быть запущено[^\n]*\nВызов ShellExecuteEx провалился: [^\n]*\n*$'
  [[ "$text"$'\n' =~ $pattern ]]
}

attempt() {
  local started=$SECONDS
  wine "$@" >"$output" 2>&1
  code=$?
  seconds=$((SECONDS - started))
}

attempt "$@"
if launcher_failed "$code" "$seconds"; then
  cat "$output"
  echo "wine-run: Wine's launcher failed before the program started; starting it once more"
  attempt "$@"
fi
cat "$output"
exit $code
