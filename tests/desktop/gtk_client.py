#!/usr/bin/python3
# A GTK 3 window typed into through the IBus GTK module: two entries, a
# password entry and a text view, plus a second window with one entry.
# Writes the widgets' texts, their places on the screen, the windows' X ids
# and the focused widget to $LIRANO_CLIENT_DIR/state.txt whenever state.req
# appears there. On Wayland, where the compositor places the windows, the
# places are within each window and the windows are named by their titles.
import sys

import gi

gi.require_version("Gdk", "3.0")
gi.require_version("Gtk", "3.0")
gi.require_version("GdkX11", "3.0")
from gi.repository import Gdk, GLib, Gtk, GdkX11  # noqa: E402
import client_state  # noqa: E402

wayland = not isinstance(Gdk.Display.get_default(), GdkX11.X11Display)

widgets = {}


def window(title, x, y, names):
    w = Gtk.Window(title=title)
    if not wayland:
        w.move(x, y)
    w.set_default_size(420, 260)
    box = Gtk.Box(orientation=Gtk.Orientation.VERTICAL, spacing=6)
    w.add(box)
    for name in names:
        if name == "text":
            view = Gtk.TextView()
            # Scrolled, so that the window keeps its size as lines come.
            scroll = Gtk.ScrolledWindow()
            scroll.set_size_request(400, 120)
            scroll.add(view)
            box.pack_start(scroll, True, True, 0)
            widgets[name] = view
        else:
            entry = Gtk.Entry()
            if name == "password":
                entry.set_visibility(False)
                entry.set_input_purpose(Gtk.InputPurpose.PASSWORD)
            box.pack_start(entry, False, False, 0)
            widgets[name] = entry
    w.connect("destroy", Gtk.main_quit)
    w.show_all()
    return w


# Single words on Wayland: the test finds the windows in sway by title.
titles = ("Lirano-GTK3-main", "Lirano-GTK3-other") if wayland else ("Lirano GTK", "Lirano GTK other")
main = window(titles[0], 0, 0, ["entry1", "entry2", "entry3", "password", "text"])
other = window(titles[1], 500, 0, ["other"])


def text_of(w):
    if isinstance(w, Gtk.TextView):
        b = w.get_buffer()
        return b.get_text(b.get_start_iter(), b.get_end_iter(), True)
    return w.get_text()


def centre(w):
    a = w.get_allocation()
    x, y = w.translate_coordinates(w.get_toplevel(), a.width // 2, a.height // 2)
    if wayland:
        return [x, y]
    win = w.get_toplevel().get_window()
    ox, oy = win.get_origin()[1:]
    return [ox + x, oy + y]


def dump():
    if not client_state.asked():
        return True
    # One fact a line; texts in hex, so that any character survives.
    lines = ["text %s %s" % (n, text_of(w).encode("utf-8").hex()) for n, w in widgets.items()]
    lines += ["place %s %d %d" % (n, *centre(w)) for n, w in widgets.items()]
    if wayland:
        lines += client_state.windows(titles=titles)
    else:
        lines += client_state.windows((main.get_window().get_xid(), other.get_window().get_xid()))
    lines += ["focus %s" % n for n, w in widgets.items() if w.has_focus() and w.get_toplevel().is_active()]
    client_state.answer(lines)
    return True


GLib.timeout_add(20, dump)
Gtk.main()
sys.exit(0)
