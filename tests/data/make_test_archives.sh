#!/usr/bin/env bash
# Archives as the tools of this machine write them (Info-ZIP zip, Python's zipfile), in FOLDER,
# and FOLDER/verdicts.txt: "name exit-code-of-unzip-t" for each, or a line saying which tool is
# missing ("nodata" in a name: an archive that holds no data). The unload archive's tests read
# them back; the fuzz target takes them as seeds.
# Usage: tests/data/make_test_archives.sh FOLDER [small: without the archive of 65,535 entries]
set -uo pipefail
out=$(mkdir -p "$1" && cd "$1" && pwd)
rm -f "$out"/*.zip "$out/verdicts.txt"
for tool in zip unzip python3; do
  command -v "$tool" >/dev/null || echo "$tool: not installed on the build machine" >>"$out/verdicts.txt"
done
in=$(mktemp -d) && trap 'rm -rf "$in"' EXIT && cd "$in" && mkdir folder
printf '1cv7 %.0s' $(seq 1 300) >1cv7.md && head -c 2000 /dev/urandom >1SBLOB.dbf && : >empty.txt
echo inside >folder/item.txt
if command -v zip >/dev/null; then
  zip -q -X -r "$out/zip.zip" 1cv7.md 1SBLOB.dbf empty.txt folder && echo "nightly" | zip -q -z "$out/zip.zip"
  zip -q -X -0 "$out/zip_stored.zip" 1cv7.md empty.txt
  zip -q -X -fd "$out/zip_fd.zip" 1cv7.md 1SBLOB.dbf empty.txt
  zip -q -X -fd -0 "$out/zip_fd_stored.zip" 1cv7.md 1SBLOB.dbf empty.txt
  echo x | zip -q - - >"$out/zip_pipe_in.zip"
  zip -q - - <1cv7.md | cat >"$out/zip_pipe.zip"
  zip -q -fz- - - <1cv7.md | cat >"$out/zip_pipe_no_zip64.zip"
  # A stored entry with a descriptor, one bit of its data flipped: the CRC-32 is still compared.
  python3 -c 'import sys; d = bytearray(open(sys.argv[1], "rb").read()); d[d.find(b"1cv7 1cv7") + 7] ^= 1
open(sys.argv[2], "wb").write(d)' "$out/zip_fd_stored.zip" "$out/zip_fd_stored_flipped.zip"
fi
command -v python3 >/dev/null && python3 - "$out" "${2:-}" <<'EOF'
import io, sys, zipfile
out, small = sys.argv[1], sys.argv[2] == "small"

class Pipe(io.RawIOBase):  # a stream that cannot seek: zipfile writes data descriptors
    def __init__(self, f): self.f = f
    def writable(self): return True
    def write(self, b): return self.f.write(b)

def archive(name, entries, method=zipfile.ZIP_DEFLATED, pipe=True):
    with open(f"{out}/{name}", "wb") as f, zipfile.ZipFile(Pipe(f) if pipe else f, "w", method) as z:
        for entry, data in entries: z.writestr(entry, data)

entries = [("1cv7.md", open("1cv7.md", "rb").read()), ("empty.txt", b""), ("1SBLOB.dbf", open("1SBLOB.dbf", "rb").read())]
archive("python_pipe.zip", entries)
archive("python_pipe_stored.zip", entries, zipfile.ZIP_STORED)
archive("python_nodata_none.zip", [])
archive("python_nodata_empty_entries.zip", [("a.txt", b""), ("b/", b"")])
if not small:
    archive("python_65535.zip", [("1cv7.md", b"x")] + [(f"{i}", b"") for i in range(1, 65535)], zipfile.ZIP_STORED, False)
EOF
cd "$out"
for archive in *.zip; do
  command -v unzip >/dev/null && { unzip -tqq "$archive" >/dev/null 2>&1; echo "$archive $?" >>verdicts.txt; }
done
true
