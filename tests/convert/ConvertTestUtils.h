#pragma once

#include <iconv.h>

#include <fstream>
#include <string>
#include <vector>

#include "convert/ChuyenMa.h"
#include "convert/VanBanUtils.h"
#include "core/BangMaUtils.h"
#include "core/Utils.h"

namespace testutil {

inline std::string ReadBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

inline std::wstring Decode(const std::string& bytes)
{
    std::wstring t;
    VanBanUtils::DecodeUtf8(bytes, t);
    return t;
}

inline std::string Utf8(const std::wstring& s) { return VanBanUtils::EncodeUtf8(s); }

// The real text the tests convert: the Viet74K word list (proper names,
// compounds, some punctuation), or the shipped compound-word list when the
// shared data is not at hand.
inline const std::wstring& WordList()
{
    static const std::wstring text = [] {
        std::string bytes = ReadBytes(LIRANO_DATA_DIR "/wordlists/Viet74K.txt");
        if (bytes.empty()) {
            bytes = ReadBytes(Utils::ToString(Utils::GetExeFolder()) + "/Resources/TuDienTuGhep.txt");
            bytes.erase(0, bytes.find('\n') + 1); // the count line
        }
        return Decode(bytes);
    }();
    return text;
}

// A few paragraphs of running prose, capitals and punctuation included.
inline const std::wstring& Paragraphs()
{
    static const std::wstring text = Decode(ReadBytes(LIRANO_CONVERT_DATA "/VanBan.txt"));
    return text;
}

inline std::vector<std::wstring> Lines(const std::wstring& s)
{
    std::vector<std::wstring> r;
    size_t start = 0;
    for (;;) {
        size_t end = s.find(L'\n', start);
        r.push_back(s.substr(start, end == std::wstring::npos ? std::wstring::npos : end - start));
        if (end == std::wstring::npos) return r;
        start = end + 1;
    }
}

// Every shipped charset but "Unicode" itself.
inline std::vector<std::wstring> Shipped()
{
    std::vector<std::wstring> r(BangMaUtils::TenCacBangMaCoSan.begin() + 1, BangMaUtils::TenCacBangMaCoSan.end());
    return r;
}

inline std::wstring Convert(const std::wstring& text, const std::wstring& from, const std::wstring& to,
                            ChuyenMaFlags flags = ChuyenMaFlags_Normal)
{
    CChuyenMa cm;
    cm.BangMaNguon = from;
    cm.BangMaDich = to;
    cm.Flags = flags;
    return cm.Convert(text);
}

// The 8-bit text as the bytes of a file.
inline std::string Bytes(const std::wstring& units)
{
    std::string b;
    VanBanUtils::ToBytes(units, b);
    return b;
}

// glibc's iconv(3) on a whole buffer; false when it refuses some input.
inline bool Iconv(const char* to, const char* from, const std::string& in, std::string& out)
{
    iconv_t cd = iconv_open(to, from);
    if (cd == (iconv_t)-1) return false;
    out.assign(in.size() * 4 + 16, '\0');
    char* ip = const_cast<char*>(in.data());
    char* op = out.data();
    size_t il = in.size(), ol = out.size();
    size_t rc = iconv(cd, &ip, &il, &op, &ol);
    size_t flushed = iconv(cd, nullptr, nullptr, &op, &ol); // a pending base letter
    iconv_close(cd);
    out.resize(out.size() - ol);
    return rc != (size_t)-1 && flushed != (size_t)-1 && il == 0;
}

} // namespace testutil
