#include <gtest/gtest.h>

#include <unistd.h>

#include "core/Utils.h"
#include "tests/common/TempDir.h"

TEST(Case, TablesHoldAll134LettersPositionByPosition)
{
    const std::wstring& lo = Utils::UnicodeChars();
    const std::wstring& up = Utils::UnicodeCharsUpper();
    ASSERT_EQ(lo.size(), 67u);
    ASSERT_EQ(up.size(), 67u);
    for (size_t i = 0; i < lo.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_TRUE(Utils::IsLower(lo[i]));
        EXPECT_FALSE(Utils::IsUpper(lo[i]));
        EXPECT_TRUE(Utils::IsUpper(up[i]));
        EXPECT_FALSE(Utils::IsLower(up[i]));
        EXPECT_TRUE(Utils::IsAlpha(lo[i]) && Utils::IsAlpha(up[i]));
        EXPECT_EQ(Utils::ToUpper(lo[i]), up[i]);
        EXPECT_EQ(Utils::ToLower(up[i]), lo[i]);
        EXPECT_EQ(Utils::ToLower(lo[i]), lo[i]);
        EXPECT_EQ(Utils::ToUpper(up[i]), up[i]);
    }
    // Upper case of each letter must be the matching capital, not merely
    // some capital: compare with the C library's full mapping.
    std::setlocale(LC_CTYPE, "C.UTF-8");
    for (size_t i = 0; i < lo.size(); ++i) EXPECT_EQ((wint_t)up[i], towupper((wint_t)lo[i])) << i;
    std::setlocale(LC_CTYPE, "C");
}

TEST(Case, OtherLettersAndAsciiFollowTheRules)
{
    EXPECT_EQ(Utils::ToLower(L'Đ'), L'đ');
    EXPECT_EQ(Utils::ToLower(L'Ỹ'), L'ỹ');
    EXPECT_EQ(Utils::ToUpper(L'ư'), L'Ư');
    EXPECT_EQ(Utils::ToUpper(L'q'), L'Q');
    // Letters of other languages are neither case and never change.
    EXPECT_FALSE(Utils::IsAlpha(L'ß'));
    EXPECT_EQ(Utils::ToUpper(L'ж'), L'ж');
    EXPECT_EQ(Utils::ToUpper(L'ñ'), L'ñ');
    // Path bytes 0x80..0xFF are negative characters: no letters.
    EXPECT_FALSE(Utils::IsAlpha((wchar_t)(signed char)0xC3));
    EXPECT_EQ(Utils::ToLower((wchar_t)-61), (wchar_t)-61);

    EXPECT_EQ(Utils::ToUpper(std::wstring(L"đường 1")), L"ĐƯỜNG 1");
    std::wstring s = L"VIỆT Nam";
    Utils::ToLower(s);
    EXPECT_EQ(s, L"việt nam");
}

TEST(Case, WholeStringTestsNeedALetter)
{
    EXPECT_TRUE(Utils::IsUpper(std::wstring(L"ĐƯỜNG 1")));
    EXPECT_FALSE(Utils::IsUpper(std::wstring(L"12 3")));
    EXPECT_FALSE(Utils::IsUpper(std::wstring(L"ĐƯỜNg")));
    EXPECT_FALSE(Utils::IsLower(std::wstring(L"")));
    EXPECT_FALSE(Utils::IsUpper(std::wstring(L"")));
    EXPECT_TRUE(Utils::IsLower(std::wstring(L"việt, 2")));
    EXPECT_FALSE(Utils::IsLower(std::wstring(L"Việt")));
}

