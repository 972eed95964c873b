#include <gtest/gtest.h>

#include "core/TV.h"
#include "tests/convert/ConvertTestUtils.h"

using namespace testutil;

namespace {

struct Case {
    ChuyenMaFlags flags;
    const char* name;
};
const Case kCases[] = {{ChuyenMaFlags_Normal, "as is"},
                       {ChuyenMaFlags_ToLower, "lower"},
                       {ChuyenMaFlags_ToUpper, "upper"},
                       {ChuyenMaFlags_XoaDau, "strip marks"},
                       {ChuyenMaFlags_ToUpper | ChuyenMaFlags_XoaDau, "upper, strip marks"}};

// What the flags make of the text, by Utils' and TV's own functions.
std::wstring Expected(const std::wstring& text, ChuyenMaFlags f)
{
    std::wstring r = text;
    if (f & ChuyenMaFlags_ToLower)
        Utils::ToLower(r);
    else if (f & ChuyenMaFlags_ToUpper)
        Utils::ToUpper(r);
    if (f & ChuyenMaFlags_XoaDau) r = TV::XoaDauVaDauThanh(r);
    return r;
}

// TCVN3 writes 60 toned capitals with the byte of their lower-case letter,
// so decoding (lower case preferred) gives the lower-case letter for them.
std::wstring AsTcvn3Decodes(const std::wstring& text)
{
    BangMaMap t = BangMaUtils::LayBangMa(L"TCVN3 (ABC)");
    std::wstring r = text;
    for (wchar_t& c : r)
        if (Utils::IsUpper(c) && t.count(c) && t.at(c) == t.at(Utils::ToLower(c))) c = Utils::ToLower(c);
    return r;
}

// VIQR writes marks with ASCII punctuation, so "ba." or "Eddie" in the text
// come back as "bạ", "Đie". Such lines are left out of the exact check.
bool AmbiguousInViqr(const std::wstring& line)
{
    if (line.find_first_of(L"'`?~.(^+") != std::wstring::npos) return true;
    std::wstring lower = Utils::ToLower(line);
    return lower.find(L"dd") != std::wstring::npos;
}

} // namespace

TEST(RoundTrip, EveryShippedCharsetKeepsTheWholeWordList)
{
    const std::wstring& text = WordList();
    ASSERT_GT(text.size(), 300000u);
    for (const std::wstring& name : Shipped()) {
        const bool bytes = !BangMaUtils::LaBangMaUnicode(name);
        const bool tcvn3 = name == L"TCVN3 (ABC)";
        const bool viqr = name == L"VIQR";
        for (const Case& c : kCases) {
            SCOPED_TRACE(Utf8(name) + ", " + c.name);
            std::wstring expected = Expected(text, c.flags);
            std::wstring encoded = Convert(text, BangMaUtils::Unicode, name, c.flags);
            if (!(c.flags & ChuyenMaFlags_XoaDau)) {
                ASSERT_NE(encoded, expected); // really encoded
            }
            if (bytes) {
                for (wchar_t u : encoded) ASSERT_LT((uint32_t)u, 256u);
            }

            std::wstring decoded = Convert(encoded, name, BangMaUtils::Unicode);
            if (tcvn3) {
                EXPECT_EQ(decoded, AsTcvn3Decodes(expected));
                if (c.flags & ChuyenMaFlags_ToUpper) { // all capitals: preferring upper case is exact
                    EXPECT_EQ(Convert(encoded, name, BangMaUtils::Unicode, ChuyenMaFlags_PreferUpper), expected);
                }
                continue;
            }
            if (!viqr) {
                EXPECT_EQ(decoded, expected);
                continue;
            }
            std::vector<std::wstring> want = Lines(expected), got = Lines(decoded);
            ASSERT_EQ(got.size(), want.size());
            size_t skipped = 0;
            for (size_t i = 0; i < want.size(); ++i) {
                if (AmbiguousInViqr(want[i])) {
                    ++skipped;
                    continue;
                }
                ASSERT_EQ(Utf8(got[i]), Utf8(want[i])) << "line " << i + 1;
            }
            EXPECT_LT(skipped, want.size() / 100);
        }
    }
}

TEST(RoundTrip, DirectTableEqualsGoingThroughUnicode)
{
    // A direct source -> target table must give what decoding and encoding
    // again gives, for every ordered pair of charsets.
    std::wstring text = WordList().substr(0, 150000);
    std::vector<std::wstring> names = Shipped();
    for (const std::wstring& from : names) {
        std::wstring src = Convert(text, BangMaUtils::Unicode, from);
        std::wstring viaUnicode = Convert(src, from, BangMaUtils::Unicode);
        for (const std::wstring& to : names) {
            if (to == from) continue;
            SCOPED_TRACE(Utf8(from) + " -> " + Utf8(to));
            EXPECT_EQ(Convert(src, from, to), Convert(viaUnicode, BangMaUtils::Unicode, to));
        }
    }
}

TEST(RoundTrip, GlibcIconvAgreesForVisciiAndWindows1258)
{
    const std::wstring& text = WordList();
    std::string utf8 = Utf8(text);
    for (auto [name, iconvName] : {std::pair{L"VISCII", "VISCII"}, std::pair{L"Windows 1258", "CP1258"}}) {
        SCOPED_TRACE(iconvName);
        std::string ours = Bytes(Convert(text, BangMaUtils::Unicode, name));
        std::string theirs, back;
        ASSERT_TRUE(Iconv(iconvName, "UTF-8", utf8, theirs));
        EXPECT_EQ(ours.size(), theirs.size());
        EXPECT_TRUE(ours == theirs);
        // And glibc reads our bytes back as the original text.
        ASSERT_TRUE(Iconv("UTF-8", iconvName, ours, back));
        EXPECT_TRUE(back == utf8);
        // Our decoder reads glibc's bytes.
        EXPECT_TRUE(Convert(VanBanUtils::FromBytes(theirs), name, BangMaUtils::Unicode) == text);
    }
}
