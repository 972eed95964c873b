#pragma once

#include <string>
#include <variant>
#include <vector>

#include "core/IniFile.h"

class CBoGo;
class CGhepVan;

// The options of LuaChon.ini (section "LuaChon"), with their defaults.
// The engine program, the settings tool and the command-line tool read and
// apply them through this one class.
struct LuaChon {
    std::wstring KieuGo = L"Telex 2";
    std::wstring BangMa = L"Unicode";
    bool GoTat = true;
    bool XuLyHoaThuongKhiGoTat = true;
    bool GoTatPAD = false;
    bool GoTatPAC = false;
    bool BoDauThanhKieu2 = false;
    bool PADTuDo = false;
    bool UODiKemPAC = false;
    bool DungTuDienDeKTChinhTa = false;
    bool KhoiPhucPhimVoiTuSai = true;
    bool GoCacTuTVLienTuc = false;
    std::wstring NA_PAC_DacBiet;
    bool Suggestion = false;
    int SoLuongTuGoiY = 24;
    bool SuggestionUIHookUpDownKey = false;
    bool TuThemDauSac = false;
    bool SuaLoiChinhTaTuDon = false;
    bool SuaLoiChinhTaTuGhep = false;
    bool PreEditDecorate = false;
    bool EnableMouseHook = true;
    // The chord that switches Vietnamese and English (a packed CHotKey:
    // Ctrl+Shift released alone; 0 for none), and whether each application
    // keeps its own mode.
    int PhimChuyenCheDo = (2 | 4) << 16;
    bool NhoCheDoTheoUngDung = true;

    typedef std::variant<bool LuaChon::*, int LuaChon::*, std::wstring LuaChon::*> Member;
    struct Key {
        const wchar_t* Name;
        Member Field;
    };
    // The keys, in the order the engine applies them.
    static const std::vector<Key>& Keys();

    static constexpr const wchar_t* Section = L"LuaChon";
    // Options of a section's settings; missing keys keep their defaults.
    static LuaChon Doc(const IniFile::Settings& settings);
    // Options of the file: its section "LuaChon" (exact name), or defaults.
    static LuaChon DocFile(const std::wstring& path);
    // Sets one option from its text; false for an unknown key or a number
    // that does not read.
    bool Dat(const std::wstring& key, const std::wstring& value);
    // Every key with its value, booleans as 1 and 0.
    IniFile::Settings Ghi() const;

    // Applies the typing method, the charset and the engine's own options,
    // in the keys' order.
    void ApDung(CBoGo& boGo) const;
    // The engine's own options only (a host applies method and charset).
    void ApDungBoGo(CBoGo& boGo) const;
    // The special vowel-and-final pairs: every space-separated item longer
    // than one character.
    static void ApDungNA_PAC_DacBiet(CGhepVan& ghepVan, const std::wstring& text);
};
