#!/usr/bin/python3
"""Checks that IBus can start the installed engine and type with it, the way
a desktop does, against a private D-Bus bus and ibus-daemon (never the
user's): the daemon reads the component from COMPONENT_DIR, starts the
engine program itself, and "Tieesng Vieejt" + Return must commit
"Tiếng Việt".

Usage: ibus_selfcheck.py COMPONENT_DIR [ENGINE_NAME]
Exit 0 when it works, 1 otherwise (with the daemon's log tail).
Debian's python3, for python3-gi and gir1.2-ibus-1.0 (from the ibus package).
"""

import ctypes
import os
import select
import shutil
import signal
import subprocess
import sys
import tempfile
import threading
import time
from xml.etree import ElementTree

try:
    import gi

    gi.require_version("IBus", "1.0")
    from gi.repository import GLib, IBus
except (ImportError, ValueError) as e:
    # Said plainly: a traceback would hide which package is missing.
    print("ibus self-check: FAILED: no IBus for python3 (python3-gi, gir1.2-ibus-1.0): %s" % e, file=sys.stderr)
    sys.exit(1)

TYPED = "Tieesng Vieejt"
EXPECTED = "Tiếng Việt"
TOTAL_SECONDS = 30

# Like a session bus, but with no service folders: nothing starts on it that
# this check did not start itself.
DBUS_CONFIG = """<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>session</type>
  <keep_umask/>
  <listen>unix:dir={dir}</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
  </policy>
</busconfig>
"""

# Variables that would lead the children to the user's own session, display
# or input method.
DROPPED = {"DBUS_SESSION_BUS_ADDRESS", "DISPLAY", "WAYLAND_DISPLAY", "XAUTHORITY", "SESSION_MANAGER",
           "XMODIFIERS", "GTK_IM_MODULE", "QT_IM_MODULE", "GSETTINGS_BACKEND"}


class Failure(Exception):
    pass


def die_with_parent():
    # The children end with this process even when it is killed outright.
    try:
        ctypes.CDLL(None, use_errno=True).prctl(1, signal.SIGTERM)  # PR_SET_PDEATHSIG
    except Exception:
        pass


