#include <gtest/gtest.h>

#include <random>

#include "core/UtfConverter.h"
#include "engine/LuaChon.h"
#include "engine/TextHost.h"
#include "tests/common/KeyStreams.h"
#include "tests/common/TempDir.h"

namespace {

std::string U8(const std::wstring& s) { return UtfConverter::ToUtf8(s); }

// Real phrases from the compound dictionary, with capitals here and there.
std::vector<std::wstring> Phrases(size_t count, unsigned seed)
{
    TuDienTuGhep d;
    d.ReadTxtFile(Utils::GetExeFolder() + L"/Resources/TuDienTuGhep.txt");
    std::mt19937 rng(seed);
    std::vector<std::wstring> r;
    for (size_t i = 0; i < count && !d.Words.empty(); ++i) {
        std::wstring p = d.Words[rng() % d.Words.size()];
        if (rng() % 4 == 0) p[0] = Utils::ToUpper(p[0]);
        r.push_back(p);
    }
    return r;
}

struct Stream {
    std::wstring keys; // '<' Backspace, '~'... see Feed
};

// Feeds keys to a host; '\b' is Backspace, '\x01' Undo, '\n' commit.
// After every key the host's text must equal the engine's encoded run.
void Feed(CTextHost& host, const std::wstring& keys, const std::string& label)
{
    std::wstring history;
    for (wchar_t k : keys) {
        if (k == L'\b')
            host.BackspaceKey();
        else if (k == L'\x01')
            host.BoGo.Undo();
        else if (k == L'\n')
            host.Commit();
        else
            host.Key(k);
        history += k == L'\b' ? L'<' : k == L'\x01' ? L'^' : k == L'\n' ? L'|' : k;
        if (history.size() > 50) history.erase(0, history.size() - 50);
        std::wstring model = host.BoGo.EncodeTatCaKT(false);
        if (host.Text != model) {
            FAIL() << label << ": after ..." << U8(history) << "\n  host:  " << U8(host.Text)
                   << "\n  model: " << U8(model) << "\n"
                   << U8(host.BoGo.GetDebugInfo());
        }
    }
}

std::wstring RandomKeys(std::mt19937& rng, size_t n, const std::wstring& method)
{
    std::wstring letters = L"aaaeeeiioooouuuyddnghtcmpqkbvlrsxAEODNT";
    if (method == L"VNI")
        letters += L"1234567890";
    else if (method == L"VIQR")
        letters += L"'`?~.^(+*\\";
    else
        letters += L"sfrxjzwwww[]{}";
    const std::wstring other = L"  ,.;!0123";
    std::wstring out;
    for (size_t i = 0; i < n; ++i) {
        unsigned r = rng() % 100;
        if (r < 75)
            out += letters[rng() % letters.size()];
        else if (r < 87)
            out += other[rng() % other.size()];
        else if (r < 95)
            out += L'\b';
        else if (r < 98)
            out += L'\x01';
        else
            out += L'\n';
    }
    return out;
}

} // namespace

TEST(Driver, HostTextFollowsTheModelKeyByKey)
{
    for (const wchar_t* method : {L"Telex 2", L"Telex", L"VNI", L"VIQR"}) {
        for (const wchar_t* charset : {L"Unicode", L"VNI Windows"}) {
            for (int variant = 0; variant < 2; ++variant) {
                CTextHost host;
                LuaChon o;
                o.KieuGo = method;
                o.BangMa = charset;
                if (variant == 1) {
                    o.BoDauThanhKieu2 = o.GoCacTuTVLienTuc = o.TuThemDauSac = o.SuaLoiChinhTaTuDon = true;
                    o.DungTuDienDeKTChinhTa = o.GoTatPAD = o.GoTatPAC = o.PADTuDo = true;
                }
                o.ApDung(host.BoGo);
                host.BoGo.GoTat_Search = {L"vn", L"ko", L"hcm"};
                host.BoGo.GoTat_Replace = {L"Việt Nam", L"không", L"thành phố Hồ Chí Minh"};
                std::string label = U8(method) + " / " + U8(charset) + (variant ? " / options on" : "");
                std::mt19937 rng(variant * 7 + method[0] + charset[0]);
                // Real text with typos, Backspace and Undo mixed in.
                std::wstring real;
                for (const std::wstring& p : Phrases(150, rng())) {
                    std::wstring k = keys::Text(p, method);
                    for (wchar_t c : k) {
                        real += c;
                        if (rng() % 40 == 0) real += L'\b';
                        if (rng() % 150 == 0) real += L'\x01';
                    }
                    real += rng() % 10 == 0 ? L"vn " : L" ";
                    if (rng() % 6 == 0) real += L'\n';
                }
                Feed(host, real, label + " / real text");
                Feed(host, RandomKeys(rng, 20000, method), label + " / random keys");
            }
        }
    }
}
