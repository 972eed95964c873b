#include "engine/Suggestion.h"

#include <algorithm>
#include <fstream>

#include "core/SettingUtils.h"
#include "core/StaticInit.h"
#include "core/TV.h"
#include "core/Utils.h"

unsigned char CSuggestion::KTThuongKoDau[0x1EFA];
bool CSuggestion::Initialized = false;

namespace {
LIRANO_FILL_AT_START_UP(CSuggestion::Initialized = CSuggestion::Initialize());

bool StartsWith(const std::string& folded, size_t at, const std::wstring& kw)
{
    if (at > folded.size() || folded.size() - at < kw.size()) return false;
    for (size_t i = 0; i < kw.size(); ++i)
        if ((wchar_t)(unsigned char)folded[at + i] != kw[i]) return false;
    return true;
}

uint32_t ReadU32(std::ifstream& in, bool& ok)
{
    unsigned char b[4];
    if (!in.read(reinterpret_cast<char*>(b), 4)) {
        ok = false;
        return 0;
    }
    return (uint32_t)b[0] | ((uint32_t)b[1] << 8) | ((uint32_t)b[2] << 16) | ((uint32_t)b[3] << 24);
}

void WriteU32(std::string& out, uint32_t v) { out += {(char)v, (char)(v >> 8), (char)(v >> 16), (char)(v >> 24)}; }

} // namespace

bool CSuggestion::Initialize()
{
    static const wchar_t* const alphabet =
        L" ABCDEGHIJKLMNOPQRSTUVWXZabcdefghijklmnopqrstuvwxyzÁÂÊÓÚÝàáâãèéêìíòóôõùúýĂăĐđĩũơưạảẤấầẩẫậắằẳẵặẹẻẽếềểễệỉịọỏỐố"
        L"ồổỗộớờởỡợụủứừửữựỳỵỷỹ";
    for (const wchar_t* p = alphabet; *p; ++p)
        KTThuongKoDau[*p] = (unsigned char)TV::XoaDauVaDauThanh(Utils::ToLower(*p));
    return true;
}

void CSuggestion::SetTuDien(TuDienTuGhep* tdtg)
{
    TDTG = tdtg;
    const size_t n = tdtg ? tdtg->Words.size() : 0;
    DaChon.assign(n, false);
    CacAcronym.assign(n, std::wstring());
    Folded.assign(n, std::string());
    for (size_t e = 0; e < n; ++e) {
        const std::wstring& w = tdtg->Words[e];
        std::string& f = Folded[e];
        f.resize(w.size());
        for (size_t i = 0; i < w.size(); ++i) f[i] = (char)Fold(w[i]);
        CacAcronym[e] = GetAcronym((int)e);
    }
}

std::wstring CSuggestion::GetAcronym(int entry) const
{
    const std::wstring& w = TDTG->Words[entry];
    std::wstring a;
    if (w.empty()) return a;
    a += Fold(w[0]);
    // Entries of more than four words keep the initials of the first four.
    for (size_t i = 0; i + 1 < w.size() && a.size() < 4; ++i)
        if (w[i] == L' ') a += Fold(w[i + 1]);
    return a;
}

// ---------------------------------------------------------------------------
// Predicates over folded entries

bool CSuggestion::KeywordEquals(int e, const std::wstring& kw) const
{
    return Folded[e].size() == kw.size() && StartsWith(Folded[e], 0, kw);
}

bool CSuggestion::KeywordEquals(int e, const std::wstring& kw, size_t count) const
{
    if (kw.size() < count || Folded[e].size() < count) return false;
    return StartsWith(Folded[e], 0, kw.substr(0, count));
}

bool CSuggestion::KeywordStartsWith(int e, const std::wstring& kw) const { return StartsWith(Folded[e], 0, kw); }

bool CSuggestion::KeywordEndsWith(int e, const std::wstring& kw) const
{
    const std::string& f = Folded[e];
    return f.size() >= kw.size() && StartsWith(f, f.size() - kw.size(), kw);
}

bool CSuggestion::FirstWordEquals(int e, const std::wstring& kw) const
{
    const std::string& f = Folded[e];
    size_t sp = f.find(' ');
    size_t len = sp == std::string::npos ? f.size() : sp;
    return len == kw.size() && StartsWith(f, 0, kw);
}

bool CSuggestion::SecondWordEquals(int e, const std::wstring& kw) const
{
    const std::string& f = Folded[e];
    size_t sp = f.find(' ');
    return sp != std::string::npos && f.size() - sp - 1 == kw.size() && StartsWith(f, sp + 1, kw);
}

bool CSuggestion::SecondWordStartsWith(int e, const std::wstring& kw) const
{
    const std::string& f = Folded[e];
    size_t sp = f.find(' ');
    return sp != std::string::npos && StartsWith(f, sp + 1, kw);
}

