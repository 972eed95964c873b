#include "core/ConvertUTF.h"

namespace {

const int halfShift = 10;
const UTF32 halfBase = 0x0010000UL;
const UTF32 halfMask = 0x3FFUL;
const UTF32 surHighStart = 0xD800;
const UTF32 surHighEnd = 0xDBFF;
const UTF32 surLowStart = 0xDC00;
const UTF32 surLowEnd = 0xDFFF;

// Legality of one complete sequence of `length` bytes: no overlong forms,
// no surrogates, nothing above U+10FFFF, at most four bytes.
bool isLegalUTF8(const UTF8* source, int length)
{
    UTF8 a;
    const UTF8* srcptr = source + length;
    switch (length) {
    default: return false;
    case 4:
        if ((a = (*--srcptr)) < 0x80 || a > 0xBF) return false;
        [[fallthrough]];
    case 3:
        if ((a = (*--srcptr)) < 0x80 || a > 0xBF) return false;
        [[fallthrough]];
    case 2:
        // Every continuation byte is 0x80-0xBF, also after E0, ED, F0, F4
        // (without the lower bound, ED or F4 followed by ASCII decoded as
        // one character and swallowed the ASCII byte).
        if ((a = (*--srcptr)) < 0x80 || a > 0xBF) return false;
        switch (*source) {
        case 0xE0:
            if (a < 0xA0) return false;
            break;
        case 0xED:
            if (a > 0x9F) return false;
            break;
        case 0xF0:
            if (a < 0x90) return false;
            break;
        case 0xF4:
            if (a > 0x8F) return false;
            break;
        default:
            if (a < 0x80) return false;
        }
        [[fallthrough]];
    case 1:
        if (*source >= 0x80 && *source < 0xC2) return false;
    }
    if (*source > 0xF4) return false;
    return true;
}

// Bytes needed to write ch, with ch replaced when it cannot be written.
int bytesFor(UTF32& ch, ConversionResult& result)
{
    if (ch < 0x80) return 1;
    if (ch < 0x800) return 2;
    if (ch < 0x10000) return 3;
    if (ch <= UNI_MAX_LEGAL_UTF32) return 4;
    ch = UNI_REPLACEMENT_CHAR;
    result = sourceIllegal;
    return 3;
}

void writeUTF8(UTF8*& target, UTF32 ch, int bytesToWrite)
{
    const UTF32 byteMask = 0xBF;
    const UTF32 byteMark = 0x80;
    target += bytesToWrite;
    switch (bytesToWrite) {
    case 4:
        *--target = (UTF8)((ch | byteMark) & byteMask);
        ch >>= 6;
        [[fallthrough]];
    case 3:
        *--target = (UTF8)((ch | byteMark) & byteMask);
        ch >>= 6;
        [[fallthrough]];
    case 2:
        *--target = (UTF8)((ch | byteMark) & byteMask);
        ch >>= 6;
        [[fallthrough]];
    case 1: *--target = (UTF8)(ch | firstByteMark[bytesToWrite]);
    }
    target += bytesToWrite;
}

// Decodes one sequence whose legality was checked; advances source.
UTF32 readUTF8(const UTF8*& source, int extraBytesToRead)
{
    UTF32 ch = 0;
    switch (extraBytesToRead) {
    case 5:
        ch += *source++;
        ch <<= 6;
        [[fallthrough]];
    case 4:
        ch += *source++;
        ch <<= 6;
        [[fallthrough]];
    case 3:
        ch += *source++;
        ch <<= 6;
        [[fallthrough]];
    case 2:
        ch += *source++;
        ch <<= 6;
        [[fallthrough]];
    case 1:
        ch += *source++;
        ch <<= 6;
        [[fallthrough]];
    case 0: ch += *source++;
    }
    return ch - offsetsFromUTF8[extraBytesToRead];
}

} // namespace

const char trailingBytesForUTF8[256] = {
    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
    0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1,
    1, 1, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 3, 3, 3, 3, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5};

const UTF32 offsetsFromUTF8[6] = {0x00000000UL, 0x00003080UL, 0x000E2080UL, 0x03C82080UL, 0xFA082080UL, 0x82082080UL};

const UTF8 firstByteMark[7] = {0x00, 0x00, 0xC0, 0xE0, 0xF0, 0xF8, 0xFC};

