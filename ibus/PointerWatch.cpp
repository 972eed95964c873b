#include "PointerWatch.h"

#include <X11/Xlib.h>
#include <poll.h>
#include <unistd.h>

bool CPointerWatch::Start(std::function<void()> onEvent)
{
    Stop();
    Display* display = XOpenDisplay(nullptr);
    if (!display) return false;
    if (pipe(StopPipe) != 0) {
        XCloseDisplay(display);
        return false;
    }
    Thread = std::thread(&CPointerWatch::Run, this, display, StopPipe[0], std::move(onEvent));
    return true;
}

void CPointerWatch::Stop()
{
    if (!Thread.joinable()) return;
    if (write(StopPipe[1], "x", 1) < 0) {
    }
    Thread.join();
    close(StopPipe[0]);
    close(StopPipe[1]);
    StopPipe[0] = StopPipe[1] = -1;
}

void CPointerWatch::Run(Display* display, int stopFd, std::function<void()> onEvent)
{
    Window root = DefaultRootWindow(display);
    XGrabPointer(display, root, False, ButtonPressMask | PointerMotionMask, GrabModeAsync, GrabModeAsync, None, None,
                 CurrentTime);
    XFlush(display);
    bool event = false;
    pollfd fds[2] = {{ConnectionNumber(display), POLLIN, 0}, {stopFd, POLLIN, 0}};
    for (;;) {
        if (XPending(display) > 0) {
            event = true;
            break;
        }
        if (poll(fds, 2, -1) < 0) continue;
        if (fds[1].revents) break;
        if (fds[0].revents & (POLLERR | POLLHUP)) break;
    }
    XUngrabPointer(display, CurrentTime);
    XCloseDisplay(display);
    if (event) onEvent();
}
