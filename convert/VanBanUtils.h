#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// Text as it lies in files: UTF-8, or one byte per code unit for the 8-bit
// charsets (the form the charset tables use, U+0000-U+00FF per byte).
//
// The core's UTF-8 helpers stop at the first bad byte and drop trailing
// NULs; these keep every unit, so that a conversion never shortens a file.
class VanBanUtils {
public:
    // Length of the UTF-8 sequence at p (1-4) and its value, or 0 when the
    // bytes there form no legal sequence.
    static size_t Utf8Sequence(const unsigned char* p, size_t left, uint32_t& value)
    {
        unsigned char b = p[0];
        if (b < 0x80) {
            value = b;
            return 1;
        }
        size_t n;
        uint32_t min;
        if (b >= 0xC2 && b <= 0xDF) {
            n = 2;
            value = b & 0x1F;
            min = 0x80;
        } else if (b >= 0xE0 && b <= 0xEF) {
            n = 3;
            value = b & 0x0F;
            min = 0x800;
        } else if (b >= 0xF0 && b <= 0xF4) {
            n = 4;
            value = b & 0x07;
            min = 0x10000;
        } else {
            return 0;
        }
        if (left < n) return 0;
        for (size_t i = 1; i < n; ++i) {
            if ((p[i] & 0xC0) != 0x80) return 0;
            value = (value << 6) | (p[i] & 0x3F);
        }
        if (value < min || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return 0;
        return n;
    }

    // Strict UTF-8: no overlong forms, surrogates or values above U+10FFFF.
    // On failure `text` is left alone and `badAt` (if given) gets the byte
    // offset of the first bad sequence.
    static bool DecodeUtf8(const char* bytes, size_t length, std::wstring& text, size_t* badAt = nullptr);
    static bool DecodeUtf8(const std::string& bytes, std::wstring& text, size_t* badAt = nullptr);
    // Every unit, NUL included; a value that is no Unicode scalar value
    // (negative, a surrogate, above U+10FFFF) is written as U+FFFD.
    static std::string EncodeUtf8(const std::wstring& text);

    // One character U+0000-U+00FF per byte.
    static std::wstring FromBytes(const std::string& bytes);
    // One byte per unit; false when a unit lies outside 0-255 (its index
    // goes to `badAt`), and then `bytes` is left alone.
    static bool ToBytes(const std::wstring& text, std::string& bytes, size_t* badAt = nullptr);

    static bool HasBom(const std::string& bytes);
    // A file's text as the converter reads it: UTF-8 (the byte-order mark
    // dropped) when the bytes are valid UTF-8, else one character per byte
    // with nothing dropped. `wasUtf8` tells which reading was taken.
    static std::wstring ReadText(const std::string& bytes, bool* wasUtf8 = nullptr);
};
