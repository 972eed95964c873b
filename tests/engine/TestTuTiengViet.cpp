#include <gtest/gtest.h>

#include "tests/engine/WordTyper.h"

namespace {

struct Typing : ::testing::Test {
    CBoGo bogo;
    WordTyper typer{bogo};
    std::wstring T(const std::wstring& keys) { return typer.Type(keys); }
    TuTiengViet& W() { return *typer.Word; }
    void Backspace()
    {
        W().ResetProperties();
        if (W().Backspace()) typer.Word.reset();
    }
};

} // namespace

TEST_F(Typing, TonePlacementInBothStyles)
{
    EXPECT_EQ(T(L"hoaf"), L"hòa");
    EXPECT_EQ(T(L"hoanf"), L"hoàn");
    EXPECT_EQ(T(L"tuys"), L"túy");
    EXPECT_EQ(T(L"khuyur"), L"khuỷu");
    EXPECT_EQ(T(L"muaf"), L"mùa");
    EXPECT_EQ(T(L"caos"), L"cáo");
    EXPECT_EQ(T(L"ngoayx"), L"ngoãy");
    EXPECT_EQ(T(L"nguwowif"), L"người");
    EXPECT_EQ(T(L"tieengs"), L"tiếng");
    EXPECT_EQ(T(L"thuowr"), L"thuở");
    bogo.BoDauThanhKieu2 = true;
    EXPECT_EQ(T(L"hoaf"), L"hoà");
    EXPECT_EQ(T(L"hoef"), L"hoè");
    EXPECT_EQ(T(L"tuys"), L"tuý");
    EXPECT_EQ(T(L"hoanf"), L"hoàn");
    EXPECT_EQ(T(L"muaf"), L"mùa");
}

TEST_F(Typing, ToneMovesWithTheFinalAndBackspace)
{
    EXPECT_EQ(T(L"hoafn"), L"hoàn");
    EXPECT_EQ(W().VTCoThayDoi, 1); // the tone left the o
    Backspace();
    EXPECT_EQ(W().CacKT, L"hòa");
    EXPECT_EQ(W().VTCoThayDoi, 1);
    EXPECT_EQ(W().VTDT, 1);
}

TEST_F(Typing, ToneKeysThatDoNotApply)
{
    EXPECT_EQ(T(L"thf"), L"thf");   // no vowel: the key is typed
    EXPECT_EQ(T(L"sacf"), L"sacf"); // final c takes no grave
    EXPECT_EQ(T(L"sacj"), L"sạc");
    EXPECT_EQ(T(L"ass"), L"as"); // twice: tone off, key typed
    EXPECT_EQ(T(L"asf"), L"à");
    EXPECT_EQ(W().VTDT, 0);
    EXPECT_EQ(T(L"tasz"), L"ta");
    EXPECT_EQ(T(L"taz"), L"taz");
}

TEST_F(Typing, GiAndQuInitials)
{
    EXPECT_EQ(T(L"gias"), L"giá");
    EXPECT_EQ(W().CDPAD, 2);
    T(L"gis");
    EXPECT_EQ(W().CacKT, L"gí");
    W().ResetProperties();
    W().BatDauXuLy(L'a', L'a');
    EXPECT_TRUE(W().XuLyKT()); // the tone moved onto the key just typed
    EXPECT_EQ(W().CacKT, L"giá");
    EXPECT_EQ(W().VTCoThayDoi, 1);
    Backspace();
    EXPECT_EQ(W().CacKT, L"gi");
    EXPECT_EQ(W().CDPAD, 1);
    EXPECT_EQ(W().CDNA, 1);
    EXPECT_EQ(W().WA, 1);

    EXPECT_EQ(T(L"gif"), L"gì");
    EXPECT_EQ(T(L"gifn"), L"gìn");
    EXPECT_EQ(T(L"gieengs"), L"giếng");

    T(L"qua");
    EXPECT_EQ(W().CDPAD, 2);
    EXPECT_EQ(W().CDNA, 1);
    EXPECT_EQ(T(L"quoocs"), L"quốc");
    T(L"qo");
    EXPECT_TRUE(W().KoPhaiTV());
}

