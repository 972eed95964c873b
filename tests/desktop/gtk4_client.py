#!/usr/bin/python3
# gtk_client.py for GTK 4: the same fields, windows and state file, through
# the IBus GTK 4 module, on X11 or Wayland.
import subprocess

import gi

gi.require_version("Gdk", "4.0")
gi.require_version("Gtk", "4.0")
gi.require_version("GdkX11", "4.0")
gi.require_version("Graphene", "1.0")
from gi.repository import Gdk, GLib, Graphene, Gtk, GdkX11  # noqa: E402,F401
import client_state  # noqa: E402

wayland = not isinstance(Gdk.Display.get_default(), GdkX11.X11Display)

loop = GLib.MainLoop()
widgets = {}
origins = {}


def window(title, x, names):
    w = Gtk.Window(title=title, default_width=420, default_height=260)
    box = Gtk.Box(orientation=Gtk.Orientation.VERTICAL, spacing=6)
    w.set_child(box)
    for name in names:
        if name == "text":
            widgets[name] = Gtk.TextView()
            # Scrolled, so that the window keeps its size as lines come.
            field = Gtk.ScrolledWindow(child=widgets[name], vexpand=True)
            field.set_size_request(400, 120)
        else:
            field = widgets[name] = Gtk.PasswordEntry() if name == "password" else Gtk.Entry()
        box.append(field)
    w.connect("close-request", lambda *_: loop.quit())
    if not wayland:
        # GTK 4 cannot place a window; with no window manager XMoveWindow can.
        w.realize()
        subprocess.run(["xdotool", "windowmove", str(w.get_surface().get_xid()), str(x), "0"], check=True)
        origins[w] = (x, 0)
    w.present()
    return w


# Single words on Wayland: the test finds the windows in sway by title.
titles = ("Lirano-GTK4-main", "Lirano-GTK4-other") if wayland else ("Lirano GTK 4", "Lirano GTK 4 other")
main = window(titles[0], 0, ["entry1", "entry2", "entry3", "password", "text"])
other = window(titles[1], 500, ["other"])


def text_of(w):
    if isinstance(w, Gtk.TextView):
        b = w.get_buffer()
        return b.get_text(b.get_start_iter(), b.get_end_iter(), True)
    return w.get_text()


def centre(w):
    top = w.get_root()
    _, p = w.compute_point(top, Graphene.Point().init(w.get_width() / 2, w.get_height() / 2))
    if wayland:
        return [int(p.x), int(p.y)]
    # The surface may start before the window widget (shadows).
    sx, sy = top.get_surface_transform()
    return [origins[top][0] + int(p.x + sx), origins[top][1] + int(p.y + sy)]


def focused(w):
    # An entry's focus is on the Gtk.Text inside it.
    f = w.get_focus() if w.is_active() else None
    while f and f not in widgets.values():
        f = f.get_parent()
    return [n for n, v in widgets.items() if v is f]


def dump():
    if not client_state.asked():
        return True
    # One fact a line; texts in hex, so that any character survives.
    lines = ["text %s %s" % (n, text_of(w).encode("utf-8").hex()) for n, w in widgets.items()]
    lines += ["place %s %d %d" % (n, *centre(w)) for n, w in widgets.items()]
    if wayland:
        lines += client_state.windows(titles=titles)
    else:
        lines += client_state.windows((main.get_surface().get_xid(), other.get_surface().get_xid()))
    lines += ["focus %s" % n for n in focused(main) + focused(other)]
    client_state.answer(lines)
    return True


GLib.timeout_add(20, dump)
loop.run()
