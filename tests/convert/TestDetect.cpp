#include <gtest/gtest.h>

#include "core/TV.h"
#include "tests/convert/ConvertTestUtils.h"

using namespace testutil;

namespace {

std::wstring Detect(const std::wstring& text, double threshold = 0.7)
{
    CChuyenMa cm;
    cm.TiLeChinhXac = threshold;
    return cm.DetectBangMa(text);
}

} // namespace

TEST(Detect, NamesTheCharsetOfRealParagraphs)
{
    EXPECT_EQ(Detect(Paragraphs()), L"Unicode");
    for (const std::wstring& name : Shipped()) {
        SCOPED_TRACE(Utf8(name));
        std::wstring encoded = Convert(Paragraphs(), BangMaUtils::Unicode, name);
        ASSERT_NE(encoded, Paragraphs());
        EXPECT_EQ(Detect(encoded), name);
        // In capitals, and read back from the file people have: raw bytes
        // for the 8-bit charsets, UTF-8 for the Unicode forms.
        EXPECT_EQ(Detect(Convert(Paragraphs(), BangMaUtils::Unicode, name, ChuyenMaFlags_ToUpper)), name);
        std::string file = BangMaUtils::LaBangMaUnicode(name) ? Utf8(encoded) : Bytes(encoded);
        EXPECT_EQ(Detect(VanBanUtils::ReadText(file)), name);
    }
}

TEST(Detect, NamesTheCharsetOfTheWordList)
{
    std::wstring text = WordList().substr(0, 40000);
    for (const std::wstring& name : Shipped())
        EXPECT_EQ(Detect(Convert(text, BangMaUtils::Unicode, name)), name) << Utf8(name);
}

TEST(Detect, TheRightReadingScoresBestByAWideMargin)
{
    // What detection relies on: the right reading keeps nearly every word,
    // every wrong one far fewer, near twins (VISCII and VPS, the two
    // decomposed forms, VIQR read as anything) included.
    for (const std::wstring& name : Shipped()) {
        std::wstring encoded = Convert(Paragraphs(), BangMaUtils::Unicode, name);
        for (const std::wstring& reading : BangMaUtils::TenCacBangMaCoSan) {
            double ratio = CChuyenMa::TinhTiLeTuTV(
                reading == BangMaUtils::Unicode
                    ? encoded
                    : CChuyenMa::ConvertCore(encoded,
                                             BangMaUtils::TaoBangMaNguoc(BangMaUtils::LayBangMa(reading), true)));
            if (reading == name)
                EXPECT_GT(ratio, 0.95) << Utf8(name);
            else
                EXPECT_LT(ratio, 0.75) << Utf8(name) << " read as " << Utf8(reading);
        }
    }
}

TEST(Detect, NearTwinEarlierInTheListDoesNotWinByItsPlace)
{
    // Real words whose VPS bytes mostly mean the same letters in VISCII,
    // which comes first: read as VISCII the text passes the threshold. (The
    // shared letters outside Latin-1, such as ả, keep it from passing as
    // Unicode.)
    BangMaMap viscii = BangMaUtils::LayBangMa(L"VISCII"), vps = BangMaUtils::LayBangMa(L"VPS");
    std::wstring text;
    size_t shared = 0, other = 0;
    for (const std::wstring& line : Lines(WordList())) {
        bool same = line.find_first_of(L"ảắằụ") != std::wstring::npos;
        for (wchar_t c : line)
            if (vps.count(c) && vps.at(c) != viscii.at(c)) same = false;
        if (same ? shared++ < 400 : other++ < 80) text += line + L"\n";
    }
    std::wstring encoded = Convert(text, BangMaUtils::Unicode, L"VPS");
    ASSERT_GE(CChuyenMa::TinhTiLeTuTV(Convert(encoded, L"VISCII", BangMaUtils::Unicode)), 0.7);
    ASSERT_LT(CChuyenMa::TinhTiLeTuTV(encoded), 0.7);
    EXPECT_EQ(Detect(encoded), L"VPS");

    // The same with the two decomposed forms: text in precomposed letter +
    // combining tone, read as full decomposition (listed first), loses only
    // the letters with both a shape mark and a tone.
    std::wstring tone = Convert(WordList().substr(0, 40000), BangMaUtils::Unicode, L"Unicode tổ hợp dấu thanh");
    ASSERT_GE(CChuyenMa::TinhTiLeTuTV(Convert(tone, L"Unicode tổ hợp", BangMaUtils::Unicode)), 0.7);
    EXPECT_EQ(Detect(tone), L"Unicode tổ hợp dấu thanh");
}

TEST(Detect, DecomposedTextIsNotTakenForUnicode)
{
    // Words with tone marks but no shape marks: cut at their combining
    // marks they would all be words ("có" -> "co"), and the text would
    // pass as Unicode; a combining mark continues its word instead.
    std::wstring text;
    const std::wstring shaped = L"âăêôơưđÂĂÊÔƠƯĐ";
    for (const std::wstring& line : Lines(WordList()))
        if (line.find_first_of(shaped) == std::wstring::npos &&
            line.find_first_of(L"áàảãạéèẻẽẹíìỉĩịóòỏõọúùủũụýỳỷỹỵ") != std::wstring::npos && text.size() < 20000)
            text += line + L"\n";
    std::wstring nfd = Convert(text, BangMaUtils::Unicode, L"Unicode tổ hợp");
    ASSERT_GE(CChuyenMa::TinhTiLeTuTV(TV::XoaDauVaDauThanh(text)), 0.7); // the pieces would be words
    EXPECT_LT(CChuyenMa::TinhTiLeTuTV(nfd), 0.3);
    EXPECT_EQ(Detect(nfd), L"Unicode tổ hợp");
    EXPECT_EQ(Detect(text), L"Unicode");
}

TEST(Detect, TextOfNoCharsetGivesTheBestGuessOrUnicode)
{
    // English: no reading makes more Vietnamese words than another.
    std::wstring english = L"The quick brown fox jumps over the lazy dog, twice a day.";
    EXPECT_EQ(Detect(english), L"Unicode");
    // Half-Vietnamese VNI text below the threshold: VNI still scores best.
    std::wstring vni =
        Convert(L"Tiếng Việt có dấu", BangMaUtils::Unicode, L"VNI Windows") + L" the quick brown fox jumps over";
    EXPECT_EQ(Detect(vni), L"VNI Windows");
    EXPECT_EQ(Detect(vni, 0.3), L"VNI Windows");
}