class Session:
    def __init__(self, component_dir):
        self.component_dir = component_dir
        self.dir = tempfile.mkdtemp(prefix="lirano-ibus-selfcheck-")
        self.procs = []
        self.engine_pids = []
        self.daemon = None
        self.timed_out = False
        for sub in (".config", ".cache", "run", "client"):
            os.makedirs(os.path.join(self.dir, sub), mode=0o700)

    def env(self):
        env = {k: v for k, v in os.environ.items()
               if k not in DROPPED and not k.startswith("XDG_") and not k.startswith("IBUS_")}
        env.update(HOME=self.dir,
                   XDG_CONFIG_HOME=os.path.join(self.dir, ".config"),
                   XDG_CACHE_HOME=os.path.join(self.dir, ".cache"),
                   XDG_RUNTIME_DIR=os.path.join(self.dir, "run"),
                   # Nothing reaches the user's dconf database.
                   GSETTINGS_BACKEND="memory",
                   NO_AT_BRIDGE="1",
                   IBUS_COMPONENT_PATH=self.component_dir)
        return env

    def log_path(self, name):
        return os.path.join(self.dir, name)

    def spawn(self, argv, log_name, env, stdout=None):
        with open(self.log_path(log_name), "ab") as log:
            try:
                p = subprocess.Popen(argv, env=env, stdin=subprocess.DEVNULL, stdout=stdout or log, stderr=log,
                                     preexec_fn=die_with_parent)
            except OSError as e:
                raise Failure("cannot start %s: %s" % (argv[0], e))
        self.procs.append(p)
        return p

    def start_dbus(self, deadline):
        conf = os.path.join(self.dir, "dbus.conf")
        with open(conf, "w") as f:
            f.write(DBUS_CONFIG.format(dir=self.dir))
        p = self.spawn(["dbus-daemon", "--nofork", "--print-address", "--config-file=" + conf],
                       "dbus-daemon.log", self.env(), stdout=subprocess.PIPE)
        line = b""
        while b"\n" not in line and time.monotonic() < deadline:
            ready, _, _ = select.select([p.stdout], [], [], 0.1)
            if ready:
                chunk = os.read(p.stdout.fileno(), 512)
                if not chunk:
                    break
                line += chunk
        p.stdout.close()
        if b"\n" not in line:
            raise Failure("dbus-daemon printed no address: " + self.tail("dbus-daemon.log"))
        return line.split(b"\n")[0].decode()

    def start_ibus(self, dbus_address, deadline):
        env = self.env()
        env["DBUS_SESSION_BUS_ADDRESS"] = dbus_address
        p = self.spawn(["ibus-daemon", "--panel=disable", "--config=disable", "--emoji-extension=disable",
                        "--verbose"], "ibus-daemon.log", env)
        self.daemon = p
        bus_dir = os.path.join(self.dir, ".config", "ibus", "bus")
        while time.monotonic() < deadline:
            if p.poll() is not None:
                raise Failure("ibus-daemon exited (%s)" % p.returncode)
            for name in os.listdir(bus_dir) if os.path.isdir(bus_dir) else []:
                try:
                    with open(os.path.join(bus_dir, name)) as f:
                        lines = f.read().splitlines()
                except OSError:
                    continue
                values = dict(l.split("=", 1) for l in lines if "=" in l and not l.startswith("#"))
                if values.get("IBUS_ADDRESS") and values.get("IBUS_DAEMON_PID") == str(p.pid):
                    return values["IBUS_ADDRESS"]
            time.sleep(0.01)
        raise Failure("ibus-daemon wrote no address in time")

    def note_engines(self):
        # The engine is the daemon's child: kept by PID so it can be stopped
        # too if it outlives the daemon.
        if self.daemon is None or self.daemon.poll() is not None:
            return
        for name in os.listdir("/proc"):
            if not name.isdigit():
                continue
            try:
                with open("/proc/%s/stat" % name) as f:
                    stat = f.read()
            except OSError:
                continue
            fields = stat[stat.rfind(")") + 1:].split()
            if len(fields) > 1 and fields[1] == str(self.daemon.pid) and int(name) not in self.engine_pids:
                self.engine_pids.append(int(name))

    def expire(self):
        # Sync calls to a stuck daemon would block for long: ending the daemon
        # makes them fail at once.
        self.timed_out = True
        self.note_engines()
        for p in self.procs:
            if p.returncode is None:
                try:
                    os.kill(p.pid, signal.SIGTERM)
                except OSError:
                    pass

    def tail(self, name, lines=30):
        try:
            with open(self.log_path(name), errors="replace") as f:
                text = f.read().splitlines()
        except OSError:
            return "(no %s)" % name
        return "\n".join(text[-lines:]) or "(%s is empty)" % name

    def stop(self):
        self.note_engines()
        for p in reversed(self.procs):
            if p.poll() is None:
                p.terminate()
                try:
                    p.wait(2)
                except subprocess.TimeoutExpired:
                    p.kill()
                    p.wait()
        for pid in self.engine_pids:
            stop_pid(pid)
        shutil.rmtree(self.dir, ignore_errors=True)


def alive(pid):
    try:
        with open("/proc/%d/stat" % pid) as f:
            return f.read().split(")")[-1].split()[0] != "Z"
    except OSError:
        return False


def stop_pid(pid):
    # Not our child once the daemon is gone: only a bounded wait, no reaping.
    end = time.monotonic() + 2
    while alive(pid) and time.monotonic() < end:
        time.sleep(0.02)
    if not alive(pid):
        return
    try:
        os.kill(pid, signal.SIGTERM)
        end = time.monotonic() + 2
        while alive(pid) and time.monotonic() < end:
            time.sleep(0.02)
        if alive(pid):
            os.kill(pid, signal.SIGKILL)
    except OSError:
        pass


def execs(component_dir):
    found = []
    for name in sorted(os.listdir(component_dir)):
        if name.endswith(".xml"):
            try:
                node = ElementTree.parse(os.path.join(component_dir, name)).find("exec")
            except (OSError, ElementTree.ParseError):
                continue
            if node is not None:
                found.append("%s runs %s" % (name, (node.text or "").strip()))
    return found


def pump():
    ctx = GLib.MainContext.default()
    while ctx.iteration(False):
        pass


