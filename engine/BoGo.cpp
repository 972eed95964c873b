#include "engine/BoGo.h"

#include <algorithm>

#include "core/TuDien.h"
#include "core/Utils.h"
#include "engine/IInputMethodService.h"

bool CBoGo::Initialized = CBoGo::Initialize();

namespace {

bool IsAlnum(wchar_t c) { return (c >= L'0' && c <= L'9') || Utils::IsAlpha(c); }

bool EndsWith(const std::wstring& s, const std::wstring& suffix)
{
    return s.size() >= suffix.size() && s.compare(s.size() - suffix.size(), suffix.size(), suffix) == 0;
}

size_t CommonPrefix(const std::wstring& a, const std::wstring& b)
{
    size_t i = 0;
    while (i < a.size() && i < b.size() && a[i] == b[i]) ++i;
    return i;
}

} // namespace

CBoGo::CBoGo(IInputMethodService* service)
    : Service(service), KieuGo(KieuGoUtils::LayKieuGo(std::wstring(KieuGoUtils::Default)))
{
}

bool CBoGo::Enabled() const { return !Service || Service->Enabled(); }

bool CBoGo::IsNumpad() const { return Service && Service->IsNumpad(); }

// ---------------------------------------------------------------------------
// Words of the run

void CBoGo::TaoTuTVMoi()
{
    CacCD0TV.push_back(CD0TV);
    CD0TV = 0;
    TuTVDaKhoiPhuc.reset();
    TuTV = std::make_unique<TuTiengViet>(this);
    TuTV->ResetProperties();
    TuTVCu = std::make_unique<TuTiengViet>(*TuTV);
}

void CBoGo::PushTuTV()
{
    if (!TuTV) return;
    CacKT += TuTV->CacKT;
    CacTuTV.push_back(std::move(*TuTV));
    TuTV.reset();
    TuTVCu.reset();
}

void CBoGo::PopTuTV()
{
    if (CacTuTV.empty()) return;
    TuTV = std::make_unique<TuTiengViet>(std::move(CacTuTV.back()));
    CacTuTV.pop_back();
    CacKT.erase(CacKT.size() - std::min(CacKT.size(), TuTV->CacKT.size()));
}

void CBoGo::PopCD0TV()
{
    TuTV.reset();
    if (CacCD0TV.empty()) return;
    CD0TV = CacCD0TV.back();
    CacCD0TV.pop_back();
    if (CD0TV == 0) PopTuTV();
}

// ---------------------------------------------------------------------------
// Encoding and edits

std::wstring CBoGo::Encode(const std::wstring& s) const
{
    if (BangMa.empty()) return s;
    std::wstring r;
    r.reserve(s.size() * 2);
    for (wchar_t c : s) {
        auto it = BangMa.find(c);
        if (it == BangMa.end())
            r += c;
        else
            r += it->second;
    }
    return r;
}

int CBoGo::GetLengthAfterEncoded(wchar_t c) const
{
    auto it = BangMa.find(c);
    return it == BangMa.end() ? 1 : (int)it->second.size();
}

int CBoGo::GetLengthAfterEncoded(const std::wstring& s) const
{
    if (BangMa.empty()) return (int)s.size();
    int n = 0;
    for (wchar_t c : s) n += GetLengthAfterEncoded(c);
    return n;
}

int CBoGo::EncodedLengthOfTail(const std::wstring& text, int n) const
{
    n = std::clamp(n, 0, (int)text.size());
    return GetLengthAfterEncoded(text.substr(text.size() - n));
}

void CBoGo::BackspaceAndSendString(int n, const std::wstring& s)
{
    if (!Service) return;
    const std::wstring& old = TuTVCu ? TuTVCu->CacKT : std::wstring();
    if (BangMa.empty())
        Service->BackspaceAndSendString(std::max(n, 0), s);
    else
        Service->BackspaceAndSendString(EncodedLengthOfTail(old, n), Encode(s));
}

void CBoGo::BackspaceAndSendString(const std::wstring& oldText, const std::wstring& newText)
{
    if (!Service) return;
    size_t i = CommonPrefix(oldText, newText);
    std::wstring del = oldText.substr(i), ins = newText.substr(i);
    Service->BackspaceAndSendString(GetLengthAfterEncoded(del), Encode(ins));
}

