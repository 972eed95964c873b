#pragma once

#include <map>
#include <string>
#include <vector>

// Which pieces can form a Vietnamese syllable: the groups of initial
// consonants (PAD), vowel groups (NA) and finals (PAC), and which group may
// follow which. A spelling's group is the first group that lists it.
class CGhepVan {
public:
    typedef std::vector<std::vector<std::wstring>> NhomAm;

    NhomAm CacNA0Dau;
    NhomAm CacPAD;
    NhomAm CacNA;
    NhomAm CacPAC;
    std::vector<std::vector<int>> PAD_NA;
    std::vector<std::vector<int>> NA_PAC;
    bool UODiKemPACEnabled = false;
    std::map<std::wstring, std::wstring> CacPADTuongDuong;
    std::map<std::wstring, std::wstring> CacNA_PAC_DacBiet;
    bool PADTuDoEnabled = false;

    // Reads Resources/GhepVan.ini beside the program.
    CGhepVan();
    explicit CGhepVan(const std::wstring& file);

    void UpdateProperties();
    void PADTuDo(bool on);
    void UODiKemPAC(bool on);
    void Add_NA_PAC_DacBiet(const std::wstring& s);
    void Clear_NA_PAC_DacBiet() { CacNA_PAC_DacBiet.clear(); }
    bool LaPACDacBiet(const std::wstring& s) const;

    static int TimNhomAm(const NhomAm& table, const std::wstring& s);
    static bool CoTrongNhomAm(const NhomAm& table, const std::wstring& s) { return TimNhomAm(table, s) >= 0; }
    int TimNhomPAD(const std::wstring& s) const { return TimNhomAm(CacPAD, s); }
    int TimNhomNA(const std::wstring& s) const { return TimNhomAm(CacNA, s); }
    int TimNhomPAC(const std::wstring& s) const { return TimNhomAm(CacPAC, s); }

    bool LaPAD(const std::wstring& pad) const;
    bool LaNA(const std::wstring& na) const;
    bool LaPAC(const std::wstring& pac) const;
    bool LaNAKhongDau(const std::wstring& na0) const;

    bool La_PAD_NA(const std::wstring& pad, const std::wstring& na) const;
    bool La_PAD_NA0Dau(const std::wstring& pad, const std::wstring& na0) const;
    bool La_NA_PAC(const std::wstring& na, const std::wstring& pac) const;
    bool La_NA0Dau_PAC(const std::wstring& na0, const std::wstring& pac) const;
    bool La_NA_PAC(const std::wstring& pad, const std::wstring& na, const std::wstring& pac) const;
    bool La_PAD_NA_PAC(const std::wstring& pad, const std::wstring& na, const std::wstring& pac) const;
    bool CoTheLa_NA_PAC(const std::wstring& na, const std::wstring& pac) const;
    bool CoTheLa_PAD_NA_PAC(const std::wstring& pad, const std::wstring& na, const std::wstring& pac) const;

    // The initial is "gi", or an extra initial that stands for it.
    bool LaPADGi(const std::wstring& pad) const;

private:
    void Load(const std::wstring& file);
    bool SpecialFinal(const std::wstring& na, const std::wstring& pac, bool prefix) const;
};
