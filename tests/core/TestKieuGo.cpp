#include <gtest/gtest.h>

#include "core/KieuGoUtils.h"
#include "core/Utils.h"
#include "tests/common/TempDir.h"

namespace {

ChucNangPhim F(Enums::ChucNangPhimCoBan f) { return ChucNangPhim(f); }

// Restores the user file path after a test points it elsewhere.
struct UserFile {
    std::wstring saved = KieuGoUtils::FileTuDinhNghia;
    ~UserFile() { KieuGoUtils::FileTuDinhNghia = saved; }
};

} // namespace

TEST(KieuGo, KeyNamesAndDescriptions)
{
    EXPECT_STREQ(Enums::TenCacChucNangPhimCoBan[Enums::D_DD], L"D_Đ");
    EXPECT_STREQ(Enums::TenCacChucNangPhimCoBan[Enums::UOA_Moc__UW], L"UOA_ƯƠĂ__Ư");
    EXPECT_STREQ(Enums::TenCacChucNangPhimCoBan[Enums::_UOW], L"_ƯƠ");
    ASSERT_EQ(KieuGoUtils::GetMoTaChucNangPhim().size(), 34u);
    EXPECT_EQ(ChucNangPhim(Enums::D_DD).ToString(), L"Dấu gạch : D thành Đ");
    EXPECT_EQ(ChucNangPhim(Enums::Thoat).ToString(), L"Phím thoát : Bỏ qua phím chức năng kế tiếp");
    EXPECT_EQ(ChucNangPhim(Enums::_UOW).ToString(), L"Chữ ƯƠ");
    EXPECT_EQ(ChucNangPhim(std::wstring(L"uơ")).ToString(), L"uơ");
    ChucNangPhim s(std::wstring(L"x"));
    EXPECT_EQ((int)s.ChucNangCoBan, -1);
    EXPECT_TRUE(s.UseStringValue);
}

TEST(KieuGo, ConvertingASection)
{
    std::map<std::wstring, std::wstring> sec = {{L"s", L"DauSac"},    {L"S", L"dausac"}, {L"a", L"A_Â"},
                                                {L"ab", L"DauHuyen"}, {L"q", L"qu"},     {L"", L"DauHoi"}};
    KieuGoMap m = KieuGoUtils::LayKieuGo(sec);
    EXPECT_EQ(m.at(L's'), F(Enums::DauSac));
    // Another letter case is not a key name: the key types the word.
    EXPECT_EQ(m.at(L'S'), ChucNangPhim(std::wstring(L"dausac")));
    // "a" sorts before "ab", so it wins the key a.
    EXPECT_EQ(m.at(L'a'), F(Enums::A_Mu));
    EXPECT_EQ(m.at(L'q'), ChucNangPhim(std::wstring(L"qu")));
    EXPECT_EQ(m.at(L'\0'), F(Enums::DauHoi));
    EXPECT_EQ(m.size(), 5u);
}

