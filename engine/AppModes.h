#pragma once

#include <optional>
#include <string>
#include <vector>

// Vietnamese or English, remembered per application: the mode last used in
// each, the most recent first, in the user's file UngDung.ini:
//
//   [UngDung]
//   konsole=E
//   gedit=V
class CAppModes {
public:
    static constexpr size_t MaxApps = 200;
    // A file bigger than this is not a list of applications.
    static constexpr size_t MaxFileBytes = 1 << 20;
    static constexpr size_t MaxNameBytes = 255;

    struct Entry {
        std::string App;
        bool English = false;
        bool operator==(const Entry&) const = default;
    };
    std::vector<Entry> Entries;

    // Reads `path` (no file: no entries). Lines that do not read are left
    // out and named in `problem`; a file too big or not text gives no
    // entries. False when anything was left out.
    bool Read(const std::wstring& path, std::string& problem);
    // Writes atomically, mode 0600.
    bool Write(const std::wstring& path, std::string& error) const;
    // The mode last used in `app`; none for an application not remembered.
    std::optional<bool> Find(const std::string& app) const;
    // Remembers `app`'s mode as the most recent; the oldest go beyond
    // MaxApps.
    void Set(const std::string& app, bool english);
    void Forget(const std::string& app);
    // A name that can be kept: not empty, not too long, valid UTF-8, none of
    // "=", "[", "]" or control characters, no spaces at its ends, not
    // beginning with ";" or "#".
    static bool ValidName(const std::string& app);

    static std::wstring File();
};
