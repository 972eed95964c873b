#pragma once

#include <memory>
#include <string>
#include <vector>

#include "core/BangMaUtils.h"
#include "core/ChucNangPhim.h"
#include "core/KieuGoUtils.h"
#include "engine/GhepVan.h"
#include "engine/TuTiengViet.h"

class IInputMethodService;

// The engine driver: turns keys into edits of the text since the last
// commit (the run), keeping an exact model of it: the ended words and loose
// characters in CacKT, and the word being typed in TuTV.
class CBoGo {
public:
    struct CUndoEntry {
        std::wstring Old;
        std::wstring New;
        CUndoEntry(const std::wstring& oldText, const std::wstring& newText) : Old(oldText), New(newText) {}
    };

    IInputMethodService* Service;
    std::wstring CacKT;
    std::vector<TuTiengViet> CacTuTV;
    std::unique_ptr<TuTiengViet> TuTV;
    std::unique_ptr<TuTiengViet> TuTVCu;
    int CD0TV = 0;
    std::vector<int> CacCD0TV;
    bool DaGo = false;
    bool DangThoat = false;
    KieuGoMap KieuGo;
    BangMaMap BangMa;
    CGhepVan GhepVan;
    std::unique_ptr<TuTiengViet> TuTVDaKhoiPhuc;
    std::vector<CUndoEntry> CacUndo;

    // Options.
    bool BoDauThanhKieu2 = false;
    bool KhoiPhucPhimVoiTuSai = true;
    bool DungTuDienDeKTChinhTa = false;
    bool GoCacTuTVLienTuc = false;
    bool GoTat = true;
    bool XuLyHoaThuongKhiGoTat = true;
    bool TuThemDauSac = false;
    bool SuaLoiChinhTaTuDon = false;
    // Switched through GoTatPAD(), GoTatPAC(), SuaLoiChinhTaTuGhep().
    bool GoTatPADEnabled = false;
    bool GoTatPACEnabled = false;
    bool SuaLoiChinhTaTuGhepEnabled = false;

    // Abbreviations, in file order, and the consonant shortcuts.
    std::vector<std::wstring> GoTat_Search;
    std::vector<std::wstring> GoTat_Replace;
    std::vector<std::wstring> GoTatPAD_Search = {L"f", L"j", L"w"};
    std::vector<std::wstring> GoTatPAD_Replace = {L"ph", L"gi", L"qu"};
    std::vector<std::wstring> GoTatPAC_Search = {L"k", L"g", L"h"};
    std::vector<std::wstring> GoTatPAC_Replace = {L"ch", L"ng", L"nh"};

    // Spelling-correction tables: entry i of a search table is replaced by
    // entry i of its replace table.
    static constexpr std::array<std::wstring_view, 10> PAD_Search = {L"s",  L"x",  L"l",   L"r", L"ch",
                                                                     L"tr", L"ng", L"ngh", L"g", L"gh"};
    static constexpr std::array<std::wstring_view, 10> PAD_Replace = {L"x",  L"s",   L"r",  L"l",  L"tr",
                                                                      L"ch", L"ngh", L"ng", L"gh", L"g"};
    static constexpr std::array<std::wstring_view, 4> PAC_Search = {L"c", L"t", L"n", L"ng"};
    static constexpr std::array<std::wstring_view, 4> PAC_Replace = {L"t", L"c", L"ng", L"n"};
    static constexpr std::array<DauThanh, 2> DT_Search = {Hoi, Nga};
    static constexpr std::array<DauThanh, 2> DT_Replace = {Nga, Hoi};
    static bool Initialized;
    static bool Initialize() { return true; }

    explicit CBoGo(IInputMethodService* service = nullptr);

    bool OnChar(wchar_t ch);
    // Longer than any syllable with a foreign tail: no word to transform.
    // A word that reaches it ends as typed and the next letter starts
    // afresh, so that a key costs the same however long the line is.
    static constexpr size_t MaxWord = 64;
    size_t DoDaiTuDangGo() const { return TuTV ? TuTV->CacKT.size() : 0; }
    bool KetThucTu(wchar_t ch);
    bool Backspace();
    void Undo();
    void Clear();
    std::wstring TatCaKT(bool boKTCuoi) const;
    std::wstring EncodeTatCaKT(bool boKTCuoi) const;
    std::wstring Encode(const std::wstring& s) const;
    int GetLengthAfterEncoded(const std::wstring& s) const;
    int GetLengthAfterEncoded(wchar_t c) const;
    void SetKieuGo(const KieuGoMap& kieuGo);
    bool SetBangMa(const BangMaMap& bangMa);
    void Parse(const std::wstring& text);
    void Back(int n);
    std::wstring GetDebugInfo() const;
    // Keywords for the suggestion filter, from the text being typed.
    std::vector<std::wstring> GetSuggestionFilters() const;

    // Abbreviations.
    bool KTGoTat(CUndoEntry& entry) const;
    void KTGoTatPAD(TuTiengViet* word);
    void KTGoTatPAC(TuTiengViet* word);
    void GoTatPAD(bool on);
    void GoTatPAC(bool on);
    std::wstring SuaVTDauThanh(const std::wstring& text);
    void Expand(const std::wstring& typed, std::wstring& text);
    static void CheckCaseWhenExpandText(const std::wstring& typed, std::wstring& text);
    // Replaces the abbreviation table with the lines of a GoTat.ini file;
    // keeps it when the file does not exist.
    void LoadGoTat(const std::wstring& file);

    // Spelling correction.
    void SuaLoiChinhTaTuGhep(bool on);
    bool SuaLoiChinhTa(TuTiengViet* word, TuTiengViet* previous);
    bool SuaLoiChinhTaPAD(TuTiengViet* word);
    bool SuaLoiChinhTaPAC(TuTiengViet* word);
    bool SuaLoiChinhTaHoiNga(TuTiengViet* word);
    bool SuaLoiChinhTaPAD2(TuTiengViet* previous);
    bool SuaLoiChinhTaPAC2(TuTiengViet* previous);
    bool SuaLoiChinhTaHoiNga2(TuTiengViet* previous);

    // Applies one key function to a word; the word operation's result.
    static bool ApDungChucNang(TuTiengViet& word, const ChucNangPhim& f);

private:
    bool XuLy(wchar_t ch);
    bool XuLyKT(wchar_t ch, wchar_t key);
    bool XuLyPhimChucNang(const ChucNangPhim& f) { return ApDungChucNang(*TuTV, f); }
    void TaoTuTVMoi();
    void PushTuTV();
    void PopTuTV();
    void PopCD0TV();
    void BackspaceAndSendString(int n, const std::wstring& s);
    void BackspaceAndSendString(const std::wstring& oldText, const std::wstring& newText);
    // Replaces the end of the run on screen and in the model.
    void ThayTheCuoi(const std::wstring& from, const std::wstring& to);
    bool Enabled() const;
    bool IsNumpad() const;
    bool CoTrongTuDienTuGhep(const std::wstring& text) const;
    int EncodedLengthOfTail(const std::wstring& text, int n) const;
};
