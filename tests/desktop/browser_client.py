#!/usr/bin/python3
# Usage: browser_client.py chromium|firefox
# A web page typed into through the browser's GTK 3 IBus module: the fields
# of gtk_client.py, plus a datalist, an input that completes itself inline
# and a chat box that sends on Enter, and a second window with one input.
# Speaks gtk_client.py's protocol through $LIRANO_CLIENT_DIR; also focuses
# the field named in focus.req from the page's script, as pages do.
import json
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import threading
import time
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer
import client_state  # noqa: E402

SCRIPT = r"""<script>
const page = document.title.split(" ")[1], sent = [];
const ids = [...document.querySelectorAll("input, textarea, [contenteditable]")].map(e => e.id);
let busy = false, again = false, done = "", last = "", lastTime = 0;
// One report in flight at a time; events that come meanwhile ask for one more.
// An unchanged one goes only now and then: focus.req comes in its answer.
async function report() {
  if (busy) { again = true; return; }
  busy = true;
  do {
    again = false;
    // The viewport's origin on the screen: side borders split evenly, the rest on top.
    const ox = screenX + (outerWidth - innerWidth) / 2, oy = screenY + outerHeight - innerHeight;
    const fields = {};
    for (const id of ids) {
      const e = document.getElementById(id), r = e.getBoundingClientRect();
      fields[id] = [id == "chat" ? e.textContent : e.value,
                    Math.round(ox + r.left + r.width / 2), Math.round(oy + r.top + r.height / 2)];
    }
    const focus = document.hasFocus() && ids.includes(document.activeElement.id) ? document.activeElement.id : "";
    const at = [screenX, screenY, outerWidth, outerHeight];
    const body = JSON.stringify({page, at, fields, sent, focus, done});
    if (body == last && performance.now() - lastTime < 250) break;
    last = body, lastTime = performance.now(), done = "";
    try {
      const answer = await (await fetch("/state", {method: "POST", body})).json();
      if (answer.focus) { document.getElementById(answer.focus).focus(); done = answer.focus; again = true; }
    } catch (e) {}
  } while (again);
  busy = false;
}
for (const type of ["input", "keyup", "focusin", "focusout", "compositionend"])
  document.addEventListener(type, report, true);
addEventListener("focus", report);
addEventListener("blur", report);
setInterval(report, 50);
// As a toolkit's window does, the first field takes the focus.
document.getElementById(ids[0]).focus();
</script>"""

MAIN = """<!doctype html><html><head><meta charset="utf-8"><title>Lirano main</title>
<style>body{margin:8px;font:16px sans-serif} input,textarea,#chat{display:block;margin:4px 0;width:400px}
textarea{height:120px} #chat{min-height:40px;border:1px solid gray}</style></head><body>
<input id="entry1" autocomplete="off"><input id="entry2" autocomplete="off"><input id="entry3" autocomplete="off">
<input id="password" type="password" autocomplete="off"><textarea id="text" spellcheck="false"></textarea>
<input id="complete" autocomplete="off"><div id="chat" contenteditable="true" spellcheck="false"></div>
<!-- Last, so that its popup covers no other field. -->
<input id="datalist" list="places" autocomplete="off"><datalist id="places"><option value="Hà Nội">
<option value="Đà Nẵng"><option value="Sài Gòn"><option value="Cần Thơ"></datalist>
""" + SCRIPT + """<script>
// Completes inline as an address bar does: the added part selected after the caret.
const complete = document.getElementById("complete");
complete.addEventListener("input", e => {
  const v = complete.value;
  if (e.inputType != "insertText" || complete.selectionStart != v.length || complete.selectionEnd != v.length) return;
  const word = ["Việt Nam", "việc làm", "tiếng Việt"].find(w => w.length > v.length && w.startsWith(v));
  if (word) { complete.value = word; complete.setSelectionRange(v.length, word.length); }
});
const chat = document.getElementById("chat");
chat.addEventListener("keydown", e => {
  // Enter during a composition belongs to the input method.
  if (e.key != "Enter" || e.shiftKey || e.isComposing) return;
  e.preventDefault();
  sent.push(chat.textContent);
  chat.textContent = "";
  report();
});
window.open("/other", "other", "popup,left=720,top=0,width=400,height=200");
</script></body></html>"""

