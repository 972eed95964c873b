#pragma once

// Types a key stream through an application-like host and checks the
// engine's promises after every key: the host shows exactly the run the
// engine holds (encoded), no edit deletes more than the run, Backspace
// takes one character, the word being typed keeps its structure, and
// nothing throws. Shared by the engine, abbreviation and user-table
// targets.
#include <exception>
#include <string>
#include <vector>

#include "core/BangMaUtils.h"
#include "core/KieuGoUtils.h"
#include "core/SettingUtils.h"
#include "core/UtfConverter.h"
#include "engine/LuaChon.h"
#include "engine/TextHost.h"
#include "tests/common/WordInvariants.h"
#include "tests/fuzz/FuzzCommon.h"

namespace fuzz {

class CheckedHost : public CTextHost {
public:
    bool Check = true;
    void BackspaceAndSendString(int count, const std::wstring& text) override
    {
        if (Check && (count < 0 || (size_t)count > Text.size()))
            Fail("the engine deletes " + std::to_string(count) + " units of a run of " + std::to_string(Text.size()));
        CTextHost::BackspaceAndSendString(count, text);
    }
};

// Options from three bytes; the method and charset by index.
inline LuaChon Options(Input& in, const std::vector<std::wstring>& methods, const std::vector<std::wstring>& charsets)
{
    LuaChon o;
    const uint8_t m = in.Byte(), c = in.Byte();
    if (!methods.empty()) o.KieuGo = methods[m % methods.size()];
    if (!charsets.empty()) o.BangMa = charsets[c % charsets.size()];
    uint32_t bits = in.Byte() | (in.Byte() << 8) | (in.Byte() << 16);
    bool* flags[] = {&o.GoTat,
                     &o.XuLyHoaThuongKhiGoTat,
                     &o.GoTatPAD,
                     &o.GoTatPAC,
                     &o.BoDauThanhKieu2,
                     &o.PADTuDo,
                     &o.UODiKemPAC,
                     &o.DungTuDienDeKTChinhTa,
                     &o.KhoiPhucPhimVoiTuSai,
                     &o.GoCacTuTVLienTuc,
                     &o.TuThemDauSac,
                     &o.SuaLoiChinhTaTuDon,
                     &o.SuaLoiChinhTaTuGhep};
    for (bool* f : flags) {
        *f = bits & 1;
        bits >>= 1;
    }
    static const wchar_t* const pairs[] = {L"", L"oong ooc", L"uych uynh uyt", L"a ăng oong ooc eng ec"};
    o.NA_PAC_DacBiet = pairs[bits & 3];
    return o;
}

// The compound dictionary, read once and lent to each host: spelling
// correction of compounds asks the host for it.
inline TuDienTuGhep& SharedTuDienTuGhep()
{
    static TuDienTuGhep d = [] {
        TuDienTuGhep t;
        t.ReadTxtFile(SettingUtils::GetTuDienTuGhep());
        t.GenerateHashes();
        return t;
    }();
    return d;
}

struct Typing {
    CheckedHost host;
    bool checkText = true; // a charset that encodes plain keys cannot show what the engine holds
    std::wstring history;

    explicit Typing(const LuaChon& o)
    {
        host.TDTG = std::move(SharedTuDienTuGhep());
        o.ApDung(host.BoGo);
    }
    ~Typing() { SharedTuDienTuGhep() = std::move(host.TDTG); }

    std::string Where() const
    {
        return "\n  after keys ..." + UtfConverter::ToUtf8(history) + "\n  host:  " + UtfConverter::ToUtf8(host.Text) +
               "\n  model: " + UtfConverter::ToUtf8(host.BoGo.EncodeTatCaKT(false)) + "\n" +
               UtfConverter::ToUtf8(host.BoGo.GetDebugInfo());
    }

    // Keys 32-126 are typed; the others are Backspace (8, 127 and up),
    // the restore hot key (1), the commit hot key, Return, Tab and Escape
    // (3, 9, 10, 13, 27), a switch of the numeric keypad (4), and a
    // character typed from elsewhere (5). (The engine is never switched off
    // while it holds a run: the switch to English commits first, and then
    // no key reaches it.)
    void Key(uint8_t b)
    {
        CBoGo& bogo = host.BoGo;
        const std::wstring before = bogo.TatCaKT(false);
        const std::wstring committed = host.Committed;
        wchar_t shown;
        bool backspace = false;
        if (b >= 0x20 && b <= 0x7e) {
            shown = b;
            host.Key(b);
        } else if (b == 1) {
            shown = L'^';
            bogo.Undo();
        } else if (b == 3 || b == 9 || b == 10 || b == 13 || b == 27) {
            shown = L'|';
            host.Commit();
        } else if (b == 4) {
            shown = L'%';
            host.Numpad = !host.Numpad;
        } else if (b == 5) {
            shown = L'ư';
            host.Insert(L'ư');
        } else {
            shown = L'<';
            backspace = true;
            host.BackspaceKey();
        }
        history += shown;
        if (history.size() > 60) history.erase(0, history.size() - 60);

        const std::wstring after = bogo.TatCaKT(false);
        if (checkText && host.Text != bogo.EncodeTatCaKT(false)) Fail("the host shows another text" + Where());
        if (backspace && !before.empty() && after.size() + 1 != before.size())
            Fail("Backspace took " + std::to_string((long)before.size() - (long)after.size()) + " characters" +
                 Where());
        if (backspace && before.empty() && committed.size() != host.Committed.size() + (committed.empty() ? 0 : 1))
            Fail("Backspace before the run" + Where());
        if (!backspace && host.Committed.compare(0, committed.size(), committed) != 0)
            Fail("committed text changed" + Where());
        if (bogo.TuTV) {
            std::string broken = BrokenInvariant(*bogo.TuTV);
            if (!broken.empty()) Fail(broken + Where());
        }
    }

    void Keys(const std::string& keys)
    {
        try {
            for (char c : keys) Key((uint8_t)c);
            host.Commit();
        } catch (const std::exception& e) {
            Fail(std::string("the engine threw ") + e.what() + Where());
        }
        if (!host.Text.empty() || !host.BoGo.TatCaKT(false).empty()) Fail("a commit left a run" + Where());
    }
};

} // namespace fuzz
