#include <gtest/gtest.h>

#include <sys/stat.h>

#include "core/IniFile.h"
#include "core/UtfConverter.h"
#include "tests/common/TempDir.h"

namespace {
const std::string kBom = "\xEF\xBB\xBF";
}

TEST(IniRead, ValuesAreTrimmedBeforeTheCommentIsCut)
{
    TempDir d;
    std::wstring p = d.Write("a.ini", kBom + "[LuaChon]\r\nKieuGo = Telex 2 ; comment\r\nBangMa=Unicode;x\n");
    IniFile ini;
    IniFile::Settings s = ini.Read(p, L"LuaChon");
    EXPECT_EQ(s.at(L"KieuGo"), L"Telex 2 ");
    EXPECT_EQ(s.at(L"BangMa"), L"Unicode");
    // Trimming removes spaces only, never tabs.
    std::wstring q = d.Write("tab.ini", "[s]\n\tn\t = \tv \n");
    EXPECT_EQ(ini.Read(q, L"s").at(L"\tn\t"), L"\tv");
}

TEST(IniRead, FirstNameAndFirstSectionWin)
{
    TempDir d;
    std::wstring p = d.Write("a.ini", "[S]\nk=1\nk=2\n[S]\nk=3\n[T]\nx=y\n");
    IniFile ini;
    IniFile::Sections all = ini.Read(p);
    ASSERT_EQ(all.size(), 2u);
    EXPECT_EQ(all.at(L"S").at(L"k"), L"1");
    EXPECT_EQ(all.at(L"T").at(L"x"), L"y");
    EXPECT_EQ(ini.GetAllSections(p), (std::vector<std::wstring>{L"S", L"S", L"T"}));
}

TEST(IniRead, SectionLookUpIgnoresCaseButKeysKeepIt)
{
    TempDir d;
    std::wstring p = d.Write("a.ini", "[luachon]\nk=v\n");
    IniFile ini;
    EXPECT_EQ(ini.Read(p, L"LUACHON").at(L"k"), L"v");
    EXPECT_EQ(ini.Read(p).count(L"luachon"), 1u);
    EXPECT_TRUE(ini.Read(p, L"other").empty());
}

TEST(IniRead, HeadersCommentsAndOddLines)
{
    TempDir d;
    IniFile ini;
    // A header on the last line, two headers in a row.
    std::wstring p = d.Write("a.ini", "[A]\n[B]\nx=1\n[C]");
    IniFile::Sections all = ini.Read(p);
    ASSERT_EQ(all.size(), 3u);
    EXPECT_TRUE(all.at(L"A").empty());
    EXPECT_EQ(all.at(L"B").at(L"x"), L"1");
    EXPECT_TRUE(all.at(L"C").empty());

    // Comment lines are skipped even with '='; lines without '=' dropped;
    // an empty value kept; text after ']' ignored; untrimmed name.
    std::wstring q = d.Write("b.ini", "  [ Sec ]  tail\n;a=b\nnoequals\nempty=\n\n=v\n");
    IniFile::Sections s = ini.Read(q);
    ASSERT_EQ(s.count(L" Sec "), 1u);
    const IniFile::Settings& sec = s.at(L" Sec ");
    EXPECT_EQ(sec.size(), 2u);
    EXPECT_EQ(sec.at(L"empty"), L"");
    EXPECT_EQ(sec.at(L""), L"v");

    // Inside a body an indented header is an ordinary line and is dropped,
    // so its settings belong to the section before; the list of sections
    // and the section search agree.
    std::wstring r = d.Write("c.ini", "[A]\na=1\n  [B]\nb=2\n");
    IniFile::Sections t = ini.Read(r);
    EXPECT_EQ(t.size(), 1u);
    EXPECT_EQ(t.at(L"A").at(L"b"), L"2");
    EXPECT_EQ(ini.GetAllSections(r), std::vector<std::wstring>{L"A"});
    EXPECT_TRUE(ini.Read(r, L"B").empty());
    // Before the first section an indented header still counts.
    EXPECT_EQ(ini.GetAllSections(d.Write("e.ini", "x=1\n  [B]\nb=2\n")), std::vector<std::wstring>{L"B"});

    // "[x" without a closing bracket is not a header.
    std::wstring u = d.Write("d.ini", "[A]\n[x=1\n");
    EXPECT_EQ(ini.Read(u).at(L"A").at(L"[x"), L"1");
}

