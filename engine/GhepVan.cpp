#include "engine/GhepVan.h"

#include <algorithm>
#include <cerrno>
#include <cwchar>

#include "core/IniFile.h"
#include "core/TV.h"
#include "core/Utils.h"

namespace {

std::vector<std::wstring> Split(const std::wstring& value)
{
    std::vector<std::wstring> r;
    if (value.empty()) return r;
    size_t start = 0;
    for (;;) {
        size_t sp = value.find(L' ', start);
        r.push_back(value.substr(start, sp == std::wstring::npos ? std::wstring::npos : sp - start));
        if (sp == std::wstring::npos) break;
        start = sp + 1;
    }
    return r;
}

// A missing or unreadable number counts as 0.
int ParseInt(const std::wstring& s, bool* ok = nullptr)
{
    wchar_t* end = nullptr;
    errno = 0;
    long v = std::wcstol(s.c_str(), &end, 10);
    bool good = end != s.c_str() && errno == 0 && v >= -1000000 && v <= 1000000;
    if (ok) *ok = good;
    return good ? (int)v : 0;
}

CGhepVan::NhomAm DocCacAm(const IniFile::Settings& s, const std::wstring& stem)
{
    CGhepVan::NhomAm r;
    int n = ParseInt(IniFile::ReadString(s, stem + L".Count", L""));
    for (int i = 0; i < n; ++i) r.push_back(Split(IniFile::ReadString(s, stem + L"." + Utils::ToWString(i), L"")));
    return r;
}

// Group numbers outside the target table are dropped, so a damaged file
// cannot send a look-up out of bounds.
std::vector<std::vector<int>> DocCacCachGhep(const IniFile::Settings& s, const std::wstring& stem, size_t count,
                                             size_t limit)
{
    std::vector<std::vector<int>> r;
    for (size_t i = 0; i < count; ++i) {
        std::vector<int> list;
        for (const std::wstring& piece : Split(IniFile::ReadString(s, stem + L"." + Utils::ToWString(i), L""))) {
            bool ok;
            int v = ParseInt(piece, &ok);
            if (ok && v >= 0 && (size_t)v < limit) list.push_back(v);
        }
        r.push_back(std::move(list));
    }
    return r;
}

bool Contains(const std::vector<int>& v, int x) { return std::find(v.begin(), v.end(), x) != v.end(); }

bool StartsWith(const std::wstring& s, const std::wstring& prefix) { return s.compare(0, prefix.size(), prefix) == 0; }

} // namespace

CGhepVan::CGhepVan() { Load(Utils::GetExeFolder() + L"/Resources/GhepVan.ini"); }

CGhepVan::CGhepVan(const std::wstring& file) { Load(file); }

void CGhepVan::Load(const std::wstring& file)
{
    IniFile ini;
    IniFile::Settings s = ini.ReadFlatSection(file);
    CacPAD = DocCacAm(s, L"CacPAD");
    CacNA = DocCacAm(s, L"CacNA");
    CacPAC = DocCacAm(s, L"CacPAC");
    PAD_NA = DocCacCachGhep(s, L"PAD_NA", CacPAD.size(), CacNA.size());
    NA_PAC = DocCacCachGhep(s, L"NA_PAC", CacNA.size(), CacPAC.size());
    UpdateProperties();
}

void CGhepVan::UpdateProperties()
{
    for (const std::vector<std::wstring>& group : CacNA) {
        std::vector<std::wstring> bare;
        for (const std::wstring& na : group) {
            std::wstring b = TV::XoaDauVaDauThanh(na);
            if (std::find(bare.begin(), bare.end(), b) == bare.end()) bare.push_back(b);
        }
        CacNA0Dau.push_back(std::move(bare));
    }
}

void CGhepVan::PADTuDo(bool on)
{
    if (on == PADTuDoEnabled) return;
    PADTuDoEnabled = on;
    for (size_t k = 0; k < TV::CacPADKhacThuongDung.size(); ++k) {
        std::wstring x(TV::CacPADKhacThuongDung[k]);
        std::wstring e(TV::CacPADKhacTuongDuong[k]);
        if (on) {
            if (LaPAD(x)) continue;
            int g = TimNhomPAD(e);
            if (g < 0) continue;
            CacPAD[g].push_back(x);
            CacPADTuongDuong.emplace(x, e);
        } else {
            int g = TimNhomPAD(x);
            if (g < 0) continue;
            std::vector<std::wstring>& group = CacPAD[g];
            group.erase(std::find(group.begin(), group.end(), x));
            CacPADTuongDuong.erase(x);
        }
    }
}

void CGhepVan::UODiKemPAC(bool on)
{
    UODiKemPACEnabled = on;
    if (on && NA_PAC.size() > 4) {
        // Only when the file has those final groups.
        if (CacPAC.size() > 1) NA_PAC[4].push_back(1);
        if (CacPAC.size() > 2) NA_PAC[4].push_back(2);
    }
}

void CGhepVan::Add_NA_PAC_DacBiet(const std::wstring& s)
{
    size_t i = 0;
    while (i < s.size() && TV::LaNADonKoCoDauThanh(s[i])) ++i;
    if (i == s.size()) return;
    CacNA_PAC_DacBiet.emplace(s.substr(0, i), s.substr(i));
}