TEST(Text, FormatCountIndexAndHash)
{
    EXPECT_EQ(Utils::Format("KieuGo-%s", std::string("VNI")), "KieuGo-VNI");
    EXPECT_EQ(Utils::Format(L"%s và %s", std::wstring(L"a"), std::wstring(L"b")), L"a và b");
    EXPECT_EQ(Utils::Format("100%"), "100%");
    EXPECT_EQ(Utils::Format("5%% %d"), "5% %d");
    EXPECT_EQ(Utils::Format(L"%s%s", std::wstring(L"x")), L"x"); // a missing argument adds nothing

    EXPECT_EQ(Utils::Count(L"a,b,c", L','), 2);
    EXPECT_EQ(Utils::IndexOfEx(L"a,b,c", L',', 2), 3);
    EXPECT_EQ(Utils::IndexOfEx(L"a,b,c", L',', 3), -1);
    EXPECT_EQ(Utils::IndexOfEx(L"a,b,c", L',', 0), -1);

    const wchar_t* items[] = {L"x", L"y", L"z", L"y"};
    EXPECT_EQ(Utils::IndexOf(items, L"y", 0, 4), 1);
    EXPECT_EQ(Utils::IndexOf(items, L"y", 2, 2), 3);
    EXPECT_EQ(Utils::IndexOf(items, L"x", 1, 3), -1);

    EXPECT_EQ(Utils::hash(L"abc"), 3014u);
    EXPECT_EQ(Utils::hash(L""), 0u);
    EXPECT_EQ(Utils::hash("abc"), 3014u);
    EXPECT_EQ(Utils::hash("\xFF"), 0xFFFFFFFFu); // bytes count as signed
    // Wraps around in 32 bits.
    std::wstring lng(40, L'z');
    uint32_t h = 0;
    for (wchar_t c : lng) h = h * 5u + (uint32_t)c;
    EXPECT_EQ(Utils::hash(lng), h);

    std::vector<int> v = {1, 2, 3};
    EXPECT_TRUE(Utils::Contains(v, 2));
    EXPECT_FALSE(Utils::Contains(v, 4));
    EXPECT_EQ(Utils::GetLastItem(v), 3);
    EXPECT_EQ(Utils::ToWString(42u), L"42");
}

TEST(Paths, BytesRoundTripAndFolders)
{
    std::string raw = "/tmp/\xC3\xA9t\xFF";
    std::wstring w = Utils::ToWString(raw);
    EXPECT_EQ(w.size(), raw.size());
    EXPECT_GT((uint32_t)w[5], 0x10FFFFu);
    EXPECT_EQ(Utils::ToString(w), raw);

    EXPECT_EQ(Utils::GetDirectoryName(L"/usr/bin/x"), L"/usr/bin");
    EXPECT_EQ(Utils::GetDirectoryName(L"/x"), L"/x");
    EXPECT_EQ(Utils::GetDirectoryName(L"name"), L"name");

    std::wstring exe = Utils::GetExePath();
    EXPECT_EQ(exe, Utils::GetProcessFilePath(getpid()));
    EXPECT_NE(exe.find(L"test_core"), std::wstring::npos);
    EXPECT_EQ(Utils::GetExeFolder() + L"/test_core", exe);
    EXPECT_EQ(Utils::GetProcessFilePath(-5), L"");
    EXPECT_TRUE(Utils::FileExists(Utils::GetExeFolder()));
    EXPECT_FALSE(Utils::FileExists(L"/nonexistent/lirano"));
}

TEST(Files, ReadAllLinesSplitsBomCrLfAndFinalEmptyLine)
{
    TempDir d;
    using V = std::vector<std::wstring>;
    EXPECT_EQ(Utils::ReadAllLines(d.Write("1",
                                          "\xEF\xBB\xBF"
                                          "a\r\nb")),
              (V{L"a", L"b"}));
    EXPECT_EQ(Utils::ReadAllLines(d.Write("2",
                                          "\xEF\xBB\xBF"
                                          "a\r\nb\n")),
              (V{L"a", L"b", L""}));
    EXPECT_EQ(Utils::ReadAllLines(d.Write("3", "a")), (V{L"a"}));
    EXPECT_EQ(Utils::ReadAllLines(d.Write("4", "")), (V{L""}));
    // Only one CR is removed, and only at the end.
    EXPECT_EQ(Utils::ReadAllLines(d.Write("5", "a\r\r\nb\rc")), (V{L"a\r", L"b\rc"}));
    // A BOM that is not at the start stays as U+FEFF.
    EXPECT_EQ(Utils::ReadAllLines(d.Write("6", "x\n\xEF\xBB\xBFy")), (V{L"x", L"\uFEFFy"}));
    // A short file that only begins like a BOM.
    EXPECT_EQ(Utils::ReadAllLines(d.Write("7", "\xEF\xBB")), (V{L""}));
    // Each line decodes on its own: a bad byte cuts only its line.
    EXPECT_EQ(Utils::ReadAllLines(d.Write("8", "vi\xFFx\nb")), (V{L"vi", L"b"}));
    // Missing file: one empty line.
    EXPECT_EQ(Utils::ReadAllLines(d.WPath("missing")), (V{L""}));
    // Another delimiter.
    EXPECT_EQ(Utils::ReadAllLines(d.Write("9", "a|b"), '|'), (V{L"a", L"b"}));
}

