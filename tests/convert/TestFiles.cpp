#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>

#include "tests/common/TempDir.h"
#include "tests/convert/ConvertTestUtils.h"

using namespace testutil;

namespace {

const std::string kBom = "\xEF\xBB\xBF";

std::wstring Thrown(CChuyenMa& cm, const std::wstring& from, const std::wstring& to)
{
    try {
        cm.ChuyenMaFile(from, to);
    } catch (const std::wstring& m) {
        return m;
    }
    return L"(nothing thrown)";
}

size_t FilesIn(const std::string& folder)
{
    size_t n = 0;
    for (const auto& e : std::filesystem::directory_iterator(folder)) n += e.path().filename() != "" ? 1 : 0;
    return n;
}

// The paragraphs in capitals and lower case, the form every 8-bit charset
// can carry (TCVN3's toned capitals are its lower-case bytes).
std::wstring LowerParagraphs() { return Utils::ToLower(Paragraphs()); }

} // namespace

TEST(VanBanUtils, Utf8IsStrictAndKeepsEveryUnit)
{
    std::wstring t;
    EXPECT_TRUE(VanBanUtils::DecodeUtf8(std::string("a\0b\0", 4), t));
    EXPECT_EQ(t, std::wstring(L"a\0b\0", 4)); // trailing NUL kept
    EXPECT_EQ(VanBanUtils::EncodeUtf8(t), std::string("a\0b\0", 4));
    EXPECT_TRUE(VanBanUtils::DecodeUtf8("\xF0\x9F\x98\x80\xE1\xBB\x87", t));
    EXPECT_EQ(t, L"\U0001F600ệ");
    size_t bad = 99;
    for (const char* wrong : {"ab\xC0\x80", "ab\xED\xA0\x80", "ab\xF4\x90\x80\x80", "ab\xE1\xBB", "ab\x80", "ab\xFF"}) {
        t = L"kept";
        EXPECT_FALSE(VanBanUtils::DecodeUtf8(wrong, t, &bad)) << wrong;
        EXPECT_EQ(bad, 2u);
        EXPECT_EQ(t, L"kept");
    }
    EXPECT_EQ(VanBanUtils::EncodeUtf8(std::wstring(1, (wchar_t)0xD800) + (wchar_t)-1), "\xEF\xBF\xBD\xEF\xBF\xBD");

    std::string b;
    EXPECT_TRUE(VanBanUtils::ToBytes(L"a\u00ff", b));
    EXPECT_EQ(b, "a\xFF");
    EXPECT_FALSE(VanBanUtils::ToBytes(L"ab\u0100", b, &bad));
    EXPECT_EQ(bad, 2u);
    EXPECT_EQ(b, "a\xFF");
}

TEST(VanBanUtils, ReadTextFallsBackToOneCharacterPerByte)
{
    bool utf8 = false;
    EXPECT_EQ(VanBanUtils::ReadText(kBom + "Việt", &utf8), L"Việt");
    EXPECT_TRUE(utf8);
    // Raw TCVN3 "việt": not UTF-8, so every byte is kept, even past the bad one.
    EXPECT_EQ(VanBanUtils::ReadText("vi\xD6t nam", &utf8), L"vi\u00d6t nam");
    EXPECT_FALSE(utf8);
    // A byte-order mark before bytes that are not UTF-8 is kept too.
    EXPECT_EQ(VanBanUtils::ReadText(kBom + "\xFF"), L"\u00ef\u00bb\u00bf\u00ff");
    EXPECT_EQ(VanBanUtils::ReadText(""), L"");
}

