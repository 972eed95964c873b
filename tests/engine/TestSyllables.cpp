#include <gtest/gtest.h>

#include <fstream>
#include <map>

#include "UtfConverter.h"
#include "WordTyper.h"

namespace {

// Every letters-only piece of the two word lists (Viet74K.txt and
// vi_VN.dic, lower-cased, split at spaces and hyphens) with the verdict of
// the independent checker tools/check_syllables.py: "ok" or why standard
// spelling rejects it. Toneless c/ch/p/t finals ("notone") are typos the
// engine's rules accept, like any toneless word.
const std::map<std::wstring, std::wstring>& Verdicts()
{
    static const std::map<std::wstring, std::wstring> all = [] {
        std::map<std::wstring, std::wstring> r;
        for (const std::wstring& line :
             Utils::ReadAllLines(Utils::ToWString(LIRANO_SOURCE_DIR "/tests/engine/syllables.tsv"))) {
            if (line.empty() || line[0] == L'#') continue;
            size_t tab = line.find(L'\t');
            if (tab != std::wstring::npos) r.emplace(line.substr(0, tab), line.substr(tab + 1));
        }
        return r;
    }();
    return all;
}

bool Accepted(const std::wstring& verdict) { return verdict == L"ok" || verdict == L"notone"; }

std::string U8(const std::wstring& s) { return UtfConverter::ToUtf8(s); }

// Split used to build keys and expected texts, independent of the engine:
// initial (qu, gi before a vowel, else consonants), vowels, final.
struct Split {
    std::wstring pad, na, pac;
};

Split SplitSyllable(const std::wstring& s)
{
    Split r;
    size_t i = 0;
    auto vowel = [](wchar_t c) { return TV::LaNADon(c); };
    if (s.compare(0, 2, L"qu") == 0 && s.size() > 2 && vowel(s[2]))
        i = 2;
    else if (s.compare(0, 2, L"gi") == 0 && s.size() > 2 && vowel(s[2]))
        i = 2;
    else
        while (i < s.size() && !vowel(s[i])) ++i;
    size_t j = i;
    while (j < s.size() && vowel(s[j])) ++j;
    if (i == 2 && s[1] == L'i' && j == i) i = 1; // gi + consonant: the i is the vowel
    r.pad = s.substr(0, i);
    r.na = s.substr(i, j - i);
    r.pac = s.substr(j);
    return r;
}

// The syllable with its tone where standard spelling puts it: on the
// shape-marked vowel (the later of ươ); else on a lone vowel; else on the
// second vowel before a final or in a group of three; else on the first,
// except oa, oe and uy, which take it on the second in the second style.
std::wstring PlaceTone(const std::wstring& s, bool kieu2)
{
    Split p = SplitSyllable(s);
    int t = -1;
    std::wstring bare;
    for (wchar_t c : p.na) {
        if (TV::TimDauThanh(c) >= 0) t = TV::TimDauThanh(c);
        bare += TV::XoaDauThanh(c);
    }
    if (t < 0 || bare.empty()) return s;
    int at = -1;
    for (size_t i = 0; i < bare.size(); ++i)
        if (TV::LaNADonCoDau(bare[i])) at = (int)i;
    if (at < 0) {
        if (bare.size() == 1)
            at = 0;
        else if (!p.pac.empty() || bare.size() == 3 || (kieu2 && (bare == L"oa" || bare == L"oe" || bare == L"uy")))
            at = 1;
        else
            at = 0;
    }
    bare[at] = TV::ThemDauThanh(bare[at], (DauThanh)t);
    return p.pad + bare + p.pac;
}

std::wstring TelexLetter(wchar_t c)
{
    switch (c) {
    case L'â': return L"aa";
    case L'ă': return L"aw";
    case L'ê': return L"ee";
    case L'ô': return L"oo";
    case L'ơ': return L"ow";
    case L'ư': return L"uw";
    case L'đ': return L"dd";
    default: return std::wstring(1, c);
    }
}

// Telex 2 keys: marks right after their letter, and the tone key either at
// the end of the syllable or right after the vowel group.
std::wstring TelexKeys(const std::wstring& s, bool toneAfterVowels)
{
    static const wchar_t toneKeys[] = L"sfrxj";
    Split p = SplitSyllable(s);
    int t = -1;
    std::wstring keys;
    for (wchar_t c : p.pad) keys += TelexLetter(c);
    wchar_t prev = 0;
    for (wchar_t c : p.na) {
        if (TV::TimDauThanh(c) >= 0) t = TV::TimDauThanh(c);
        wchar_t bare = TV::XoaDauThanh(c);
        // A plain o after o is the circumflex key pressed twice: o, o, o.
        if (bare == L'o' && prev == L'o') keys += L'o';
        keys += TelexLetter(bare);
        prev = bare;
    }
    if (toneAfterVowels && t >= 0) keys += toneKeys[t];
    for (wchar_t c : p.pac) keys += TelexLetter(c);
    if (!toneAfterVowels && t >= 0) keys += toneKeys[t];
    return keys;
}

} // namespace

