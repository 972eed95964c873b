// libFuzzer target: charset detection (`lirano detect`, the converter
// window's auto mode) on any bytes. It must answer the same twice, name a
// known charset, keep to its rule (Unicode when the text as it stands
// reaches the threshold, else the best scoring reading, the earlier of
// equals), and the command-line tool and the converter window must read a
// file alike.
//
// Input: the threshold (0-255 for 0-1), then the file's bytes.
#include <map>

#include "convert/ChuyenMa.h"
#include "convert/ChuyenMaPlan.h"
#include "convert/ChuyenMaStream.h"
#include "convert/VanBanUtils.h"
#include "tests/fuzz/FuzzCommon.h"

LIRANO_FUZZ_PRIVATE_CONFIG

namespace {

using namespace fuzz;

// The share of words a reading keeps, as `lirano detect` reports it. The
// tables are read once: no run changes them.
double Ratio(const std::wstring& text, const std::wstring& charset)
{
    static std::map<std::wstring, std::map<std::wstring, std::wstring>> tables;
    if (charset == BangMaUtils::Unicode) return CChuyenMa::TinhTiLeTuTV(text);
    auto it = tables.find(charset);
    if (it == tables.end()) it = tables.emplace(charset, chuyenma::NguocCua(charset, true)).first;
    return CChuyenMa::TinhTiLeTuTV(CChuyenMa::ConvertCore(text, it->second));
}

void CheckDetection(const std::wstring& text, double threshold)
{
    static const std::vector<std::wstring> names = BangMaUtils::LayTenTatCaBangMa();
    CChuyenMa cm;
    cm.TiLeChinhXac = threshold;
    const std::wstring found = cm.DetectBangMa(text);
    if (cm.DetectBangMa(text) != found) Fail("two detections differ");
    auto at = std::find(names.begin(), names.end(), found);
    if (at == names.end()) Fail("detection names an unknown charset");

    const double asItStands = CChuyenMa::TinhTiLeTuTV(text);
    if (!(asItStands >= 0 && asItStands <= 1)) Fail("a share outside 0-1");
    if (asItStands >= threshold) {
        if (found != BangMaUtils::Unicode) Fail("text that passes as it stands is not called Unicode");
        return;
    }
    const double best = found == BangMaUtils::Unicode ? asItStands : Ratio(text, found);
    if (found != BangMaUtils::Unicode && !(best > asItStands)) Fail("a reading that scores no better wins");
    for (auto it = names.begin(); it != names.end(); ++it) {
        double r = *it == BangMaUtils::Unicode ? asItStands : Ratio(text, *it);
        if (!(r >= 0 && r <= 1)) Fail("a share outside 0-1");
        if (r > best || (it < at && r == best)) Fail("a better reading loses");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    Input input(data, size);
    const double threshold = input.Byte() / 255.0;
    const std::string bytes = input.Rest();

    // Case as the converter tables know it, for every character met.
    static const chuyenma::CaseMap cases;
    const std::wstring text = VanBanUtils::ReadText(bytes);
    for (wchar_t c : text)
        if (cases.IsLetter(c) != Utils::IsAlpha(c) || cases.Lower(c) != Utils::ToLower(c) ||
            cases.Upper(c) != Utils::ToUpper(c))
            Fail("the case tables disagree with Utils");

    CheckDetection(text, threshold);

    // `lirano detect` reads a short file as the converter window does:
    // UTF-8 when all of it is, else a character per byte.
    const std::string path = Path("input");
    WriteFile(path, bytes);
    ByteInput file(path);
    const TextForm form = file.IsUtf8() ? TextForm::Utf8 : TextForm::Bytes;
    if (file.Sample(form, ByteInput::kSample) != text) Fail("detect and the converter window read the file apart");
    return 0;
}