// The converter's output goes through ReplacingFile, as a shared file.
TEST(ReplacingFile, ReplacesWholeOrNothing)
{
    TempDir d;
    std::string err;
    auto write = [&err](const std::string& path, const std::string& bytes) {
        return Utils::ReplaceFile(Utils::ToWString(path), bytes, err, Utils::SharedFileMode);
    };
    std::string path = d.Path("out.txt");
    ASSERT_TRUE(write(path, "new")) << err;
    EXPECT_EQ(ReadBytes(path), "new");
    struct stat st;
    ASSERT_EQ(stat(path.c_str(), &st), 0);
    mode_t mask = umask(0);
    umask(mask);
    EXPECT_EQ(st.st_mode & 0777, 0666 & ~mask);

    chmod(path.c_str(), 0640);
    ASSERT_TRUE(write(path, "newer")) << err;
    EXPECT_EQ(ReadBytes(path), "newer");
    ASSERT_EQ(stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u); // permissions kept

    // Through a symbolic link: the link stays, its file gets the text.
    ASSERT_EQ(symlink("out.txt", d.Path("link.txt").c_str()), 0);
    ASSERT_TRUE(write(d.Path("link.txt"), "linked")) << err;
    EXPECT_TRUE(std::filesystem::is_symlink(d.Path("link.txt")));
    EXPECT_EQ(ReadBytes(path), "linked");

    // A second name would keep the old text: refused (core/ReplaceFile).
    ASSERT_EQ(link(path.c_str(), d.Path("hard.txt").c_str()), 0);
    EXPECT_FALSE(write(path, "lost"));
    EXPECT_NE(err.find("hard links"), std::string::npos) << err;
    EXPECT_EQ(ReadBytes(path), "linked");
    ASSERT_EQ(unlink(d.Path("hard.txt").c_str()), 0);

    // Failures: a missing folder, a folder as the target. Nothing is left.
    EXPECT_FALSE(write(d.Path("no/such/out.txt"), "x"));
    EXPECT_NE(err.find("no/such"), std::string::npos);
    EXPECT_FALSE(write(d.Path(""), "x"));
    EXPECT_EQ(FilesIn(d.Path("")), 2u);
    EXPECT_EQ(ReadBytes(path), "linked");
}

TEST(ChuyenMaFile, EmptyPathsAreRefusedAndNothingIsTouched)
{
    TempDir d;
    std::wstring src = d.Write("a.txt", "Việt");
    CChuyenMa cm;
    EXPECT_EQ(Thrown(cm, src, L""), L"Tập tin nguồn và đích không hợp lệ");
    EXPECT_EQ(Thrown(cm, L"", src), L"Tập tin nguồn và đích không hợp lệ");
    EXPECT_EQ(ReadBytes(d.Path("a.txt")), "Việt");
    EXPECT_EQ(FilesIn(d.Path("")), 1u);
}

TEST(ChuyenMaFile, MissingSourceNamesTheFullPath)
{
    TempDir d;
    CChuyenMa cm;
    std::wstring target = d.Write("t.txt", "old");
    EXPECT_EQ(Thrown(cm, d.WPath("thiếu.txt"), target),
              L"Tập tin \"" + Decode(d.Path("thiếu.txt")) + L"\" không tồn tại");
    // A relative path is named in full.
    std::string cwd = std::filesystem::current_path().string();
    EXPECT_EQ(Thrown(cm, L"no-such-file.txt", target),
              L"Tập tin \"" + Decode(cwd) + L"/no-such-file.txt\" không tồn tại");
    EXPECT_EQ(ReadBytes(d.Path("t.txt")), "old");
}

TEST(ChuyenMaFile, EmptySourceWritesNothing)
{
    TempDir d;
    std::wstring src = d.Write("empty.txt", "");
    std::wstring target = d.Write("t.txt", "old");
    CChuyenMa cm;
    cm.BangMaDich = L"VNI Windows";
    cm.ChuyenMaFile(src, target);
    EXPECT_EQ(ReadBytes(d.Path("t.txt")), "old");
    cm.ChuyenMaFile(d.Write("bom.txt", kBom), d.WPath("new.txt")); // a lone byte-order mark is empty too
    EXPECT_FALSE(std::filesystem::exists(d.Path("new.txt")));
}

