#include <gtest/gtest.h>

#include <random>

#include "core/TV.h"
#include "core/TuDien.h"
#include "tests/common/TempDir.h"
#include "tests/convert/ConvertTestUtils.h"

using namespace testutil;

namespace {

typedef std::map<std::wstring, std::wstring> Table;

// The longest match done the slow, obvious way: every key length from the
// longest down to the shortest, one map look-up each.
std::wstring SlowConvertCore(const std::wstring& s, const Table& t)
{
    size_t maxLen = 0, minLen = SIZE_MAX;
    for (const auto& [k, v] : t) {
        if (k.empty()) continue;
        maxLen = std::max(maxLen, k.size());
        minLen = std::min(minLen, k.size());
    }
    if (maxLen == 0) return s;
    std::wstring r;
    size_t i = 0;
    while (i + minLen <= s.size()) {
        size_t L = std::min(maxLen, s.size() - i);
        bool found = false;
        for (; L >= minLen; --L) {
            auto it = t.find(s.substr(i, L));
            if (it != t.end()) {
                r += it->second;
                i += L;
                found = true;
                break;
            }
        }
        if (!found) r += s[i++];
    }
    return r + s.substr(i);
}

// The word-ratio done with Utils' own functions: words are runs of
// letters with the combining marks after them.
double SlowRatio(const std::wstring& s)
{
    auto mark = [](wchar_t c) { return c >= 0x300 && c <= 0x36F; };
    int total = 0, tv = 0;
    for (size_t i = 0; i < s.size();) {
        if (!Utils::IsAlpha(s[i])) {
            ++i;
            continue;
        }
        size_t b = i;
        while (i < s.size() && (Utils::IsAlpha(s[i]) || mark(s[i]))) ++i;
        ++total;
        if (TuDien::CoTrongTuDien(Utils::ToLower(s.substr(b, i - b)))) ++tv;
    }
    return total ? (double)tv / total : 0;
}

} // namespace

TEST(ConvertCore, LongerKeyWinsAndUnmatchedCharactersPass)
{
    Table t = {{L"a", L"1"}, {L"ab", L"2"}, {L"bc", L"3"}};
    EXPECT_EQ(CChuyenMa::ConvertCore(L"abc", t), L"2c");
    EXPECT_EQ(CChuyenMa::ConvertCore(L"xabcbcax", t), L"x2c31x");
    EXPECT_EQ(CChuyenMa::ConvertCore(L"", t), L"");
    EXPECT_EQ(CChuyenMa::ConvertCore(L"abc", Table()), L"abc");
    // Shorter than the shortest key.
    EXPECT_EQ(CChuyenMa::ConvertCore(L"x", {{L"xy", L"Z"}}), L"x");
    // A match is never revisited: "ab" is taken, so "bc" cannot be.
    EXPECT_EQ(CChuyenMa::ConvertCore(L"abcc", t), L"2cc");
    // A key found only as a prefix of a longer, unfinished one.
    EXPECT_EQ(CChuyenMa::ConvertCore(L"abx", {{L"a", L"1"}, {L"abc", L"3"}}), L"1bx");
    // Values may be empty or longer than their keys.
    EXPECT_EQ(CChuyenMa::ConvertCore(L"a-b", {{L"a", L""}, {L"b", L"bbb"}}), L"-bbb");
}

TEST(ConvertCore, EmptyKeyIsIgnoredInsteadOfLoopingForever)
{
    Table t = {{L"", L"!"}, {L"a", L"1"}};
    EXPECT_EQ(CChuyenMa::ConvertCore(L"bab", t), L"b1b");
    EXPECT_EQ(CChuyenMa::ConvertCore(L"bab", {{L"", L"!"}}), L"bab");
}

