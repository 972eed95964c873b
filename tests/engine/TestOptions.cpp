#include <gtest/gtest.h>

#include "core/UtfConverter.h"
#include "engine/HotKey.h"
#include "engine/LuaChon.h"
#include "engine/TextHost.h"
#include "tests/common/TempDir.h"

namespace {

// Types text as keys into a host with the given options; '\b' is Backspace.
struct Typist {
    CTextHost host;
    explicit Typist(const LuaChon& o = LuaChon()) { o.ApDung(host.BoGo); }
    Typist& operator<<(const std::wstring& keys)
    {
        for (wchar_t c : keys) c == L'\b' ? (void)host.BackspaceKey() : (void)host.Key(c);
        return *this;
    }
    std::wstring Screen() const { return host.Committed + host.Text; }
    void Undo() { host.BoGo.Undo(); }
};

LuaChon With(std::initializer_list<std::pair<const wchar_t*, const wchar_t*>> pairs)
{
    LuaChon o;
    for (auto& [k, v] : pairs) EXPECT_TRUE(o.Dat(k, v)) << UtfConverter::ToUtf8(k);
    return o;
}

} // namespace

TEST(Options, DefaultsMatchTheOptionsFile)
{
    TempDir d;
    LuaChon none = LuaChon::DocFile(d.WPath("missing.ini"));
    EXPECT_EQ(none.KieuGo, L"Telex 2");
    EXPECT_EQ(none.BangMa, L"Unicode");
    EXPECT_TRUE(none.GoTat && none.XuLyHoaThuongKhiGoTat && none.KhoiPhucPhimVoiTuSai && none.EnableMouseHook);
    EXPECT_FALSE(none.Suggestion || none.GoTatPAD || none.SuaLoiChinhTaTuGhep || none.PreEditDecorate);
    EXPECT_EQ(none.SoLuongTuGoiY, 24);
    EXPECT_EQ(none.PhimChuyenCheDo, (MOD_CONTROL | MOD_SHIFT) << 16); // Ctrl+Shift released alone
    EXPECT_TRUE(none.NhoCheDoTheoUngDung);
    EXPECT_EQ(LuaChon::Keys().size(), 23u);
    EXPECT_EQ(none.Ghi().size(), 23u);

    // The section name is exact: another case is not found.
    LuaChon other = LuaChon::DocFile(d.Write("a.ini", "[luachon]\nKieuGo=VNI\n"));
    EXPECT_EQ(other.KieuGo, L"Telex 2");
    LuaChon read = LuaChon::DocFile(d.Write("b.ini",
                                            "\xEF\xBB\xBF[LuaChon]\nKieuGo = VNI ; x\nGoTat=0\nSoLuongTuGoiY=10\n"
                                            "EnableMouseHook=2\nNA_PAC_DacBiet=oong ooc\n"));
    EXPECT_EQ(read.KieuGo, L"VNI ");
    EXPECT_FALSE(read.GoTat);
    EXPECT_EQ(read.SoLuongTuGoiY, 10);
    EXPECT_TRUE(read.EnableMouseHook);
    EXPECT_EQ(read.NA_PAC_DacBiet, L"oong ooc");

    // Written and read back, every key keeps its value.
    LuaChon changed = With({{L"BoDauThanhKieu2", L"1"}, {L"SoLuongTuGoiY", L"7"}, {L"BangMa", L"VISCII"}});
    IniFile ini;
    IniFile::Sections s;
    s[LuaChon::Section] = changed.Ghi();
    ini.Write(d.WPath("c.ini"), s);
    LuaChon back = LuaChon::DocFile(d.WPath("c.ini"));
    EXPECT_EQ(back.Ghi(), changed.Ghi());
    EXPECT_FALSE(back.Dat(L"NoSuchKey", L"1"));
    EXPECT_FALSE(back.Dat(L"GoTat", L"yes"));
}

