#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "core/Utils.h"
#include "tests/common/TempDir.h"

namespace {

struct Result {
    int status;
    std::string out;
};

// Runs the lirano tool beside this test with a shell command line.
Result Lirano(const std::string& args, const std::string& input = "", const std::string& env = "")
{
    TempDir d;
    std::string in = d.Path("in");
    {
        std::ofstream f(in, std::ios::binary);
        f << input;
    }
    std::string cmd =
        env + "'" + Utils::ToString(Utils::GetExeFolder()) + "/lirano' " + args + " < '" + in + "' 2>/dev/null";
    FILE* p = popen(cmd.c_str(), "r");
    std::string out;
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
    int status = pclose(p);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, out};
}

} // namespace

TEST(LiranoType, TypesArgumentsAndLines)
{
    EXPECT_EQ(Lirano("type \"Tieesng Vieejt\"").out, "Tiếng Việt\n");
    EXPECT_EQ(Lirano("type Nguwowif Vieejt").out, "Người Việt\n");
    EXPECT_EQ(Lirano("type", "xin chaof\ncacs banj!\n").out, "xin chào\ncác bạn!\n");
    EXPECT_EQ(Lirano("type --method VNI \"Tie61ng Vie65t\"").out, "Tiếng Việt\n");
    EXPECT_EQ(Lirano("type --method VIQR \"Tie^'ng Vie^.t\"").out, "Tiếng Việt\n");
    EXPECT_EQ(Lirano("type --option BoDauThanhKieu2=1 hoaf").out, "hoà\n");
    EXPECT_EQ(Lirano("type --option SuaLoiChinhTaTuGhep=1 \"truwowng chinhf\"").out, "chương trình\n");
    // An 8-bit charset is written as its bytes: VNI Windows "ế" is e + 0xE1.
    EXPECT_EQ(Lirano("type --charset \"VNI Windows\" Tieesng").out, "Tie\xE1ng\n");
    // The tone before the final's second letter, the mark after it; lone
    // marked vowels; rare real syllables.
    EXPECT_EQ(Lirano("type biensge chienfge benfhe chesche buosngw").out, "biếng chiềng bềnh chếch bướng\n");
    EXPECT_EQ(Lirano("type aa aw Aw chuwn eexng tuyeesc").out, "â ă Ă chưn ễng tuyếc\n");
    EXPECT_EQ(Lirano("type --method VNI a6 a8 khu6e2u").out, "â ă khu6e2u\n"); // khuều stays refused
    // Text the engine does not take as keys passes through.
    EXPECT_EQ(Lirano("type \"ddi Hà Nội\"").out, "đi Hà Nội\n");
}

TEST(LiranoType, ListsAndErrors)
{
    EXPECT_EQ(Lirano("methods").out, "Telex 2\nTelex\nVNI\nVIQR\n");
    EXPECT_EQ(Lirano("charsets").out.rfind("Unicode\nTCVN3 (ABC)\n", 0), 0u);
    EXPECT_EQ(Lirano("type --method Nope a").status, 2);
    EXPECT_EQ(Lirano("type --charset Nope a").status, 2);
    EXPECT_EQ(Lirano("type --option Nope=1 a").status, 2);
    EXPECT_EQ(Lirano("type --option GoTat=yes a").status, 2);
    EXPECT_EQ(Lirano("type --option").status, 2);
    EXPECT_EQ(Lirano("type --bogus a").status, 2);
    EXPECT_EQ(Lirano("nosuchcommand").status, 2);
    EXPECT_EQ(Lirano("").status, 2);
    EXPECT_EQ(Lirano("type a").status, 0);
}

// Two users of one installation: each has options of their own.
TEST(LiranoType, EachUserHasTheirOwnOptions)
{
    TempDir d;
    for (const char* user : {"an", "binh"})
        std::filesystem::create_directories(d.Path(std::string(user) + "/.config/lirano"));
    d.Write("an/.config/lirano/LuaChon.ini", "\xEF\xBB\xBF[LuaChon]\nKieuGo=VNI\n");
    d.Write("binh/.config/lirano/LuaChon.ini", "\xEF\xBB\xBF[LuaChon]\nKieuGo=Telex 2\n");
    for (const auto& [user, typed] : {std::pair{"an", "việt vieetj\n"}, std::pair{"binh", "vie65t việt\n"}})
        EXPECT_EQ(Lirano("type vie65t vieetj", "", "env -u XDG_CONFIG_HOME HOME='" + d.Path(user) + "' ").out, typed)
            << user;
}
