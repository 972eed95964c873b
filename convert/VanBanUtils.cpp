#include "convert/VanBanUtils.h"

#include <algorithm>
#include <cstdint>

namespace {

const char kBom[] = "\xEF\xBB\xBF";

} // namespace

bool VanBanUtils::DecodeUtf8(const char* bytes, size_t length, std::wstring& text, size_t* badAt)
{
    const unsigned char* p = reinterpret_cast<const unsigned char*>(bytes);
    std::wstring r;
    // Not all of it: a caller that stops at every bad byte of a long text
    // would pay for the whole rest each time.
    r.reserve(std::min<size_t>(length, 1 << 16));
    size_t i = 0;
    while (i < length) {
        // Runs of ASCII are the common case.
        if (p[i] < 0x80) {
            r.push_back((wchar_t)p[i++]);
            continue;
        }
        uint32_t v;
        size_t n = Utf8Sequence(p + i, length - i, v);
        if (n == 0) {
            if (badAt) *badAt = i;
            return false;
        }
        r.push_back((wchar_t)v);
        i += n;
    }
    text.swap(r);
    return true;
}

bool VanBanUtils::DecodeUtf8(const std::string& bytes, std::wstring& text, size_t* badAt)
{
    return DecodeUtf8(bytes.data(), bytes.size(), text, badAt);
}

std::string VanBanUtils::EncodeUtf8(const std::wstring& text)
{
    std::string r;
    r.reserve(text.size() + text.size() / 2);
    for (wchar_t wc : text) {
        uint32_t c = (uint32_t)wc;
        if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) c = 0xFFFD;
        if (c < 0x80) {
            r.push_back((char)c);
        } else if (c < 0x800) {
            r.push_back((char)(0xC0 | (c >> 6)));
            r.push_back((char)(0x80 | (c & 0x3F)));
        } else if (c < 0x10000) {
            r.push_back((char)(0xE0 | (c >> 12)));
            r.push_back((char)(0x80 | ((c >> 6) & 0x3F)));
            r.push_back((char)(0x80 | (c & 0x3F)));
        } else {
            r.push_back((char)(0xF0 | (c >> 18)));
            r.push_back((char)(0x80 | ((c >> 12) & 0x3F)));
            r.push_back((char)(0x80 | ((c >> 6) & 0x3F)));
            r.push_back((char)(0x80 | (c & 0x3F)));
        }
    }
    return r;
}

std::wstring VanBanUtils::FromBytes(const std::string& bytes)
{
    std::wstring r(bytes.size(), L'\0');
    for (size_t i = 0; i < bytes.size(); ++i) r[i] = (wchar_t)(unsigned char)bytes[i];
    return r;
}

bool VanBanUtils::ToBytes(const std::wstring& text, std::string& bytes, size_t* badAt)
{
    std::string r(text.size(), '\0');
    for (size_t i = 0; i < text.size(); ++i) {
        if ((uint32_t)text[i] > 0xFF) {
            if (badAt) *badAt = i;
            return false;
        }
        r[i] = (char)(unsigned char)text[i];
    }
    bytes.swap(r);
    return true;
}

bool VanBanUtils::HasBom(const std::string& bytes) { return bytes.compare(0, 3, kBom) == 0; }

std::wstring VanBanUtils::ReadText(const std::string& bytes, bool* wasUtf8)
{
    size_t skip = HasBom(bytes) ? 3 : 0;
    std::wstring text;
    bool utf8 = DecodeUtf8(bytes.data() + skip, bytes.size() - skip, text);
    if (!utf8) text = FromBytes(bytes);
    if (wasUtf8) *wasUtf8 = utf8;
    return text;
}
