#pragma once

// Shared by the fuzz targets: a private settings folder, files written
// there, and a reader for the header bytes that choose what a run does.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "core/Utils.h"

namespace fuzz {

// The user's files (KieuGo.ini, BangMa.ini...) go to a folder of this
// process, never to the real ~/.config: XDG_CONFIG_HOME is set before any
// table names its files during start-up. Under LIRANO_FUZZ_DIR when given,
// so that run.sh keeps everything in its build folder.
struct PrivateConfig {
    std::string dir;
    PrivateConfig()
    {
        const char* base = std::getenv("LIRANO_FUZZ_DIR");
        std::string tmpl = std::string(base && *base ? base : "/tmp") + "/lirano-fuzz-XXXXXX";
        if (!mkdtemp(tmpl.data())) {
            std::perror("mkdtemp");
            std::abort();
        }
        dir = tmpl;
        setenv("XDG_CONFIG_HOME", dir.c_str(), 1);
        std::filesystem::create_directories(dir + "/lirano");
    }
    ~PrivateConfig()
    {
        std::error_code ec;
        std::filesystem::remove_all(dir, ec);
    }
};

inline PrivateConfig& Config()
{
    extern PrivateConfig privateConfig;
    return privateConfig;
}

inline std::string Path(const std::string& name) { return Config().dir + "/" + name; }
inline std::string UserPath(const std::string& name) { return Config().dir + "/lirano/" + name; }

inline void WriteFile(const std::string& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), (std::streamsize)bytes.size());
    if (!out) std::abort();
}

inline std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// Header bytes first, the rest of the input after them: seeds stay readable
// (a few choice bytes, then plain text). Past the end every byte is 0.
class Input {
public:
    Input(const uint8_t* data, size_t size) : p_(data), n_(size) {}
    uint8_t Byte() { return at_ < n_ ? p_[at_++] : 0; }
    uint16_t Word()
    {
        uint16_t lo = Byte();
        return (uint16_t)(lo | (Byte() << 8));
    }
    std::string Take(size_t n)
    {
        n = std::min(n, n_ - at_);
        std::string r(reinterpret_cast<const char*>(p_ + at_), n);
        at_ += n;
        return r;
    }
    std::string Rest() { return Take(n_ - at_); }
    size_t Left() const { return n_ - at_; }

private:
    const uint8_t* p_;
    size_t n_, at_ = 0;
};

// What a failed check prints before the fuzzer reports the abort.
[[noreturn]] inline void Fail(const std::string& what)
{
    std::fprintf(stderr, "fuzz check failed: %s\n", what.c_str());
    std::fflush(stderr);
    std::abort();
}

} // namespace fuzz

// One definition per target, initialised before the tables (priority 200).
#define LIRANO_FUZZ_PRIVATE_CONFIG                                                                                     \
    namespace fuzz {                                                                                                   \
    __attribute__((init_priority(101))) PrivateConfig privateConfig;                                                   \
    }
