// libFuzzer target: the streaming converter against the whole-text
// conversion, for any bytes, any pair of charsets and options, the text
// given in pieces of any size, or read from a file or a pipe as
// `lirano convert` reads it (auto-detection included).
//
// Input: source (the last choice is auto), target, options, the number of
// piece sizes and the sizes, the sample size, then the text.
#include "tests/fuzz/FuzzConvert.h"

LIRANO_FUZZ_PRIVATE_CONFIG

namespace {

using namespace fuzz;

enum : uint8_t {
    kLower = 1,
    kUpper = 2,
    kStrip = 4,
    kPreferUpper = 8,
    kInUtf8 = 16,
    kOutUtf8 = 32,
    kPipe = 64,
    // With a sample byte of 0xF0 and up: the text put after a filler that
    // ends inside the first block read (slow, hence rare).
    kAcrossBlock = 128,
};

size_t PieceSize(uint8_t b) { return b < 0xF0 ? (size_t)b + 1 : (size_t)(b - 0xEF) * 997; }

// What detection reads of the input, checked against the bytes themselves.
std::wstring CheckedSample(ByteInput& input, const std::string& bytes, TextForm form, size_t size)
{
    const bool more = bytes.size() > size;
    std::wstring sample;
    try {
        sample = input.Sample(form, size);
    } catch (const ChuyenMaStreamError& e) {
        // Only bad UTF-8 inside the sample fails it, and that is the first
        // bad sequence of the whole input.
        size_t skip = VanBanUtils::HasBom(bytes) ? 3 : 0, bad = 0;
        std::wstring all;
        if (form != TextForm::Utf8 || e.kind != ChuyenMaStreamError::BadUtf8 ||
            VanBanUtils::DecodeUtf8(bytes.data() + skip, bytes.size() - skip, all, &bad) || bad + skip != e.offset ||
            e.offset >= std::min(size, bytes.size()))
            Fail("the sample failed at " + std::to_string(e.offset));
        throw;
    }
    std::wstring whole;
    if (form == TextForm::Bytes) {
        whole = VanBanUtils::FromBytes(bytes);
    } else {
        size_t skip = VanBanUtils::HasBom(bytes) && size >= 3 ? 3 : 0, bad = 0;
        if (!VanBanUtils::DecodeUtf8(bytes.data() + skip, bytes.size() - skip, whole, &bad))
            VanBanUtils::DecodeUtf8(bytes.data() + skip, bad, whole);
    }
    if (whole.compare(0, sample.size(), sample) != 0) Fail("the sample is not the start of the text");
    if (form == TextForm::Bytes && sample.size() > size) Fail("the sample is longer than asked");
    // Cut at a line end when the text goes on and the sample holds one.
    if (more && !sample.empty() && sample.back() != L'\n' && sample.find(L'\n') != std::wstring::npos)
        Fail("the sample does not end at a line end");
    if (!more && sample != whole) Fail("a short input is not sampled whole");
    return sample;
}

// `lirano convert` over a file or standard input: how it tells the form,
// detects the source charset and converts.
void ThroughByteInput(CChuyenMa cm, const std::string& bytes, bool utf8, TextForm out, bool viaPipe, bool detect,
                      size_t sampleSize, const std::vector<size_t>& pieces)
{
    const std::string path = Path("input");
    auto run = [&](const std::string& name) {
        ByteInput input(name);
        size_t skip = VanBanUtils::HasBom(bytes) ? 3 : 0, badWhole = 0;
        std::wstring decoded;
        const bool valid = VanBanUtils::DecodeUtf8(bytes.data() + skip, bytes.size() - skip, decoded, &badWhole);
        if (input.Peek(3) != bytes.substr(0, 3)) Fail("Peek does not give the first bytes");
        uint64_t bad = 0;
        const bool isUtf8 = input.IsUtf8(&bad);
        if (isUtf8 != valid || (!valid && bad != badWhole + skip))
            Fail("IsUtf8 disagrees with the decoder at " + std::to_string(bad));
        // Text of unknown charset is UTF-8 when all of it is.
        TextForm in = utf8 || (detect && isUtf8) ? TextForm::Utf8 : TextForm::Bytes;
        Outcome got;
        try {
            if (detect) {
                if (utf8 && !isUtf8) throw ChuyenMaStreamError(ChuyenMaStreamError::BadUtf8, bad, 0, 0);
                cm.BangMaNguon = cm.DetectBangMa(CheckedSample(input, bytes, in, sampleSize));
            } else {
                CheckedSample(input, bytes, in, sampleSize);
            }
            ChuyenMaStream stream(cm, in, out, [&got](const char* d, size_t n) { got.bytes.append(d, n); });
            input.ConvertAll(stream);
        } catch (const ChuyenMaStreamError& e) {
            got = FromError(e);
        }
        const Outcome whole = Whole(cm, bytes, in, out);
        Expect(got, whole, EarlierNoByteForm(cm, bytes, whole), viaPipe ? "from a pipe" : "from a file");
    };
    if (viaPipe) {
        WithStdinPipe(bytes, pieces, [&] { run("-"); });
    } else {
        WriteFile(path, bytes);
        run(path);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const std::vector<std::wstring> names = BangMaUtils::LayTenTatCaBangMa();
    Input input(data, size);
    const uint8_t from = input.Byte(), to = input.Byte(), options = input.Byte();
    std::vector<size_t> pieces;
    for (uint8_t n = input.Byte() % 8; n > 0; --n) pieces.push_back(PieceSize(input.Byte()));
    const uint8_t sampleByte = input.Byte();
    std::string bytes = input.Rest();

    const bool detect = from % (names.size() + 1) == names.size();
    CChuyenMa cm;
    cm.BangMaNguon = detect ? names[0] : names[from % (names.size() + 1)];
    cm.BangMaDich = names[to % names.size()];
    if (options & kLower) cm.Flags |= ChuyenMaFlags_ToLower;
    if (options & kUpper) cm.Flags |= ChuyenMaFlags_ToUpper;
    if (options & kStrip) cm.Flags |= ChuyenMaFlags_XoaDau;
    if (options & kPreferUpper) cm.Flags |= ChuyenMaFlags_PreferUpper;
    const TextForm in = options & kInUtf8 ? TextForm::Utf8 : TextForm::Bytes;
    const TextForm out = options & kOutUtf8 ? TextForm::Utf8 : TextForm::Bytes;
    size_t sampleSize = sampleByte == 0 ? ByteInput::kSample : sampleByte;

    if ((options & kAcrossBlock) && sampleByte >= 0xF0) {
        // Lines of plain letters up to a few bytes short of the first block.
        std::string filler(ByteInput::kBlock - sampleByte % 16, 'a');
        for (size_t i = 79; i < filler.size(); i += 80) filler[i] = '\n';
        bytes = filler + bytes;
        sampleSize = (size_t)sampleByte + 1; // detection over all of it would take long
        for (size_t& p : pieces) p *= 256;   // one write a byte would take long too
    } else {
        const Outcome whole = Whole(cm, bytes, in, out);
        const auto earlier = EarlierNoByteForm(cm, bytes, whole);
        Expect(Streamed(cm, bytes, in, out, pieces), whole, earlier, "in pieces");
        Expect(Streamed(cm, bytes, in, out, {}), whole, earlier, "in one piece");
    }
    ThroughByteInput(cm, bytes, in == TextForm::Utf8, out, options & kPipe, detect, sampleSize, pieces);
    return 0;
}
