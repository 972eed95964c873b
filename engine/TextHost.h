#pragma once

#include <string>

#include "engine/BoGo.h"
#include "engine/IInputMethodService.h"

// A host that behaves as an ordinary application: it applies every edit to
// its text, types a key itself when the engine does not consume it, and
// deletes one unit on a Backspace the engine leaves to it. Used by the
// command-line tool and the tests.
class CTextHost : public IInputMethodService {
public:
    CBoGo BoGo{this};
    std::wstring Committed; // text before the current run
    std::wstring Text;      // the run, in the charset's units
    bool EnabledFlag = true;
    bool Numpad = false;
    std::wstring TuDienTuGhepFile;

    CTextHost();

    void BackspaceAndSendString(int count, const std::wstring& text) override;
    bool IsNumpad() override { return Numpad; }
    bool Capslock() override { return false; }
    bool Enabled() override { return EnabledFlag; }
    void Enabled(bool on) override { EnabledFlag = on; }
    bool InitTuDienTuGhep(bool withHashes) override;
    void FinalizeTuDienTuGhep() override { TDTG.FreeMemory(); }

    // A printable key (space included); true when the engine consumed it.
    bool Key(wchar_t ch);
    bool BackspaceKey();
    // Ends the word as Return does and commits the run.
    void Commit();
    // Commits, then writes a character the engine does not take as a key.
    void Insert(wchar_t ch);
};
