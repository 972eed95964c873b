#include "core/TuDien.h"

#include <algorithm>
#include <mutex>

#include "core/StaticInit.h"
#include "core/Utils.h"

std::wstring TuDien::FileTuDien LIRANO_TABLE_STORAGE;
std::vector<std::wstring> TuDien::v LIRANO_TABLE_STORAGE;
bool TuDien::Initialized = false;

namespace {
std::once_flag g_init;
LIRANO_FILL_AT_START_UP(TuDien::Initialized = TuDien::Initialize());
} // namespace

bool TuDien::Initialize()
{
    std::call_once(g_init, [] {
        FileTuDien = Utils::GetExeFolder() + L"/Resources/TuDien.txt";
        v = DocFile(FileTuDien);
    });
    return true;
}

std::vector<std::wstring> TuDien::DocFile(const std::wstring& path)
{
    std::vector<std::wstring> words = Utils::ReadAllLines(path, '\n');
    // Blank lines (the one after the last line feed, or a missing file)
    // are no words.
    words.erase(std::remove(words.begin(), words.end(), std::wstring()), words.end());
    std::sort(words.begin(), words.end());
    return words;
}

bool TuDien::CoTrongTuDien(const std::wstring& w) { return std::binary_search(v.begin(), v.end(), w); }
