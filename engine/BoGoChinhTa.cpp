// Spelling correction of single words and of word pairs.
#include "core/TuDien.h"
#include "core/Utils.h"
#include "engine/BoGo.h"
#include "engine/IInputMethodService.h"

namespace {

template <size_t N> int Find(const std::array<std::wstring_view, N>& a, const std::wstring& s)
{
    for (size_t i = 0; i < N; ++i)
        if (a[i] == s) return (int)i;
    return -1;
}

int FindTone(const std::array<DauThanh, 2>& a, int t)
{
    for (size_t i = 0; i < a.size(); ++i)
        if (a[i] == t) return (int)i;
    return -1;
}

// The word in lower case with its tone replaced.
std::wstring WithTone(const TuTiengViet* w, DauThanh t)
{
    std::wstring s = w->CacKTThuong;
    if (w->VTDT >= 0 && (size_t)w->VTDT < s.size()) s[w->VTDT] = TV::ThemDauThanh(w->KTCoDT, t);
    return s;
}

} // namespace

bool CBoGo::CoTrongTuDienTuGhep(const std::wstring& text) const { return Service && Service->TDTG.CoTrongTuDien(text); }

void CBoGo::SuaLoiChinhTaTuGhep(bool on)
{
    if (on == SuaLoiChinhTaTuGhepEnabled) return;
    if (!on) {
        SuaLoiChinhTaTuGhepEnabled = false;
        if (Service) Service->FinalizeTuDienTuGhep();
    } else {
        SuaLoiChinhTaTuGhepEnabled = Service && Service->InitTuDienTuGhep(true);
    }
}

bool CBoGo::SuaLoiChinhTaPAD(TuTiengViet* word)
{
    if (word->CDPAD <= 0) return false;
    int i = Find(PAD_Search, word->LayPAD());
    if (i < 0) return false;
    std::wstring r(PAD_Replace[i]);
    if (!TuDien::CoTrongTuDien(r + word->Lay_NA_PAC())) return false;
    word->ThayThePAD(r);
    return true;
}

bool CBoGo::SuaLoiChinhTaPAC(TuTiengViet* word)
{
    if (word->CDPAC <= 0) return false;
    int i = Find(PAC_Search, word->LayPAC());
    if (i < 0) return false;
    std::wstring r(PAC_Replace[i]);
    if (!TuDien::CoTrongTuDien(word->Lay_PAD_NA() + r)) return false;
    word->ThayThePAC(r);
    return true;
}

bool CBoGo::SuaLoiChinhTaHoiNga(TuTiengViet* word)
{
    int i = FindTone(DT_Search, word->DT);
    if (i < 0) return false;
    if (!TuDien::CoTrongTuDien(WithTone(word, DT_Replace[i]))) return false;
    word->ThayTheDauThanh(DT_Replace[i]);
    return true;
}

bool CBoGo::SuaLoiChinhTaPAD2(TuTiengViet* previous)
{
    TuTiengViet* w = TuTV.get();
    int i = w->CDPAD > 0 ? Find(PAD_Search, w->LayPAD()) : -1;
    int g = previous->CDPAD > 0 ? Find(PAD_Search, previous->LayPAD()) : -1;
    if (i >= 0 && CoTrongTuDienTuGhep(previous->CacKTThuong + L" " + std::wstring(PAD_Replace[i]) + w->Lay_NA_PAC())) {
        w->ThayThePAD(std::wstring(PAD_Replace[i]));
        return true;
    }
    if (g >= 0 && CoTrongTuDienTuGhep(std::wstring(PAD_Replace[g]) + previous->Lay_NA_PAC() + L" " + w->CacKTThuong)) {
        previous->ThayThePAD(std::wstring(PAD_Replace[g]));
        return true;
    }
    if (i >= 0 && g >= 0 &&
        CoTrongTuDienTuGhep(std::wstring(PAD_Replace[g]) + previous->Lay_NA_PAC() + L" " +
                            std::wstring(PAD_Replace[i]) + w->Lay_NA_PAC())) {
        previous->ThayThePAD(std::wstring(PAD_Replace[g]));
        w->ThayThePAD(std::wstring(PAD_Replace[i]));
        return true;
    }
    return false;
}

