#include "engine/LuaChon.h"

#include <cwchar>

#include "core/BangMaUtils.h"
#include "core/KieuGoUtils.h"
#include "core/Utils.h"
#include "engine/BoGo.h"

const std::vector<LuaChon::Key>& LuaChon::Keys()
{
    static const std::vector<Key> keys = {
        {L"KieuGo", &LuaChon::KieuGo},
        {L"BangMa", &LuaChon::BangMa},
        {L"GoTat", &LuaChon::GoTat},
        {L"XuLyHoaThuongKhiGoTat", &LuaChon::XuLyHoaThuongKhiGoTat},
        {L"GoTatPAD", &LuaChon::GoTatPAD},
        {L"GoTatPAC", &LuaChon::GoTatPAC},
        {L"BoDauThanhKieu2", &LuaChon::BoDauThanhKieu2},
        {L"PADTuDo", &LuaChon::PADTuDo},
        {L"UODiKemPAC", &LuaChon::UODiKemPAC},
        {L"DungTuDienDeKTChinhTa", &LuaChon::DungTuDienDeKTChinhTa},
        {L"KhoiPhucPhimVoiTuSai", &LuaChon::KhoiPhucPhimVoiTuSai},
        {L"GoCacTuTVLienTuc", &LuaChon::GoCacTuTVLienTuc},
        {L"NA_PAC_DacBiet", &LuaChon::NA_PAC_DacBiet},
        {L"Suggestion", &LuaChon::Suggestion},
        {L"SoLuongTuGoiY", &LuaChon::SoLuongTuGoiY},
        {L"SuggestionUIHookUpDownKey", &LuaChon::SuggestionUIHookUpDownKey},
        {L"TuThemDauSac", &LuaChon::TuThemDauSac},
        {L"SuaLoiChinhTaTuDon", &LuaChon::SuaLoiChinhTaTuDon},
        {L"SuaLoiChinhTaTuGhep", &LuaChon::SuaLoiChinhTaTuGhep},
        {L"PreEditDecorate", &LuaChon::PreEditDecorate},
        {L"EnableMouseHook", &LuaChon::EnableMouseHook},
        {L"PhimChuyenCheDo", &LuaChon::PhimChuyenCheDo},
        {L"NhoCheDoTheoUngDung", &LuaChon::NhoCheDoTheoUngDung},
    };
    return keys;
}

LuaChon LuaChon::Doc(const IniFile::Settings& s)
{
    LuaChon o;
    for (const Key& k : Keys()) {
        std::visit(
            [&](auto field) {
                using T = std::remove_cvref_t<decltype(o.*field)>;
                if constexpr (std::is_same_v<T, bool>)
                    o.*field = IniFile::ReadBool(s, k.Name, o.*field);
                else if constexpr (std::is_same_v<T, int>)
                    o.*field = IniFile::ReadInt(s, k.Name, o.*field);
                else
                    o.*field = IniFile::ReadString(s, k.Name, o.*field);
            },
            k.Field);
    }
    return o;
}

LuaChon LuaChon::DocFile(const std::wstring& path)
{
    if (!Utils::FileExists(path)) return LuaChon();
    IniFile ini;
    IniFile::Sections all = ini.Read(path);
    auto it = all.find(Section);
    return Doc(it == all.end() ? IniFile::Settings() : it->second);
}

bool LuaChon::Dat(const std::wstring& key, const std::wstring& value)
{
    for (const Key& k : Keys()) {
        if (key != k.Name) continue;
        bool ok = true;
        std::visit(
            [&](auto field) {
                using T = std::remove_cvref_t<decltype(this->*field)>;
                if constexpr (std::is_same_v<T, std::wstring>) {
                    this->*field = value;
                } else {
                    wchar_t* end = nullptr;
                    long v = std::wcstol(value.c_str(), &end, 10);
                    ok = !value.empty() && end && *end == 0 && v >= -1000000 && v <= 1000000;
                    if (ok) this->*field = (T)(std::is_same_v<T, bool> ? v != 0 : v);
                }
            },
            k.Field);
        return ok;
    }
    return false;
}

IniFile::Settings LuaChon::Ghi() const
{
    IniFile::Settings s;
    for (const Key& k : Keys()) {
        std::visit(
            [&](auto field) {
                using T = std::remove_cvref_t<decltype(this->*field)>;
                if constexpr (std::is_same_v<T, bool>)
                    s[k.Name] = this->*field ? L"1" : L"0";
                else if constexpr (std::is_same_v<T, int>)
                    s[k.Name] = Utils::ToWString(this->*field);
                else
                    s[k.Name] = this->*field;
            },
            k.Field);
    }
    return s;
}

void LuaChon::ApDung(CBoGo& b) const
{
    b.SetKieuGo(KieuGoUtils::LayKieuGo(KieuGo));
    b.SetBangMa(BangMaUtils::LayBangMa(BangMa));
    ApDungBoGo(b);
}

void LuaChon::ApDungBoGo(CBoGo& b) const
{
    b.GoTat = GoTat;
    b.XuLyHoaThuongKhiGoTat = XuLyHoaThuongKhiGoTat;
    b.GoTatPAD(GoTatPAD);
    b.GoTatPAC(GoTatPAC);
    b.BoDauThanhKieu2 = BoDauThanhKieu2;
    b.GhepVan.PADTuDo(PADTuDo);
    b.GhepVan.UODiKemPAC(UODiKemPAC);
    b.DungTuDienDeKTChinhTa = DungTuDienDeKTChinhTa;
    b.KhoiPhucPhimVoiTuSai = KhoiPhucPhimVoiTuSai;
    b.GoCacTuTVLienTuc = GoCacTuTVLienTuc;
    ApDungNA_PAC_DacBiet(b.GhepVan, NA_PAC_DacBiet);
    b.TuThemDauSac = TuThemDauSac;
    b.SuaLoiChinhTaTuDon = SuaLoiChinhTaTuDon;
    b.SuaLoiChinhTaTuGhep(SuaLoiChinhTaTuGhep);
}

void LuaChon::ApDungNA_PAC_DacBiet(CGhepVan& gv, const std::wstring& text)
{
    gv.Clear_NA_PAC_DacBiet();
    size_t start = 0;
    while (start <= text.size()) {
        size_t sp = text.find(L' ', start);
        std::wstring item = text.substr(start, sp == std::wstring::npos ? std::wstring::npos : sp - start);
        if (item.size() > 1) gv.Add_NA_PAC_DacBiet(item);
        if (sp == std::wstring::npos) break;
        start = sp + 1;
    }
}
