// libFuzzer target: UngDung.ini (the mode remembered per application) with
// any bytes, then a few applications switched as the service does. What is
// read keeps to the rules of the list, and written and read again it is
// the same, without complaint.
//
// Input: the number of switches (0-3), each as a length byte, the name and
// the mode byte, then the file.
#include "engine/AppModes.h"
#include "tests/fuzz/FuzzCommon.h"

LIRANO_FUZZ_PRIVATE_CONFIG

namespace {

using namespace fuzz;

void CheckList(const CAppModes& modes)
{
    if (modes.Entries.size() > CAppModes::MaxApps) Fail("more applications than kept");
    for (size_t i = 0; i < modes.Entries.size(); ++i) {
        if (!CAppModes::ValidName(modes.Entries[i].App)) Fail("a name that cannot be kept: " + modes.Entries[i].App);
        for (size_t j = 0; j < i; ++j)
            if (modes.Entries[j].App == modes.Entries[i].App) Fail("an application twice: " + modes.Entries[i].App);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    Input input(data, size);
    std::vector<std::pair<std::string, bool>> switches;
    for (uint8_t n = input.Byte() % 4; n > 0; --n) {
        std::string app = input.Take(input.Byte());
        switches.emplace_back(app, input.Byte() & 1);
    }
    const std::string path = Path("UngDung.ini"), again = Path("UngDung.again.ini");
    WriteFile(path, input.Rest());

    CAppModes modes;
    std::string problem;
    if (modes.Read(Utils::ToWString(path), problem) != problem.empty()) Fail("a problem not reported: " + problem);
    CheckList(modes);
    for (const auto& [app, english] : switches) {
        modes.Set(app, english);
        if (CAppModes::ValidName(app) && (modes.Entries.empty() || modes.Entries[0].App != app ||
                                          modes.Entries[0].English != english || modes.Find(app) != english))
            Fail("a switch is not remembered first: " + app);
        CheckList(modes);
    }

    std::string error;
    if (!modes.Write(Utils::ToWString(again), error)) Fail("the list could not be written: " + error);
    CAppModes read;
    if (!read.Read(Utils::ToWString(again), problem)) Fail("the list written reads with a problem: " + problem);
    if (read.Entries != modes.Entries) Fail("the list written and read again differs");
    return 0;
}