TEST(Files, ReadAllTextAndWriters)
{
    TempDir d;
    EXPECT_EQ(Utils::ReadAllText(d.Write("t",
                                         "\xEF\xBB\xBF"
                                         "Việt")),
              L"Việt");
    EXPECT_EQ(Utils::ReadAllText(d.WPath("missing")), L"");

    std::wstring p = d.WPath("w");
    EXPECT_TRUE(Utils::WriteAllText(p, std::wstring(L"đ")));
    EXPECT_EQ(TempDir::Read(p), "\xEF\xBB\xBF\xC4\x91");
    EXPECT_TRUE(Utils::WriteAllText(p, std::string("raw"), false));
    EXPECT_EQ(TempDir::Read(p), "raw");
    EXPECT_TRUE(Utils::WriteAllLines(p, {L"a\n", L"b", L"c\n"}));
    EXPECT_EQ(TempDir::Read(p),
              "\xEF\xBB\xBF"
              "a\nbc\n");
    Utils::AppendAllText(p, std::string("x"));
    Utils::AppendAllText(p, std::wstring(L"ư"));
    EXPECT_EQ(TempDir::Read(p),
              "\xEF\xBB\xBF"
              "a\nbc\nx\xC6\xB0");

    std::wstring fresh = d.WPath("new");
    Utils::AppendAllText(fresh, std::string("y"));
    EXPECT_EQ(TempDir::Read(fresh), "y");

    // A file that cannot be created leaves nothing and does not throw.
    EXPECT_FALSE(Utils::WriteAllText(d.WPath("no/such/dir"), std::wstring(L"x")));
    EXPECT_FALSE(Utils::FileExists(d.WPath("no/such/dir")));
}

TEST(Files, StoredStringsRoundTripAndRejectLengthsBeyondTheFile)
{
    TempDir d;
    std::wstring p = d.WPath("s.dat");
    {
        std::ofstream out(Utils::ToString(p), std::ios::binary);
        Utils::WriteString(out, L"chương trình");
        Utils::WriteString(out, L"");
    }
    std::string bytes = TempDir::Read(p);
    ASSERT_GE(bytes.size(), 4u);
    EXPECT_EQ(bytes.substr(0, 4), std::string("\x0F\0\0\0", 4));
    {
        std::ifstream in(Utils::ToString(p), std::ios::binary);
        EXPECT_EQ(Utils::ReadString(in), L"chương trình");
        EXPECT_EQ(Utils::ReadString(in), L"");
        EXPECT_TRUE(in.good());
        EXPECT_EQ(Utils::ReadString(in), L"");
        EXPECT_FALSE(in.good());
    }
    // A huge length must not be allocated.
    std::wstring bad = d.Write("bad.dat", std::string("\xFF\xFF\xFF\x7F"
                                                      "abc",
                                                      7));
    std::ifstream in(Utils::ToString(bad), std::ios::binary);
    EXPECT_EQ(Utils::ReadString(in), L"");
    EXPECT_TRUE(in.fail());
}

TEST(Text, FriendlyFileSizes)
{
    EXPECT_EQ(Utils::FileSizeToFriendlyString(0), L"0 Byte");
    EXPECT_EQ(Utils::FileSizeToFriendlyString(1023), L"1023 Byte");
    EXPECT_EQ(Utils::FileSizeToFriendlyString(1024), L"1 KB");
    EXPECT_EQ(Utils::FileSizeToFriendlyString(1048575), L"1023 KB");
    EXPECT_EQ(Utils::FileSizeToFriendlyString(1048576), L"1 MB");
    EXPECT_EQ(Utils::FileSizeToFriendlyString(1073741824u), L"1 GB");
    EXPECT_EQ(Utils::FileSizeToFriendlyString(4294967295u), L"3 GB");
}
