// libFuzzer target: the INI reader over arbitrary file contents, and the
// UTF-8 decoder/encoder over arbitrary bytes.
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
    // Every section read is one of the headers listed.
    for (const auto& [name, settings] : all)
        if (!Utils::Contains(names, name)) abort();
    if (!names.empty()) ini.Read(TempPath(), names.back());
    ini.ReadFlatSection(TempPath());

    IniFile multi;
    multi.Options = (IniFile::Option)(IniFile::Option_DetectMultiSettingInOneLine | 2);
    multi.Read(TempPath());
    IniFile raw;
    raw.Options = IniFile::Option_Default;
    raw.Read(TempPath());
    return 0;
}
