#!/usr/bin/env python3
"""Writes Resources/GhepVan.ini, the syllable composition rules of the engine.

The file lists the initial consonant groups (CacPAD), the vowel groups
(CacNA) and the final consonant groups (CacPAC), then, for every initial
group, the vowel groups allowed after it (PAD_NA) and, for every vowel
group, the final groups allowed after it (NA_PAC).

Every group here holds one spelling, except the last vowel group (see
TYPING_PREFIXES below).  The numbering of three groups is relied on by the
engine code:

  * vowel group 4 is "uo" with a horn on the o (the vowel that takes no
    final); the option UODiKemPAC appends final groups 1 and 2 ("n", "ng");
  * the initial groups hold "d", "ph", "gi" and "qu", which receive the
    free initials dz/z, f, j and w;
  * the final groups hold "ng", "nh" and "ch", the full finals behind the
    abbreviated finals.

Usage: tools/gen_ghepvan.py [output path]   (default: Resources/GhepVan.ini
next to this tools folder).  The output is UTF-8 with a byte-order mark,
LF line endings, one name=value line per entry, no section header.
"""

import os
import sys

# ---------------------------------------------------------------- initials
# Alphabetical, with đ right after d.  "p" is kept although it starts only
# loanwords (pin, pa-nô): it must be an initial so that "ph" can be typed
# letter by letter, and it takes most of the vowels that "b" takes.
PAD = "b c ch d đ g gh gi h k kh l m n ng ngh nh p ph qu r s t th tr v x".split()

ALL = set(PAD)
K_LIKE = {"k", "gh", "ngh"}   # written only before the front vowels i e ê (k also before y)
C_LIKE = {"c", "g", "ng"}     # written before every other vowel


def all_but(*names):
    return ALL - set(names)


BACK = all_but(*K_LIKE)                  # before a ă â ô ơ ai ao ... (qu and gi included)
ROUND = all_but("qu", *K_LIKE)           # before o u ư oi ua ... (no qu: its u is already there)
FRONT = all_but(*C_LIKE)                 # before e ê eo êu (k gh ngh, gi, qu included)
FRONT_I = all_but("qu", "gi", *C_LIKE)   # before iê ia iu iêu (qu takes yê; gi takes ê, êu)


def only(s):
    return set(s.split())


# ------------------------------------------------------------------ finals
# Group 0-3: the nasal finals, 4-7: the stop finals (c ch p t, which take
# only the acute or the dot-below tone).  Groups 1 and 2 are the finals that
# UODiKemPAC allows after "uơ".
PAC = "m n ng nh c ch p t".split()

NASAL_AND_STOP = "m n ng c p t"   # the usual set after a plain vowel

