#!/usr/bin/env bash
# The main job: builds cfgload.exe and runs it under Wine on a sample infobase,
# showing its console lines (CP866) decoded to UTF-8.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
scripts/setup.sh
cmake --preset x64 >/dev/null
cmake --build --preset x64 -j "$(nproc)" --target cfgload

demo="$root/build/demo"
rm -rf "$demo"
mkdir -p "$demo/base"
printf 'sample configuration\r\n' > "$demo/base/1cv7.md"
winbase="Z:${demo//\//\\}\\base"
{
  printf '; sample settings of the demo run\r\n'
  printf 'BasePath=%s\r\n' "$winbase"
  printf 'User=Admin\r\n'
} > "$demo/demo.ini"

source scripts/wine-env.sh
ensure_display
trap stop_started_xvfb EXIT
ensure_prefix
echo "== cfgload.exe demo.ini (output decoded from CP866)"
set +e
wine "$root/build/x64/cfgload.exe" "Z:${demo//\//\\}\\demo.ini" | iconv -f CP866 -t UTF-8
code=${PIPESTATUS[0]}
set -e
echo "== exit code: $code"
