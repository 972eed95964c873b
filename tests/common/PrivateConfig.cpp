// Linked into every test program: the user's files (options, abbreviations,
// history) go to a folder of the program's own, never to the real
// ~/.config, and it is removed at exit. Set before any other static object,
// since the tables that name the user's files are filled at start-up.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

struct PrivateConfig {
    std::string dir;
    PrivateConfig()
    {
        char tmpl[] = "/tmp/lirano-config-XXXXXX";
        if (!mkdtemp(tmpl)) {
            std::perror("mkdtemp");
            std::abort();
        }
        dir = tmpl;
        setenv("XDG_CONFIG_HOME", dir.c_str(), 1);
    }
    ~PrivateConfig()
    {
        std::error_code ec;
        std::filesystem::remove_all(dir, ec);
    }
};

__attribute__((init_priority(101))) PrivateConfig privateConfig;

} // namespace
