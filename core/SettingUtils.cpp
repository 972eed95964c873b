#include "core/SettingUtils.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "core/Utils.h"

namespace {

std::string Env(const char* name)
{
    const char* v = std::getenv(name);
    return v && *v == '/' ? std::string(v) : std::string();
}

std::string Home()
{
    std::string home = Env("HOME");
    if (!home.empty()) return home;
    const passwd* pw = getpwuid(getuid());
    return pw && pw->pw_dir ? std::string(pw->pw_dir) : std::string("/tmp");
}

std::string ConfigHome()
{
    std::string config = Env("XDG_CONFIG_HOME");
    return config.empty() ? Home() + "/.config" : config;
}

} // namespace

std::wstring SettingUtils::UserFolder() { return Utils::ToWString(ConfigHome() + "/lirano"); }

std::wstring SettingUtils::GenerateSettingFilePath(const std::wstring& name)
{
    std::wstring user = UserFolder() + L"/" + name;
    if (Utils::FileExists(user)) return user;
    std::wstring old = Utils::GetExeFolder() + L"/" + name;
    return Utils::FileExists(old) ? old : user;
}

std::wstring SettingUtils::ForWriting(const std::wstring& nameOrPath)
{
    // Only the user may read what they typed and chose.
    const std::string config = ConfigHome();
    const std::string folder = config + "/lirano";
    mkdir(config.c_str(), 0700);
    if (mkdir(folder.c_str(), 0700) != 0) {
        struct stat st;
        if (lstat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == getuid() && (st.st_mode & 077))
            chmod(folder.c_str(), 0700);
    }
    size_t slash = nameOrPath.rfind(L'/');
    return Utils::ToWString(folder) + L"/" + (slash == std::wstring::npos ? nameOrPath : nameOrPath.substr(slash + 1));
}

void SettingUtils::ReportCannotWrite(const std::wstring& path, const std::string& reason)
{
    std::string line = "Không ghi được tập tin \"" + Utils::ToString(path) + "\"";
    if (!reason.empty()) line += ": " + reason;
    std::fprintf(stderr, "%s\n", line.c_str());
}

std::wstring SettingUtils::GenerateResourceFilePath(const std::wstring& name)
{
    return Utils::GetExeFolder() + L"/" + L"Resources" + L"/" + name;
}
