#include <gtest/gtest.h>

#include "core/TuDien.h"
#include "core/TuDienTuGhep.h"
#include "core/Utils.h"
#include "tests/common/TempDir.h"

TEST(TuDien, ShippedSyllablesAreExact)
{
    EXPECT_GT(TuDien::v.size(), 7000u);
    EXPECT_TRUE(std::is_sorted(TuDien::v.begin(), TuDien::v.end()));
    EXPECT_TRUE(TuDien::CoTrongTuDien(L"việt"));
    EXPECT_TRUE(TuDien::CoTrongTuDien(L"người"));
    EXPECT_FALSE(TuDien::CoTrongTuDien(L"Việt"));
    EXPECT_FALSE(TuDien::CoTrongTuDien(L"viet"));
    EXPECT_FALSE(TuDien::CoTrongTuDien(L"viếc"));
    EXPECT_FALSE(TuDien::CoTrongTuDien(L""));
    // Both tone styles of oa, oe, uy without a final.
    EXPECT_TRUE(TuDien::CoTrongTuDien(L"hòa"));
    EXPECT_TRUE(TuDien::CoTrongTuDien(L"hoà"));
    EXPECT_TRUE(TuDien::CoTrongTuDien(L"thủy"));
    EXPECT_TRUE(TuDien::CoTrongTuDien(L"thuỷ"));
    EXPECT_TRUE(TuDien::CoTrongTuDien(L"hoàn"));
    EXPECT_FALSE(TuDien::CoTrongTuDien(L"hòan"));
    EXPECT_FALSE(TuDien::CoTrongTuDien(L"krôm"));
}

namespace {

struct Compound : ::testing::Test {
    TempDir dir;
    TuDienTuGhep d;
    void Load(const std::string& bytes) { d.ReadTxtFile(dir.Write("tg.txt", bytes)); }
};

} // namespace

TEST_F(Compound, LookUpIsExactWithinTheBaseLetterBlock)
{
    Load("7\nanh em\nân cần\nbà con\nđi học\ndu lịch\nđi học\nxin chào\n");
    ASSERT_EQ(d.Words.size(), 7u);
    EXPECT_TRUE(d.Hashes.empty());
    EXPECT_TRUE(d.CoTrongTuDien(L"ân cần"));
    EXPECT_EQ(d.Hashes.size(), 7u);
    EXPECT_FALSE(d.CoTrongTuDien(L"Ân cần"));
    EXPECT_FALSE(d.CoTrongTuDien(L"an can"));
    EXPECT_EQ(d.IndexOf(L"đi học"), 3); // a duplicate: the first index
    EXPECT_EQ(d.IndexOf(L"du lịch"), 4);
    EXPECT_EQ(d.IndexOf(L"xin chào"), 6);
    EXPECT_EQ(d.IndexOf(L"Xin chào"), -1);
    EXPECT_EQ(d.IndexOf(L""), -1);
    EXPECT_EQ(d.IndexOf(L"chào"), -1); // no word starts with c

    int f1, l1, f2, l2, f3, l3;
    EXPECT_TRUE(d.GetAlphabetRange(L'Đ', f1, l1));
    EXPECT_EQ(f1, 3);
    EXPECT_EQ(l1, 6);
    EXPECT_TRUE(d.GetAlphabetRange(L'đ', f1, l1));
    EXPECT_TRUE(d.GetAlphabetRange(L'd', f2, l2));
    EXPECT_EQ(f1, f2);
    EXPECT_EQ(l1, l2);
    EXPECT_EQ(f1, 3);
    EXPECT_EQ(l1, 6); // e starts nothing: the d block runs to the end of the list
    EXPECT_TRUE(d.GetAlphabetRange(L'â', f3, l3));
    EXPECT_EQ(f3, 0);
    EXPECT_EQ(l3, 1); // the b block follows
    EXPECT_FALSE(d.GetAlphabetRange(L'c', f3, l3));
    EXPECT_EQ(Utils::hash(L""), 0u);
}

TEST_F(Compound, UpperCaseDđBlockAndGapsInTheAlphabet)
{
    Load("4\nĐà Nẵng\nđà điểu\nda dẻ\nbê bối\n");
    int f, l, f2, l2;
    EXPECT_TRUE(d.GetAlphabetRange(L'Đ', f, l));
    EXPECT_TRUE(d.GetAlphabetRange(L'd', f2, l2));
    EXPECT_EQ(f, 0);
    EXPECT_EQ(l, 3); // no e: the block runs to the end, taking in the b words
    EXPECT_EQ(f, f2);
    EXPECT_TRUE(d.CoTrongTuDien(L"Đà Nẵng"));
    EXPECT_TRUE(d.CoTrongTuDien(L"da dẻ"));
    // b comes after d in this file: its block starts at 3 and, with no c,
    // runs to the end; the word is found.
    EXPECT_TRUE(d.CoTrongTuDien(L"bê bối"));
}