OTHER = """<!doctype html><html><head><meta charset="utf-8"><title>Lirano other</title>
<style>body{margin:8px;font:16px sans-serif} input{width:360px}</style></head><body>
<input id="other" autocomplete="off">
""" + SCRIPT + "</body></html>"

# Quiet first start: no welcome pages, telemetry, updates, restore or
# password prompts; datalist popups stay, window.open is allowed.
FIREFOX_PREFS = {
    "browser.shell.checkDefaultBrowser": False, "browser.startup.homepage_override.mstone": "ignore",
    "startup.homepage_welcome_url": "", "startup.homepage_welcome_url.additional": "",
    "browser.aboutwelcome.enabled": False, "browser.startup.page": 0, "browser.newtabpage.enabled": False,
    "datareporting.policy.dataSubmissionEnabled": False, "datareporting.healthreport.uploadEnabled": False,
    "toolkit.telemetry.enabled": False, "toolkit.telemetry.reportingpolicy.firstRun": False,
    "app.update.enabled": False, "app.update.auto": False, "app.normandy.enabled": False,
    "extensions.update.enabled": False, "browser.safebrowsing.malware.enabled": False,
    "browser.safebrowsing.phishing.enabled": False, "network.captive-portal-service.enabled": False,
    "network.connectivity-service.enabled": False, "browser.sessionstore.resume_from_crash": False,
    "browser.sessionstore.max_resumed_crashes": 0, "toolkit.startup.max_resumed_crashes": -1,
    "browser.tabs.warnOnClose": False, "signon.rememberSignons": False, "browser.formfill.enable": False,
    "extensions.formautofill.addresses.enabled": False, "extensions.formautofill.creditCards.enabled": False,
    "browser.translations.enable": False, "browser.uitour.enabled": False,
    "dom.disable_open_during_load": False, "dom.disable_window_move_resize": False,
    "layout.css.devPixelsPerPx": "1.0", "toolkit.cosmeticAnimations.enabled": False,
}

# Side by side, so that a click meant for one never lands on the other.
GEOMETRY = {"main": [0, 0, 700, 600], "other": [720, 0, 400, 200]}
folder = os.environ["LIRANO_CLIENT_DIR"]
lock = threading.Lock()
reports = {}  # page name -> its latest report


class Handler(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_message(self, *args):
        pass

    def reply(self, body, kind, code=200):
        data = body.encode("utf-8")
        self.send_response(code)
        self.send_header("Content-Type", kind)
        self.send_header("Content-Length", str(len(data)))
        self.send_header("Cache-Control", "no-store")
        self.end_headers()
        self.wfile.write(data)

    def do_GET(self):
        page = {"/": MAIN, "/other": OTHER}.get(self.path)
        self.reply(page or "", "text/html; charset=utf-8", 200 if page else 404)

    def do_POST(self):
        report = json.loads(self.rfile.read(int(self.headers["Content-Length"])))
        report["time"] = time.monotonic()
        focus = ""
        with lock:
            reports[report["page"]] = report
            if report["page"] == "main":
                req = os.path.join(folder, "focus.req")
                try:
                    with open(req, encoding="utf-8") as f:
                        focus = f.read().strip()
                except OSError:
                    pass
                # Gone only once the page says it has focused the field.
                if focus and report["done"] == focus:
                    os.unlink(req)
                    focus = ""
        self.reply(json.dumps({"focus": focus}), "application/json")


def find_window(title):
    out = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", "^" + title],
                         capture_output=True, text=True).stdout.split()
    return int(out[-1]) if out else 0


