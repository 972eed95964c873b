#include "engine/TuTiengViet.h"

#include <algorithm>
#include <utility>

#include "core/Utils.h"
#include "engine/BoGo.h"
#include "engine/GhepVan.h"

namespace {

bool EndsWith(const std::wstring& s, const std::wstring& suffix)
{
    return s.size() >= suffix.size() && s.compare(s.size() - suffix.size(), suffix.size(), suffix) == 0;
}

bool IsToneOnly(DauThanh t) { return t == Huyen || t == Hoi || t == Nga; }

// No initial, vowel group or final is longer than this: longer prefixes of a
// long text need no test (a 1 MB abbreviation expansion stays linear).
constexpr int kMaxPart = 8;

} // namespace

// ---------------------------------------------------------------------------
// Static tables

TuTiengViet::BangThayThe TuTiengViet::CreateDictionary(const std::wstring& keys, const std::wstring& values)
{
    BangThayThe r;
    size_t k = 0, v = 0;
    for (;;) {
        size_t ke = keys.find(L' ', k), ve = values.find(L' ', v);
        r.emplace(keys.substr(k, ke == std::wstring::npos ? std::wstring::npos : ke - k),
                  values.substr(v, ve == std::wstring::npos ? std::wstring::npos : ve - v));
        if (ke == std::wstring::npos || ve == std::wstring::npos) break;
        k = ke + 1;
        v = ve + 1;
    }
    return r;
}

#define LIRANO_TABLE(name, keys, values)                                                                               \
    const TuTiengViet::BangThayThe& TuTiengViet::name()                                                                \
    {                                                                                                                  \
        static const BangThayThe table = CreateDictionary(keys, values);                                               \
        return table;                                                                                                  \
    }

LIRANO_TABLE(ThemDau_UOA_Moc, L"a â u o ô oa oi ôi ua ui uo ưo uô uơ uu uoi ưoi uơi uôi uou",
             L"ă ă ư ơ ơ oă ơi ơi ưa ưi uơ ươ uơ ươ ưu ươi ươi ươi ươi ươu")
LIRANO_TABLE(XoaDau_UOA_Moc, L"ă ư ơ oă ơi uơ ưo ươ ưa ưi ưu ươi ưoi uơi ươu",
             L"a u o oa oi uo uo uo ua ui uu uoi uoi uoi uou")
LIRANO_TABLE(ThemDau_UO_Moc, L"â u o ô oi ôi ua ui uo ưo uô uơ uu uoi ưoi uơi uôi uou",
             L"ă ư ơ ơ ơi ơi ưa ưi uơ ươ uơ ươ ưu ươi ươi ươi ươi ươu")
LIRANO_TABLE(XoaDau_UO_Moc, L"ư ơ ơi uơ ưo ươ ưa ưi ưu ươi ưoi uơi ươu", L"u o oi uo uo uo ua ui uu uoi uoi uoi uou")
LIRANO_TABLE(ThemDau_AEO_Mu, L"a ă e o ơ au ay eu ie oi ơi ua ue uo uơ ươ ieu uay uoi ươi ưoi uơi uye ye yeu",
             L"â â ê ô ô âu ây êu iê ôi ôi uâ uê uô uô uô iêu uây uôi uôi uôi uôi uyê yê yêu")
LIRANO_TABLE(XoaDau_AEO_Mu, L"â ê ô âu ây êu iê ôi uâ uê uô iêu uây uôi uyê yê yêu",
             L"a e o au ay eu ie oi ua ue uo ieu uay uoi uye ye yeu")
LIRANO_TABLE(ThemDau_O_Mu, L"o ơ oi ơi uo uơ ươ uoi ươi ưoi uơi", L"ô ô ôi ôi uô uô uô uôi uôi uôi uôi")
LIRANO_TABLE(XoaDau_O_Mu, L"ô ôi uô uôi", L"o oi uo uoi")
#undef LIRANO_TABLE

bool TuTiengViet::InitializeStaticFields()
{
    ThemDau_UOA_Moc();
    XoaDau_UOA_Moc();
    ThemDau_UO_Moc();
    XoaDau_UO_Moc();
    ThemDau_AEO_Mu();
    XoaDau_AEO_Mu();
    ThemDau_O_Mu();
    XoaDau_O_Mu();
    return true;
}

bool TuTiengViet::Initialized = TuTiengViet::InitializeStaticFields();

