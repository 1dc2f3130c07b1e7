#!/usr/bin/env bash
# The main job, for real: builds cfgload.exe (x64) and the 32-bit stand-in configurator (the
# real configurator is a 32-bit program; a 64-bit one where 32-bit programs cannot run), then
# runs the typical nightly run under Wine on a sample infobase: unload the data to a dated file,
# then load the new 1cv7.md that lies next to the program. Shows the console lines (CP866)
# decoded to UTF-8, then what happened to the files, and the exit code.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
[ -n "${CFGLOAD_SETUP_DONE:-}" ] || scripts/setup.sh; export CFGLOAD_SETUP_DONE=1
source scripts/wine-env.sh
cmake --preset x64 -DCFGLOAD_PEERS_BITS="$CFGLOAD_MACHINE_BITS" >/dev/null
# test_peers: the programs that the tests drive, the stand-in among them.
cmake --build --preset x64 -j "$(nproc)" --target cfgload test_peers
standin=$(head -1 "$root/build/x64/test-peers.txt")

winpath() { local p=${1//\//\\}; printf 'Z:%s' "$p"; }
# Settings and scenario files hold Windows-1251 text with CR LF line ends.
write_cp1251() { sed 's/$/\r/' | iconv -f UTF-8 -t CP1251 > "$1"; }

demo="$root/build/demo"
rm -rf "$demo"
mkdir -p "$demo/tool" "$demo/bases/Trade" "$demo/unload"

# The infobase and the configurator that serves it (the stand-in, which keeps a journal).
printf 'STANDIN CONFIGURATION 1\r\n' > "$demo/bases/Trade/1cv7.md"
write_cp1251 "$demo/bases/Trade/standin.scenario" <<'EOF'
password=секрет
change=Справочник Номенклатура: добавлен реквизит Артикул
change=Документ РасходнаяНакладная: изменен тип реквизита Сумма
EOF

# The tool as an administrator installs it: the program, its settings file of the same
# name, and the new configuration next to it (the default NewMDPath "1cv7.md").
cp "$root/build/x64/cfgload.exe" "$demo/tool/"
printf 'STANDIN CONFIGURATION 2 (new release)\r\n' > "$demo/tool/1cv7.md"

ensure_display
trap stop_started_xvfb EXIT
ensure_prefix

# The password is kept in the settings file only in its coded form ("/code").
coded=$(cd "$demo/tool" && wine cfgload.exe /code "секрет") || true
if [ -z "$coded" ]; then
  wine_failed "Wine could not run cfgload.exe /code"
  exit 1
fi
write_cp1251 "$demo/tool/cfgload.ini" <<EOF
; Nightly run: unload the data, then load the new configuration
BasePath=$(winpath "$demo/bases/Trade")
Path1CExe=$(winpath "$standin")
User=Администратор
SecPassword=$coded
DownloadTo=$(winpath "$demo/unload")\\?F-?YYYY-?MM-?DD.zip
WorkTime=10
EOF

echo "== settings file cfgload.ini next to the program"
iconv -f CP1251 -t UTF-8 "$demo/tool/cfgload.ini" | tr -d '\r' | sed 's/^/   /'
echo
echo "== cfgload.exe (no arguments; console output decoded from CP866), against the $CFGLOAD_MACHINE_BITS-bit stand-in"
set +e
(cd "$demo/tool" && wine cfgload.exe) | iconv -f CP866 -t UTF-8 | tr -d '\r'
code=${PIPESTATUS[0]}
set -e
echo
echo "== what happened"
echo "exit code: $code"
shopt -s nullglob
unloads=("$demo/unload"/*)
if [ ${#unloads[@]} -gt 0 ]; then
  for f in "${unloads[@]}"; do
    echo "unload file written: unload/$(basename "$f") ($(stat -c %s "$f") bytes)"
  done
else
  echo "no unload file written"
fi
echo "infobase configuration bases/Trade/1cv7.md now reads: $(tr -d '\r' < "$demo/bases/Trade/1cv7.md")"
if cmp -s "$demo/bases/Trade/1cv7.md" "$demo/tool/1cv7.md"; then
  echo "  -> replaced by the new 1cv7.md from the program's folder"
else
  echo "  -> not replaced"
fi
echo "configurator's journal (commands it received):"
iconv -f CP1251 -t UTF-8 "$demo/bases/Trade/standin.journal" | tr -d '\r' |
  awk 'BEGIN { name[33204] = "(unload the data)"; name[33206] = "(load a configuration)";
               name[33260] = "(merge)"; name[57665] = "(exit)" }
       $2 == "command" { print "   command " $4 " " name[$4] }
       $2 == "unloaded" || $2 == "loaded" || $2 == "merged" || $2 == "exit" { print "   " $2 " " $4 }' |
  sed 's/\\\\/\\/g'
exit "$code"
