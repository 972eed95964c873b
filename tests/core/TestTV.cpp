#include <gtest/gtest.h>

#include "core/TV.h"
#include "core/Utils.h"

TEST(TV, ToneTablesAreLaidOutByVowelThenTone)
{
    for (size_t i = 0; i < TV::CacNADonKoCoDauThanh.size(); ++i) {
        for (int t = 0; t < 5; ++t) {
            wchar_t lo = TV::ThemDauThanh(TV::CacNADonKoCoDauThanh[i], (DauThanh)t);
            wchar_t up = TV::ThemDauThanh(TV::CacNADonKoCoDauThanhHoa[i], (DauThanh)t);
            EXPECT_EQ(lo, TV::CacNADonCoDauThanh[5 * i + t]);
            EXPECT_EQ(up, Utils::ToUpper(lo));
            EXPECT_EQ(TV::TimDauThanh(lo), t);
            EXPECT_EQ(TV::TimDauThanh(up), t);
            EXPECT_EQ(TV::XoaDauThanh(lo), TV::CacNADonKoCoDauThanh[i]);
            EXPECT_EQ(TV::XoaDauThanh(up), TV::CacNADonKoCoDauThanhHoa[i]);
        }
    }
    // Spot checks against the Unicode names, so that a shifted row is caught.
    EXPECT_EQ(TV::ThemDauThanh(L'a', Sac), L'á');
    EXPECT_EQ(TV::ThemDauThanh(L'â', Sac), L'ấ');
    EXPECT_EQ(TV::ThemDauThanh(L'ư', Nga), L'ữ');
    EXPECT_EQ(TV::ThemDauThanh(L'y', Nang), L'ỵ');
    EXPECT_EQ(TV::ThemDauThanh(L'Ơ', Hoi), L'Ở');
    EXPECT_EQ(TV::ThemDauThanh(L'á', Huyen), 0);
    EXPECT_EQ(TV::ThemDauThanh(L'd', Sac), 0);
}

TEST(TV, FindingTones)
{
    EXPECT_EQ(TV::TimDauThanh(L'Ạ'), Nang);
    EXPECT_EQ(TV::TimDauThanh(L'a'), -1);
    EXPECT_EQ(TV::TimDauThanh(L'â'), -1);
    EXPECT_EQ(TV::TimDauThanh(L'b'), -1);
    EXPECT_EQ(TV::TimVTDauThanh(L"hoà"), 2);
    EXPECT_EQ(TV::TimVTDauThanh(L"HOÀ"), -1);
    EXPECT_EQ(TV::TimVTDauThanh(L"áà"), 1);
    EXPECT_EQ(TV::TimVTDau(L"đươc"), 2);
    EXPECT_EQ(TV::TimVTDau(L"ĐƯỢC"), -1);
    EXPECT_EQ(TV::TimVTDau(L"việt"), -1); // ệ carries a tone, so it is not in the table
}

TEST(TV, RemovingMarks)
{
    EXPECT_EQ(TV::XoaDau(L'ấ'), L'ấ');
    EXPECT_EQ(TV::XoaDau(L'ơ'), L'o');
    EXPECT_EQ(TV::XoaDau(L'Đ'), L'D');
    EXPECT_EQ(TV::XoaDauKTCoDauVaDauThanh(L'â'), 0);
    EXPECT_EQ(TV::XoaDauKTCoDauVaDauThanh(L'ợ'), L'ọ');
    EXPECT_EQ(TV::XoaDauKTCoDauVaDauThanh(L'Ắ'), L'Á');
    EXPECT_EQ(TV::XoaDauKTCoDauVaDauThanh(L'ứ'), L'ú');
    EXPECT_EQ(TV::XoaDauVaDauThanh(std::wstring(L"Đường")), L"Duong");
    EXPECT_EQ(TV::XoaDauVaDauThanh(L'ự'), L'u');
    EXPECT_EQ(TV::XoaDauVaDauThanh(L'x'), L'x');

    // Every letter with a mark maps to its bare Latin letter.
    std::wstring all = TV::CacKTTV2(), bare = TV::CacKTTV2_BoDau();
    std::wstring ALL = TV::CacKTTV2Hoa(), BARE = TV::CacKTTV2Hoa_BoDau();
    ASSERT_EQ(all.size(), 67u);
    for (size_t i = 0; i < all.size(); ++i) {
        EXPECT_EQ(TV::XoaDauVaDauThanh(all[i]), bare[i]);
        EXPECT_EQ(TV::XoaDauVaDauThanh(ALL[i]), BARE[i]);
        EXPECT_EQ(Utils::ToUpper(all[i]), ALL[i]);
        EXPECT_TRUE(TV::LaKTTV(all[i]) && TV::LaKTTV(ALL[i]));
        // Removing the tone, then the shape mark, ends at the same letter.
        EXPECT_EQ(TV::XoaDau(TV::XoaDauThanh(all[i])), bare[i]);
    }
}

TEST(TV, Classification)
{
    EXPECT_TRUE(TV::LaPA(L'Đ'));
    EXPECT_TRUE(TV::LaPA(L'z'));
    EXPECT_FALSE(TV::LaPA(L'y'));
    EXPECT_FALSE(TV::IsLowerVowel(L'A'));
    EXPECT_TRUE(TV::IsLowerVowel(L'y'));
    EXPECT_FALSE(TV::IsLowerVowel(L'â'));
    EXPECT_TRUE(TV::LaNADonCoDau(L'ơ'));
    EXPECT_FALSE(TV::LaNADonCoDau(L'ớ'));
    EXPECT_TRUE(TV::LaNADon(L'ỵ'));
    EXPECT_FALSE(TV::LaNADon(L'Y'));
    EXPECT_TRUE(TV::LaNADonKoCoDauThanh(L'Ư'));
    EXPECT_FALSE(TV::LaNADonKoCoDauThanh(L'ừ'));
    EXPECT_FALSE(TV::LaKTTV(L'a'));
    EXPECT_TRUE(TV::CoKTTV(L"xin chào"));
    EXPECT_FALSE(TV::CoKTTV(L"xin chao"));
    EXPECT_FALSE(TV::CoKTTV(L""));
    EXPECT_TRUE(TV::LaNAKhongDau(L"oo"));
    EXPECT_TRUE(TV::LaNALung(L"oo"));
    EXPECT_FALSE(TV::LaPACuoiSac(L"ng"));
    EXPECT_TRUE(TV::LaPACuoiSac(L"ch"));
    EXPECT_FALSE(TV::LaNALung(L"ươi"));
}

TEST(TV, CheckCaseOnlyRaisesWhereTheModelIsUpper)
{
    EXPECT_EQ(TV::CheckCase(L"ViET", L"viet nam"), L"ViET nam");
    EXPECT_EQ(TV::CheckCase(L"ĐƯỜNG", L"đường"), L"ĐƯỜNG");
    EXPECT_EQ(TV::CheckCase(L"a", L"XY"), L"XY");
    EXPECT_EQ(TV::CheckCase(L"ABCDEF", L"ab"), L"AB");
}

// A static object of this file that uses the tables while start-up is still
// running must see them complete.
namespace {
struct EarlyUser {
    std::wstring seen;
    EarlyUser()
    {
        seen = TV::XoaDauVaDauThanh(std::wstring(L"Đường"));
        seen += TV::LaNALung(L"uyê") ? L"!" : L"?";
    }
} early;
} // namespace

TEST(TV, UsableFromStaticObjects) { EXPECT_EQ(early.seen, L"Duong!"); }