ConversionResult ConvertUTF32toUTF16(const UTF32** sourceStart, const UTF32* sourceEnd, UTF16** targetStart,
                                     UTF16* targetEnd, ConversionFlags flags)
{
    ConversionResult result = conversionOK;
    const UTF32* source = *sourceStart;
    UTF16* target = *targetStart;
    while (source < sourceEnd) {
        if (target >= targetEnd) {
            result = targetExhausted;
            break;
        }
        UTF32 ch = *source++;
        if (ch <= UNI_MAX_BMP) {
            if (ch >= surHighStart && ch <= surLowEnd) {
                if (flags == strictConversion) {
                    --source;
                    result = sourceIllegal;
                    break;
                }
                *target++ = (UTF16)UNI_REPLACEMENT_CHAR;
            } else {
                *target++ = (UTF16)ch;
            }
        } else if (ch > UNI_MAX_LEGAL_UTF32) {
            if (flags == strictConversion) {
                result = sourceIllegal;
            } else {
                *target++ = (UTF16)UNI_REPLACEMENT_CHAR;
            }
        } else {
            if (target + 1 >= targetEnd) {
                --source;
                result = targetExhausted;
                break;
            }
            ch -= halfBase;
            *target++ = (UTF16)((ch >> halfShift) + surHighStart);
            *target++ = (UTF16)((ch & halfMask) + surLowStart);
        }
    }
    *sourceStart = source;
    *targetStart = target;
    return result;
}

ConversionResult ConvertUTF16toUTF32(const UTF16** sourceStart, const UTF16* sourceEnd, UTF32** targetStart,
                                     UTF32* targetEnd, ConversionFlags flags)
{
    ConversionResult result = conversionOK;
    const UTF16* source = *sourceStart;
    UTF32* target = *targetStart;
    while (source < sourceEnd) {
        const UTF16* oldSource = source;
        UTF32 ch = *source++;
        if (ch >= surHighStart && ch <= surHighEnd) {
            if (source < sourceEnd) {
                UTF32 ch2 = *source;
                if (ch2 >= surLowStart && ch2 <= surLowEnd) {
                    ch = ((ch - surHighStart) << halfShift) + (ch2 - surLowStart) + halfBase;
                    ++source;
                } else if (flags == strictConversion) {
                    --source;
                    result = sourceIllegal;
                    break;
                }
            } else {
                --source;
                result = sourceExhausted;
                break;
            }
        } else if (flags == strictConversion && ch >= surLowStart && ch <= surLowEnd) {
            --source;
            result = sourceIllegal;
            break;
        }
        if (target >= targetEnd) {
            source = oldSource;
            result = targetExhausted;
            break;
        }
        *target++ = ch;
    }
    *sourceStart = source;
    *targetStart = target;
    return result;
}

ConversionResult ConvertUTF16toUTF8(const UTF16** sourceStart, const UTF16* sourceEnd, UTF8** targetStart,
                                    UTF8* targetEnd, ConversionFlags flags)
{
    ConversionResult result = conversionOK;
    const UTF16* source = *sourceStart;
    UTF8* target = *targetStart;
    while (source < sourceEnd) {
        const UTF16* oldSource = source;
        UTF32 ch = *source++;
        if (ch >= surHighStart && ch <= surHighEnd) {
            if (source < sourceEnd) {
                UTF32 ch2 = *source;
                if (ch2 >= surLowStart && ch2 <= surLowEnd) {
                    ch = ((ch - surHighStart) << halfShift) + (ch2 - surLowStart) + halfBase;
                    ++source;
                } else if (flags == strictConversion) {
                    --source;
                    result = sourceIllegal;
                    break;
                }
            } else {
                --source;
                result = sourceExhausted;
                break;
            }
        } else if (flags == strictConversion && ch >= surLowStart && ch <= surLowEnd) {
            --source;
            result = sourceIllegal;
            break;
        }
        int bytesToWrite = bytesFor(ch, result);
        if (target + bytesToWrite > targetEnd) {
            source = oldSource;
            result = targetExhausted;
            break;
        }
        writeUTF8(target, ch, bytesToWrite);
    }
    *sourceStart = source;
    *targetStart = target;
    return result;
}

