#!/usr/bin/env python3
"""Writes Resources/BangMa.ini, the built-in charsets, from the verified
charset tables (data/charsets/*.tsv).

One section per charset, in menu order; one line per letter: the letter,
"=", its encoded form. Encoded forms of 8-bit charsets are their bytes, each
byte written as the character U+0000-U+00FF of the same value (the way the
programs hold 8-bit text); Unicode forms are their code points.

The settings-file reader trims spaces around a value and cuts it at the
first ";", so a form that contains ";" or begins or ends with a space, or
that holds a line break, cannot be stored: such a table is refused here.

Usage: tools/gen_bangma.py [charsets folder] [output path]
"""

import os
import sys

HERE = os.path.dirname(os.path.abspath(__file__))

# (section name as users know it, table file, kind of the encoded column)
CHARSETS = [
    ("TCVN3 (ABC)", "tcvn3.tsv", "bytes"),
    ("VNI Windows", "vni_windows.tsv", "bytes"),
    ("VISCII", "viscii.tsv", "bytes"),
    ("VPS", "vps.tsv", "bytes"),
    ("VIQR", "viqr.tsv", "bytes"),
    ("Windows 1258", "cp1258.tsv", "bytes"),
    ("Unicode tổ hợp", "unicode_nfd.tsv", "codepoints"),
    ("Unicode tổ hợp dấu thanh", "unicode_tone_combining.tsv", "codepoints"),
]


def read_table(path, kind):
    rows = []
    with open(path, encoding="utf-8") as f:
        header = f.readline().rstrip("\n").split("\t")
        assert header[0] == "letter", path
        for line in f:
            line = line.rstrip("\n")
            if not line:
                continue
            cols = line.split("\t")
            letter, value = cols[0], cols[2]
            if kind == "bytes":
                encoded = "".join(chr(int(b, 16)) for b in value.split())
            else:
                encoded = "".join(chr(int(c[2:], 16)) for c in value.split())
            rows.append((letter, encoded))
    assert len(rows) == 134, (path, len(rows))
    return rows


def storable(encoded):
    return (encoded and ";" not in encoded and encoded == encoded.strip(" ")
            and "\n" not in encoded and "\r" not in encoded)


def build(folder):
    out = []
    for name, file, kind in CHARSETS:
        rows = read_table(os.path.join(folder, file), kind)
        bad = [letter for letter, enc in rows if not storable(enc)]
        if bad:
            raise SystemExit(f"{name}: cannot store the forms of {' '.join(bad)}")
        out.append(f"[{name}]")
        out.extend(f"{letter}={enc}" for letter, enc in rows)
        out.append("")
    return out


def main():
    folder = sys.argv[1] if len(sys.argv) > 1 else os.path.join(HERE, "..", "data", "charsets")
    path = sys.argv[2] if len(sys.argv) > 2 else os.path.join(HERE, "..", "Resources", "BangMa.ini")
    text = "\ufeff" + "".join(line + "\n" for line in build(folder))
    with open(path, "wb") as f:
        f.write(text.encode("utf-8"))


if __name__ == "__main__":
    main()