TEST(ChuyenMaFile, Utf8InUtf8OutWithByteOrderMark)
{
    TempDir d;
    std::wstring src = d.Write("a.txt", Utf8(Paragraphs()));
    CChuyenMa cm;
    cm.BangMaDich = L"VNI Windows";
    cm.ChuyenMaFile(src, d.WPath("vni.txt"));
    std::wstring vni = Convert(Paragraphs(), BangMaUtils::Unicode, L"VNI Windows");
    // The code units of the legacy charset, as UTF-8.
    EXPECT_TRUE(ReadBytes(d.Path("vni.txt")) == kBom + Utf8(vni));

    cm.BangMaNguon = L"VNI Windows";
    cm.BangMaDich = BangMaUtils::Unicode;
    cm.ChuyenMaFile(d.WPath("vni.txt"), d.WPath("back.txt"));
    EXPECT_TRUE(ReadBytes(d.Path("back.txt")) == kBom + Utf8(Paragraphs()));

    // Source and target the same file.
    cm.Flags = ChuyenMaFlags_ToUpper;
    cm.ChuyenMaFile(d.WPath("vni.txt"), d.WPath("vni.txt"));
    EXPECT_TRUE(ReadBytes(d.Path("vni.txt")) == kBom + Utf8(Utils::ToUpper(Paragraphs())));
}

TEST(ChuyenMaFile, RawLegacyFilesMadeByIconvAreReadWhole)
{
    // glibc writes the files people have: TCVN3 (as TCVN5712-1, which has
    // the same lower-case bytes), VISCII and Windows-1258.
    TempDir d;
    std::wstring text = LowerParagraphs();
    ASSERT_GT(text.size(), 900u);
    for (auto [name, iconvName] : {std::pair{L"TCVN3 (ABC)", "TCVN5712-1"}, std::pair{L"VISCII", "VISCII"},
                                   std::pair{L"Windows 1258", "CP1258"}}) {
        SCOPED_TRACE(iconvName);
        std::string raw;
        ASSERT_TRUE(Iconv(iconvName, "UTF-8", Utf8(text), raw));
        std::wstring dummy;
        ASSERT_FALSE(VanBanUtils::DecodeUtf8(raw, dummy)); // really not UTF-8
        std::wstring src = d.Write("raw.txt", raw);
        CChuyenMa cm;
        cm.BangMaNguon = name;
        cm.ChuyenMaFile(src, d.WPath("u.txt"));
        EXPECT_TRUE(ReadBytes(d.Path("u.txt")) == kBom + Utf8(text)); // all of it, not cut at a byte

        CChuyenMa detect;
        detect.AutoDetect = true;
        detect.BangMaNguon = L"VPS"; // replaced by the detected name
        detect.ChuyenMaFile(src, d.WPath("auto.txt"));
        EXPECT_EQ(detect.BangMaNguon, name);
        EXPECT_TRUE(ReadBytes(d.Path("auto.txt")) == kBom + Utf8(text));
    }
}

TEST(ChuyenMaFile, RawVniFileWithCapitals)
{
    // glibc has no VNI: the bytes come from the charset table.
    TempDir d;
    std::string raw = Bytes(Convert(Paragraphs(), BangMaUtils::Unicode, L"VNI Windows"));
    std::wstring src = d.Write("vni.txt", raw);
    CChuyenMa cm;
    cm.AutoDetect = true;
    cm.ChuyenMaFile(src, d.WPath("u.txt"));
    EXPECT_EQ(cm.BangMaNguon, L"VNI Windows");
    EXPECT_TRUE(ReadBytes(d.Path("u.txt")) == kBom + Utf8(Paragraphs()));
    // A raw file converted as Unicode keeps its bytes as code points.
    CChuyenMa same;
    same.ChuyenMaFile(src, d.WPath("same.txt"));
    EXPECT_TRUE(ReadBytes(d.Path("same.txt")) == kBom + Utf8(VanBanUtils::FromBytes(raw)));
}