TEST(Options, KeyRestoreGivesBackForeignWords)
{
    Typist on;
    on << L"window vieetnam ";
    EXPECT_EQ(on.Screen(), L"window vieetnam ");
    Typist off(With({{L"KhoiPhucPhimVoiTuSai", L"0"}}));
    off << L"window ";
    EXPECT_EQ(off.Screen(), L"ưindow ");
    // A word without any transformation is never touched.
    Typist plain;
    plain << L"time ";
    EXPECT_EQ(plain.Screen(), L"time ");
}

TEST(Options, DictionaryCheckRestoresUnknownSyllables)
{
    Typist rules;
    rules << L"thoangj ";
    EXPECT_EQ(rules.Screen(), L"thoạng ");
    Typist dict(With({{L"DungTuDienDeKTChinhTa", L"1"}}));
    dict << L"thoangj vieetj ";
    EXPECT_EQ(dict.Screen(), L"thoangj việt ");
}

TEST(Options, BackToBackWords)
{
    Typist on(With({{L"GoCacTuTVLienTuc", L"1"}}));
    on << L"vieejtnam ";
    EXPECT_EQ(on.Screen(), L"việtnam ");
    // A word of one key that is no Vietnamese shows the key once.
    Typist one(With({{L"GoCacTuTVLienTuc", L"1"}}));
    one << L"ww";
    EXPECT_EQ(one.Screen(), L"w");
    EXPECT_EQ(one.host.Text, one.host.BoGo.EncodeTatCaKT(false));
    // A foreign word brought back by Backspace stays foreign when the key
    // typed after it is taken off again.
    Typist back(With({{L"KieuGo", L"VNI"}, {L"GoCacTuTVLienTuc", L"1"}}));
    back << L"w \br\b";
    ASSERT_TRUE(back.host.BoGo.TuTV);
    EXPECT_EQ(back.host.BoGo.TuTV->CacKT, L"w");
    EXPECT_TRUE(back.host.BoGo.TuTV->KoPhaiTV());
    Typist off;
    off << L"vieejtnam ";
    EXPECT_EQ(off.Screen(), L"vieejtnam ");
}

TEST(Options, AbbreviationsAndTheirCase)
{
    Typist t;
    t.host.BoGo.GoTat_Search = {L"vn", L"hcm", L"ko"};
    t.host.BoGo.GoTat_Replace = {L"Việt Nam", L"thành phố Hồ Chí Minh", L"không"};
    t << L"vn, VN Ko hcm xvn";
    t.host.Commit();
    EXPECT_EQ(t.Screen(), L"Việt Nam, VIỆT NAM Không thành phố Hồ Chí Minh xvn");

    LuaChon exact = With({{L"XuLyHoaThuongKhiGoTat", L"0"}});
    Typist e(exact);
    e.host.BoGo.GoTat_Search = {L"ko"};
    e.host.BoGo.GoTat_Replace = {L"không"};
    e << L"ko Ko KO ";
    EXPECT_EQ(e.Screen(), L"không Ko KO ");

    Typist off(With({{L"GoTat", L"0"}}));
    off.host.BoGo.GoTat_Search = {L"ko"};
    off.host.BoGo.GoTat_Replace = {L"không"};
    off << L"ko ";
    EXPECT_EQ(off.Screen(), L"ko ");

    // Matches across words, and the expansion's tones follow the style.
    Typist multi(With({{L"BoDauThanhKieu2", L"1"}}));
    multi.host.BoGo.GoTat_Search = {L"hoa binh"};
    multi.host.BoGo.GoTat_Replace = {L"hòa bình"};
    multi << L"hoa binh.";
    EXPECT_EQ(multi.Screen(), L"hoà bình.");
}

