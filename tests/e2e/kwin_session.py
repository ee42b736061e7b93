"""Headless KWin (Plasma's compositor) as a test session.

kwin_wayland runs on virtual outputs as the session's user, on the session's
own bus, with its permission checks off for the session's tools: keys and
clicks go in through KWin's fake input protocol from one long-lived helper
(kwin_fake_input.c, whose path BIMBALO_KWIN_FAKE_INPUT gives), which also
lists the windows as a task manager sees them (title, process, geometry,
full screen, active) and watches for idleness.  The shortcuts that fire show
as kglobalaccel's globalShortcutPressed signals on the session bus, which a
dbus-monitor writes down; pictures come from KWin's ScreenShot2 interface.

Debian's kwin_wayland carries the file capability cap_sys_resource, which a
sandbox may not grant (exec then fails with "Operation not permitted"): the
session runs a copy of it, which has no capability.
"""

import json
import os
import re
import shutil
import subprocess
import sys
import time

import harness as h
import wayland_session as wl

FAKE_INPUT_VAR = "BIMBALO_KWIN_FAKE_INPUT"
SOCKET = "wayland-bimbalo"

# Evdev codes of the keys the tests type.
KEY_CODES = {"Escape": 1, "Tab": 15, "Return": 28, "LeftCtrl": 29, "LeftShift": 42, "LeftAlt": 56, "space": 57,
             "F1": 59, "F2": 60, "F3": 61, "F4": 62, "F12": 88, "PageUp": 104, "PageDown": 109,
             "LeftMeta": 125}
KEY_CODES.update({c: code for c, code in zip("qwertyuiop", range(16, 26))})
KEY_CODES.update({c: code for c, code in zip("asdfghjkl", range(30, 39))})
KEY_CODES.update({c: code for c, code in zip("zxcvbnm", range(44, 51))})
BTN_LEFT = 272

# org_kde_plasma_window_management's state flags.
STATE_ACTIVE = 1 << 0
STATE_MINIMIZED = 1 << 1
STATE_FULLSCREEN = 1 << 3

# Shortcuts KWin binds by default (kglobalaccel's names in the component
# "kwin") and their keys; the first does nothing on a desktop of one window.
# Those that end or take over a window come last.
SHORTCUT = ("Switch to Desktop 1", ("LeftCtrl", "F1"))
SHORTCUTS = [
    SHORTCUT,
    ("Switch to Desktop 2", ("LeftCtrl", "F2")),
    ("Show Desktop", ("LeftMeta", "d")),
    ("Walk Through Windows", ("LeftAlt", "Tab")),
    ("Overview", ("LeftMeta", "w")),
    ("Suspend Compositing", ("LeftAlt", "LeftShift", "F12")),
    ("Window Maximize", ("LeftMeta", "PageUp")),
    ("Window Minimize", ("LeftMeta", "PageDown")),
    ("Window Operations Menu", ("LeftAlt", "F3")),
    ("Window Close", ("LeftAlt", "F4")),
    ("Kill Window", ("LeftMeta", "LeftCtrl", "Escape")),
]

# Qt's key codes, in which kglobalaccel gives a shortcut's keys.
QT_MODIFIERS = {"LeftShift": 0x02000000, "LeftCtrl": 0x04000000, "LeftAlt": 0x08000000, "LeftMeta": 0x10000000}
QT_KEYS = {"Escape": 0x01000000, "Tab": 0x01000001, "PageUp": 0x01000016, "PageDown": 0x01000017}
QT_KEYS.update({"F%d" % n: 0x0100002F + n for n in range(1, 13)})


def qt_key(keys):
    """The Qt key code of a shortcut's keys: ("LeftCtrl", "F1") is Ctrl+F1."""
    code = 0
    for key in keys:
        code |= QT_MODIFIERS.get(key) or QT_KEYS.get(key) or ord(key.upper())
    return code


# The Qt key codes of evdev keys, for telling which chords could have run a
# shortcut of KWin's: the modifiers, and the keys that KWin binds.
EVDEV_QT_MODIFIERS = {29: 0x04000000, 97: 0x04000000, 56: 0x08000000, 125: 0x10000000, 126: 0x10000000,
                      42: 0x02000000, 54: 0x02000000}