// ---------------------------------------------------------------------------
// Construction

TuTiengViet::TuTiengViet(CBoGo* boGo) : BoGo(boGo), KTVuaGo(0), KTVuaGoThuong(0) { Reset(); }

TuTiengViet::TuTiengViet(CBoGo* boGo, const std::wstring& text) : TuTiengViet(boGo) { Append(text, true); }

void TuTiengViet::Reset()
{
    CD0TV = 0;
    WA = 0;
    VTDau = -1;
    VTDT = -1;
    VTCoThayDoi = -1;
    XuLyNhuKT = false;
    CDPAD = 0;
    CDNA = 0;
    CDPAC = 0;
    DT = (DauThanh)-1;
    KTCoDT = 0;
}

void TuTiengViet::Clone(TuTiengViet* dst) const
{
    CBoGo* boGo = dst->BoGo;
    wchar_t key = dst->KTVuaGo, keyLower = dst->KTVuaGoThuong;
    bool xuLyNhuKT = dst->XuLyNhuKT;
    *dst = *this;
    dst->BoGo = boGo;
    dst->KTVuaGo = key;
    dst->KTVuaGoThuong = keyLower;
    dst->XuLyNhuKT = xuLyNhuKT;
}

const CGhepVan& TuTiengViet::GV() const { return BoGo->GhepVan; }

bool TuTiengViet::BoDauThanhKieu2() const { return BoGo && BoGo->BoDauThanhKieu2; }

// ---------------------------------------------------------------------------
// Parts of the word

std::wstring TuTiengViet::LayPAD() const { return CacKTThuong.substr(0, std::min((size_t)CDPAD, CacKTThuong.size())); }

std::wstring TuTiengViet::LayNA() const
{
    if (CDNA <= 0 || (size_t)CDPAD >= CacKTThuong.size()) return std::wstring();
    std::wstring na = CacKTThuong.substr(CDPAD, CDNA);
    if (VTDT >= CDPAD && VTDT < CDPAD + (int)na.size() && KTCoDT) na[VTDT - CDPAD] = KTCoDT;
    return na;
}

std::wstring TuTiengViet::LayPAC() const
{
    size_t start = (size_t)(CDPAD + CDNA);
    if (CDPAC <= 0 || start >= CacKTThuong.size()) return std::wstring();
    return CacKTThuong.substr(start, CDPAC);
}

std::wstring TuTiengViet::Lay_PAD_NA() const
{
    return CacKTThuong.substr(0, std::min((size_t)(CDPAD + CDNA), CacKTThuong.size()));
}

std::wstring TuTiengViet::Lay_NA_PAC() const
{
    return (size_t)CDPAD < CacKTThuong.size() ? CacKTThuong.substr(CDPAD) : std::wstring();
}

std::wstring TuTiengViet::LayCacKTTV() const
{
    return CacKT.substr(0, CacKT.size() - std::min((size_t)CD0TV, CacKT.size()));
}

void TuTiengViet::RemoveCacKyTu0TV()
{
    size_t n = std::min((size_t)CD0TV, CacKT.size());
    CacKT.erase(CacKT.size() - n);
    CacKTThuong.erase(CacKTThuong.size() - n);
    CD0TV = 0;
}

void TuTiengViet::XoaKTSaiCTVuaGo()
{
    if (!Raw.empty()) Raw.pop_back();
    if (!CacKT.empty()) {
        CacKT.pop_back();
        CacKTThuong.pop_back();
    }
    // A word that was no Vietnamese before the key stays so.
    if (CD0TV > 0) CD0TV -= 1;
}

std::wstring TuTiengViet::GetSequence(const std::wstring& s, const std::function<bool(wchar_t)>& pred)
{
    size_t n = 0;
    while (n < s.size() && pred(s[n])) ++n;
    return s.substr(0, n);
}

void TuTiengViet::DoiKT(int i, wchar_t c)
{
    CacKT[i] = CacKT[i] != CacKTThuong[i] ? Utils::ToUpper(c) : c;
    CacKTThuong[i] = c;
    Lower(i);
}

