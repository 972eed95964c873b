#include <gtest/gtest.h>

#include <sys/stat.h>

#include "engine/AppModes.h"
#include "tests/common/TempDir.h"

using Entries = std::vector<CAppModes::Entry>;

TEST(AppModes, ReadsWhatIsReadableAndSaysWhatIsNot)
{
    struct Case {
        const char* what;
        std::string bytes;
        Entries entries;
        bool whole;
    };
    const Case cases[] = {
        {"most recent first, BOM and comments",
         "\xEF\xBB\xBF[UngDung]\n; mine\nkonsole=E\n code = V \n",
         {{"konsole", true}, {"code", false}},
         true},
        {"first line of an application counts", "[UngDung]\nkate=E\nkate=V\n", {{"kate", true}}, true},
        {"other sections are not ours", "[Khac]\nx=E\n[UngDung]\ny=V\n", {{"y", false}}, false},
        {"bad modes and names", "[UngDung]\na=X\n=E\nb[1]=E\nc\n\xff\xfe=E\nd=V\n", {{"d", false}}, false},
        {"binary", std::string("\0\1\2\3", 4), {}, false},
        {"too big", "[UngDung]\n" + std::string(CAppModes::MaxFileBytes, 'a') + "=E\n", {}, false},
    };
    for (const Case& c : cases) {
        TempDir dir;
        CAppModes modes;
        std::string problem;
        EXPECT_EQ(modes.Read(dir.Write("UngDung.ini", c.bytes), problem), c.whole) << c.what;
        EXPECT_EQ(problem.empty(), c.whole) << c.what;
        EXPECT_EQ(modes.Entries, c.entries) << c.what;
    }
    TempDir dir;
    CAppModes none;
    std::string problem;
    EXPECT_TRUE(none.Read(dir.WPath("missing.ini"), problem));
    EXPECT_TRUE(none.Entries.empty());
}

TEST(AppModes, KeepsTheMostRecentTwoHundredAndWritesThemBack)
{
    CAppModes modes;
    for (int i = 0; i < 250; ++i) modes.Set("app" + std::to_string(i), i % 2);
    modes.Set("app100", false); // used again: first
    modes.Set("bad=name", true);
    modes.Set(";name", true); // read back as a comment
    modes.Set("#name", true);
    ASSERT_EQ(modes.Entries.size(), CAppModes::MaxApps);
    EXPECT_EQ(modes.Entries.front(), (CAppModes::Entry{"app100", false}));
    EXPECT_EQ(modes.Entries[1].App, "app249");
    EXPECT_FALSE(modes.Find("app49")); // the oldest went
    EXPECT_FALSE(modes.Find(";name"));
    modes.Forget("app249");
    EXPECT_FALSE(modes.Find("app249"));

    TempDir dir;
    std::string error;
    ASSERT_TRUE(modes.Write(dir.WPath("UngDung.ini"), error)) << error;
    struct stat st;
    ASSERT_EQ(stat(dir.Path("UngDung.ini").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    CAppModes read;
    EXPECT_TRUE(read.Read(dir.WPath("UngDung.ini"), error));
    EXPECT_EQ(read.Entries, modes.Entries);
}