bool CBoGo::SuaLoiChinhTaPAC2(TuTiengViet* previous)
{
    TuTiengViet* w = TuTV.get();
    int i = w->CDPAC > 0 ? Find(PAC_Search, w->LayPAC()) : -1;
    int g = previous->CDPAC > 0 ? Find(PAC_Search, previous->LayPAC()) : -1;
    if (i >= 0 && CoTrongTuDienTuGhep(previous->CacKTThuong + L" " + w->Lay_PAD_NA() + std::wstring(PAC_Replace[i]))) {
        w->ThayThePAC(std::wstring(PAC_Replace[i]));
        return true;
    }
    if (g >= 0 && CoTrongTuDienTuGhep(previous->Lay_PAD_NA() + std::wstring(PAC_Replace[g]) + L" " + w->CacKTThuong)) {
        previous->ThayThePAC(std::wstring(PAC_Replace[g]));
        return true;
    }
    if (i >= 0 && g >= 0 &&
        CoTrongTuDienTuGhep(previous->Lay_PAD_NA() + std::wstring(PAC_Replace[g]) + L" " + w->Lay_PAD_NA() +
                            std::wstring(PAC_Replace[i]))) {
        previous->ThayThePAC(std::wstring(PAC_Replace[g]));
        w->ThayThePAC(std::wstring(PAC_Replace[i]));
        return true;
    }
    return false;
}

bool CBoGo::SuaLoiChinhTaHoiNga2(TuTiengViet* previous)
{
    TuTiengViet* w = TuTV.get();
    int i = FindTone(DT_Search, w->DT);
    int g = FindTone(DT_Search, previous->DT);
    if (i >= 0 && CoTrongTuDienTuGhep(previous->CacKTThuong + L" " + WithTone(w, DT_Replace[i]))) {
        w->ThayTheDauThanh(DT_Replace[i]);
        return true;
    }
    if (g >= 0 && CoTrongTuDienTuGhep(WithTone(previous, DT_Replace[g]) + L" " + w->CacKTThuong)) {
        previous->ThayTheDauThanh(DT_Replace[g]);
        return true;
    }
    if (i >= 0 && g >= 0 &&
        CoTrongTuDienTuGhep(WithTone(previous, DT_Replace[g]) + L" " + WithTone(w, DT_Replace[i]))) {
        previous->ThayTheDauThanh(DT_Replace[g]);
        w->ThayTheDauThanh(DT_Replace[i]);
        return true;
    }
    return false;
}

bool CBoGo::SuaLoiChinhTa(TuTiengViet* word, TuTiengViet* previous)
{
    if (SuaLoiChinhTaTuGhepEnabled && previous && previous->CD0TV == 0 && !CacCD0TV.empty() && CacCD0TV.back() == 1 &&
        !CacKT.empty() && CacKT.back() == L' ') {
        bool knownPair = false;
        if (CacTuTV.size() >= 2 && CacCD0TV.size() >= 2 && CacCD0TV[CacCD0TV.size() - 2] == 1) {
            const TuTiengViet& before = CacTuTV[CacTuTV.size() - 2];
            size_t sep = CacKT.size() - 1 - previous->CacKT.size();
            knownPair = before.CD0TV == 0 && sep >= 1 && sep - 1 < CacKT.size() && CacKT[sep - 1] == L' ' &&
                        CoTrongTuDienTuGhep(before.CacKTThuong + L" " + previous->CacKTThuong);
        }
        if (!knownPair && !CoTrongTuDienTuGhep(previous->CacKTThuong + L" " + word->CacKTThuong)) {
            previous->ResetProperties();
            if (SuaLoiChinhTaPAD2(previous) || SuaLoiChinhTaPAC2(previous) || SuaLoiChinhTaHoiNga2(previous))
                return true;
        }
    }
    if (SuaLoiChinhTaTuDon && word->CoNATV() && !TuDien::CoTrongTuDien(word->CacKTThuong)) {
        std::wstring before = word->CacKT;
        if (SuaLoiChinhTaPAD(word) || SuaLoiChinhTaPAC(word) || SuaLoiChinhTaHoiNga(word))
            CacUndo.emplace_back(before, word->CacKT);
    }
    return false;
}