# ------------------------------------------------------------------ vowels
# (spelling, initials allowed before it, finals allowed after it).
# An empty final list means the group ends the syllable by itself (it ends
# in a semivowel i/y/o/u, or is one of ia ua ưa uơ).  The groups that cannot
# end a syllable (iê yê uô ươ â ă oă uâ oo uyê) have only finals: the engine
# rejects them without a final through its own fixed list.
# A vowel group without an initial is always allowed by the engine (ăn, ước,
# yêu, uống, oan); the initial lists below only cover the 27 initials.
NA = [
    # 0-4: the diphthongs written with a final (and uơ, which never has one)
    ("iê",  FRONT_I,                          "m n ng c p t"),   # tiên, biết, kiếm, nghiêng
    ("yê",  only("qu"),                       "m n ng t"),       # yên, yếm, yểng, yết; quyên, quyết
    ("uô",  ROUND,                            "m n ng c t"),     # muốn, cuộc, buồm, giuộc
    ("ươ",  ROUND,                            NASAL_AND_STOP),   # thương, nước, mướp, giường
    ("uơ",  only("h kh th"),                  ""),               # huơ, khuơ, thuở
    # 5-16: single vowels
    ("a",   BACK,                             "m n ng nh c ch p t"),
    ("ă",   BACK,                             NASAL_AND_STOP),   # ăn, bắc, quăng, giặt
    ("â",   BACK,                             NASAL_AND_STOP),   # ân, bấc, quân, giận
    ("e",   FRONT,                            NASAL_AND_STOP),   # kem, ghen, nghẹn, quen, gièm
    ("ê",   FRONT,                            "m n ng nh c ch p t"),  # kênh, ếch, quên, ễng, lếc; gi + ê + final is read as iê
    # gì, gìn are read as g + i.  gi + i only arises from the free initial j
    # (jì, jin for gì, gìn); qui is the old spelling of quy and is left out.
    ("i",   all_but("qu", "c", "ng"),         "m n nh ch p t"),  # kim, nghìn, ghi
    ("y",   only("h k l m s t v qu"),         "nh ch p t"),      # hy, kỳ, lý, mỹ, sỹ, tý, vy, quý, quỳnh, quýt
    ("o",   ROUND,                            NASAL_AND_STOP),
    ("ô",   BACK,                             NASAL_AND_STOP),   # quốc keeps qu
    ("ơ",   BACK,                             "m n p t"),        # quơ, giờ
    ("u",   ROUND,                            NASAL_AND_STOP),   # giũ, giục
    ("ư",   ROUND,                            "m n ng c t"),     # hừm, chưn, gừng, giữ
    # 17-24: vowels with the rounded glide o/u in front (oa oe uy ...), and oo
    ("oa",  only("ch d đ g h kh l n ng nh s t th tr x b m p v r"),
                                              "m n ng nh c ch p t"),  # hoa, ngoạch; boa, voan
    ("oă",  only("ch gi h kh l ng nh th x"),  "m n ng c t"),     # xoăn, hoẵng, khoằm, hoặc, gioăng
    ("oe",  only("ch h kh l ng nh s t tr x"), "m n ng c t"),     # khoẻ, hoen, xoẻng, khoét, ngoẻm, oéc
    ("oo",  only("b c ch g gi h kh l m n ng p ph r s t th v x"),
                                              "ng c"),           # xoong, boong, soóc, moóc
    ("uâ",  only("ch d h kh l ng nh s t th tr x"), "n ng t"),    # xuân, khuâng, khuất; ng for nguẩy
    ("uê",  only("ch d đ h kh ng nh r s t th x"), "nh ch"),      # huệ, huênh, khuếch
    ("uy",  only("ch d đ h kh l n ng nh s t th tr x b ph r"),
                                              "nh ch p t"),      # thuỷ, huỳnh, huých, tuýp, buýt
    ("uyê", only("ch d h kh l ng nh s t th tr x"), "n c t"),     # khuyên, tuyếc, tuyết, nguyễn
    # 25-42: two letters ending in a semivowel, and ia ua ưa (no final)
    ("ai",  BACK, ""), ("ao", BACK, ""), ("au", BACK, ""), ("ay", BACK, ""),
    ("âu",  BACK, ""), ("ây", BACK, ""),
    ("eo",  FRONT, ""), ("êu", FRONT, ""),                       # kéo, nghèo, queo; kêu, quều, giễu
    ("ia",  FRONT_I, ""), ("iu", FRONT_I, ""),                   # kìa, nghĩa; kíu, nghịu
    ("oi",  ROUND, ""), ("ôi", ROUND, ""), ("ơi", BACK, ""),     # quới
    ("ua",  ROUND, ""), ("ui", ROUND, ""), ("ưa", ROUND, ""),
    ("ưi",  only("c ch g ng"), ""),                              # cửi, chửi, gửi, ngửi
    ("ưu",  only("b c h kh l m ng s t tr v"), ""),               # bưu, cứu, hưu, lưu, ngưu, rượu is ươu
    # 43-54: three letters (no final)
    ("iêu", FRONT_I - {"gh", "v"}, ""),                          # tiêu, kiều, nghiêu
    ("yêu", set(), ""),                                          # yêu: only without an initial
    ("oai", only("ch d đ h kh l ng nh s t th x"), ""),           # khoai, ngoài, loại
    ("oao", only("kh l ng"), ""),                                # ngoao, khều khoào
    ("oay", only("h kh l m ng nh t x"), ""),                     # xoay, ngoáy, moay-ơ
    ("oeo", only("kh l ng"), ""),                                # khoèo, ngoẹo
    ("uây", only("h kh ng x"), ""),                              # khuấy, nguẩy
    ("uôi", only("b c ch d đ g l m n ng r s t th tr x"), ""),    # chuối, muối, nguội
    ("ươi", only("b c ch d đ g kh l m ng p r s t th x"), ""),    # người, tươi, mười
    ("ươu", only("b đ h kh l m ph r t"), ""),                    # hươu, rượu, bướu, khướu
    ("uya", only("kh l m t x đ"), ""),                           # khuya; pơ-luya, đuya-ra
    ("uyu", only("kh ng"), ""),                                  # khuỷu, khuỵu
]

# Typing prefixes.  Typed without shape mark, the engine accepts the first
# letter of a final after a two-letter vowel group only when that letter is
# itself a final allowed after some vowel group with the same unmarked
# spelling ("huy" + n on the way to huynh, "xoo" + n on the way to xoong).
# The whole-syllable tests only look at the first group that holds a
# spelling, so this extra group, whose spellings all appear earlier, adds
# n and c after uy, ue/uê and oo for that letter-by-letter test alone:
# "tuyn", "huyc", "xoon" stay misspelt as complete syllables.  It appears in
# no PAD_NA list.
TYPING_PREFIXES = ("uy uê oo", "n c")


def build():
    pad_index = {p: i for i, p in enumerate(PAD)}
    pac_index = {p: i for i, p in enumerate(PAC)}
    cac_na = [na for na, _, _ in NA] + [TYPING_PREFIXES[0]]
    pad_na = [[] for _ in PAD]
    for j, (na, initials, _) in enumerate(NA):
        unknown = set(initials) - ALL
        assert not unknown, (na, unknown)
        for p in PAD:
            if p in initials:
                pad_na[pad_index[p]].append(j)
    na_pac = [[pac_index[f] for f in finals.split()] for _, _, finals in NA]
    na_pac.append([pac_index[f] for f in TYPING_PREFIXES[1].split()])

    # Contract with the engine code.
    assert cac_na[4] == "uơ" and na_pac[4] == []
    assert PAC[1] == "n" and PAC[2] == "ng"
    for p in ("d", "ph", "gi", "qu"):
        assert p in PAD
    for f in ("ch", "ng", "nh"):
        assert f in PAC
    for na in cac_na[:-1]:
        assert len(na) <= 3, na
    assert len(set(cac_na[:-1])) == len(cac_na) - 1
    for s in TYPING_PREFIXES[0].split():
        assert s in cac_na[:-1], s

    lines = []

    def groups(stem, table):
        lines.append(f"{stem}.Count={len(table)}")
        for i, g in enumerate(table):
            lines.append(f"{stem}.{i}={g}")

    def successions(stem, table):
        for i, nums in enumerate(table):
            lines.append(f"{stem}.{i}=" + " ".join(str(n) for n in nums))

    groups("CacPAD", PAD)
    groups("CacNA", cac_na)
    groups("CacPAC", PAC)
    successions("PAD_NA", pad_na)
    successions("NA_PAC", na_pac)
    return lines


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..", "Resources", "GhepVan.ini")
    data = "\ufeff" + "".join(line + "\n" for line in build())
    with open(out, "wb") as f:
        f.write(data.encode("utf-8"))


if __name__ == "__main__":
    main()
