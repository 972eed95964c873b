#include "ibus/PointerWatch.h"

#include <X11/Xlib.h>
#include <X11/extensions/XInput2.h>
#include <poll.h>
#include <unistd.h>

#include <chrono>

namespace {

// Raw events come to every client that selects them on the root window,
// whoever has the pointer grabbed, and take nothing from the others.
bool SelectRawPointerEvents(Display* display, int& opcode)
{
    int event = 0, error = 0;
    if (!XQueryExtension(display, "XInputExtension", &opcode, &event, &error)) return false;
    int major = 2, minor = 2;
    if (XIQueryVersion(display, &major, &minor) != Success || major < 2 || (major == 2 && minor < 1)) return false;
    unsigned char bits[XIMaskLen(XI_LASTEVENT)] = {};
    XISetMask(bits, XI_RawButtonPress);
    XISetMask(bits, XI_RawMotion);
    XIEventMask mask{XIAllMasterDevices, (int)sizeof(bits), bits};
    XISelectEvents(display, DefaultRootWindow(display), &mask, 1);
    XFlush(display);
    return true;
}

} // namespace

bool CPointerWatch::Start(std::function<void()> onEvent, int settleMs)
{
    Stop();
    Display* display = XOpenDisplay(nullptr);
    if (!display) return false;
    int opcode = 0;
    if (!SelectRawPointerEvents(display, opcode) || pipe(StopPipe) != 0) {
        XCloseDisplay(display);
        StopPipe[0] = StopPipe[1] = -1;
        return false;
    }
    Seen = false;
    Thread = std::thread(&CPointerWatch::Run, this, display, opcode, StopPipe[0], settleMs, std::move(onEvent));
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
    Seen = false;
}

void CPointerWatch::Run(Display* display, int xiOpcode, int stopFd, int settleMs, std::function<void()> onEvent)
{
    pollfd fds[2] = {{ConnectionNumber(display), POLLIN, 0}, {stopFd, POLLIN, 0}};
    bool stopped = false;
    while (!Seen && !stopped) {
        while (XPending(display) > 0) {
            XEvent ev;
            XNextEvent(display, &ev);
            if (ev.xcookie.type == GenericEvent && ev.xcookie.extension == xiOpcode) Seen = true;
        }
        if (Seen) break;
        if (poll(fds, 2, -1) < 0) continue;
        if (fds[1].revents) stopped = true;
        if (fds[0].revents & (POLLERR | POLLHUP)) stopped = true;
    }
    XCloseDisplay(display);
    if (stopped) return;
    // The settle time: a stop meanwhile (the client's reset) cancels.
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(settleMs);
    for (;;) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) break;
        int r = poll(&fds[1], 1, (int)left.count());
        if (r > 0) return;
    }
    onEvent();
}
