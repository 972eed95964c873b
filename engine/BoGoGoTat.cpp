// Abbreviation expansion and the consonant shortcuts.
#include <algorithm>

#include "core/TV.h"
#include "core/Utils.h"
#include "engine/BoGo.h"

namespace {

bool IsAlnum(wchar_t c) { return (c >= L'0' && c <= L'9') || Utils::IsAlpha(c); }

int Find(const std::vector<std::wstring>& v, const std::wstring& s)
{
    auto it = std::find(v.begin(), v.end(), s);
    return it == v.end() ? -1 : (int)(it - v.begin());
}

} // namespace

bool CBoGo::KTGoTat(CUndoEntry& entry) const
{
    if (GoTat_Search.empty()) return false;
    const size_t L = CacKT.size();
    for (size_t i = 0; i < GoTat_Search.size(); ++i) {
        const std::wstring& a = GoTat_Search[i];
        if (L < a.size()) continue;
        const size_t start = L - a.size();
        if (start > 0 && IsAlnum(CacKT[start - 1])) continue;
        bool same = true;
        for (size_t k = 0; k < a.size() && same; ++k) {
            wchar_t x = CacKT[start + k], y = a[k];
            same = XuLyHoaThuongKhiGoTat ? Utils::ToLower(x) == Utils::ToLower(y) : x == y;
        }
        if (!same) continue;
        std::wstring typed = CacKT.substr(start);
        std::wstring text = i < GoTat_Replace.size() ? GoTat_Replace[i] : std::wstring();
        if (XuLyHoaThuongKhiGoTat) CheckCaseWhenExpandText(typed, text);
        entry = CUndoEntry(typed, text);
        return true;
    }
    return false;
}

void CBoGo::CheckCaseWhenExpandText(const std::wstring& typed, std::wstring& text)
{
    if (Utils::IsUpper(typed)) {
        Utils::ToUpper(text);
    } else if (!text.empty() && !typed.empty() && Utils::IsLower(text[0]) && Utils::IsUpper(typed[0])) {
        text[0] = Utils::ToUpper(text[0]);
    }
}

std::wstring CBoGo::SuaVTDauThanh(const std::wstring& text)
{
    std::wstring r;
    r.reserve(text.size());
    size_t i = 0;
    while (i < text.size()) {
        if (!Utils::IsAlpha(text[i])) {
            r += text[i++];
            continue;
        }
        size_t j = i;
        while (j < text.size() && Utils::IsAlpha(text[j])) ++j;
        TuTiengViet w(this, text.substr(i, j - i));
        if (w.CD0TV == 0 && w.CoNATV()) w.SuaVTDauThanh();
        r += w.CacKT;
        i = j;
    }
    return r;
}

void CBoGo::Expand(const std::wstring& typed, std::wstring& text)
{
    text = SuaVTDauThanh(text);
    CheckCaseWhenExpandText(typed, text);
    text += L' ';
    CacUndo.emplace_back(typed, text);
    BackspaceAndSendString(typed, text);
    Back((int)typed.size());
    Parse(text);
}

void CBoGo::KTGoTatPAD(TuTiengViet* word)
{
    if (!GoTatPADEnabled || word->CDPAD <= 0) return;
    int i = Find(GoTatPAD_Search, word->LayPAD());
    if (i < 0 || (size_t)i >= GoTatPAD_Replace.size()) return;
    if (GhepVan.La_PAD_NA(GoTatPAD_Replace[i], word->LayNA())) word->ThayThePAD(GoTatPAD_Replace[i]);
}

void CBoGo::KTGoTatPAC(TuTiengViet* word)
{
    if (!GoTatPACEnabled || word->CDPAC <= 0) return;
    int i = Find(GoTatPAC_Search, word->LayPAC());
    if (i < 0 || (size_t)i >= GoTatPAC_Replace.size()) return;
    std::wstring na = word->LayNA();
    if (na == L"ê" && GhepVan.LaPADGi(word->LayPAD())) na = L"iê";
    if (GhepVan.La_NA_PAC(na, GoTatPAC_Replace[i])) word->ThayThePAC(GoTatPAC_Replace[i]);
}

void CBoGo::GoTatPAD(bool on)
{
    if (on == GoTatPADEnabled) return;
    GoTatPADEnabled = on;
    for (size_t k = 0; k < GoTatPAD_Search.size() && k < GoTatPAD_Replace.size(); ++k) {
        const std::wstring& key = GoTatPAD_Search[k];
        if (on) {
            if (GhepVan.LaPAD(key)) continue;
            int g = GhepVan.TimNhomPAD(GoTatPAD_Replace[k]);
            if (g < 0) continue;
            GhepVan.CacPAD[g].push_back(key);
            GhepVan.CacPADTuongDuong[key] = GoTatPAD_Replace[k];
        } else {
            bool uncommon = std::find(TV::CacPADKhacThuongDung.begin(), TV::CacPADKhacThuongDung.end(), key) !=
                            TV::CacPADKhacThuongDung.end();
            if (GhepVan.PADTuDoEnabled && uncommon) continue;
            int g = GhepVan.TimNhomPAD(key);
            if (g >= 0) {
                auto& group = GhepVan.CacPAD[g];
                group.erase(std::find(group.begin(), group.end(), key));
            }
            GhepVan.CacPADTuongDuong.erase(key);
        }
    }
}

void CBoGo::GoTatPAC(bool on)
{
    if (on == GoTatPACEnabled) return;
    GoTatPACEnabled = on;
    for (size_t k = 0; k < GoTatPAC_Search.size() && k < GoTatPAC_Replace.size(); ++k) {
        const std::wstring& key = GoTatPAC_Search[k];
        if (on) {
            if (GhepVan.LaPAC(key)) continue;
            int g = GhepVan.TimNhomPAC(GoTatPAC_Replace[k]);
            if (g >= 0) GhepVan.CacPAC[g].push_back(key);
        } else {
            int g = GhepVan.TimNhomPAC(key);
            if (g < 0) continue;
            auto& group = GhepVan.CacPAC[g];
            group.erase(std::find(group.begin(), group.end(), key));
        }
    }
}

void CBoGo::LoadGoTat(const std::wstring& file)
{
    if (!Utils::FileExists(file)) return;
    GoTat_Search.clear();
    GoTat_Replace.clear();
    std::vector<std::wstring> lines = Utils::ReadAllLines(file, '\n');
    for (size_t i = 1; i < lines.size(); ++i) {
        size_t tab = lines[i].find(L'\t');
        if (tab == std::wstring::npos) continue;
        GoTat_Search.push_back(lines[i].substr(0, tab));
        GoTat_Replace.push_back(lines[i].substr(tab + 1));
    }
}
