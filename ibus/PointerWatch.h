#pragma once

#include <atomic>
#include <functional>
#include <thread>

typedef struct _XDisplay Display;

// Grabs the X pointer on a thread of its own and reports the first pointer
// motion or button press. Stopping ends the thread (and closes its
// connection) before it returns, so a stopped watch never reports.
class CPointerWatch {
public:
    CPointerWatch() = default;
    ~CPointerWatch() { Stop(); }
    CPointerWatch(const CPointerWatch&) = delete;
    CPointerWatch& operator=(const CPointerWatch&) = delete;

    // Opens the display named by the environment and starts watching;
    // false when the display cannot be opened. `onEvent` runs on the watch
    // thread after the grab is released.
    bool Start(std::function<void()> onEvent);
    void Stop();
    bool Running() const { return Thread.joinable(); }

private:
    std::thread Thread;
    int StopPipe[2] = {-1, -1};
    void Run(Display* display, int stopFd, std::function<void()> onEvent);
};
