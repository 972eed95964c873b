#include "convert/ChuyenMa.h"

#include <unistd.h>

#include <algorithm>
#include <climits>
#include <optional>
#include <stdexcept>
#include <vector>

#include "convert/ChuyenMaPlan.h"
#include "convert/ChuyenMaStream.h"
#include "convert/VanBanUtils.h"
#include "core/TV.h"
#include "core/TuDien.h"
#include "core/Utils.h"

namespace {

// Paths are byte strings held one byte per character (Utils::ToWString);
// a path with a character above U+007F came from text and goes as UTF-8.
std::string NativePath(const std::wstring& path)
{
    for (wchar_t c : path)
        if (c > 0x7F) return VanBanUtils::EncodeUtf8(path);
    return Utils::ToString(path);
}

// The path as a message shows it: absolute, and readable when its bytes are
// UTF-8.
std::wstring PathForMessage(const std::string& path)
{
    std::string full = path;
    if (full.empty() || full[0] != '/') {
        std::vector<char> buf(PATH_MAX + 1);
        if (::getcwd(buf.data(), buf.size())) full = std::string(buf.data()) + "/" + full;
    }
    return VanBanUtils::ReadText(full);
}

size_t LeadingNumber(const std::string& value)
{
    size_t i = 0;
    while (i < value.size() && (value[i] == ' ' || value[i] == '\t')) ++i;
    size_t n = 0;
    for (; i < value.size() && value[i] >= '0' && value[i] <= '9'; ++i)
        n = n > (SIZE_MAX - 9) / 10 ? SIZE_MAX : n * 10 + (size_t)(value[i] - '0');
    return n;
}

std::string Padded(size_t n, size_t width)
{
    std::string s = std::to_string(n);
    if (s.size() < width) s.insert(0, width - s.size(), '0');
    return s;
}

// `value` with its leading number replaced by n, written at least as wide
// as the number it replaces; what follows the digits (a carriage return)
// stays.
std::string WithNumber(const std::string& value, size_t n)
{
    size_t b = 0;
    while (b < value.size() && (value[b] == ' ' || value[b] == '\t')) ++b;
    size_t e = b;
    while (e < value.size() && value[e] >= '0' && value[e] <= '9') ++e;
    return value.substr(0, b) + Padded(n, e - b) + value.substr(e);
}

} // namespace

std::wstring CChuyenMa::ConvertCore(const std::wstring& Source, const std::map<std::wstring, std::wstring>& BangMa)
{
    if (Source.empty() || BangMa.empty()) return Source;
    std::wstring r;
    r.reserve(Source.size() + Source.size() / 4);
    chuyenma::LongestMatch(BangMa).Run(Source.data(), Source.size(), true, r);
    return r;
}

std::wstring CChuyenMa::ConvertFromUnicode(const std::wstring& Source, const BangMaMap& BangMa)
{
    if (Source.empty() || BangMa.empty()) return Source;
    std::wstring r;
    r.reserve(Source.size() + Source.size() / 4);
    chuyenma::ForwardMap(BangMa).Run(Source.data(), Source.size(), r);
    return r;
}

double CChuyenMa::TinhTiLeTuTV(const std::wstring& Source)
{
    chuyenma::CaseMap cm;
    // A combining mark belongs to the letter before it, so it continues the
    // word: "co" + U+0301 is one word (and no dictionary word), not the
    // word "co". Splitting there would let decomposed text pass for
    // precomposed text, since a syllable stripped of its marks is often
    // another syllable.
    auto inWord = [&cm](wchar_t c) { return cm.IsLetter(c) || ((uint32_t)c >= 0x300 && (uint32_t)c <= 0x36F); };
    size_t total = 0, tv = 0;
    std::wstring word;
    const size_t n = Source.size();
    for (size_t i = 0; i < n;) {
        if (!cm.IsLetter(Source[i])) {
            ++i;
            continue;
        }
        word.clear();
        for (; i < n && inWord(Source[i]); ++i) word.push_back(cm.Lower(Source[i]));
        ++total;
        if (TuDien::CoTrongTuDien(word)) ++tv;
    }
    return total == 0 ? 0.0 : (double)tv / (double)total;
}