std::wstring CSuggestion::FindSecondWord(const std::wstring& text)
{
    size_t sp = text.find(L' ');
    return sp == std::wstring::npos ? std::wstring() : text.substr(sp + 1);
}

std::wstring CSuggestion::FindLastWord(const std::wstring& text)
{
    size_t sp = text.rfind(L' ');
    return sp == std::wstring::npos ? text : text.substr(sp + 1);
}

std::wstring CSuggestion::FindWords(const std::wstring& text, int n)
{
    int at = Utils::IndexOfEx(text, L' ', n);
    if (at < 0) throw std::out_of_range("FindWords: no such space");
    return text.substr(0, at);
}

int CSuggestion::LastWordCoKTTV(const std::wstring& text)
{
    int word = 0, last = -1;
    for (wchar_t c : text) {
        if (c == L' ')
            ++word;
        else if (TV::LaKTTV(c))
            last = word;
    }
    return last;
}

// ---------------------------------------------------------------------------
// Searching

void CSuggestion::AddKeyword(int entry)
{
    Results.push_back(entry);
    DaChon[entry] = true;
    if (CoGioiHan && (int)Results.size() >= SoLuongTuGoiY) Full = true;
}

template <typename Pred> void CSuggestion::AddEach(int from, int to, Pred pred)
{
    for (int e = from; e <= to && !Full; ++e)
        if (!DaChon[e] && pred(e)) AddKeyword(e);
}

void CSuggestion::Filter()
{
    Results.clear();
    KeywordStarts.clear();
    Full = false;
    if (Keywords.empty()) return;
    CoGioiHan = SoLuongTuGoiY > 0;
    for (const std::wstring& keyword : Keywords) {
        KeywordStarts.push_back((int)Results.size());
        std::wstring kw = Utils::ToLower(keyword);
        if (kw.size() > 2) {
            bool suppressed = false;
            for (const std::wstring& none : KeywordsKoKetQua)
                if (kw.compare(0, none.size(), none) == 0) suppressed = true;
            if (suppressed) continue;
        }
        std::fill(DaChon.begin(), DaChon.end(), false);
        size_t before = Results.size();
        Filter(kw);
        if (kw.size() > 2 && Results.size() == before) {
            if (KeywordsKoKetQua.size() >= 6)
                KeywordsKoKetQua.erase(KeywordsKoKetQua.begin(), KeywordsKoKetQua.begin() + 3);
            KeywordsKoKetQua.push_back(kw);
        }
        if (Full) break;
    }
    KeywordStarts.push_back((int)Results.size());
}

void CSuggestion::Filter(const std::wstring& kw)
{
    if (kw.size() <= 1 || !TDTG || TDTG->Words.empty()) return;
    auto used = UsedKeywords.find(kw);
    if (used != UsedKeywords.end())
        for (int e : used->second)
            if (e >= 0 && (size_t)e < DaChon.size() && !DaChon[e] && !Full) AddKeyword(e);
    int from, to;
    if (!TDTG->GetAlphabetRange(kw[0], from, to)) return;
    to = std::min(to, (int)Folded.size() - 1);
    const std::vector<std::wstring>& words = TDTG->Words;
    auto beginsWith = [&](int e, const std::wstring& prefix) {
        const std::wstring& w = words[e];
        if (w.size() < prefix.size()) return false;
        for (size_t i = 0; i < prefix.size(); ++i)
            if (Utils::ToLower(w[i]) != prefix[i]) return false;
        return true;
    };

    if (TV::CoKTTV(kw)) {
        int l = LastWordCoKTTV(kw);
        int w = Utils::Count(kw, L' ');
        int t = kw.back() == L' ' ? 1 : 0;
        if (w - t != l && w != t) {
            std::wstring head = FindWords(kw, l + 1) + L" ";
            std::wstring tail = kw.substr(head.size());
            AddEach(from, to, [&](int e) { return beginsWith(e, head) && StartsWith(Folded[e], head.size(), tail); });
        } else {
            AddEach(from, to, [&](int e) { return beginsWith(e, kw); });
        }
        return;
    }
    if (kw.find(L' ') == std::wstring::npos) {
        for (int e = from; e <= to; ++e)
            if (words[e].size() <= kw.size()) DaChon[e] = true;
        if (kw.size() > 4) {
            Filter2(kw, from, to);
            return;
        }
        AddEach(from, to, [&](int e) { return CacAcronym[e] == kw; });
        if (kw.size() > 2) {
            Filter2(kw, from, to);
            if (kw.size() > 3) return;
        }
        AddEach(from, to, [&](int e) { return CacAcronym[e].compare(0, kw.size(), kw) == 0; });
        return;
    }
    AddEach(from, to, [&](int e) { return KeywordStartsWith(e, kw); });
}

