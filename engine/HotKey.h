#pragma once

#include <cstdint>
#include <string>

// Modifier flags of a key chord.
enum MOD : uint32_t { MOD_NONE = 0, MOD_ALT = 1, MOD_CONTROL = 2, MOD_SHIFT = 4, MOD_WIN = 8 };

// A chord of modifiers with or without one further key (an X keysym).
class CHotKey {
public:
    uint32_t Modifiers = 0;
    unsigned short Key = 0;

    CHotKey() = default;
    CHotKey(uint32_t modifiers, unsigned short key) : Modifiers(modifiers), Key(key) {}
    explicit CHotKey(int packed) : Modifiers((uint32_t)packed >> 16), Key((unsigned short)(packed & 0xFFFF)) {}

    int ToInteger() const { return (int)((Modifiers << 16) | Key); }
    bool operator==(const CHotKey& o) const { return ToInteger() == o.ToInteger(); }
    bool operator!=(const CHotKey& o) const { return !(*this == o); }
    bool HasKey() const { return Key != 0; }
    bool IsValidHotKey() const { return Key != 0 && Modifiers > 0; }
    static std::wstring KeyToString(unsigned short) { return std::wstring(); }
    std::wstring ToString() const
    {
        std::wstring s;
        if (Modifiers & MOD_CONTROL) s += L"Ctrl+";
        if (Modifiers & MOD_SHIFT) s += L"Shift+";
        if (Modifiers & MOD_ALT) s += L"Alt+";
        if (Modifiers & MOD_WIN) s += L"Win+";
        if (Key != 0)
            s += KeyToString(Key);
        else if (!s.empty())
            s.pop_back();
        return s;
    }
};

class CInputMethodService;

// An action that a hot key runs instead of typing.
class CHotKeyActionBase {
public:
    CHotKey HotKey;
    CInputMethodService* Service = nullptr;

    CHotKeyActionBase() = default;
    explicit CHotKeyActionBase(CInputMethodService* service) : Service(service) {}
    // True when the action used the key.
    virtual bool DoAction() = 0;

protected:
    ~CHotKeyActionBase() = default;
};