std::wstring CChuyenMa::Convert(const std::wstring& Source) const { return chuyenma::Plan(*this).Run(Source); }

std::wstring CChuyenMa::DetectBangMa(const std::wstring& Source) const
{
    double tiLe = TinhTiLeTuTV(Source);
    if (tiLe >= TiLeChinhXac) return BangMaUtils::Unicode;
    std::vector<std::wstring> names = BangMaUtils::LayTenTatCaBangMa();
    if (names.size() < 2) return names.empty() ? std::wstring(BangMaUtils::Unicode) : names[0];
    // Every charset is tried and the best score wins (the earlier of
    // equals). Stopping at the first one past the threshold would let near
    // twins win by their place in the list: VPS text read as VISCII, or
    // VIQR text read as any 8-bit charset, keeps 60-70% of its words.
    double tiLeMax = tiLe;
    size_t indexMax = 0;
    for (size_t i = 1; i < names.size(); ++i) {
        // Lower case wins shared forms whatever Flags say: the dictionary
        // holds lower-case words.
        tiLe = TinhTiLeTuTV(ConvertCore(Source, chuyenma::NguocCua(names[i], true)));
        if (tiLe > tiLeMax) {
            tiLeMax = tiLe;
            indexMax = i;
        }
    }
    return names[indexMax];
}

bool CChuyenMa::ChuyenMaFile(const std::wstring& FileNguon, const std::wstring& FileDich,
                             const ChuyenMaFileWatch& watch)
{
    if (FileNguon.empty() || FileDich.empty()) throw std::wstring(L"Tập tin nguồn và đích không hợp lệ");
    std::string nguon = NativePath(FileNguon);
    std::string dich = NativePath(FileDich);
    if (!Utils::FileExists(Utils::ToWString(nguon)))
        throw Utils::Format(L"Tập tin \"%s\" không tồn tại", PathForMessage(nguon));
    auto cannotRead = [&] { return Utils::Format(L"Không đọc được tập tin \"%s\"", PathForMessage(nguon)); };
    auto cannotWrite = [&] { return Utils::Format(L"Không ghi được tập tin \"%s\"", PathForMessage(dich)); };

    ReplacingFile target;
    std::string error;
    bool opened = false;
    try {
        ByteInput input(nguon);
        input.CancelOn(watch.cancel);
        // A file that is not UTF-8 is a raw legacy file: one character per
        // byte, which is how the tables spell 8-bit text, and nothing is lost.
        TextForm form = input.IsUtf8() ? TextForm::Utf8 : TextForm::Bytes;
        if (AutoDetect) BangMaNguon = DetectBangMa(input.Sample(form, ByteInput::kSample));
        // An empty result leaves the target alone, so it is opened with the
        // first bytes.
        ChuyenMaStream stream(*this, form, TextForm::Utf8, [&](const char* data, size_t size) {
            if (!opened) {
                if (!target.Open(Utils::ToWString(dich), Utils::SharedFileMode, error) ||
                    !target.Write("\xEF\xBB\xBF", 3, error))
                    throw cannotWrite();
                opened = true;
            }
            if (!target.Write(data, size, error)) throw cannotWrite();
        });
        // Known by now: a pipe was kept aside to check it is UTF-8.
        const uint64_t total = (uint64_t)std::max<int64_t>(input.Size(), 0);
        std::function<void(uint64_t)> progress;
        if (watch.progress) progress = [&](uint64_t done) { watch.progress(done, total); };
        input.ConvertAll(stream, progress);
    } catch (const ChuyenMaCancelled&) {
        // The temporary file goes with `target`.
        return false;
    } catch (const std::runtime_error&) {
        // Unreadable, or changed between the readings.
        throw cannotRead();
    }
    if (opened && !target.Commit(error)) throw cannotWrite();
    return true;
}