std::wstring TuTiengViet::GetInfo() const
{
    std::wstring s = L"CacKT = " + CacKT + L"\r\nRaw = " + Raw + L"\r\nWA = " + Utils::ToWString(WA) + L"\r\nCDPAD = " +
                     Utils::ToWString(CDPAD) + L"\r\nCDNA = " + Utils::ToWString(CDNA) + L"\r\nCDPAC = " +
                     Utils::ToWString(CDPAC) + L"\r\nCD0TV = " + Utils::ToWString(CD0TV) + L"\r\nVTDau = " +
                     Utils::ToWString(VTDau) + L"\r\nVTDT = " + Utils::ToWString(VTDT) + L"\r\nDT = " +
                     Utils::ToWString((int)DT);
    if (KTCoDT != 0) s += L"\r\nKTCoDT = " + std::wstring(1, KTCoDT);
    return s;
}

// ---------------------------------------------------------------------------
// Keys

void TuTiengViet::BatDauXuLy(wchar_t key, wchar_t keyLower)
{
    Raw += key;
    KTVuaGo = key;
    KTVuaGoThuong = keyLower;
}

void TuTiengViet::ThemKT(wchar_t key, wchar_t keyLower)
{
    Raw += key;
    CacKT += key;
    CacKTThuong += keyLower;
    CD0TV += 1;
}

bool TuTiengViet::XuLyKT()
{
    CacKT += KTVuaGo;
    CacKTThuong += KTVuaGoThuong;
    // A word that is already foreign only grows its tail.
    if (CD0TV > 0) {
        CD0TV += 1;
        return false;
    }
    const wchar_t k = KTVuaGoThuong;
    const CGhepVan& gv = GV();

    if (TV::IsLowerVowel(k)) {
        if (WA == 2) {
            CD0TV = 1;
            return false;
        }
        if (WA == 0) {
            if (CDPAD == 1 && CacKTThuong[0] == L'q' && k == L'u') {
                CDPAD = 2;
                CDNA = 0;
                return false;
            }
            // An initial that is no initial (a lone q) makes the vowel the
            // start of a foreign tail; the parts still add up to the length.
            if (CDPAD > 0 && !gv.LaPAD(LayPAD())) {
                CD0TV = 1;
                return false;
            }
            WA = 1;
            CDNA = 1;
            return false;
        }
        if (CDNA >= 3) {
            CD0TV = 1;
            return false;
        }
        if (VTDau < 0) {
            if (CDNA == 1 && CDPAD == 1 && CacKTThuong[0] == L'g' && LayNA() == L"i") {
                CDPAD = 2;
                CDNA = 1;
                if (VTDT >= 0) {
                    UpdateDauThanh(2);
                    Lower(1);
                    return true;
                }
                return false;
            }
            CDNA += 1;
            if (!TV::LaNAKhongDau(LayNA())) {
                CDNA -= 1;
                CD0TV = 1;
                return false;
            }
            if (VTDT >= 0) {
                int p = TimVTDauThanh();
                if (p != VTDT) {
                    int old = VTDT;
                    UpdateDauThanh(p);
                    Lower(old);
                    return p == (int)CacKT.size() - 1;
                }
            }
            return false;
        }
        // The vowel group carries a shape mark.
        std::wstring na = LayNA();
        if (CDNA == 1 && na == L"ư" && k == L'o') {
            CDNA = 2;
            return false;
        }
        int caseT = 0;
        if (na == L"ưo") {
            na = L"ươ";
            caseT = 1;
        } else if (na == L"uơ") {
            na = L"ươ";
            caseT = 2;
        }
        if (!gv.LaNA(na + k)) {
            CD0TV = 1;
            return false;
        }
        CDNA += 1;
        if (caseT == 1) {
            int i = CDPAD + 1;
            DoiKT(i, L'ơ');
            VTDau = i;
            if (VTDT >= 0) {
                UpdateDauThanh(i);
                Lower(CDPAD);
            }
        } else if (caseT == 2) {
            DoiKT(CDPAD, L'ư');
        }
        return false;
    }

    // A consonant or any other character.
    if (WA == 0) {
        if (k == L'q' && CDPAD == 0) {
            CDPAD = 1;
            return false;
        }
        if (gv.LaPAD(CacKTThuong.substr(0, CDPAD + 1)))
            CDPAD += 1;
        else
            CD0TV = 1;
        return false;
    }
    if (WA == 2) {
        std::wstring pac = CacKTThuong.substr(CDPAD + CDNA, CDPAC + 1);
        bool ok;
        // Without a shape mark the vowel may still get one (biens + g + e):
        // a tone typed already does not change that.
        if (VTDau < 0) {
            ok = gv.La_NA0Dau_PAC(LayNA(), pac);
        } else {
            std::wstring na = LayNA();
            if (na == L"ê" && gv.LaPADGi(LayPAD())) na = L"iê";
            ok = gv.CoTheLa_NA_PAC(na, pac);
        }
        if (ok)
            CDPAC += 1;
        else
            CD0TV = 1;
        return false;
    }
    // WA == 1: the first letter of the final.
    std::wstring pac(1, k);
    if (!gv.LaPAC(pac)) {
        CD0TV = 1;
        return false;
    }
    int caseT = 0;
    if (CDNA != 1) {
        std::wstring na = LayNA();
        if (na == L"ưo") {
            na = L"ươ";
            caseT = 1;
        } else if (na == L"uơ" && !gv.UODiKemPACEnabled) {
            na = L"ươ";
            caseT = 2;
        }
        bool ok = VTDau < 0 ? gv.La_NA0Dau_PAC(na, pac) : CoThe_PAD_NA_PAC(na, pac);
        if (!ok) {
            CD0TV = 1;
            return false;
        }
    }
    WA = 2;
    if (caseT == 1) {
        int i = CDPAD + 1;
        DoiKT(i, L'ơ');
        VTDau = i;
        if (VTDT >= 0) UpdateDauThanh(i);
        Lower(CDPAD);
        CDPAC = 1;
        return false;
    }
    if (caseT == 2) {
        DoiKT(CDPAD, L'ư');
        CDPAC = 1;
        return false;
    }
    CDPAC = 1;
    DatLaiDauThanh();
    return false;
}