TEST_F(Typing, TooManyVowelsOrAVowelAfterTheFinal)
{
    T(L"khuyua");
    EXPECT_TRUE(W().KoPhaiTV());
    T(L"anha");
    EXPECT_TRUE(W().KoPhaiTV());
    T(L"khuyu");
    EXPECT_FALSE(W().KoPhaiTV());
}

TEST_F(Typing, HornKeyThatCanWriteU)
{
    EXPECT_EQ(T(L"uow"), L"uơ");
    EXPECT_EQ(T(L"huown"), L"hươn");
    EXPECT_EQ(T(L"uoww"), L"ươ");
    EXPECT_EQ(T(L"uowww"), L"uow");
    EXPECT_EQ(T(L"tw"), L"tư");
    EXPECT_EQ(T(L"tww"), L"tw");
    EXPECT_EQ(T(L"uwoi"), L"ươi");
    EXPECT_EQ(T(L"uowi"), L"ươi");
    EXPECT_EQ(T(L"thuowrw"), L"thưở");
    EXPECT_EQ(W().VTDT, 3);
    bogo.GhepVan.UODiKemPAC(true);
    EXPECT_EQ(T(L"huown"), L"huơn");
}

TEST_F(Typing, DoublePressUndoesShapeMarks)
{
    EXPECT_EQ(T(L"aa"), L"â");
    EXPECT_EQ(T(L"aaa"), L"aa");
    EXPECT_EQ(T(L"dd"), L"đ");
    EXPECT_EQ(T(L"ddd"), L"dd");
    EXPECT_EQ(T(L"aw"), L"ă");
    EXPECT_EQ(T(L"awa"), L"â"); // ă ↔ â without passing through a
    EXPECT_EQ(T(L"aaw"), L"ă");
    EXPECT_EQ(T(L"oo"), L"ô");
    EXPECT_EQ(T(L"ooo"), L"oo");
    EXPECT_EQ(T(L"ees"), L"ế");
    EXPECT_EQ(T(L"eese"), L"ée"); // the mark goes, the tone stays
    EXPECT_EQ(T(L"vieetj"), L"việt");
    EXPECT_EQ(T(L"vieejt"), L"việt");
}

TEST_F(Typing, ReadyMadeLettersOfTelex2)
{
    EXPECT_EQ(T(L"t]"), L"tư");
    EXPECT_EQ(T(L"t]]"), L"t"); // the second press takes the letter back and ends the word
    EXPECT_TRUE(typer.Ended);
    EXPECT_EQ(T(L"T}"), L"TƯ");
    EXPECT_EQ(T(L"n[i"), L"nơi");
}

TEST_F(Typing, CaseIsKept)
{
    EXPECT_EQ(T(L"VIEETJ"), L"VIỆT");
    EXPECT_EQ(T(L"Nguwowif"), L"Người");
    EXPECT_EQ(T(L"DDUWOWNGF"), L"ĐƯỜNG");
    EXPECT_EQ(T(L"tHUOWR"), L"tHUỞ");
    TuTiengViet w(&bogo, L"ANH");
    w.ThayThePAC(L"ng");
    EXPECT_EQ(w.CacKT, L"ANG");
    EXPECT_EQ(w.CacKTThuong, L"ang");
    EXPECT_EQ(w.VTCoThayDoi, 2);
    TuTiengViet v(&bogo, L"Nhanh");
    v.ThayThePAD(L"ch");
    EXPECT_EQ(v.CacKT, L"Chanh");
    EXPECT_EQ(v.VTCoThayDoi, 0);
    TuTiengViet u(&bogo, L"giả");
    u.ThayThePAD(L"d");
    EXPECT_EQ(u.CacKT, L"dả");
    EXPECT_EQ(u.VTDT, 1);
}

