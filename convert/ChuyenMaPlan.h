#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "convert/ChuyenMa.h"

// The compiled tables behind CChuyenMa: built once per conversion, then run
// over the whole text or over it block by block.
namespace chuyenma {

// Character -> small integer. Characters of one table lie close together
// (ASCII, Latin-1, U+1EA0-U+1EF9), so a dense array over the busiest span
// answers nearly every look-up with one load; the rest go to a sorted list.
class CharIndex {
public:
    // `entries` sorted by character, no character twice.
    void Build(const std::vector<std::pair<wchar_t, int32_t>>& entries);
    int32_t Find(wchar_t c) const
    {
        uint32_t off = (uint32_t)c - (uint32_t)lo_;
        if (off < dense_.size()) return dense_[off];
        return FindSparse(c);
    }

private:
    int32_t FindSparse(wchar_t c) const;

    static constexpr int64_t kSpan = 1 << 14;
    wchar_t lo_ = 0;
    std::vector<int32_t> dense_;
    std::vector<std::pair<wchar_t, int32_t>> sparse_;
};

// The replacement strings of a table, back to back.
class Values {
public:
    int32_t Add(const std::wstring& v);
    void AppendTo(std::wstring& r, int32_t i) const
    {
        const auto& [off, len] = spans_[(size_t)i];
        if (len == 1)
            r.push_back(text_[off]);
        else
            r.append(text_.data() + off, len);
    }
    std::wstring Get(int32_t i) const { return text_.substr(spans_[(size_t)i].first, spans_[(size_t)i].second); }

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
    explicit LongestMatch(const std::map<std::wstring, std::wstring>& table);
    // Appends the conversion of s[0, n) to `out` and returns how much of s
    // it took. Unless `final`, a key that might continue past the end is
    // left for the next call, so that text given in pieces converts as it
    // would whole.
    size_t Run(const wchar_t* s, size_t n, bool final, std::wstring& out) const;

private:
    struct Node {
        int32_t value;       // index in values_, or -1 when no key ends here
        uint32_t begin, end; // children in childChar_/childNode_
    };
    int32_t Child(const Node& node, wchar_t c) const;

    CharIndex root_;
    std::vector<Node> nodes_;
    std::vector<wchar_t> childChar_;
    std::vector<int32_t> childNode_;
    Values values_;
};

// A forward table (letter -> form) compiled for per-character look-up.
class ForwardMap {
public:
    explicit ForwardMap(const BangMaMap& table);
    void Run(const wchar_t* s, size_t n, std::wstring& out) const;

private:
    CharIndex index_;
    Values values_;
};

// Utils' letter case, looked up in tables. From U+0080 up Utils decides by
// fixed lists, so that part is built once; ASCII goes through the C
// library's locale, so it is read afresh for each user of the map.
class CaseMap {
public:
    CaseMap();
    bool IsLetter(wchar_t c) const
    {
        if ((uint32_t)c < 128) return ascii_[c].letter;
        if ((uint32_t)c < kEnd) return Viet()[(size_t)c - 128].letter;
        return SlowIsLetter(c);
    }
    wchar_t Lower(wchar_t c) const
    {
        if ((uint32_t)c < 128) return ascii_[c].lower;
        if ((uint32_t)c < kEnd) return Viet()[(size_t)c - 128].lower;
        return SlowLower(c);
    }
    wchar_t Upper(wchar_t c) const
    {
        if ((uint32_t)c < 128) return ascii_[c].upper;
        if ((uint32_t)c < kEnd) return Viet()[(size_t)c - 128].upper;
        return SlowUpper(c);
    }

private:
    struct Entry {
        bool letter;
        wchar_t lower, upper;
    };
    // Past the last Vietnamese letter (U+1EF9); beyond it Utils is asked.
    static constexpr uint32_t kEnd = 0x1F00;
    static const std::vector<Entry>& Viet();
    static bool SlowIsLetter(wchar_t c);
    static wchar_t SlowLower(wchar_t c);
    static wchar_t SlowUpper(wchar_t c);

    Entry ascii_[128];
};

// Encoded form -> letter, for the charset called `name`.
std::map<std::wstring, std::wstring> NguocCua(const std::wstring& name, bool preferLower);

// One conversion with its tables built once, for texts that come in pieces.
class Plan {
public:
    explicit Plan(const CChuyenMa& cm);

    std::wstring Run(const std::wstring& source) const;
    // Appends the conversion of s[0, n) to `out`; returns how much of s it
    // took (all of it when `final`). `scratch` is working space.
    size_t Run(const wchar_t* s, size_t n, bool final, std::wstring& out, std::wstring& scratch) const;

    // What the plan is made of, for converters that work on bytes: a plan
    // that does not change the text itself is one of the two tables, or
    // none (the same charset on both sides).
    bool Modifies() const { return modify_; }
    const std::optional<std::map<std::wstring, std::wstring>>& DecodeTable() const { return decodeTable_; }
    const std::optional<BangMaMap>& EncodeTable() const { return encodeTable_; }

private:
    ChuyenMaFlags flags_;
    bool modify_ = false;
    std::optional<std::map<std::wstring, std::wstring>> decodeTable_; // decoding, or the direct table
    std::optional<BangMaMap> encodeTable_;
    std::optional<LongestMatch> decode_;
    std::optional<ForwardMap> encode_;
    std::optional<CaseMap> case_;
};

} // namespace chuyenma