std::wstring CBoGo::TatCaKT(bool boKTCuoi) const
{
    if (TuTV) return CacKT + TuTV->CacKT;
    if (boKTCuoi) return CacKT.substr(0, CacKT.size() - std::min((size_t)CD0TV, CacKT.size()));
    return CacKT;
}

std::wstring CBoGo::EncodeTatCaKT(bool boKTCuoi) const { return Encode(TatCaKT(boKTCuoi)); }

void CBoGo::SetKieuGo(const KieuGoMap& kieuGo) { KieuGo = kieuGo; }

bool CBoGo::SetBangMa(const BangMaMap& bangMa)
{
    BangMa = bangMa;
    return BangMaUtils::LaBangMaUnicode(bangMa);
}

// ---------------------------------------------------------------------------
// Keys

bool CBoGo::OnChar(wchar_t ch)
{
    DaGo = true;
    if (!Enabled()) {
        if (!IsAlnum(ch)) return KetThucTu(ch);
        CacKT += ch;
        CD0TV += 1;
        return false;
    }
    return XuLy(ch);
}

bool CBoGo::XuLyKT(wchar_t ch, wchar_t key)
{
    if (!IsAlnum(ch)) {
        KetThucTu(ch);
        return false;
    }
    TuTV->ResetProperties();
    TuTVCu = std::make_unique<TuTiengViet>(*TuTV);
    TuTV->BatDauXuLy(ch, key);
    return TuTV->XuLyKT();
}

bool CBoGo::XuLy(wchar_t ch)
{
    if (DoDaiTuDangGo() >= MaxWord && IsAlnum(ch)) KetThucTu(0);
    const wchar_t key = Utils::ToLower(ch);
    const bool numpad = IsNumpad();
    auto it = KieuGo.find(key);
    const bool inMethod = it != KieuGo.end();
    bool result = false;

    if (!TuTV) {
        bool startsWord = inMethod && !numpad &&
                          (it->second.UseStringValue ||
                           (it->second.ChucNangCoBan >= Enums::UOA_Moc__UW && it->second.ChucNangCoBan <= Enums::_UOW));
        if (startsWord) {
            TaoTuTVMoi();
            TuTV->BatDauXuLy(ch, key);
            result = XuLyPhimChucNang(it->second);
        } else if (Utils::IsAlpha(ch)) {
            TaoTuTVMoi();
            TuTV->BatDauXuLy(ch, key);
            result = TuTV->XuLyKT();
        } else {
            CacKT += ch;
            CD0TV += 1;
            return false;
        }
    } else if (TuTV->KoPhaiTV()) {
        if (!IsAlnum(ch)) {
            KetThucTu(ch);
            return false;
        }
        TuTV->ResetProperties();
        TuTVCu = std::make_unique<TuTiengViet>(*TuTV);
        TuTV->ThemKT(ch, key);
    } else if (!inMethod) {
        DangThoat = false;
        result = XuLyKT(ch, key);
    } else {
        const ChucNangPhim& f = it->second;
        if (!f.UseStringValue && f.ChucNangCoBan == Enums::Thoat && !numpad) {
            if (!DangThoat) {
                DangThoat = true;
                return true;
            }
            DangThoat = false;
            result = XuLyKT(ch, key);
        } else if (DangThoat) {
            DangThoat = false;
            result = XuLyKT(ch, key);
        } else if (numpad) {
            result = XuLyKT(ch, key);
        } else {
            TuTV->ResetProperties();
            TuTVCu = std::make_unique<TuTiengViet>(*TuTV);
            TuTV->BatDauXuLy(ch, key);
            result = XuLyPhimChucNang(f);
        }
    }
    if (!TuTV) return result;

    bool endAfter = false, close = false, sendAll = false, again = false;
    if (TuTV->XuLyNhuKT) {
        if (IsAlnum(ch)) {
            result = TuTV->XuLyKT();
        } else {
            endAfter = true;
            sendAll = true;
        }
    }
    if (GoCacTuTVLienTuc && TuTV->CD0TV > 0) {
        close = true;
        sendAll = true;
        if (TuTV->CacKT.size() >= 2) {
            TuTV->XoaKTSaiCTVuaGo();
            again = true;
        }
    }
    int p = TuTV->VTCoThayDoi;
    if (p >= 0) {
        const std::wstring& now = TuTV->CacKT;
        int n = (int)(TuTVCu ? TuTVCu->CacKT.size() : 0) - p;
        std::wstring t = (size_t)p < now.size() ? now.substr(p) : std::wstring();
        // Unless the key was consumed, the application types it itself.
        if (!(result || sendAll) && !t.empty()) t.pop_back();
        BackspaceAndSendString(n, t);
    }
    if (endAfter) {
        KetThucTu(ch);
        return false;
    }
    if (close) {
        PushTuTV();
        // Sent whole, the word already shows the key: the application must
        // not type it once more.
        return again ? XuLy(ch) : p >= 0;
    }
    return result;
}

