#include "core/UtfConverter.h"

#include <vector>

#include "core/ConvertUTF.h"

static_assert(sizeof(wchar_t) == 4, "wide strings must hold 32-bit code points");

std::u32string UtfConverter::ToUtf32(const std::wstring& text)
{
    std::u32string r(text.size(), U'\0');
    for (size_t i = 0; i < text.size(); ++i) r[i] = (char32_t)(UTF32)text[i];
    return r;
}

std::string UtfConverter::ToUtf8(const std::wstring& text)
{
    std::string buffer(text.size() * 4 + 1, '\0');
    const UTF32* src = reinterpret_cast<const UTF32*>(text.data());
    UTF8* dst = reinterpret_cast<UTF8*>(buffer.data());
    UTF8* const start = dst;
    ConvertUTF32toUTF8(&src, src + text.size(), &dst, dst + buffer.size(), strictConversion);
    size_t n = (size_t)(dst - start);
    while (n > 0 && buffer[n - 1] == '\0') --n;
    buffer.resize(n);
    return buffer;
}

std::wstring UtfConverter::FromUtf8(const char* bytes, size_t length)
{
    std::wstring buffer(length + 1, L'\0');
    const UTF8* src = reinterpret_cast<const UTF8*>(bytes);
    UTF32* dst = reinterpret_cast<UTF32*>(buffer.data());
    UTF32* const start = dst;
    ConvertUTF8toUTF32(&src, src + length, &dst, dst + buffer.size(), strictConversion);
    size_t n = (size_t)(dst - start);
    while (n > 0 && buffer[n - 1] == L'\0') --n;
    buffer.resize(n);
    return buffer;
}

std::wstring UtfConverter::FromUtf8(const std::string& bytes) { return FromUtf8(bytes.data(), bytes.size()); }
