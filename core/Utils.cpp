#include "core/Utils.h"

#include <fcntl.h>
#include <link.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <cwctype>
#include <memory>

#include "core/StaticInit.h"
#include "core/UtfConverter.h"

std::wstring Utils::ExePath LIRANO_TABLE_STORAGE;
std::wstring Utils::ExeFolder LIRANO_TABLE_STORAGE;

static const char kBom[] = "\xEF\xBB\xBF";

namespace {

std::string Reason(const char* what, const std::string& path, int err)
{
    return std::string(what) + " '" + path + "': " + std::strerror(err);
}

std::string FolderOf(const std::string& path)
{
    size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

// Read without setting it: another thread may be creating a file meanwhile.
mode_t CurrentUmask()
{
    std::ifstream in("/proc/self/status");
    std::string line;
    while (std::getline(in, line))
        if (line.compare(0, 6, "Umask:") == 0) return (mode_t)std::strtoul(line.c_str() + 6, nullptr, 8);
    mode_t mask = ::umask(0);
    ::umask(mask);
    return mask;
}

// Follows the symbolic links that `path` names (dangling ones too) to the
// file they lead to, so that renaming over it keeps the links. A link of
// another user is not followed: it could aim the write anywhere.
bool FollowOwnLinks(const std::string& path, std::string& target, std::string& error)
{
    std::string p = path;
    for (int depth = 0; depth < 40; ++depth) {
        struct stat st;
        if (::lstat(p.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) {
            target = p;
            return true;
        }
        if (st.st_uid != ::geteuid()) {
            error = "refusing to write through the symbolic link '" + p + "': it belongs to another user";
            errno = EACCES;
            return false;
        }
        char buf[PATH_MAX];
        ssize_t n = ::readlink(p.c_str(), buf, sizeof buf);
        if (n <= 0 || (size_t)n == sizeof buf) {
            int err = n < 0 ? errno : ENAMETOOLONG;
            error = Reason("cannot read the symbolic link", p, err);
            errno = err;
            return false;
        }
        std::string to(buf, (size_t)n);
        p = to[0] == '/' ? to : FolderOf(p) + "/" + to;
    }
    error = Reason("cannot write", path, ELOOP);
    errno = ELOOP;
    return false;
}

// The new file gets the old one's owner and group where the caller may give
// them; root that cannot would hand a user's file to root, so that fails.
bool KeepOwner(int fd, const struct stat& old)
{
    struct stat now;
    if (::fstat(fd, &now) != 0) return false;
    if (now.st_uid == old.st_uid && now.st_gid == old.st_gid) return true;
    if (::fchown(fd, old.st_uid, old.st_gid) == 0) return true;
    if (now.st_uid != old.st_uid && ::geteuid() == 0) return false;
    // Without the group (the caller is not in it) the file gets the caller's.
    if (now.st_gid != old.st_gid) (void)::fchown(fd, (uid_t)-1, old.st_gid);
    return true;
}

} // namespace

const std::wstring& Utils::UnicodeChars()
{
    static const std::wstring s = L"đáàảãạâấầẩẫậăắằẳẵặéèẻẽẹêếềểễệíìỉĩịóòỏõọôốồổỗộơớờởỡợúùủũụưứừửữựýỳỷỹỵ";
    return s;
}

const std::wstring& Utils::UnicodeCharsUpper()
{
    static const std::wstring s = L"ĐÁÀẢÃẠÂẤẦẨẪẬĂẮẰẲẴẶÉÈẺẼẸÊẾỀỂỄỆÍÌỈĨỊÓÒỎÕỌÔỐỒỔỖỘƠỚỜỞỠỢÚÙỦŨỤƯỨỪỬỮỰÝỲỶỸỴ";
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

namespace {

// The shared object that holds this code, when a host program loaded it
// (the Fcitx addon in fcitx5); empty in a program of our own.
std::string ModuleFile()
{
    struct Search {
        uintptr_t address;
        std::string name;
    } search{reinterpret_cast<uintptr_t>(&ModuleFile), {}};
    dl_iterate_phdr(
        [](dl_phdr_info* info, size_t, void* data) -> int {
            auto* s = static_cast<Search*>(data);
            for (int i = 0; i < info->dlpi_phnum; ++i) {
                const ElfW(Phdr)& segment = info->dlpi_phdr[i];
                uintptr_t start = info->dlpi_addr + segment.p_vaddr;
                if (segment.p_type != PT_LOAD || s->address < start || s->address >= start + segment.p_memsz) continue;
                // The program itself has no name here.
                if (info->dlpi_name) s->name = info->dlpi_name;
                return 1;
            }
            return 0;
        },
        &search);
    return search.name;
}

} // namespace

std::wstring Utils::GetExeFolder()
{
    if (ExeFolder.empty()) {
        // Resources/ lie beside the file the code came from: the program,
        // or the addon a framework loaded, links resolved.
        std::wstring p = GetExePath();
        const std::string module = ModuleFile();
        if (!module.empty()) {
            std::unique_ptr<char, decltype(&free)> real(realpath(module.c_str(), nullptr), &free);
            p = ToWString(real ? std::string(real.get()) : module);
        }
        size_t slash = p.rfind(L'/');
        ExeFolder = slash == std::wstring::npos ? p : p.substr(0, slash);
    }
    return ExeFolder;
}

std::string Utils::ShellWord(const std::string& s)
{
    bool plain = !s.empty();
    for (unsigned char c : s)
        if (!(std::isalnum(c) || c == '/' || c == '.' || c == '_' || c == '-' || c == '+' || c == ',' || c == ':' ||
              c == '@' || c == '%' || c >= 0x80))
            plain = false;
    if (plain) return s;
    std::string r = "'";
    for (char c : s) r += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return r + "'";
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

std::wstring Utils::ReadAllText(const std::wstring& path) { return UtfConverter::FromUtf8(ReadAllBytes(path)); }

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

bool Utils::ReplaceFile(const std::wstring& wpath, const std::string& bytes, std::string& error, mode_t newFileMode)
{
    ReplacingFile file;
    return file.Open(wpath, newFileMode, error) && file.Write(bytes.data(), bytes.size(), error) && file.Commit(error);
}

ReplacingFile::~ReplacingFile() { Abandon(); }

void ReplacingFile::Abandon()
{
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    if (!tmp_.empty()) ::unlink(tmp_.c_str());
    tmp_.clear();
}

bool ReplacingFile::Fail(const char* what, int err, std::string& error)
{
    error = Reason(what, path_, err);
    Abandon();
    errno = err;
    return false;
}

bool ReplacingFile::Open(const std::wstring& wpath, mode_t newFileMode, std::string& error)
{
    Abandon();
    path_ = Utils::ToString(wpath);
    newFileMode_ = newFileMode;
    if (path_.empty()) return Fail("cannot write", ENOENT, error);
    if (!FollowOwnLinks(path_, target_, error)) return false;
    exists_ = ::lstat(target_.c_str(), &old_) == 0;
    if (exists_ && S_ISDIR(old_.st_mode)) return Fail("cannot write", EISDIR, error);
    if (exists_ && !S_ISREG(old_.st_mode)) {
        // A device or a pipe cannot be renamed over.
        fd_ = ::open(target_.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY | O_NOFOLLOW);
        return fd_ >= 0 || Fail("cannot write", errno, error);
    }
    if (exists_ && old_.st_nlink > 1) {
        error = "refusing to replace '" + path_ + "': it has " + std::to_string(old_.st_nlink) +
                " hard links, which would keep the old content";
        errno = EMLINK;
        return false;
    }
    // A file the caller may not write stays as it is, although its folder
    // would let it be replaced.
    if (exists_ && ::faccessat(AT_FDCWD, target_.c_str(), W_OK, AT_EACCESS) != 0)
        return Fail("cannot write", errno, error);

    std::string base = target_.substr(target_.rfind('/') + 1);
    if (base.size() > 200) base.resize(200); // the suffix must fit in a name
    std::string tmp = FolderOf(target_) + "/." + base + ".XXXXXX";
    fd_ = ::mkostemp(tmp.data(), O_CLOEXEC);
    if (fd_ < 0) return Fail("cannot write in the folder of", errno, error);
    tmp_ = tmp;
    return true;
}

bool ReplacingFile::Write(const char* data, size_t size, std::string& error)
{
    if (fd_ < 0) return Fail("cannot write", EBADF, error);
    while (size > 0) {
        ssize_t n = ::write(fd_, data, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return Fail("cannot write", n == 0 ? EIO : errno, error);
        data += n;
        size -= (size_t)n;
    }
    return true;
}

bool ReplacingFile::Commit(std::string& error)
{
    if (fd_ < 0) return Fail("cannot write", EBADF, error);
    if (tmp_.empty()) {
        // Written in place.
        int fd = fd_;
        fd_ = -1;
        return ::close(fd) == 0 || Fail("cannot write", errno, error);
    }
    if (exists_ && !KeepOwner(fd_, old_)) return Fail("cannot keep the owner of", errno, error);
    // After fchown, which may clear the set-ID bits.
    mode_t mode = exists_ ? (old_.st_mode & 07777) : (newFileMode_ & ~CurrentUmask() & 07777);
    if (::fchmod(fd_, mode) != 0) return Fail("cannot write", errno, error);
    // A file system that cannot sync (EINVAL) still has the data.
    if (::fsync(fd_) != 0 && errno != EINVAL) return Fail("cannot write", errno, error);
    int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0) return Fail("cannot write", errno, error);
    if (::rename(tmp_.c_str(), target_.c_str()) != 0) return Fail("cannot replace", errno, error);
    tmp_.clear();
    // The new name itself is made to last; failing that loses nothing now.
    int dir = ::open(FolderOf(target_).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return true;
}

bool Utils::WriteAllText(const std::wstring& path, const std::wstring& text, mode_t newFileMode)
{
    return WriteAllText(path, UtfConverter::ToUtf8(text), true, newFileMode);
}

bool Utils::WriteAllText(const std::wstring& path, const std::string& bytes, bool writeBom, mode_t newFileMode)
{
    std::string error;
    return ReplaceFile(path, writeBom ? kBom + bytes : bytes, error, newFileMode);
}

bool Utils::WriteAllLines(const std::wstring& path, const std::vector<std::wstring>& lines, mode_t newFileMode)
{
    std::string bytes;
    for (const std::wstring& l : lines) bytes += UtfConverter::ToUtf8(l);
    return WriteAllText(path, bytes, true, newFileMode);
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
    std::string bytes;
    WriteString(bytes, s);
    out.write(bytes.data(), (std::streamsize)bytes.size());
}

void Utils::WriteString(std::string& out, const std::wstring& s)
{
    std::string bytes = UtfConverter::ToUtf8(s);
    uint32_t len = (uint32_t)bytes.size();
    out += {(char)len, (char)(len >> 8), (char)(len >> 16), (char)(len >> 24)};
    out += bytes;
}

std::wstring Utils::FileSizeToFriendlyString(unsigned n)
{
    if (n < 1024u) return ToWString(n) + L" Byte";
    if (n < 1048576u) return ToWString(n / 1024u) + L" KB";
    if (n < 1073741824u) return ToWString(n / 1048576u) + L" MB";
    return ToWString(n / 1073741824u) + L" GB";
}