bool CBoGo::KetThucTu(wchar_t ch)
{
    if (TuTV && TuTV->CacKT.empty()) PopCD0TV();

    bool expanded = false;
    if (GoTat) {
        PushTuTV();
        CUndoEntry entry(L"", L"");
        if (KTGoTat(entry)) {
            std::wstring text = SuaVTDauThanh(entry.New);
            CacUndo.emplace_back(entry.Old, text);
            BackspaceAndSendString(entry.Old, text);
            Back((int)entry.Old.size());
            Parse(text);
            expanded = true;
        } else if (CD0TV == 0) {
            PopTuTV();
        }
    }

    if (!expanded && TuTV) {
        TuTVCu = std::make_unique<TuTiengViet>(*TuTV);
        TuTiengViet* previous = CacTuTV.empty() ? nullptr : &CacTuTV.back();
        std::unique_ptr<TuTiengViet> previousCopy = previous ? std::make_unique<TuTiengViet>(*previous) : nullptr;
        for (size_t i = CacTuTV.size() >= 2 ? CacTuTV.size() - 2 : 0; i < CacTuTV.size(); ++i)
            CacTuTV[i].ResetProperties();
        TuTV->ResetProperties();

        bool pairCorrected = false;
        if (TuTV->CoNAVaDungCT()) {
            KTGoTatPAD(TuTV.get());
            KTGoTatPAC(TuTV.get());
            if (TuThemDauSac && TuTV->DT == -1 && TuTV->CDPAC > 0 && TV::LaPACuoiSac(TuTV->LayPAC()))
                TuTV->XuLyDauThanh(Sac);
            pairCorrected = SuaLoiChinhTa(TuTV.get(), previous);
        }
        if (pairCorrected)
            CacUndo.emplace_back(previousCopy->CacKT + L" " + TuTVCu->CacKT, previous->CacKT + L" " + TuTV->CacKT);

        if (KhoiPhucPhimVoiTuSai && TuTV->CoNA() && TuTV->DaDuocBienDoi() &&
            (TuTV->NenKhoiPhucPhim() || (DungTuDienDeKTChinhTa && !TuDien::CoTrongTuDien(TuTV->CacKTThuong)))) {
            TuTVDaKhoiPhuc = std::make_unique<TuTiengViet>(*TuTVCu);
            TuTV->ResetProperties();
            TuTV->KhoiPhucPhim();
            if (TuTV->CacKT != TuTVCu->CacKT) BackspaceAndSendString(TuTVCu->CacKT, TuTV->CacKT);
        } else if (previous && previous->VTCoThayDoi >= 0) {
            std::wstring oldText = previousCopy->CacKT + L" " + TuTVCu->CacKT;
            std::wstring newText = previous->CacKT + L" " + TuTV->CacKT;
            BackspaceAndSendString(oldText, newText);
            size_t cut = std::min(CacKT.size(), previousCopy->CacKT.size() + 1);
            CacKT.replace(CacKT.size() - cut, cut, previous->CacKT + L" ");
        } else if (TuTV->VTCoThayDoi >= 0) {
            int p = TuTV->VTCoThayDoi;
            BackspaceAndSendString((int)TuTVCu->CacKT.size() - p,
                                   (size_t)p < TuTV->CacKT.size() ? TuTV->CacKT.substr(p) : std::wstring());
        }
    }

    PushTuTV();
    // A key of 0 (Tab, Return, Escape) ends the word without adding anything.
    if (ch != 0) {
        CacKT += ch;
        CD0TV += 1;
        DaGo = true;
    }
    return false;
}

