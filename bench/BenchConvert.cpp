#include <benchmark/benchmark.h>

#include <fstream>
#include <map>
#include <string>

#include "convert/ChuyenMa.h"
#include "convert/VanBanUtils.h"
#include "core/BangMaUtils.h"
#include "core/Utils.h"

// Conversion speed on real text: the Viet74K word list (or the shipped
// compound-word list), repeated to the size asked. Sizes and throughput
// count the bytes of the source as a file holds it: UTF-8 for the Unicode
// forms, one byte per code unit for the 8-bit charsets.

namespace {

std::string ReadBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

const std::wstring& RealText()
{
    static const std::wstring text = [] {
        std::string bytes = ReadBytes(LIRANO_DATA_DIR "/wordlists/Viet74K.txt");
        if (bytes.empty()) {
            bytes = ReadBytes(Utils::ToString(Utils::GetExeFolder()) + "/Resources/TuDienTuGhep.txt");
            bytes.erase(0, bytes.find('\n') + 1);
        }
        std::wstring t;
        VanBanUtils::DecodeUtf8(bytes, t);
        return t;
    }();
    return text;
}

std::wstring Convert(const std::wstring& s, const std::wstring& from, const std::wstring& to,
                     ChuyenMaFlags flags = ChuyenMaFlags_Normal)
{
    CChuyenMa cm;
    cm.BangMaNguon = from;
    cm.BangMaDich = to;
    cm.Flags = flags;
    return cm.Convert(s);
}

size_t FileBytes(const std::wstring& s, const std::wstring& charset)
{
    return BangMaUtils::LaBangMaUnicode(charset) ? VanBanUtils::EncodeUtf8(s).size() : s.size();
}

// The real text in `charset`, repeated to at least `megabytes` MiB as a
// file of that charset holds it, up to a line end; made once.
const std::wstring& Source(const std::wstring& charset, size_t megabytes)
{
    static std::map<std::pair<std::wstring, size_t>, std::wstring> cache;
    auto key = std::make_pair(charset, megabytes);
    auto it = cache.find(key);
    if (it != cache.end()) return it->second;
    // Encoding goes letter by letter, so the copies can be encoded once.
    std::wstring one = Convert(RealText(), BangMaUtils::Unicode, charset);
    const size_t target = megabytes << 20, oneBytes = FileBytes(one, charset);
    std::wstring r;
    size_t bytes = 0;
    while (bytes + oneBytes <= target) {
        r += one;
        bytes += oneBytes;
    }
    for (size_t i = 0; i < one.size(); ++i) {
        r += one[i];
        bytes += FileBytes(std::wstring(1, one[i]), charset);
        if (one[i] == L'\n' && bytes >= target) break;
    }
    return cache.emplace(key, std::move(r)).first->second;
}

void RunConvert(benchmark::State& state, const wchar_t* from, const wchar_t* to, ChuyenMaFlags flags)
{
    const std::wstring& src = Source(from, 10);
    CChuyenMa cm;
    cm.BangMaNguon = from;
    cm.BangMaDich = to;
    cm.Flags = flags;
    for (auto _ : state) benchmark::DoNotOptimize(cm.Convert(src));
    state.SetBytesProcessed((int64_t)state.iterations() * (int64_t)FileBytes(src, from));
    state.counters["source_MiB"] = (double)FileBytes(src, from) / 1048576;
}

// The longest match as first written: every key length from the longest
// down, one map look-up each. Kept to show what the compiled tables save.
std::wstring SlowConvertCore(const std::wstring& s, const std::map<std::wstring, std::wstring>& t)
{
    size_t maxLen = 0, minLen = SIZE_MAX;
    for (const auto& [k, v] : t) {
        maxLen = std::max(maxLen, k.size());
        minLen = std::min(minLen, k.size());
    }
    std::wstring r;
    size_t i = 0;
    while (i + minLen <= s.size()) {
        size_t L = std::min(maxLen, s.size() - i);
        bool found = false;
        for (; L >= minLen && L > 0; --L) {
            auto it = t.find(s.substr(i, L));
            if (it != t.end()) {
                r += it->second;
                i += L;
                found = true;
                break;
            }
        }
        if (!found) r += s[i++];
    }
    return r + s.substr(i);
}

void RunSlow(benchmark::State& state, const wchar_t* from)
{
    const std::wstring& src = Source(from, 10);
    auto table = BangMaUtils::TaoBangMaNguoc(BangMaUtils::LayBangMa(from), true);
    for (auto _ : state) benchmark::DoNotOptimize(SlowConvertCore(src, table));
    state.SetBytesProcessed((int64_t)state.iterations() * (int64_t)FileBytes(src, from));
}

void RunDetect(benchmark::State& state, const wchar_t* charset)
{
    const std::wstring& src = Source(charset, 1);
    CChuyenMa cm;
    std::wstring found;
    for (auto _ : state) found = cm.DetectBangMa(src);
    if (found != charset) state.SkipWithError("detected the wrong charset");
    state.SetBytesProcessed((int64_t)state.iterations() * (int64_t)FileBytes(src, charset));
    state.counters["source_MiB"] = (double)FileBytes(src, charset) / 1048576;
}

} // namespace

