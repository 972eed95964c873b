#include <gtest/gtest.h>

#include <random>

#include "tests/common/WordInvariants.h"
#include "tests/engine/WordTyper.h"

namespace {

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
