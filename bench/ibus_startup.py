#!/usr/bin/python3
"""Start-up of Lirano-IBus against a private IBus daemon: the time from
process start to the engine being registered with the bus, and resident
memory once the compound dictionary is loaded (suggestions on).

Usage: bench/ibus_startup.py [build/bin]   (needs dbus-daemon, ibus-daemon
and python3-gi with gir1.2-ibus-1.0; everything runs under a temporary
HOME and is stopped by PID)."""
import os, shutil, signal, statistics, subprocess, sys, tempfile, time

binary_dir = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else "build/bin")
tmp = tempfile.mkdtemp(prefix="lirano-startup-")
env = dict(os.environ, HOME=tmp, XDG_CONFIG_HOME=tmp + "/.config", XDG_CACHE_HOME=tmp + "/.cache",
           XDG_RUNTIME_DIR=tmp + "/run")
os.makedirs(env["XDG_RUNTIME_DIR"], mode=0o700)
started = []


def stop_all():
    for p in reversed(started):
        if p.poll() is None:
            p.send_signal(signal.SIGTERM)
            try:
                p.wait(5)
            except subprocess.TimeoutExpired:
                p.kill()
    shutil.rmtree(tmp, ignore_errors=True)


try:
    dbus = subprocess.Popen(["dbus-daemon", "--session", "--nofork", "--print-address"], env=env,
                            stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
    started.append(dbus)
    env["DBUS_SESSION_BUS_ADDRESS"] = dbus.stdout.readline().strip()
    os.environ.update(env)
    # A private socket, named to the engine and the client by IBUS_ADDRESS.
    env["IBUS_ADDRESS"] = "unix:path=" + tmp + "/ibus.sock"
    os.environ.update(env)
    daemon = subprocess.Popen(["ibus-daemon", "--panel=disable", "--config=disable", "--address=" + env["IBUS_ADDRESS"]],
                              env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    started.append(daemon)
    import gi
    gi.require_version("IBus", "1.0")
    from gi.repository import IBus
    IBus.init()
    # The bus object is a singleton: create it once the daemon listens.
    for _ in range(200):
        if os.path.exists(tmp + "/ibus.sock"):
            break
        time.sleep(0.05)
    time.sleep(0.2)
    bus = IBus.Bus()
    if not bus.is_connected():
        raise SystemExit("cannot connect to the private IBus daemon")
    prog = os.path.join(tmp, "prog")
    os.makedirs(prog)
    shutil.copy(os.path.join(binary_dir, "Lirano-IBus"), prog)
    shutil.copytree(os.path.join(binary_dir, "Resources"), os.path.join(prog, "Resources"))

    from gi.repository import GLib
    ic = bus.create_input_context("startup")
    ic.set_capabilities(IBus.Capabilite.PREEDIT_TEXT | IBus.Capabilite.FOCUS)
    ic.focus_in()

    # Registered once an input context can select the engine.
    def registered():
        ic.set_engine("Lirano")
        for _ in range(3):
            GLib.MainContext.default().iteration(False)
        desc = ic.get_engine()
        return desc is not None and desc.get_name() == "Lirano"

    times = []
    for run in range(7):
        with open(os.path.join(prog, "LuaChon.ini"), "w", encoding="utf-8-sig") as f:
            f.write("[LuaChon]\nSuggestion=1\n")
        t0 = time.monotonic()
        engine = subprocess.Popen([os.path.join(prog, "Lirano-IBus")], env=env, stdout=subprocess.DEVNULL)
        while not registered():
            if time.monotonic() - t0 > 10:
                raise SystemExit("the engine did not register")
            time.sleep(0.002)
        times.append((time.monotonic() - t0) * 1000)
        time.sleep(1.5)  # the dictionary loads in the background
        rss = [l for l in open(f"/proc/{engine.pid}/status") if l.startswith("VmRSS")][0].split()[1]
        engine.send_signal(signal.SIGTERM)
        engine.wait(5)
        ic.set_engine("xkb:us::eng")
        time.sleep(0.3)
    print(f"start to registered: median {statistics.median(times):.1f} ms, max {max(times):.1f} ms over {len(times)} runs")
    print(f"resident memory with the compound dictionary loaded: {int(rss) / 1024:.1f} MB")
finally:
    stop_all()