bool CBoGo::Backspace()
{
    if (CD0TV > 0) {
        CD0TV -= 1;
        if (!CacKT.empty()) CacKT.pop_back();
        if (CD0TV == 0) PopTuTV();
        return false;
    }
    if (!TuTV) PopTuTV();
    if (!TuTV) return false;
    if (TuTV->CacKT.empty()) {
        PopCD0TV();
        return false;
    }
    TuTV->ResetProperties();
    TuTVCu = std::make_unique<TuTiengViet>(*TuTV);
    const wchar_t deleted = TuTV->CacKT.back();
    // A letter of several units: the application's own Backspace removes
    // the last one, the engine the others (a count of units, not letters).
    auto extraUnits = [&] {
        int e = GetLengthAfterEncoded(deleted);
        if (Service && !BangMa.empty() && e > 1) Service->BackspaceAndSendString(e - 1, L"");
    };
    if (TuTV->Backspace()) {
        extraUnits();
        PopCD0TV();
        return false;
    }
    int p = TuTV->VTCoThayDoi;
    if (p >= 0) {
        const std::wstring& now = TuTV->CacKT;
        BackspaceAndSendString((int)now.size() - p + 1, (size_t)p < now.size() ? now.substr(p) : std::wstring());
        return true;
    }
    extraUnits();
    return false;
}

void CBoGo::Back(int n)
{
    while (n > 0) {
        if (CD0TV > 0) {
            int m = std::min({CD0TV, n, (int)CacKT.size()});
            if (m == 0) {
                CD0TV = 0;
                continue;
            }
            CacKT.erase(CacKT.size() - m);
            CD0TV -= m;
            n -= m;
        } else {
            if (!TuTV) PopTuTV();
            if (!TuTV) break;
            int len = (int)TuTV->CacKT.size();
            if (n < len) {
                // Only the end of this word goes (an abbreviation can follow
                // a mark key inside raw keys): keep the rest as a word.
                TuTV = std::make_unique<TuTiengViet>(this, TuTV->CacKT.substr(0, len - n));
                TuTV->ResetProperties();
                TuTVCu = std::make_unique<TuTiengViet>(*TuTV);
                break;
            }
            n -= len;
            PopCD0TV();
        }
    }
}

void CBoGo::Parse(const std::wstring& text)
{
    if (text.empty()) return;
    // A word being typed comes before the parsed text.
    PushTuTV();
    DaGo = true;
    size_t i = 0;
    while (i < text.size()) {
        if (!Utils::IsAlpha(text[i])) {
            CacKT += text[i++];
            CD0TV += 1;
            continue;
        }
        size_t j = i;
        while (j < text.size() && Utils::IsAlpha(text[j])) ++j;
        std::wstring w = text.substr(i, j - i);
        CacCD0TV.push_back(CD0TV);
        CD0TV = 0;
        if (j < text.size()) {
            CacTuTV.emplace_back(this, w);
            CacKT += w;
            CacKT += text[j];
            CD0TV = 1;
            i = j + 1;
        } else {
            TuTV = std::make_unique<TuTiengViet>(this, w);
            TuTV->ResetProperties();
            TuTVCu = std::make_unique<TuTiengViet>(*TuTV);
            i = j;
        }
    }
}

void CBoGo::ThayTheCuoi(const std::wstring& from, const std::wstring& to)
{
    BackspaceAndSendString(from, to);
    Back((int)from.size());
    Parse(to);
}

void CBoGo::Undo()
{
    while (!CacUndo.empty()) {
        CUndoEntry e = CacUndo.back();
        CacUndo.pop_back();
        bool alnum = !e.New.empty() && IsAlnum(e.New.back());
        if (!EndsWith(TatCaKT(alnum), e.New)) continue;
        if (alnum && !TuTV) {
            std::wstring tail = CacKT.substr(CacKT.size() - std::min((size_t)CD0TV, CacKT.size()));
            ThayTheCuoi(e.New + tail, e.Old + tail);
        } else {
            ThayTheCuoi(e.New, e.Old);
        }
        return;
    }
    if (TuTV && TuTV->DaDuocBienDoi()) {
        TuTVCu = std::make_unique<TuTiengViet>(*TuTV);
        TuTV->ResetProperties();
        TuTV->KhoiPhucPhim();
        BackspaceAndSendString(TuTVCu->CacKT, TuTV->CacKT);
        return;
    }
    if (TuTV || CacTuTV.empty()) return;
    std::wstring tail = CacKT.substr(CacKT.size() - std::min((size_t)CD0TV, CacKT.size()));
    TuTiengViet& last = CacTuTV.back();
    std::wstring from = last.CacKT + tail;
    if (TuTVDaKhoiPhuc) {
        std::unique_ptr<TuTiengViet> remembered = std::move(TuTVDaKhoiPhuc);
        CacKT.erase(CacKT.size() - std::min(CacKT.size(), from.size()));
        if (remembered->KoPhaiTV() || remembered->SaiCT()) {
            // The word becomes the one being typed again, without its tail.
            std::wstring to = remembered->LayCacKTTV();
            BackspaceAndSendString(from, to);
            remembered->RemoveCacKyTu0TV();
            remembered->ResetProperties();
            CacTuTV.pop_back();
            CD0TV = 0;
            TuTV = std::move(remembered);
            TuTVCu = std::make_unique<TuTiengViet>(*TuTV);
        } else {
            std::wstring to = remembered->CacKT + tail;
            BackspaceAndSendString(from, to);
            remembered->ResetProperties();
            last = *remembered;
            CacKT += to;
        }
        return;
    }
    if (last.DaDuocBienDoi()) {
        std::wstring oldText = last.CacKT;
        last.ResetProperties();
        last.KhoiPhucPhim();
        BackspaceAndSendString(oldText + tail, last.CacKT + tail);
        CacKT.replace(CacKT.size() - std::min(CacKT.size(), from.size()), from.size(), last.CacKT + tail);
    }
}

