#include <gtest/gtest.h>

#include "core/ConvertUTF.h"
#include "core/UtfConverter.h"

TEST(Utf8, RoundTripsVietnameseAndAstralText)
{
    std::wstring text = L"Tiếng Việt đường ĐƯỜNG 😀 \u00e9";
    std::string bytes = UtfConverter::ToUtf8(text);
    EXPECT_EQ(bytes,
              "Ti\xE1\xBA\xBFng Vi\xE1\xBB\x87t \xC4\x91\xC6\xB0\xE1\xBB\x9Dng \xC4\x90\xC6\xAF\xE1\xBB\x9CNG "
              "\xF0\x9F\x98\x80 \xC3\xA9");
    EXPECT_EQ(UtfConverter::FromUtf8(bytes), text);
}

TEST(Utf8, DecodingStopsAtFirstIllegalOrIncompleteSequence)
{
    // A lone continuation byte ends the text decoded so far.
    EXPECT_EQ(UtfConverter::FromUtf8(UtfConverter::ToUtf8(L"việt") + "\x80" + "a"), L"việt");
    // Overlong form, encoded surrogate, above U+10FFFF, five-byte lead.
    EXPECT_EQ(UtfConverter::FromUtf8("ab\xC0\xAF"
                                     "c"),
              L"ab");
    EXPECT_EQ(UtfConverter::FromUtf8("ab\xED\xA0\x80"
                                     "c"),
              L"ab");
    EXPECT_EQ(UtfConverter::FromUtf8("ab\xF4\x90\x80\x80"
                                     "c"),
              L"ab");
    EXPECT_EQ(UtfConverter::FromUtf8("ab\xF8\x88\x80\x80\x80"), L"ab");
    // A lead byte followed by ASCII is illegal, whatever the lead.
    EXPECT_EQ(UtfConverter::FromUtf8("z\xED=\x8D"), L"z");
    EXPECT_EQ(UtfConverter::FromUtf8("z\xF4=\x8D\x8D"), L"z");
    EXPECT_EQ(UtfConverter::FromUtf8("z\xE0=\x8D"), L"z");
    // A sequence cut by the end of input.
    EXPECT_EQ(UtfConverter::FromUtf8("ab\xE1\xBA"), L"ab");
    EXPECT_EQ(UtfConverter::FromUtf8(""), L"");
    // Trailing NULs are dropped, inner ones kept.
    EXPECT_EQ(UtfConverter::FromUtf8(std::string("a\0b\0\0", 5)), std::wstring(L"a\0b", 3));
}

TEST(Utf8, EncodingStopsAtSurrogateAndReplacesOutOfRange)
{
    std::wstring s = L"ab";
    s += (wchar_t)0xD800;
    s += L"c";
    EXPECT_EQ(UtfConverter::ToUtf8(s), "ab");

    std::wstring big = L"a";
    big += (wchar_t)0x110000;
    big += L"b";
    EXPECT_EQ(UtfConverter::ToUtf8(big),
              "a\xEF\xBF\xBD"
              "b");

    // A text ending in U+0000 loses it.
    EXPECT_EQ(UtfConverter::ToUtf8(std::wstring(L"xy\0", 3)), "xy");
}

TEST(Utf8, ReturnCodesOfTheConversionRoutines)
{
    const UTF8 ok[] = {0x61, 0xC3, 0xA9};
    UTF32 out[8];
    const UTF8* s = ok;
    UTF32* t = out;
    EXPECT_EQ(ConvertUTF8toUTF32(&s, ok + 3, &t, out + 8, strictConversion), conversionOK);
    EXPECT_EQ(t - out, 2);
    EXPECT_EQ(out[1], 0xE9u);

    s = ok;
    t = out;
    EXPECT_EQ(ConvertUTF8toUTF32(&s, ok + 2, &t, out + 8, strictConversion), sourceExhausted);
    EXPECT_EQ(s, ok + 1);

    s = ok;
    t = out;
    EXPECT_EQ(ConvertUTF8toUTF32(&s, ok + 3, &t, out + 1, strictConversion), targetExhausted);
    EXPECT_EQ(t - out, 1);

    const UTF8 bad[] = {0x61, 0x80};
    s = bad;
    t = out;
    EXPECT_EQ(ConvertUTF8toUTF32(&s, bad + 2, &t, out + 8, strictConversion), sourceIllegal);
    EXPECT_EQ(s, bad + 1);

    const UTF32 wide[] = {0x1F600, 0x41};
    UTF8 bytes[4];
    const UTF32* ws = wide;
    UTF8* bt = bytes;
    EXPECT_EQ(ConvertUTF32toUTF8(&ws, wide + 2, &bt, bytes + 4, strictConversion), targetExhausted);
    EXPECT_EQ(ws, wide + 1);

    EXPECT_TRUE(isLegalUTF8Sequence(ok + 1, ok + 3));
    EXPECT_FALSE(isLegalUTF8Sequence(ok + 1, ok + 2));
}

TEST(Utf16, SurrogatePairsBothWays)
{
    const UTF32 src[] = {0x41, 0x1F600};
    UTF16 mid[4];
    const UTF32* s = src;
    UTF16* t = mid;
    ASSERT_EQ(ConvertUTF32toUTF16(&s, src + 2, &t, mid + 4, strictConversion), conversionOK);
    ASSERT_EQ(t - mid, 3);
    EXPECT_EQ(mid[1], 0xD83D);
    EXPECT_EQ(mid[2], 0xDE00);

    UTF32 back[4];
    const UTF16* ms = mid;
    UTF32* bt = back;
    ASSERT_EQ(ConvertUTF16toUTF32(&ms, mid + 3, &bt, back + 4, strictConversion), conversionOK);
    EXPECT_EQ(back[1], 0x1F600u);

    UTF8 u8[8];
    ms = mid;
    UTF8* u = u8;
    ASSERT_EQ(ConvertUTF16toUTF8(&ms, mid + 3, &u, u8 + 8, strictConversion), conversionOK);
    EXPECT_EQ(u - u8, 5);
    UTF16 again[4];
    const UTF8* us = u8;
    UTF16* a = again;
    ASSERT_EQ(ConvertUTF8toUTF16(&us, u, &a, again + 4, strictConversion), conversionOK);
    EXPECT_EQ(a - again, 3);
    EXPECT_EQ(again[2], 0xDE00);

    // A lone high surrogate at the end is an incomplete source.
    const UTF16 lone[] = {0x41, 0xD83D};
    ms = lone;
    bt = back;
    EXPECT_EQ(ConvertUTF16toUTF32(&ms, lone + 2, &bt, back + 4, strictConversion), sourceExhausted);
}

TEST(Utf32, ToUtf32KeepsCodePoints)
{
    std::u32string u = UtfConverter::ToUtf32(L"ư😀");
    ASSERT_EQ(u.size(), 2u);
    EXPECT_EQ(u[0], U'ư');
    EXPECT_EQ(u[1], U'\U0001F600');
}
