#pragma once

#include <string>
#include <vector>

// The single-syllable dictionary (Resources/TuDien.txt), loaded at start-up.
class TuDien {
public:
    static std::wstring FileTuDien;
    static std::vector<std::wstring> v; // sorted
    static bool Initialized;

    static bool Initialize();
    // The words of a file, blank lines left out, sorted.
    static std::vector<std::wstring> DocFile(const std::wstring& path);
    // Exact: callers pass the lower-case form of a word.
    static bool CoTrongTuDien(const std::wstring& w);
};
