#pragma once

#include <functional>
#include <map>
#include <string>

#include "core/TV.h"

class CBoGo;
class CGhepVan;

// One word while it is typed: the keys pressed, the text shown, and its
// analysis as initial consonant + vowel group + final + non-Vietnamese tail.
class TuTiengViet {
public:
    typedef std::map<std::wstring, std::wstring> BangThayThe;

    CBoGo* BoGo;
    wchar_t KTVuaGo;
    wchar_t KTVuaGoThuong;
    std::wstring Raw;
    int CD0TV;
    int WA;
    int VTDau;
    int VTDT;
    std::wstring CacKT;
    std::wstring CacKTThuong;
    int VTCoThayDoi;
    bool XuLyNhuKT;
    int CDPAD;
    int CDNA;
    int CDPAC;
    DauThanh DT;
    wchar_t KTCoDT;

    // Replacement tables of the shape-mark keys, built on first use.
    static const BangThayThe& ThemDau_UOA_Moc();
    static const BangThayThe& XoaDau_UOA_Moc();
    static const BangThayThe& ThemDau_UO_Moc();
    static const BangThayThe& XoaDau_UO_Moc();
    static const BangThayThe& ThemDau_AEO_Mu();
    static const BangThayThe& XoaDau_AEO_Mu();
    static const BangThayThe& ThemDau_O_Mu();
    static const BangThayThe& XoaDau_O_Mu();
    static bool Initialized;
    static bool InitializeStaticFields();
    static BangThayThe CreateDictionary(const std::wstring& keys, const std::wstring& values);

    explicit TuTiengViet(CBoGo* boGo);
    TuTiengViet(CBoGo* boGo, const std::wstring& text);
    TuTiengViet(const TuTiengViet&) = default;
    TuTiengViet& operator=(const TuTiengViet&) = default;
    void Clone(TuTiengViet* dst) const;
    void ResetProperties()
    {
        VTCoThayDoi = -1;
        XuLyNhuKT = false;
    }

    void BatDauXuLy(wchar_t key, wchar_t keyLower);
    bool XuLyKT();
    bool D_DD();
    bool A_Mu();
    bool E_Mu();
    bool A_Moc();
    bool O_Moc();
    bool U_Moc();
    bool AEO_Mu();
    bool O_Mu();
    bool UOA_Moc();
    bool UO_Moc();
    bool UOA_Moc__UW();
    bool GoTat(const std::wstring& s);
    void ThemKT(wchar_t key, wchar_t keyLower);
    bool Backspace();
    void Append(const std::wstring& s, bool addToRaw);

    bool KoPhaiTV() const { return CD0TV > 0; }
    bool CoNA() const { return CDNA > 0; }
    bool CoNATV() const { return VTDau >= 0 || DT != -1; }
    bool DaDuocBienDoi() const { return CacKTThuong != Raw; }
    std::wstring LayPAD() const;
    std::wstring LayNA() const;
    std::wstring LayPAC() const;
    std::wstring Lay_PAD_NA() const;
    std::wstring Lay_NA_PAC() const;
    std::wstring LayCacKTTV() const;
    void RemoveCacKyTu0TV();
    void XoaKTSaiCTVuaGo();
    void ThayThePAD(const std::wstring& pad);
    void ThayThePAC(const std::wstring& pac);
    void DoiKT(int i, wchar_t c);
    std::wstring GetInfo() const;
    static std::wstring GetSequence(const std::wstring& s, const std::function<bool(wchar_t)>& pred);

    // Tone placement and spelling.
    int TimVTDauThanh() const;
    void UpdateDauThanh(int i);
    bool XuLyDauThanh(DauThanh t);
    bool XoaDauThanh();
    void XoaDauThanhInternal();
    void ThayTheDauThanh(DauThanh t);
    void SuaVTDauThanh();
    bool KTChinhTa(const std::wstring& na) const;
    bool KTChinhTaHetTu(const std::wstring& na) const;
    bool KTChinhTaTruocKhiBoDau(int i, wchar_t c) const;
    bool KTChinhTaVaBoDau(int i, wchar_t c);
    bool SaiCT() const;
    bool NenKhoiPhucPhim() const;
    bool CoNAVaDungCT() const;
    void KhoiPhucPhim();

private:
    const CGhepVan& GV() const;
    bool BoDauThanhKieu2() const;
    void Reset();
    void Lower(int i)
    {
        if (VTCoThayDoi == -1 || VTCoThayDoi > i) VTCoThayDoi = i;
    }
    bool KhongApDung()
    {
        XuLyNhuKT = true;
        return false;
    }
    // Moves the tone to its proper place when it is elsewhere.
    void DatLaiDauThanh();
    bool ThemDauNA(wchar_t base, wchar_t marked, wchar_t alternative);
    bool LapLaiKTBoDau();
    bool XuLyKTBoDau(const BangThayThe& them, const BangThayThe& xoa);
    void ThayTheNguyenAm2(const std::wstring& oldNA, const std::wstring& newNA);
    bool CoThe_PAD_NA_PAC(const std::wstring& na, const std::wstring& pac) const;
};
