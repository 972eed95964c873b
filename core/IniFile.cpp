#include "core/IniFile.h"

#include <cwchar>
#include <sstream>

#include "core/UtfConverter.h"
#include "core/Utils.h"

namespace {

std::wstring Trim(const std::wstring& s)
{
    size_t b = s.find_first_not_of(L' ');
    if (b == std::wstring::npos) return std::wstring();
    size_t e = s.find_last_not_of(L' ');
    return s.substr(b, e - b + 1);
}

} // namespace

bool IniFile::IsHeader(const std::wstring& rawLine, std::wstring* name) const
{
    std::wstring line = Trim(rawLine);
    if (line.empty() || line[0] != SectionOpenChar) return false;
    size_t close = line.find(SectionCloseChar);
    if (close == std::wstring::npos) return false;
    if (name) *name = line.substr(1, close - 1);
    return true;
}

bool IniFile::EndsBody(const std::wstring& line) const
{
    return !line.empty() && line[0] == SectionOpenChar && line.find(SectionCloseChar) != std::wstring::npos;
}

int IniFile::NextHeader(const std::vector<std::wstring>& lines, int from, bool inBody, std::wstring* name) const
{
    for (int i = from; i < (int)lines.size(); ++i)
        if ((!inBody || EndsBody(lines[i])) && IsHeader(lines[i], name)) return i;
    return -1;
}

IniFile::Settings IniFile::ReadSettings(const std::vector<std::wstring>& lines, int lastIndex, int& index) const
{
    Settings r;
    if (lastIndex >= (int)lines.size()) lastIndex = (int)lines.size() - 1;
    while (index <= lastIndex) {
        const std::wstring& line = lines[index];
        if (line.empty()) {
            if (!HasOption(Option_RemoveEmptyLine)) r.emplace(L"", L"");
            ++index;
            continue;
        }
        if (EndsBody(line)) {
            index = std::min(index - 1, lastIndex);
            return r;
        }
        if (line[0] == CommentChar) {
            if (Options == 0) r.emplace(line.substr(1), L"");
            ++index;
            continue;
        }
        size_t p = line.find(NameValueDelimChar);
        if (p != std::wstring::npos) {
            std::wstring name = line.substr(0, p);
            std::wstring value = line.substr(p + 1);
            if (HasOption(Option_TrimSettingName)) name = Trim(name);
            if (HasOption(Option_TrimSettingValue)) value = Trim(value);
            if (HasOption(Option_RemoveCommentInValue)) {
                size_t c = value.find(CommentChar);
                if (c != std::wstring::npos) value.erase(c);
            }
            if (HasOption(Option_DetectMultiSettingInOneLine)) {
                size_t start = 0;
                for (;;) {
                    size_t sep = name.find(SettingNameSeparatorChar, start);
                    r.emplace(name.substr(start, sep == std::wstring::npos ? std::wstring::npos : sep - start), value);
                    if (sep == std::wstring::npos) break;
                    start = sep + 1;
                }
            } else {
                r.emplace(name, value);
            }
        } else if (!HasOption(Option_RemoveLineWithNoValue)) {
            r.emplace(line, L"");
        }
        ++index;
    }
    index = lastIndex;
    return r;
}

IniFile::Sections IniFile::Read(const std::wstring& path) const
{
    std::vector<std::wstring> lines = Utils::ReadAllLines(path, '\n');
    Sections r;
    std::wstring name;
    for (int i = NextHeader(lines, 0, false, &name); i >= 0; i = NextHeader(lines, i + 1, true, &name)) {
        int index = i + 1;
        r.emplace(name, ReadSettings(lines, (int)lines.size() - 1, index));
    }
    return r;
}

IniFile::Settings IniFile::Read(const std::vector<std::wstring>& lines, const std::wstring& sectionName) const
{
    std::wstring name;
    for (int i = NextHeader(lines, 0, false, &name); i >= 0; i = NextHeader(lines, i + 1, true, &name)) {
        if (wcscasecmp(name.c_str(), sectionName.c_str()) == 0) {
            int index = i + 1;
            return ReadSettings(lines, (int)lines.size() - 1, index);
        }
    }
    return Settings();
}

IniFile::Settings IniFile::Read(const std::wstring& path, const std::wstring& sectionName) const
{
    return Read(Utils::ReadAllLines(path, '\n'), sectionName);
}

IniFile::Settings IniFile::ReadFlatSection(const std::vector<std::wstring>& lines) const
{
    int index = 0;
    return ReadSettings(lines, (int)lines.size() - 1, index);
}

IniFile::Settings IniFile::ReadFlatSection(const std::wstring& path) const
{
    return ReadFlatSection(Utils::ReadAllLines(path, '\n'));
}

std::vector<std::wstring> IniFile::GetAllSections(const std::vector<std::wstring>& lines) const
{
    std::vector<std::wstring> r;
    std::wstring name;
    for (int i = NextHeader(lines, 0, false, &name); i >= 0; i = NextHeader(lines, i + 1, true, &name))
        r.push_back(name);
    return r;
}

std::vector<std::wstring> IniFile::GetAllSections(const std::wstring& path) const
{
    return GetAllSections(Utils::ReadAllLines(path, '\n'));
}

void IniFile::AppendLines(std::vector<std::wstring>& lines, const Settings& settings) const
{
    for (const auto& [name, value] : settings) {
        // A name that starts with the comment character (a typing method's
        // ';' key) would read back as a comment, and one that starts with
        // '[' with a ']' after it (the '[' key) as a header that takes the
        // rest of the section; names are trimmed, so a space before it
        // keeps it a setting.
        const bool shielded = HasOption(Option_TrimSettingName) && !name.empty() &&
                              (name[0] == CommentChar || (name[0] == SectionOpenChar &&
                                                          (name + value).find(SectionCloseChar) != std::wstring::npos));
        lines.push_back((shielded ? L" " : L"") + name + NameValueDelimChar + value + L"\n");
    }
}

bool IniFile::Write(const std::wstring& path, const Sections& sections, std::string* error) const
{
    std::vector<std::wstring> lines;
    for (const auto& [name, settings] : sections) {
        lines.push_back(SectionOpenChar + name + SectionCloseChar + L"\n");
        AppendLines(lines, settings);
        lines.push_back(L"\n");
    }
    std::string bytes = "\xEF\xBB\xBF";
    for (const std::wstring& l : lines) bytes += UtfConverter::ToUtf8(l);
    std::string why;
    if (Utils::ReplaceFile(path, bytes, why, Utils::UserFileMode)) return true;
    if (error) *error = why;
    return false;
}

std::wstring IniFile::ReadString(const Settings& settings, const std::wstring& name, const std::wstring& defaultValue)
{
    auto it = settings.find(name);
    return it == settings.end() ? defaultValue : it->second;
}

int IniFile::ReadInt(const Settings& settings, const std::wstring& name, int defaultValue)
{
    auto it = settings.find(name);
    if (it == settings.end()) return defaultValue;
    std::wistringstream in(it->second);
    int v;
    // A value that does not begin with a number keeps the default.
    if (!(in >> v)) return defaultValue;
    return v;
}

bool IniFile::ReadBool(const Settings& settings, const std::wstring& name, bool defaultValue)
{
    return ReadInt(settings, name, defaultValue ? 1 : 0) != 0;
}

void IniFile::WriteString(Settings& settings, const std::wstring& name, const std::wstring& value)
{
    settings.emplace(name, value);
}
