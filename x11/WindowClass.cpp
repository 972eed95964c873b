#include "x11/WindowClass.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include "engine/Handles.h"

namespace {
using XString = UniqueCPtr<char, XFree>;
}

std::string FocusedWindowClass()
{
    UniqueCPtr<Display, XCloseDisplay> display(XOpenDisplay(nullptr));
    if (!display) return {};
    Window focus = 0;
    int revert = 0;
    XGetInputFocus(display.get(), &focus, &revert);
    // The focus may be a child of the application's top-level window.
    for (int depth = 0; focus > PointerRoot && depth < 32; ++depth) {
        XClassHint hint{};
        if (XGetClassHint(display.get(), focus, &hint)) {
            XString name(hint.res_name), type(hint.res_class);
            if (name && *name) return name.get();
        }
        Window root = 0, parent = 0, *children = nullptr;
        unsigned count = 0;
        if (!XQueryTree(display.get(), focus, &root, &parent, &children, &count)) break;
        UniqueCPtr<Window, XFree> owned(children);
        if (parent == root) break;
        focus = parent;
    }
    return {};
}
