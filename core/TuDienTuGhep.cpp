#include "core/TuDienTuGhep.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <fstream>

#include "core/TV.h"
#include "core/UtfConverter.h"
#include "core/Utils.h"

namespace {

wchar_t BaseLetter(wchar_t c) { return TV::XoaDauVaDauThanh(Utils::ToLower(c)); }

} // namespace

void TuDienTuGhep::ReadTxtFile(const std::wstring& path)
{
    Words.clear();
    AlphabetStart.clear();
    std::ifstream in(Utils::ToString(path), std::ios::binary);
    if (!in) return;
    in.seekg(0, std::ios::end);
    const std::streamoff size = in.tellg();
    in.seekg(0);

    std::string line;
    if (!std::getline(in, line)) return;
    // A first line that is not a count gives an empty dictionary.
    errno = 0;
    char* end = nullptr;
    long long n = std::strtoll(line.c_str(), &end, 10);
    if (end == line.c_str() || errno != 0 || n <= 0) return;
    // Never reserve more words than the file can hold lines.
    Words.reserve((size_t)std::min<long long>(n, size > 0 ? size / 2 : 0));

    wchar_t prevFirst = 0, prevBase = 0;
    bool first = true;
    while ((long long)Words.size() < n && std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        std::wstring w = UtfConverter::FromUtf8(line);
        int index = (int)Words.size();
        Words.push_back(std::move(w));
        const std::wstring& word = Words.back();
        if (word.empty()) continue;
        wchar_t lower = Utils::ToLower(word[0]);
        if (first || lower != prevFirst) {
            wchar_t base = BaseLetter(word[0]);
            if (first || base != prevBase) AlphabetStart.emplace(base, index);
            prevBase = base;
        }
        prevFirst = lower;
        first = false;
    }
}

void TuDienTuGhep::GenerateHashes()
{
    Hashes.clear();
    Hashes.reserve(Words.size());
    for (const std::wstring& w : Words) Hashes.push_back(Utils::hash(w.c_str()));
    BuildHashIndex();
}

void TuDienTuGhep::BuildHashIndex()
{
    HashIndex.clear();
    HashIndex.reserve(Hashes.size());
    for (size_t i = 0; i < Hashes.size(); ++i) HashIndex.emplace_back(Hashes[i], (int)i);
    std::sort(HashIndex.begin(), HashIndex.end());
}

void TuDienTuGhep::FreeMemory()
{
    std::vector<std::wstring>().swap(Words);
    std::vector<uint32_t>().swap(Hashes);
    std::vector<std::pair<uint32_t, int>>().swap(HashIndex);
    AlphabetStart.clear();
}

bool TuDienTuGhep::GetAlphabetRange(wchar_t c, int& first, int& last) const
{
    // Blocks are keyed by lower-case base letters: Đ, đ and d share one.
    wchar_t b = BaseLetter(c);
    auto it = AlphabetStart.find(b);
    if (it == AlphabetStart.end()) return false;
    first = it->second;
    auto next = AlphabetStart.find((wchar_t)(b + 1));
    last = next != AlphabetStart.end() ? next->second - 1 : (int)Words.size() - 1;
    return true;
}

int TuDienTuGhep::IndexOf(const std::wstring& w)
{
    if (Hashes.empty()) GenerateHashes();
    if (w.empty()) return -1;
    int first, last;
    if (!GetAlphabetRange(Utils::ToLower(w[0]), first, last)) return -1;
    uint32_t h = Utils::hash(w.c_str());
    if (HashIndex.size() != Hashes.size()) BuildHashIndex();
    // The first index in [first, last] whose hash is h, as a scan would find.
    auto it = std::lower_bound(HashIndex.begin(), HashIndex.end(), std::make_pair(h, first));
    if (it == HashIndex.end() || it->first != h || it->second > last) return -1;
    return it->second;
}

bool TuDienTuGhep::CoTrongTuDien(const std::wstring& w) { return IndexOf(w) >= 0; }
