#include <cstdio>

#include "Commands.h"

int RunConvert(const std::vector<std::string>&)
{
    std::fputs("lirano convert: not available yet\n", stderr);
    return 2;
}

int RunDetect(const std::vector<std::string>&)
{
    std::fputs("lirano detect: not available yet\n", stderr);
    return 2;
}
