#include "ChuyenMa.h"

#include <unistd.h>

#include <algorithm>
#include <climits>
#include <optional>
#include <stdexcept>
#include <vector>

#include "TV.h"
#include "TuDien.h"
#include "Utils.h"
#include "VanBanUtils.h"

namespace {

// Character -> small integer. Characters of one table lie close together
// (ASCII, Latin-1, U+1EA0-U+1EF9), so a dense array over the busiest span
// answers nearly every look-up with one load; the rest go to a sorted list.
class CharIndex {
public:
    // `entries` sorted by character, no character twice.
    void Build(const std::vector<std::pair<wchar_t, int32_t>>& entries)
    {
        dense_.clear();
        sparse_.clear();
        if (entries.empty()) return;
        // The window of at most kSpan characters that holds most entries.
        size_t best = 0, bestCount = 0;
        for (size_t b = 0, e = 0; b < entries.size(); ++b) {
            while (e < entries.size() && (int64_t)entries[e].first - entries[b].first < kSpan) ++e;
            if (e - b > bestCount) {
                bestCount = e - b;
                best = b;
            }
        }
        lo_ = entries[best].first;
        wchar_t hi = entries[best + bestCount - 1].first;
        dense_.assign((size_t)((int64_t)hi - lo_ + 1), -1);
        for (size_t i = 0; i < entries.size(); ++i) {
            if (i >= best && i < best + bestCount)
                dense_[(size_t)((int64_t)entries[i].first - lo_)] = entries[i].second;
            else
                sparse_.push_back(entries[i]);
        }
    }

    int32_t Find(wchar_t c) const
    {
        uint32_t off = (uint32_t)c - (uint32_t)lo_;
        if (off < dense_.size()) return dense_[off];
        if (sparse_.empty()) return -1;
        auto it = std::lower_bound(sparse_.begin(), sparse_.end(), c,
                                   [](const std::pair<wchar_t, int32_t>& e, wchar_t x) { return e.first < x; });
        return it != sparse_.end() && it->first == c ? it->second : -1;
    }

private:
    static constexpr int64_t kSpan = 1 << 14;
    wchar_t lo_ = 0;
    std::vector<int32_t> dense_;
    std::vector<std::pair<wchar_t, int32_t>> sparse_;
};

// The replacement strings of a table, back to back.
class Values {
public:
    int32_t Add(const std::wstring& v)
    {
        spans_.emplace_back((uint32_t)text_.size(), (uint32_t)v.size());
        text_ += v;
        return (int32_t)spans_.size() - 1;
    }
    void AppendTo(std::wstring& r, int32_t i) const
    {
        const auto& [off, len] = spans_[(size_t)i];
        if (len == 1)
            r.push_back(text_[off]);
        else
            r.append(text_.data() + off, len);
    }

private:
    std::wstring text_;
    std::vector<std::pair<uint32_t, uint32_t>> spans_;
};

// A conversion table compiled into a trie: the first character through a
// CharIndex, the following ones through each node's sorted children. One
// walk along the text finds the longest key at a position, where trying
// every key length in turn would cost one map look-up per length.
class LongestMatch {
public:
    explicit LongestMatch(const std::map<std::wstring, std::wstring>& table)
    {
        // Build with per-node maps (tables are small), then flatten.
        std::vector<std::map<wchar_t, int32_t>> children;
        std::vector<int32_t> value;
        std::map<wchar_t, int32_t> roots;
        for (const auto& [key, v] : table) {
            if (key.empty()) continue;
            int32_t node;
            auto r = roots.find(key[0]);
            if (r == roots.end()) {
                node = (int32_t)value.size();
                roots.emplace(key[0], node);
                value.push_back(-1);
                children.emplace_back();
            } else {
                node = r->second;
            }
            for (size_t k = 1; k < key.size(); ++k) {
                auto c = children[(size_t)node].find(key[k]);
                if (c == children[(size_t)node].end()) {
                    int32_t n = (int32_t)value.size();
                    children[(size_t)node].emplace(key[k], n);
                    value.push_back(-1);
                    children.emplace_back();
                    node = n;
                } else {
                    node = c->second;
                }
            }
            value[(size_t)node] = values_.Add(v);
        }
        nodes_.resize(value.size());
        for (size_t n = 0; n < value.size(); ++n) {
            nodes_[n].value = value[n];
            nodes_[n].begin = (uint32_t)childChar_.size();
            for (const auto& [c, child] : children[n]) {
                childChar_.push_back(c);
                childNode_.push_back(child);
            }
            nodes_[n].end = (uint32_t)childChar_.size();
        }
        root_.Build(std::vector<std::pair<wchar_t, int32_t>>(roots.begin(), roots.end()));
    }