def wait_for(done, deadline, session):
    while True:
        pump()
        if done():
            return True
        if time.monotonic() > deadline or session.timed_out:
            return False
        if session.daemon.poll() is not None:
            return False
        time.sleep(0.01)


def engine_name(context):
    desc = context.get_engine()
    return desc.get_name() if desc else ""


def check(session, engine, deadline):
    dbus_address = session.start_dbus(min(deadline, time.monotonic() + 10))
    ibus_address = session.start_ibus(dbus_address, min(deadline, time.monotonic() + 15))
    watchdog = threading.Timer(max(0.0, deadline - time.monotonic()), session.expire)
    watchdog.daemon = True
    watchdog.start()
    try:
        # The library finds the daemon through these; the address file lies in
        # the private folder so nothing of the user's is touched.
        os.environ["IBUS_ADDRESS"] = ibus_address
        os.environ["IBUS_ADDRESS_FILE"] = os.path.join(session.dir, "client", "ibus-address")
        IBus.init()
        bus = IBus.Bus.new()
        if not bus.is_connected():
            raise Failure("cannot connect to the private ibus-daemon at " + ibus_address)
        names = [d.get_name() for d in bus.list_engines()]
        if engine not in names:
            raise Failure("ibus-daemon lists no engine \"%s\" from %s (it lists: %s)"
                          % (engine, session.component_dir, ", ".join(names) or "none"))
        context = bus.create_input_context("lirano-selfcheck")
        if context is None:
            raise Failure("ibus-daemon made no input context")
        commits = []
        context.connect("commit-text", lambda _ctx, text: commits.append(text.get_text() or ""))
        context.set_capabilities(IBus.Capabilite.PREEDIT_TEXT | IBus.Capabilite.FOCUS)
        context.focus_in()
        context.set_engine(engine)
        if not wait_for(lambda: engine_name(context) == engine, min(deadline, time.monotonic() + 15), session):
            raise Failure("ibus-daemon did not start the engine \"%s\" (%s)"
                          % (engine, "; ".join(execs(session.component_dir)) or "no <exec>"))
        for ch in TYPED:
            context.process_key_event(ord(ch), 0, 0)
            context.process_key_event(ord(ch), 0, IBus.ModifierType.RELEASE_MASK)
        context.process_key_event(IBus.KEY_Return, 0, 0)
        context.process_key_event(IBus.KEY_Return, 0, IBus.ModifierType.RELEASE_MASK)
        # Answered by the daemon itself: the commits sent before are queued.
        bus.name_has_owner(IBus.SERVICE_IBUS)
        wait_for(lambda: "".join(commits) == EXPECTED, min(deadline, time.monotonic() + 3), session)
        if session.timed_out:
            raise Failure("timed out after %d s" % TOTAL_SECONDS)
        got = "".join(commits)
        if got != EXPECTED:
            raise Failure("typing \"%s\" + Return committed \"%s\", not \"%s\"" % (TYPED, got, EXPECTED))
    finally:
        watchdog.cancel()


def main():
    if len(sys.argv) not in (2, 3):
        print("usage: %s COMPONENT_DIR [ENGINE_NAME]" % sys.argv[0], file=sys.stderr)
        return 2
    component_dir = os.path.abspath(sys.argv[1])
    engine = sys.argv[2] if len(sys.argv) == 3 else "Lirano"
    # A stop from outside still runs the clean-up.
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(1))
    deadline = time.monotonic() + TOTAL_SECONDS
    session = None
    try:
        if not os.path.isdir(component_dir):
            raise Failure("no folder " + component_dir)
        session = Session(component_dir)
        check(session, engine, deadline)
        print("ibus self-check: ok (engine started by ibus-daemon, typed \"%s\")" % EXPECTED)
        return 0
    except Exception as e:
        why = str(e) if isinstance(e, Failure) else "%s: %s" % (type(e).__name__, e)
        if session and session.timed_out and "timed out" not in why:
            why += " (timed out after %d s)" % TOTAL_SECONDS
        print("ibus self-check: FAILED: %s" % why, file=sys.stderr)
        if session:
            print("--- ibus-daemon log (last lines):\n" + session.tail("ibus-daemon.log"), file=sys.stderr)
        return 1
    finally:
        if session:
            session.stop()


if __name__ == "__main__":
    sys.exit(main())