TEST(IniRead, OptionsChangeWhatIsKept)
{
    std::vector<std::wstring> lines = {L"[S]", L";comment", L"", L"bare", L"a&b = 1 ; c", L" n = v "};
    IniFile raw;
    raw.Options = IniFile::Option_Default;
    IniFile::Settings s = raw.Read(lines, L"S");
    EXPECT_EQ(s.at(L"comment"), L"");
    EXPECT_EQ(s.at(L""), L"");
    EXPECT_EQ(s.at(L"bare"), L"");
    EXPECT_EQ(s.at(L"a&b "), L" 1 ; c");
    EXPECT_EQ(s.at(L" n "), L" v ");

    IniFile multi;
    multi.Options = (IniFile::Option)(multi.Options | IniFile::Option_DetectMultiSettingInOneLine);
    IniFile::Settings m = multi.Read(lines, L"S");
    EXPECT_EQ(m.at(L"a"), L"1 ");
    EXPECT_EQ(m.at(L"b"), L"1 ");
    EXPECT_EQ(m.count(L"a&b"), 0u);
    EXPECT_EQ(m.count(L"comment"), 0u);
}

TEST(IniRead, FlatSectionsAndReadSettingsIndex)
{
    IniFile ini;
    std::vector<std::wstring> lines = {L"a=1", L"b=2", L"[S]", L"c=3"};
    IniFile::Settings flat = ini.ReadFlatSection(lines);
    EXPECT_EQ(flat.size(), 2u);
    EXPECT_EQ(flat.at(L"b"), L"2");
    EXPECT_TRUE(ini.ReadFlatSection(std::vector<std::wstring>{L"[S]", L"a=1"}).empty());

    int index = 0;
    ini.ReadSettings(lines, 3, index);
    EXPECT_EQ(index, 1); // the line before the header
    index = 3;
    ini.ReadSettings(lines, 3, index);
    EXPECT_EQ(index, 3);
}

TEST(IniWrite, ExactBytesSortedWithBlankLineAfterEachSection)
{
    TempDir d;
    std::wstring p = d.WPath("w.ini");
    IniFile ini;
    IniFile::Sections s;
    s[L"LuaChon"][L"KieuGo"] = L"Telex 2";
    s[L"LuaChon"][L"BangMa"] = L"Unicode";
    EXPECT_TRUE(ini.Write(p, s));
    EXPECT_EQ(TempDir::Read(p), kBom + "[LuaChon]\nBangMa=Unicode\nKieuGo=Telex 2\n\n");
    struct stat st;
    EXPECT_EQ(stat(Utils::ToString(p).c_str(), &st) == 0 ? st.st_mode & 0777 : 0u, 0600u); // the user's alone

    s[L"A"][L"đ"] = L"ư";
    ini.Write(p, s);
    EXPECT_EQ(TempDir::Read(p), kBom + "[A]\n\xC4\x91=\xC6\xB0\n\n[LuaChon]\nBangMa=Unicode\nKieuGo=Telex 2\n\n");
    EXPECT_EQ(ini.Read(p), s);

    // A typing method's ';' key is no comment when read back.
    IniFile::Sections keys;
    keys[L"Kiểu"][L";"] = L"DauSac";
    ini.Write(p, keys);
    EXPECT_EQ(TempDir::Read(p), kBom + "[Ki\xE1\xBB\x83u]\n ;=DauSac\n\n");
    EXPECT_EQ(ini.Read(p), keys);
    // Nor is a '[' key that types a ']' a header that would take the keys
    // after it into a section of its own.
    keys[L"Kiểu"][L"["] = L"__]";
    keys[L"Kiểu"][L"a"] = L"A_Â";
    keys[L"Kiểu"][L"]"] = L"__[";
    ini.Write(p, keys);
    EXPECT_EQ(TempDir::Read(p), kBom + "[Ki\xE1\xBB\x83u]\n ;=DauSac\n [=__]\n]=__[\na=A_\xC3\x82\n\n");
    EXPECT_EQ(ini.Read(p), keys);
    EXPECT_EQ(ini.GetAllSections(p), std::vector<std::wstring>{L"Kiểu"});
    EXPECT_EQ(ini.Read(p, L"kiểu"), keys[L"Kiểu"]);

    ini.Write(p, IniFile::Sections());
    EXPECT_EQ(TempDir::Read(p), kBom);
}

