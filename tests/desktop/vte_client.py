#!/usr/bin/python3
# A VTE terminal (GTK 3) running cat into $LIRANO_CLIENT_DIR/term.out, plus
# a second window with one entry. The field "term" is what cat received:
# the tty hands it over line by line, at Return. Same state file as
# gtk_client.py.
import os
import signal
import sys

import gi

gi.require_version("Gtk", "3.0")
gi.require_version("Vte", "2.91")
from gi.repository import GLib, Gtk, Vte  # noqa: E402
import client_state  # noqa: E402

folder = os.environ["LIRANO_CLIENT_DIR"]
out = os.path.join(folder, "term.out")
child = []


def quit(*_):
    # The child leads its own session; cat must not outlive us.
    while child:
        try:
            os.killpg(child.pop(), signal.SIGTERM)
        except OSError:
            pass
    Gtk.main_quit()


def window(title, x, field):
    w = Gtk.Window(title=title)
    w.move(x, 0)
    w.set_default_size(700 if x == 0 else 420, 300)
    w.add(field)
    w.connect("destroy", quit)
    w.show_all()
    return w


term = Vte.Terminal()
# iutf8: the tty's Backspace erases a whole character, not one byte.
term.spawn_async(Vte.PtyFlags.DEFAULT, folder, ["/bin/sh", "-c", 'stty iutf8; exec cat > "$LIRANO_CLIENT_DIR/term.out"'],
                 None, GLib.SpawnFlags.DEFAULT, None, None, -1, None, lambda t, pid, err, *_: child.append(pid))
term.connect("child-exited", quit)
main = window("Lirano VTE", 0, term)
other_entry = Gtk.Entry(valign=Gtk.Align.START)
other = window("Lirano VTE other", 720, other_entry)
widgets = {"term": term, "other": other_entry}


def text_of(name):
    if name == "other":
        return other_entry.get_text().encode("utf-8")
    try:
        with open(out, "rb") as f:
            return f.read()
    except FileNotFoundError:
        return b""


def centre(w):
    a = w.get_allocation()
    ox, oy = w.get_toplevel().get_window().get_origin()[1:]
    x, y = w.translate_coordinates(w.get_toplevel(), a.width // 2, a.height // 2)
    return [ox + x, oy + y]


def dump():
    if not client_state.asked():
        return True
    # One fact a line; texts in hex, so that any byte survives.
    lines = ["text %s %s" % (n, text_of(n).hex()) for n in widgets]
    lines += ["place %s %d %d" % (n, *centre(w)) for n, w in widgets.items()]
    lines += ["window main %d" % main.get_window().get_xid(), "window other %d" % other.get_window().get_xid()]
    lines += ["focus %s" % n for n, w in widgets.items() if w.has_focus() and w.get_toplevel().is_active()]
    client_state.answer(lines)
    return True


GLib.unix_signal_add(GLib.PRIORITY_DEFAULT, signal.SIGTERM, quit)
GLib.timeout_add(20, dump)
Gtk.main()
sys.exit(0)
