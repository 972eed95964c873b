#include <gtest/gtest.h>

#include <iconv.h>

#include <fstream>
#include <sstream>

#include "core/BangMaUtils.h"
#include "core/SettingUtils.h"
#include "core/UtfConverter.h"
#include "core/Utils.h"
#include "tests/common/TempDir.h"

namespace {

const std::wstring kLower = Utils::UnicodeChars();
const std::wstring kUpper = Utils::UnicodeCharsUpper();

// A reference table: letter -> encoded form (bytes as U+0000-U+00FF, or
// code points for the Unicode forms).
BangMaMap Reference(const std::string& file)
{
    BangMaMap r;
    std::ifstream in(LIRANO_DATA_DIR "/charsets/" + file);
    std::string line;
    std::getline(in, line);
    while (std::getline(in, line)) {
        std::istringstream cols(line);
        std::string letter, cp, enc;
        std::getline(cols, letter, '\t');
        std::getline(cols, cp, '\t');
        std::getline(cols, enc, '\t');
        std::wstring value;
        std::istringstream items(enc);
        std::string item;
        while (items >> item)
            value += (wchar_t)std::stoul(item.rfind("U+", 0) == 0 ? item.substr(2) : item, nullptr, 16);
        r.emplace(UtfConverter::FromUtf8(letter)[0], value);
    }
    return r;
}

const std::vector<std::pair<std::wstring, std::string>> kShipped = {
    {L"TCVN3 (ABC)", "tcvn3.tsv"},
    {L"VNI Windows", "vni_windows.tsv"},
    {L"VISCII", "viscii.tsv"},
    {L"VPS", "vps.tsv"},
    {L"VIQR", "viqr.tsv"},
    {L"Windows 1258", "cp1258.tsv"},
    {L"Unicode tổ hợp", "unicode_nfd.tsv"},
    {L"Unicode tổ hợp dấu thanh", "unicode_tone_combining.tsv"}};

// Encodes one letter with glibc's iconv; the bytes as characters.
std::wstring Iconv(const char* charset, wchar_t letter)
{
    iconv_t cd = iconv_open(charset, "UTF-8");
    if (cd == (iconv_t)-1) return L"?";
    std::string in = UtfConverter::ToUtf8(std::wstring(1, letter));
    char out[16];
    char* ip = in.data();
    char* op = out;
    size_t il = in.size(), ol = sizeof out;
    size_t rc = iconv(cd, &ip, &il, &op, &ol);
    size_t flushed = iconv(cd, nullptr, nullptr, &op, &ol); // emit a pending base letter
    iconv_close(cd);
    if (rc == (size_t)-1 || flushed == (size_t)-1) return L"?";
    std::wstring r;
    for (char* p = out; p < op; ++p) r += (wchar_t)(unsigned char)*p;
    return r;
}

} // namespace

TEST(BangMa, NamesStartWithUnicodeThenTheFileInOrder)
{
    std::vector<std::wstring> expect = {L"Unicode"};
    for (const auto& [name, file] : kShipped) expect.push_back(name);
    EXPECT_EQ(BangMaUtils::TenCacBangMaCoSan, expect);
    EXPECT_EQ(BangMaUtils::LayTenCacBangMaCoSan(), expect);
    EXPECT_TRUE(BangMaUtils::LayBangMa(L"Unicode").empty());
    EXPECT_TRUE(BangMaUtils::LayBangMa(L"No such charset").empty());
}

TEST(BangMa, EveryShippedCharsetEqualsItsReferenceTable)
{
    for (const auto& [name, file] : kShipped) {
        SCOPED_TRACE(UtfConverter::ToUtf8(name));
        BangMaMap shipped = BangMaUtils::LayBangMa(name);
        BangMaMap ref = Reference(file);
        ASSERT_EQ(ref.size(), 134u);
        EXPECT_EQ(shipped.size(), 134u);
        for (wchar_t c : kLower + kUpper) {
            ASSERT_TRUE(shipped.count(c)) << (int)c;
            EXPECT_EQ(shipped.at(c), ref.at(c)) << UtfConverter::ToUtf8(std::wstring(1, c));
        }
    }
}

TEST(BangMa, UnicodeClassOfEachShippedCharset)
{
    EXPECT_TRUE(BangMaUtils::LaBangMaUnicode(std::wstring(L"Unicode")));
    EXPECT_TRUE(BangMaUtils::LaBangMaUnicode(BangMaMap()));
    for (const auto& [name, file] : kShipped) {
        bool unicode = name.rfind(L"Unicode", 0) == 0;
        EXPECT_EQ(BangMaUtils::LaBangMaUnicode(name), unicode) << UtfConverter::ToUtf8(name);
    }
    BangMaMap bytes = {{L'á', L"\u00e1"}, {L'à', L"a\u00ff"}};
    EXPECT_FALSE(BangMaUtils::LaBangMaUnicode(bytes));
    bytes[L'ả'] = L"a\u0300";
    EXPECT_TRUE(BangMaUtils::LaBangMaUnicode(bytes));
}

