// libFuzzer target: the HTML clipboard reader of the converter window on
// any payload. It either refuses an offset beyond the end (out_of_range)
// or gives a payload whose header locates the document and the fragment in
// it; the fragment is converted, the rest kept, and reading the result
// again without conversion gives it back.
//
// Input: source charset, target charset, options, then the payload.
#include <stdexcept>

#include "convert/ChuyenMa.h"
#include "convert/ChuyenMaPlan.h"
#include "convert/VanBanUtils.h"
#include "tests/fuzz/FuzzCommon.h"

LIRANO_FUZZ_PRIVATE_CONFIG

namespace {

using namespace fuzz;

struct Parts {
    size_t startHtml, endHtml, startFragment, endFragment;
};

size_t Number(const std::string& line, const std::string& name)
{
    if (line.compare(0, name.size() + 1, name + ":") != 0) Fail("the header has no " + name + " line: " + line);
    size_t i = name.size() + 1;
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
    // Written at least as wide as the number it replaced: leading zeros.
    size_t n = 0, digits = 0, significant = 0;
    for (; i < line.size() && line[i] >= '0' && line[i] <= '9'; ++i, ++digits) {
        if (n > 0 || line[i] != '0') ++significant;
        n = n * 10 + (size_t)(line[i] - '0');
    }
    if (digits == 0 || significant > 12) Fail("the " + name + " line has no offset: " + line);
    return n;
}

// The six lines of the header the reader writes.
Parts Header(const std::string& payload)
{
    std::vector<std::string> lines;
    size_t pos = 0;
    for (int i = 0; i < 6; ++i) {
        size_t end = payload.find('\n', pos);
        if (end == std::string::npos) Fail("the header is cut short");
        lines.push_back(payload.substr(pos, end - pos));
        pos = end + 1;
    }
    if (lines[0].rfind("Version:", 0) != 0 || lines[5].rfind("SourceURL:", 0) != 0) Fail("the header is not in order");
    Parts p{Number(lines[1], "StartHTML"), Number(lines[2], "EndHTML"), Number(lines[3], "StartFragment"),
            Number(lines[4], "EndFragment")};
    if (p.startHtml != pos) Fail("StartHTML is not the end of the header");
    if (p.endHtml != payload.size()) Fail("EndHTML is not the end of the payload");
    if (!(p.startHtml <= p.startFragment && p.startFragment <= p.endFragment && p.endFragment <= p.endHtml))
        Fail("the offsets are out of order");
    return p;
}

// The fragment converted as the reader does: UTF-8 runs converted, bytes
// that are not UTF-8 kept.
std::string ConvertFragment(const CChuyenMa& cm, const std::string& fragment)
{
    const chuyenma::Plan plan(cm);
    std::string r;
    size_t i = 0;
    while (i < fragment.size()) {
        size_t bad = fragment.size() - i;
        std::wstring text;
        if (!VanBanUtils::DecodeUtf8(fragment.data() + i, fragment.size() - i, text, &bad))
            VanBanUtils::DecodeUtf8(fragment.data() + i, bad, text);
        r += VanBanUtils::EncodeUtf8(plan.Run(text));
        i += bad;
        if (i < fragment.size()) r += fragment[i++];
    }
    return r;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const std::vector<std::wstring> names = BangMaUtils::LayTenTatCaBangMa();
    Input input(data, size);
    CChuyenMa cm;
    cm.BangMaNguon = names[input.Byte() % names.size()];
    cm.BangMaDich = names[input.Byte() % names.size()];
    cm.Flags = (ChuyenMaFlags)(input.Byte() & 15);
    const std::string payload = input.Rest();

    // Without conversion the payload is only re-headed.
    const CChuyenMa same;
    std::string kept;
    try {
        kept = same.ConvertHtmlClipboard(payload);
    } catch (const std::out_of_range&) {
        try {
            cm.ConvertHtmlClipboard(payload);
        } catch (const std::out_of_range&) {
            return 0;
        }
        Fail("an offset refused once is taken with a conversion");
    }
    const std::string converted = cm.ConvertHtmlClipboard(payload);
    const Parts k = Header(kept), c = Header(converted);

    // The document around the fragment is kept; the fragment converted.
    if (kept.substr(k.startHtml, k.startFragment - k.startHtml) !=
            converted.substr(c.startHtml, c.startFragment - c.startHtml) ||
        kept.substr(k.endFragment) != converted.substr(c.endFragment))
        Fail("the document around the fragment changed");
    const std::string fragment = kept.substr(k.startFragment, k.endFragment - k.startFragment);
    if (converted.substr(c.startFragment, c.endFragment - c.startFragment) != ConvertFragment(cm, fragment))
        Fail("the fragment is not converted as plain text");

    // Read again, the result gives itself back, unless its first line after
    // the header passes for a header line too.
    const std::string body = kept.substr(k.startHtml);
    if (body.substr(0, body.find('\n')).find(':') == std::string::npos && same.ConvertHtmlClipboard(kept) != kept)
        Fail("the result read again changes");
    return 0;
}