TEST(Syllables, WordListsAreAcceptedExceptTheDocumentedRejections)
{
    CBoGo bogo;
    ASSERT_GT(Verdicts().size(), 9000u);
    std::vector<std::string> wrong;
    size_t accepted = 0;
    for (const auto& [s, verdict] : Verdicts()) {
        TuTiengViet w(&bogo, s);
        bool ok = w.CoNAVaDungCT();
        accepted += ok;
        if (ok != Accepted(verdict))
            wrong.push_back(U8(s) + (ok ? " accepted, but the checker says " + U8(verdict) : " rejected"));
    }
    for (size_t i = 0; i < wrong.size() && i < 40; ++i) ADD_FAILURE() << wrong[i];
    EXPECT_EQ(wrong.size(), 0u);
    std::cout << "pieces: " << Verdicts().size() << ", accepted " << accepted << ", rejected "
              << Verdicts().size() - accepted << "\n";
}

TEST(Syllables, NonSyllablesAreRejected)
{
    CBoGo bogo;
    for (const wchar_t* s : {L"ka", L"ci", L"ce", L"gha", L"nghu", L"ngi", L"quu", L"iê", L"ươ", L"uô", L"yê", L"â",
                             L"ă", L"oă", L"tiê", L"muô", L"lươ", L"xuyê", L"boo", L"bâ", L"hoă", L"tuâ", L"anb",
                             L"ôx", L"ak", L"em", L"àc", L"tàch", L"bảp", L"mãt", L"khoai", L"khuyua", L"uyua",
                             L"quoai", L"krôm", L"fan", L"zô", L"gì", L"gìn"}) {
        TuTiengViet w(&bogo, s);
        bool wanted = std::wstring(s) == L"em" || std::wstring(s) == L"khoai" || std::wstring(s) == L"gì" ||
                      std::wstring(s) == L"gìn";
        EXPECT_EQ(w.CoNAVaDungCT(), wanted) << U8(s);
    }
}

TEST(Syllables, EveryAcceptedSyllableTypesBackInTelex2)
{
    size_t total = 0, good = 0;
    std::vector<std::string> wrong;
    for (bool kieu2 : {false, true}) {
        CBoGo bogo;
        bogo.BoDauThanhKieu2 = kieu2;
        WordTyper typer(bogo);
        for (const auto& [s, verdict] : Verdicts()) {
            if (!Accepted(verdict)) continue;
            std::wstring expected = PlaceTone(s, kieu2);
            for (bool toneAfterVowels : {false, true}) {
                std::wstring keys = TelexKeys(s, toneAfterVowels);
                std::wstring got = typer.Type(keys);
                ++total;
                if (got == expected && typer.Word && !typer.Word->KoPhaiTV())
                    ++good;
                else
                    wrong.push_back(U8(keys) + " -> " + U8(got) + " (expected " + U8(expected) +
                                    (kieu2 ? ", second style)" : ")"));
            }
        }
    }
    for (size_t i = 0; i < wrong.size() && i < 400; ++i) ADD_FAILURE() << wrong[i];
    std::cout << "typed back: " << good << " of " << total << "\n";
    EXPECT_EQ(good, total);
}
