#include "Utils.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cwctype>

#include "StaticInit.h"
#include "UtfConverter.h"

std::wstring Utils::ExePath LIRANO_TABLE_STORAGE;
std::wstring Utils::ExeFolder LIRANO_TABLE_STORAGE;

static const char kBom[] = "\xEF\xBB\xBF";

const std::wstring& Utils::UnicodeChars()
{
    static const std::wstring s =
        L"đáàảãạâấầẩẫậăắằẳẵặéèẻẽẹêếềểễệíìỉĩịóòỏõọôốồổỗộơớờởỡợúùủũụưứừửữựýỳỷỹỵ";
    return s;
}

const std::wstring& Utils::UnicodeCharsUpper()
{
    static const std::wstring s =
        L"ĐÁÀẢÃẠÂẤẦẨẪẬĂẮẰẲẴẶÉÈẺẼẸÊẾỀỂỄỆÍÌỈĨỊÓÒỎÕỌÔỐỒỔỖỘƠỚỜỞỠỢÚÙỦŨỤƯỨỪỬỮỰÝỲỶỸỴ";
    return s;
}

std::string Utils::ToString(const std::wstring& path)
{
    std::string r(path.size(), '\0');
    for (size_t i = 0; i < path.size(); ++i) r[i] = (char)(path[i] & 0xFF);
    return r;
}

std::wstring Utils::ToWString(const std::string& bytes)
{
    std::wstring r(bytes.size(), L'\0');
    for (size_t i = 0; i < bytes.size(); ++i) r[i] = (wchar_t)(signed char)bytes[i];
    return r;
}

bool Utils::IsUpper(wchar_t c)
{
    if (c < 128) return c >= 0 && std::iswupper((wint_t)c);
    return UnicodeCharsUpper().find(c) != std::wstring::npos;
}

bool Utils::IsLower(wchar_t c)
{
    if (c < 128) return c >= 0 && std::iswlower((wint_t)c);
    return UnicodeChars().find(c) != std::wstring::npos;
}

wchar_t Utils::ToLower(wchar_t c)
{
    if (c < 128) return c >= 0 ? (wchar_t)std::towlower((wint_t)c) : c;
    size_t p = UnicodeCharsUpper().find(c);
    return p == std::wstring::npos ? c : UnicodeChars()[p];
}

wchar_t Utils::ToUpper(wchar_t c)
{
    if (c < 128) return c >= 0 ? (wchar_t)std::towupper((wint_t)c) : c;
    size_t p = UnicodeChars().find(c);
    return p == std::wstring::npos ? c : UnicodeCharsUpper()[p];
}

bool Utils::IsUpper(const std::wstring& s)
{
    bool letter = false;
    for (wchar_t c : s) {
        if (IsLower(c)) return false;
        if (IsUpper(c)) letter = true;
    }
    return letter;
}

bool Utils::IsLower(const std::wstring& s)
{
    bool letter = false;
    for (wchar_t c : s) {
        if (IsUpper(c)) return false;
        if (IsLower(c)) letter = true;
    }
    return letter;
}

void Utils::ToLower(std::wstring& s)
{
    for (wchar_t& c : s) c = ToLower(c);
}

void Utils::ToUpper(std::wstring& s)
{
    for (wchar_t& c : s) c = ToUpper(c);
}

std::wstring Utils::ToLower(const std::wstring& s)
{
    std::wstring r = s;
    ToLower(r);
    return r;
}

std::wstring Utils::ToUpper(const std::wstring& s)
{
    std::wstring r = s;
    ToUpper(r);
    return r;
}

int Utils::Count(const std::wstring& s, wchar_t c)
{
    int n = 0;
    for (wchar_t x : s)
        if (x == c) ++n;
    return n;
}

int Utils::IndexOfEx(const std::wstring& s, wchar_t c, int n)
{
    if (n < 1) return -1;
    for (size_t i = 0; i < s.size(); ++i)
        if (s[i] == c && --n == 0) return (int)i;
    return -1;
}

int Utils::IndexOf(const wchar_t* const* items, const wchar_t* s, unsigned start, unsigned count)
{
    for (unsigned i = start; i < start + count; ++i)
        if (wcscmp(items[i], s) == 0) return (int)i;
    return -1;
}

uint32_t Utils::hash(const wchar_t* s)
{
    uint32_t h = 0;
    for (; *s; ++s) h = h * 5 + (uint32_t)*s;
    return h;
}

uint32_t Utils::hash(const char* s)
{
    uint32_t h = 0;
    for (; *s; ++s) h = h * 5 + (uint32_t)(int32_t)(signed char)*s;
    return h;
}

std::wstring Utils::GetProcessFilePath(int pid)
{
    std::string link = "/proc/" + std::to_string(pid) + "/exe";
    char buf[512];
    ssize_t n = readlink(link.c_str(), buf, sizeof buf);
    if (n <= 0) return std::wstring();
    return ToWString(std::string(buf, (size_t)n));
}

