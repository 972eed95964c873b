#include <benchmark/benchmark.h>

#include "core/IniFile.h"
#include "core/KieuGoUtils.h"
#include "core/TV.h"
#include "core/UtfConverter.h"
#include "core/Utils.h"

static void BM_Utf8RoundTrip(benchmark::State& state)
{
    std::wstring text;
    for (int i = 0; i < 1000; ++i) text += L"Tiếng Việt là ngôn ngữ của người Việt. ";
    for (auto _ : state) {
        std::string b = UtfConverter::ToUtf8(text);
        benchmark::DoNotOptimize(UtfConverter::FromUtf8(b));
    }
    state.SetBytesProcessed((int64_t)state.iterations() * (int64_t)UtfConverter::ToUtf8(text).size());
}
BENCHMARK(BM_Utf8RoundTrip);

static void BM_CaseAndMarks(benchmark::State& state)
{
    const std::wstring w = L"Đường";
    for (auto _ : state) {
        benchmark::DoNotOptimize(Utils::ToLower(w));
        benchmark::DoNotOptimize(TV::XoaDauVaDauThanh(w));
    }
}
BENCHMARK(BM_CaseAndMarks);

static void BM_LoadTypingMethod(benchmark::State& state)
{
    for (auto _ : state) benchmark::DoNotOptimize(KieuGoUtils::LayKieuGo(std::wstring(KieuGoUtils::Default)));
}
BENCHMARK(BM_LoadTypingMethod);
