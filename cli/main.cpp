#include <clocale>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "cli/Commands.h"

namespace {

const char* kUsage =
    "usage: lirano COMMAND [ARGS]\n"
    "  type [--method NAME] [--charset NAME] [--option KEY=VALUE]... [TEXT...]\n"
    "                     type TEXT (or standard input, line by line) as keys\n"
    "  methods            list the typing methods\n"
    "  charsets           list the charsets\n"
    "  convert --from NAME --to NAME [--lower | --upper] [--strip-marks]\n"
    "          [--prefer-upper] [--threshold R] [--utf8] [-o OUTPUT] [FILE | -]\n"
    "                     convert text between charsets (--from auto detects)\n"
    "  detect [--threshold R] [--utf8] [FILE | -]\n"
    "                     print the charset a text is written in\n"
    "  doctor             check why typing through IBus or Fcitx 5 may not work, with a fix\n"
    "                     for each failed check (exit status 1 when one fails)\n";

} // namespace

int main(int argc, char** argv)
{
    std::setlocale(LC_CTYPE, "C");
    if (argc < 2) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    std::string command = argv[1];
    std::vector<std::string> args(argv + 2, argv + argc);
    if (command == "type") return RunType(args);
    if (command == "methods") return RunMethods(args);
    if (command == "charsets") return RunCharsets(args);
    if (command == "convert") return RunConvert(args);
    if (command == "detect") return RunDetect(args);
    if (command == "doctor") return RunDoctor(args);
    if (command == "--help" || command == "-h" || command == "help") {
        std::fputs(kUsage, stdout);
        return 0;
    }
    std::fprintf(stderr, "lirano: unknown command '%s'\n%s", command.c_str(), kUsage);
    return 2;
}