TEST(KieuGo, ShippedMethodsLoadWithTheirFunctions)
{
    using E = Enums;
    EXPECT_EQ(KieuGoUtils::TenCacKieuGoCoSan, (std::vector<std::wstring>{L"Telex 2", L"Telex", L"VNI", L"VIQR"}));
    EXPECT_EQ(KieuGoUtils::LayTenCacKieuGoCoSan(), KieuGoUtils::TenCacKieuGoCoSan);
    EXPECT_STREQ(KieuGoUtils::Default, L"Telex 2");

    KieuGoMap t2 = KieuGoUtils::LayKieuGo(L"Telex 2");
    KieuGoMap expect2 = {{L's', F(E::DauSac)},  {L'f', F(E::DauHuyen)},    {L'r', F(E::DauHoi)}, {L'x', F(E::DauNga)},
                         {L'j', F(E::DauNang)}, {L'z', F(E::XoaDauThanh)}, {L'a', F(E::A_Mu)},   {L'e', F(E::E_Mu)},
                         {L'o', F(E::O_Mu)},    {L'w', F(E::UOA_Moc__UW)}, {L'd', F(E::D_DD)},   {L'[', F(E::__ow)},
                         {L']', F(E::__uw)},    {L'{', F(E::_OW)},         {L'}', F(E::_UW)}};
    EXPECT_EQ(t2, expect2);

    KieuGoMap t = KieuGoUtils::LayKieuGo(L"Telex");
    KieuGoMap expect = expect2;
    for (wchar_t k : {L'[', L']', L'{', L'}'}) expect.erase(k);
    expect.at(L'w') = F(E::UOA_Moc);
    EXPECT_EQ(t, expect);

    KieuGoMap vni = KieuGoUtils::LayKieuGo(L"VNI");
    KieuGoMap expectVni = {{L'1', F(E::DauSac)},  {L'2', F(E::DauHuyen)},    {L'3', F(E::DauHoi)}, {L'4', F(E::DauNga)},
                           {L'5', F(E::DauNang)}, {L'0', F(E::XoaDauThanh)}, {L'6', F(E::AEO_Mu)}, {L'7', F(E::UO_Moc)},
                           {L'8', F(E::A_Moc)},   {L'9', F(E::D_DD)}};
    EXPECT_EQ(vni, expectVni);

    KieuGoMap viqr = KieuGoUtils::LayKieuGo(L"VIQR");
    KieuGoMap expectViqr = {{L'\'', F(E::DauSac)}, {L'`', F(E::DauHuyen)}, {L'?', F(E::DauHoi)}, {L'~', F(E::DauNga)},
                            {L'.', F(E::DauNang)}, {L'^', F(E::AEO_Mu)},   {L'(', F(E::A_Moc)},  {L'+', F(E::UO_Moc)},
                            {L'*', F(E::UO_Moc)},  {L'd', F(E::D_DD)},     {L'\\', F(E::Thoat)}};
    EXPECT_EQ(viqr, expectViqr);

    // Section names match without regard to case when read directly.
    EXPECT_EQ(KieuGoUtils::LayKieuGoCoSan(L"vni"), expectVni);
    EXPECT_TRUE(KieuGoUtils::LayKieuGo(L"No such method").empty());
}

TEST(KieuGo, UserMethodsComeAfterBuiltInOnes)
{
    TempDir d;
    UserFile restore;
    KieuGoUtils::FileTuDinhNghia = d.WPath("KieuGo.ini");
    EXPECT_TRUE(KieuGoUtils::LayTenCacKieuGoTuDinhNghia().empty());
    EXPECT_EQ(KieuGoUtils::LayTenTatCaKieuGo(), KieuGoUtils::TenCacKieuGoCoSan);

    d.Write("KieuGo.ini", "\xEF\xBB\xBF[Của tôi]\nq=qu\nw=__ư\n\n[VNI]\n1=DauHuyen\n");
    std::vector<std::wstring> all = KieuGoUtils::LayTenTatCaKieuGo();
    std::vector<std::wstring> expect = KieuGoUtils::TenCacKieuGoCoSan;
    expect.push_back(L"Của tôi");
    expect.push_back(L"VNI"); // duplicates kept
    EXPECT_EQ(all, expect);

    KieuGoMap mine = KieuGoUtils::LayKieuGo(L"Của tôi");
    EXPECT_EQ(mine.at(L'q'), ChucNangPhim(std::wstring(L"qu")));
    EXPECT_EQ(mine.at(L'w'), F(Enums::__uw));
    // The built-in VNI shadows the user's.
    EXPECT_EQ(KieuGoUtils::LayKieuGo(L"VNI").at(L'1'), F(Enums::DauSac));
}

// Static objects of other files may load typing methods during start-up,
// before this library's own initialisers have run.
namespace {
struct EarlyMethod {
    size_t keys = KieuGoUtils::LayKieuGo(std::wstring(KieuGoUtils::Default)).size();
    std::wstring desc = ChucNangPhim(Enums::DauSac).ToString();
} earlyMethod;
} // namespace

TEST(KieuGo, UsableFromStaticObjects)
{
    EXPECT_EQ(earlyMethod.keys, 15u);
    EXPECT_EQ(earlyMethod.desc, L"Dấu sắc");
    EXPECT_EQ(KieuGoUtils::TenCacKieuGoCoSan.size(), 4u);
}
