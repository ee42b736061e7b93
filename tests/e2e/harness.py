"""Drives the real bimbalo program under its own Xvfb server or headless sway.

Each session makes a throw-away tree T with T/bin (the program and what lies
beside it) and T/datasets (a copy of the sample slides), starts its display
server and the program inside it, and tears everything down again, also when
a check fails (the tree stays then, for a look).

Session is X: the X tools xwininfo, xdotool (keys) and import (ImageMagick,
pictures) are used; a session with a window manager (i3 with its bar, or
openbox) also needs that manager and xprop.  The server
is Xvfb unless the Session asks for server="xorg": Xorg with the dummy video
driver, which (unlike Xvfb) takes keymap changes from setxkbmap and has RandR
outputs that xrandr can add to the desktop.  It runs as root only, with no
input device of its own: all keys come through XTEST.

SwaySession is Wayland: headless sway with wtype for keys, grim for pictures
and swaymsg for the views.

Both kinds offer what chords.py needs to mash a show with a toddler's palm
(press_chord, click, shortcut_log, show_on_top...), and their window managers
and sway bind the shortcuts a palm hits (chords.SHORTCUTS) to commands that
only note that they ran.

Both kinds start a D-Bus session bus of their own, which can start nothing but
the accessibility bus, and run the program with its accessibility on: the
tests find, read and press its widgets by accessible name and role through
a11y_client.py, as a screen reader would.  Every process of a session carries
BIMBALO_E2E_SESSION in its environment, so that its end can make sure none
outlives it (stragglers).
"""

import glob
import json
import os
import pwd
import re
import select
import shutil
import signal
import subprocess
import sys
import tempfile
import time

SKIP = 77  # CTest SKIP_RETURN_CODE

SCREEN_W, SCREEN_H = 1280, 1024  # the Xvfb screen
XORG_OUTPUT_W, XORG_OUTPUT_H = 1024, 768  # each output of the dummy driver
XORG_VIRTUAL_W, XORG_VIRTUAL_H = 2048, 768  # room for a second output to its right
XORG_DUMMY_DRIVER = "/usr/lib/xorg/modules/drivers/dummy_drv.so"
MAIN_CAPTION = "Quillfen Bimbalo"
SHOW_CAPTION = "Run"
PROGRAM_SIBLINGS = ("bimbalo", "bimbalo.qch", "libbimbalohook.so")


A11Y_CLIENT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "a11y_client.py")
# The accessibility client needs the system's Python, where python3-gi lives.
SYSTEM_PYTHON = "/usr/bin/python3" if os.access("/usr/bin/python3", os.X_OK) else sys.executable
A11Y_BUS_SERVICE = "/usr/share/dbus-1/services/org.a11y.Bus.service"
BUS_TOOLS = ("dbus-daemon", "dbus-send")

# A session bus that lets anyone own any name and can start only the services
# in its own folder: nothing of the machine's desktop (no screen saver) comes
# up on it unless a test puts it there.
BUS_CONFIG = """<busconfig>
  <type>session</type>
  <listen>unix:path={socket}</listen>
  <auth>EXTERNAL</auth>
  <servicedir>{services}</servicedir>
  <policy context="default">
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
  </policy>
</busconfig>
"""

# The roles the slide list may have on the accessibility bus: Qt gives a tree
# view "tree", a table view "table" and a list view "list".
LIST_ROLES = "tree|tree table|table|list"


class Failure(Exception):
    pass


def check(condition, message):
    if not condition:
        raise Failure(message)


def missing_a11y():
    """What the accessibility bus and its client lack on this machine."""
    missing = [t for t in BUS_TOOLS if shutil.which(t) is None]
    probe = "import gi; gi.require_version('Atspi', '2.0')"
    if subprocess.run([SYSTEM_PYTHON, "-c", probe], capture_output=True).returncode != 0:
        missing.append("Atspi for Python (python3-pyatspi)")
    if not os.path.exists(A11Y_BUS_SERVICE):
        missing.append("the accessibility bus (at-spi2-core)")
    return missing


def require_tools(server="xvfb", more=()):
    tools = ["xdotool", "xwininfo", "import"] + list(more)
    if server == "xorg":
        tools += ["Xorg", "setxkbmap", "xrandr"]
    else:
        tools.append("Xvfb")
    missing = [t for t in tools if shutil.which(t) is None] + missing_a11y()
    if server == "xorg" and not os.path.exists(XORG_DUMMY_DRIVER):
        missing.append("the Xorg dummy driver (xserver-xorg-video-dummy)")
    if missing:
        print("SKIP: missing " + ", ".join(missing))
        sys.exit(SKIP)
    if server == "xorg" and os.geteuid() != 0:
        print("SKIP: Xorg with the dummy driver needs root")
        sys.exit(SKIP)


def bin_dir():
    d = os.environ.get("BIMBALO_BIN_DIR")
    if not d:
        d = os.path.join(source_dir(), "bin")
    return d


def source_dir():
    d = os.environ.get("BIMBALO_SOURCE_DIR")
    if d:
        return d
    return os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))


def wait_for(what, predicate, timeout, interval=0.05):
    """Polls predicate until it returns something truthy; fails after timeout seconds."""
    deadline = time.monotonic() + timeout
    while True:
        value = predicate()
        if value:
            return value
        if time.monotonic() >= deadline:
            raise Failure("timed out after %.1f s waiting for %s" % (timeout, what))
        time.sleep(interval)


class Image:
    """An RGB picture read from a binary PPM."""

    def __init__(self, width, height, data):
        self.width, self.height, self.data = width, height, data

    @staticmethod
    def from_ppm(blob):
        fields, pos = [], 0
        while len(fields) < 4:
            while blob[pos:pos + 1].isspace():
                pos += 1
            if blob[pos:pos + 1] == b"#":
                pos = blob.index(b"\n", pos) + 1
                continue
            start = pos
            while not blob[pos:pos + 1].isspace():
                pos += 1
            fields.append(blob[start:pos])
        if fields[0] != b"P6" or int(fields[3]) != 255:
            raise Failure("unexpected screenshot format %r" % fields)
        w, h = int(fields[1]), int(fields[2])
        data = blob[pos + 1:pos + 1 + 3 * w * h]
        if len(data) != 3 * w * h:
            raise Failure("short screenshot: %d of %d bytes" % (len(data), 3 * w * h))
        return Image(w, h, data)

    def pixel(self, x, y):
        i = 3 * (y * self.width + x)
        return self.data[i], self.data[i + 1], self.data[i + 2]

    def crop(self, x, y, w, h):
        rows = [self.data[3 * ((y + r) * self.width + x):3 * ((y + r) * self.width + x + w)] for r in range(h)]
        return Image(w, h, b"".join(rows))

    def distinct_colours(self, limit=1000):
        seen = set()
        for i in range(0, len(self.data), 3):
            seen.add(self.data[i:i + 3])
            if len(seen) >= limit:
                break
        return len(seen)


class Window:
    def __init__(self, wid, name, width, height, x, y):
        self.id, self.name = wid, name
        self.width, self.height, self.x, self.y = width, height, x, y

    def __repr__(self):
        return "<%s %r %dx%d+%d+%d>" % (self.id, self.name, self.width, self.height, self.x, self.y)


