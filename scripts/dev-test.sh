#!/usr/bin/env bash
# For developers working side by side: builds an x64 tree of its own and runs ctest there
# with a Wine prefix and an X display of its own.
# Usage: scripts/dev-test.sh NAME [ctest arguments, e.g. -R Pattern]
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
name=$1; shift
build="$root/build/dev-$name"
cd "$root"
[ -n "${CFGLOAD_SETUP_DONE:-}" ] || scripts/setup.sh; export CFGLOAD_SETUP_DONE=1
export CFGLOAD_WINEPREFIX="$build/wineprefix"
unset DISPLAY
source scripts/wine-env.sh
configure_own_x64_tree "$build" RelWithDebInfo
cmake --build "$build" -j 2
ensure_display
trap 'release_wineserver; stop_started_xvfb' EXIT
ensure_prefix
hold_wineserver
ctest --test-dir "$build" -j 4 --output-on-failure "$@"
