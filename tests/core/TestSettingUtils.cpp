#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdlib>

#include "core/SettingUtils.h"
#include "core/Utils.h"
#include "tests/common/TempDir.h"

namespace {

// Runs `body` with HOME and XDG_CONFIG_HOME as given ("" unsets), then puts
// them back.
template <typename F> void WithEnv(const std::string& home, const std::string& config, F body)
{
    std::string savedHome = getenv("HOME") ? getenv("HOME") : "", savedConfig = getenv("XDG_CONFIG_HOME");
    home.empty() ? unsetenv("HOME") : setenv("HOME", home.c_str(), 1);
    config.empty() ? unsetenv("XDG_CONFIG_HOME") : setenv("XDG_CONFIG_HOME", config.c_str(), 1);
    body();
    setenv("HOME", savedHome.c_str(), 1);
    setenv("XDG_CONFIG_HOME", savedConfig.c_str(), 1);
}

} // namespace

TEST(SettingUtils, TheUsersFolderFollowsXdgConfigHome)
{
    TempDir d;
    const std::string home = d.Path("home"), config = d.Path("cfg");
    struct Case {
        std::string home, config, folder;
    } cases[] = {
        {home, config, config + "/lirano"},
        {home, "", home + "/.config/lirano"},
        {home, "relative/not/allowed", home + "/.config/lirano"},
    };
    for (const Case& c : cases)
        WithEnv(c.home, c.config, [&] { EXPECT_EQ(Utils::ToString(SettingUtils::UserFolder()), c.folder); });
}

TEST(SettingUtils, ReadsTheUsersCopyThenTheOldOneAndWritesOnlyTheUsers)
{
    TempDir d;
    const std::wstring saved = Utils::ExeFolder;
    Utils::ExeFolder = d.WPath("prog");
    std::filesystem::create_directories(d.Path("prog"));
    WithEnv(d.Path("home"), d.Path("cfg"), [&] {
        const std::wstring user = d.WPath("cfg/lirano/GoTat.ini");
        EXPECT_EQ(SettingUtils::FileGoTat(), user); // neither exists
        d.Write("prog/GoTat.ini", "old");
        EXPECT_EQ(SettingUtils::FileGoTat(), d.WPath("prog/GoTat.ini"));
        // Writing makes the folder, private to the user, and names the
        // user's file whatever path it is given.
        EXPECT_EQ(SettingUtils::ForWriting(SettingUtils::FileGoTat()), user);
        struct stat st;
        ASSERT_EQ(stat(d.Path("cfg/lirano").c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 0777, 0700u);
        d.Write("cfg/lirano/GoTat.ini", "new");
        EXPECT_EQ(SettingUtils::FileGoTat(), user);
        // A folder that cannot be made leaves nothing behind.
        d.Write("file", "");
        setenv("XDG_CONFIG_HOME", d.Path("file/cfg").c_str(), 1);
        EXPECT_EQ(SettingUtils::ForWriting(L"LuaChon.ini"), d.WPath("file/cfg/lirano/LuaChon.ini"));
        EXPECT_FALSE(Utils::FileExists(d.WPath("file/cfg")));
    });
    Utils::ExeFolder = saved;
}
