#pragma once

#include <functional>
#include <mutex>
#include <vector>

// Work that other threads hand to the IBus main loop, so that it never
// runs at the same time as key handling. The queue's own lock carries the
// hand-over.
class MainLoopQueue {
public:
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
