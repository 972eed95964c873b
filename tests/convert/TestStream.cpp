#include <gtest/gtest.h>

#include <optional>

#include "convert/ChuyenMaStream.h"
#include "tests/convert/ConvertTestUtils.h"

using namespace testutil;

namespace {

// The result of converting `bytes` whole, the way the tools always have:
// decoded, converted, encoded. An error is the stream's error.
struct Outcome {
    std::string bytes;
    std::optional<ChuyenMaStreamError::Kind> error;
    uint64_t offset = 0, line = 0;
    uint32_t unit = 0;
};

Outcome Whole(const CChuyenMa& cm, const std::string& bytes, TextForm in, TextForm out)
{
    Outcome r;
    std::wstring text;
    if (in == TextForm::Bytes) {
        text = VanBanUtils::FromBytes(bytes);
    } else {
        size_t skip = VanBanUtils::HasBom(bytes) ? 3 : 0, bad = 0;
        if (!VanBanUtils::DecodeUtf8(bytes.data() + skip, bytes.size() - skip, text, &bad)) {
            r.error = ChuyenMaStreamError::BadUtf8;
            r.offset = bad + skip;
            return r;
        }
    }
    std::wstring result = cm.Convert(text);
    if (out == TextForm::Utf8) {
        r.bytes = Utf8(result);
        return r;
    }
    size_t bad = 0;
    if (!VanBanUtils::ToBytes(result, r.bytes, &bad)) {
        r.error = ChuyenMaStreamError::NoByteForm;
        r.unit = (uint32_t)result[bad];
        r.line = 1 + (uint64_t)std::count(result.begin(), result.begin() + (ptrdiff_t)bad, L'\n');
    }
    return r;
}

Outcome Streamed(const CChuyenMa& cm, const std::string& bytes, TextForm in, TextForm out, size_t piece)
{
    Outcome r;
    try {
        ChuyenMaStream s(cm, in, out, [&r](const char* d, size_t n) { r.bytes.append(d, n); });
        for (size_t i = 0; i < bytes.size(); i += piece) s.Write(bytes.data() + i, std::min(piece, bytes.size() - i));
        s.Finish();
    } catch (const ChuyenMaStreamError& e) {
        r = Outcome{};
        r.error = e.kind;
        if (e.kind == ChuyenMaStreamError::BadUtf8) {
            r.offset = e.offset;
        } else {
            r.unit = e.unit;
            r.line = e.line;
        }
    }
    return r;
}

bool operator==(const Outcome& a, const Outcome& b)
{
    return a.error == b.error &&
           (a.error ? a.offset == b.offset && a.unit == b.unit && a.line == b.line : a.bytes == b.bytes);
}

// Prose, capitals, a stretch of the word list (VIQR's punctuation among
// it), a character without a byte in the 8-bit charsets on line 3 of its
// part, and a NUL.
const std::wstring& Text()
{
    static const std::wstring t = Paragraphs() + WordList().substr(0, 3000) + L"Đ\nĂ\n€ ẵ\n" + std::wstring(1, L'\0');
    return t;
}

std::vector<std::wstring> All()
{
    std::vector<std::wstring> r = {BangMaUtils::Unicode};
    for (const std::wstring& n : Shipped()) r.push_back(n);
    return r;
}

} // namespace

TEST(Stream, EqualsTheWholeTextForEveryPairFlagAndPieceSize)
{
    const ChuyenMaFlags flags[] = {ChuyenMaFlags_Normal, ChuyenMaFlags_ToLower,
                                   ChuyenMaFlags_ToUpper | ChuyenMaFlags_XoaDau, ChuyenMaFlags_PreferUpper};
    const size_t pieces[] = {1, 3, 1 << 20};
    for (const std::wstring& from : All()) {
        const bool legacy = !BangMaUtils::LaBangMaUnicode(from);
        // The file people have: raw bytes for the 8-bit charsets, and their
        // UTF-8 form with a byte-order mark.
        std::vector<std::pair<std::string, TextForm>> inputs;
        std::wstring encoded = Convert(Text(), BangMaUtils::Unicode, from);
        if (legacy) {
            std::string raw;
            for (wchar_t c : encoded) raw += (char)(unsigned char)((uint32_t)c <= 0xFF ? c : L'?');
            inputs.emplace_back(raw, TextForm::Bytes);
        }
        inputs.emplace_back("\xEF\xBB\xBF" + Utf8(encoded), TextForm::Utf8);
        for (const std::wstring& to : All()) {
            const TextForm outs[] = {TextForm::Utf8, TextForm::Bytes};
            for (ChuyenMaFlags f : flags)
                for (const auto& [bytes, in] : inputs)
                    for (TextForm out : outs) {
                        if (out == TextForm::Bytes && BangMaUtils::LaBangMaUnicode(to)) continue;
                        CChuyenMa cm;
                        cm.BangMaNguon = from;
                        cm.BangMaDich = to;
                        cm.Flags = f;
                        const Outcome whole = Whole(cm, bytes, in, out);
                        for (size_t piece : pieces)
                            ASSERT_TRUE(Streamed(cm, bytes, in, out, piece) == whole)
                                << Utf8(from) << " -> " << Utf8(to) << " flags " << f << " in "
                                << (in == TextForm::Utf8 ? "UTF-8" : "bytes") << " out "
                                << (out == TextForm::Utf8 ? "UTF-8" : "bytes") << " pieces of " << piece;
                    }
        }
    }
}

TEST(Stream, BadUtf8IsFoundWhereTheWholeTextWouldFindIt)
{
    CChuyenMa toVni;
    toVni.BangMaDich = L"VNI Windows";
    CChuyenMa same;
    const std::string cases[] = {
        "Vi\xE1\xBB\x87t \xFF",      // a byte that starts nothing
        "\xEF\xBB\xBFVi\xE1\xBB",    // cut at the end, after a byte-order mark
        "ab\xE1\x80",                // cut after its second byte
        "\xC0\xAF and \xED\xA0\x80", // overlong, surrogate
        "\xEF\xBB",                  // part of a mark only
    };
    for (const CChuyenMa* cm : {&toVni, &same})
        for (const std::string& bytes : cases)
            for (size_t piece : {1, 2, 64}) {
                Outcome whole = Whole(*cm, bytes, TextForm::Utf8, TextForm::Utf8);
                ASSERT_TRUE(whole.error) << bytes;
                EXPECT_TRUE(Streamed(*cm, bytes, TextForm::Utf8, TextForm::Utf8, piece) == whole)
                    << bytes << " in pieces of " << piece;
            }
}