std::string CChuyenMa::ConvertHtmlClipboard(const std::string& Source) const
{
    static const std::vector<std::string> kNames = {"Version",     "StartHTML",      "EndHTML",      "StartFragment",
                                                    "EndFragment", "StartSelection", "EndSelection", "SourceURL"};
    std::map<std::string, std::string> header;
    for (const std::string& name : kNames) header[name] = "0";

    size_t pos = 0;
    for (int line = 0; line < 8; ++line) {
        size_t end = Source.find('\n', pos);
        std::string text = Source.substr(pos, end == std::string::npos ? std::string::npos : end - pos);
        size_t colon = text.find(':');
        if (colon == std::string::npos) break;
        auto it = header.find(text.substr(0, colon));
        if (it != header.end()) it->second = text.substr(colon + 1);
        if (end == std::string::npos) break;
        pos = end + 1;
    }

    size_t startHtml = LeadingNumber(header["StartHTML"]);
    size_t endHtml = LeadingNumber(header["EndHTML"]);
    size_t startFragment = LeadingNumber(header["StartFragment"]);
    size_t endFragment = LeadingNumber(header["EndFragment"]);
    for (size_t offset : {startHtml, endHtml, startFragment, endFragment})
        if (offset > Source.size()) throw std::out_of_range("HTML clipboard offset beyond the end of the data");
    // A range that ends before it starts runs to the end of the data.
    auto range = [&](size_t from, size_t to) {
        return Source.substr(from, to >= from ? to - from : std::string::npos);
    };
    std::string before = range(startHtml, startFragment);
    std::string fragment = range(startFragment, endFragment);
    std::string after = range(endFragment, endHtml);

    // The fragment is converted as plain text, markup and all. Bytes that
    // are not UTF-8 (an offset inside a character) are copied as they are
    // instead of cutting the fragment short.
    chuyenma::Plan plan(*this);
    std::string converted;
    for (size_t i = 0; i < fragment.size();) {
        size_t bad = fragment.size();
        std::wstring text;
        if (!VanBanUtils::DecodeUtf8(fragment.data() + i, fragment.size() - i, text, &bad)) {
            VanBanUtils::DecodeUtf8(fragment.data() + i, bad, text);
            bad += i;
        } else {
            bad = fragment.size();
        }
        converted += VanBanUtils::EncodeUtf8(plan.Run(text));
        if (bad < fragment.size()) converted += fragment[bad++];
        i = bad;
    }

    // The header is rebuilt with six lines, so its length can differ from
    // the old one (10-digit offsets, dropped selection lines): all four
    // offsets are computed from what is written, so that they locate the
    // document and the fragment in the result. A six-line header with
    // 8-digit end offsets comes out as long as it went in, and then the two
    // start offsets keep their values.
    std::string result;
    size_t newStartHtml = startHtml, newStartFragment = startFragment;
    for (int round = 0; round < 8; ++round) {
        size_t newEndFragment = newStartFragment + converted.size();
        size_t newEndHtml = newEndFragment + after.size();
        result = "Version:" + header["Version"] + "\n" + "StartHTML:" + WithNumber(header["StartHTML"], newStartHtml) +
                 "\n" + "EndHTML:" + Padded(newEndHtml, 8) + "\r\n" +
                 "StartFragment:" + WithNumber(header["StartFragment"], newStartFragment) + "\n" +
                 "EndFragment:" + Padded(newEndFragment, 8) + "\r\n" + "SourceURL:" + header["SourceURL"] + "\n";
        if (result.size() == newStartHtml && newStartFragment == newStartHtml + before.size()) break;
        // Each round only widens numbers, so this settles within a round
        // or two.
        newStartHtml = result.size();
        newStartFragment = newStartHtml + before.size();
    }
    result += before;
    result += converted;
    result += after;
    return result;
}