EVDEV_QT_KEYS = {1: 0x01000000, 15: 0x01000001, 14: 0x01000003, 28: 0x01000004, 111: 0x01000007, 99: 0x01000009,
                 102: 0x01000010, 107: 0x01000011, 105: 0x01000012, 103: 0x01000013, 106: 0x01000014,
                 108: 0x01000015, 104: 0x01000016, 109: 0x01000017, 57: 0x20}
EVDEV_QT_KEYS.update({code: 0x01000030 + i for i, code in enumerate((59, 60, 61, 62, 63, 64, 65, 66, 67, 68, 87, 88))})
EVDEV_QT_KEYS.update({code: ord(c) for c, code in zip("QWERTYUIOP", range(16, 26))})
EVDEV_QT_KEYS.update({code: ord(c) for c, code in zip("ASDFGHJKL", range(30, 39))})
EVDEV_QT_KEYS.update({code: ord(c) for c, code in zip("ZXCVBNM", range(44, 51))})
EVDEV_QT_KEYS.update({code: ord(c) for c, code in zip("1234567890", range(2, 12))})


def chord_qt_keys(codes):
    """The Qt key codes a chord of evdev codes presses: each key with the modifiers held before it."""
    held, keys = 0, []
    for c in codes:
        if c in EVDEV_QT_MODIFIERS:
            held |= EVDEV_QT_MODIFIERS[c]
        elif c in EVDEV_QT_KEYS:
            keys.append(held | EVDEV_QT_KEYS[c])
    return keys


# A signal of the session's own after a call to KWin has come back: once the
# monitor has written it down, it has written down every shortcut KWin
# reported before it answered.
MARKER_PATH = "/org/bimbalo/e2e"
MARKER_INTERFACE = "org.bimbalo.e2e"
MARKER_MEMBER = "Marker"

# No animation to wait for (HOME is the session's tree: nothing of the user's).
KDE_GLOBALS = """[KDE]
AnimationDurationFactor=0
"""

# Runs inside the session (its bus, its user) for as long as the session, one
# command a line on stdin, one JSON answer a line: KWin's D-Bus calls that
# pass a file descriptor or give a{sv}, which dbus-send cannot, and the
# marker after a call to KWin, on one connection that stays open.
DBUS_CLIENT = r'''
import json, os, sys
import gi
from gi.repository import Gio, GLib

bus = Gio.bus_get_sync(Gio.BusType.SESSION, None)


def call(dest, path, interface, method, args, reply, fds=None):
    if fds is None:
        return bus.call_sync(dest, path, interface, method, args, GLib.VariantType(reply),
                             Gio.DBusCallFlags.NONE, 20000, None).unpack()
    return bus.call_with_unix_fd_list_sync(dest, path, interface, method, args, GLib.VariantType(reply),
                                           Gio.DBusCallFlags.NONE, 20000, fds, None)[0].unpack()


def screenshot(path):
    r, w = os.pipe()
    fds = Gio.UnixFDList.new()
    fds.append(w)
    os.close(w)
    info = call("org.kde.KWin", "/org/kde/KWin/ScreenShot2", "org.kde.KWin.ScreenShot2", "CaptureWorkspace",
                GLib.Variant("(a{sv}h)", ({"native-resolution": GLib.Variant("b", True)}, 0)), "(a{sv})", fds)[0]
    del fds
    chunks = []
    while True:
        chunk = os.read(r, 1 << 20)
        if not chunk:
            break
        chunks.append(chunk)
    os.close(r)
    data = b"".join(chunks)
    width, height, stride = info["width"], info["height"], info["stride"]
    # QImage's 32-bit formats lie in memory as B, G, R, A (or X) on little-endian machines.
    rows = b"".join(data[y * stride:y * stride + 4 * width] for y in range(height))
    rgb = bytearray(3 * width * height)
    rgb[0::3], rgb[1::3], rgb[2::3] = rows[2::4], rows[1::4], rows[0::4]
    with open(path, "wb") as f:
        f.write(b"P6\n%d %d\n255\n" % (width, height) + bytes(rgb))
    return path


def answer(words):
    if words[0] == "marker":
        # KWin sends its signals and its answers in order: once it has answered, every
        # shortcut it fired before is on the bus ahead of the marker.
        call("org.kde.KWin", "/KWin", "org.kde.KWin", "currentDesktop", None, "(i)")
        bus.emit_signal(None, words[1], words[2], words[3], None)
        bus.flush_sync(None)
        return True
    if words[0] == "screenshot":
        return screenshot(words[1])
    if words[0] == "window-info":
        info = call("org.kde.KWin", "/KWin", "org.kde.KWin", "getWindowInfo", GLib.Variant("(s)", (words[1],)),
                    "(a{sv})")[0]
        return {k: v for k, v in info.items()}
    if words[0] == "shortcuts":
        infos = call("org.kde.kglobalaccel", "/component/kwin", "org.kde.kglobalaccel.Component",
                     "allShortcutInfos", None, "(a(ssssssaiai))")[0]
        return [{"name": i[0], "keys": [k for k in i[6] if k]} for i in infos]
    raise ValueError("unknown command %r" % words[0])


print(json.dumps({"ready": True}), flush=True)
for line in sys.stdin:
    try:
        print(json.dumps({"ok": answer(line.split())}, default=str), flush=True)
    except Exception as e:
        print(json.dumps({"error": str(e)}), flush=True)
'''


