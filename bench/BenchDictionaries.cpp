#include <benchmark/benchmark.h>

#include <algorithm>

#include "core/SettingUtils.h"
#include "core/TuDien.h"
#include "core/TuDienTuGhep.h"
#include "core/Utils.h"

static void BM_TuDienTuGhep_LoadWithHashes(benchmark::State& state)
{
    for (auto _ : state) {
        TuDienTuGhep d;
        d.ReadTxtFile(SettingUtils::GetTuDienTuGhep());
        d.GenerateHashes();
        benchmark::DoNotOptimize(d.Hashes.data());
    }
}
BENCHMARK(BM_TuDienTuGhep_LoadWithHashes)->Unit(benchmark::kMillisecond);

static void BM_TuDien_StartUp(benchmark::State& state)
{
    for (auto _ : state) benchmark::DoNotOptimize(TuDien::DocFile(TuDien::FileTuDien));
}
BENCHMARK(BM_TuDien_StartUp)->Unit(benchmark::kMillisecond);

static void BM_TuDien_LookUp(benchmark::State& state)
{
    const std::wstring words[] = {L"nghiêng", L"viếc", L"a", L"ỷ"};
    size_t i = 0;
    for (auto _ : state) benchmark::DoNotOptimize(TuDien::CoTrongTuDien(words[i++ & 3]));
}
BENCHMARK(BM_TuDien_LookUp);

namespace {

TuDienTuGhep& Loaded()
{
    static TuDienTuGhep d = [] {
        TuDienTuGhep t;
        t.ReadTxtFile(SettingUtils::GetTuDienTuGhep());
        t.GenerateHashes();
        return t;
    }();
    return d;
}

// The last word of the largest block (t), and a miss in it: the look-ups
// that a scan of the block would make slowest.
std::pair<std::wstring, std::wstring> Worst()
{
    int first, last;
    Loaded().GetAlphabetRange(L't', first, last);
    std::wstring w = Loaded().Words[last];
    return {w, w + L"x"};
}

} // namespace

static void BM_TuDienTuGhep_LookUpWorstHit(benchmark::State& state)
{
    std::wstring w = Worst().first;
    for (auto _ : state) benchmark::DoNotOptimize(Loaded().CoTrongTuDien(w));
}
BENCHMARK(BM_TuDienTuGhep_LookUpWorstHit);

static void BM_TuDienTuGhep_LookUpMiss(benchmark::State& state)
{
    std::wstring w = Worst().second;
    for (auto _ : state) benchmark::DoNotOptimize(Loaded().CoTrongTuDien(w));
}
BENCHMARK(BM_TuDienTuGhep_LookUpMiss);

static void BM_TuDienTuGhep_LookUpTypical(benchmark::State& state)
{
    const std::wstring words[] = {L"chương trình", L"người ta", L"thành phố", L"trương chình"};
    size_t i = 0;
    for (auto _ : state) benchmark::DoNotOptimize(Loaded().CoTrongTuDien(words[i++ & 3]));
}
BENCHMARK(BM_TuDienTuGhep_LookUpTypical);