TEST(ConvertCore, AgreesWithTheSlowLongestMatchOnRandomTables)
{
    std::mt19937 rng(7);
    // Characters close together and far apart, negative ones and NUL, so
    // that both parts of the first-character index are used.
    const std::vector<wchar_t> alphabet = {
        L'a', L'b', L'c', L'\0', L'\u00e1', L'\u1ea1', (wchar_t)0x10FFFF, (wchar_t)-5, (wchar_t)0x7FFFFFFF, L'\u0301'};
    auto pick = [&] { return alphabet[rng() % alphabet.size()]; };
    for (int round = 0; round < 400; ++round) {
        Table t;
        int keys = (int)(rng() % 12);
        for (int k = 0; k < keys; ++k) {
            std::wstring key, value;
            size_t len = 1 + rng() % 4;
            for (size_t i = 0; i < len; ++i) key += pick();
            for (size_t i = rng() % 3; i > 0; --i) value += (wchar_t)(L'A' + rng() % 26);
            t[key] = value;
        }
        std::wstring text;
        for (size_t i = rng() % 40; i > 0; --i) text += pick();
        ASSERT_EQ(CChuyenMa::ConvertCore(text, t), SlowConvertCore(text, t)) << "round " << round;
    }
}

TEST(ConvertCore, AgreesWithTheSlowLongestMatchOnEveryShippedTable)
{
    // A slice of the word list, encoded in each charset and decoded back
    // and across with both ways of matching.
    std::wstring text = WordList().substr(0, 60000);
    for (const std::wstring& from : Shipped()) {
        SCOPED_TRACE(Utf8(from));
        std::wstring encoded = Convert(text, BangMaUtils::Unicode, from);
        for (bool lower : {true, false}) {
            Table back = BangMaUtils::TaoBangMaNguoc(BangMaUtils::LayBangMa(from), lower);
            ASSERT_EQ(CChuyenMa::ConvertCore(encoded, back), SlowConvertCore(encoded, back));
        }
        Table direct = BangMaUtils::TaoBangMa(BangMaUtils::LayBangMa(from), BangMaUtils::LayBangMa(L"VIQR"), true);
        ASSERT_EQ(CChuyenMa::ConvertCore(encoded, direct), SlowConvertCore(encoded, direct));
    }
}

TEST(ConvertFromUnicode, ReplacesListedCharactersOnly)
{
    BangMaMap t = {{L'á', L"a'"}, {L'đ', L"dd"}, {L'x', L""}, {(wchar_t)-3, L"neg"}, {L'\U0001F600', L":)"}};
    EXPECT_EQ(CChuyenMa::ConvertFromUnicode(L"đá 1, xin\u00e0", t), L"dda' 1, in\u00e0");
    EXPECT_EQ(CChuyenMa::ConvertFromUnicode(std::wstring(1, (wchar_t)-3) + L"\U0001F600", t), L"neg:)");
    EXPECT_EQ(CChuyenMa::ConvertFromUnicode(L"", t), L"");
    EXPECT_EQ(CChuyenMa::ConvertFromUnicode(L"đá", BangMaMap()), L"đá");
}

TEST(Convert, SameNamesWithoutModifyingFlagsLeaveTheText)
{
    std::wstring odd = L"\u00b8 abc \u1ea1";
    EXPECT_EQ(Convert(odd, L"No such", L"No such"), odd);
    EXPECT_EQ(Convert(odd, L"TCVN3 (ABC)", L"TCVN3 (ABC)"), odd);
    // Unknown names give empty tables: nothing decoded nor encoded.
    EXPECT_EQ(Convert(L"Việt", L"No such", L"Unicode"), L"Việt");
    EXPECT_EQ(Convert(L"Việt", L"Unicode", L"No such"), L"Việt");
    EXPECT_EQ(Convert(L"", L"Unicode", L"VNI Windows"), L"");
}

TEST(Convert, KnownForms)
{
    EXPECT_EQ(Convert(L"Việt Nam", L"Unicode", L"VIQR"), L"Vie^.t Nam");
    EXPECT_EQ(Convert(L"Vie^.t Nam", L"VIQR", L"Unicode"), L"Việt Nam");
    EXPECT_EQ(Convert(L"Đường", L"Unicode", L"VNI Windows"), L"\u00d1\u00f6\u00f4\u00f8ng");
    EXPECT_EQ(Convert(L"\u00d1\u00f6\u00f4\u00f8ng", L"VNI Windows", L"VIQR"), L"DDu+o+`ng");
    EXPECT_EQ(Convert(L"ấ", L"Unicode", L"Unicode tổ hợp"), L"a\u0302\u0301");
    EXPECT_EQ(Convert(L"ấ", L"Unicode", L"Unicode tổ hợp dấu thanh"), L"\u00e2\u0301");
}

