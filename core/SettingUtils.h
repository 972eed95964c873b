#pragma once

#include <string>

// Where the settings and data files live: beside the programs, and in the
// "Resources" folder beside them.
class SettingUtils {
public:
    static std::wstring GenerateSettingFilePath(const std::wstring& name);
    static std::wstring GenerateResourceFilePath(const std::wstring& name);
    static std::wstring FileLuaChon() { return GenerateSettingFilePath(L"LuaChon.ini"); }
    static std::wstring FileGoTat() { return GenerateSettingFilePath(L"GoTat.ini"); }
    static std::wstring FileChuyenMa() { return GenerateSettingFilePath(L"ChuyenMa.ini"); }
    static std::wstring SuggestionUsedKeywordsFile() { return GenerateSettingFilePath(L"Suggestion_UsedKeywords.dat"); }
    static std::wstring GetTuDienTuGhep() { return GenerateResourceFilePath(L"TuDienTuGhep.txt"); }
};