    std::wstring Run(const std::wstring& s) const
    {
        std::wstring r;
        r.reserve(s.size() + s.size() / 4);
        const wchar_t* p = s.data();
        const size_t n = s.size();
        size_t copied = 0; // characters before this are in r
        size_t i = 0;
        while (i < n) {
            int32_t node = root_.Find(p[i]);
            if (node < 0) {
                ++i;
                continue;
            }
            int32_t best = nodes_[(size_t)node].value;
            size_t bestLen = best >= 0 ? 1 : 0;
            for (size_t j = i + 1; j < n; ++j) {
                node = Child(nodes_[(size_t)node], p[j]);
                if (node < 0) break;
                if (nodes_[(size_t)node].value >= 0) {
                    best = nodes_[(size_t)node].value;
                    bestLen = j + 1 - i;
                }
            }
            if (bestLen == 0) {
                ++i;
                continue;
            }
            r.append(p + copied, i - copied);
            values_.AppendTo(r, best);
            i += bestLen;
            copied = i;
        }
        r.append(p + copied, n - copied);
        return r;
    }

private:
    struct Node {
        int32_t value; // index in values_, or -1 when no key ends here
        uint32_t begin, end; // children in childChar_/childNode_
    };

    int32_t Child(const Node& node, wchar_t c) const
    {
        const wchar_t* first = childChar_.data() + node.begin;
        const wchar_t* last = childChar_.data() + node.end;
        if (last - first <= 8) {
            for (const wchar_t* q = first; q < last; ++q)
                if (*q == c) return childNode_[(size_t)(q - childChar_.data())];
            return -1;
        }
        const wchar_t* q = std::lower_bound(first, last, c);
        return q != last && *q == c ? childNode_[(size_t)(q - childChar_.data())] : -1;
    }

    CharIndex root_;
    std::vector<Node> nodes_;
    std::vector<wchar_t> childChar_;
    std::vector<int32_t> childNode_;
    Values values_;
};

// Utils' letter case, looked up in tables. From U+0080 up Utils decides by
// fixed lists, so that part is built once; ASCII goes through the C
// library's locale, so it is read afresh for each user of the map.
class CaseMap {
public:
    CaseMap()
    {
        for (wchar_t c = 0; c < 128; ++c) {
            ascii_[c].letter = Utils::IsAlpha(c);
            ascii_[c].lower = Utils::ToLower(c);
            ascii_[c].upper = Utils::ToUpper(c);
        }
    }
    bool IsLetter(wchar_t c) const
    {
        if ((uint32_t)c < 128) return ascii_[c].letter;
        if ((uint32_t)c < kEnd) return Viet()[(size_t)c - 128].letter;
        return Utils::IsAlpha(c);
    }
    wchar_t Lower(wchar_t c) const
    {
        if ((uint32_t)c < 128) return ascii_[c].lower;
        if ((uint32_t)c < kEnd) return Viet()[(size_t)c - 128].lower;
        return Utils::ToLower(c);
    }
    wchar_t Upper(wchar_t c) const
    {
        if ((uint32_t)c < 128) return ascii_[c].upper;
        if ((uint32_t)c < kEnd) return Viet()[(size_t)c - 128].upper;
        return Utils::ToUpper(c);
    }

private:
    struct Entry {
        bool letter;
        wchar_t lower, upper;
    };
    // Past the last Vietnamese letter (U+1EF9); beyond it Utils is asked.
    static constexpr uint32_t kEnd = 0x1F00;

    static const std::vector<Entry>& Viet()
    {
        static const std::vector<Entry> t = [] {
            std::vector<Entry> v(kEnd - 128);
            for (uint32_t c = 128; c < kEnd; ++c)
                v[c - 128] = {Utils::IsAlpha((wchar_t)c), Utils::ToLower((wchar_t)c), Utils::ToUpper((wchar_t)c)};
            return v;
        }();
        return t;
    }