def require_kwin(a11y=True):
    """Skips the test (77) when the session cannot be had on this machine."""
    missing = [t for t in ("kwin_wayland", "dbus-monitor", "dbus-send") if shutil.which(t) is None]
    helper = os.environ.get(FAKE_INPUT_VAR, "")
    if not helper or not os.access(helper, os.X_OK):
        missing.append("the fake input helper (%s=%r; build the kwin_fake_input target)" % (FAKE_INPUT_VAR, helper))
    if a11y:
        missing += h.missing_a11y()
    if missing:
        print("SKIP: missing " + ", ".join(missing))
        sys.exit(h.SKIP)
    return helper


def signal_values(text):
    """The string arguments of the signals a dbus-monitor wrote, each as (member, [strings])."""
    found = []
    for m in re.finditer(r"^signal .*?member=(\S+)\n((?:   .*\n)*)", text, re.M):
        found.append((m.group(1), re.findall(r'^   string "(.*)"$', m.group(2), re.M)))
    return found


class KwinSession(wl.WaylandSession):
    """kwin_wayland --virtual with outputs of size side by side, as the session's user."""

    def __init__(self, name, outputs=1, size=(h.SCREEN_W, h.SCREEN_H), **kw):
        self.fake_input_path = require_kwin(kw.get("a11y", True))
        super().__init__(name, size=size, **kw)
        self.outputs = outputs
        self.kwin = None
        self.fake_input = None
        self.dbus_proc = None
        self._last_chord = 0.0
        self.kwin_log = os.path.join(self.root, "kwin.log")
        self.shortcuts_log = os.path.join(self.root, "shortcuts.log")
        # What went in, with the time (as dbus-monitor writes it), for a look after a failure.
        self.input_log = os.path.join(self.root, "input.log")
        self.dbus_client = os.path.join(self.root, "kwin_dbus.py")
        with open(self.dbus_client, "w") as f:
            f.write(DBUS_CLIENT)
        self._give(self.dbus_client)

    # -- set-up ----------------------------------------------------------------

    def _start_session(self):
        # KWin, the program and the accessibility bus share one session bus.
        self.start_bus(os.path.join(self.run_dir, "bus"))
        self.configure()
        self.start_kwin()
        self.start_dbus_client()
        self.start_shortcut_watch()
        self.start_fake_input()

    def configure(self):
        config = os.path.join(self.root, ".config")
        os.makedirs(config, exist_ok=True)
        with open(os.path.join(config, "kdeglobals"), "w") as f:
            f.write(KDE_GLOBALS)
        self._give(config)

    def start_kwin(self):
        # A copy has no file capability; copyfile takes the contents alone.
        kwin = os.path.join(self.root, "kwin_wayland")
        shutil.copyfile(shutil.which("kwin_wayland"), kwin)
        os.chmod(kwin, 0o755)
        self._give(kwin)
        # KWin composites with OpenGL (llvmpipe on a machine without a GPU): with QPainter
        # it offers no ScreenShot2.
        env = dict(self.env, KWIN_WAYLAND_NO_PERMISSION_CHECKS="1", KWIN_SCREENSHOT_NO_PERMISSION_CHECKS="1",
                   XDG_SESSION_TYPE="wayland")
        self.kwin = self._helper("kwin_wayland", [kwin, "--virtual", "--width", str(self.size[0]), "--height",
                                                  str(self.size[1]), "--output-count", str(self.outputs),
                                                  "--no-lockscreen", "--socket", SOCKET], env,
                                 log=os.path.basename(self.kwin_log))
        h.wait_for("KWin's Wayland socket", lambda: self._alive("kwin_wayland", self.kwin) and os.path.exists(
            os.path.join(self.run_dir, SOCKET)), 30, interval=0.1)
        self.env["WAYLAND_DISPLAY"] = SOCKET
        h.wait_for("KWin and its shortcuts on the session bus", lambda: self._alive("kwin_wayland", self.kwin) and all(
            self.dbus_call(dest, path, method).returncode == 0 for dest, path, method in (
                ("org.kde.KWin", "/KWin", "org.kde.KWin.currentDesktop"),
                ("org.kde.kglobalaccel", "/component/kwin", "org.kde.kglobalaccel.Component.isActive"))),
            30, interval=0.2)

    def start_shortcut_watch(self):
        rules = ["type='signal',interface='org.kde.kglobalaccel.Component',member='globalShortcutPressed'",
                 "type='signal',interface='%s',member='%s'" % (MARKER_INTERFACE, MARKER_MEMBER)]
        watch = self._helper("shortcut watch", ["stdbuf", "-oL", "dbus-monitor", "--session"] + rules,
                             log=os.path.basename(self.shortcuts_log))
        # dbus-monitor does not say when it listens: the marker it writes down does.
        seen = [0]

        def live():
            self._alive("dbus-monitor", watch)
            if self.markers() > seen[0]:
                return True
            self.dbus_ask("marker %s %s %s" % (MARKER_PATH, MARKER_INTERFACE, MARKER_MEMBER))
            return False
        seen[0] = self.markers()
        h.wait_for("dbus-monitor to watch the shortcuts", live, 10, interval=0.2)

    def _pipe_helper(self, what, args, log):
        """A helper that takes commands on its stdin and answers on its stdout."""
        out = open(os.path.join(self.root, log), "ab")
        try:
            p = subprocess.Popen(self.command(args), cwd=self.root, stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                 stderr=out, start_new_session=True)
        finally:
            out.close()
        self.helpers.append((what, p))
        return p

    def start_dbus_client(self):
        self.dbus_proc = self._pipe_helper("D-Bus client", [h.SYSTEM_PYTHON, self.dbus_client], "kwin_dbus.log")
        self.dbus_ask("ready")

    def start_fake_input(self):
        self.fake_input = self._pipe_helper("fake input", [self.fake_input_path], "fake_input.log")
        line = self.fake_input.stdout.readline().strip()
        h.check(line == b"ready", "the fake input helper did not start (%r); see %s" % (
            line, os.path.join(self.root, "fake_input.log")))

    def _stop(self, p):
        if p is not None and p in (self.fake_input, self.dbus_proc) and p.poll() is None:
            p.stdin.close()  # its end of input ends it
            try:
                p.wait(5)
            except subprocess.TimeoutExpired:
                pass
            p.stdout.close()
        super()._stop(p)

    # -- D-Bus -------------------------------------------------------------------

    def dbus_call(self, dest, path, method, *args, timeout=10):
        return self.run("dbus-send", "--session", "--print-reply", "--reply-timeout=%d" % (timeout * 1000),
                        "--dest=" + dest, path, method, *args, timeout=timeout + 5)

    def dbus_ask(self, line):
        """One command to the session's D-Bus client; its answer. "ready" reads its first line."""
        self._alive("the D-Bus client", self.dbus_proc)
        if line != "ready":
            self.dbus_proc.stdin.write((line + "\n").encode())
            self.dbus_proc.stdin.flush()
        answer = self.dbus_proc.stdout.readline()
        h.check(answer, "the D-Bus client ended at %r; see %s" % (line, os.path.join(self.root, "kwin_dbus.log")))
        value = json.loads(answer)
        h.check("error" not in value, "%s: %s" % (line, value.get("error")))
        return value.get("ok", value.get("ready"))

    def _signals(self):
        try:
            with open(self.shortcuts_log, "rb") as f:
                return signal_values(f.read().decode(errors="replace"))
        except OSError:
            return []

    def markers(self):
        return sum(1 for member, _ in self._signals() if member == MARKER_MEMBER)

    def shortcut_log(self):
        """The names of the shortcuts that fired so far (kglobalaccel's), oldest first, once KWin
        has handled every key sent before."""
        self.settle()
        return [args[1] for member, args in self._signals() if member == "globalShortcutPressed" and len(args) >= 2]

    def settle(self):
        """Waits until KWin has handled the input sent so far and the watch has written down
        every shortcut that fired of it."""
        self.ask("sync")
        before = self.markers()
        self.dbus_ask("marker %s %s %s" % (MARKER_PATH, MARKER_INTERFACE, MARKER_MEMBER))
        h.wait_for("dbus-monitor to write down the marker", lambda: self.markers() > before, 5, interval=0.005)

    def bound_shortcuts(self):
        """KWin's shortcuts that have keys: {name: [Qt key codes]}."""
        return {s["name"]: s["keys"] for s in self.dbus_ask("shortcuts") if s["keys"]}

    def could_fire(self, name, entries):
        """The entries of a stream of chords (chords.random_chords) that press a key of KWin's
        shortcut of that name: [(index, chord)]."""
        keys = set(self.bound_shortcuts().get(name, []))
        return [(i, e) for i, e in enumerate(entries) if e[0] != "click" and keys & set(chord_qt_keys(e))]

    # -- the fake input helper ------------------------------------------------------

    def ask(self, line):
        """One command to the helper; the lines it reported before its "ok"."""
        self._alive("the fake input helper", self.fake_input)
        self._alive("kwin_wayland", self.kwin)
        self.fake_input.stdin.write((line + "\n").encode())
        self.fake_input.stdin.flush()
        lines = []
        while True:
            answer = self.fake_input.stdout.readline().decode(errors="replace")
            h.check(answer, "the fake input helper ended at %r; see %s" % (line, self.root))
            answer = answer.rstrip("\n")
            if answer == "ok":
                return lines
            h.check(not answer.startswith("error"), "%s: %s" % (line, answer))
            lines.append(answer)

    def _note_input(self, what):
        with open(self.input_log, "a") as f:
            f.write("%.6f %s\n" % (time.time(), what))

    def code(self, key):
        return key if isinstance(key, int) else KEY_CODES[key]

    def press_chord(self, codes):
        """Presses the keys (evdev codes or names) in order and lets them go in reverse order."""
        codes = [self.code(c) for c in codes]
        self._note_input("keys " + " ".join(map(str, codes)))
        for c in codes:
            self.ask("key %d 1" % c)
        for c in reversed(codes):
            self.ask("key %d 0" % c)
        self.ask("sync")

    def type_text(self, text):
        for c in text:
            self.press_chord([c])

    def type_quit(self):
        self.type_text("quit")

    def click(self, x_fraction, y_fraction):
        """A left click at that place of the first output; the fake input device always has a pointer."""
        x = min(int(x_fraction * self.size[0]), self.size[0] - 1)
        y = min(int(y_fraction * self.size[1]), self.size[1] - 1)
        self._note_input("click %d %d" % (x, y))
        self.ask("abs %d %d" % (x, y))
        self.ask("button %d 1" % BTN_LEFT)
        self.ask("button %d 0" % BTN_LEFT)
        self.ask("sync")
        return True

    def watch_idle(self, ms):
        """From now on, tells (idle()) whether the seat has had no input for ms milliseconds,
        as KWin reports it to idle watchers; idle inhibitors hold that report off."""
        self.ask("idle %d" % ms)

    def idle(self):
        return self.ask("idle-state") == ["idle"]

    # -- windows -------------------------------------------------------------------

    def windows(self):
        """KWin's windows as a task manager sees them: uuid, title, app_id, pid, state, x, y, width, height."""
        return [json.loads(line) for line in self.ask("windows")]

    def window(self, title, pid=None):
        """The first window of that title (and process) that KWin has placed, or None."""
        for w in self.windows():
            if w["title"] == title and (pid is None or w["pid"] == pid) and w["width"] > 0:
                return w
        return None

    def wait_window(self, title, timeout=15):
        """The program's window of that title, once KWin lists it."""
        def look():
            self.check_running()
            return self.window(title, self.program_pid)
        return h.wait_for("a window %r" % title, look, timeout, interval=0.1)

    def wait_window_gone(self, title, timeout=10):
        h.wait_for("the window %r to close" % title, lambda: self.window(title, self.program_pid) is None, timeout,
                   interval=0.1)

    def wait_show_gone(self, timeout=10):
        self.wait_window_gone(h.SHOW_CAPTION, timeout)

    def window_info(self, window):
        """KWin's own account of a window (getWindowInfo): x, y, width, height, fullscreen, caption..."""
        return self.dbus_ask("window-info " + window["uuid"])

    @staticmethod
    def rect(window):
        return window["x"], window["y"], window["width"], window["height"]

    def output_rect(self, index=0):
        """The virtual outputs lie side by side, the first at the origin."""
        return index * self.size[0], 0, self.size[0], self.size[1]

    # -- a palm on the keyboard (the target protocol of chords.py) ----------------
    # press_chord, click, type_quit, shortcut_log and wait_show_gone are above.

    chord_label = "KWin"
    # Fake input goes in as fast as KWin takes it, far faster than hands: at
    # thousands of keys a second KWin drops a client that falls behind on
    # its events.  A few dozen chords a second is still more than a toddler.
    CHORD_INTERVAL = 0.02

    def between_chords(self):
        """Keeps the entries of a stream of chords at least CHORD_INTERVAL apart."""
        wait = self._last_chord + self.CHORD_INTERVAL - time.monotonic()
        if wait > 0:
            time.sleep(wait)
        self._last_chord = time.monotonic()

    def show_problem(self):
        """What keeps the program's show from being full screen on the first output and the
        active window, or None."""
        self.check_running()
        ws = self.windows()
        shows = [w for w in ws if w["title"] == h.SHOW_CAPTION and w["pid"] == self.program_pid]
        if len(shows) != 1:
            return "KWin lists %d show windows" % len(shows)
        run = shows[0]
        if not run["state"] & STATE_FULLSCREEN or run["state"] & STATE_MINIMIZED:
            return "the show is not full screen (state %#x)" % run["state"]
        if self.rect(run) != self.output_rect(0):
            return "the show is at %dx%d+%d+%d" % (run["width"], run["height"], run["x"], run["y"])
        if not run["state"] & STATE_ACTIVE:
            active = [w for w in ws if w["state"] & STATE_ACTIVE]
            return "the show is not the active window (%s is)" % (
                ", ".join("%r of pid %s" % (w["title"], w["pid"]) for w in active) or "none")
        return None

    def show_on_top(self):
        return self.show_problem() is None

    def help_open(self):
        # The keyboard help is an untitled window, named after the application.
        return self.window("Bimbalo", self.program_pid) is not None

    # -- shortcuts and pictures -------------------------------------------------------

    def shortcut_fires(self, shortcut=SHORTCUT):
        """Types a shortcut, (name, keys), and tells whether KWin fired it."""
        name, keys = shortcut
        before = len(self.shortcut_log())
        self.press_chord(keys)
        return name in self.shortcut_log()[before:]

    def screenshot(self):
        """All outputs, as KWin composes them."""
        path = self.dbus_ask("screenshot " + os.path.join(self.root, "screenshot.ppm"))
        with open(path, "rb") as f:
            return h.Image.from_ppm(f.read())