TEST_F(Typing, SpellingJudgementsAtWordEnd)
{
    // â and ă need a final after an initial or with a tone; alone they are
    // the letters.
    for (const wchar_t* k : {L"aa", L"aw", L"Aw", L"AA"}) {
        T(k);
        EXPECT_FALSE(W().SaiCT()) << (int)k[1];
    }
    for (const wchar_t* k : {L"baa", L"aws", L"aaf"}) {
        T(k);
        EXPECT_TRUE(W().SaiCT()) << (int)k[1];
    }
    T(L"ban");
    EXPECT_FALSE(W().NenKhoiPhucPhim()); // nothing was transformed
    T(L"ie");
    EXPECT_TRUE(W().SaiCT());
    EXPECT_FALSE(W().NenKhoiPhucPhim());
    T(L"ddaa");
    EXPECT_TRUE(W().NenKhoiPhucPhim()); // a word starting with đ can be restored
    T(L"ddau");
    EXPECT_FALSE(W().NenKhoiPhucPhim());
    EXPECT_TRUE(W().CoNAVaDungCT());
    T(L"tieeng");
    EXPECT_FALSE(W().SaiCT());
    T(L"tiee");
    EXPECT_TRUE(W().SaiCT());
}

TEST_F(Typing, KeyRestore)
{
    T(L"chuaanr");
    EXPECT_EQ(W().CacKT, L"chuẩn");
    W().ResetProperties();
    W().KhoiPhucPhim();
    EXPECT_EQ(W().CacKT, L"chuaanr");
    EXPECT_EQ(W().VTCoThayDoi, 3);
    EXPECT_TRUE(W().KoPhaiTV());

    T(L"vieetj");
    W().ResetProperties();
    W().KhoiPhucPhim();
    EXPECT_EQ(W().CacKT, L"vieetj");
    EXPECT_EQ(W().Raw, L"vieetj");
    EXPECT_EQ(W().VTCoThayDoi, 2);
}

TEST_F(Typing, DebugText)
{
    TuTiengViet w(&bogo);
    EXPECT_EQ(w.GetInfo(),
              L"CacKT = \r\nRaw = \r\nWA = 0\r\nCDPAD = 0\r\nCDNA = 0\r\nCDPAC = 0\r\nCD0TV = 0"
              L"\r\nVTDau = -1\r\nVTDT = -1\r\nDT = -1");
    TuTiengViet v(&bogo, L"hòa");
    EXPECT_EQ(v.GetInfo(),
              L"CacKT = hòa\r\nRaw = hòa\r\nWA = 1\r\nCDPAD = 1\r\nCDNA = 2\r\nCDPAC = 0\r\nCD0TV = 0"
              L"\r\nVTDau = -1\r\nVTDT = 1\r\nDT = 1\r\nKTCoDT = o");
}

TEST_F(Typing, ParsingATextKeepsItsTonePlace)
{
    TuTiengViet a(&bogo, L"hoà");
    EXPECT_EQ(a.CacKT, L"hoà");
    EXPECT_EQ(a.VTDT, 2);
    EXPECT_TRUE(a.CoNAVaDungCT());
    a.SuaVTDauThanh();
    EXPECT_EQ(a.CacKT, L"hòa");
    EXPECT_EQ(a.VTCoThayDoi, 1);

    TuTiengViet b(&bogo, L"người");
    EXPECT_EQ(b.VTDau, 3);
    EXPECT_EQ(b.VTDT, 3);
    EXPECT_EQ(b.LayNA(), L"ươi");
    EXPECT_TRUE(b.CoNAVaDungCT());

    TuTiengViet c(&bogo, L"krôm");
    EXPECT_FALSE(c.CoNAVaDungCT());
    TuTiengViet d(&bogo, L"Việt Nam");
    EXPECT_TRUE(d.KoPhaiTV());
    EXPECT_EQ(d.LayCacKTTV(), L"Việt");
    d.RemoveCacKyTu0TV();
    EXPECT_EQ(d.CacKT, L"Việt");
    EXPECT_TRUE(d.CoNAVaDungCT());
}

TEST_F(Typing, GetSequence)
{
    EXPECT_EQ(TuTiengViet::GetSequence(L"nghiêng", TV::LaPA), L"ngh");
    EXPECT_EQ(TuTiengViet::GetSequence(L"an", TV::LaPA), L"");
    EXPECT_EQ(TuTiengViet::GetSequence(L"bcd", TV::LaPA), L"bcd");
}