// ---------------------------------------------------------------------------
// Shape marks

bool TuTiengViet::ThemDauNA(wchar_t base, wchar_t marked, wchar_t alternative)
{
    if (CDNA == 0) return KhongApDung();
    if (VTDau < 0) {
        int i = -1;
        if (VTDT >= 0 && KTCoDT == base) {
            i = VTDT;
        } else {
            for (int j = CDPAD; j < CDPAD + CDNA; ++j)
                if (CacKTThuong[j] == base) {
                    i = j;
                    break;
                }
        }
        if (i < 0) return KhongApDung();
        return KTChinhTaVaBoDau(i, marked);
    }
    wchar_t cur = VTDT >= 0 ? KTCoDT : CacKTThuong[VTDau];
    if (cur == marked) return LapLaiKTBoDau();
    if (alternative && cur == alternative) return KTChinhTaVaBoDau(VTDau, marked);
    return KhongApDung();
}

bool TuTiengViet::LapLaiKTBoDau()
{
    if (VTDT >= 0 && VTDT == VTDau) {
        wchar_t bare = TV::XoaDauKTCoDauVaDauThanh(CacKTThuong[VTDau]);
        KTCoDT = TV::XoaDau(KTCoDT);
        DoiKT(VTDau, bare ? bare : TV::ThemDauThanh(KTCoDT, DT));
    } else {
        DoiKT(VTDau, TV::XoaDau(CacKTThuong[VTDau]));
    }
    VTDau = -1;
    return KhongApDung();
}

bool TuTiengViet::A_Mu() { return ThemDauNA(L'a', L'â', L'ă'); }
bool TuTiengViet::A_Moc() { return ThemDauNA(L'a', L'ă', L'â'); }
bool TuTiengViet::O_Moc() { return ThemDauNA(L'o', L'ơ', L'ô'); }
bool TuTiengViet::E_Mu() { return ThemDauNA(L'e', L'ê', 0); }
bool TuTiengViet::U_Moc() { return ThemDauNA(L'u', L'ư', 0); }

bool TuTiengViet::XuLyKTBoDau(const BangThayThe& them, const BangThayThe& xoa)
{
    if (CDNA == 0) return KhongApDung();
    std::wstring na = LayNA();
    auto it = them.find(na);
    if (it != them.end()) {
        std::wstring nw = it->second;
        if (!KTChinhTa(nw) && nw == L"uơ" && KTChinhTa(L"ươ")) nw = L"ươ";
        if (KTChinhTa(nw)) {
            VTDau = CDPAD + TV::TimVTDau(nw);
            ThayTheNguyenAm2(na, nw);
            return true;
        }
    }
    auto x = xoa.find(na);
    if (x != xoa.end()) {
        VTDau = -1;
        ThayTheNguyenAm2(na, x->second);
    }
    return KhongApDung();
}