void CBoGo::Clear()
{
    if (!DaGo) return;
    DaGo = false;
    CacTuTV.clear();
    CacCD0TV.clear();
    CacKT.clear();
    CD0TV = 0;
    TuTV.reset();
    TuTVCu.reset();
    TuTVDaKhoiPhuc.reset();
}

std::wstring CBoGo::GetDebugInfo() const
{
    std::wstring s = L"CacKT=" + CacKT + L"\r\n----------\r\n";
    if (TuTV) s += TuTV->GetInfo();
    for (const TuTiengViet& w : CacTuTV) s += L"\r\n----------\r\n" + w.GetInfo();
    return s;
}

std::vector<std::wstring> CBoGo::GetSuggestionFilters() const
{
    const TuTiengViet* last = CacTuTV.empty() ? nullptr : &CacTuTV.back();
    const bool spaceAfterLast = last && last->CD0TV == 0 && !CacKT.empty() && CacKT.back() == L' ';
    if (TuTV) {
        if (spaceAfterLast && !CacCD0TV.empty() && CacCD0TV.back() == 1)
            return {last->CacKT + L" " + TuTV->CacKT, TuTV->CacKT};
        return {TuTV->CacKT};
    }
    if (!last || last->CD0TV > 0) return {};
    if (CD0TV == 0) return {last->CacKT};
    if (CD0TV == 1 && spaceAfterLast) return {last->CacKT + L" "};
    return {};
}

bool CBoGo::ApDungChucNang(TuTiengViet& word, const ChucNangPhim& f)
{
    if (f.UseStringValue) return word.GoTat(f.StringValue);
    static const wchar_t* const chu[] = {L"đ", L"â", L"ă", L"ê", L"ô", L"ơ", L"ư", L"ươ",
                                         L"Đ", L"Â", L"Ă", L"Ê", L"Ô", L"Ơ", L"Ư", L"ƯƠ"};
    switch (f.ChucNangCoBan) {
    case Enums::Thoat: return false;
    case Enums::XoaDauThanh: return word.XoaDauThanh();
    case Enums::DauSac:
    case Enums::DauHuyen:
    case Enums::DauHoi:
    case Enums::DauNga:
    case Enums::DauNang: return word.XuLyDauThanh((DauThanh)(f.ChucNangCoBan - 2));
    case Enums::D_DD: return word.D_DD();
    case Enums::AEO_Mu: return word.AEO_Mu();
    case Enums::A_Mu: return word.A_Mu();
    case Enums::E_Mu: return word.E_Mu();
    case Enums::O_Mu: return word.O_Mu();
    case Enums::UOA_Moc: return word.UOA_Moc();
    case Enums::UO_Moc: return word.UO_Moc();
    case Enums::U_Moc: return word.U_Moc();
    case Enums::O_Moc: return word.O_Moc();
    case Enums::A_Moc: return word.A_Moc();
    case Enums::UOA_Moc__UW: return word.UOA_Moc__UW();
    default:
        if (f.ChucNangCoBan >= Enums::__dd && f.ChucNangCoBan <= Enums::_UOW)
            return word.GoTat(chu[f.ChucNangCoBan - Enums::__dd]);
        return false;
    }
}
