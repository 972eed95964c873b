#pragma once

#include <string>

// Conversions between the program's wide strings (one code point per
// element) and the UTF forms used in files and at library boundaries.
class UtfConverter {
public:
    static std::u32string ToUtf32(const std::wstring& text);
    // Strict: stops at a surrogate; writes U+FFFD for values above U+10FFFF.
    static std::string ToUtf8(const std::wstring& text);
    // Strict: stops at the first incomplete or illegal sequence.
    static std::wstring FromUtf8(const std::string& bytes);
    static std::wstring FromUtf8(const char* bytes, size_t length);
};