TEST(Convert, CaseAndMarkFlags)
{
    EXPECT_EQ(Convert(L"Đường", L"Unicode", L"Unicode", ChuyenMaFlags_XoaDau), L"Duong");
    EXPECT_EQ(Convert(L"Đường Phố", L"Unicode", L"Unicode", ChuyenMaFlags_ToLower | ChuyenMaFlags_ToUpper),
              L"đường phố");
    EXPECT_EQ(Convert(L"Đường phố", L"Unicode", L"Unicode", ChuyenMaFlags_ToUpper), L"ĐƯỜNG PHỐ");
    EXPECT_EQ(Convert(L"Đường", L"Unicode", L"Unicode", ChuyenMaFlags_ToUpper | ChuyenMaFlags_XoaDau), L"DUONG");
    // Through Unicode from one legacy charset to another.
    EXPECT_EQ(Convert(L"Vie^.t", L"VIQR", L"VNI Windows", ChuyenMaFlags_ToUpper),
              Convert(L"VIỆT", L"Unicode", L"VNI Windows"));
    // RemoveRichText changes nothing here.
    EXPECT_EQ(Convert(L"Việt", L"Unicode", L"VIQR", ChuyenMaFlags_RemoveRichText), L"Vie^.t");
}

TEST(Convert, PreferUpperMattersOnlyWhereCasesShareAForm)
{
    std::wstring tcvn = Convert(L"Ánh ánh", L"Unicode", L"TCVN3 (ABC)");
    EXPECT_EQ(tcvn.substr(0, 1), tcvn.substr(4, 1)); // one byte for both
    EXPECT_EQ(Convert(tcvn, L"TCVN3 (ABC)", L"Unicode"), L"ánh ánh");
    EXPECT_EQ(Convert(tcvn, L"TCVN3 (ABC)", L"Unicode", ChuyenMaFlags_PreferUpper), L"Ánh Ánh");
    EXPECT_EQ(Convert(tcvn, L"TCVN3 (ABC)", L"VIQR"), L"a'nh a'nh");
    EXPECT_EQ(Convert(tcvn, L"TCVN3 (ABC)", L"VIQR", ChuyenMaFlags_PreferUpper), L"A'nh A'nh");

    std::wstring text = WordList().substr(0, 200000);
    for (const std::wstring& name : Shipped()) {
        if (name == L"TCVN3 (ABC)") continue;
        std::wstring enc = Convert(text, L"Unicode", name);
        EXPECT_EQ(Convert(enc, name, L"Unicode"), Convert(enc, name, L"Unicode", ChuyenMaFlags_PreferUpper))
            << Utf8(name);
    }
}

TEST(TinhTiLeTuTV, CountsDictionaryWords)
{
    EXPECT_EQ(CChuyenMa::TinhTiLeTuTV(L""), 0.0);
    EXPECT_EQ(CChuyenMa::TinhTiLeTuTV(L"123, 456. !?"), 0.0);
    EXPECT_EQ(CChuyenMa::TinhTiLeTuTV(L"Việt Nam"), 1.0);
    EXPECT_EQ(CChuyenMa::TinhTiLeTuTV(L"VIỆT-NAM"), 1.0);
    EXPECT_DOUBLE_EQ(CChuyenMa::TinhTiLeTuTV(L"việt nam computer"), 2.0 / 3);
    // A misplaced tone is no word; a digit splits a word.
    EXPECT_EQ(CChuyenMa::TinhTiLeTuTV(L"hòan"), 0.0);
    EXPECT_EQ(CChuyenMa::TinhTiLeTuTV(L"việt2nam"), 1.0);
    // A combining mark continues its word, which is then no dictionary
    // word: "co" + U+0301 is not the word "co".
    EXPECT_EQ(CChuyenMa::TinhTiLeTuTV(L"vie\u0302\u0323t"), 0.0);
    EXPECT_EQ(CChuyenMa::TinhTiLeTuTV(L"co\u0301 ba\u0300"), 0.0);
    EXPECT_EQ(CChuyenMa::TinhTiLeTuTV(L"co ba"), 1.0);
    // A mark with no letter before it separates.
    EXPECT_EQ(CChuyenMa::TinhTiLeTuTV(L"\u0301co \u0301"), 1.0);
}

