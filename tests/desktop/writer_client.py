#!/usr/bin/python3
# LibreOffice Writer through its GTK 3 plugin, read over UNO, plus a GTK 3
# window with one entry. The field "doc" is the document's text. Same state
# file as gtk_client.py; it appears once the document takes keys.
import os
import signal
import subprocess
import sys
import time

import gi

gi.require_version("Gtk", "3.0")
gi.require_version("GdkX11", "3.0")
from gi.repository import GLib, Gtk, GdkX11  # noqa: E402,F401
import uno  # noqa: E402
from com.sun.star.connection import NoConnectException  # noqa: E402
import client_state  # noqa: E402

folder = os.environ["LIRANO_CLIENT_DIR"]
profile = os.path.join(os.environ["HOME"], "lo")
# Typed text must stay as typed: no corrections, completion or spelling.
off = {
    "Office.Common/AutoCorrect": ["UseReplacementTable", "TwoCapitalsAtStart", "CapitalAtStartSentence",
                                  "SetInetAttribute", "ChangeOrdinalNumber", "ChangeDash", "AddNonBreakingSpace",
                                  "ChangeAngleQuotes", "CorrectAccidentalCapsLock", "ReplaceSingleQuote",
                                  "ReplaceDoubleQuote"],
    "Office.Writer/AutoFunction/Format/ByInput": ["Enable", "ChangeDash", "ChangeToTable", "DelSpacesAtStartEnd",
                                                  "DelSpacesBetween"],
    "Office.Writer/AutoFunction/Completion": ["Enable"],
    "Office.Linguistic/SpellChecking": ["IsSpellAuto"],
    "Office.Common/Misc": ["ShowTipOfTheDay"],
}
os.makedirs(os.path.join(profile, "user"), exist_ok=True)
with open(os.path.join(profile, "user", "registrymodifications.xcu"), "w") as f:
    f.write('<?xml version="1.0" encoding="UTF-8"?>\n<oor:items xmlns:oor="http://openoffice.org/2001/registry">\n')
    for path, names in off.items():
        for name in names:
            f.write('<item oor:path="/org.openoffice.%s"><prop oor:name="%s" oor:op="fuse"><value>false</value>'
                    "</prop></item>\n" % (path, name))
    f.write("</oor:items>\n")

pipe = "lirano%d" % os.getpid()
# soffice opens the document itself: loading it over UNO runs GTK on a
# thread of the UNO bridge, which can deadlock with the main loop.
office = subprocess.Popen(["soffice", "--writer", "--norestore", "--nologo", "--nofirststartwizard",
                           "-env:UserInstallation=file://" + profile, "--accept=pipe,name=%s;urp;" % pipe],
                          env=dict(os.environ, SAL_USE_VCLPLUGIN="gtk3"), start_new_session=True)


def quit(*_):
    # soffice leads its own process group: end all of it.
    try:
        os.killpg(office.pid, signal.SIGTERM)
        office.wait(2)
    except subprocess.TimeoutExpired:
        os.killpg(office.pid, signal.SIGKILL)
    except ProcessLookupError:
        pass
    os._exit(0)


signal.signal(signal.SIGTERM, quit)
local = uno.getComponentContext()
resolver = local.ServiceManager.createInstanceWithContext("com.sun.star.bridge.UnoUrlResolver", local)
while True:
    try:
        remote = resolver.resolve("uno:pipe,name=%s;urp;StarOffice.ComponentContext" % pipe)
        break
    except NoConnectException:
        if office.poll() is not None:
            sys.exit("soffice ended")
        time.sleep(0.1)
desktop = remote.ServiceManager.createInstanceWithContext("com.sun.star.frame.Desktop", remote)
doc = None
while not (doc and doc.getCurrentController()):
    time.sleep(0.1)
    docs = desktop.getComponents().createEnumeration()
    doc = docs.nextElement() if docs.hasMoreElements() else None
frame = doc.getCurrentController().getFrame()
xid = int(subprocess.run(["xdotool", "search", "--sync", "--onlyvisible", "--name", "LibreOffice Writer$"],
                         capture_output=True, text=True, check=True).stdout.split()[0])
# Without a window manager Writer comes up tiny and asks in vain to be
# maximized; it lays itself out anew at the size X gives it.
subprocess.run(["xdotool", "windowsize", str(xid), "900", "700", "windowmove", str(xid), "0", "0"], check=True)
# The view's centre, fixed from now on, is inside the page's text area.
while (view := frame.getComponentWindow().getPosSize()).Width < 800:
    time.sleep(0.05)

other = Gtk.Window(title="Lirano Writer other")
other.move(920, 0)
other.set_default_size(420, 260)
entry = Gtk.Entry(valign=Gtk.Align.START)
other.add(entry)
other.connect("destroy", quit)
other.show_all()


def dump():
    if not client_state.asked():
        return True
    a = entry.get_allocation()
    ox, oy = other.get_window().get_origin()[1:]
    # One fact a line; texts in hex, so that any character survives.
    lines = ["text doc %s" % doc.getText().getString().encode("utf-8").hex(),
             "text other %s" % entry.get_text().encode("utf-8").hex(),
             "place doc %d %d" % (view.X + view.Width // 2, view.Y + view.Height // 2),
             "place other %d %d" % (ox + a.x + a.width // 2, oy + a.y + a.height // 2),
             "window main %d" % xid, "window other %d" % other.get_window().get_xid()]
    if frame.getContainerWindow().isActive():
        lines.append("focus doc")
    elif entry.has_focus() and other.is_active():
        lines.append("focus other")
    client_state.answer(lines)
    return True


GLib.timeout_add(20, dump)
Gtk.main()
