#!/usr/bin/env python3
"""Writes the expected Windows-1251 tables from Unicode's own data (Python's code page
codecs and case mapping), independently of both system-service implementations:
  cp1251_lower.inc    - lower case of every byte under code page 1251 (CharLowerBuffA)
  cp1251_to_cp866.inc - OEM byte of every byte (CharToOemA), -1 where code page 866 has no
                        exact counterpart (the system then chooses a best-fit or default
                        character, which these tables do not pin down)
Usage: tests/data/make_code_page_tables.py (writes next to itself)."""
import os


def ansi_char(byte):
    try:
        return bytes([byte]).decode("cp1251")
    except UnicodeDecodeError:  # 0x98 is unassigned in code page 1251
        return None


def lower(byte):
    ch = ansi_char(byte)
    if ch is None:
        return byte
    try:
        low = ch.lower().encode("cp1251")
    except UnicodeEncodeError:
        return byte
    return low[0] if len(low) == 1 else byte


def oem(byte):
    ch = ansi_char(byte)
    if ch is None:
        return -1
    try:
        return ch.encode("cp866")[0]
    except UnicodeEncodeError:
        return -1


def write(name, comment, values):
    rows = []
    for start in range(0, 256, 16):
        cells = ["  -1" if v < 0 else "0x%02x" % v for v in values[start:start + 16]]
        rows.append(", ".join(cells) + ",  // %02x" % start)
    path = os.path.join(os.path.dirname(os.path.abspath(__file__)), name)
    with open(path, "w", newline="\n") as out:
        out.write(comment + "\n" + "\n".join(rows) + "\n")


write("cp1251_lower.inc",
      "// Lower case of the bytes 0x00..0xff under code page 1251, one row per 16 bytes.\n"
      "// Made by tests/data/make_code_page_tables.py from Unicode's case mapping.",
      [lower(b) for b in range(256)])
write("cp1251_to_cp866.inc",
      "// Code page 866 byte of the code page 1251 bytes 0x00..0xff, one row per 16 bytes;\n"
      "// -1: no exact counterpart (left to the system's best fit, not checked).\n"
      "// Made by tests/data/make_code_page_tables.py from Unicode's code page mappings.",
      [oem(b) for b in range(256)])
