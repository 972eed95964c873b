#include <gtest/gtest.h>

#include "engine/GhepVan.h"
#include "tests/common/TempDir.h"

namespace {

// A small rule file: initials b, d, g, gi, ph, qu, t; vowels a, i, ê/iê,
// oo, uơ (group 4), uyêu (too long), oa; finals c, n, ng, ch/nh.
const char* kRules =
    "\xEF\xBB\xBF"
    "CacPAD.Count=7\n"
    "CacPAD.0=b\nCacPAD.1=d\nCacPAD.2=g\nCacPAD.3=gi\nCacPAD.4=ph\nCacPAD.5=qu\nCacPAD.6=t\n"
    "CacNA.Count=8\n"
    "CacNA.0=a\nCacNA.1=i\nCacNA.2=ê\nCacNA.3=iê yê\nCacNA.4=uơ\nCacNA.5=oo\nCacNA.6=uyêu\nCacNA.7=oa oă\n"
    "CacPAC.Count=4\n"
    "CacPAC.0=c\nCacPAC.1=n\nCacPAC.2=ng\nCacPAC.3=ch  nh\n"
    "PAD_NA.0=0 1 5\nPAD_NA.1=0 1 2 3\nPAD_NA.2=0\nPAD_NA.3=0 2\nPAD_NA.4=0 1\nPAD_NA.5=0 2\nPAD_NA.6=0 1 2 3 4 7 99\n"
    "NA_PAC.0=0 1 2 3\nNA_PAC.1=1\nNA_PAC.2=1\nNA_PAC.3=1 2\nNA_PAC.4=\nNA_PAC.5=0 2\nNA_PAC.6=\nNA_PAC.7=1 2 x\n";

struct Rules : ::testing::Test {
    TempDir dir;
    CGhepVan gv{dir.Write("GhepVan.ini", kRules)};
};

} // namespace

TEST_F(Rules, ReadsGroupsAndSuccessions)
{
    ASSERT_EQ(gv.CacPAD.size(), 7u);
    ASSERT_EQ(gv.CacNA.size(), 8u);
    ASSERT_EQ(gv.CacPAC.size(), 4u);
    // Two spaces in a row give an empty spelling.
    EXPECT_EQ(gv.CacPAC[3], (std::vector<std::wstring>{L"ch", L"", L"nh"}));
    // Numbers outside the tables and non-numbers are dropped.
    EXPECT_EQ(gv.PAD_NA[6], (std::vector<int>{0, 1, 2, 3, 4, 7}));
    EXPECT_EQ(gv.NA_PAC[7], (std::vector<int>{1, 2}));
    EXPECT_TRUE(gv.NA_PAC[4].empty());
    // Unmarked forms, distinct, in order of first appearance.
    EXPECT_EQ(gv.CacNA0Dau[3], (std::vector<std::wstring>{L"ie", L"ye"}));
    EXPECT_EQ(gv.CacNA0Dau[7], (std::vector<std::wstring>{L"oa"}));
    EXPECT_EQ(gv.TimNhomNA(L"yê"), 3);
    EXPECT_EQ(gv.TimNhomPAC(L"x"), -1);
}

TEST_F(Rules, MembershipPredicates)
{
    EXPECT_TRUE(gv.LaPAD(L"gi"));
    EXPECT_FALSE(gv.LaPAD(L"f"));
    EXPECT_FALSE(gv.LaNA(L"uyêu")); // four letters are never a vowel group
    EXPECT_TRUE(gv.LaNA(L"oă"));
    EXPECT_TRUE(gv.LaNAKhongDau(L"a"));
    EXPECT_TRUE(gv.LaNAKhongDau(L"u")); // single letters ignore the file
    EXPECT_FALSE(gv.LaNAKhongDau(L"ă"));
    EXPECT_TRUE(gv.LaNAKhongDau(L"ie"));
    EXPECT_FALSE(gv.LaNAKhongDau(L"uyeu"));
    EXPECT_FALSE(gv.LaNAKhongDau(L""));
}

