// libFuzzer target: the typing engine fed any key stream (letters, digits,
// punctuation, Backspace, the restore hot key, word ends, commits) in every
// built-in typing method and charset, with any combination of options.
//
// Input: method, charset, three bytes of options, then the keys (see
// Typing::Key).
#include "tests/fuzz/FuzzEngine.h"

LIRANO_FUZZ_PRIVATE_CONFIG

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const std::vector<std::wstring> methods = KieuGoUtils::LayTenTatCaKieuGo();
    static const std::vector<std::wstring> charsets = BangMaUtils::LayTenTatCaBangMa();
    fuzz::Input input(data, size);
    fuzz::Typing typing(fuzz::Options(input, methods, charsets));
    CBoGo& bogo = typing.host.BoGo;
    bogo.GoTat_Search = {L"vn", L"ko", L"hcm", L"đc", L"a"};
    bogo.GoTat_Replace = {L"Việt Nam", L"không", L"thành phố Hồ Chí Minh", L"được", L"ăn uống"};
    typing.Keys(input.Rest());
    return 0;
}