ConversionResult ConvertUTF32toUTF8(const UTF32** sourceStart, const UTF32* sourceEnd, UTF8** targetStart,
                                    UTF8* targetEnd, ConversionFlags flags)
{
    ConversionResult result = conversionOK;
    const UTF32* source = *sourceStart;
    UTF8* target = *targetStart;
    while (source < sourceEnd) {
        UTF32 ch = *source++;
        if (flags == strictConversion && ch >= surHighStart && ch <= surLowEnd) {
            --source;
            result = sourceIllegal;
            break;
        }
        int bytesToWrite = bytesFor(ch, result);
        if (target + bytesToWrite > targetEnd) {
            --source;
            result = targetExhausted;
            break;
        }
        writeUTF8(target, ch, bytesToWrite);
    }
    *sourceStart = source;
    *targetStart = target;
    return result;
}

ConversionResult ConvertUTF8toUTF32(const UTF8** sourceStart, const UTF8* sourceEnd, UTF32** targetStart,
                                    UTF32* targetEnd, ConversionFlags flags)
{
    ConversionResult result = conversionOK;
    const UTF8* source = *sourceStart;
    UTF32* target = *targetStart;
    while (source < sourceEnd) {
        int extraBytesToRead = trailingBytesForUTF8[*source];
        if (extraBytesToRead >= sourceEnd - source) {
            result = sourceExhausted;
            break;
        }
        if (!isLegalUTF8(source, extraBytesToRead + 1)) {
            result = sourceIllegal;
            break;
        }
        if (target >= targetEnd) {
            result = targetExhausted;
            break;
        }
        UTF32 ch = readUTF8(source, extraBytesToRead);
        if (ch <= UNI_MAX_LEGAL_UTF32) {
            if (ch >= surHighStart && ch <= surLowEnd) {
                if (flags == strictConversion) {
                    source -= (extraBytesToRead + 1);
                    result = sourceIllegal;
                    break;
                }
                *target++ = UNI_REPLACEMENT_CHAR;
            } else {
                *target++ = ch;
            }
        } else {
            result = sourceIllegal;
            *target++ = UNI_REPLACEMENT_CHAR;
        }
    }
    *sourceStart = source;
    *targetStart = target;
    return result;
}

ConversionResult ConvertUTF8toUTF16(const UTF8** sourceStart, const UTF8* sourceEnd, UTF16** targetStart,
                                    UTF16* targetEnd, ConversionFlags flags)
{
    ConversionResult result = conversionOK;
    const UTF8* source = *sourceStart;
    UTF16* target = *targetStart;
    while (source < sourceEnd) {
        int extraBytesToRead = trailingBytesForUTF8[*source];
        if (extraBytesToRead >= sourceEnd - source) {
            result = sourceExhausted;
            break;
        }
        if (!isLegalUTF8(source, extraBytesToRead + 1)) {
            result = sourceIllegal;
            break;
        }
        const UTF8* oldSource = source;
        UTF32 ch = readUTF8(source, extraBytesToRead);
        if (target >= targetEnd) {
            source = oldSource;
            result = targetExhausted;
            break;
        }
        if (ch <= UNI_MAX_BMP) {
            if (ch >= surHighStart && ch <= surLowEnd) {
                if (flags == strictConversion) {
                    source = oldSource;
                    result = sourceIllegal;
                    break;
                }
                *target++ = (UTF16)UNI_REPLACEMENT_CHAR;
            } else {
                *target++ = (UTF16)ch;
            }
        } else if (ch > UNI_MAX_UTF16) {
            if (flags == strictConversion) {
                result = sourceIllegal;
                source = oldSource;
                break;
            }
            *target++ = (UTF16)UNI_REPLACEMENT_CHAR;
        } else {
            if (target + 1 >= targetEnd) {
                source = oldSource;
                result = targetExhausted;
                break;
            }
            ch -= halfBase;
            *target++ = (UTF16)((ch >> halfShift) + surHighStart);
            *target++ = (UTF16)((ch & halfMask) + surLowStart);
        }
    }
    *sourceStart = source;
    *targetStart = target;
    return result;
}

Boolean isLegalUTF8Sequence(const UTF8* source, const UTF8* sourceEnd)
{
    int length = trailingBytesForUTF8[*source] + 1;
    if (length > sourceEnd - source) return false;
    return isLegalUTF8(source, length);
}
