#pragma once

#include <string>

#include "core/TV.h"
#include "core/Utils.h"

// Key sequences that type a Vietnamese text with a built-in method: each
// shape mark right after its letter, each tone key at the end of its
// syllable. Keys keep the case of their letter; mark and tone keys are
// lower case.
namespace keys {

// Split used to build keys and expected texts, independent of the engine:
// initial (qu, gi before a vowel, else consonants), vowels, final.
struct Split {
    std::wstring pad, na, pac;
};

inline Split SplitSyllable(const std::wstring& s)
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
inline std::wstring PlaceTone(const std::wstring& s, bool kieu2)
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

inline std::wstring MarkKeys(wchar_t bare, const std::wstring& method)
{
    const bool telex = method == L"Telex" || method == L"Telex 2";
    const bool vni = method == L"VNI";
    switch (bare) {
    case L'â': return telex ? L"aa" : vni ? L"a6" : L"a^";
    case L'ê': return telex ? L"ee" : vni ? L"e6" : L"e^";
    case L'ô': return telex ? L"oo" : vni ? L"o6" : L"o^";
    case L'ă': return telex ? L"aw" : vni ? L"a8" : L"a(";
    case L'ơ': return telex ? L"ow" : vni ? L"o7" : L"o+";
    case L'ư': return telex ? L"uw" : vni ? L"u7" : L"u+";
    case L'đ': return telex ? L"dd" : vni ? L"d9" : L"dd";
    default: return std::wstring(1, bare);
    }
}

inline wchar_t ToneKey(int tone, const std::wstring& method)
{
    if (method == L"VNI") return L"12345"[tone];
    if (method == L"VIQR") return L"'`?~."[tone];
    return L"sfrxj"[tone];
}

// Keys for one syllable (letters only); the tone key at the end, or right
// after the vowel group.
inline std::wstring Syllable(const std::wstring& s, const std::wstring& method, bool toneAfterVowels = false)
{
    std::wstring out;
    int tone = -1;
    wchar_t prev = 0;
    const size_t vowelsEnd = [&] {
        Split p = SplitSyllable(Utils::ToLower(s));
        return p.pad.size() + p.na.size();
    }();
    for (size_t i = 0; i < s.size(); ++i) {
        const wchar_t c = s[i];
        if (toneAfterVowels && i == vowelsEnd && tone >= 0) {
            out += ToneKey(tone, method);
            tone = -1;
        }
        wchar_t lower = Utils::ToLower(c);
        int t = TV::TimDauThanh(lower);
        if (t >= 0) tone = t;
        wchar_t bare = TV::XoaDauThanh(lower);
        std::wstring k = MarkKeys(bare, method);
        if (Utils::IsUpper(c)) k[0] = Utils::ToUpper(k[0]);
        // In Telex a plain letter after the same one is the mark key: press
        // it once more to undo the mark (o, o, o gives oo).
        if ((method == L"Telex" || method == L"Telex 2") && k.size() == 1 && prev == bare &&
            (bare == L'o' || bare == L'a' || bare == L'e' || bare == L'd'))
            out += bare;
        // In VIQR a plain d after d is the bar key.
        if (method == L"VIQR" && k.size() == 1 && prev == L'd' && bare == L'd') out += L'\\';
        out += k;
        prev = k.size() == 1 ? bare : 0;
    }
    if (tone >= 0) out += ToneKey(tone, method);
    return out;
}

// The orders people type a syllable in, beyond the one above: shape marks
// typed once all letters are in (after the final, before or after the
// tone), and the tone between the two letters of the final, with the marks
// after their letters or at the end.
enum class Order {
    MarkAfterLetter,
    ToneAfterVowels,
    ToneInsideFinal,
    MarksAtEnd,
    ToneThenMarks,
    ToneInsideFinalThenMarks
};

// Keys for one syllable in `order`; empty when the order does not apply
// (no final of two letters, no mark, or marks that only their own letter
// can carry: ư and ơ apart, đ).
inline std::wstring Syllable(const std::wstring& s, const std::wstring& method, Order order)
{
    if (order == Order::MarkAfterLetter) return Syllable(s, method);
    if (order == Order::ToneAfterVowels) return Syllable(s, method, true);
    const Split p = SplitSyllable(Utils::ToLower(s));
    std::wstring letters, marks;
    int tone = -1;
    for (size_t i = 0; i < s.size(); ++i) {
        const wchar_t lower = Utils::ToLower(s[i]);
        if (TV::TimDauThanh(lower) >= 0) tone = TV::TimDauThanh(lower);
        const wchar_t bare = TV::XoaDauThanh(lower);
        const std::wstring k = MarkKeys(bare, method);
        letters += Utils::IsUpper(s[i]) ? Utils::ToUpper(k[0]) : k[0];
        if (k.size() > 1 && marks.find(k.substr(1)) == std::wstring::npos) marks += k.substr(1);
    }
    const std::wstring toneKey = tone >= 0 ? std::wstring(1, ToneKey(tone, method)) : std::wstring();
    if (order == Order::ToneInsideFinal) {
        if (p.pac.size() != 2 || toneKey.empty()) return std::wstring();
        std::wstring k = Syllable(s, method);
        k.pop_back(); // the tone key at the end
        return k.insert(k.size() - 1, toneKey);
    }
    // One mark key per kind, and only where it can only mean one letter.
    const std::wstring l = Utils::ToLower(s);
    if (marks.empty() || l.find(L'đ') != std::wstring::npos ||
        (l.find(L'ư') != std::wstring::npos) != (l.find(L'ơ') != std::wstring::npos) || marks.size() > 1)
        return std::wstring();
    if (order == Order::ToneInsideFinalThenMarks) {
        if (p.pac.size() != 2 || toneKey.empty()) return std::wstring();
        return letters.substr(0, letters.size() - 1) + toneKey + letters.back() + marks;
    }
    return order == Order::MarksAtEnd ? letters + marks + toneKey : letters + toneKey + marks;
}

// Keys for a text of syllables separated by single spaces.
inline std::wstring Text(const std::wstring& text, const std::wstring& method)
{
    std::wstring out, word;
    for (wchar_t c : text + L" ") {
        if (c == L' ') {
            if (!word.empty()) out += Syllable(word, method);
            out += L' ';
            word.clear();
        } else {
            word += c;
        }
    }
    out.pop_back();
    return out;
}

} // namespace keys