BENCHMARK_CAPTURE(RunConvert, UnicodeToTCVN3, L"Unicode", L"TCVN3 (ABC)", ChuyenMaFlags_Normal)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(RunConvert, TCVN3ToUnicode, L"TCVN3 (ABC)", L"Unicode", ChuyenMaFlags_Normal)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(RunConvert, VNIWindowsToUnicode, L"VNI Windows", L"Unicode", ChuyenMaFlags_Normal)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(RunConvert, VISCIIToVNIWindows, L"VISCII", L"VNI Windows", ChuyenMaFlags_Normal)
    ->Unit(benchmark::kMillisecond);
// Beyond the four: the decomposed form, VIQR, and a pass through Unicode
// with a case change.
BENCHMARK_CAPTURE(RunConvert, UnicodeToHopToUnicode, L"Unicode tổ hợp", L"Unicode", ChuyenMaFlags_Normal)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(RunConvert, VIQRToUnicode, L"VIQR", L"Unicode", ChuyenMaFlags_Normal)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(RunConvert, VNIWindowsToTCVN3Lower, L"VNI Windows", L"TCVN3 (ABC)", ChuyenMaFlags_ToLower)
    ->Unit(benchmark::kMillisecond);

BENCHMARK_CAPTURE(RunSlow, SlowLongestMatchTCVN3ToUnicode, L"TCVN3 (ABC)")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(RunSlow, SlowLongestMatchVNIWindowsToUnicode, L"VNI Windows")->Unit(benchmark::kMillisecond);

// Unicode passes at once; every other text has all charsets tried.
// An HTML clipboard of 10 MB whose fragment has an invalid byte every 10
// bytes: the time must stay linear in the size.
static void HtmlClipboardWithInvalidBytes(benchmark::State& state)
{
    std::string fragment;
    while (fragment.size() < 10u << 20) fragment += "Vi\xE1\xBB\x87t \xFF";
    char head[256];
    const char* fmt = "Version:0.9\nStartHTML:%08zu\nEndHTML:%08zu\r\nStartFragment:%08zu\nEndFragment:%08zu\r\n";
    size_t headLen = (size_t)std::snprintf(head, sizeof head, fmt, (size_t)0, (size_t)0, (size_t)0, (size_t)0);
    std::snprintf(head, sizeof head, fmt, headLen, headLen + fragment.size(), headLen, headLen + fragment.size());
    const std::string in = head + fragment;
    CChuyenMa cm;
    cm.Flags = ChuyenMaFlags_XoaDau;
    for (auto _ : state) benchmark::DoNotOptimize(cm.ConvertHtmlClipboard(in));
    state.SetBytesProcessed((int64_t)state.iterations() * (int64_t)in.size());
}
BENCHMARK(HtmlClipboardWithInvalidBytes)->Unit(benchmark::kMillisecond);

BENCHMARK_CAPTURE(RunDetect, Unicode, L"Unicode")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(RunDetect, TCVN3, L"TCVN3 (ABC)")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(RunDetect, VNIWindows, L"VNI Windows")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(RunDetect, VIQR, L"VIQR")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(RunDetect, UnicodeToHopDauThanh, L"Unicode tổ hợp dấu thanh")->Unit(benchmark::kMillisecond);
