#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include "core/UtfConverter.h"
#include "engine/Suggestion.h"
#include "engine/TextHost.h"
#include "tests/common/TempDir.h"

namespace {

// A small dictionary, grouped by base letter as the file format requires.
const char* kWords[] = {"chương trình", "chương trình học", "chung cư", "công ty",   "cá chép",   "con chó", "cây cối",
                        "tiếng việt",   "tiếng anh",        "tin tức",  "thành phố", "trình bày", "tóc",     "tóc dài"};

struct Filter : ::testing::Test {
    TempDir dir;
    TuDienTuGhep dict;
    CSuggestion s;

    void SetUp() override
    {
        std::string file = std::to_string(std::size(kWords)) + "\n";
        for (const char* w : kWords) file += std::string(w) + "\n";
        dict.ReadTxtFile(dir.Write("tg.txt", file));
        s.SetTuDien(&dict);
    }
    static int Index(const char* w)
    {
        for (size_t i = 0; i < std::size(kWords); ++i)
            if (std::string(kWords[i]) == w) return (int)i;
        return -1;
    }
    std::vector<std::string> Find(std::vector<std::wstring> keywords)
    {
        s.Keywords = std::move(keywords);
        s.Filter();
        std::vector<std::string> r;
        for (int e : s.Results) r.push_back(UtfConverter::ToUtf8(s.GetKeywordText(e)));
        return r;
    }
    using V = std::vector<std::string>;
};

} // namespace

TEST_F(Filter, FoldingAndAcronyms)
{
    EXPECT_EQ(CSuggestion::Fold(L'Ấ'), L'a');
    EXPECT_EQ(CSuggestion::Fold(L'đ'), L'd');
    EXPECT_EQ(CSuggestion::Fold(L'Đ'), L'd');
    EXPECT_EQ(CSuggestion::Fold(L' '), L' ');
    EXPECT_EQ(CSuggestion::Fold(L'F'), 0); // not in the alphabet
    EXPECT_EQ(CSuggestion::Fold(L'À'), 0);
    EXPECT_EQ(CSuggestion::Fold((wchar_t)0x1EFA), 0);
    EXPECT_EQ(s.CacAcronym[Index("chương trình học")], L"cth");
    EXPECT_EQ(s.CacAcronym[Index("tóc")], L"t");
    EXPECT_EQ(CSuggestion::LastWordCoKTTV(L"tiếng v"), 0);
    EXPECT_EQ(CSuggestion::LastWordCoKTTV(L"xin chào ban"), 1);
    EXPECT_EQ(CSuggestion::LastWordCoKTTV(L"xin"), -1);
    EXPECT_EQ(CSuggestion::FindWords(L"a b c", 2), L"a b");
    EXPECT_THROW(CSuggestion::FindWords(L"a b", 2), std::out_of_range);
    EXPECT_EQ(CSuggestion::FindSecondWord(L"a b c"), L"b c");
    EXPECT_EQ(CSuggestion::FindLastWord(L"a b c"), L"c");
}

TEST_F(Filter, OneLetterFindsNothing)
{
    EXPECT_TRUE(Find({L"c"}).empty());
    EXPECT_TRUE(Find({}).empty());
    EXPECT_TRUE(s.KeywordStarts.empty());
}

TEST_F(Filter, AcronymsOfTwoAndThreeWords)
{
    EXPECT_EQ(Find({L"ct"}), (V{"chương trình", "công ty", "chương trình học"}));
    EXPECT_EQ(Find({L"cth"}), (V{"chương trình học"}));
    EXPECT_EQ(Find({L"CT"}), (V{"chương trình", "công ty", "chương trình học"})); // lower-cased first
}

TEST_F(Filter, PlainLetters)
{
    // Initials, then the last word spelled out.
    EXPECT_EQ(Find({L"ctrinh"}), (V{"chương trình"}));
    // First word partly typed, the second begun.
    EXPECT_EQ(Find({L"chuongtr"}), (V{"chương trình", "chương trình học"}));
    // The first word spelled out.
    EXPECT_EQ(Find({L"tieng"}), (V{"tiếng việt", "tiếng anh"}));
    // With a space: the folded text.
    EXPECT_EQ(Find({L"tieng v"}), (V{"tiếng việt"}));
}