std::wstring Utils::GetExePath()
{
    if (ExePath.empty()) ExePath = GetProcessFilePath((int)getpid());
    return ExePath;
}

std::wstring Utils::GetExeFolder()
{
    if (ExeFolder.empty()) {
        std::wstring p = GetExePath();
        size_t slash = p.rfind(L'/');
        ExeFolder = slash == std::wstring::npos ? p : p.substr(0, slash);
    }
    return ExeFolder;
}

std::wstring Utils::GetDirectoryName(const std::wstring& path)
{
    size_t slash = path.rfind(L'/');
    if (slash == std::wstring::npos || slash == 0) return path;
    return path.substr(0, slash);
}

bool Utils::FileExists(const std::wstring& path)
{
    struct stat st;
    return stat(ToString(path).c_str(), &st) == 0;
}

std::string Utils::ReadAllBytes(const std::wstring& path)
{
    std::ifstream in(ToString(path), std::ios::binary);
    if (!in) return std::string();
    std::string data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (data.compare(0, 3, kBom) == 0) data.erase(0, 3);
    return data;
}

std::wstring Utils::ReadAllText(const std::wstring& path)
{
    return UtfConverter::FromUtf8(ReadAllBytes(path));
}

std::vector<std::wstring> Utils::ReadAllLines(const std::wstring& path, char delimiter)
{
    std::string data = ReadAllBytes(path);
    std::vector<std::wstring> lines;
    size_t start = 0;
    for (;;) {
        size_t end = data.find(delimiter, start);
        size_t stop = end == std::string::npos ? data.size() : end;
        size_t len = stop - start;
        if (len > 0 && data[stop - 1] == '\r') --len;
        lines.push_back(UtfConverter::FromUtf8(data.data() + start, len));
        if (end == std::string::npos) break;
        start = end + 1;
    }
    return lines;
}

void Utils::WriteAllText(const std::wstring& path, const std::wstring& text)
{
    WriteAllText(path, UtfConverter::ToUtf8(text), true);
}

void Utils::WriteAllText(const std::wstring& path, const std::string& bytes, bool writeBom)
{
    std::ofstream out(ToString(path), std::ios::binary | std::ios::trunc);
    if (!out) return;
    if (writeBom) out.write(kBom, 3);
    out.write(bytes.data(), (std::streamsize)bytes.size());
}

void Utils::WriteAllLines(const std::wstring& path, const std::vector<std::wstring>& lines)
{
    std::string bytes;
    for (const std::wstring& l : lines) bytes += UtfConverter::ToUtf8(l);
    WriteAllText(path, bytes, true);
}

void Utils::AppendAllText(const std::wstring& path, const std::string& bytes)
{
    std::ofstream out(ToString(path), std::ios::binary | std::ios::app);
    if (!out) return;
    out.write(bytes.data(), (std::streamsize)bytes.size());
}

void Utils::AppendAllText(const std::wstring& path, const std::wstring& text)
{
    AppendAllText(path, UtfConverter::ToUtf8(text));
}

std::wstring Utils::ReadString(std::ifstream& in)
{
    unsigned char b[4];
    if (!in.read(reinterpret_cast<char*>(b), 4)) return std::wstring();
    uint32_t len = (uint32_t)b[0] | ((uint32_t)b[1] << 8) | ((uint32_t)b[2] << 16) | ((uint32_t)b[3] << 24);
    // Never allocate more than the stream still holds.
    std::streampos here = in.tellg();
    in.seekg(0, std::ios::end);
    std::streampos end = in.tellg();
    in.seekg(here);
    if (here < 0 || end < here || (uint64_t)(end - here) < len) {
        in.setstate(std::ios::failbit);
        return std::wstring();
    }
    std::string bytes(len, '\0');
    if (len > 0 && !in.read(bytes.data(), len)) return std::wstring();
    return UtfConverter::FromUtf8(bytes);
}

void Utils::WriteString(std::ofstream& out, const std::wstring& s)
{
    std::string bytes = UtfConverter::ToUtf8(s);
    uint32_t len = (uint32_t)bytes.size();
    unsigned char b[4] = {(unsigned char)len, (unsigned char)(len >> 8), (unsigned char)(len >> 16),
                          (unsigned char)(len >> 24)};
    out.write(reinterpret_cast<char*>(b), 4);
    out.write(bytes.data(), (std::streamsize)bytes.size());
}

std::wstring Utils::FileSizeToFriendlyString(unsigned n)
{
    if (n < 1024u) return ToWString(n) + L" Byte";
    if (n < 1048576u) return ToWString(n / 1024u) + L" KB";
    if (n < 1073741824u) return ToWString(n / 1048576u) + L" MB";
    return ToWString(n / 1073741824u) + L" GB";
}
