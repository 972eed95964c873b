#include "engine/AppModes.h"

#include <sys/stat.h>

#include <algorithm>
#include <fstream>

#include "core/SettingUtils.h"
#include "core/UtfConverter.h"
#include "core/Utils.h"

namespace {

const char* const kSection = "[UngDung]";

std::string Trim(const std::string& s)
{
    size_t a = s.find_first_not_of(" \t\r"), b = s.find_last_not_of(" \t\r");
    return a == std::string::npos ? std::string() : s.substr(a, b - a + 1);
}

} // namespace

std::wstring CAppModes::File() { return SettingUtils::GenerateSettingFilePath(L"UngDung.ini"); }

bool CAppModes::ValidName(const std::string& app)
{
    if (app.empty() || app.size() > MaxNameBytes || app != Trim(app)) return false;
    // A line that starts so is a comment to Read: the name would be lost.
    if (app[0] == ';' || app[0] == '#') return false;
    for (unsigned char c : app)
        if (c < 0x20 || c == 0x7f || c == '=' || c == '[' || c == ']') return false;
    // Strict UTF-8: the whole name converts back to itself.
    return UtfConverter::ToUtf8(UtfConverter::FromUtf8(app)) == app;
}

bool CAppModes::Read(const std::wstring& path, std::string& problem)
{
    Entries.clear();
    problem.clear();
    const std::string name = Utils::ToString(path);
    struct stat st;
    if (::stat(name.c_str(), &st) != 0) return true;
    if (!S_ISREG(st.st_mode) || (size_t)st.st_size > MaxFileBytes) {
        problem = "không phải danh sách ứng dụng (quá " + std::to_string(MaxFileBytes >> 20) +
                  " MB, hoặc không phải tập tin)";
        return false;
    }
    std::ifstream in(name, std::ios::binary);
    if (!in) {
        problem = "không đọc được";
        return false;
    }
    std::string line;
    bool inSection = false, first = true;
    unsigned lineNo = 0, bad = 0, firstBad = 0;
    while (std::getline(in, line)) {
        ++lineNo;
        if (first && line.rfind("\xEF\xBB\xBF", 0) == 0) line.erase(0, 3);
        first = false;
        line = Trim(line);
        if (line.empty() || line[0] == ';' || line[0] == '#') continue;
        if (line[0] == '[') {
            inSection = line == kSection;
            continue;
        }
        size_t eq = line.find('=');
        std::string app = eq == std::string::npos ? std::string() : Trim(line.substr(0, eq));
        std::string mode = eq == std::string::npos ? std::string() : Trim(line.substr(eq + 1));
        if (!inSection || !ValidName(app) || (mode != "V" && mode != "E")) {
            if (!bad++) firstBad = lineNo;
            continue;
        }
        if (Find(app) || Entries.size() >= MaxApps) continue; // the first line of an app counts
        Entries.push_back({app, mode == "E"});
    }
    if (bad) problem = std::to_string(bad) + " dòng không đọc được, đầu tiên là dòng " + std::to_string(firstBad);
    return bad == 0;
}

bool CAppModes::Write(const std::wstring& path, std::string& error) const
{
    std::string bytes = std::string(kSection) + "\n";
    for (const Entry& e : Entries) bytes += e.App + "=" + (e.English ? "E" : "V") + "\n";
    return Utils::ReplaceFile(path, bytes, error, Utils::UserFileMode);
}

std::optional<bool> CAppModes::Find(const std::string& app) const
{
    for (const Entry& e : Entries)
        if (e.App == app) return e.English;
    return std::nullopt;
}

void CAppModes::Set(const std::string& app, bool english)
{
    if (!ValidName(app)) return;
    Forget(app);
    Entries.insert(Entries.begin(), {app, english});
    if (Entries.size() > MaxApps) Entries.resize(MaxApps);
}

void CAppModes::Forget(const std::string& app)
{
    Entries.erase(std::remove_if(Entries.begin(), Entries.end(), [&](const Entry& e) { return e.App == app; }),
                  Entries.end());
}
