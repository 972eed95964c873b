#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

// The compound-word dictionary (Resources/TuDienTuGhep.txt), loaded on
// demand. Words are grouped by base letter; a look-up compares hashes
// within the block of the word's base letter.
class TuDienTuGhep {
public:
    std::vector<std::wstring> Words;
    std::vector<uint32_t> Hashes;
    std::map<wchar_t, int> AlphabetStart;

    TuDienTuGhep() = default;

    void ReadTxtFile(const std::wstring& path);
    void GenerateHashes();
    void FreeMemory();
    bool GetAlphabetRange(wchar_t c, int& first, int& last) const;
    bool CoTrongTuDien(const std::wstring& w);
    int IndexOf(const std::wstring& w);

private:
    // (hash, index) in ascending order: finds the first index of a hash in
    // a range without scanning it. Rebuilt with the hashes.
    std::vector<std::pair<uint32_t, int>> HashIndex;
    void BuildHashIndex();
};