TEST(ChuyenMaFile, UnreadableSourceAndUnwritableTargetAreReported)
{
    TempDir d;
    std::wstring src = d.Write("a.txt", "Việt");
    std::wstring target = d.Write("t.txt", "old");
    CChuyenMa cm;
    cm.BangMaDich = L"VIQR";
    EXPECT_EQ(Thrown(cm, d.WPath(""), target), L"Không đọc được tập tin \"" + Decode(d.Path("")) + L"\"");
    EXPECT_EQ(Thrown(cm, src, d.WPath("no/t.txt")), L"Không ghi được tập tin \"" + Decode(d.Path("no/t.txt")) + L"\"");
    EXPECT_EQ(Thrown(cm, src, d.WPath("")), L"Không ghi được tập tin \"" + Decode(d.Path("")) + L"\"");
    EXPECT_EQ(ReadBytes(d.Path("t.txt")), "old");
    EXPECT_EQ(FilesIn(d.Path("")), 2u);
}

TEST(ChuyenMaFile, PathsGivenAsTextAreUtf8)
{
    // A path that holds letters rather than bytes (from a window's text
    // field) names the file whose name is its UTF-8 form.
    TempDir d;
    d.Write("tài liệu.txt", "Vie^.t");
    CChuyenMa cm;
    cm.BangMaNguon = L"VIQR";
    cm.ChuyenMaFile(Decode(d.Path("tài liệu.txt")), Decode(d.Path("kết quả.txt")));
    EXPECT_EQ(ReadBytes(d.Path("kết quả.txt")), kBom + "Việt");
}

namespace {

// Running prose, past `size` bytes: several blocks of the converter.
std::string LongText(size_t size)
{
    const std::string piece = Utf8(Paragraphs());
    std::string text;
    while (text.size() < size) text += piece;
    return text;
}

} // namespace

TEST(ChuyenMaFile, ProgressRisesToTheSourceSize)
{
    TempDir d;
    const std::string text = LongText(3u << 20);
    std::wstring src = d.Write("in.txt", text);
    std::vector<std::pair<uint64_t, uint64_t>> seen;
    ChuyenMaFileWatch watch;
    watch.progress = [&seen](uint64_t done, uint64_t total) { seen.emplace_back(done, total); };
    CChuyenMa cm;
    cm.BangMaDich = L"VNI Windows";
    ASSERT_TRUE(cm.ChuyenMaFile(src, d.WPath("out.txt"), watch));
    ASSERT_GT(seen.size(), 2u);
    for (size_t i = 0; i < seen.size(); ++i) {
        EXPECT_EQ(seen[i].second, text.size());
        if (i > 0) {
            EXPECT_GT(seen[i].first, seen[i - 1].first) << i;
        }
    }
    EXPECT_EQ(seen.back().first, text.size());
    EXPECT_TRUE(ReadBytes(d.Path("out.txt")) ==
                kBom + Utf8(Convert(Decode(text), BangMaUtils::Unicode, L"VNI Windows")));
}

TEST(ChuyenMaFile, CancelLeavesTheTargetAsItWas)
{
    // Cancelled before the first block, and once the temporary file beside
    // the target holds part of the result.
    for (uint64_t cancelAt : {uint64_t(0), uint64_t(3u << 20)}) {
        SCOPED_TRACE(cancelAt);
        TempDir d;
        std::wstring src = d.Write("in.txt", LongText(6u << 20));
        std::wstring target = d.Write("t.txt", "old");
        std::atomic<bool> cancel{cancelAt == 0};
        size_t filesWhenCancelled = 0;
        ChuyenMaFileWatch watch;
        watch.cancel = &cancel;
        watch.progress = [&](uint64_t done, uint64_t) {
            if (cancel || done < cancelAt) return;
            filesWhenCancelled = FilesIn(d.Path(""));
            cancel = true;
        };
        CChuyenMa cm;
        cm.BangMaDich = L"VIQR";
        EXPECT_FALSE(cm.ChuyenMaFile(src, target, watch));
        if (cancelAt > 0) {
            EXPECT_EQ(filesWhenCancelled, 3u); // the temporary file
        }
        EXPECT_EQ(ReadBytes(d.Path("t.txt")), "old");
        EXPECT_EQ(FilesIn(d.Path("")), 2u);
    }
}