TEST_F(Rules, Successions)
{
    EXPECT_TRUE(gv.La_PAD_NA(L"b", L"a"));
    EXPECT_FALSE(gv.La_PAD_NA(L"g", L"i"));
    EXPECT_FALSE(gv.La_PAD_NA(L"x", L"a"));
    EXPECT_TRUE(gv.La_PAD_NA0Dau(L"t", L"oa"));
    EXPECT_TRUE(gv.La_PAD_NA0Dau(L"d", L"ye"));
    EXPECT_FALSE(gv.La_PAD_NA0Dau(L"g", L"ie"));

    EXPECT_TRUE(gv.La_NA_PAC(L"a", L"ch"));
    EXPECT_FALSE(gv.La_NA_PAC(L"i", L"c"));
    // Every vowel group whose unmarked form matches is tried.
    EXPECT_TRUE(gv.La_NA0Dau_PAC(L"ie", L"ng"));
    EXPECT_TRUE(gv.La_NA0Dau_PAC(L"oa", L"ng"));
    EXPECT_FALSE(gv.La_NA0Dau_PAC(L"oa", L"c"));

    // gi + ê is read as iê.
    EXPECT_TRUE(gv.La_NA_PAC(L"gi", L"ê", L"ng"));
    EXPECT_FALSE(gv.La_NA_PAC(L"d", L"ê", L"ng"));
    EXPECT_TRUE(gv.La_NA_PAC(L"d", L"ê", L"n"));
    EXPECT_TRUE(gv.La_PAD_NA_PAC(L"gi", L"ê", L"ng"));
    EXPECT_FALSE(gv.La_PAD_NA_PAC(L"d", L"ê", L"ng"));
    EXPECT_TRUE(gv.La_PAD_NA_PAC(L"", L"a", L""));
    EXPECT_FALSE(gv.La_PAD_NA_PAC(L"", L"uyêu", L""));
    EXPECT_TRUE(gv.La_PAD_NA_PAC(L"", L"iê", L"ng"));
    EXPECT_FALSE(gv.La_PAD_NA_PAC(L"g", L"a", L"x"));

    // A final still being typed.
    EXPECT_TRUE(gv.CoTheLa_NA_PAC(L"a", L"n"));
    EXPECT_TRUE(gv.CoTheLa_NA_PAC(L"oo", L"n")); // can grow into ng
    EXPECT_FALSE(gv.CoTheLa_NA_PAC(L"i", L"c"));
    EXPECT_TRUE(gv.CoTheLa_PAD_NA_PAC(L"gi", L"ê", L"n"));
    EXPECT_FALSE(gv.CoTheLa_PAD_NA_PAC(L"g", L"ê", L"n"));
}

TEST_F(Rules, SpecialVowelFinalPairs)
{
    gv.Add_NA_PAC_DacBiet(L"ich");
    gv.Add_NA_PAC_DacBiet(L"icn"); // one final per vowel group: ignored
    gv.Add_NA_PAC_DacBiet(L"oo");  // all vowels: nothing
    gv.Add_NA_PAC_DacBiet(L"xyz"); // starts with a consonant: empty vowel group
    EXPECT_EQ(gv.CacNA_PAC_DacBiet.size(), 2u);
    EXPECT_EQ(gv.CacNA_PAC_DacBiet.at(L"i"), L"ch");
    EXPECT_EQ(gv.CacNA_PAC_DacBiet.at(L""), L"xyz");
    EXPECT_TRUE(gv.La_NA_PAC(L"i", L"ch"));
    EXPECT_TRUE(gv.CoTheLa_NA_PAC(L"i", L"c"));
    EXPECT_TRUE(gv.La_NA0Dau_PAC(L"i", L"ch"));
    EXPECT_TRUE(gv.LaPACDacBiet(L"ch"));
    EXPECT_TRUE(gv.LaPAC(L"xyz"));
    gv.Clear_NA_PAC_DacBiet();
    EXPECT_FALSE(gv.La_NA_PAC(L"i", L"ch"));
    EXPECT_FALSE(gv.LaPAC(L"xyz"));
}

