#pragma once

#include <string>

// The application of the window that has the X keyboard focus, by its
// WM_CLASS instance name ("konsole", "xterm"); empty without an X display
// or when no window up from the focus names one. For clients that tell the
// input method nothing of themselves (Qt, XIM). A connection of its own
// for each question: no Xlib state outlives it.
std::string FocusedWindowClass();