namespace {

// A clipboard payload with the header fields written at `width` digits.
std::string Payload(const std::string& fragment, size_t width, const std::string& eol = "\r\n")
{
    const std::string pre = "<html><body><!--StartFragment-->", post = "<!--EndFragment--></body></html>";
    auto num = [&](size_t n) {
        std::string s = std::to_string(n);
        return std::string(width - s.size(), '0') + s;
    };
    std::string head;
    for (int round = 0; round < 2; ++round) {
        size_t start = head.size();
        head = "Version:0.9" + eol + "StartHTML:" + num(start) + eol +
               "EndHTML:" + num(start + pre.size() + fragment.size() + post.size()) + eol +
               "StartFragment:" + num(start + pre.size()) + eol +
               "EndFragment:" + num(start + pre.size() + fragment.size()) + eol + "SourceURL:https://example.org/" +
               eol;
    }
    return head + pre + fragment + post;
}

size_t Field(const std::string& payload, const std::string& name)
{
    size_t p = payload.find("\n" + name + ":");
    return std::stoul(payload.substr(p + name.size() + 2));
}

// The document and the fragment that the header's offsets point at.
std::pair<std::string, std::string> Located(const std::string& payload)
{
    size_t sh = Field(payload, "StartHTML"), eh = Field(payload, "EndHTML");
    size_t sf = Field(payload, "StartFragment"), ef = Field(payload, "EndFragment");
    EXPECT_LE(eh, payload.size());
    return {payload.substr(sh, eh - sh), payload.substr(sf, ef - sf)};
}

CChuyenMa StripMarks()
{
    CChuyenMa cm;
    cm.Flags = ChuyenMaFlags_XoaDau;
    return cm;
}

} // namespace

TEST(HtmlClipboard, EightDigitHeaderKeepsItsLengthAndStartOffsets)
{
    std::string in = Payload("<b>Tiếng Việt</b> đẹp", 8);
    std::string out = StripMarks().ConvertHtmlClipboard(in);
    std::string expectFragment = "<b>Tieng Viet</b> dep";
    size_t start = Field(in, "StartHTML"), startFragment = Field(in, "StartFragment");
    size_t endFragment = startFragment + expectFragment.size();
    size_t endHtml = endFragment + std::string("<!--EndFragment--></body></html>").size();
    char head[256];
    std::snprintf(head, sizeof head,
                  "Version:0.9\r\nStartHTML:%08zu\r\nEndHTML:%08zu\r\nStartFragment:%08zu\r\nEndFragment:%08zu\r\n"
                  "SourceURL:https://example.org/\r\n",
                  start, endHtml, startFragment, endFragment);
    EXPECT_EQ(out, head + std::string("<html><body><!--StartFragment-->") + expectFragment +
                       "<!--EndFragment--></body></html>");
    EXPECT_EQ(Located(out).second, expectFragment);
}

TEST(HtmlClipboard, TenDigitHeaderGetsEightDigitEndsAndTrueOffsets)
{
    std::string in = Payload("Tiếng Việt", 10);
    std::string out = StripMarks().ConvertHtmlClipboard(in);
    std::vector<std::string> lines;
    for (size_t p = 0, e; (e = out.find('\n', p)) != std::string::npos && lines.size() < 6; p = e + 1)
        lines.push_back(out.substr(p, e - p + 1));
    ASSERT_EQ(lines.size(), 6u);
    EXPECT_EQ(lines[2].size(), std::string("EndHTML:12345678\r\n").size());
    EXPECT_EQ(lines[4].size(), std::string("EndFragment:12345678\r\n").size());
    EXPECT_EQ(lines[1].size(), std::string("StartHTML:1234567890\r\n").size()); // width kept
    // The header is four bytes shorter, and the offsets say so.
    EXPECT_EQ(Field(out, "StartHTML"), Field(in, "StartHTML") - 4);
    auto [doc, fragment] = Located(out);
    EXPECT_EQ(fragment, "Tieng Viet");
    EXPECT_EQ(doc, "<html><body><!--StartFragment-->Tieng Viet<!--EndFragment--></body></html>");
}