TEST(Options, ConsonantShortcuts)
{
    Typist on(With({{L"GoTatPAD", L"1"}, {L"GoTatPAC", L"1"}, {L"KieuGo", L"Telex"}}));
    on << L"fa jaf wa ak ag tieesg ah ";
    EXPECT_EQ(on.Screen(), L"pha già qua ach ang tiếng anh ");
    Typist off(With({{L"KieuGo", L"Telex"}}));
    off << L"fa ak ";
    EXPECT_EQ(off.Screen(), L"fa ak ");

    // With free initials on, switching the shortcuts off keeps f, j, w.
    CBoGo b;
    b.GhepVan.PADTuDo(true);
    b.GoTatPAD(true);
    b.GoTatPAD(false);
    EXPECT_TRUE(b.GhepVan.LaPAD(L"f") && b.GhepVan.LaPAD(L"j") && b.GhepVan.LaPAD(L"w"));
    CBoGo c;
    c.GoTatPAD(true);
    c.GoTatPAD(false);
    EXPECT_FALSE(c.GhepVan.LaPAD(L"f"));
    c.GoTatPAC(true);
    EXPECT_TRUE(c.GhepVan.LaPAC(L"k"));
    c.GoTatPAC(false);
    EXPECT_FALSE(c.GhepVan.LaPAC(L"k"));
}

TEST(Options, AutomaticAcuteTone)
{
    Typist on(With({{L"TuThemDauSac", L"1"}}));
    on << L"mat hoc ban ";
    EXPECT_EQ(on.Screen(), L"mát hóc ban ");
    Typist off;
    off << L"mat ";
    EXPECT_EQ(off.Screen(), L"mat ");
}

TEST(Options, SpellingCorrectionOfWordsAndPairs)
{
    Typist single(With({{L"SuaLoiChinhTaTuDon", L"1"}}));
    single << L"vieesc sinh truyeens ";
    EXPECT_EQ(single.Screen(), L"viết sinh chuyến ");
    Typist none;
    none << L"vieesc ";
    EXPECT_EQ(none.Screen(), L"viếc ");

    Typist pair(With({{L"SuaLoiChinhTaTuGhep", L"1"}}));
    ASSERT_TRUE(pair.host.BoGo.SuaLoiChinhTaTuGhepEnabled);
    pair << L"truwowng chinhf ";
    EXPECT_EQ(pair.Screen(), L"chương trình ");
    pair.Undo();
    EXPECT_EQ(pair.Screen(), L"trương chình ");
    // Two spaces between the words: no pair correction.
    Typist apart(With({{L"SuaLoiChinhTaTuGhep", L"1"}}));
    apart << L"truwowng  chinhf ";
    EXPECT_EQ(apart.Screen(), L"trương  chình ");

    // A host that cannot load the dictionary leaves the option off.
    CTextHost host;
    host.TuDienTuGhepFile = L"/nonexistent/TuDienTuGhep.txt";
    host.BoGo.SuaLoiChinhTaTuGhep(true);
    EXPECT_FALSE(host.BoGo.SuaLoiChinhTaTuGhepEnabled);
}

TEST(Driver, EscapeKeyAndKeypad)
{
    Typist viqr(With({{L"KieuGo", L"VIQR"}}));
    viqr << L"a\\'";
    EXPECT_EQ(viqr.Screen(), L"a'");
    Typist twice(With({{L"KieuGo", L"VIQR"}}));
    twice << L"a\\\\";
    EXPECT_EQ(twice.Screen(), L"a\\");
    Typist after(With({{L"KieuGo", L"VIQR"}}));
    after << L"a\\^";
    EXPECT_EQ(after.Screen(), L"a^");

    Typist vni(With({{L"KieuGo", L"VNI"}}));
    vni << L"a";
    vni.host.Numpad = true;
    vni << L"1";
    vni.host.Numpad = false;
    vni << L"2"; // the word is no longer Vietnamese: digits type themselves
    EXPECT_EQ(vni.Screen(), L"a12");
    Typist tone(With({{L"KieuGo", L"VNI"}}));
    tone << L"a1";
    EXPECT_EQ(tone.Screen(), L"á");
}

