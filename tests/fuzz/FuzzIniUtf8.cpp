// libFuzzer target: the INI reader over arbitrary file contents, what it
// read saved and read again, and the UTF-8 decoder/encoder over arbitrary
// bytes.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>

#include "core/IniFile.h"
#include "core/UtfConverter.h"
#include "core/Utils.h"

static std::wstring TempPath()
{
    const char* dir = getenv("LIRANO_FUZZ_DIR");
    static std::wstring path =
        Utils::ToWString(std::string(dir ? dir : "/tmp") + "/lirano-fuzz-" + std::to_string(getpid()) + ".ini");
    return path;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string bytes(reinterpret_cast<const char*>(data), size);

    // Decoding then encoding gives back a prefix of valid input.
    std::wstring text = UtfConverter::FromUtf8(bytes);
    std::string again = UtfConverter::ToUtf8(text);
    if (bytes.compare(0, again.size(), again) != 0) abort();
    if (UtfConverter::FromUtf8(again) != text) abort();

    Utils::WriteAllText(TempPath(), bytes, false);
    IniFile ini;
    IniFile::Sections all = ini.Read(TempPath());
    std::vector<std::wstring> names = ini.GetAllSections(TempPath());
    // The headers listed are the sections read.
    for (const auto& [name, settings] : all)
        if (!Utils::Contains(names, name)) abort();
    for (const auto& name : names)
        if (!all.count(name)) abort();
    if (!names.empty()) ini.Read(TempPath(), names.back());
    ini.ReadFlatSection(TempPath());

    IniFile multi;
    multi.Options = (IniFile::Option)(IniFile::Option_DetectMultiSettingInOneLine | 2);
    multi.Read(TempPath());
    IniFile raw;
    raw.Options = IniFile::Option_Default;
    raw.Read(TempPath());

    // Saved as the settings windows save a file they read, every setting
    // keeps its name, and saving again changes nothing. The dialect cannot
    // keep a value's spaces at its ends, or a carriage return or NULs at the
    // end of a line (reading drops them).
    static const std::wstring once = TempPath() + L".once", twice = TempPath() + L".twice";
    if (!ini.Write(once, all)) abort();
    IniFile::Sections saved = ini.Read(once);
    if (saved.size() != all.size()) abort();
    for (const auto& [name, settings] : all) {
        if (!saved.count(name)) abort();
        for (const auto& [key, value] : settings)
            if (!saved[name].count(key)) abort();
    }
    bool lineEnd = false; // a value that ends in what reading drops at the end of a line
    for (const auto& [name, settings] : saved)
        for (const auto& [key, value] : settings)
            if (!value.empty() && (value.back() == L'\r' || value.back() == L'\0')) lineEnd = true;
    if (!ini.Write(twice, saved)) abort();
    if (!lineEnd && ini.Read(twice) != saved) abort();
    return 0;
}
