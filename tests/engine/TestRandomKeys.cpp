#include <gtest/gtest.h>

#include <random>

#include "tests/engine/WordTyper.h"

namespace {

// The word's structural promises, checked after every key.
std::string BrokenInvariant(const TuTiengViet& w)
{
    const int len = (int)w.CacKT.size();
    if (w.CacKTThuong.size() != w.CacKT.size()) return "CacKTThuong length";
    if (Utils::ToLower(w.CacKT) != w.CacKTThuong) return "CacKTThuong is not the lower case of CacKT";
    if (w.CD0TV == 0 && w.CDPAD + w.CDNA + w.CDPAC != len) return "parts do not add up to the length";
    if (w.CD0TV < 0 || w.CDPAD < 0 || w.CDNA < 0 || w.CDPAC < 0) return "negative length";
    if (w.CDNA > 3) return "more than three vowels";
    bool d = w.DT != -1, v = w.VTDT != -1, k = w.KTCoDT != 0;
    if (d != v || v != k) return "tone triple set or cleared apart";
    const int viet = len - w.CD0TV;
    int toned = 0;
    for (int i = 0; i < viet && i < len; ++i)
        if (TV::TimDauThanh(w.CacKTThuong[i]) >= 0) ++toned;
    if (toned > 1) return "more than one tone";
    if (v) {
        if (w.VTDT >= len) return "tone beyond the word";
        if (w.CacKTThuong[w.VTDT] != TV::ThemDauThanh(w.KTCoDT, w.DT)) return "toned letter disagrees with the tone";
        if (w.CD0TV == 0 && (w.VTDT < w.CDPAD || w.VTDT >= w.CDPAD + w.CDNA)) return "tone outside the vowel group";
        if (w.CD0TV == 0 && w.VTDau >= 0 && w.VTDau != w.VTDT) return "tone and shape mark on different letters";
    } else if (toned != 0 && w.CD0TV == 0) {
        return "a toned letter without a tone";
    }
    if (w.VTDau >= len) return "shape mark beyond the word";
    return "";
}

void Fuzz(CBoGo& bogo, const std::wstring& method, const std::wstring& alphabet, unsigned seed, int keys)
{
    WordTyper typer(bogo, method);
    std::mt19937 rng(seed);
    std::uniform_int_distribution<size_t> pick(0, alphabet.size());
    std::wstring history;
    for (int n = 0; n < keys; ++n) {
        size_t i = pick(rng);
        if (i == alphabet.size()) {
            history += L'<';
            if (typer.Word) {
                typer.Word->ResetProperties();
                if (typer.Word->Backspace()) typer.Word.reset();
            }
        } else {
            history += alphabet[i];
            typer.Key(alphabet[i]);
        }
        if (history.size() > 40) history.erase(0, history.size() - 40);
        if (!typer.Word) continue;
        std::string broken = BrokenInvariant(*typer.Word);
        if (!broken.empty()) {
            FAIL() << broken << " after keys ..." << UtfConverter::ToUtf8(history) << " ("
                   << UtfConverter::ToUtf8(typer.Word->CacKT) << ")\n"
                   << UtfConverter::ToUtf8(typer.Word->GetInfo());
        }
        // Keep words short enough that every part of the analysis is reached.
        if (typer.Word->CacKT.size() > 12) typer.Word.reset();
    }
}

const std::wstring kTelexKeys = L"aaeeoouuwwddiiyysfrxjznghtcmpqkbvlAEOWDSFJ19.,[]{}";

} // namespace

TEST(RandomKeys, Telex2WordsKeepTheirInvariants)
{
    CBoGo bogo;
    for (unsigned seed = 1; seed <= 4; ++seed) Fuzz(bogo, L"Telex 2", kTelexKeys, seed, 50000);
}

TEST(RandomKeys, OtherMethodsAndOptionsKeepTheirInvariants)
{
    CBoGo bogo;
    Fuzz(bogo, L"Telex", kTelexKeys, 11, 40000);
    Fuzz(bogo, L"VNI", L"aaeeoouuydiinghtcmpq1234567890AEOU.,", 12, 40000);
    Fuzz(bogo, L"VIQR", L"aaeeoouuydiinghtcmpq'`?~.^(+*\\AEOU,", 13, 40000);
    bogo.BoDauThanhKieu2 = true;
    bogo.GhepVan.UODiKemPAC(true);
    bogo.GhepVan.PADTuDo(true);
    Fuzz(bogo, L"Telex 2", kTelexKeys, 14, 40000);
}