# A v4 config (i3 reads anything else as v3 and converts it) with the bar
# docked at the top and no status line, and the shortcuts a palm on the
# keyboard hits, each of which only notes its name in a log.
I3_CONFIG = """# i3 config file (v4)
font pango:DejaVu Sans 8
ipc-socket %(ipc)s
bar {
    mode dock
    position top
}
%(bindings)s"""

# Openbox's own configuration (its mouse bindings, focus and placement) with
# the palm's shortcuts in place of its key bindings, which would close, lower
# and move windows.
OPENBOX_RC = "/etc/xdg/openbox/rc.xml"
OPENBOX_BARE_RC = """<?xml version="1.0" encoding="UTF-8"?>
<openbox_config xmlns="http://openbox.org/3.4/rc">
<keyboard>
</keyboard>
</openbox_config>
"""


def palm_shortcuts():
    """chords.SHORTCUTS: (name, modifiers, keysym) of the shortcuts each desktop binds."""
    import chords  # beside this file; it imports this module, so not at the top
    return chords.SHORTCUTS


def i3_bindings(log):
    mods = {"Ctrl": "Control", "Alt": "Mod1", "Super": "Mod4", "Shift": "Shift"}
    return "".join("bindsym %s exec --no-startup-id echo %s >> %s\n" % (
        "+".join([mods[m] for m in modifiers] + [keysym]), name, log)
        for name, modifiers, keysym in palm_shortcuts())


def openbox_config(log):
    mods = {"Ctrl": "C", "Alt": "A", "Super": "W", "Shift": "S"}
    binds = "".join(
        '  <keybind key="%s"><action name="Execute"><command>sh -c \'echo %s &gt;&gt; %s\'</command>'
        '</action></keybind>\n' % ("-".join([mods[m] for m in modifiers] + [keysym]), name, log)
        for name, modifiers, keysym in palm_shortcuts())
    try:
        with open(OPENBOX_RC) as f:
            text = f.read()
    except OSError:
        text = OPENBOX_BARE_RC
    keyboard = "<keyboard>\n  <chainQuitKey>C-g</chainQuitKey>\n" + binds + "</keyboard>"
    text, n = re.subn(r"<keyboard>.*?</keyboard>", lambda m: keyboard, text, count=1, flags=re.S)
    check(n == 1, "no <keyboard> section in %s" % OPENBOX_RC)
    return text


WINDOW_MANAGERS = {
    "i3": ("i3", "i3bar"),
    "openbox": ("openbox",),
}


class ProgramTree:
    """A throw-away tree T with T/bin (the program and what lies beside it) and
    T/datasets (a copy of the sample slides), and at most one running program."""

    def __init__(self, name, with_datasets=True, keep_on_failure=True):
        self.name = name
        self.keep_on_failure = keep_on_failure
        self.helpers = []  # (what, process), in the order they started
        self.stragglers = []  # processes that outlived the session's end, before they were killed
        self.root = tempfile.mkdtemp(prefix="bimbalo-e2e-%s-" % name)
        self.bin = os.path.join(self.root, "bin")
        self.datasets = os.path.join(self.root, "datasets")
        self.audio = os.path.join(self.root, "audio.raw")
        self.log_path = os.path.join(self.root, "program.log")
        self.program = None
        self._install(with_datasets)

    def _install(self, with_datasets):
        src = bin_dir()
        exe = os.path.join(src, "bimbalo")
        if not os.access(exe, os.X_OK):
            raise Failure("no program at %s; build the bimbalo target first" % exe)
        os.makedirs(self.bin)
        for f in PROGRAM_SIBLINGS:
            p = os.path.join(src, f)
            if os.path.exists(p):
                shutil.copy2(p, self.bin)
        if with_datasets:
            shutil.copytree(os.path.join(source_dir(), "datasets"), self.datasets)
        else:
            os.makedirs(self.datasets)

    def write_settings(self, **entries):
        """A settings file beside the program; entries it lacks keep their defaults."""
        lines = ["[options]"] + ["%s=%s" % kv for kv in entries.items()] + ["", ""]
        with open(os.path.join(self.bin, "bimbalo.ini"), "wb") as f:
            f.write("\r\n".join(lines).encode())

    def _finish(self, failed):
        """Keeps the tree after a failure (and tells where), removes it otherwise."""
        if failed and self.keep_on_failure:
            sys.stdout.flush()
            sys.stderr.write("\nkept %s for inspection\n" % self.root)
            log = self.program_log()
            if log:
                sys.stderr.write("--- program output ---\n%s\n" % log)
        else:
            shutil.rmtree(self.root, ignore_errors=True)

    def program_log(self):
        try:
            with open(self.log_path, "rb") as f:
                return f.read().decode(errors="replace")
        except OSError:
            return ""

    def check_running(self):
        check(self.program is not None and self.program.poll() is None,
              "the program has ended (exit code %s)" % (self.program and self.program.returncode))

    def audio_size(self):
        try:
            return os.path.getsize(self.audio)
        except OSError:
            return 0

    # -- set-up and tear-down --------------------------------------------

    def __enter__(self):
        try:
            self._start_session()
        except BaseException:
            self.__exit__(*sys.exc_info())
            raise
        return self

    def __exit__(self, exc_type, exc, tb):
        self.stop_program()
        self._stop_session()
        self._close(exc_type)
        return False

    # -- what each kind of session provides ---------------------------------

    def _start_session(self):
        """Starts the servers and helpers, up to where a program can start."""
        raise NotImplementedError

    def _stop_session(self):
        """Stops what _start_session started, also when it got only part of the way."""
        raise NotImplementedError

    def stop_program(self):
        raise NotImplementedError

    def run(self, *args, timeout=10):
        """Runs a command in the session and waits for it; returns the CompletedProcess."""
        raise NotImplementedError

    def _helper(self, what, args):
        """Starts a process that lasts as long as the session."""
        raise NotImplementedError

    def _give(self, path):
        """Hands path (and all below it) to the user the session runs as."""

    def _alive(self, what, p):
        check(p.poll() is None, "%s has ended (exit code %s); see %s" % (what, p.returncode, self.root))
        return True

    # -- the session bus -----------------------------------------------------

    def start_bus(self, socket):
        """A session bus of the session's own at socket, and the accessibility bus on it."""
        services = os.path.join(self.root, "bus-services")
        os.mkdir(services)
        shutil.copy(A11Y_BUS_SERVICE, services)
        config = os.path.join(self.root, "bus.conf")
        with open(config, "w") as f:
            f.write(BUS_CONFIG.format(socket=socket, services=services))
        self._give(services)
        self._give(config)
        self.env["DBUS_SESSION_BUS_ADDRESS"] = "unix:path=" + socket
        bus = self._helper("dbus-daemon", ["dbus-daemon", "--config-file=" + config, "--nofork"])
        wait_for("the session bus", lambda: self._alive("dbus-daemon", bus) and self.run(
            "dbus-send", "--session", "--print-reply", "--dest=org.freedesktop.DBus", "/org/freedesktop/DBus",
            "org.freedesktop.DBus.GetId").returncode == 0, 10)
        # Qt joins the accessibility bus only when it is up before the program starts.
        r = self.run("dbus-send", "--session", "--print-reply", "--reply-timeout=10000", "--dest=org.a11y.Bus",
                     "/org/a11y/bus", "org.a11y.Bus.GetAddress", timeout=15)
        check(r.returncode == 0, "the accessibility bus did not start: %s" % r.stderr.decode(errors="replace"))

    # -- leftovers -------------------------------------------------------------

    def session_processes(self):
        """(pid, command line) of the processes of this session still running, zombies aside."""
        mark = b"\0BIMBALO_E2E_SESSION=" + self.root.encode() + b"\0"
        found = []
        for d in os.listdir("/proc"):
            if not d.isdigit():
                continue
            try:
                with open("/proc/%s/environ" % d, "rb") as f:
                    environ = b"\0" + f.read()
                with open("/proc/%s/stat" % d, "rb") as f:
                    state = f.read().rpartition(b")")[2].split()[0]
                with open("/proc/%s/cmdline" % d, "rb") as f:
                    cmdline = f.read().replace(b"\0", b" ").decode(errors="replace").strip()
            except (OSError, IndexError):
                continue
            if mark in environ + b"\0" and state != b"Z":
                found.append((int(d), cmdline))
        return found

    def _close(self, exc_type):
        """The end of a session, once everything it started was asked to stop: waits for the session's
        processes to end, kills (and lists in stragglers) those that do not, and removes the tree.
        Stragglers fail a test that has not failed already: the next session must not meet them."""
        try:
            wait_for("the session's processes to end", lambda: not self.session_processes(), 5)
        except Failure:
            self.stragglers = self.session_processes()
            for pid, _ in self.stragglers:
                try:
                    os.kill(pid, signal.SIGKILL)
                except ProcessLookupError:
                    pass
        self._finish(exc_type is not None or bool(self.stragglers))
        if self.stragglers and exc_type is None:
            raise Failure("processes outlived the session and were killed: %r" % self.stragglers)

    # -- the program's widgets on the accessibility bus -------------------------

    def _a11y(self, *args):
        raise NotImplementedError

    def widgets(self, name=None, role=None, all=False):
        """The program's widgets of that accessible name and role (those given) that show, or all of them."""
        args = (["find"] + (["--name", name] if name is not None else []) + (["--role", role] if role else [])
                + (["--all"] if all else []))
        r = self._a11y(*args)
        check(r.returncode == 0, "a11y find failed: %s" % r.stderr.decode(errors="replace"))
        return json.loads(r.stdout)

    def wait_widget(self, name=None, role=None, timeout=15):
        """The one showing widget of that name and role (those given), once there."""
        def look():
            self.check_running()
            found = self.widgets(name, role)
            return found[0] if len(found) == 1 else None
        return wait_for("one widget%s%s on the accessibility bus" % (
            " %r" % name if name is not None else "", " (%s)" % role if role else ""), look, timeout)

    def slide_list(self, timeout=15):
        """The main window's slide list: its rows, selected_rows and extents, among others."""
        return self.wait_widget(role=LIST_ROLES, timeout=timeout)

    def press(self, name, role=None, action=None, timeout=15):
        """Does the widget's action (its first one unless named), without waiting for what it
        opens: finds exactly one showing widget of that name and role, waiting for it to appear."""
        args = ["press", "--name", name] + (["--role", role] if role else []) + (["--action", action] if action else [])
        deadline = time.monotonic() + timeout
        while True:
            self.check_running()
            r = self._a11y(*args)
            if r.returncode == 0:
                return json.loads(r.stdout)
            # 2: none of that name, or several, for now.
            check(r.returncode == 2, "a11y press failed: %s" % r.stderr.decode(errors="replace"))
            check(time.monotonic() < deadline, "no single widget %r%s to press after %.0f s: %s" % (
                name, " (%s)" % role if role else "", timeout, r.stderr.decode(errors="replace").strip()))
            time.sleep(0.2)


