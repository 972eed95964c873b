#pragma once

// What the key round-trip benchmarks share: the text typed (phrases of
// Resources/TuDienTuGhep.txt in file order, in Telex 2, each shape mark right
// after its letter, the tone key at the end of its syllable), the timings and
// how they are printed.
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "core/Utils.h"
#include "tests/common/KeyStreams.h"

namespace roundtrip {

constexpr unsigned kReturn = 0xff0d; // the Return keysym
constexpr size_t kBlock = 1000;      // keys typed by one engine before the next takes its turn

struct Timing {
    std::vector<double> press, release, both;
    int consumed = 0;
};

inline double Percentile(std::vector<double> v, double p)
{
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    size_t i = (size_t)(p * (double)(v.size() - 1) + 0.5);
    return v[std::min(i, v.size() - 1)];
}

// The keysyms and the text they should give, a space or a Return after each
// phrase; `ends` receives the index after each phrase.
inline std::vector<unsigned> MakeKeys(const std::string& dictionary, size_t wanted, bool returnAfterPhrase,
                                      std::wstring& text, size_t& phrases, std::vector<size_t>& ends)
{
    std::vector<std::wstring> lines = Utils::ReadAllLines(Utils::ToWString(dictionary));
    std::vector<unsigned> keys;
    phrases = 0;
    for (size_t i = 1; i < lines.size() && keys.size() < wanted; ++i) { // line 1 holds the count
        std::wstring phrase = lines[i];
        while (!phrase.empty() && (phrase.back() == L'\r' || phrase.back() == L' ')) phrase.pop_back();
        if (phrase.empty()) continue;
        std::wstring k = keys::Text(phrase, L"Telex 2");
        bool ascii = std::all_of(k.begin(), k.end(), [](wchar_t c) { return c >= 0x20 && c < 0x7f; });
        if (!ascii) continue; // a phrase with letters outside the tables
        for (wchar_t c : k) keys.push_back((unsigned)c);
        keys.push_back(returnAfterPhrase ? kReturn : (unsigned)' ');
        text += phrase + (returnAfterPhrase ? L"" : L" ");
        ends.push_back(keys.size());
        ++phrases;
    }
    return keys;
}

inline void Report(const char* name, const Timing& t)
{
    std::printf("%-12s press  median %7.1f us  p99 %7.1f us\n", name, Percentile(t.press, 0.5),
                Percentile(t.press, 0.99));
    std::printf("%-12s release median %6.1f us  p99 %7.1f us\n", name, Percentile(t.release, 0.5),
                Percentile(t.release, 0.99));
    std::printf("%-12s key    median %7.1f us  p99 %7.1f us  (press + release; %d of %zu presses consumed)\n", name,
                Percentile(t.both, 0.5), Percentile(t.both, 0.99), t.consumed, t.both.size());
}

// Whether what was committed is the typed text, and where it first differs.
inline void ReportCommitted(const char* name, const std::string& committed, const std::string& want)
{
    std::printf("%s committed %zu bytes; %s the typed text\n", name, committed.size(),
                committed == want ? "equal to" : "DIFFERENT from");
    if (committed == want) return;
    size_t i = 0;
    while (i < committed.size() && i < want.size() && committed[i] == want[i]) ++i;
    size_t from = i > 40 ? i - 40 : 0;
    std::printf("  first difference at byte %zu:\n  got  ...%s\n  want ...%s\n", i, committed.substr(from, 100).c_str(),
                want.substr(from, 100).c_str());
}

} // namespace roundtrip
