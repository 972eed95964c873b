#pragma once

#include <functional>
#include <mutex>
#include <vector>

// Work that other threads hand to the front's main loop, so that it never
// runs at the same time as key handling. The queue's own lock carries the
// hand-over.
class MainLoopQueue {
public:
    // Asks the front's loop to call Drain() soon, from any thread. Set once
    // by the front before anything is posted; without it, posted work waits
    // for a Drain() (the tests drain by hand).
    std::function<void()> Schedule;

    // Runs `task` on the main loop soon; callable from any thread.
    void Post(std::function<void()> task);
    // Runs every posted task now (the main loop does this; tests may too).
    void Drain();
    bool Empty();

private:
    std::mutex Mutex;
    std::vector<std::function<void()>> Tasks;
    bool Scheduled = false;
};

MainLoopQueue& MainLoop();

// Lets work posted for later tell whether what posted it still stands: a
// ticket is current until the next Issue() or a Revoke(). Used on the main
// loop only.
class CallbackToken {
public:
    using Ticket = unsigned;
    Ticket Issue() { return ++Current; }
    void Revoke() { ++Current; }
    bool IsCurrent(Ticket ticket) const { return ticket == Current; }

private:
    Ticket Current = 0;
};