TEST(Driver, UndoAfterEachKindOfChange)
{
    Typist exp;
    exp.host.BoGo.GoTat_Search = {L"vn"};
    exp.host.BoGo.GoTat_Replace = {L"Việt Nam"};
    exp << L"vn ";
    EXPECT_EQ(exp.Screen(), L"Việt Nam ");
    exp.Undo();
    EXPECT_EQ(exp.Screen(), L"vn ");

    Typist typing;
    typing << L"vieet";
    typing.Undo();
    EXPECT_EQ(typing.Screen(), L"vieet");

    Typist ended;
    ended << L"vieet ";
    ended.Undo();
    EXPECT_EQ(ended.Screen(), L"vieet ");

    Typist restored;
    restored << L"ddaa ";
    EXPECT_EQ(restored.Screen(), L"ddaa ");
    restored.Undo(); // back to the word as it was, being typed again
    EXPECT_EQ(restored.Screen(), L"đâ");
    restored << L"u ";
    EXPECT_EQ(restored.Screen(), L"đâu ");

    Typist corrected(With({{L"SuaLoiChinhTaTuDon", L"1"}}));
    corrected << L"vieesc ";
    corrected.Undo();
    EXPECT_EQ(corrected.Screen(), L"viếc ");
}

TEST(Driver, BackspaceMakesThePreviousWordEditable)
{
    Typist t;
    t << L"toi, \b\b";
    EXPECT_EQ(t.Screen(), L"toi");
    t << L"f";
    EXPECT_EQ(t.Screen(), L"tòi");
    // Several units a letter: deleting it sends the extra units.
    Typist v(With({{L"BangMa", L"VNI Windows"}}));
    v << L"vieejt\b\b";
    EXPECT_EQ(v.host.Text, v.host.BoGo.EncodeTatCaKT(false));
    EXPECT_EQ(v.host.BoGo.TatCaKT(false), L"vi");
}

TEST(GoTatFile, LinesAreSplitAtTheFirstTab)
{
    TempDir d;
    std::string big(1024 * 1024, 'x');
    std::wstring path = d.Write("GoTat.ini",
                                "\xEF\xBB\xBFheader\tignored\nvn\tVi\xE1\xBB\x87t Nam\nno tab here\n"
                                "\tempty key\nab\tone\ttwo \r\nbig\t" +
                                    big + "\nbad\tx\xC3(y\n");
    CBoGo b;
    b.LoadGoTat(path);
    EXPECT_EQ(b.GoTat_Search, (std::vector<std::wstring>{L"vn", L"", L"ab", L"big", L"bad"}));
    EXPECT_EQ(b.GoTat_Replace[0], L"Việt Nam");
    EXPECT_EQ(b.GoTat_Replace[1], L"empty key");
    EXPECT_EQ(b.GoTat_Replace[2], L"one\ttwo ");
    EXPECT_EQ(b.GoTat_Replace[3].size(), big.size());
    EXPECT_EQ(b.GoTat_Replace[4], L"x");
    // A missing file keeps the table.
    b.LoadGoTat(d.WPath("missing.ini"));
    EXPECT_EQ(b.GoTat_Search.size(), 5u);
    // Only the header: an empty table.
    b.LoadGoTat(d.Write("h.ini", "header only"));
    EXPECT_TRUE(b.GoTat_Search.empty());

    // The empty abbreviation matches after a non-letter.
    Typist t;
    t.host.BoGo.GoTat_Search = {L""};
    t.host.BoGo.GoTat_Replace = {L"!"};
    t << L"a  ";
    EXPECT_EQ(t.Screen(), L"a ! ");
    // A 1 MB expansion goes through.
    Typist huge;
    huge.host.BoGo.LoadGoTat(path);
    huge << L"big ";
    EXPECT_EQ(huge.Screen().size(), big.size() + 1);
}
