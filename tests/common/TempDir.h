#pragma once

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>

#include "core/Utils.h"

// A private folder under /tmp, removed with everything in it.
class TempDir {
public:
    // Throws when the folder cannot be made, which fails the test: going on
    // with a shared folder would write into it and remove it at the end.
    TempDir()
    {
        char tmpl[] = "/tmp/lirano-test-XXXXXX";
        if (!mkdtemp(tmpl))
            throw std::system_error(errno, std::generic_category(), "cannot make a temporary folder in /tmp");
        path_ = tmpl;
    }
    ~TempDir()
    {
        std::error_code ec;
        if (!path_.empty()) std::filesystem::remove_all(path_, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    std::string Path(const std::string& name) const { return path_ + "/" + name; }
    std::wstring WPath(const std::string& name) const { return Utils::ToWString(Path(name)); }

    std::wstring Write(const std::string& name, const std::string& bytes) const
    {
        std::ofstream out(Path(name), std::ios::binary);
        out.write(bytes.data(), (std::streamsize)bytes.size());
        return WPath(name);
    }

    static std::string Read(const std::wstring& path)
    {
        std::ifstream in(Utils::ToString(path), std::ios::binary);
        return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    }

private:
    std::string path_;
};
