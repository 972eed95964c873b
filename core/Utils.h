#pragma once

#include <sys/stat.h>
#include <sys/types.h>

#include <cstdint>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

// Small helpers shared by both programs: case, search, hashing, the
// program's own location and whole-file I/O in UTF-8.
//
// Paths are wide strings with one character per byte of the native path
// (the byte read as a signed 8-bit value); ToString turns them back.
class Utils {
public:
    static std::wstring ExePath;
    static std::wstring ExeFolder;

    // The 67 lower-case Vietnamese letters and their upper-case forms,
    // position by position.
    static const std::wstring& UnicodeChars();
    static const std::wstring& UnicodeCharsUpper();

    static std::string ToString(const std::wstring& path);
    static std::wstring ToWString(const std::string& bytes);
    static std::wstring ToWString(const char* bytes) { return ToWString(std::string(bytes)); }
    template <typename T> static std::wstring ToWString(const T& value)
    {
        std::wostringstream os;
        os << value;
        return os.str();
    }

    // "%s" takes the next argument, "%%" is one '%'; nothing else is read.
    template <typename... A> static std::string Format(const char* format, const A&... args)
    {
        const std::string* a[] = {&args..., nullptr};
        return FormatImpl<std::string>(format, a, sizeof...(A));
    }
    template <typename... A> static std::wstring Format(const wchar_t* format, const A&... args)
    {
        const std::wstring* a[] = {&args..., nullptr};
        return FormatImpl<std::wstring>(format, a, sizeof...(A));
    }

    static bool IsUpper(wchar_t c);
    static bool IsLower(wchar_t c);
    static bool IsAlpha(wchar_t c) { return IsUpper(c) || IsLower(c); }
    static wchar_t ToLower(wchar_t c);
    static wchar_t ToUpper(wchar_t c);
    static bool IsUpper(const std::wstring& s);
    static bool IsLower(const std::wstring& s);
    static void ToLower(std::wstring& s);
    static void ToUpper(std::wstring& s);
    static std::wstring ToLower(const std::wstring& s);
    static std::wstring ToUpper(const std::wstring& s);

    static int Count(const std::wstring& s, wchar_t c);
    static int IndexOfEx(const std::wstring& s, wchar_t c, int n);
    static int IndexOf(const wchar_t* const* items, const wchar_t* s, unsigned start, unsigned count);
    template <typename T> static bool Contains(const std::vector<T>& v, const T& x)
    {
        for (const T& e : v)
            if (e == x) return true;
        return false;
    }
    template <typename T> static T GetLastItem(const std::vector<T>& v) { return v.back(); }

    static uint32_t hash(const wchar_t* s);
    static uint32_t hash(const char* s);
    static uint32_t hash(const std::wstring& s) { return hash(s.c_str()); }

    static std::wstring GetProcessFilePath(int pid);
    static std::wstring GetExePath();
    static std::wstring GetExeFolder();
    // One word for a shell, or for IBus and GLib, which split command lines
    // as a shell does: ordinary paths stay as they are, anything else goes
    // inside single quotes.
    static std::string ShellWord(const std::string& s);
    static std::wstring GetDirectoryName(const std::wstring& path);
    static bool FileExists(const std::wstring& path);

    static std::wstring ReadAllText(const std::wstring& path);
    static std::vector<std::wstring> ReadAllLines(const std::wstring& path, char delimiter = '\n');

    // Mode of a new file of the user's own (options, history): private.
    static constexpr mode_t UserFileMode = 0600;
    // Mode of a new file anyone may read, as open() would create it.
    static constexpr mode_t SharedFileMode = 0666;
    // Writes all of `bytes` to a temporary file in the target's folder and
    // renames it over the target: the target holds its old bytes or all the
    // new ones. On failure nothing is changed and `error` tells why.
    // A replaced file keeps its mode, and its owner and group as far as the
    // caller may give them; a new one gets `newFileMode` less the umask.
    // Symbolic links are followed only when the caller owns them, as the
    // kernel's protected_symlinks does. A file with more than one name (hard
    // links) is refused: replacing it would leave the other names with the
    // old bytes, and writing in place could leave it half written. Devices
    // and pipes are written directly.
    static bool ReplaceFile(const std::wstring& path, const std::string& bytes, std::string& error, mode_t newFileMode);
    // ReplaceFile, in UTF-8 with a byte-order mark (unless told otherwise);
    // false when the file could not be written.
    static bool WriteAllText(const std::wstring& path, const std::wstring& text, mode_t newFileMode = SharedFileMode);
    static bool WriteAllText(const std::wstring& path, const std::string& bytes, bool writeBom,
                             mode_t newFileMode = SharedFileMode);
    static bool WriteAllLines(const std::wstring& path, const std::vector<std::wstring>& lines,
                              mode_t newFileMode = SharedFileMode);
    static void AppendAllText(const std::wstring& path, const std::string& bytes);
    static void AppendAllText(const std::wstring& path, const std::wstring& text);

    // Stored string: 32-bit little-endian byte count, then that many bytes
    // of UTF-8. A count beyond the rest of the stream fails the stream
    // instead of allocating it.
    static std::wstring ReadString(std::ifstream& in);
    static void WriteString(std::ofstream& out, const std::wstring& s);
    static void WriteString(std::string& out, const std::wstring& s);

    static std::wstring FileSizeToFriendlyString(unsigned n);
    static void OpenFolderAndSelectItems(const std::wstring&) {}

    // Whole file as bytes, the byte-order mark removed; empty when unreadable.
    static std::string ReadAllBytes(const std::wstring& path);

private:
    template <typename S> static S FormatImpl(const typename S::value_type* format, const S* const* args, size_t count)
    {
        S r;
        size_t next = 0;
        for (const typename S::value_type* p = format; *p; ++p) {
            if (*p == '%' && p[1] == 's') {
                if (next < count) r += *args[next++];
                ++p;
            } else if (*p == '%' && p[1] == '%') {
                r += '%';
                ++p;
            } else {
                r += *p;
            }
        }
        return r;
    }
};

// ReplaceFile written in pieces: the target is replaced only by Commit,
// after all of it is written; a holder destroyed before that removes its
// temporary file and leaves the target as it was. Every call returns false
// with `error` set on failure, after which the holder is closed.
class ReplacingFile {
public:
    ReplacingFile() = default;
    ReplacingFile(const ReplacingFile&) = delete;
    ReplacingFile& operator=(const ReplacingFile&) = delete;
    ~ReplacingFile();

    bool Open(const std::wstring& path, mode_t newFileMode, std::string& error);
    bool Write(const char* data, size_t size, std::string& error);
    bool Commit(std::string& error);
    void Abandon();

private:
    bool Fail(const char* what, int err, std::string& error);

    std::string path_, target_, tmp_; // tmp_ empty: writing the target itself
    int fd_ = -1;
    bool exists_ = false;
    struct stat old_ {};
    mode_t newFileMode_ = 0;
};