def dump(windows):
    if not client_state.asked():
        return
    with lock:
        pages = [reports[p] for p in ("main", "other")]
    fields = {n: v for p in pages for n, v in p["fields"].items()}
    lines = ["text %s %s" % (n, v[0].encode("utf-8").hex()) for n, v in fields.items()]
    lines.append("text sent " + "".join(m + "\n" for m in pages[0]["sent"]).encode("utf-8").hex())
    lines += ["place %s %d %d" % (n, v[1], v[2]) for n, v in fields.items()]
    lines += ["window %s %d" % w for w in windows.items()]
    # Both pages may claim focus for a moment after a switch: the newer report wins.
    focused = sorted((p for p in pages if p["focus"]), key=lambda p: p["time"])
    lines += ["focus %s" % focused[-1]["focus"]] if focused else []
    client_state.answer(lines)


def command(browser, profile, url):
    if browser == "chromium":
        return ["chromium", "--no-sandbox", "--test-type", "--no-first-run", "--no-default-browser-check",
                "--disable-background-networking", "--disable-component-update", "--disable-sync",
                "--disable-default-apps", "--disable-extensions", "--disable-gpu", "--disable-quic",
                "--disable-popup-blocking", "--password-store=basic", "--use-mock-keychain",
                "--disable-features=Translate,AutofillServerCommunication,MediaRouter,OptimizationHints",
                "--disable-session-crashed-bubble", "--noerrdialogs", "--ozone-platform=x11", "--gtk-version=3",
                "--force-device-scale-factor=1", "--user-data-dir=" + profile,
                "--window-position=0,0", "--window-size=700,600", "--app=" + url]
    with open(os.path.join(profile, "user.js"), "w") as f:
        f.writelines("user_pref(%s, %s);\n" % (json.dumps(k), json.dumps(v)) for k, v in FIREFOX_PREFS.items())
    return ["firefox-esr" if shutil.which("firefox-esr") else "firefox", "--no-remote", "--new-instance",
            "--profile", profile, url]


def main():
    browser = sys.argv[1] if len(sys.argv) == 2 else ""
    if browser not in ("chromium", "firefox"):
        sys.exit("usage: browser_client.py chromium|firefox")
    server = ThreadingHTTPServer(("127.0.0.1", 0), Handler)
    server.daemon_threads = True
    server.handle_error = lambda *args: None  # a page cut off as the browser goes
    threading.Thread(target=server.serve_forever, daemon=True).start()
    profile = tempfile.mkdtemp(prefix="lirano-" + browser + "-", dir=os.environ.get("HOME"))
    env = dict(os.environ, MOZ_ENABLE_WAYLAND="0", GDK_BACKEND="x11", MOZ_CRASHREPORTER_DISABLE="1")
    started = time.monotonic()
    # Its own process group, so that every process of it can be killed at once.
    proc = subprocess.Popen(command(browser, profile, "http://127.0.0.1:%d/" % server.server_port),
                            env=env, stdin=subprocess.DEVNULL, start_new_session=True)

    def stop(code):
        try:
            os.killpg(proc.pid, signal.SIGKILL)
        except ProcessLookupError:
            pass
        proc.wait()
        shutil.rmtree(profile, ignore_errors=True)
        os._exit(code)

    signal.signal(signal.SIGTERM, lambda *args: stop(0))
    signal.signal(signal.SIGINT, lambda *args: stop(0))
    parent = os.getppid()
    windows, placed, moved = {}, False, 0
    try:
        while proc.poll() is None and os.getppid() == parent:
            time.sleep(0.02)
            if placed:
                dump(windows)
                continue
            with lock:
                if len(reports) < 2:
                    continue
                placed = all(reports[n]["at"] == g for n, g in GEOMETRY.items())
            windows = {n: find_window("Lirano " + n) for n in GEOMETRY}
            placed = placed and all(windows.values())
            if placed:
                print("%s up in %.1f s" % (browser, time.monotonic() - started), file=sys.stderr)
            elif all(windows.values()) and time.monotonic() - moved > 0.5:
                # Browsers place popups as they like; with no window manager, we place them.
                moved = time.monotonic()
                for n, (x, y, w, h) in GEOMETRY.items():
                    subprocess.run(["xdotool", "windowsize", str(windows[n]), str(w), str(h),
                                    "windowmove", str(windows[n]), str(x), str(y)])
        print("browser_client: the browser or the caller went away", file=sys.stderr)
    finally:
        stop(1)


main()