    Entry ascii_[128];
};

std::map<std::wstring, std::wstring> NguocCua(const std::wstring& name, bool preferLower)
{
    return BangMaUtils::TaoBangMaNguoc(BangMaUtils::LayBangMa(name), preferLower);
}

// A forward table (letter -> form) compiled for per-character look-up.
class ForwardMap {
public:
    explicit ForwardMap(const BangMaMap& table)
    {
        std::vector<std::pair<wchar_t, int32_t>> entries;
        entries.reserve(table.size());
        for (const auto& [letter, form] : table) entries.emplace_back(letter, values_.Add(form));
        index_.Build(entries);
    }

    std::wstring Run(const std::wstring& s) const
    {
        std::wstring r;
        r.reserve(s.size() + s.size() / 4);
        const wchar_t* p = s.data();
        size_t copied = 0;
        for (size_t i = 0; i < s.size(); ++i) {
            int32_t v = index_.Find(p[i]);
            if (v < 0) continue;
            r.append(p + copied, i - copied);
            values_.AppendTo(r, v);
            copied = i + 1;
        }
        r.append(p + copied, s.size() - copied);
        return r;
    }

private:
    CharIndex index_;
    Values values_;
};

// One conversion with its tables built once, for texts that come in pieces.
class Plan {
public:
    explicit Plan(const CChuyenMa& cm) : flags_(cm.Flags)
    {
        const bool preferLower = !(flags_ & ChuyenMaFlags_PreferUpper);
        const std::wstring unicode = BangMaUtils::Unicode;
        modify_ = (flags_ & ChuyenMaFlags_ModifyResult) != 0;
        if (!modify_) {
            if (cm.BangMaNguon == cm.BangMaDich) return;
            if (cm.BangMaNguon == unicode)
                encode_.emplace(BangMaUtils::LayBangMa(cm.BangMaDich));
            else if (cm.BangMaDich != unicode)
                // One pass from source form to target form.
                decode_.emplace(BangMaUtils::TaoBangMa(BangMaUtils::LayBangMa(cm.BangMaNguon),
                                                       BangMaUtils::LayBangMa(cm.BangMaDich), preferLower));
            else
                decode_.emplace(NguocCua(cm.BangMaNguon, preferLower));
            return;
        }
        // The text changes itself, so it goes through Unicode; there is no
        // shortcut for equal names here.
        if (cm.BangMaNguon != unicode) decode_.emplace(NguocCua(cm.BangMaNguon, preferLower));
        if (cm.BangMaDich != unicode) encode_.emplace(BangMaUtils::LayBangMa(cm.BangMaDich));
    }

    std::wstring Run(const std::wstring& source) const
    {
        if (!modify_) {
            if (encode_) return encode_->Run(source);
            if (decode_) return decode_->Run(source);
            return source;
        }
        std::wstring s = decode_ ? decode_->Run(source) : source;
        if (flags_ & (ChuyenMaFlags_ToLower | ChuyenMaFlags_ToUpper)) {
            CaseMap cm;
            if (flags_ & ChuyenMaFlags_ToLower)
                for (wchar_t& c : s) c = cm.Lower(c);
            else
                for (wchar_t& c : s) c = cm.Upper(c);
        }
        if (flags_ & ChuyenMaFlags_XoaDau) s = TV::XoaDauVaDauThanh(s);
        return encode_ ? encode_->Run(s) : s;
    }

private:
    ChuyenMaFlags flags_;
    bool modify_ = false;
    std::optional<LongestMatch> decode_; // decoding, or the direct table
    std::optional<ForwardMap> encode_;
};

// Paths are byte strings held one byte per character (Utils::ToWString);
// a path with a character above U+007F came from text and goes as UTF-8.
std::string NativePath(const std::wstring& path)
{
    for (wchar_t c : path)
        if (c > 0x7F) return VanBanUtils::EncodeUtf8(path);
    return Utils::ToString(path);
}

// The path as a message shows it: absolute, and readable when its bytes are
// UTF-8.
std::wstring PathForMessage(const std::string& path)
{
    std::string full = path;
    if (full.empty() || full[0] != '/') {
        std::vector<char> buf(PATH_MAX + 1);
        if (::getcwd(buf.data(), buf.size())) full = std::string(buf.data()) + "/" + full;
    }
    return VanBanUtils::ReadText(full);
}

size_t LeadingNumber(const std::string& value)
{
    size_t i = 0;
    while (i < value.size() && (value[i] == ' ' || value[i] == '\t')) ++i;
    size_t n = 0;
    for (; i < value.size() && value[i] >= '0' && value[i] <= '9'; ++i)
        n = n > (SIZE_MAX - 9) / 10 ? SIZE_MAX : n * 10 + (size_t)(value[i] - '0');
    return n;
}

std::string Padded(size_t n, size_t width)
{
    std::string s = std::to_string(n);
    if (s.size() < width) s.insert(0, width - s.size(), '0');
    return s;
}

// `value` with its leading number replaced by n, written at least as wide
// as the number it replaces; what follows the digits (a carriage return)
// stays.
std::string WithNumber(const std::string& value, size_t n)
{
    size_t b = 0;
    while (b < value.size() && (value[b] == ' ' || value[b] == '\t')) ++b;
    size_t e = b;
    while (e < value.size() && value[e] >= '0' && value[e] <= '9') ++e;
    return value.substr(0, b) + Padded(n, e - b) + value.substr(e);
}

} // namespace

