#include "x11/PointerWatch.h"

#include <X11/Xlib.h>
#include <X11/extensions/XInput2.h>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>

namespace {

using XDisplayPtr = UniqueCPtr<Display, XCloseDisplay>;
using Clock = std::chrono::steady_clock;

bool HasXInput22(Display* display, int& opcode)
{
    int event = 0, error = 0;
    if (!XQueryExtension(display, "XInputExtension", &opcode, &event, &error)) return false;
    int major = 2, minor = 2;
    return XIQueryVersion(display, &major, &minor) == Success && (major > 2 || (major == 2 && minor >= 1));
}

// Raw events come to every client that selects them on the root window,
// whoever has the pointer grabbed, and take nothing from the others.
void SelectRawPointerEvents(Display* display)
{
    unsigned char bits[XIMaskLen(XI_LASTEVENT)] = {};
    XISetMask(bits, XI_RawButtonPress);
    XISetMask(bits, XI_RawMotion);
    XIEventMask mask{XIAllMasterDevices, (int)sizeof(bits), bits};
    XISelectEvents(display, DefaultRootWindow(display), &mask, 1);
    XFlush(display);
}

} // namespace

CPointerWatch::CPointerWatch(std::function<void(unsigned)> onEvent, int settleMs)
    : OnEvent(std::move(onEvent)), SettleMs(settleMs)
{
}

CPointerWatch::~CPointerWatch()
{
    if (!Thread.joinable()) return;
    Quit = true;
    Wake();
    Thread.join();
}

bool CPointerWatch::Arm()
{
    if (NoDisplay) return false;
    if (!Thread.joinable()) {
        // No display named: nothing to connect to, and no thread for it.
        const char* name = getenv("DISPLAY");
        int ends[2];
        if (!name || !*name || pipe2(ends, O_CLOEXEC | O_NONBLOCK) != 0) return false;
        WakeRead.reset(ends[0]);
        WakeWrite.reset(ends[1]);
        Thread = std::thread(&CPointerWatch::Run, this);
    }
    if (++LastArming == 0) ++LastArming;
    Arming = LastArming;
    return true;
}

void CPointerWatch::Disarm() { Arming = 0; }

bool CPointerWatch::Fired() const
{
    unsigned a = Arming.load();
    return a != 0 && Seen.load() == a;
}

void CPointerWatch::Wake()
{
    // A full pipe already holds a wake-up.
    if (write(WakeWrite.get(), "x", 1) < 0) {
    }
}

void CPointerWatch::Run()
{
    XDisplayPtr display(XOpenDisplay(nullptr));
    int opcode = 0;
    if (!display || !HasXInput22(display.get(), opcode)) {
        NoDisplay = true;
        Arming = 0;
        return;
    }
    SelectRawPointerEvents(display.get());
    pollfd fds[2] = {{ConnectionNumber(display.get()), POLLIN, 0}, {WakeRead.get(), POLLIN, 0}};
    unsigned pending = 0, reported = 0;
    Clock::time_point due;
    while (!Quit) {
        while (XPending(display.get()) > 0) {
            XEvent ev;
            XNextEvent(display.get(), &ev);
            const unsigned arming = Arming.load();
            const bool pointer = ev.xcookie.type == GenericEvent && ev.xcookie.extension == opcode;
            if (pointer && arming != 0 && arming != pending && arming != reported) {
                pending = arming;
                Seen = arming;
                due = Clock::now() + std::chrono::milliseconds(SettleMs);
            }
        }
        int timeout = -1;
        if (pending != 0) {
            auto left = std::chrono::duration_cast<std::chrono::milliseconds>(due - Clock::now()).count();
            if (left <= 0) {
                // Disarmed or armed anew while it settled: nothing to say.
                if (Arming.load() == pending) {
                    reported = pending;
                    OnEvent(reported);
                }
                pending = 0;
                continue;
            }
            timeout = (int)left;
        }
        if (poll(fds, 2, timeout) < 0) continue;
        if (fds[0].revents & (POLLERR | POLLHUP)) {
            // The server is gone. Xlib ends the process on any further call
            // on a dead connection, so the connection is left as it is.
            (void)display.release();
            NoDisplay = true;
            Arming = 0;
            return;
        }
        if (fds[1].revents & POLLIN) {
            char buf[64];
            while (read(WakeRead.get(), buf, sizeof buf) > 0) {
            }
        }
    }
}
