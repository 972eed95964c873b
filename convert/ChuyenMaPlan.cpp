#include "convert/ChuyenMaPlan.h"

#include <algorithm>

#include "core/BangMaUtils.h"
#include "core/TV.h"
#include "core/Utils.h"

namespace chuyenma {

void CharIndex::Build(const std::vector<std::pair<wchar_t, int32_t>>& entries)
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

int32_t CharIndex::FindSparse(wchar_t c) const
{
    if (sparse_.empty()) return -1;
    auto it = std::lower_bound(sparse_.begin(), sparse_.end(), c,
                               [](const std::pair<wchar_t, int32_t>& e, wchar_t x) { return e.first < x; });
    return it != sparse_.end() && it->first == c ? it->second : -1;
}

int32_t Values::Add(const std::wstring& v)
{
    spans_.emplace_back((uint32_t)text_.size(), (uint32_t)v.size());
    text_ += v;
    return (int32_t)spans_.size() - 1;
}

LongestMatch::LongestMatch(const std::map<std::wstring, std::wstring>& table)
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

size_t LongestMatch::Run(const wchar_t* p, size_t n, bool final, std::wstring& r) const
{
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
        for (size_t j = i + 1;; ++j) {
            if (j == n) {
                // The text goes on in the next piece: the key may too.
                if (!final && nodes_[(size_t)node].end > nodes_[(size_t)node].begin) {
                    r.append(p + copied, i - copied);
                    return i;
                }
                break;
            }
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
    return n;
}

int32_t LongestMatch::Child(const Node& node, wchar_t c) const
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

ForwardMap::ForwardMap(const BangMaMap& table)
{
    std::vector<std::pair<wchar_t, int32_t>> entries;
    entries.reserve(table.size());
    for (const auto& [letter, form] : table) entries.emplace_back(letter, values_.Add(form));
    index_.Build(entries);
}

void ForwardMap::Run(const wchar_t* p, size_t n, std::wstring& r) const
{
    size_t copied = 0;
    for (size_t i = 0; i < n; ++i) {
        int32_t v = index_.Find(p[i]);
        if (v < 0) continue;
        r.append(p + copied, i - copied);
        values_.AppendTo(r, v);
        copied = i + 1;
    }
    r.append(p + copied, n - copied);
}

CaseMap::CaseMap()
{
    for (wchar_t c = 0; c < 128; ++c) {
        ascii_[c].letter = Utils::IsAlpha(c);
        ascii_[c].lower = Utils::ToLower(c);
        ascii_[c].upper = Utils::ToUpper(c);
    }
}

const std::vector<CaseMap::Entry>& CaseMap::Viet()
{
    static const std::vector<Entry> t = [] {
        std::vector<Entry> v(kEnd - 128);
        for (uint32_t c = 128; c < kEnd; ++c)
            v[c - 128] = {Utils::IsAlpha((wchar_t)c), Utils::ToLower((wchar_t)c), Utils::ToUpper((wchar_t)c)};
        return v;
    }();
    return t;
}

bool CaseMap::SlowIsLetter(wchar_t c) { return Utils::IsAlpha(c); }
wchar_t CaseMap::SlowLower(wchar_t c) { return Utils::ToLower(c); }
wchar_t CaseMap::SlowUpper(wchar_t c) { return Utils::ToUpper(c); }

std::map<std::wstring, std::wstring> NguocCua(const std::wstring& name, bool preferLower)
{
    return BangMaUtils::TaoBangMaNguoc(BangMaUtils::LayBangMa(name), preferLower);
}

Plan::Plan(const CChuyenMa& cm) : flags_(cm.Flags)
{
    const bool preferLower = !(flags_ & ChuyenMaFlags_PreferUpper);
    const std::wstring unicode = BangMaUtils::Unicode;
    modify_ = (flags_ & ChuyenMaFlags_ModifyResult) != 0;
    if (!modify_) {
        if (cm.BangMaNguon == cm.BangMaDich) return;
        if (cm.BangMaNguon == unicode)
            encodeTable_.emplace(BangMaUtils::LayBangMa(cm.BangMaDich));
        else if (cm.BangMaDich != unicode)
            // One pass from source form to target form.
            decodeTable_.emplace(BangMaUtils::TaoBangMa(BangMaUtils::LayBangMa(cm.BangMaNguon),
                                                        BangMaUtils::LayBangMa(cm.BangMaDich), preferLower));
        else
            decodeTable_.emplace(NguocCua(cm.BangMaNguon, preferLower));
    } else {
        // The text changes itself, so it goes through Unicode; there is no
        // shortcut for equal names here.
        if (cm.BangMaNguon != unicode) decodeTable_.emplace(NguocCua(cm.BangMaNguon, preferLower));
        if (cm.BangMaDich != unicode) encodeTable_.emplace(BangMaUtils::LayBangMa(cm.BangMaDich));
    }
    if (flags_ & (ChuyenMaFlags_ToLower | ChuyenMaFlags_ToUpper)) case_.emplace();
    if (decodeTable_) decode_.emplace(*decodeTable_);
    if (encodeTable_) encode_.emplace(*encodeTable_);
}

std::wstring Plan::Run(const std::wstring& source) const
{
    if (!modify_ && !decode_ && !encode_) return source;
    std::wstring r, scratch;
    r.reserve(source.size() + source.size() / 4);
    Run(source.data(), source.size(), true, r, scratch);
    return r;
}

size_t Plan::Run(const wchar_t* s, size_t n, bool final, std::wstring& out, std::wstring& scratch) const
{
    if (!modify_) {
        if (encode_) {
            encode_->Run(s, n, out);
            return n;
        }
        if (decode_) return decode_->Run(s, n, final, out);
        out.append(s, n);
        return n;
    }
    size_t taken = n;
    scratch.clear();
    if (decode_)
        taken = decode_->Run(s, n, final, scratch);
    else
        scratch.assign(s, n);
    if (case_) {
        if (flags_ & ChuyenMaFlags_ToLower)
            for (wchar_t& c : scratch) c = case_->Lower(c);
        else
            for (wchar_t& c : scratch) c = case_->Upper(c);
    }
    if (flags_ & ChuyenMaFlags_XoaDau)
        for (wchar_t& c : scratch) c = TV::XoaDauVaDauThanh(c);
    if (encode_)
        encode_->Run(scratch.data(), scratch.size(), out);
    else
        out += scratch;
    return taken;
}

} // namespace chuyenma
