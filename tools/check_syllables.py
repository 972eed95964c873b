#!/usr/bin/env python3
"""Checks Resources/GhepVan.ini against word lists.

Every syllable of the given word lists is split the way the engine splits a
word (initial, vowel group, final) and tested with the rules of the INI file
the way the engine tests a finished word.  Prints how many syllables pass
and, for the others, the reason with examples.

Usage:
  tools/check_syllables.py [--ini PATH] [--markdown] [--all] WORDLIST...

A word list is a text file with one entry a line.  A file ending in ".dic"
is a hunspell dictionary: its first line is a count and entries may carry
"/flags".  Entries are lower-cased and split at spaces and hyphens;
punctuation around a piece is dropped.

--markdown       print the rejected syllables as a markdown table
--all            list every rejected syllable instead of examples
--free-initials  test as with the free-initial option on (dz z f j w)
--tsv PATH       write every piece made of letters with its verdict
                 ("ok" or the reason it is rejected), for the engine's tests
"""

import argparse
import collections
import os
import re
import sys
import unicodedata

# ------------------------------------------------------------------ letters
VOWELS = "aáàảãạâấầẩẫậăắằẳẵặeéèẻẽẹêếềểễệiíìỉĩịoóòỏõọôốồổỗộơớờởỡợuúùủũụưứừửữựyýỳỷỹỵ"
CONSONANTS = "bcdđfghjklmnpqrstvwxz"
UNTONED = "aâăeêioôơuưy"
TONED = ("áàảãạấầẩẫậắằẳẵặéèẻẽẹếềểễệíìỉĩịóòỏõọốồổỗộớờởỡợúùủũụứừửữựýỳỷỹỵ")
TONE_NAMES = ["acute", "grave", "hook above", "tilde", "dot below"]
SHAPE_MARKED = "âăêôơưđ"
BARE = str.maketrans("âăêôơưđ", "aaeooud")

# The engine's fixed lists.
NEEDS_FINAL = {"â", "ă", "iê", "oă", "oo", "uâ", "uô", "ươ", "uyê", "yê"}
STOP_FINALS = {"c", "ch", "p", "t"}
FOREIGN_INITIALS = {"dz", "z", "f", "j", "w"}   # accepted only with the free-initial option


