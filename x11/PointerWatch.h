#pragma once

#include <atomic>
#include <functional>
#include <thread>

#include "engine/Handles.h"
#include "engine/InputContext.h"

// Watches the X pointer through XInput2 raw events on the root window: it
// only observes, so the click still reaches the application. One connection
// and one thread serve the engine's whole life; the key path only arms and
// disarms it, a store each: no system call, no wait on X or on the thread.
// An armed watch reports the first pointer motion or button press once the
// event has settled (`settleMs`), which gives a client that commits and
// resets on the click itself the time to do so. The pointer's events reach
// the thread armed or not, and cost it nothing while the pointer rests.
class CPointerWatch final : public IPointerWatch {
public:
    // `onEvent` runs on the watch thread with the arming it reports; the
    // receiver checks IsArmed(arming) where it acts, so a watch disarmed
    // meanwhile never counts.
    explicit CPointerWatch(std::function<void(unsigned arming)> onEvent, int settleMs = 150);
    ~CPointerWatch() override;
    CPointerWatch(const CPointerWatch&) = delete;
    CPointerWatch& operator=(const CPointerWatch&) = delete;

    // Starts watching (the thread and its connection come with the first
    // call); false once the display is known to be out of reach.
    bool Arm() override;
    void Disarm() override;
    bool Armed() const override { return Arming.load() != 0; }
    bool IsArmed(unsigned arming) const override { return arming != 0 && Arming.load() == arming; }
    // Pointer activity was seen for the current arming and is settling.
    bool Fired() const override;
    bool Unavailable() const { return NoDisplay.load(); }

private:
    void Run();
    void Wake();

    std::function<void(unsigned)> OnEvent;
    int SettleMs;
    std::thread Thread;
    // A byte written here wakes the thread to end.
    UniqueFd WakeRead, WakeWrite;
    unsigned LastArming = 0;
    std::atomic<unsigned> Arming{0}, Seen{0};
    std::atomic<bool> NoDisplay{false}, Quit{false};
};
