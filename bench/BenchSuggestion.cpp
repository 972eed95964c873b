#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <random>

#include "core/SettingUtils.h"
#include "engine/Suggestion.h"
#include "engine/TextHost.h"
#include "tests/common/KeyStreams.h"

namespace {

TuDienTuGhep& Dictionary()
{
    static TuDienTuGhep d = [] {
        TuDienTuGhep t;
        t.ReadTxtFile(SettingUtils::GetTuDienTuGhep());
        t.GenerateHashes();
        return t;
    }();
    return d;
}

std::vector<std::wstring> Phrases(size_t n)
{
    std::mt19937 rng(7);
    std::vector<std::wstring> r;
    for (size_t i = 0; i < n; ++i) r.push_back(Dictionary().Words[rng() % Dictionary().Words.size()]);
    return r;
}

std::wstring Plain(const std::wstring& p)
{
    std::wstring r;
    for (wchar_t c : p) r += CSuggestion::Fold(c);
    return r;
}

std::wstring Initials(const std::wstring& p)
{
    std::wstring r(1, CSuggestion::Fold(p[0]));
    for (size_t i = 0; i + 1 < p.size(); ++i)
        if (p[i] == L' ') r += CSuggestion::Fold(p[i + 1]);
    return r;
}

// Types each phrase key by key; after every key the filter searches the
// keywords of the text, as the service does. Per-key times in the counters.
void FilterPerKey(benchmark::State& state, std::wstring (*keysOf)(const std::wstring&))
{
    CSuggestion s;
    s.SoLuongTuGoiY = 24;
    s.SetTuDien(&Dictionary());
    std::vector<std::wstring> phrases = Phrases(400);
    std::vector<double> times;
    for (auto _ : state) {
        times.clear();
        for (const std::wstring& p : phrases) {
            CTextHost host;
            for (wchar_t c : keysOf(p)) {
                host.Key(c);
                auto t0 = std::chrono::steady_clock::now();
                s.Keywords = host.BoGo.GetSuggestionFilters();
                s.Filter();
                auto t1 = std::chrono::steady_clock::now();
                benchmark::DoNotOptimize(s.Results.data());
                times.push_back(std::chrono::duration<double, std::micro>(t1 - t0).count());
            }
        }
    }
    std::sort(times.begin(), times.end());
    state.counters["keys"] = (double)times.size();
    state.counters["median_us"] = times[times.size() / 2];
    state.counters["p99_us"] = times[times.size() * 99 / 100];
    state.counters["max_us"] = times.back();
}

std::wstring Marked(const std::wstring& p) { return keys::Text(p, L"Telex 2"); }

} // namespace

static void BM_SetTuDien(benchmark::State& state)
{
    for (auto _ : state) {
        CSuggestion s;
        s.SetTuDien(&Dictionary());
        benchmark::DoNotOptimize(s.CacAcronym.data());
    }
}
BENCHMARK(BM_SetTuDien)->Unit(benchmark::kMillisecond);

static void BM_FilterPerKeyMarked(benchmark::State& state) { FilterPerKey(state, Marked); }
BENCHMARK(BM_FilterPerKeyMarked)->Iterations(3)->Unit(benchmark::kMillisecond);

static void BM_FilterPerKeyUnmarked(benchmark::State& state) { FilterPerKey(state, Plain); }
BENCHMARK(BM_FilterPerKeyUnmarked)->Iterations(3)->Unit(benchmark::kMillisecond);

static void BM_FilterPerKeyInitials(benchmark::State& state) { FilterPerKey(state, Initials); }
BENCHMARK(BM_FilterPerKeyInitials)->Iterations(3)->Unit(benchmark::kMillisecond);