TEST(HtmlClipboard, LineFeedHeaderAndMissingFields)
{
    std::string in = Payload("Đà Lạt", 8, "\n");
    std::string out = StripMarks().ConvertHtmlClipboard(in);
    EXPECT_EQ(out.rfind("Version:0.9\nStartHTML:", 0), 0u);
    EXPECT_NE(out.find("\r\nStartFragment:"), std::string::npos); // the end lines always take CR LF
    EXPECT_EQ(Located(out).second, "Da Lat");

    // No header at all: every field reads as 0, so all ranges are empty
    // and only a header of zeros remains.
    std::string bare = StripMarks().ConvertHtmlClipboard("Đà Lạt");
    EXPECT_EQ(bare.rfind("Version:0\nStartHTML:", 0), 0u);
    EXPECT_NE(bare.find("SourceURL:0\n"), std::string::npos);
    EXPECT_EQ(bare.find("Lat"), std::string::npos);
    EXPECT_EQ(Located(bare), std::make_pair(std::string(), std::string()));
}

TEST(HtmlClipboard, SelectionLinesAreDroppedAndOffsetsFollow)
{
    std::string pre = "<html><body>", frag = "Hà Nội", post = "</body></html>";
    std::string head =
        "Version:1.0\r\nStartHTML:0000000000\r\nEndHTML:0000000000\r\nStartFragment:0000000000\r\n"
        "EndFragment:0000000000\r\nStartSelection:0000000000\r\nEndSelection:0000000000\r\n";
    size_t h = head.size();
    auto n10 = [](size_t n) {
        std::string s = std::to_string(n);
        return std::string(10 - s.size(), '0') + s;
    };
    head = "Version:1.0\r\nStartHTML:" + n10(h) + "\r\nEndHTML:" + n10(h + pre.size() + frag.size() + post.size()) +
           "\r\nStartFragment:" + n10(h + pre.size()) + "\r\nEndFragment:" + n10(h + pre.size() + frag.size()) +
           "\r\nStartSelection:" + n10(h + pre.size()) + "\r\nEndSelection:" + n10(h + pre.size() + frag.size()) +
           "\r\n";
    std::string out = StripMarks().ConvertHtmlClipboard(head + pre + frag + post);
    EXPECT_EQ(out.find("Selection"), std::string::npos);
    auto [doc, fragment] = Located(out);
    EXPECT_EQ(fragment, "Ha Noi");
    EXPECT_EQ(doc, pre + "Ha Noi" + post);
}

TEST(HtmlClipboard, BadOffsetsAndBadBytes)
{
    std::string in = Payload("Việt", 8);
    std::string beyond = in;
    size_t p = beyond.find("EndHTML:") + 8;
    beyond.replace(p, 8, "99999999");
    EXPECT_THROW(StripMarks().ConvertHtmlClipboard(beyond), std::out_of_range);

    // An end before its start runs to the end of the data.
    std::string reversed = in;
    p = reversed.find("EndFragment:") + 12;
    reversed.replace(p, 8, "00000001");
    std::string out = StripMarks().ConvertHtmlClipboard(reversed);
    EXPECT_NE(out.find("Viet<!--EndFragment--></body></html>"), std::string::npos);

    // Bytes that are not UTF-8 inside the fragment are kept, and the text
    // around them is still converted.
    std::string bad =
        StripMarks().ConvertHtmlClipboard(Payload("Việt\xFF"
                                                  "Nam đẹp",
                                                  8));
    EXPECT_EQ(Located(bad).second,
              "Viet\xFF"
              "Nam dep");
}