TEST_F(Filter, MarkedAndMixedKeywords)
{
    EXPECT_EQ(Find({L"tiếng"}), (V{"tiếng việt", "tiếng anh"}));
    EXPECT_EQ(Find({L"tiếng v"}), (V{"tiếng việt"}));
    EXPECT_EQ(Find({L"tiếng việ"}), (V{"tiếng việt"}));
    EXPECT_TRUE(Find({L"tiêng v"}).empty()); // marks compare exactly
    EXPECT_EQ(Find({L"chương trình h"}), (V{"chương trình học"}));
    EXPECT_EQ(Find({L"chương tr"}), (V{"chương trình", "chương trình học"}));
}

TEST_F(Filter, EntriesNotLongerThanAPlainKeywordAreNeverSuggested)
{
    V r = Find({L"toc"});
    EXPECT_EQ(std::count(r.begin(), r.end(), "tóc"), 0);
    EXPECT_EQ(std::count(r.begin(), r.end(), "tóc dài"), 1);
}

TEST_F(Filter, EarlierChoicesComeFirst)
{
    s.AddLastUsedKeyword(L"ct", Index("chương trình học"));
    EXPECT_EQ(Find({L"ct"}), (V{"chương trình học", "chương trình", "công ty"}));
    s.AddLastUsedKeyword(L"ct", Index("công ty"));
    s.AddLastUsedKeyword(L"ct", Index("chương trình học"));
    EXPECT_EQ(s.UsedKeywords[L"ct"], (std::vector<int>{Index("chương trình học"), Index("công ty")}));
}

TEST_F(Filter, KeywordsAndTheLimit)
{
    EXPECT_EQ(Find({L"chương trình h", L"tiếng"}), (V{"chương trình học", "tiếng việt", "tiếng anh"}));
    EXPECT_EQ(s.KeywordStarts, (std::vector<int>{0, 1, 3}));
    EXPECT_EQ(s.GetFilter(2), L"tiếng");
    EXPECT_EQ(s.GetFilterIndex(0), 0);
    s.SoLuongTuGoiY = 2;
    EXPECT_EQ(Find({L"ct", L"tiếng"}), (V{"chương trình", "công ty"}));
    EXPECT_EQ(s.KeywordStarts, (std::vector<int>{0, 2})); // the second keyword is not searched
}

TEST_F(Filter, KeywordsThatFoundNothingSuppressLongerOnes)
{
    EXPECT_TRUE(Find({L"tie"}).empty());
    EXPECT_EQ(s.KeywordsKoKetQua, (std::vector<std::wstring>{L"tie"}));
    EXPECT_TRUE(Find({L"tieng"}).empty()); // suppressed, not searched
    EXPECT_EQ(s.KeywordsKoKetQua.size(), 1u);
    for (const wchar_t* k : {L"qqa", L"qqb", L"qqc", L"qqd", L"qqe"}) Find({k});
    EXPECT_EQ(s.KeywordsKoKetQua.size(), 6u);
    Find({L"qqf"}); // a seventh drops the three oldest
    EXPECT_EQ(s.KeywordsKoKetQua, (std::vector<std::wstring>{L"qqc", L"qqd", L"qqe", L"qqf"}));
    EXPECT_EQ(Find({L"tieng"}), (V{"tiếng việt", "tiếng anh"}));
    // Two letters are never remembered.
    Find({L"xy"});
    EXPECT_EQ(s.KeywordsKoKetQua.size(), 4u);
}

TEST_F(Filter, UsedKeywordsFileRoundTrips)
{
    std::wstring path = dir.WPath("used.dat");
    EXPECT_TRUE(s.SerializeUsedKeywords(path));
    EXPECT_FALSE(Utils::FileExists(path)); // nothing while empty
    s.AddLastUsedKeyword(L"ct", 3);
    s.AddLastUsedKeyword(L"ct", 1);
    s.AddLastUsedKeyword(L"tiếng", 8);
    EXPECT_TRUE(s.SerializeUsedKeywords(path));
    struct stat st;
    EXPECT_EQ(stat(Utils::ToString(path).c_str(), &st) == 0 ? st.st_mode & 0777 : 0u, 0600u);
    CSuggestion t;
    t.SetTuDien(&dict);
    ASSERT_TRUE(t.DeserializeUsedKeywords(path));
    EXPECT_EQ(t.UsedKeywords, s.UsedKeywords);
    std::string bytes = TempDir::Read(path);
    EXPECT_EQ(bytes.substr(0, 4), std::string("\x02\0\0\0", 4));
    EXPECT_EQ(bytes.substr(4, 6), std::string("\x02\0\0\0ct", 6));
}

