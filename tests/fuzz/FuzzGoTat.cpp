// libFuzzer target: GoTat.ini (abbreviations) as a user may write it, read
// by the engine and then used while typing: any table and key stream keep
// the engine's promises.
//
// Input: the length (2 bytes, little-endian) and bytes of GoTat.ini, five
// bytes of typing choices (FuzzEngine.h), then the keys.
#include "tests/fuzz/FuzzEngine.h"

LIRANO_FUZZ_PRIVATE_CONFIG

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const std::vector<std::wstring> methods = KieuGoUtils::LayTenTatCaKieuGo();
    static const std::vector<std::wstring> charsets = BangMaUtils::LayTenTatCaBangMa();
    fuzz::Input input(data, size);
    const std::string file = fuzz::Path("GoTat.ini");
    const std::string bytes = input.Take(input.Word());
    fuzz::WriteFile(file, bytes);
    LuaChon options = fuzz::Options(input, methods, charsets);
    options.GoTat = true;
    fuzz::Typing typing(options);
    CBoGo& bogo = typing.host.BoGo;
    bogo.LoadGoTat(Utils::ToWString(file));
    // At most every line after the first with a tab is an abbreviation
    // (one whose text is not UTF-8 before the tab is not).
    size_t lines = 0, pos = bytes.find('\n');
    while (pos != std::string::npos) {
        size_t end = bytes.find('\n', pos + 1);
        if (bytes.substr(pos + 1, end == std::string::npos ? std::string::npos : end - pos - 1).find('\t') !=
            std::string::npos)
            ++lines;
        pos = end;
    }
    if (bogo.GoTat_Search.size() > lines || bogo.GoTat_Replace.size() != bogo.GoTat_Search.size())
        fuzz::Fail("GoTat.ini has " + std::to_string(lines) + " abbreviations, the engine read " +
                   std::to_string(bogo.GoTat_Search.size()));
    typing.Keys(input.Rest());
    return 0;
}
