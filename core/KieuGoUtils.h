#pragma once

#include <map>
#include <string>
#include <vector>

#include "core/ChucNangPhim.h"
#include "core/IniFile.h"

// A typing method: what each (lower-case) key does.
typedef std::map<wchar_t, ChucNangPhim> KieuGoMap;

// Lists and loads typing methods: the built-in ones in Resources/KieuGo.ini
// and the user's in KieuGo.ini beside the programs.
//
// The members are filled once during start-up, before the ordinary static
// objects of any file, so those may use this class.
class KieuGoUtils {
public:
    static IniFile IF;
    static std::wstring FileKieuGo;
    static std::wstring FileTuDinhNghia;
    static std::vector<std::wstring> MoTaChucNangPhim;
    static std::vector<std::wstring> TenCacKieuGoCoSan;
    static constexpr const wchar_t* Default = L"Telex 2";
    static bool Initialized;

    static bool Initialize();
    static const std::vector<std::wstring>& GetMoTaChucNangPhim();

    static std::vector<std::wstring> LayTenCacKieuGo(const std::wstring& file);
    static std::vector<std::wstring> LayTenCacKieuGoCoSan();
    static std::vector<std::wstring> LayTenCacKieuGoTuDinhNghia();
    static std::vector<std::wstring> LayTenTatCaKieuGo();
    static KieuGoMap LayKieuGo(const std::map<std::wstring, std::wstring>& section);
    static KieuGoMap LayKieuGoFromFile(const std::wstring& file, const std::wstring& name);
    static KieuGoMap LayKieuGoCoSan(const std::wstring& name);
    static KieuGoMap LayKieuGo(const std::wstring& name);
};