std::wstring CChuyenMa::ConvertCore(const std::wstring& Source, const std::map<std::wstring, std::wstring>& BangMa)
{
    if (Source.empty() || BangMa.empty()) return Source;
    return LongestMatch(BangMa).Run(Source);
}

std::wstring CChuyenMa::ConvertFromUnicode(const std::wstring& Source, const BangMaMap& BangMa)
{
    if (Source.empty() || BangMa.empty()) return Source;
    return ForwardMap(BangMa).Run(Source);
}

double CChuyenMa::TinhTiLeTuTV(const std::wstring& Source)
{
    CaseMap cm;
    // A combining mark belongs to the letter before it, so it continues the
    // word: "co" + U+0301 is one word (and no dictionary word), not the
    // word "co". Splitting there would let decomposed text pass for
    // precomposed text, since a syllable stripped of its marks is often
    // another syllable.
    auto inWord = [&cm](wchar_t c) { return cm.IsLetter(c) || ((uint32_t)c >= 0x300 && (uint32_t)c <= 0x36F); };
    size_t total = 0, tv = 0;
    std::wstring word;
    const size_t n = Source.size();
    for (size_t i = 0; i < n;) {
        if (!cm.IsLetter(Source[i])) {
            ++i;
            continue;
        }
        word.clear();
        for (; i < n && inWord(Source[i]); ++i) word.push_back(cm.Lower(Source[i]));
        ++total;
        if (TuDien::CoTrongTuDien(word)) ++tv;
    }
    return total == 0 ? 0.0 : (double)tv / (double)total;
}

std::wstring CChuyenMa::Convert(const std::wstring& Source) const { return Plan(*this).Run(Source); }

std::wstring CChuyenMa::DetectBangMa(const std::wstring& Source) const
{
    double tiLe = TinhTiLeTuTV(Source);
    if (tiLe >= TiLeChinhXac) return BangMaUtils::Unicode;
    std::vector<std::wstring> names = BangMaUtils::LayTenTatCaBangMa();
    if (names.size() < 2) return names.empty() ? std::wstring(BangMaUtils::Unicode) : names[0];
    // Every charset is tried and the best score wins (the earlier of
    // equals). Stopping at the first one past the threshold would let near
    // twins win by their place in the list: VPS text read as VISCII, or
    // VIQR text read as any 8-bit charset, keeps 60-70% of its words.
    double tiLeMax = tiLe;
    size_t indexMax = 0;
    for (size_t i = 1; i < names.size(); ++i) {
        // Lower case wins shared forms whatever Flags say: the dictionary
        // holds lower-case words.
        tiLe = TinhTiLeTuTV(ConvertCore(Source, NguocCua(names[i], true)));
        if (tiLe > tiLeMax) {
            tiLeMax = tiLe;
            indexMax = i;
        }
    }
    return names[indexMax];
}

void CChuyenMa::ChuyenMaFile(const std::wstring& FileNguon, const std::wstring& FileDich)
{
    if (FileNguon.empty() || FileDich.empty()) throw std::wstring(L"Tập tin nguồn và đích không hợp lệ");
    std::string nguon = NativePath(FileNguon);
    std::string dich = NativePath(FileDich);
    if (!Utils::FileExists(Utils::ToWString(nguon)))
        throw Utils::Format(L"Tập tin \"%s\" không tồn tại", PathForMessage(nguon));

    std::string bytes, error;
    if (!VanBanUtils::ReadFile(nguon, bytes, error))
        throw Utils::Format(L"Không đọc được tập tin \"%s\"", PathForMessage(nguon));
    // A file that is not UTF-8 is a raw legacy file: one character per
    // byte, which is how the tables spell 8-bit text, and nothing is lost.
    std::wstring text = VanBanUtils::ReadText(bytes);

    if (AutoDetect) BangMaNguon = DetectBangMa(text);
    std::wstring result = Convert(text);
    if (result.empty()) return;
    if (!VanBanUtils::WriteFileAtomic(dich, "\xEF\xBB\xBF" + VanBanUtils::EncodeUtf8(result), error))
        throw Utils::Format(L"Không ghi được tập tin \"%s\"", PathForMessage(dich));
}