def untone(ch):
    i = TONED.find(ch)
    if i < 0:
        return ch, -1
    return UNTONED[i // 5], i % 5


# --------------------------------------------------------------------- rules
class Rules:
    """The tables of GhepVan.ini and the engine's tests on them."""

    def __init__(self, path):
        with open(path, "rb") as f:
            raw = f.read()
        text = raw.decode("utf-8")
        if text.startswith("\ufeff"):
            text = text[1:]
        values = {}
        for line in text.split("\n"):
            if line.endswith("\r"):
                line = line[:-1]
            if line.startswith("["):
                break
            if not line or line.startswith(";") or "=" not in line:
                continue
            name, value = line.split("=", 1)
            name, value = name.strip(" "), value.strip(" ")
            values.setdefault(name, value)
        self.values = values
        self.same_as = {}
        self.pad = self._groups("CacPAD")
        self.na = self._groups("CacNA")
        self.pac = self._groups("CacPAC")
        self.pad_na = self._lists("PAD_NA", len(self.pad))
        self.na_pac = self._lists("NA_PAC", len(self.na))
        self.na0 = []
        for g in self.na:
            seen = []
            for s in g:
                b = s.translate(BARE)
                if b not in seen:
                    seen.append(b)
            self.na0.append(seen)

    def free_initials(self):
        """What the free-initial option does: each extra initial joins the
        group of the initial it stands for."""
        for extra, standard in (("dz", "d"), ("z", "d"), ("f", "ph"), ("j", "gi"), ("w", "qu")):
            if self.find(self.pad, extra) < 0:
                i = self.find(self.pad, standard)
                if i >= 0:
                    self.pad[i].append(extra)
                    self.same_as[extra] = standard

    def _groups(self, stem):
        n = int(self.values.get(stem + ".Count", "0") or 0)
        return [self.values.get(f"{stem}.{i}", "").split(" ") for i in range(n)]

    def _lists(self, stem, n):
        out = []
        for i in range(n):
            v = self.values.get(f"{stem}.{i}", "")
            out.append([int(x) for x in v.split(" ")] if v else [])
        return out

    @staticmethod
    def find(table, s):
        for i, g in enumerate(table):
            if s in g:
                return i
        return -1

    def is_pad(self, s):
        return self.find(self.pad, s) >= 0

    def is_na(self, s):
        return len(s) <= 3 and self.find(self.na, s) >= 0

    def is_pac(self, s):
        return self.find(self.pac, s) >= 0

    def pad_na_ok(self, pad, na):
        i = self.find(self.pad, pad)
        if i < 0:
            return False
        return self.find(self.na, na) in self.pad_na[i]

    def na_pac_ok(self, na, pac):
        i, j = self.find(self.na, na), self.find(self.pac, pac)
        return i >= 0 and j >= 0 and j in self.na_pac[i]

    def na0_pac_ok(self, na0, pac):
        j = self.find(self.pac, pac)
        return j >= 0 and any(na0 in self.na0[i] and j in self.na_pac[i]
                              for i in range(len(self.na)))

    def can_grow(self, na, pac):
        i = self.find(self.na, na)
        if i < 0:
            return False
        return any(s.startswith(pac) for j in self.na_pac[i] for s in self.pac[j])

    def syllable_ok(self, pad, na, pac):
        """The engine's whole-syllable test (pad, pac may be empty)."""
        if not pad and not pac:
            return self.is_na(na)
        if pad and not self.pad_na_ok(pad, na):
            return False
        if not pac:
            return True
        if na == "ê" and (pad == "gi" or self.same_as.get(pad) == "gi"):
            return self.na_pac_ok("iê", pac)
        return self.na_pac_ok(na, pac)


# -------------------------------------------------------------------- split
def split(word):
    """(pad, toned vowel run, final) as the engine reads a word, or a reason."""
    if word.startswith("qu"):
        pad = "qu"
    else:
        i = 0
        while i < len(word) and word[i] in CONSONANTS:
            i += 1
        pad = word[:i]
    rest = word[len(pad):]
    i = 0
    while i < len(rest) and rest[i] in VOWELS:
        i += 1
    h, fin = rest[:i], rest[i:]
    if pad == "g" and len(h) > 1 and h[0] == "i":
        pad, h = "gi", h[1:]
    return pad, h, fin


REASONS = [
    # (key, group, text)
    ("chars", "not a syllable", "contains digits, punctuation or other symbols"),
    ("novowel", "not a syllable", "no vowel (abbreviation, letter name, unit)"),
    ("multi", "not a syllable", "several syllables written as one word (loanword)"),
    ("initial", "foreign initial", "initial consonant not used in Vietnamese"),
    ("freeinit", "foreign initial", "dz z f j w: accepted only with the free-initial option"),
    ("final", "foreign final", "final consonant not used in Vietnamese"),
    ("vowel", "foreign vowel group", "vowel group not used in Vietnamese (unmarked word)"),
    ("pad_na", "impossible combination", "initial and vowel group do not go together"),
    ("lung", "impossible combination", "vowel group needs a final consonant"),
    ("na_pac", "impossible combination", "vowel group and final do not go together"),
    ("tone", "impossible combination", "grave, hook or tilde with final c ch p t"),
    ("notone", "impossible combination", "final c ch p t without a tone (engine does not flag it)"),
    ("twotones", "typo", "two tone marks"),
    ("qutone", "typo", "tone mark on the u of qu"),
    ("typovowel", "typo", "vowel group with wrong or doubled marks"),
]
REASON_TEXT = {k: (g, t) for k, g, t in REASONS}


def judge(rules, word):
    """None when the word is a valid syllable, else a reason key."""
    if any(ch not in VOWELS and ch not in CONSONANTS for ch in word):
        return "chars"
    if not any(ch in VOWELS for ch in word):
        return "novowel"
    tones = [untone(ch)[1] for ch in word if untone(ch)[1] >= 0]
    if len(tones) > 1:
        return "twotones"
    tone = tones[0] if tones else -1
    if word[:1] == "q" and len(word) > 1 and word[1] != "u" and untone(word[1])[0] == "u":
        return "qutone"
    pad, h, fin = split(word)
    if any(ch in VOWELS for ch in fin):
        return "multi"
    if not h:
        return "multi" if pad else "novowel"
    na = "".join(untone(ch)[0] for ch in h)
    if pad and not rules.is_pad(pad):
        return "freeinit" if pad in FOREIGN_INITIALS else "initial"
    if fin and not rules.is_pac(fin):
        return "final"
    if not rules.is_na(na):
        marked = tone >= 0 or any(ch in SHAPE_MARKED for ch in word)
        return "typovowel" if marked else "vowel"
    if pad and not rules.pad_na_ok(pad, na):
        return "freeinit" if pad in rules.same_as else "pad_na"
    if not fin:
        # A marked vowel on its own is that letter (â, ă), as the engine
        # takes it; with an initial or a tone it needs a final.
        if na in NEEDS_FINAL and (pad or tone >= 0 or len(na) > 1):
            return "lung"
        return None if rules.syllable_ok(pad, na, fin) else "pad_na"
    if not rules.syllable_ok(pad, na, fin):
        return "na_pac"
    if fin in STOP_FINALS:
        if tone in (1, 2, 3):
            return "tone"
        if tone < 0:
            return "notone"
    return None


def typing_problem(rules, word):
    """For a valid syllable: a final prefix that key-by-key typing refuses."""
    pad, h, fin = split(word)
    na = "".join(untone(ch)[0] for ch in h)
    if len(na) < 2 or not fin:
        return None
    if pad == "gi" and na == "ê":
        na = "iê"
    na0 = na.translate(BARE)
    for k in range(1, len(fin) + 1):
        # typed without shape marks: the prefix itself must be allowed
        if not rules.na0_pac_ok(na0, fin[:k]):
            return f"{na0}+{fin[:k]}"
        # typed with its marks: the prefix must be able to grow
        if not rules.can_grow(na, fin[:k]):
            return f"{na}+{fin[:k]}"
    return None


# ------------------------------------------------------------------ reading
def read_syllables(paths):
    found = collections.defaultdict(set)
    for path in paths:
        name = os.path.basename(path)
        with open(path, encoding="utf-8-sig") as f:
            lines = f.read().split("\n")
        if path.endswith(".dic"):
            lines = [l.split("/")[0] for l in lines[1:]]
        for line in lines:
            line = unicodedata.normalize("NFC", line.strip().lower())
            for piece in re.split(r"[ \-\u2010\u2013]+", line):
                piece = piece.strip(".,;:!?\"'()[]{}*«»…")
                if piece:
                    found[piece].add(name)
    return found


# -------------------------------------------------------------------- tests
GOOD = """ca ke ki kỳ ghi ghé ghê nghe nghĩ ngà ga gì gìn gia giữ giờ giếng giêng
giết giễu qua quà quê quen quốc quý quỳnh quýt quyên quyết quơ yêu yên yểng
uống ước ương ăn ân oan oằn uẩn uy uyên thuở huơ khuya khuỷu xoong boong soóc
xuân khuất tuần khuâng hoặc ngoắt xoăn hoẵng người rượu hươu chuối khoèo ngoao
huỳnh huých tuýp buýt khuếch huênh nguệch tắt sạc tiếng nghiêng kiều gửi ngửi
â ă chưn sừn ễng lếc tuyếc""".split()
BAD = """ce ci cê cip ka kă ko ku kơ kuy cuy gha ghă gho ghu ngha ngho ge gê
nge ngi iê ươ uô yê uyê ấ bâ oă oo uâ àc ảt ãp ìch tuyn huyc xoon qui quo quu qoa
giênh khuyn thuơng uơn kiênh ciêng ngêu yêch tăch"""
BAD = BAD.split()


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    here = os.path.dirname(os.path.abspath(__file__))
    ap.add_argument("--ini", default=os.path.join(here, "..", "Resources", "GhepVan.ini"))
    ap.add_argument("--markdown", action="store_true")
    ap.add_argument("--all", action="store_true")
    ap.add_argument("--tsv")
    ap.add_argument("--free-initials", action="store_true")
    ap.add_argument("wordlists", nargs="*")
    args = ap.parse_args()
    rules = Rules(args.ini)
    if args.free_initials:
        rules.free_initials()

    failed = False
    for w in GOOD:
        r = judge(rules, w)
        if r is not None:
            print(f"self-test: '{w}' should be accepted, got {r}")
            failed = True
        t = typing_problem(rules, w)
        if t:
            print(f"self-test: '{w}' cannot be typed letter by letter ({t})")
            failed = True
    for w in BAD:
        if judge(rules, w) is None:
            print(f"self-test: '{w}' should be rejected")
            failed = True
    if not args.wordlists:
        print("self-test", "FAILED" if failed else "passed")
        return 1 if failed else 0

    found = read_syllables(args.wordlists)
    if args.tsv:
        with open(args.tsv, "w", encoding="utf-8", newline="\n") as out:
            out.write("# piece<TAB>verdict, made by tools/check_syllables.py --tsv\n")
            for w in sorted(found):
                r = judge(rules, w)
                if r != "chars":
                    out.write(f"{w}\t{r or 'ok'}\n")
    by_reason = collections.defaultdict(list)
    accepted = []
    typing = []
    for w in sorted(found):
        r = judge(rules, w)
        if r is None:
            accepted.append(w)
            t = typing_problem(rules, w)
            if t:
                typing.append((w, t))
        else:
            by_reason[r].append(w)

    n_tokens = len(found)
    shaped = n_tokens - sum(len(by_reason[k]) for k in ("chars", "novowel", "multi"))
    if args.markdown:
        print(f"Distinct pieces in the word lists: {n_tokens}; of these {shaped} "
              f"have the shape of one syllable; {len(accepted)} are accepted.\n")
        print("| reason | count | syllables |")
        print("|---|---|---|")
        for key, group, text in REASONS:
            ws = by_reason.get(key, [])
            if not ws:
                continue
            if key in ("chars", "novowel", "multi") and not args.all:
                shown = ", ".join(ws[:12]) + ", ..."
            else:
                shown = ", ".join(ws)
            print(f"| {group}: {text} | {len(ws)} | {shown} |")
    else:
        print(f"distinct pieces: {n_tokens}")
        print(f"one-syllable shape: {shaped}")
        print(f"accepted: {len(accepted)}")
        print(f"rejected: {n_tokens - len(accepted)}")
        totals = collections.Counter()
        for key, group, text in REASONS:
            totals[group] += len(by_reason.get(key, []))
        for key, group, text in REASONS:
            ws = by_reason.get(key, [])
            if not ws:
                continue
            shown = ws if args.all else ws[:25]
            print(f"\n[{group}] {text}: {len(ws)}")
            print("  " + " ".join(shown) + ("" if len(shown) == len(ws) else " ..."))
        print("\nby group:")
        for g, n in totals.items():
            print(f"  {g}: {n}")
        if typing:
            print(f"\naccepted but not typable letter by letter: {len(typing)}")
            print("  " + " ".join(f"{w}({t})" for w, t in typing[:40]))
    if failed:
        print("self-test FAILED")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