void TuTiengViet::ThayTheNguyenAm2(const std::wstring& oldNA, const std::wstring& newNA)
{
    bool tonedLetterChanged = false;
    for (int j = (int)newNA.size() - 1; j >= 0; --j) {
        if (j < (int)oldNA.size() && newNA[j] == oldNA[j]) continue;
        if (CDPAD + j == VTDT) tonedLetterChanged = true;
        DoiKT(CDPAD + j, newNA[j]);
    }
    if (VTDT < 0) return;
    int old = VTDT;
    int p = TimVTDauThanh();
    // A toned letter that the replacement rewrote has already lost its tone.
    if (p != old && !tonedLetterChanged) DoiKT(old, KTCoDT);
    KTCoDT = TV::XoaDauThanh(CacKTThuong[p]);
    DoiKT(p, TV::ThemDauThanh(KTCoDT, DT));
    VTDT = p;
    Lower(std::min(old, p));
}

bool TuTiengViet::AEO_Mu() { return XuLyKTBoDau(ThemDau_AEO_Mu(), XoaDau_AEO_Mu()); }
bool TuTiengViet::O_Mu() { return XuLyKTBoDau(ThemDau_O_Mu(), XoaDau_O_Mu()); }
bool TuTiengViet::UOA_Moc() { return XuLyKTBoDau(ThemDau_UOA_Moc(), XoaDau_UOA_Moc()); }
bool TuTiengViet::UO_Moc() { return XuLyKTBoDau(ThemDau_UO_Moc(), XoaDau_UO_Moc()); }

bool TuTiengViet::UOA_Moc__UW()
{
    if (WA == 1 && Raw.size() > 2) {
        wchar_t before = Raw[Raw.size() - 3];
        if (before == L'u' || before == L'U') return UOA_Moc();
    }
    if (GoTat(L"ư")) return true;
    XuLyNhuKT = false;
    return UOA_Moc();
}

bool TuTiengViet::D_DD()
{
    if (CDPAD != 1) return KhongApDung();
    if (CacKTThuong[0] == L'd') {
        DoiKT(0, L'đ');
        VTCoThayDoi = 0;
        return true;
    }
    if (CacKTThuong[0] == L'đ') {
        DoiKT(0, L'd');
        VTCoThayDoi = 0;
        return KhongApDung();
    }
    return KhongApDung();
}

bool TuTiengViet::GoTat(const std::wstring& text)
{
    std::wstring s = text;
    if (Utils::IsUpper(KTVuaGo) && Utils::IsLower(s)) Utils::ToUpper(s);
    const std::wstring low = Utils::ToLower(std::as_const(s));
    if (s.empty()) return KhongApDung();
    if (!EndsWith(CacKTThuong, low)) {
        TuTiengViet copy(*this);
        copy.Append(s, false);
        if (copy.KoPhaiTV()) return KhongApDung();
        Lower((int)CacKT.size());
        Append(s, false);
        return true;
    }
    std::wstring base = CacKT.substr(0, CacKT.size() - low.size());
    std::wstring raw = Raw;
    Reset();
    CacKT.clear();
    CacKTThuong.clear();
    Append(base, false);
    Raw = raw;
    Lower((int)CacKT.size());
    XuLyNhuKT = true;
    return true;
}

// ---------------------------------------------------------------------------
// Parsing a text