XORG_CONF = """\
Section "ServerFlags"
    # Never take the machine's own keyboard, mouse or video card.
    Option "AutoAddDevices" "false"
    Option "AutoEnableDevices" "false"
    Option "AutoAddGPU" "false"
    Option "DontVTSwitch" "true"
EndSection

Section "Device"
    Identifier "dummy"
    Driver "dummy"
    VideoRam 65536
EndSection

Section "Monitor"
    Identifier "monitor"
    HorizSync 5.0-1000.0
    VertRefresh 5.0-200.0
    Modeline "{w}x{h}" 65.00 1024 1048 1184 1344 768 771 777 806 -hsync -vsync
EndSection

Section "Screen"
    Identifier "screen"
    Device "dummy"
    Monitor "monitor"
    DefaultDepth 24
    SubSection "Display"
        Depth 24
        Modes "{w}x{h}"
        Virtual {vw} {vh}
    EndSubSection
EndSection

Section "ServerLayout"
    Identifier "layout"
    Screen "screen"
EndSection
""".format(w=XORG_OUTPUT_W, h=XORG_OUTPUT_H, vw=XORG_VIRTUAL_W, vh=XORG_VIRTUAL_H)


class Session(ProgramTree):
    """One X server, optionally a window manager, one temporary tree and at most one running program.

    server: "xvfb" (a 1280x1024 screen) or "xorg" (the dummy driver, one
    1024x768 output DUMMY0; see add_output_right for a second one).
    """

    def __init__(self, name, with_datasets=True, keep_on_failure=True, server="xvfb", wm=None):
        if server not in ("xvfb", "xorg"):
            raise ValueError("unknown X server %r" % server)
        require_tools(server, WINDOW_MANAGERS[wm] + ("xprop",) if wm else ())
        self.server = server
        self.wm = wm
        self.wm_process = None
        # The primary screen's size, which the show covers.
        if server == "xorg":
            self.primary_size = (XORG_OUTPUT_W, XORG_OUTPUT_H)
        else:
            self.primary_size = (SCREEN_W, SCREEN_H)
        self.x_server = None
        self.display = None
        super().__init__(name, with_datasets, keep_on_failure)
        # The window manager's shortcuts write their names here as they run.
        self.shortcuts_log = os.path.join(self.root, "shortcuts.log")

    # -- set-up and tear-down --------------------------------------------

    def _start_session(self):
        if self.server == "xorg":
            self.start_xorg()
        else:
            self.start_xvfb()
        # The accessibility bus tells the X server's clients where it is, so the server comes first.
        self.start_bus(os.path.join(self.root, "bus"))
        if self.wm:
            self.start_wm()

    def _stop_session(self):
        self.stop_wm()
        for _, p in reversed(self.helpers):
            self._stop_helper(p)
        self.helpers = []
        self.stop_x_server()

    def __exit__(self, exc_type, exc, tb):
        if exc_type is not None and self.server == "xorg" and self.keep_on_failure:
            sys.stderr.write("(the X server's log is %s)\n" % os.path.join(self.root, "xorg.log"))
        return super().__exit__(exc_type, exc, tb)

    def start_xvfb(self):
        self._start_x_server(["Xvfb", "-screen", "0", "%dx%dx24" % (SCREEN_W, SCREEN_H),
                              "-nolisten", "tcp", "-noreset"], "Xvfb")

    def start_xorg(self):
        conf = os.path.join(self.root, "xorg.conf")
        with open(conf, "w") as f:
            f.write(XORG_CONF)
        # A folder of extra configuration of our own keeps the system's out;
        # Xorg passes over a folder with no .conf file in it.
        confdir = os.path.join(self.root, "xorg.conf.d")
        os.makedirs(confdir, exist_ok=True)
        with open(os.path.join(confdir, "00-none.conf"), "w") as f:
            f.write("# Everything is in ../xorg.conf.\n")
        self._start_x_server(["Xorg", "-config", conf, "-configdir", confdir, "-noreset", "-nolisten", "tcp",
                              "-novtswitch", "-sharevts", "-logfile", os.path.join(self.root, "xorg.log")],
                             "Xorg", timeout=30)

    def _start_x_server(self, command, what, timeout=15):
        # -displayfd lets the server pick a free display and tell us which.
        r, w = os.pipe()
        self.x_server = subprocess.Popen(
            command + ["-displayfd", str(w)],
            pass_fds=(w,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
            start_new_session=True)
        os.close(w)
        got = b""
        deadline = time.monotonic() + timeout
        while not got.endswith(b"\n"):
            left = deadline - time.monotonic()
            if left <= 0 or not select.select([r], [], [], left)[0]:
                os.close(r)
                self.stop_x_server()
                raise Failure("%s did not report a display" % what)
            chunk = os.read(r, 64)
            if not chunk:
                os.close(r)
                self.stop_x_server()
                raise Failure("%s exited before reporting a display" % what)
            got += chunk
        os.close(r)
        self.display = ":" + got.decode().strip()
        self.env = dict(os.environ)
        self.env.update({
            "DISPLAY": self.display,
            "QT_QPA_PLATFORM": "xcb",
            "SDL_AUDIODRIVER": "disk",
            "SDL_DISKAUDIOFILE": self.audio,
            "XDG_RUNTIME_DIR": self.root,
            "HOME": self.root,
            # Never the developer's own desktop bus: until the session's own is up, none.
            "DBUS_SESSION_BUS_ADDRESS": "unix:path=" + os.path.join(self.root, "no-bus"),
            "QT_LINUX_ACCESSIBILITY_ALWAYS_ON": "1",
            "BIMBALO_E2E_SESSION": self.root,
        })
        for var in ("WAYLAND_DISPLAY", "QT_SCALE_FACTOR", "QT_SCREEN_SCALE_FACTORS", "QT_FONT_DPI",
                    "AT_SPI_BUS_ADDRESS"):
            self.env.pop(var, None)

    def stop_x_server(self):
        if self.x_server:
            self._stop_helper(self.x_server)
        self.x_server = None

    def _helper(self, what, args):
        log = open(os.path.join(self.root, what + ".log"), "ab")
        try:
            p = subprocess.Popen(args, cwd=self.root, env=self.env, stdin=subprocess.DEVNULL, stdout=log,
                                 stderr=subprocess.STDOUT, start_new_session=True)
        finally:
            log.close()
        self.helpers.append((what, p))
        return p

    @staticmethod
    def _stop_helper(p):
        """Ends a process the session started, kindly if it listens."""
        if p.poll() is None:
            p.terminate()
            try:
                p.wait(5)
            except subprocess.TimeoutExpired:
                p.kill()
                p.wait()

    def start_wm(self):
        """Starts the session's window manager and waits until it manages the screen."""
        log = open(os.path.join(self.root, "wm.log"), "ab")
        if self.wm == "i3":
            config = os.path.join(self.root, "i3.config")
            with open(config, "w") as f:
                f.write(I3_CONFIG % {"ipc": os.path.join(self.root, "i3-ipc"),
                                     "bindings": i3_bindings(self.shortcuts_log)})
            command = ["i3", "-c", config]
        else:
            # HOME is the session's tree, so nothing of the user's.
            config = os.path.join(self.root, "openbox-rc.xml")
            with open(config, "w") as f:
                f.write(openbox_config(self.shortcuts_log))
            command = ["openbox", "--sm-disable", "--config-file", config]
        self.wm_process = subprocess.Popen(command, cwd=self.root, env=self.env, stdin=subprocess.DEVNULL,
                                           stdout=log, stderr=subprocess.STDOUT, start_new_session=True)
        log.close()

        def managing():
            check(self.wm_process.poll() is None, "%s has ended (exit code %s)" % (self.wm, self.wm_process.returncode))
            r = self.x("xprop", "-root", "_NET_SUPPORTING_WM_CHECK")
            return r.returncode == 0 and b"window id #" in r.stdout
        wait_for("%s to manage the screen" % self.wm, managing, 15)
        if self.wm == "i3":
            wait_for("the i3 bar to show", lambda: self.x(
                "xdotool", "search", "--onlyvisible", "--class", "^i3bar$").stdout.strip(), 15)

    def stop_wm(self):
        if self.wm_process:
            # i3bar leaves when i3 does, and anything else at the latest with the X server.
            self._stop_helper(self.wm_process)
        self.wm_process = None

    def start_program(self, *args):
        self.log = open(self.log_path, "ab")
        self.program = subprocess.Popen(
            [os.path.join(self.bin, "bimbalo")] + list(args), cwd=self.root, env=self.env,
            stdin=subprocess.DEVNULL, stdout=self.log, stderr=subprocess.STDOUT,
            start_new_session=True)
        return self.program

    def stop_program(self):
        p = self.program
        if p and p.poll() is None:
            p.send_signal(signal.SIGTERM)
            try:
                p.wait(5)
            except subprocess.TimeoutExpired:
                p.kill()
                p.wait()
        if p:
            self.log.close()
        self.program = None

    # -- X helpers --------------------------------------------------------

    def x(self, *args, timeout=10):
        return subprocess.run(list(args), env=self.env, capture_output=True, timeout=timeout)

    def run(self, *args, timeout=10):
        return self.x(*args, timeout=timeout)

    def _a11y(self, *args):
        return self.x(SYSTEM_PYTHON, A11Y_CLIENT, *args, timeout=30)

    def visible_windows(self, name):
        """Viewable top-level windows whose caption is exactly name, with their geometry."""
        # xwininfo reads _NET_WM_NAME as well; xdotool --name misses windows
        # whose caption Qt filled in from the application name.
        found = []
        for m in re.finditer(r'^\s+(0x[0-9a-f]+) "(.*)": ', self.top_level(), re.M):
            if m.group(2) == name:
                w = self.window_info(m.group(1))
                if w is not None and w.name == name:
                    found.append(w)
        return found

    def window_info(self, wid):
        r = self.x("xwininfo", "-id", str(wid))
        if r.returncode != 0:
            return None
        text = r.stdout.decode()
        m = re.search(r'Window id: (0x[0-9a-f]+) "(.*)"\n', text)
        if not m or "Map State: IsViewable" not in text:
            return None

        def field(label):
            return int(re.search(label + r":\s+(-?\d+)", text).group(1))

        return Window(m.group(1), m.group(2), field("Width"), field("Height"),
                      field("Absolute upper-left X"), field("Absolute upper-left Y"))

    def wait_window(self, name, timeout=15, size=None):
        def look():
            self.check_running()
            ws = [w for w in self.visible_windows(name) if size is None or (w.width, w.height) == size]
            return ws[0] if ws else None
        return wait_for("a window %r%s" % (name, " of %dx%d" % size if size else ""), look, timeout)

    def wait_gone(self, name, timeout=10, size=None):
        def gone():
            return not [w for w in self.visible_windows(name) if size is None or (w.width, w.height) == size]
        wait_for("the window %r to close" % name, gone, timeout)

    def top_level(self):
        # A reparenting window manager puts the program's windows inside frames of its own.
        return self.x("xwininfo", "-root", "-tree" if self.wm else "-children").stdout.decode()

    def net_wm_state(self, window):
        """The atoms of the window's _NET_WM_STATE, as the window manager set them."""
        r = self.x("xprop", "-id", window.id, "_NET_WM_STATE")
        check(r.returncode == 0, "xprop failed: %s" % r.stderr.decode(errors="replace"))
        _, _, atoms = r.stdout.decode().partition("=")
        return {a.strip() for a in atoms.split(",") if a.strip()}

    def screenshot(self, window="root"):
        wid = window if isinstance(window, str) else window.id
        r = self.x("import", "-silent", "-window", wid, "-depth", "8", "ppm:-", timeout=20)
        if r.returncode != 0:
            raise Failure("import failed: %s" % r.stderr.decode(errors="replace"))
        return Image.from_ppm(r.stdout)

    def settled_screenshot(self, window, unlike=None, what="the window to settle", timeout=8):
        """A screenshot that two successive grabs agree on (and, if given, that differs from unlike)."""
        last = [None]

        def grab():
            self.check_running()
            cur = self.screenshot(window)
            prev, last[0] = last[0], cur
            if prev is not None and cur.data == prev.data and (unlike is None or cur.data != unlike.data):
                return cur
            return None
        return wait_for(what, grab, timeout, interval=0.05)

    def open_menu(self, title, item):
        """Opens the main window's menu of that title through the accessibility bus, as a click on
        its title would, and waits until the X server shows it with item in it; returns its window."""
        self.press(title, "menu item", action="ShowMenu")
        self.wait_widget(item, "menu item")
        # The pop-up is a window of its own, so its extents are its size.
        size = tuple(self.wait_widget(role="popup menu")["extents"][2:])

        def shown():
            # Qt names the untitled pop-up after the application.
            return [w for w in self.visible_windows("Bimbalo") if (w.width, w.height) == size]
        return wait_for("the %s menu of %dx%d to show" % ((title,) + size), shown, 5)[0]

    def save_png(self, window, path):
        wid = window if isinstance(window, str) else window.id
        r = self.x("import", "-silent", "-window", wid, "-strip", "png:" + path, timeout=20)
        check(r.returncode == 0, "import failed: %s" % r.stderr.decode(errors="replace"))

    def key(self, *keys):
        r = self.x("xdotool", "key", "--delay", "120", *keys)
        check(r.returncode == 0, "xdotool key failed: %s" % r.stderr.decode(errors="replace"))

    def key_codes(self, *codes):
        """Presses and releases the keys with these X key codes, whatever symbols the keymap gives them."""
        # xdotool takes a number that is no key name as a key code; 0 to 9
        # are the digit keys' names, but no X key code is below 8 anyway.
        check(all(10 <= c <= 255 for c in codes), "key codes out of range: %r" % (codes,))
        self.key(*(str(c) for c in codes))

    def setxkbmap(self, *args):
        """Changes the server's keymap, e.g. setxkbmap("-layout", "ru"); Xorg only."""
        check(self.server == "xorg", "Xvfb ignores keymap changes; use Session(server=\"xorg\")")
        r = self.x("setxkbmap", *args)
        check(r.returncode == 0, "setxkbmap %s failed: %s" % (" ".join(args), r.stderr.decode(errors="replace")))

    def xrandr(self, *args):
        """Runs xrandr with these arguments on the session's display; returns its output."""
        r = self.x("xrandr", *args)
        check(r.returncode == 0, "xrandr %s failed: %s" % (" ".join(args), r.stderr.decode(errors="replace")))
        return r.stdout.decode()

    def add_output_right(self, output="DUMMY1", of="DUMMY0"):
        """Turns on a second dummy output of the same size to the right of the first; Xorg only."""
        check(self.server == "xorg", "only the Xorg dummy driver has outputs to add")
        mode = "%dx%d" % (XORG_OUTPUT_W, XORG_OUTPUT_H)
        self.xrandr("--addmode", output, mode)
        self.xrandr("--output", output, "--mode", mode, "--right-of", of)

    def focus(self, window):
        """Gives the window the input focus and waits until the server says it has it."""
        r = self.x("xdotool", "windowfocus", "--sync", window.id)
        check(r.returncode == 0, "xdotool windowfocus failed: %s" % r.stderr.decode(errors="replace"))

        def focused():
            r = self.x("xdotool", "getwindowfocus")
            return r.returncode == 0 and int(r.stdout.split()[0]) == int(window.id, 16)
        wait_for("the window %r to have the input focus" % window.name, focused, 5)

    # -- a palm on the keyboard (the target protocol of chords.py) ----------------

    @property
    def chord_label(self):
        return self.wm or self.server

    @staticmethod
    def _xdotool_key(code):
        # X key codes are evdev codes + 8; xdotool reads "9" as the digit's key, so Esc goes by name.
        return "Escape" if code == 1 else str(code + 8)

    def press_chord(self, codes):
        keys = [self._xdotool_key(c) for c in codes]
        r = self.x("xdotool", "keydown", "--delay", "0", *keys, "keyup", "--delay", "0", *reversed(keys))
        check(r.returncode == 0, "xdotool keydown/keyup failed: %s" % r.stderr.decode(errors="replace"))

    def click(self, x_fraction, y_fraction):
        w, h = self.primary_size
        r = self.x("xdotool", "mousemove", str(round(x_fraction * (w - 1))), str(round(y_fraction * (h - 1))),
                   "click", "1")
        check(r.returncode == 0, "xdotool click failed: %s" % r.stderr.decode(errors="replace"))
        return True

    def shortcut_log(self):
        try:
            with open(self.shortcuts_log) as f:
                return f.read().split()
        except FileNotFoundError:
            return []

    def stacking(self):
        """The window manager's clients from bottom to top (_NET_CLIENT_LIST_STACKING), as numbers."""
        r = self.x("xprop", "-root", "_NET_CLIENT_LIST_STACKING")
        return [int(w, 16) for w in re.findall(r"0x[0-9a-f]+", r.stdout.decode())] if r.returncode == 0 else []

    def show_problem(self):
        """What keeps the show from being full screen in front with the input focus, or None."""
        shows = self.visible_windows(SHOW_CAPTION)
        if len(shows) != 1:
            return "%d show windows are visible" % len(shows)
        run = shows[0]
        if (run.x, run.y, run.width, run.height) != (0, 0) + tuple(self.primary_size):
            return "the show window is at %dx%d+%d+%d" % (run.width, run.height, run.x, run.y)
        if self.wm:
            state = self.net_wm_state(run)
            if "_NET_WM_STATE_FULLSCREEN" not in state:
                return "the show's _NET_WM_STATE is %s" % (", ".join(sorted(state)) or "empty")
            stacking = self.stacking()
            if stacking and stacking[-1] != int(run.id, 16):
                top = self.window_info(hex(stacking[-1]))
                return "%s is above the show" % (top or hex(stacking[-1]))
        r = self.x("xdotool", "getwindowfocus")
        focus = int(r.stdout.split()[0]) if r.returncode == 0 and r.stdout.strip() else None
        if focus != int(run.id, 16):
            return "the input focus is on %s, not on the show %s" % (focus and self.window_info(focus) or focus, run.id)
        return None

    def show_on_top(self):
        return self.show_problem() is None

    def type_quit(self):
        self.key("q", "u", "i", "t")

    def wait_show_gone(self, timeout):
        self.wait_gone(SHOW_CAPTION, timeout)


# -- Wayland: headless sway --------------------------------------------------

E2E_USER = "bimbalo-e2e"
SWAY_TOOLS = ("sway", "swaymsg", "wtype", "grim")

# Super+Return is the compositor shortcut under test.  Super+F12 runs a binding
# that fires even while a window holds the shortcuts back (--inhibited): once
# sway reports it, sway has handled every key typed before it.
SHORTCUT_KEYS = ("-M", "logo", "-k", "Return", "-m", "logo")
SENTINEL_KEYS = ("-M", "logo", "-k", "F12", "-m", "logo")
SENTINEL_COMMAND = "nop bimbalo-e2e sentinel"

SWAY_CONFIG = """xwayland disable
output HEADLESS-1 resolution {width}x{height} position 0 0
bindsym Mod4+Return exec touch {fired}
bindsym --inhibited Mod4+F12 {sentinel}
{bindings}"""

# The palm's shortcuts do nothing in sway but show in its binding events.
PALM_COMMAND = "nop bimbalo-e2e palm "
SWAY_MODIFIERS = {"Ctrl": "Ctrl", "Alt": "Mod1", "Super": "Mod4", "Shift": "Shift"}
# wtype's names of the modifiers that the modifier keys (by evdev code) give.
WTYPE_MODIFIERS = {29: "ctrl", 97: "ctrl", 56: "alt", 100: "altgr", 125: "logo", 126: "logo",
                   42: "shift", 54: "shift"}


def sway_binding(modifiers, keysym):
    return "+".join([SWAY_MODIFIERS[m] for m in modifiers] + [keysym])


def sway_bindings():
    """The palm's shortcuts, all but Super+Return, which is the session's test shortcut already."""
    return "".join("bindsym %s %s%s\n" % (sway_binding(modifiers, keysym), PALM_COMMAND, name)
                   for name, modifiers, keysym in palm_shortcuts()
                   if sway_binding(modifiers, keysym) != "Mod4+Return")


def qt_wayland_plugin():
    dirs = [d for d in os.environ.get("QT_PLUGIN_PATH", "").split(":") if d]
    dirs += glob.glob("/usr/lib/*/qt6/plugins") + ["/usr/lib/qt6/plugins"]
    return any(os.path.exists(os.path.join(d, "platforms", "libqwayland-generic.so")) for d in dirs)


def require_wayland(a11y, tools=SWAY_TOOLS):
    missing = [t for t in tools if shutil.which(t) is None]
    if not qt_wayland_plugin():
        missing.append("Qt's Wayland platform plugin (qt6-wayland)")
    if a11y:
        missing += missing_a11y()
    if missing:
        print("SKIP: missing " + ", ".join(missing))
        sys.exit(SKIP)


def session_user():
    """The unprivileged user that runs a Wayland session when the tests run as root (sway refuses root)."""
    try:
        return pwd.getpwnam(E2E_USER)
    except KeyError:
        pass
    r = subprocess.run(["useradd", "--system", "--user-group", "--no-create-home", "--home-dir", "/nonexistent",
                        "--shell", "/usr/sbin/nologin", "--comment", "Bimbalo end-to-end tests", E2E_USER],
                       capture_output=True)
    # Another test may have made it in the meantime.
    try:
        return pwd.getpwnam(E2E_USER)
    except KeyError:
        raise Failure("cannot make the user %s: %s" % (E2E_USER, r.stderr.decode(errors="replace")))


def json_values(text):
    """The JSON values written one after another into text; an unfinished last one is left out."""
    decoder, values, pos = json.JSONDecoder(), [], 0
    while True:
        while pos < len(text) and text[pos].isspace():
            pos += 1
        if pos >= len(text):
            return values
        try:
            value, pos = decoder.raw_decode(text, pos)
        except ValueError:
            return values
        values.append(value)


def walk_views(node):
    """The views (windows of clients) in a sway tree, floating ones included."""
    if node.get("shell"):
        yield node
    for child in node.get("nodes", []) + node.get("floating_nodes", []):
        yield from walk_views(child)


class WaylandSession(ProgramTree):
    """A Wayland compositor run headless, a D-Bus session bus of its own with the
    accessibility bus, one temporary tree and at most one program, which runs
    natively on Wayland; subclasses start the compositor (_start_session) and
    name the tools it needs (tools).

    As root everything in the session runs as the user E2E_USER through runuser
    (compositors will not run as root), and the tree belongs to that user; otherwise it
    all runs as the caller.  Every command gets a clean environment: the
    session's variables and the locale, nothing of the caller's desktop."""

    tools = ()

    def __init__(self, name, with_datasets=True, keep_on_failure=True, a11y=True, size=(SCREEN_W, SCREEN_H)):
        require_wayland(a11y, self.tools)
        self.a11y = a11y
        self.size = size
        self.user = session_user() if os.geteuid() == 0 else None
        self.program_pid = None
        super().__init__(name, with_datasets, keep_on_failure)
        self.run_dir = os.path.join(self.root, "run")
        os.mkdir(self.run_dir, 0o700)
        self.fired = os.path.join(self.root, "shortcut-fired")
        self.bindings_log = os.path.join(self.root, "bindings.json")
        self.client = os.path.join(self.root, "a11y_client.py")
        shutil.copy2(A11Y_CLIENT, self.client)
        self._give(self.root)

        keep = ("PATH", "LANG", "LANGUAGE", "TZ")
        self.env = {k: v for k, v in os.environ.items()
                    if k in keep or k.startswith(("LC_", "ASAN_", "UBSAN_", "LSAN_"))}
        self.env.setdefault("PATH", "/usr/bin:/bin")
        if not {"LANG", "LC_ALL", "LC_CTYPE"} & set(self.env):
            self.env["LANG"] = "C.UTF-8"
        self.env.update({
            "HOME": self.root,
            "XDG_RUNTIME_DIR": self.run_dir,
            "SWAYSOCK": os.path.join(self.run_dir, "sway-ipc.sock"),
            # Marks every process of the session, also those started by others (D-Bus activation).
            "BIMBALO_E2E_SESSION": self.root,
        })

    # -- set-up and tear-down --------------------------------------------

    def _start_session(self):
        raise NotImplementedError

    def _stop_session(self):
        for _, p in reversed(self.helpers):
            self._stop(p)
        self.helpers = []

    def _give(self, path):
        if not self.user:
            return
        uid, gid = self.user.pw_uid, self.user.pw_gid
        os.chown(path, uid, gid, follow_symlinks=False)
        for top, dirs, files in os.walk(path):
            for n in dirs + files:
                os.chown(os.path.join(top, n), uid, gid, follow_symlinks=False)

    def write_settings(self, **entries):
        super().write_settings(**entries)
        self._give(os.path.join(self.bin, "bimbalo.ini"))

    def command(self, args, env=None):
        """args as a command line that runs as the session's user with exactly env (the session's by default)."""
        env = self.env if env is None else env
        argv = ["env", "-i"] + ["%s=%s" % kv for kv in sorted(env.items())] + list(args)
        if self.user:
            argv = ["runuser", "-u", self.user.pw_name, "--"] + argv
        return argv

    def run(self, *args, env=None, timeout=10):
        """Runs a command in the session and waits for it; returns the CompletedProcess."""
        return subprocess.run(self.command(args, env), cwd=self.root, stdin=subprocess.DEVNULL,
                              capture_output=True, timeout=timeout)

    def spawn(self, what, args, env=None, log=None):
        """Starts a command in the session, in a process group of its own, its output
        appended to log (a file name in the tree, what.log by default)."""
        out = open(os.path.join(self.root, log or what.split()[0] + ".log"), "ab")
        try:
            return subprocess.Popen(self.command(args, env), cwd=self.root, stdin=subprocess.DEVNULL,
                                    stdout=out, stderr=subprocess.STDOUT, start_new_session=True)
        finally:
            out.close()

    def process_id(self, p):
        """The id of the command that p started: under runuser, runuser's child."""
        if not self.user:
            return p.pid
        deadline = time.monotonic() + 5
        while p.poll() is None:
            try:
                with open("/proc/%d/task/%d/children" % (p.pid, p.pid)) as f:
                    children = f.read().split()
            except OSError:
                children = []
            if children:
                return int(children[0])
            if time.monotonic() >= deadline:
                raise Failure("runuser (pid %d) started no command" % p.pid)
            time.sleep(0.01)
        return None

    def _stop(self, p):
        if p is None or p.poll() is not None:
            return
        # The command itself: runuser, given the signal, would wait two seconds before it ends.
        try:
            pid = self.process_id(p) or p.pid
            os.kill(pid, signal.SIGTERM)
        except (Failure, ProcessLookupError):
            pass
        try:
            p.wait(5)
        except subprocess.TimeoutExpired:
            try:
                os.killpg(p.pid, signal.SIGKILL)
            except ProcessLookupError:
                pass
            p.wait()

    def _helper(self, what, args, env=None, log=None):
        p = self.spawn(what, args, env, log)
        self.helpers.append((what, p))
        return p

    # -- the program -------------------------------------------------------

    def start_program(self, *args, env=None):
        program_env = dict(self.env, QT_QPA_PLATFORM="wayland", SDL_AUDIODRIVER="disk",
                           SDL_DISKAUDIOFILE=self.audio)
        if self.a11y:
            program_env["QT_LINUX_ACCESSIBILITY_ALWAYS_ON"] = "1"
        program_env.update(env or {})
        self.program = self.spawn("program", [os.path.join(self.bin, "bimbalo")] + list(args), program_env,
                                  log=os.path.basename(self.log_path))
        self.program_pid = self.process_id(self.program)
        return self.program

    def stop_program(self):
        self._stop(self.program)
        self.program = None
        self.program_pid = None

    # -- the accessibility bus -------------------------------------------------

    def _a11y(self, *args):
        return self.run(SYSTEM_PYTHON, self.client, *args, timeout=30)


class SwaySession(WaylandSession):
    """Headless sway: views and outputs through swaymsg, keys through wtype,
    bindings seen through sway's binding events."""

    tools = SWAY_TOOLS

    def _start_session(self):
        self.start_sway()
        self.start_keyboard()
        if self.a11y:
            self.start_bus(os.path.join(self.run_dir, "bus"))
        self.start_binding_watch()

    def start_sway(self):
        config = os.path.join(self.root, "sway.config")
        with open(config, "w") as f:
            f.write(SWAY_CONFIG.format(width=self.size[0], height=self.size[1], fired=self.fired,
                                       sentinel=SENTINEL_COMMAND, bindings=sway_bindings()))
        self._give(config)
        env = dict(self.env, WLR_BACKENDS="headless", WLR_RENDERER="pixman", WLR_LIBINPUT_NO_DEVICES="1")
        sway = self._helper("sway", ["sway", "-c", config], env)

        def socket():
            self._alive("sway", sway)
            names = [n for n in os.listdir(self.run_dir) if n.startswith("wayland-") and not n.endswith(".lock")]
            return names[0] if names else None
        self.env["WAYLAND_DISPLAY"] = wait_for("sway's Wayland socket", socket, 15)
        wait_for("sway to answer on its socket", lambda: self._alive("sway", sway) and self.run(
            "swaymsg", "-t", "get_version").returncode == 0, 15)

        def output():
            return [o for o in self.swaymsg("-t", "get_outputs")
                    if o.get("active") and (o["rect"]["width"], o["rect"]["height"]) == self.size]
        wait_for("an output of %dx%d" % self.size, output, 10)

    def start_keyboard(self):
        # The seat has a keyboard only while a virtual keyboard exists, and a client
        # learns of a new keyboard too late for the keys of a short-lived wtype: one
        # wtype that only waits keeps a keyboard on the seat for the whole session.
        keeper = self._helper("wtype keyboard", ["wtype", "-s", "1000000"])
        wait_for("a keyboard on the seat", lambda: self._alive("the keyboard keeper", keeper) and [
            i for i in self.swaymsg("-t", "get_inputs") if i.get("type") == "keyboard"], 10)

    def start_binding_watch(self):
        # swaymsg writes through a buffer that a file would see only now and then.
        watch = self._helper("binding watch", ["stdbuf", "-oL", "swaymsg", "-t", "subscribe", "-m", '["binding"]'],
                             log=os.path.basename(self.bindings_log))

        # swaymsg does not show that the subscription took: the sentinel's event does.
        def live():
            self._alive("swaymsg subscribe", watch)
            if SENTINEL_COMMAND in self.bindings():
                return True
            self.wtype(*SENTINEL_KEYS)
            return False
        wait_for("sway to report bindings", live, 10, interval=0.1)

    # -- sway ----------------------------------------------------------------

    def swaymsg(self, *args):
        """swaymsg's answer, parsed."""
        r = self.run("swaymsg", "-r", *args)
        check(r.returncode == 0, "swaymsg %s failed: %s%s" % (" ".join(args), r.stdout.decode(errors="replace"),
                                                             r.stderr.decode(errors="replace")))
        return json.loads(r.stdout)

    def tree(self):
        return self.swaymsg("-t", "get_tree")

    def views(self):
        return list(walk_views(self.tree()))

    def view(self, title=None, app_id=None, pid=None):
        """The first view with that title, app_id and client pid (those given), or None."""
        for v in self.views():
            if ((title is None or v.get("name") == title) and (app_id is None or v.get("app_id") == app_id)
                    and (pid is None or v.get("pid") == pid)):
                return v
        return None

    def wait_view(self, title, timeout=15):
        """The program's view of that title, once there."""
        def look():
            self.check_running()
            return self.view(title=title, pid=self.program_pid)
        return wait_for("a view %r" % title, look, timeout)

    def wait_view_gone(self, title, timeout=10):
        wait_for("the view %r to close" % title, lambda: self.view(title=title) is None, timeout)

    def add_output(self, width, height, x, y):
        """Another headless output of that size at (x, y); returns its name."""
        before = {o["name"] for o in self.swaymsg("-t", "get_outputs")}
        self.swaymsg("create_output")
        name = wait_for("the new output", lambda: sorted(
            {o["name"] for o in self.swaymsg("-t", "get_outputs")} - before), 10)[0]
        self.swaymsg("output", name, "resolution", "%dx%d" % (width, height), "position", str(x), str(y))
        wait_for("%s at %dx%d+%d+%d" % (name, width, height, x, y), lambda: [
            o for o in self.swaymsg("-t", "get_outputs")
            if o["name"] == name and (o["rect"]["x"], o["rect"]["y"], o["rect"]["width"], o["rect"]["height"])
            == (x, y, width, height)], 10)
        return name

    def bindings(self):
        """The commands of the bindings sway has run, as its events report them, oldest first."""
        try:
            with open(self.bindings_log, "rb") as f:
                text = f.read().decode(errors="replace")
        except OSError:
            return []
        return [v["binding"]["command"] for v in json_values(text) if "binding" in v]

    def shortcut_fires(self):
        """Types Super+Return, the session's test shortcut; tells whether sway ran its binding.
        When it did, waits for the binding's command to touch its file as well."""
        try:
            os.unlink(self.fired)
        except FileNotFoundError:
            pass
        seen = len(self.bindings())
        self.wtype(*(SHORTCUT_KEYS + SENTINEL_KEYS))

        def after_sentinel():
            new = self.bindings()[seen:]
            return new if SENTINEL_COMMAND in new else None
        new = wait_for("sway to run the sentinel shortcut", after_sentinel, 5)
        fired = any(c.startswith("exec touch ") for c in new)
        if fired:
            wait_for("the shortcut's command to touch %s" % self.fired, lambda: os.path.exists(self.fired), 5)
        return fired

    # -- a palm on the keyboard (the target protocol of chords.py) ----------------

    chord_label = "sway"
    CHORDS_PER_SYNC = 50

    def press_chord(self, codes):
        import chords  # see palm_shortcuts
        down, up = [], []
        for c in codes:
            if c in WTYPE_MODIFIERS:
                down += ["-M", WTYPE_MODIFIERS[c]]
                up = ["-m", WTYPE_MODIFIERS[c]] + up
            else:
                down += ["-P", chords.KEYSYM[c]]
                up = ["-p", chords.KEYSYM[c]] + up
        self.wtype(*(down + up))

    def click(self, x_fraction, y_fraction):
        return False  # the headless seat has no pointer

    def between_chords(self):
        """Every CHORDS_PER_SYNC chords, waits until sway has handled them all."""
        self._chords_sent = getattr(self, "_chords_sent", 0) + 1
        if self._chords_sent % self.CHORDS_PER_SYNC == 0:
            self.sync_keys()

    def sync_keys(self):
        """Types the sentinel shortcut and waits for sway to run it: then every key before it is handled."""
        seen = self.bindings().count(SENTINEL_COMMAND)
        self.wtype(*SENTINEL_KEYS)
        wait_for("sway to run the sentinel shortcut", lambda: self.bindings().count(SENTINEL_COMMAND) > seen, 5)

    def shortcut_log(self):
        names = []
        for command in self.bindings():
            if command.startswith(PALM_COMMAND):
                names.append(command[len(PALM_COMMAND):])
            elif command.startswith("exec touch "):
                names.append("Super+Return")
        return names

    def show_problem(self):
        run = self.view(title=SHOW_CAPTION, pid=self.program_pid)
        if run is None:
            return "the show has no view"
        r = run["rect"]
        if run.get("fullscreen_mode") != 1 or (r["x"], r["y"], r["width"], r["height"]) != (0, 0) + tuple(self.size):
            return "the show's view is not full screen on the output: fullscreen_mode %s, rect %r" % (
                run.get("fullscreen_mode"), r)
        if not run.get("focused"):
            focused = [v for v in self.views() if v.get("focused")]
            return "the show's view has no focus (%s has it)" % (
                ", ".join("%r of pid %s" % (v.get("name"), v.get("pid")) for v in focused) or "nobody")
        return None

    def show_on_top(self):
        return self.show_problem() is None

    def type_quit(self):
        self.wtype("quit")

    def wait_show_gone(self, timeout):
        self.wait_view_gone(SHOW_CAPTION, timeout)

    # -- input and pictures --------------------------------------------------

    def wtype(self, *args):
        """wtype with these arguments: `wtype("quit")` types letters, `wtype("-k", "space")` a key."""
        r = self.run("wtype", *args)
        check(r.returncode == 0, "wtype failed: %s" % r.stderr.decode(errors="replace"))

    def screenshot(self, output=None, region=None):
        """The screen as grim sees it: one output, a region (x, y, width, height) or everything."""
        args = ["grim", "-t", "ppm"]
        if output:
            args += ["-o", output]
        if region:
            args += ["-g", "%d,%d %dx%d" % tuple(region)]
        r = self.run(*(args + ["-"]), timeout=20)
        check(r.returncode == 0, "grim failed: %s" % r.stderr.decode(errors="replace"))
        return Image.from_ppm(r.stdout)


PICTURES = {".jpg", ".bmp", ".png"}
SOUNDS = {".wav", ".mp3"}


def expected_slides(folder):
    """Pictures and sounds pair by base name, in any subfolder."""
    names = set()
    for _, _, files in os.walk(folder):
        for f in files:
            stem, ext = os.path.splitext(f.lower())
            if ext in PICTURES or ext in SOUNDS:
                names.add(stem)
    return len(names)


def float_rms(path, start, end=None):
    """RMS of the float32 samples in path between byte offsets start and end."""
    import array
    with open(path, "rb") as f:
        f.seek(start - start % 4)
        blob = f.read(None if end is None else max(0, end - (start - start % 4)))
    blob = blob[:len(blob) - len(blob) % 4]
    samples = array.array("f")
    samples.frombytes(blob)
    if sys.byteorder != "little":
        samples.byteswap()
    if not samples:
        return 0.0, 0
    total = 0.0
    for s in samples:
        if s == s:
            total += s * s
    return (total / len(samples)) ** 0.5, len(samples)


def run(test):
    """Runs test() and turns its outcome into an exit code."""
    try:
        test()
    except Failure as e:
        print("FAIL: %s" % e, flush=True)
        return 1
    except subprocess.TimeoutExpired as e:
        print("FAIL: %s" % e, flush=True)
        return 1
    print("PASS")
    return 0
