#include <benchmark/benchmark.h>

#include <random>

#include "engine/LuaChon.h"
#include "engine/TextHost.h"
#include "tests/common/KeyStreams.h"

namespace {

// Real phrases typed as Telex 2 keys, a space after each.
const std::wstring& RealKeys()
{
    static const std::wstring keys = [] {
        TuDienTuGhep d;
        d.ReadTxtFile(Utils::GetExeFolder() + L"/Resources/TuDienTuGhep.txt");
        std::mt19937 rng(42);
        std::wstring k;
        for (int i = 0; i < 20000 && !d.Words.empty(); ++i)
            k += keys::Text(d.Words[rng() % d.Words.size()], L"Telex 2") + L" ";
        return k;
    }();
    return keys;
}

void TypeKeys(benchmark::State& state, const wchar_t* charset)
{
    CTextHost host;
    LuaChon o;
    o.BangMa = charset;
    o.ApDung(host.BoGo);
    const std::wstring& keys = RealKeys();
    size_t i = 0, n = 0;
    for (auto _ : state) {
        wchar_t c = keys[i];
        host.Key(c);
        if (++i == keys.size()) i = 0;
        // Commit now and then, as a user does, so the run stays short.
        if (c == L' ' && ++n % 8 == 0) {
            state.PauseTiming();
            host.Commit();
            host.Committed.clear();
            state.ResumeTiming();
        }
    }
    state.SetItemsProcessed(state.iterations());
}

} // namespace

static void BM_KeyTelex2Unicode(benchmark::State& state) { TypeKeys(state, L"Unicode"); }
BENCHMARK(BM_KeyTelex2Unicode)->Repetitions(5)->ReportAggregatesOnly(true);

static void BM_KeyTelex2VniWindows(benchmark::State& state) { TypeKeys(state, L"VNI Windows"); }
BENCHMARK(BM_KeyTelex2VniWindows)->Repetitions(5)->ReportAggregatesOnly(true);

// Word end with 1 000 abbreviations, none of which matches (every one is
// compared).
static void BM_WordEndWith1000Abbreviations(benchmark::State& state)
{
    CTextHost host;
    for (int i = 0; i < 1000; ++i) {
        host.BoGo.GoTat_Search.push_back(L"gt" + std::to_wstring(i) + L"x");
        host.BoGo.GoTat_Replace.push_back(L"gõ tắt số " + std::to_wstring(i));
    }
    const std::wstring word = L"tieesng";
    for (auto _ : state) {
        state.PauseTiming();
        host.Commit();
        host.Committed.clear();
        for (wchar_t c : word) host.Key(c);
        state.ResumeTiming();
        host.Key(L' ');
    }
}
BENCHMARK(BM_WordEndWith1000Abbreviations)->Repetitions(5)->ReportAggregatesOnly(true);

// The same when the last abbreviation matches.
static void BM_WordEndExpandingAbbreviation(benchmark::State& state)
{
    CTextHost host;
    for (int i = 0; i < 1000; ++i) {
        host.BoGo.GoTat_Search.push_back(L"gt" + std::to_wstring(i) + L"x");
        host.BoGo.GoTat_Replace.push_back(L"gõ tắt số " + std::to_wstring(i));
    }
    host.BoGo.GoTat_Search.back() = L"vn";
    for (auto _ : state) {
        state.PauseTiming();
        host.Commit();
        host.Committed.clear();
        host.Key(L'v');
        host.Key(L'n');
        state.ResumeTiming();
        host.Key(L' ');
    }
}
BENCHMARK(BM_WordEndExpandingAbbreviation)->Repetitions(5)->ReportAggregatesOnly(true);

// One line without a space, of state.range(0) letters: the time per letter
// must not grow with the line.
static void BM_LongLine(benchmark::State& state)
{
    const size_t n = (size_t)state.range(0);
    for (auto _ : state) {
        CTextHost host;
        for (size_t i = 0; i < n; ++i) host.Key(L"bcdgh"[i % 5]);
        host.Commit();
        benchmark::DoNotOptimize(host.Committed.size());
    }
    state.SetItemsProcessed(state.iterations() * (int64_t)n);
}
BENCHMARK(BM_LongLine)->Arg(1000)->Arg(100000)->Unit(benchmark::kMillisecond);