TEST_F(Rules, FreeInitialsJoinTheGroupTheyStandFor)
{
    gv.PADTuDo(true);
    gv.PADTuDo(true); // a second call changes nothing
    EXPECT_EQ(gv.CacPAD[1], (std::vector<std::wstring>{L"d", L"dz", L"z"}));
    EXPECT_EQ(gv.CacPAD[4], (std::vector<std::wstring>{L"ph", L"f"}));
    EXPECT_EQ(gv.CacPAD[3], (std::vector<std::wstring>{L"gi", L"j"}));
    EXPECT_EQ(gv.CacPAD[5], (std::vector<std::wstring>{L"qu", L"w"}));
    EXPECT_EQ(gv.CacPADTuongDuong.size(), 5u);
    EXPECT_TRUE(gv.La_PAD_NA(L"f", L"i"));
    EXPECT_TRUE(gv.LaPADGi(L"j"));
    EXPECT_TRUE(gv.La_NA_PAC(L"j", L"ê", L"ng"));
    gv.PADTuDo(false);
    EXPECT_EQ(gv.CacPAD[1], (std::vector<std::wstring>{L"d"}));
    EXPECT_EQ(gv.CacPAD[4], (std::vector<std::wstring>{L"ph"}));
    EXPECT_TRUE(gv.CacPADTuongDuong.empty());
    EXPECT_FALSE(gv.LaPAD(L"j"));
}

TEST_F(Rules, FreeInitialAlreadyPresentStaysWhereItIs)
{
    gv.CacPAD[0].push_back(L"f");
    gv.PADTuDo(true);
    EXPECT_EQ(gv.CacPAD[0], (std::vector<std::wstring>{L"b", L"f"}));
    EXPECT_EQ(gv.CacPAD[4], (std::vector<std::wstring>{L"ph"}));
    EXPECT_EQ(gv.CacPADTuongDuong.count(L"f"), 0u);
    gv.PADTuDo(false);
    EXPECT_EQ(gv.CacPAD[0], (std::vector<std::wstring>{L"b"})); // removed all the same
}

TEST_F(Rules, UoWithFinalAppendsAndNeverRemoves)
{
    gv.UODiKemPAC(true);
    EXPECT_EQ(gv.NA_PAC[4], (std::vector<int>{1, 2}));
    EXPECT_TRUE(gv.UODiKemPACEnabled);
    gv.UODiKemPAC(false);
    EXPECT_EQ(gv.NA_PAC[4], (std::vector<int>{1, 2}));
    EXPECT_FALSE(gv.UODiKemPACEnabled);
    gv.UODiKemPAC(true);
    EXPECT_EQ(gv.NA_PAC[4], (std::vector<int>{1, 2, 1, 2}));
}

TEST(RulesBadInput, MissingOrDamagedFileGivesEmptyRules)
{
    TempDir dir;
    CGhepVan missing(dir.WPath("none.ini"));
    EXPECT_TRUE(missing.CacPAD.empty());
    EXPECT_FALSE(missing.La_PAD_NA_PAC(L"b", L"a", L""));
    missing.PADTuDo(true);
    missing.UODiKemPAC(true);

    CGhepVan junk(dir.Write("junk.ini", "CacPAD.Count=abc\nCacNA.Count=-5\nCacPAC.Count=2\nNA_PAC.0=1\n"));
    EXPECT_TRUE(junk.CacPAD.empty());
    EXPECT_TRUE(junk.CacNA.empty());
    EXPECT_EQ(junk.CacPAC.size(), 2u);
    EXPECT_TRUE(junk.CacPAC[0].empty());
    EXPECT_FALSE(junk.LaPAC(L""));
}
