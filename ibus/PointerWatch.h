#pragma once

#include <atomic>
#include <functional>
#include <thread>

#include "engine/Handles.h"

// Watches the X pointer on a thread of its own, through XInput2 raw events
// on the root window: it only observes, so the click still reaches the
// application. It reports the first pointer motion or button press once the
// event has settled (`settleMs`), which gives a client that commits and
// resets on the click itself the time to do so; a reset stops the watch.
// Stopping ends the thread (and closes its connection) before it returns,
// so a stopped watch never reports.
class CPointerWatch {
public:
    CPointerWatch() = default;
    ~CPointerWatch() { Stop(); }
    CPointerWatch(const CPointerWatch&) = delete;
    CPointerWatch& operator=(const CPointerWatch&) = delete;

    // Opens the display named by the environment and starts watching;
    // false when the display cannot be opened or has no XInput 2.2.
    // `onEvent` runs on the watch thread.
    bool Start(std::function<void()> onEvent, int settleMs = 150);
    void Stop();
    bool Running() const { return Thread.joinable(); }
    // Pointer activity was seen and is waiting to be reported.
    bool Fired() const { return Seen.load(); }

private:
    std::thread Thread;
    // A byte written here wakes the thread to stop.
    UniqueFd StopRead, StopWrite;
    std::atomic<bool> Seen{false};
};