TEST_F(Compound, ReadingAgainReplacesWordsButKeepsHashes)
{
    Load("1\nanh em\n");
    EXPECT_TRUE(d.CoTrongTuDien(L"anh em"));
    Load("2\nbà con\nbạn bè\n");
    EXPECT_EQ(d.Words.size(), 2u);
    EXPECT_EQ(d.Hashes.size(), 1u); // stale until freed
    d.FreeMemory();
    EXPECT_TRUE(d.Words.empty() && d.Hashes.empty() && d.AlphabetStart.empty());
    Load("2\nbà con\nbạn bè\n");
    EXPECT_TRUE(d.CoTrongTuDien(L"bạn bè"));
}

TEST_F(Compound, DamagedFilesGiveEmptyOrPartialDictionaries)
{
    Load("");
    EXPECT_TRUE(d.Words.empty());
    d.ReadTxtFile(dir.WPath("missing.txt"));
    EXPECT_TRUE(d.Words.empty());
    EXPECT_FALSE(d.CoTrongTuDien(L"anh em"));
    Load("many\nanh em\n");
    EXPECT_TRUE(d.Words.empty());
    Load("-3\nanh em\n");
    EXPECT_TRUE(d.Words.empty());
    Load("2\nanh em\nbà con\ncon cá\n");
    EXPECT_EQ(d.Words.size(), 2u); // lines after the count are ignored
    Load("5\nanh em\nbà con\n");
    EXPECT_EQ(d.Words.size(), 2u); // fewer lines than the count
    EXPECT_TRUE(d.CoTrongTuDien(L"bà con"));
    Load("99999999999999\nanh em\n");
    EXPECT_EQ(d.Words.size(), 1u);
    EXPECT_LT(d.Words.capacity(), 100u); // nothing reserved beyond the file
    Load("999999999999999999999999\nanh em\n");
    EXPECT_TRUE(d.Words.empty());
    Load("3\nanh \xC3 em\n\n\xFF\xFE\r\n");
    EXPECT_EQ(d.Words.size(), 3u);
    EXPECT_EQ(d.Words[0], L"anh "); // cut at the bad byte
    EXPECT_FALSE(d.CoTrongTuDien(L""));
    Load("2\r\nanh em\r\nbà con\r\n");
    EXPECT_TRUE(d.CoTrongTuDien(L"bà con"));
}

TEST_F(Compound, OnlyHashesAreCompared)
{
    // "aab" and "ab]" have the same hash and the same block.
    ASSERT_EQ(Utils::hash(L"aab"), Utils::hash(L"ab]"));
    Load("2\naab\nbcd\n");
    EXPECT_EQ(d.IndexOf(L"ab]"), 0);
    EXPECT_EQ(d.IndexOf(L"aab"), 0);
}

TEST(CompoundShipped, FileLoadsGroupedByBaseLetter)
{
    TuDienTuGhep d;
    d.ReadTxtFile(Utils::GetExeFolder() + L"/Resources/TuDienTuGhep.txt");
    ASSERT_GT(d.Words.size(), 50000u);
    // Blocks in ascending order, each starting where the previous ended.
    int prev = -1;
    for (const auto& [letter, start] : d.AlphabetStart) {
        EXPECT_GT(start, prev) << (int)letter;
        prev = start;
    }
    for (const wchar_t* w : {L"chương trình", L"thành phố", L"người ta", L"hòa bình", L"đi học", L"ăn uống"})
        EXPECT_TRUE(d.CoTrongTuDien(w)) << Utils::ToString(w);
    EXPECT_FALSE(d.CoTrongTuDien(L"hoà bình")); // the default tone style only
    EXPECT_FALSE(d.CoTrongTuDien(L"trương chình"));

    // Every look-up answers what a scan of the letter's range answers.
    for (size_t i = 0; i < d.Words.size(); i += 7) {
        for (const std::wstring& w : {d.Words[i], d.Words[i] + L"a"}) {
            int first, last, scan = -1;
            if (d.GetAlphabetRange(Utils::ToLower(w[0]), first, last))
                for (int k = first; k <= last && scan < 0; ++k)
                    if (d.Hashes[k] == Utils::hash(w)) scan = k;
            ASSERT_EQ(d.IndexOf(w), scan) << i;
        }
    }
}