TEST_F(Filter, AFailedHistorySaveIsReportedAndKeepsTheOldFile)
{
    s.AddLastUsedKeyword(L"ct", 3);
    const std::wstring path = dir.Write("used.dat", "old");
    link(Utils::ToString(path).c_str(), dir.Path("other").c_str()); // a file with two names is not replaced
    testing::internal::CaptureStderr();
    EXPECT_FALSE(s.SerializeUsedKeywords(path));
    EXPECT_EQ(
        testing::internal::GetCapturedStderr().rfind("Không ghi được tập tin \"" + dir.Path("used.dat") + "\"", 0), 0u);
    EXPECT_EQ(TempDir::Read(path), "old");
}

TEST_F(Filter, DamagedUsedKeywordsFilesGiveNoHistory)
{
    auto le = [](uint32_t v) { return std::string{(char)v, (char)(v >> 8), (char)(v >> 16), (char)(v >> 24)}; };
    const std::string good = le(1) + le(2) + "ct" + le(1) + le(3);
    const std::vector<std::string> damaged = {
        "\x01\x00",                                    // short
        le(1) + le(10) + "ct",                         // truncated in a string
        le(1) + le(0xFFFFFFFF) + "ct",                 // a negative / huge length
        le(0x7FFFFFFF) + le(2) + "ct",                 // a huge count
        le(1) + le(2) + "ct" + le(0x40000000),         // a huge index count
        le(1) + le(2) + "ct" + le(1) + le(999),        // an index beyond the dictionary
        le(1) + le(2) + "ct" + le(1) + le(0xFFFFFFFF), // a negative index
        le(2) + le(2) + "ct" + le(1) + le(3),          // fewer keywords than counted
    };
    for (size_t i = 0; i < damaged.size(); ++i) {
        std::wstring path = dir.Write("bad" + std::to_string(i), damaged[i]);
        CSuggestion t;
        t.SetTuDien(&dict);
        t.AddLastUsedKeyword(L"old", 1);
        EXPECT_FALSE(t.DeserializeUsedKeywords(path)) << i;
        EXPECT_TRUE(t.UsedKeywords.empty()) << i;
        EXPECT_EQ(TempDir::Read(path), damaged[i]) << i; // left for the next save
    }
    CSuggestion t;
    t.SetTuDien(&dict);
    EXPECT_TRUE(t.DeserializeUsedKeywords(dir.Write("good", good)));
    EXPECT_EQ(t.UsedKeywords.at(L"ct"), (std::vector<int>{3}));
    EXPECT_FALSE(t.DeserializeUsedKeywords(dir.WPath("missing")));
}

TEST(SuggestionFilters, KeywordsFromTheTextBeingTyped)
{
    using V = std::vector<std::wstring>;
    auto filters = [](const std::wstring& keys) {
        CTextHost host;
        for (wchar_t c : keys) c == L'\b' ? (void)host.BackspaceKey() : (void)host.Key(c);
        return host.BoGo.GetSuggestionFilters();
    };
    EXPECT_EQ(filters(L"cha"), (V{L"cha"}));
    EXPECT_EQ(filters(L"xin chaof"), (V{L"xin chào", L"chào"}));
    EXPECT_EQ(filters(L"xin  cha"), (V{L"cha"}));
    EXPECT_EQ(filters(L"xin,cha"), (V{L"cha"}));
    EXPECT_EQ(filters(L"xin "), (V{L"xin "}));
    EXPECT_EQ(filters(L"xin,"), V{});
    EXPECT_EQ(filters(L"xin \b"), (V{L"xin"}));
    EXPECT_EQ(filters(L""), V{});
    EXPECT_EQ(filters(L"kr "), V{}); // the last word is not Vietnamese
}
