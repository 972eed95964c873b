#pragma once

#include <string>

#include "core/TuDienTuGhep.h"

// How the typing engine reaches its host: edits before the caret, questions
// about the current key, and the compound-word dictionary the host owns.
class IInputMethodService {
public:
    TuDienTuGhep TDTG;

    // Delete `count` units before the caret, then type `text` (both in the
    // current charset's units).
    virtual void BackspaceAndSendString(int count, const std::wstring& text) = 0;
    virtual bool IsNumpad() = 0;
    virtual bool Capslock() = 0;
    virtual bool Enabled() = 0;
    virtual void Enabled(bool on) = 0;
    // Make TDTG ready (with hashes when asked); false when it cannot be.
    virtual bool InitTuDienTuGhep(bool withHashes) = 0;
    virtual void FinalizeTuDienTuGhep() = 0;

protected:
    // Hosts are never deleted through this interface.
    ~IInputMethodService() = default;
};
