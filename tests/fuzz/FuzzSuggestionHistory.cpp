// libFuzzer target: the suggestion history file
// (Suggestion_UsedKeywords.dat) with any bytes. Reading never crashes; a
// damaged file gives no history; what is read names only entries of the
// dictionary, and written and read again it is the same.
#include "core/SettingUtils.h"
#include "engine/Suggestion.h"
#include "tests/fuzz/FuzzCommon.h"

LIRANO_FUZZ_PRIVATE_CONFIG

namespace {

using namespace fuzz;

// The shipped dictionary, attached once: entries are checked against it.
CSuggestion& Suggestion()
{
    static TuDienTuGhep dictionary;
    static CSuggestion s = [] {
        dictionary.ReadTxtFile(SettingUtils::GetTuDienTuGhep());
        CSuggestion r;
        r.SetTuDien(&dictionary);
        return r;
    }();
    return s;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    CSuggestion& s = Suggestion();
    const std::string path = Path("history.dat"), again = Path("again.dat");
    WriteFile(path, std::string(reinterpret_cast<const char*>(data), size));

    s.UsedKeywords = {{L"left over", {1}}};
    const bool ok = s.DeserializeUsedKeywords(Utils::ToWString(path));
    if (!ok && !s.UsedKeywords.empty()) Fail("a damaged file left a history");
    const size_t entries = s.TDTG->Words.size();
    for (const auto& [keyword, list] : s.UsedKeywords)
        for (int e : list)
            if (e < 0 || (size_t)e >= entries) Fail("the history names entry " + std::to_string(e));
    const auto read = s.UsedKeywords;

    std::remove(again.c_str());
    if (!s.SerializeUsedKeywords(Utils::ToWString(again))) Fail("the history could not be written");
    // No history writes no file.
    if (read.empty()) {
        if (Utils::FileExists(Utils::ToWString(again))) Fail("an empty history was written");
        return 0;
    }
    s.UsedKeywords.clear();
    if (!s.DeserializeUsedKeywords(Utils::ToWString(again)) || s.UsedKeywords != read)
        Fail("the history written and read again differs");
    return 0;
}
