#pragma once

#include <map>
#include <string>
#include <vector>

// The one INI dialect of every settings and data file.
class IniFile {
public:
    typedef std::map<std::wstring, std::wstring> Settings;
    typedef std::map<std::wstring, Settings> Sections;

    enum Option {
        Option_Default = 0,
        Option_RemoveCommentLine = 1,
        Option_RemoveEmptyLine = 2,
        Option_DetectSectionPath = 4,
        Option_DetectMultiSettingInOneLine = 8,
        Option_RemoveLineWithNoValue = 16,
        Option_RemoveCommentInValue = 32,
        Option_TrimSettingName = 64,
        Option_TrimSettingValue = 128,
        Option_SettingNameCaseSensitive = 256
    };

    wchar_t SectionOpenChar = L'[';
    wchar_t SectionCloseChar = L']';
    wchar_t NameValueDelimChar = L'=';
    wchar_t SectionPathSeparatorChar = L'.';
    wchar_t SettingNameSeparatorChar = L'&';
    wchar_t CommentChar = L';';
    Option Options = (Option)242;

    Sections Read(const std::wstring& path) const;
    Settings Read(const std::wstring& path, const std::wstring& sectionName) const;
    Settings Read(const std::vector<std::wstring>& lines, const std::wstring& sectionName) const;
    Settings ReadFlatSection(const std::wstring& path) const;
    Settings ReadFlatSection(const std::vector<std::wstring>& lines) const;
    Settings ReadSettings(const std::vector<std::wstring>& lines, int lastIndex, int& index) const;
    std::vector<std::wstring> GetAllSections(const std::wstring& path) const;
    std::vector<std::wstring> GetAllSections(const std::vector<std::wstring>& lines) const;

    // Replaces the file whole (Utils::ReplaceFile); false, with the reason in
    // `error` if given, when it could not be written. Settings are the
    // user's: a new file is private.
    bool Write(const std::wstring& path, const Sections& sections, std::string* error = nullptr) const;
    void AppendLines(std::vector<std::wstring>& lines, const Settings& settings) const;

    static std::wstring ReadString(const Settings& settings, const std::wstring& name,
                                   const std::wstring& defaultValue);
    static int ReadInt(const Settings& settings, const std::wstring& name, int defaultValue);
    static bool ReadBool(const Settings& settings, const std::wstring& name, bool defaultValue);
    static void WriteString(Settings& settings, const std::wstring& name, const std::wstring& value);

private:
    bool HasOption(Option o) const { return (Options & o) != 0; }
    // A (trimmed) line that opens a section; its name goes to `name`.
    bool IsHeader(const std::wstring& line, std::wstring* name) const;
    // Whether a body line ends its body: a bracket in the first column.
    bool EndsBody(const std::wstring& line) const;
    // The header at or after `from`, or -1; `inBody` when `from` is inside
    // a section, where only a line that ends a body can be one.
    int NextHeader(const std::vector<std::wstring>& lines, int from, bool inBody, std::wstring* name) const;
};