TEST(IniHelpers, ReadIntBoolAndWriteString)
{
    IniFile::Settings s = {{L"one", L"1"},         {L"zero", L"0"}, {L"two", L"2"},  {L"word", L"abc"},
                           {L"trail", L" 24 giờ"}, {L"neg", L"-7"}, {L"empty", L""}, {L"huge", L"99999999999"}};
    EXPECT_TRUE(IniFile::ReadBool(s, L"one", false));
    EXPECT_FALSE(IniFile::ReadBool(s, L"zero", true));
    EXPECT_TRUE(IniFile::ReadBool(s, L"two", false));
    EXPECT_TRUE(IniFile::ReadBool(s, L"missing", true));
    EXPECT_FALSE(IniFile::ReadBool(s, L"missing", false));
    EXPECT_EQ(IniFile::ReadInt(s, L"trail", 0), 24);
    EXPECT_EQ(IniFile::ReadInt(s, L"neg", 0), -7);
    EXPECT_EQ(IniFile::ReadInt(s, L"word", 5), 5);
    EXPECT_EQ(IniFile::ReadInt(s, L"empty", 6), 6);
    EXPECT_EQ(IniFile::ReadInt(s, L"huge", 8), 8);
    EXPECT_EQ(IniFile::ReadString(s, L"word", L"d"), L"abc");
    EXPECT_EQ(IniFile::ReadString(s, L"nope", L"d"), L"d");
    IniFile::WriteString(s, L"word", L"new");
    IniFile::WriteString(s, L"fresh", L"v");
    EXPECT_EQ(s.at(L"word"), L"abc");
    EXPECT_EQ(s.at(L"fresh"), L"v");
}

TEST(IniBadInput, InvalidUtf8BinaryJunkHugeLinesAndMissingFiles)
{
    TempDir d;
    IniFile ini;
    // Invalid UTF-8 cuts the line where it starts; the rest of the file reads.
    std::wstring p = d.Write("bad.ini", "[S]\nok=1\nbad=x\xC3(\nafter=2\n");
    IniFile::Settings s = ini.Read(p, L"S");
    EXPECT_EQ(s.at(L"ok"), L"1");
    EXPECT_EQ(s.at(L"bad"), L"x");
    EXPECT_EQ(s.at(L"after"), L"2");

    std::string junk;
    for (int i = 0; i < 65536; ++i) junk += (char)((i * 7919) & 0xFF);
    std::wstring j = d.Write("junk.ini", junk);
    ini.Read(j);
    ini.GetAllSections(j);
    ini.ReadFlatSection(j);

    std::string big = "[S]\nk=" + std::string(10 * 1024 * 1024, 'v') + "\nz=1\n";
    std::wstring b = d.Write("big.ini", big);
    IniFile::Settings bs = ini.Read(b, L"S");
    EXPECT_EQ(bs.at(L"k").size(), 10u * 1024 * 1024);
    EXPECT_EQ(bs.at(L"z"), L"1");

    EXPECT_TRUE(ini.Read(d.WPath("missing.ini")).empty());
    EXPECT_TRUE(ini.Read(d.WPath("missing.ini"), L"S").empty());
    EXPECT_TRUE(ini.GetAllSections(d.WPath("missing.ini")).empty());
    EXPECT_TRUE(ini.ReadFlatSection(d.WPath("missing.ini")).empty());
}
