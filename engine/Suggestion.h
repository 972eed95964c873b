#pragma once

#include <map>
#include <string>
#include <vector>

#include "core/TuDienTuGhep.h"

// Finds and orders completions from the compound-word dictionary for a
// list of keywords: phrases begun with their marks, typed without marks,
// or typed as the initials of their words.
class CSuggestion {
public:
    // Each character up to U+1EF9 of the suggestion alphabet, in lower case
    // without marks; 0 for every other character.
    static unsigned char KTThuongKoDau[0x1EFA];
    static bool Initialized;
    static bool Initialize();
    static wchar_t Fold(wchar_t c) { return c >= 0 && c <= 0x1EF9 ? (wchar_t)KTThuongKoDau[c] : 0; }

    TuDienTuGhep* TDTG = nullptr;
    std::vector<bool> DaChon;
    std::vector<std::wstring> CacAcronym;
    std::map<std::wstring, std::vector<int>> UsedKeywords;
    std::vector<std::wstring> Keywords;
    int SoLuongTuGoiY = 0;
    std::vector<int> Results;
    bool CoGioiHan = false;
    std::vector<int> KeywordStarts;
    std::vector<std::wstring> KeywordsKoKetQua;

    void SetTuDien(TuDienTuGhep* tdtg);
    void Filter();
    int GetFilterIndex(int result) const;
    std::wstring GetFilter(int result) const;
    std::wstring GetKeywordText(int entry) const;
    void AddLastUsedKeyword(const std::wstring& keyword, int entry);
    // Replaces the file whole (nothing while there is no history); false,
    // with the message on standard error, when it cannot be written.
    bool SerializeUsedKeywords(const std::wstring& path) const;
    // False, and no history, when the file is damaged (it is left as it is,
    // for the next save to replace).
    bool DeserializeUsedKeywords(const std::wstring& path);

    bool KeywordEquals(int entry, const std::wstring& kw) const;
    bool KeywordEquals(int entry, const std::wstring& kw, size_t count) const;
    bool KeywordStartsWith(int entry, const std::wstring& kw) const;
    bool KeywordEndsWith(int entry, const std::wstring& kw) const;
    bool FirstWordEquals(int entry, const std::wstring& kw) const;
    bool SecondWordEquals(int entry, const std::wstring& kw) const;
    bool SecondWordStartsWith(int entry, const std::wstring& kw) const;
    static std::wstring FindSecondWord(const std::wstring& text);
    static std::wstring FindLastWord(const std::wstring& text);
    static std::wstring FindWords(const std::wstring& text, int n);
    static int LastWordCoKTTV(const std::wstring& text);
    std::wstring GetAcronym(int entry) const;

private:
    // Entries folded once when the dictionary is attached (ASCII).
    std::vector<std::string> Folded;
    bool Full = false;

    void Filter(const std::wstring& kw);
    void Filter2(const std::wstring& kw, int from, int to);
    void AddKeyword(int entry);
    template <typename Pred> void AddEach(int from, int to, Pred pred);
};