std::string CChuyenMa::ConvertHtmlClipboard(const std::string& Source) const
{
    static const std::vector<std::string> kNames = {"Version",       "StartHTML",   "EndHTML",
                                                    "StartFragment", "EndFragment", "StartSelection",
                                                    "EndSelection",  "SourceURL"};
    std::map<std::string, std::string> header;
    for (const std::string& name : kNames) header[name] = "0";

    size_t pos = 0;
    for (int line = 0; line < 8; ++line) {
        size_t end = Source.find('\n', pos);
        std::string text = Source.substr(pos, end == std::string::npos ? std::string::npos : end - pos);
        size_t colon = text.find(':');
        if (colon == std::string::npos) break;
        auto it = header.find(text.substr(0, colon));
        if (it != header.end()) it->second = text.substr(colon + 1);
        if (end == std::string::npos) break;
        pos = end + 1;
    }

    size_t startHtml = LeadingNumber(header["StartHTML"]);
    size_t endHtml = LeadingNumber(header["EndHTML"]);
    size_t startFragment = LeadingNumber(header["StartFragment"]);
    size_t endFragment = LeadingNumber(header["EndFragment"]);
    for (size_t offset : {startHtml, endHtml, startFragment, endFragment})
        if (offset > Source.size()) throw std::out_of_range("HTML clipboard offset beyond the end of the data");
    // A range that ends before it starts runs to the end of the data.
    auto range = [&](size_t from, size_t to) {
        return Source.substr(from, to >= from ? to - from : std::string::npos);
    };
    std::string before = range(startHtml, startFragment);
    std::string fragment = range(startFragment, endFragment);
    std::string after = range(endFragment, endHtml);

    // The fragment is converted as plain text, markup and all. Bytes that
    // are not UTF-8 (an offset inside a character) are copied as they are
    // instead of cutting the fragment short.
    Plan plan(*this);
    std::string converted;
    for (size_t i = 0; i < fragment.size();) {
        size_t bad = fragment.size();
        std::wstring text;
        if (!VanBanUtils::DecodeUtf8(fragment.data() + i, fragment.size() - i, text, &bad)) {
            VanBanUtils::DecodeUtf8(fragment.data() + i, bad, text);
            bad += i;
        } else {
            bad = fragment.size();
        }
        converted += VanBanUtils::EncodeUtf8(plan.Run(text));
        if (bad < fragment.size()) converted += fragment[bad++];
        i = bad;
    }

    // The header is rebuilt with six lines, so its length can differ from
    // the old one (10-digit offsets, dropped selection lines): all four
    // offsets are computed from what is written, so that they locate the
    // document and the fragment in the result. A six-line header with
    // 8-digit end offsets comes out as long as it went in, and then the two
    // start offsets keep their values.
    std::string result;
    size_t newStartHtml = startHtml, newStartFragment = startFragment;
    for (int round = 0; round < 8; ++round) {
        size_t newEndFragment = newStartFragment + converted.size();
        size_t newEndHtml = newEndFragment + after.size();
        result = "Version:" + header["Version"] + "\n" + "StartHTML:" + WithNumber(header["StartHTML"], newStartHtml) +
                 "\n" + "EndHTML:" + Padded(newEndHtml, 8) + "\r\n" + "StartFragment:" +
                 WithNumber(header["StartFragment"], newStartFragment) + "\n" + "EndFragment:" +
                 Padded(newEndFragment, 8) + "\r\n" + "SourceURL:" + header["SourceURL"] + "\n";
        if (result.size() == newStartHtml && newStartFragment == newStartHtml + before.size()) break;
        // Each round only widens numbers, so this settles within a round
        // or two.
        newStartHtml = result.size();
        newStartFragment = newStartHtml + before.size();
    }
    result += before;
    result += converted;
    result += after;
    return result;
}