bool CGhepVan::LaPACDacBiet(const std::wstring& s) const
{
    for (const auto& [na, pac] : CacNA_PAC_DacBiet)
        if (pac == s) return true;
    return false;
}

int CGhepVan::TimNhomAm(const NhomAm& table, const std::wstring& s)
{
    for (size_t i = 0; i < table.size(); ++i)
        for (const std::wstring& e : table[i])
            if (e == s) return (int)i;
    return -1;
}

bool CGhepVan::LaPAD(const std::wstring& pad) const { return TimNhomPAD(pad) >= 0; }

bool CGhepVan::LaNA(const std::wstring& na) const { return na.size() <= 3 && TimNhomNA(na) >= 0; }

bool CGhepVan::LaPAC(const std::wstring& pac) const { return TimNhomPAC(pac) >= 0 || LaPACDacBiet(pac); }

bool CGhepVan::LaNAKhongDau(const std::wstring& na0) const
{
    if (na0.size() > 3 || na0.empty()) return false;
    if (na0.size() == 1) return TV::IsLowerVowel(na0[0]);
    return CoTrongNhomAm(CacNA0Dau, na0);
}

bool CGhepVan::La_PAD_NA(const std::wstring& pad, const std::wstring& na) const
{
    int i = TimNhomPAD(pad);
    if (i < 0) return false;
    int j = TimNhomNA(na);
    return j >= 0 && Contains(PAD_NA[i], j);
}

bool CGhepVan::La_PAD_NA0Dau(const std::wstring& pad, const std::wstring& na0) const
{
    int i = TimNhomPAD(pad);
    if (i < 0) return false;
    for (int k : PAD_NA[i]) {
        const std::vector<std::wstring>& g = CacNA0Dau[k];
        if (std::find(g.begin(), g.end(), na0) != g.end()) return true;
    }
    return false;
}

bool CGhepVan::SpecialFinal(const std::wstring& na, const std::wstring& pac, bool prefix) const
{
    auto it = CacNA_PAC_DacBiet.find(na);
    if (it == CacNA_PAC_DacBiet.end()) return false;
    return prefix ? StartsWith(it->second, pac) : it->second == pac;
}

bool CGhepVan::La_NA_PAC(const std::wstring& na, const std::wstring& pac) const
{
    if (SpecialFinal(na, pac, false)) return true;
    int i = TimNhomNA(na);
    if (i < 0) return false;
    int j = TimNhomPAC(pac);
    return j >= 0 && Contains(NA_PAC[i], j);
}

bool CGhepVan::La_NA0Dau_PAC(const std::wstring& na0, const std::wstring& pac) const
{
    if (SpecialFinal(na0, pac, false)) return true;
    int j = TimNhomPAC(pac);
    if (j < 0) return false;
    for (size_t i = 0; i < CacNA0Dau.size(); ++i) {
        const std::vector<std::wstring>& g = CacNA0Dau[i];
        if (std::find(g.begin(), g.end(), na0) != g.end() && Contains(NA_PAC[i], j)) return true;
    }
    return false;
}

bool CGhepVan::LaPADGi(const std::wstring& pad) const
{
    if (pad == L"gi") return true;
    auto it = CacPADTuongDuong.find(pad);
    return it != CacPADTuongDuong.end() && it->second == L"gi";
}

bool CGhepVan::La_NA_PAC(const std::wstring& pad, const std::wstring& na, const std::wstring& pac) const
{
    if (na == L"ê" && LaPADGi(pad)) return La_NA_PAC(L"iê", pac);
    return La_NA_PAC(na, pac);
}

bool CGhepVan::La_PAD_NA_PAC(const std::wstring& pad, const std::wstring& na, const std::wstring& pac) const
{
    if (pad.empty() && pac.empty()) return LaNA(na);
    if (pac.empty()) return La_PAD_NA(pad, na);
    if (!pad.empty()) {
        if (!La_PAD_NA(pad, na)) return false;
        return La_NA_PAC(pad, na, pac);
    }
    return La_NA_PAC(na, pac);
}

bool CGhepVan::CoTheLa_NA_PAC(const std::wstring& na, const std::wstring& pac) const
{
    if (SpecialFinal(na, pac, true)) return true;
    int i = TimNhomNA(na);
    if (i < 0) return false;
    for (int j : NA_PAC[i])
        for (const std::wstring& p : CacPAC[j])
            if (StartsWith(p, pac)) return true;
    return false;
}

bool CGhepVan::CoTheLa_PAD_NA_PAC(const std::wstring& pad, const std::wstring& na, const std::wstring& pac) const
{
    if (pad.empty() && pac.empty()) return LaNA(na);
    if (pac.empty()) return La_PAD_NA(pad, na);
    if (!pad.empty()) {
        if (!La_PAD_NA(pad, na)) return false;
        if (na == L"ê" && LaPADGi(pad)) return CoTheLa_NA_PAC(L"iê", pac);
        return CoTheLa_NA_PAC(na, pac);
    }
    return CoTheLa_NA_PAC(na, pac);
}