void TuTiengViet::Append(const std::wstring& s, bool addToRaw)
{
    if (addToRaw) Raw += s;
    std::wstring t = Utils::ToLower(s);
    CacKT += s;
    CacKTThuong += t;
    if (CD0TV > 0) {
        CD0TV += (int)s.size();
        return;
    }
    const CGhepVan& gv = GV();
    const int len = (int)CacKT.size();
    const bool hadTone = VTDT >= 0;
    auto rest = [&] { CD0TV = len - (CDPAD + CDNA + CDPAC); };

    // Initial.
    std::wstring pad;
    bool padParsed = false;
    if (WA != 0) {
        pad = LayPAD();
    } else {
        t = LayPAD() + t;
        CDPAD = 0;
        pad = t.compare(0, 2, L"qu") == 0 ? std::wstring(L"qu") : GetSequence(t, TV::LaPA);
        if (!pad.empty() && !gv.LaPAD(pad)) {
            int k = std::min((int)pad.size() - 1, kMaxPart);
            while (k > 0 && !gv.LaPAD(pad.substr(0, k))) --k;
            CDPAD = k;
            rest();
            return;
        }
        CDPAD = (int)pad.size();
        t.erase(0, CDPAD);
        padParsed = true;
    }

    // Vowel group.
    std::wstring h;
    bool marked = false;
    bool tail = false;
    const bool vowelStep = padParsed || WA == 1;
    if (vowelStep) {
        t = LayNA() + t;
        CDNA = 0;
        h = GetSequence(t, TV::LaNADon);
        if (!h.empty()) {
            if (h.size() > 1 && h[0] == L'i' && pad == L"g" && gv.LaPAD(L"gi")) {
                pad = L"gi";
                CDPAD = 2;
                h.erase(0, 1);
                t.erase(0, 1);
            }
            int m = TV::TimVTDauThanh(h);
            int tone = -1;
            if (m >= 0) {
                tone = TV::TimDauThanh(h[m]);
                h[m] = TV::XoaDauThanh(h[m]);
                marked = true;
            } else {
                marked = TV::CoKTTV(h);
            }
            auto passes = [&](const std::wstring& x) {
                if (pad.empty()) return marked ? gv.LaNA(x) : gv.LaNAKhongDau(x);
                return marked ? gv.La_PAD_NA(pad, x) : gv.La_PAD_NA0Dau(pad, x);
            };
            if (passes(h)) {
                CDNA = (int)h.size();
            } else {
                int k = std::min((int)h.size() - 1, kMaxPart);
                while (k > 0 && !passes(h.substr(0, k))) --k;
                CDNA = k;
                tail = true;
            }
            if (CDNA > 0) WA = 1;
            VTDau = -1;
            if (m >= 0 && m < CDNA) {
                // A tone already on another letter gives way to the new one.
                if (VTDT >= 0 && VTDT != CDPAD + m && VTDT < len) DoiKT(VTDT, KTCoDT);
                VTDT = CDPAD + m;
                DT = (DauThanh)tone;
                KTCoDT = h[m];
                if (TV::LaNADonCoDau(KTCoDT)) VTDau = VTDT;
            } else {
                int d = TV::TimVTDau(h);
                if (d >= 0 && d < CDNA) VTDau = CDPAD + d;
            }
            h.resize(CDNA);
            t.erase(0, CDNA);
        }
    } else if (WA == 2) {
        h = LayNA();
        marked = VTDT >= 0 || TV::CoKTTV(h);
    }

    // Final.
    if ((vowelStep || WA == 2) && !tail) {
        t = LayPAC() + t;
        CDPAC = 0;
        std::wstring g = GetSequence(t, TV::LaPA);
        if (!g.empty()) {
            auto passes = [&](const std::wstring& x) {
                return marked ? gv.La_NA_PAC(pad, h, x) : gv.La_NA0Dau_PAC(h, x);
            };
            int k = std::min((int)g.size(), kMaxPart);
            while (k > 0 && !passes(g.substr(0, k))) --k;
            CDPAC = k;
            if (CDPAC > 0) WA = 2;
        }
    }

    if (CDPAD + CDNA + CDPAC < len) rest();
    // Letters added to a word that already had a tone may change where the
    // tone belongs; keep it there, as typing the same letters would.
    if (hadTone && CD0TV == 0) DatLaiDauThanh();
}

// ---------------------------------------------------------------------------
// Backspace

bool TuTiengViet::Backspace()
{
    if (CacKT.empty()) return true;
    if (!Raw.empty() && Raw.back() == CacKT.back()) Raw.pop_back();
    CacKT.pop_back();
    CacKTThuong.pop_back();
    const int n = (int)CacKT.size();
    if (n == 0) {
        Raw.clear();
        Reset();
        return true;
    }
    if (CD0TV > 0) {
        CD0TV -= 1;
        if (CD0TV == 0) DatLaiDauThanh();
    } else if (CDPAC > 0) {
        CDPAC -= 1;
        if (CDPAC == 0) {
            WA = 1;
            if (VTDau < 0) DatLaiDauThanh();
        }
    } else if (CDNA > 0) {
        const int removed = CDPAD + CDNA - 1;
        CDNA -= 1;
        if (removed == VTDT) {
            DT = (DauThanh)-1;
            VTDT = -1;
            KTCoDT = 0;
        }
        if (removed == VTDau) {
            int last = CDPAD + CDNA - 1;
            VTDau = CDNA > 0 && CacKTThuong[last] == L'ư' ? last : -1;
        }
        if (CDNA == 0) {
            WA = 0;
            if (CDPAD == 2 && CacKTThuong == L"gi") {
                CDPAD = 1;
                CDNA = 1;
                WA = 1;
            }
        } else if (CDNA == 2) {
            DatLaiDauThanh();
        }
    } else if (CDPAD > 0) {
        CDPAD -= 1;
    }
    return false;
}