void CSuggestion::Filter2(const std::wstring& kw, int from, int to)
{
    if (kw.size() <= 7) AddEach(from, to, [&](int e) { return FirstWordEquals(e, kw); });
    auto acronymPrefix = [&](int e) {
        const std::wstring& a = CacAcronym[e];
        return !a.empty() && a.size() <= kw.size() && kw.compare(0, a.size(), a) == 0;
    };
    AddEach(from, to,
            [&](int e) { return acronymPrefix(e) && KeywordEndsWith(e, L" " + kw.substr(CacAcronym[e].size() - 1)); });
    AddEach(from, to, [&](int e) {
        if (!acronymPrefix(e)) return false;
        const std::string& f = Folded[e];
        size_t sp = f.rfind(' ');
        return StartsWith(f, sp == std::string::npos ? 0 : sp + 1, kw.substr(CacAcronym[e].size() - 1));
    });
    const size_t last = std::min(kw.size() - 1, (size_t)7);
    for (size_t i = 2; i <= last && !Full; ++i) {
        std::wstring rest = kw.substr(i);
        AddEach(from, to, [&](int e) { return KeywordEquals(e, kw, i) && SecondWordStartsWith(e, rest); });
    }
}

int CSuggestion::GetFilterIndex(int result) const
{
    for (size_t i = 0; i + 1 < KeywordStarts.size(); ++i)
        if (KeywordStarts[i] <= result && result < KeywordStarts[i + 1]) return (int)i;
    return 0;
}

std::wstring CSuggestion::GetFilter(int result) const
{
    size_t i = (size_t)GetFilterIndex(result);
    return i < Keywords.size() ? Keywords[i] : std::wstring();
}

std::wstring CSuggestion::GetKeywordText(int entry) const
{
    if (!TDTG || entry < 0 || (size_t)entry >= TDTG->Words.size()) return std::wstring();
    return TDTG->Words[entry];
}

void CSuggestion::AddLastUsedKeyword(const std::wstring& keyword, int entry)
{
    std::vector<int>& list = UsedKeywords[keyword];
    if (!list.empty() && list.front() == entry) return;
    list.erase(std::remove(list.begin(), list.end(), entry), list.end());
    list.insert(list.begin(), entry);
}

// ---------------------------------------------------------------------------
// The used-keywords file

bool CSuggestion::SerializeUsedKeywords(const std::wstring& path) const
{
    if (UsedKeywords.empty()) return true;
    std::string out;
    WriteU32(out, (uint32_t)UsedKeywords.size());
    for (const auto& [kw, list] : UsedKeywords) {
        Utils::WriteString(out, kw);
        WriteU32(out, (uint32_t)list.size());
        for (int e : list) WriteU32(out, (uint32_t)e);
    }
    std::string error;
    if (Utils::ReplaceFile(path, out, error, Utils::UserFileMode)) return true;
    // Only the engine saves the history, and it has no window to say so.
    SettingUtils::ReportCannotWrite(path, error);
    return false;
}

bool CSuggestion::DeserializeUsedKeywords(const std::wstring& path)
{
    std::ifstream in(Utils::ToString(path), std::ios::binary);
    if (!in) return false;
    in.seekg(0, std::ios::end);
    const uint64_t size = (uint64_t)std::max<std::streamoff>(in.tellg(), 0);
    in.seekg(0);
    auto remaining = [&] { return size - (uint64_t)std::max<std::streamoff>(in.tellg(), 0); };

    // Everything is checked against the file's size and the dictionary
    // before the history is replaced: a damaged file gives no history.
    bool ok = true;
    std::map<std::wstring, std::vector<int>> read;
    uint32_t count = ReadU32(in, ok);
    if (!ok || (uint64_t)count * 8 > remaining()) {
        UsedKeywords.clear();
        return false;
    }
    const size_t entries = TDTG ? TDTG->Words.size() : 0;
    for (uint32_t k = 0; k < count && ok; ++k) {
        std::wstring kw = Utils::ReadString(in);
        if (!in) ok = false;
        uint32_t n = ok ? ReadU32(in, ok) : 0;
        if (!ok || (uint64_t)n * 4 > remaining()) {
            ok = false;
            break;
        }
        std::vector<int>& list = read[kw];
        for (uint32_t i = 0; i < n && ok; ++i) {
            uint32_t e = ReadU32(in, ok);
            if (ok && (e >= entries || e > (uint32_t)INT32_MAX)) ok = false;
            if (ok) list.push_back((int)e);
        }
    }
    if (!ok) {
        UsedKeywords.clear();
        return false;
    }
    UsedKeywords = std::move(read);
    return true;
}