TEST(TinhTiLeTuTV, AgreesWithUtilsOnRealAndOddText)
{
    const std::wstring& words = WordList();
    EXPECT_DOUBLE_EQ(CChuyenMa::TinhTiLeTuTV(words), SlowRatio(words));
    EXPECT_GT(SlowRatio(words), 0.9);
    std::wstring tcvn = Convert(words.substr(0, 100000), L"Unicode", L"TCVN3 (ABC)");
    EXPECT_DOUBLE_EQ(CChuyenMa::TinhTiLeTuTV(tcvn), SlowRatio(tcvn));
    std::mt19937 rng(3);
    std::wstring odd;
    for (int i = 0; i < 20000; ++i) {
        uint32_t r = rng();
        odd += r % 5 == 0   ? (wchar_t)(r >> 8)
               : r % 5 == 1 ? (wchar_t)(0x1E9F + (r >> 8) % 100)
               : r % 5 == 2 ? (wchar_t)((r >> 8) % 0x380)
               : r % 5 == 3 ? (wchar_t)(0x2FF + (r >> 8) % 0x72)
                            : L"anh em đi học "[(r >> 8) % 14];
    }
    EXPECT_DOUBLE_EQ(CChuyenMa::TinhTiLeTuTV(odd), SlowRatio(odd));
    // Case changes agree with Utils too.
    EXPECT_EQ(Convert(odd, L"Unicode", L"Unicode", ChuyenMaFlags_ToLower), Utils::ToLower(std::wstring(odd)));
    EXPECT_EQ(Convert(odd, L"Unicode", L"Unicode", ChuyenMaFlags_ToUpper), Utils::ToUpper(std::wstring(odd)));
}

TEST(DetectBangMa, TextWithoutWordsIsUnicode)
{
    CChuyenMa cm;
    EXPECT_EQ(cm.DetectBangMa(L"12 + 34 = 46; (7)"), L"Unicode");
    EXPECT_EQ(cm.DetectBangMa(L""), L"Unicode");
}

TEST(DetectBangMa, ZeroThresholdAlwaysGivesUnicode)
{
    CChuyenMa cm;
    cm.TiLeChinhXac = 0;
    std::wstring vni = Convert(Paragraphs(), L"Unicode", L"VNI Windows");
    EXPECT_EQ(cm.DetectBangMa(vni), L"Unicode");
    cm.TiLeChinhXac = 0.7;
    EXPECT_EQ(cm.DetectBangMa(vni), L"VNI Windows");
}

TEST(DetectBangMa, EmptyDictionaryGivesUnicode)
{
    std::vector<std::wstring> saved;
    saved.swap(TuDien::v);
    CChuyenMa cm;
    std::wstring vni = Convert(Paragraphs(), L"Unicode", L"VNI Windows");
    std::wstring detected = cm.DetectBangMa(vni);
    double ratio = CChuyenMa::TinhTiLeTuTV(Paragraphs());
    saved.swap(TuDien::v);
    EXPECT_EQ(detected, L"Unicode");
    EXPECT_EQ(ratio, 0.0);
}

TEST(DetectBangMa, TiesKeepTheEarlierName)
{
    TempDir d;
    std::wstring saved = BangMaUtils::FileTuDinhNghia;
    // The user's copy of VNI Windows, listed after the built-in one.
    std::string ini = "\xEF\xBB\xBF[VNI copy]\n";
    for (const auto& [letter, form] : BangMaUtils::LayBangMa(L"VNI Windows"))
        ini += Utf8(std::wstring(1, letter)) + "=" + Utf8(form) + "\n";
    BangMaUtils::FileTuDinhNghia = d.Write("BangMa.ini", ini);
    CChuyenMa cm;
    std::wstring vni = Convert(Paragraphs(), L"Unicode", L"VNI Windows");
    std::wstring first = cm.DetectBangMa(vni);
    cm.TiLeChinhXac = 1.01; // out of reach: still the best score
    std::wstring best = cm.DetectBangMa(vni);
    std::wstring copyDecodes = Convert(vni, L"VNI copy", L"Unicode");
    BangMaUtils::FileTuDinhNghia = saved;
    EXPECT_EQ(first, L"VNI Windows");
    EXPECT_EQ(best, L"VNI Windows");
    EXPECT_EQ(copyDecodes, Paragraphs());
}
