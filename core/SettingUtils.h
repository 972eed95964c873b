#pragma once

#include <string>

// Where the settings and data files live. Shipped, read-only files are in
// the "Resources" folder beside the programs; the user's own files are in
// $XDG_CONFIG_HOME/lirano (~/.config/lirano). A user file that does not
// exist yet is read from where an earlier installation kept it, beside the
// programs, so nothing is lost on upgrade; every write goes to the user's
// folder.
class SettingUtils {
public:
    // The user's file `name` to read: the user's copy, else the one an
    // earlier installation left beside the programs, else the user's path.
    static std::wstring GenerateSettingFilePath(const std::wstring& name);
    static std::wstring GenerateResourceFilePath(const std::wstring& name);
    // The user's folder, made (mode 0700) when missing; the path of `name`
    // in it, for writing. A path given whole is taken by its file name.
    static std::wstring UserFolder();
    static std::wstring ForWriting(const std::wstring& nameOrPath);
    // For programs without a window: "Không ghi được tập tin "path"" and the
    // reason, if any, on standard error.
    static void ReportCannotWrite(const std::wstring& path, const std::string& reason = std::string());
    static std::wstring FileLuaChon() { return GenerateSettingFilePath(L"LuaChon.ini"); }
    static std::wstring FileGoTat() { return GenerateSettingFilePath(L"GoTat.ini"); }
    static std::wstring FileChuyenMa() { return GenerateSettingFilePath(L"ChuyenMa.ini"); }
    static std::wstring SuggestionUsedKeywordsFile() { return GenerateSettingFilePath(L"Suggestion_UsedKeywords.dat"); }
    static std::wstring GetTuDienTuGhep() { return GenerateResourceFilePath(L"TuDienTuGhep.txt"); }
};
