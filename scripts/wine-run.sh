#!/usr/bin/env bash
# Runs a Windows program under Wine with the project's prefix and locale, starting an X
# display and the prefix when they are not there yet, and stopping only what it started.
# Used by ctest as the cross-compiling emulator.
set -u
source "$(dirname "${BASH_SOURCE[0]}")/wine-env.sh"
ensure_display || exit 125
trap stop_started_xvfb EXIT
ensure_prefix
# Wine's system processes and every program a test starts inherit the output of whatever
# started them and may live on after the test (the session's services, a configurator that
# hangs until its time limit): written straight to ctest's pipe, the test would last until
# the last of them has ended. Through a file, it ends with the program.
output=$(mktemp "${TMPDIR:-/tmp}/wine-run.XXXXXX")
wine "$@" >"$output" 2>&1
code=$?
cat "$output"
rm -f "$output"
exit $code
