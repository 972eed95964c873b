#pragma once

#include <string>

#include "TV.h"
#include "Utils.h"

// Key sequences that type a Vietnamese text with a built-in method: each
// shape mark right after its letter, each tone key at the end of its
// syllable. Keys keep the case of their letter; mark and tone keys are
// lower case.
namespace keys {

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

// Keys for one syllable (letters only).
inline std::wstring Syllable(const std::wstring& s, const std::wstring& method)
{
    std::wstring out;
    int tone = -1;
    wchar_t prev = 0;
    for (wchar_t c : s) {
        wchar_t lower = Utils::ToLower(c);
        int t = TV::TimDauThanh(lower);
        if (t >= 0) tone = t;
        wchar_t bare = TV::XoaDauThanh(lower);
        std::wstring k = MarkKeys(bare, method);
        if (Utils::IsUpper(c)) k[0] = Utils::ToUpper(k[0]);
        // In Telex a plain letter after the same one is the mark key: press
        // it once more to undo the mark (o, o, o gives oo).
        if ((method == L"Telex" || method == L"Telex 2") && k.size() == 1 && prev != 0 &&
            Utils::ToLower(prev) == lower && (lower == L'o' || lower == L'a' || lower == L'e' || lower == L'd'))
            out += lower;
        // In VIQR a plain d after d is the bar key.
        if (method == L"VIQR" && k.size() == 1 && prev != 0 && Utils::ToLower(prev) == L'd' && lower == L'd')
            out += L'\\';
        out += k;
        prev = k.size() == 1 ? c : 0;
    }
    if (tone >= 0) out += ToneKey(tone, method);
    return out;
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
