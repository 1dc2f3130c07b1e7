#!/usr/bin/env bash
# Runs a Windows program under Wine with the project's prefix and locale, starting an X
# display and the prefix when they are not there yet, and stopping only what it started.
# Used by ctest as the cross-compiling emulator.
set -u
source "$(dirname "${BASH_SOURCE[0]}")/wine-env.sh"
ensure_display || exit 125
trap stop_started_xvfb EXIT
ensure_prefix
wine "$@"
