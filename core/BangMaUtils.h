#pragma once

#include <map>
#include <string>
#include <vector>

#include "core/IniFile.h"

// A charset: each Vietnamese letter and its encoded form. The empty table is
// "Unicode" (precomposed letters, written as they are). 8-bit forms hold one
// character U+0000-U+00FF per byte.
typedef std::map<wchar_t, std::wstring> BangMaMap;

// Names and loads the charsets: the built-in ones in Resources/BangMa.ini,
// the user's in BangMa.ini beside the programs.
class BangMaUtils {
public:
    static IniFile IF;
    static std::wstring FileBangMa;
    static std::wstring FileTuDinhNghia;
    static std::vector<std::wstring> TenCacBangMaCoSan;
    static constexpr const wchar_t* Unicode = L"Unicode";
    static bool Initialized;

    static bool Initialize();
    static std::vector<std::wstring> LayTenCacBangMa(const std::wstring& file);
    static std::vector<std::wstring> LayTenCacBangMaCoSan();
    static std::vector<std::wstring> LayTenCacBangMaTuDinhNghia();
    static std::vector<std::wstring> LayTenTatCaBangMa();
    static BangMaMap LayBangMa(const std::map<std::wstring, std::wstring>& section);
    static BangMaMap LayBangMaFromFile(const std::wstring& file, const std::wstring& name);
    static BangMaMap LayBangMaCoSan(const std::wstring& name);
    static BangMaMap LayBangMa(const std::wstring& name);
    static bool LaBangMaUnicode(const BangMaMap& table);
    static bool LaBangMaUnicode(const std::wstring& name);
    // Source form -> target form of the same letter.
    static std::map<std::wstring, std::wstring> TaoBangMa(const BangMaMap& source, const BangMaMap& target,
                                                          bool PreferLower);
    // Encoded form -> the letter.
    static std::map<std::wstring, std::wstring> TaoBangMaNguoc(const BangMaMap& table, bool PreferLower);
};
