#include "ibus/PointerWatch.h"

#include <X11/Xlib.h>
#include <X11/extensions/XInput2.h>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <chrono>

namespace {

using XDisplayPtr = UniqueCPtr<Display, XCloseDisplay>;

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

// The watch thread: owns the connection, and closes it as soon as the
// pointer has moved.
void Run(XDisplayPtr display, int xiOpcode, int stopFd, int settleMs, std::atomic<bool>& seen,
         std::function<void()> onEvent)
{
    pollfd fds[2] = {{ConnectionNumber(display.get()), POLLIN, 0}, {stopFd, POLLIN, 0}};
    bool stopped = false;
    while (!seen && !stopped) {
        while (XPending(display.get()) > 0) {
            XEvent ev;
            XNextEvent(display.get(), &ev);
            if (ev.xcookie.type == GenericEvent && ev.xcookie.extension == xiOpcode) seen = true;
        }
        if (seen) break;
        if (poll(fds, 2, -1) < 0) continue;
        if (fds[1].revents) stopped = true;
        if (fds[0].revents & (POLLERR | POLLHUP)) stopped = true;
    }
    display.reset();
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

} // namespace

bool CPointerWatch::Start(std::function<void()> onEvent, int settleMs)
{
    Stop();
    XDisplayPtr display(XOpenDisplay(nullptr));
    if (!display) return false;
    int opcode = 0;
    int ends[2];
    // Close-on-exec: the tools started meanwhile inherit no end of it.
    if (!SelectRawPointerEvents(display.get(), opcode) || pipe2(ends, O_CLOEXEC) != 0) return false;
    StopRead.reset(ends[0]);
    StopWrite.reset(ends[1]);
    Seen = false;
    Thread = std::thread(Run, std::move(display), opcode, StopRead.get(), settleMs, std::ref(Seen), std::move(onEvent));
    return true;
}

void CPointerWatch::Stop()
{
    if (!Thread.joinable()) return;
    if (write(StopWrite.get(), "x", 1) < 0) {
    }
    Thread.join();
    StopRead.reset();
    StopWrite.reset();
    Seen = false;
}
