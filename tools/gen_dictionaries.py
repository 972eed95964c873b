#!/usr/bin/env python3
"""Writes Resources/TuDien.txt and Resources/TuDienTuGhep.txt from the word
lists in data/wordlists (Viet74K.txt and vi_VN.dic, GPL-2).

TuDien.txt: every syllable of the lists (single entries, and the pieces of
multi-word entries) that the syllable rules accept, lower case, precomposed,
one a line, sorted; tone marks where standard spelling puts them, and for
oa, oe, uy without a final both placements (hòa and hoà).

TuDienTuGhep.txt: the multi-word entries of Viet74K.txt made only of
accepted syllables, lower case, tone marks in the default style (hòa),
without duplicates. Line 1 is the number of entries. The entries are grouped
by base letter (first letter without marks) in ascending code-point order;
inside a block: fewer words first, then entries whose rarest syllable is
more common in the list (a usage estimate: a phrase of everyday syllables
before one with a rare syllable), then code-point order.

Usage: tools/gen_dictionaries.py [data folder] [Resources folder]
"""

import collections
import os
import re
import sys
import unicodedata

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
import check_syllables as cs  # noqa: E402

MARKED = "âăêôơư"


def bare(ch):
    return cs.untone(ch)[0].translate(cs.BARE)


def place_tone(syllable, second_style=False):
    """The syllable with its tone where the chosen style puts it."""
    pad, h, fin = cs.split(syllable)
    tone = -1
    na = ""
    for ch in h:
        base, t = cs.untone(ch)
        if t >= 0:
            tone = t
        na += base
    if tone < 0 or not na:
        return syllable
    at = max((i for i, ch in enumerate(na) if ch in MARKED), default=-1)
    if at < 0:
        if len(na) == 1:
            at = 0
        elif fin or len(na) == 3 or (second_style and na in ("oa", "oe", "uy")):
            at = 1
        else:
            at = 0
    toned = cs.TONED[cs.UNTONED.index(na[at]) * 5 + tone]
    return pad + na[:at] + toned + na[at + 1:] + fin


def style_dependent(syllable):
    pad, h, fin = cs.split(syllable)
    na = "".join(cs.untone(ch)[0] for ch in h)
    has_tone = any(cs.untone(ch)[1] >= 0 for ch in h)
    return has_tone and not fin and na in ("oa", "oe", "uy")


def read_lines(path):
    with open(path, encoding="utf-8-sig") as f:
        return [unicodedata.normalize("NFC", l.strip()) for l in f.read().split("\n")]


def main():
    data = sys.argv[1] if len(sys.argv) > 1 else os.path.join(HERE, "..", "data", "wordlists")
    out = sys.argv[2] if len(sys.argv) > 2 else os.path.join(HERE, "..", "Resources")
    rules = cs.Rules(os.path.join(HERE, "..", "Resources", "GhepVan.ini"))
    viet74k = os.path.join(data, "Viet74K.txt")
    dic = os.path.join(data, "vi_VN.dic")

    accepted = {p for p in cs.read_syllables([viet74k, dic]) if cs.judge(rules, p) is None}
    words = set()
    for s in accepted:
        words.add(place_tone(s))
        if style_dependent(s):
            words.add(place_tone(s, True))
    with open(os.path.join(out, "TuDien.txt"), "wb") as f:
        f.write("".join(w + "\n" for w in sorted(words)).encode("utf-8"))

    phrases = set()
    for line in read_lines(viet74k):
        pieces = line.lower().split(" ")
        if len(pieces) < 2 or not all(p in accepted for p in pieces):
            continue
        phrases.add(" ".join(place_tone(p) for p in pieces))
    use = collections.Counter(s for p in phrases for s in set(p.split(" ")))

    def order(p):
        syllables = p.split(" ")
        return (ord(bare(p[0])), len(syllables), -min(use[s] for s in syllables), p)

    ordered = sorted(phrases, key=order)
    with open(os.path.join(out, "TuDienTuGhep.txt"), "wb") as f:
        f.write((str(len(ordered)) + "\n" + "".join(p + "\n" for p in ordered)).encode("utf-8"))
    print(f"TuDien.txt: {len(words)} words; TuDienTuGhep.txt: {len(ordered)} entries")


if __name__ == "__main__":
    main()
