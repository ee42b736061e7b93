"""What every end-to-end session shares: the throw-away tree, the program in it,
the session bus with the accessibility bus on it, and the checks.

Each session makes a throw-away tree T with T/bin (the program and what lies
beside it) and T/datasets (a copy of the sample slides), starts its display
server and the program inside it, and tears everything down again, also when
a check fails (the tree stays then, for a look).  The display servers live in
modules of their own: x11_session.py (Xvfb and Xorg, with or without a window
manager) and wayland_session.py (what every compositor session shares, and
headless sway); gnome_session.py and kwin_session.py build on the latter.

Every kind offers what chords.py needs to mash a show with a toddler's palm
(press_chord, click, shortcut_log, show_on_top...), and their window managers
and compositors bind the shortcuts a palm hits (chords.SHORTCUTS) to commands
that only note that they ran.

Every kind starts a D-Bus session bus of its own, which can start nothing but
the accessibility bus, and runs the program with its accessibility on: the
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
XORG_DUMMY_DRIVER = "/usr/lib/xorg/modules/drivers/dummy_drv.so"
MAIN_CAPTION = "Quillfen Bimbalo"
SHOW_CAPTION = "Run"
PROGRAM_SIBLINGS = ("bimbalo", "bimbalo.qch", "libbimbalohook.so", "translations")


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


def in_english(env):
    """env with the program's language English, whatever the machine's: the tests find its
    widgets by their English names (test_translations sets its own languages)."""
    for name in [k for k in env if k == "LANGUAGE" or k.startswith("LC_")]:
        del env[name]
    env["LANG"] = "C.UTF-8"
    return env


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


def palm_shortcuts():
    """chords.SHORTCUTS: (name, modifiers, keysym) of the shortcuts each desktop binds."""
    import chords  # beside this file; it imports this module, so not at the top
    return chords.SHORTCUTS

# The unprivileged user that Wayland sessions and the install tests run as when the tests run as root.
E2E_USER = "bimbalo-e2e"


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
            if os.path.isdir(p):
                shutil.copytree(p, os.path.join(self.bin, f))
            elif os.path.exists(p):
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

    def tree(self):
        """Every widget of the program on the accessibility bus, showing or not, each with its depth."""
        r = self._a11y("dump", "--app", "Bimbalo")
        check(r.returncode == 0, "a11y dump failed: %s" % r.stderr.decode(errors="replace"))
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