TEST(BangMa, ReverseTablesOnTcvn3SharedCapitals)
{
    BangMaMap tcvn3 = BangMaUtils::LayBangMa(L"TCVN3 (ABC)");
    // 60 toned capitals share the byte of their lower-case letter.
    std::map<std::wstring, std::wstring> first = BangMaUtils::TaoBangMaNguoc(tcvn3, false);
    std::map<std::wstring, std::wstring> lower = BangMaUtils::TaoBangMaNguoc(tcvn3, true);
    EXPECT_EQ(first.size(), 74u);
    EXPECT_EQ(lower.size(), 74u);
    const std::wstring& b = tcvn3.at(L'á');
    EXPECT_EQ(tcvn3.at(L'Á'), b);
    EXPECT_EQ(first.at(b), L"Á"); // the smaller code point wins
    EXPECT_EQ(lower.at(b), L"á");
    EXPECT_EQ(lower.at(tcvn3.at(L'Ă')), L"Ă"); // own capitals keep their byte
    EXPECT_EQ(first.at(tcvn3.at(L'đ')), L"đ");

    BangMaMap vni = BangMaUtils::LayBangMa(L"VNI Windows");
    std::map<std::wstring, std::wstring> conv = BangMaUtils::TaoBangMa(tcvn3, vni, false);
    std::map<std::wstring, std::wstring> convLower = BangMaUtils::TaoBangMa(tcvn3, vni, true);
    EXPECT_EQ(conv.at(b), vni.at(L'Á'));
    EXPECT_EQ(convLower.at(b), vni.at(L'á'));
    EXPECT_EQ(convLower.at(tcvn3.at(L'Ư')), vni.at(L'Ư'));
    EXPECT_TRUE(BangMaUtils::TaoBangMa(tcvn3, BangMaMap(), true).empty()); // to Unicode: the converter's job
}

TEST(BangMa, SmallTablesFollowFirstWinsAndPreferLower)
{
    BangMaMap t = {{L'A', L"x"}, {L'a', L"x"}, {L'b', L"y"}};
    EXPECT_EQ(BangMaUtils::TaoBangMaNguoc(t, false).at(L"x"), L"A");
    EXPECT_EQ(BangMaUtils::TaoBangMaNguoc(t, true).at(L"x"), L"a");
    BangMaMap target = {{L'A', L"1"}, {L'a', L"2"}};
    auto c = BangMaUtils::TaoBangMa(t, target, false);
    EXPECT_EQ(c.at(L"x"), L"1");
    EXPECT_EQ(c.count(L"y"), 0u); // the target lacks b
    EXPECT_EQ(BangMaUtils::TaoBangMa(t, target, true).at(L"x"), L"2");
}

TEST(BangMa, GlibcIconvAgrees)
{
    BangMaMap viscii = BangMaUtils::LayBangMa(L"VISCII");
    BangMaMap cp1258 = BangMaUtils::LayBangMa(L"Windows 1258");
    BangMaMap tcvn3 = BangMaUtils::LayBangMa(L"TCVN3 (ABC)");
    for (wchar_t c : kLower + kUpper) {
        std::string l = UtfConverter::ToUtf8(std::wstring(1, c));
        EXPECT_EQ(Iconv("VISCII", c), viscii.at(c)) << l;
        EXPECT_EQ(Iconv("CP1258", c), cp1258.at(c)) << l;
    }
    // TCVN5712-1 shares TCVN3's lower case and its seven own capitals.
    for (wchar_t c : kLower + L"ĂÂÊÔƠƯĐ") EXPECT_EQ(Iconv("TCVN5712-1", c), tcvn3.at(c)) << (int)c;
}

TEST(BangMa, UserCharsetsInTheUserFolder)
{
    EXPECT_EQ(BangMaUtils::FileTuDinhNghia, SettingUtils::UserFolder() + L"/BangMa.ini");
    TempDir d;
    std::wstring saved = BangMaUtils::FileTuDinhNghia;
    BangMaUtils::FileTuDinhNghia =
        d.Write("BangMa.ini", "\xEF\xBB\xBF[Mine]\n\xC3\xA1=a1\nab=zz\n[VISCII]\n\xC3\xA1=q\n");
    std::vector<std::wstring> all = BangMaUtils::LayTenTatCaBangMa();
    EXPECT_EQ(all.size(), BangMaUtils::TenCacBangMaCoSan.size() + 2);
    EXPECT_EQ(all[all.size() - 2], L"Mine");
    EXPECT_EQ(BangMaUtils::LayBangMa(L"Mine").at(L'á'), L"a1");
    EXPECT_EQ(BangMaUtils::LayBangMa(L"Mine").at(L'a'), L"zz");       // first character of the name
    EXPECT_EQ(BangMaUtils::LayBangMa(L"VISCII").at(L'á'), L"\u00e1"); // built-in first
    BangMaUtils::FileTuDinhNghia = d.WPath("missing.ini");
    EXPECT_EQ(BangMaUtils::LayTenTatCaBangMa(), BangMaUtils::TenCacBangMaCoSan);
    BangMaUtils::FileTuDinhNghia = saved;
}