// ---------------------------------------------------------------------------
// Replacing the initial or the final

namespace {

int FirstDifference(const std::wstring& a, const std::wstring& b)
{
    size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i)
        if (a[i] != b[i]) return (int)i;
    return a.size() == b.size() ? -1 : (int)n;
}

} // namespace

void TuTiengViet::ThayThePAD(const std::wstring& pad)
{
    std::wstring oldShown = CacKT.substr(0, CDPAD);
    std::wstring rest = CacKT.substr(CDPAD);
    const std::wstring low = Utils::ToLower(pad);
    std::wstring shown = Utils::IsUpper(rest) ? Utils::ToUpper(std::as_const(low)) : TV::CheckCase(oldShown, low);
    CacKT = shown + rest;
    CacKTThuong = low + CacKTThuong.substr(CDPAD);
    int diff = (int)low.size() - CDPAD;
    CDPAD = (int)low.size();
    if (VTDau >= 0) VTDau += diff;
    if (VTDT >= 0) VTDT += diff;
    int d = FirstDifference(oldShown, shown);
    if (d >= 0) Lower(d);
}

void TuTiengViet::ThayThePAC(const std::wstring& pac)
{
    const int start = CDPAD + CDNA;
    std::wstring oldShown = CacKT.substr(start, CDPAC);
    std::wstring rest = CacKT.substr(0, start) + CacKT.substr(start + CDPAC);
    const std::wstring low = Utils::ToLower(pac);
    std::wstring shown = Utils::IsUpper(rest) ? Utils::ToUpper(std::as_const(low)) : TV::CheckCase(oldShown, low);
    CacKT = CacKT.substr(0, start) + shown + CacKT.substr(start + CDPAC);
    CacKTThuong = CacKTThuong.substr(0, start) + low + CacKTThuong.substr(start + CDPAC);
    CDPAC = (int)low.size();
    if (CDPAC > 0) WA = 2;
    int d = FirstDifference(oldShown, shown);
    if (d >= 0) Lower(start + d);
}

// ---------------------------------------------------------------------------
// Tone placement

int TuTiengViet::TimVTDauThanh() const
{
    if (VTDau >= 0) return VTDau;
    if (CDNA == 1) return CDPAD;
    if (BoDauThanhKieu2() && CDNA == 2) {
        static const std::wstring kieu2[] = {L"oa", L"oe", L"uy"};
        std::wstring na = LayNA();
        for (const std::wstring& k : kieu2)
            if (na == k) return CDPAD + 1;
    }
    if (CDPAC > 0 || CDNA == 3) return CDPAD + 1;
    return CDPAD;
}

void TuTiengViet::UpdateDauThanh(int i)
{
    if (i != VTDT && VTDT >= 0 && VTDT < (int)CacKT.size()) DoiKT(VTDT, KTCoDT);
    KTCoDT = TV::XoaDauThanh(CacKTThuong[i]);
    wchar_t toned = TV::ThemDauThanh(KTCoDT, DT);
    if (toned) DoiKT(i, toned);
    VTDT = i;
}

void TuTiengViet::DatLaiDauThanh()
{
    if (VTDT < 0 || CDNA == 0) return;
    int p = TimVTDauThanh();
    if (p == VTDT) return;
    int old = VTDT;
    UpdateDauThanh(p);
    Lower(std::min(old, p));
}

bool TuTiengViet::XuLyDauThanh(DauThanh t)
{
    if (CDNA == 0) return KhongApDung();
    if (t == DT) {
        XoaDauThanhInternal();
        return KhongApDung();
    }
    if (CDPAC > 0 && IsToneOnly(t) && TV::LaPACuoiSac(LayPAC())) return KhongApDung();
    if (VTDau >= 0) {
        std::wstring na = LayNA();
        if (na != L"ưo" && !KTChinhTa(na)) return KhongApDung();
    }
    int p = TimVTDauThanh();
    wchar_t base = VTDT == p ? KTCoDT : CacKTThuong[p];
    wchar_t toned = TV::ThemDauThanh(base, t);
    if (!toned) return KhongApDung();
    // A tone standing elsewhere than its place moves rather than doubles.
    if (VTDT >= 0 && VTDT != p) DoiKT(VTDT, KTCoDT);
    DT = t;
    KTCoDT = base;
    DoiKT(p, toned);
    VTDT = p;
    return true;
}

