#include <gtest/gtest.h>

#include <fstream>
#include <map>

#include "core/UtfConverter.h"
#include "tests/common/KeyStreams.h"
#include "tests/engine/WordTyper.h"

namespace {

// Every letters-only piece of the two word lists (Viet74K.txt and
// vi_VN.dic, lower-cased, split at spaces and hyphens) with the verdict of
// the independent checker tools/check_syllables.py: "ok" or why standard
// spelling rejects it. Toneless c/ch/p/t finals ("notone") are typos the
// engine's rules accept, like any toneless word.
const std::map<std::wstring, std::wstring>& Verdicts()
{
    static const std::map<std::wstring, std::wstring> all = [] {
        std::map<std::wstring, std::wstring> r;
        for (const std::wstring& line :
             Utils::ReadAllLines(Utils::ToWString(LIRANO_SOURCE_DIR "/tests/engine/syllables.tsv"))) {
            if (line.empty() || line[0] == L'#') continue;
            size_t tab = line.find(L'\t');
            if (tab != std::wstring::npos) r.emplace(line.substr(0, tab), line.substr(tab + 1));
        }
        return r;
    }();
    return all;
}

bool Accepted(const std::wstring& verdict) { return verdict == L"ok" || verdict == L"notone"; }

std::string U8(const std::wstring& s) { return UtfConverter::ToUtf8(s); }

} // namespace

TEST(Syllables, WordListsAreAcceptedExceptTheDocumentedRejections)
{
    CBoGo bogo;
    ASSERT_GT(Verdicts().size(), 9000u);
    std::vector<std::string> wrong;
    size_t accepted = 0;
    for (const auto& [s, verdict] : Verdicts()) {
        TuTiengViet w(&bogo, s);
        bool ok = w.CoNAVaDungCT();
        accepted += ok;
        if (ok != Accepted(verdict))
            wrong.push_back(U8(s) + (ok ? " accepted, but the checker says " + U8(verdict) : " rejected"));
    }
    for (size_t i = 0; i < wrong.size() && i < 40; ++i) ADD_FAILURE() << wrong[i];
    EXPECT_EQ(wrong.size(), 0u);
    std::cout << "pieces: " << Verdicts().size() << ", accepted " << accepted << ", rejected "
              << Verdicts().size() - accepted << "\n";
}

TEST(Syllables, NonSyllablesAreRejected)
{
    CBoGo bogo;
    for (const wchar_t* s : {L"ka",    L"ci",     L"ce",   L"gha",   L"nghu", L"ngi", L"quu", L"iê",   L"ươ",  L"uô",
                             L"yê",    L"â",      L"ă",    L"oă",    L"tiê",  L"muô", L"lươ", L"xuyê", L"boo", L"bâ",
                             L"hoă",   L"tuâ",    L"anb",  L"ôx",    L"ak",   L"em",  L"àc",  L"tàch", L"bảp", L"mãt",
                             L"khoai", L"khuyua", L"uyua", L"quoai", L"krôm", L"fan", L"zô",  L"gì",   L"gìn"}) {
        TuTiengViet w(&bogo, s);
        // A lone â or ă is the letter itself.
        bool wanted = std::wstring(s) == L"em" || std::wstring(s) == L"khoai" || std::wstring(s) == L"gì" ||
                      std::wstring(s) == L"gìn" || std::wstring(s) == L"â" || std::wstring(s) == L"ă";
        EXPECT_EQ(w.CoNAVaDungCT(), wanted) << U8(s);
    }
}

// Every accepted syllable, in both tone styles, typed in every order that
// applies to it, in Telex 2 and VNI.
TEST(Syllables, EveryAcceptedSyllableTypesBackInEveryOrder)
{
    using keys::Order;
    size_t total = 0, good = 0;
    std::vector<std::string> wrong;
    for (const wchar_t* method : {L"Telex 2", L"VNI"})
        for (bool kieu2 : {false, true}) {
            CBoGo bogo;
            bogo.BoDauThanhKieu2 = kieu2;
            WordTyper typer(bogo, method);
            for (const auto& [s, verdict] : Verdicts()) {
                if (!Accepted(verdict)) continue;
                const std::wstring expected = keys::PlaceTone(s, kieu2);
                for (Order order : {Order::MarkAfterLetter, Order::ToneAfterVowels, Order::ToneInsideFinal,
                                    Order::MarksAtEnd, Order::ToneThenMarks, Order::ToneInsideFinalThenMarks}) {
                    const std::wstring k = keys::Syllable(s, method, order);
                    if (k.empty()) continue;
                    const std::wstring got = typer.Type(k);
                    ++total;
                    if (got == expected && typer.Word && !typer.Word->KoPhaiTV())
                        ++good;
                    else
                        wrong.push_back(U8(method) + " " + U8(k) + " -> " + U8(got) + " (expected " + U8(expected) +
                                        (kieu2 ? ", second style)" : ")"));
                }
            }
        }
    for (size_t i = 0; i < wrong.size() && i < 60; ++i) ADD_FAILURE() << wrong[i];
    std::cout << "typed back: " << good << " of " << total << " (" << wrong.size() << " wrong)\n";
    EXPECT_EQ(good, total);
}
