#include <cstdio>

#include "BangMaUtils.h"
#include "Commands.h"
#include "KieuGoUtils.h"
#include "UtfConverter.h"

namespace {

int PrintList(const std::vector<std::wstring>& names)
{
    for (const std::wstring& n : names) std::printf("%s\n", UtfConverter::ToUtf8(n).c_str());
    return 0;
}

} // namespace

int RunType(const std::vector<std::string>&)
{
    std::fputs("lirano type: not available yet\n", stderr);
    return 2;
}

int RunMethods(const std::vector<std::string>&) { return PrintList(KieuGoUtils::LayTenTatCaKieuGo()); }

int RunCharsets(const std::vector<std::string>&) { return PrintList(BangMaUtils::LayTenTatCaBangMa()); }