void TuTiengViet::XoaDauThanhInternal()
{
    if (VTDT >= 0 && VTDT < (int)CacKT.size()) DoiKT(VTDT, KTCoDT);
    DT = (DauThanh)-1;
    VTDT = -1;
    KTCoDT = 0;
}

bool TuTiengViet::XoaDauThanh()
{
    if (VTDT < 0 || CD0TV != 0) return KhongApDung();
    XoaDauThanhInternal();
    return true;
}

void TuTiengViet::ThayTheDauThanh(DauThanh t)
{
    if (VTDT < 0 || t == DT) return;
    DT = t;
    DoiKT(VTDT, TV::ThemDauThanh(KTCoDT, t));
}

void TuTiengViet::SuaVTDauThanh()
{
    if (VTDT < 0) return;
    int p = TimVTDauThanh();
    if (p == VTDT) return;
    int old = VTDT;
    DoiKT(old, KTCoDT);
    KTCoDT = CacKTThuong[p];
    DoiKT(p, TV::ThemDauThanh(KTCoDT, DT));
    VTDT = p;
    Lower(std::min(old, p));
}

// ---------------------------------------------------------------------------
// Spelling

bool TuTiengViet::CoThe_PAD_NA_PAC(const std::wstring& na, const std::wstring& pac) const
{
    return GV().CoTheLa_PAD_NA_PAC(LayPAD(), na, pac);
}

bool TuTiengViet::KTChinhTa(const std::wstring& na) const { return CoThe_PAD_NA_PAC(na, LayPAC()); }

bool TuTiengViet::KTChinhTaHetTu(const std::wstring& na) const { return GV().La_PAD_NA_PAC(LayPAD(), na, LayPAC()); }

bool TuTiengViet::KTChinhTaTruocKhiBoDau(int i, wchar_t c) const
{
    std::wstring na;
    if (CDNA == 1) {
        na = std::wstring(1, c);
    } else {
        na = LayNA();
        if (i - CDPAD >= 0 && i - CDPAD < (int)na.size()) na[i - CDPAD] = c;
    }
    return KTChinhTa(na);
}

bool TuTiengViet::KTChinhTaVaBoDau(int i, wchar_t c)
{
    if (!KTChinhTaTruocKhiBoDau(i, c)) return KhongApDung();
    if (VTDT < 0) {
        DoiKT(i, c);
        VTDau = i;
        return true;
    }
    int old = VTDT;
    DoiKT(i, c);
    UpdateDauThanh(i);
    VTDau = i;
    Lower(std::min(i, old));
    return true;
}

bool TuTiengViet::SaiCT() const
{
    if (WA == 0) return false;
    if (WA == 1) {
        std::wstring na = LayNA();
        // A marked vowel on its own is that letter (spelling out, "ă" in a
        // list): only with an initial or a tone does it need a final.
        if (CDNA == 1) return TV::LaNALung(na) && (CDPAD > 0 || DT != -1);
        return TV::LaNALung(na) || !KTChinhTaHetTu(na);
    }
    if (IsToneOnly(DT) && TV::LaPACuoiSac(LayPAC())) return true;
    if (CDNA > 0) return !GV().La_NA_PAC(LayPAD(), LayNA(), LayPAC());
    return false;
}

bool TuTiengViet::NenKhoiPhucPhim() const
{
    if (!CoNA()) return false;
    if (VTDau < 0 && DT == -1 && (CacKTThuong.empty() || CacKTThuong[0] != L'đ')) return false;
    if (CD0TV > 0) return true;
    return SaiCT();
}

bool TuTiengViet::CoNAVaDungCT() const { return CDNA > 0 && CD0TV == 0 && !SaiCT(); }

void TuTiengViet::KhoiPhucPhim()
{
    size_t n = 0;
    while (n < Raw.size() && n < CacKT.size() && Raw[n] == CacKT[n]) ++n;
    std::wstring raw = Raw;
    Reset();
    Raw.clear();
    CacKT.clear();
    CacKTThuong.clear();
    Append(raw, true);
    Lower((int)n);
}
