#pragma once

#include <string>

class CSuggestionUI;

// What an input-method framework does for one of its input contexts. The
// service reaches the application only through this: IBus and Fcitx each
// bind it to their own context object.
class IInputContext {
public:
    // Shows `text` as the pre-edit, the caret after it.
    virtual void UpdatePreedit(const std::u32string& text, bool underline) = 0;
    virtual void HidePreedit() = 0;
    virtual void CommitText(const std::u32string& text) = 0;
    // The suggestion list's page or cursor changed.
    virtual void UpdateLookupTable(CSuggestionUI& list) = 0;
    virtual void ShowLookupTable() = 0;
    virtual void HideLookupTable() = 0;
    // The application the context belongs to; empty when unknown.
    virtual std::string Program() const { return {}; }

protected:
    // Contexts belong to their framework, never to the service.
    ~IInputContext() = default;
};

// Reports pointer activity to the service while armed, so that a click
// commits the pre-edit where it was typed. The front supplies one where it
// can watch the pointer (x11/PointerWatch.h).
class IPointerWatch {
public:
    virtual ~IPointerWatch() = default;
    // Starts watching; false once the pointer is known to be out of reach.
    virtual bool Arm() = 0;
    virtual void Disarm() = 0;
    virtual bool Armed() const = 0;
    // The report of `arming` still counts: not disarmed or armed anew since.
    virtual bool IsArmed(unsigned arming) const = 0;
    // Activity was seen for the current arming and is not yet reported.
    virtual bool Fired() const = 0;
};
