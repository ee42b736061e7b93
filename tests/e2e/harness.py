"""Drives the real bimbalo program under its own X server.

Each Session makes a throw-away tree T with T/bin (the program and what lies
beside it) and T/datasets (a copy of the sample slides), starts an X server on
a free display and the program inside it, and tears everything down again,
also when a check fails.  Only the Python standard library and the X tools
xwininfo, xdotool and import (ImageMagick) are used; a session with a window
manager (i3 with its bar, or openbox) also needs that manager and xprop.

The server is Xvfb unless the Session asks for server="xorg": Xorg with the
dummy video driver, which (unlike Xvfb) takes keymap changes from setxkbmap
and has RandR outputs that xrandr can add to the desktop.  It runs as root
only, with no input device of its own: all keys come through XTEST.
"""

import os
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


class Failure(Exception):
    pass


def check(condition, message):
    if not condition:
        raise Failure(message)


def require_tools(server="xvfb", more=()):
    tools = ["xdotool", "xwininfo", "import"] + list(more)
    if server == "xorg":
        tools += ["Xorg", "setxkbmap", "xrandr"]
    else:
        tools.append("Xvfb")
    missing = [t for t in tools if shutil.which(t) is None]
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
# docked at the top and no status line.
I3_CONFIG = """# i3 config file (v4)
font pango:DejaVu Sans 8
ipc-socket %s
bar {
    mode dock
    position top
}
"""

WINDOW_MANAGERS = {
    "i3": ("i3", "i3bar"),
    "openbox": ("openbox",),
}


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


class Session:
    """One X server, one temporary tree and at most one running program.

    server: "xvfb" (a 1280x1024 screen) or "xorg" (the dummy driver, one
    1024x768 output DUMMY0; see add_output_right for a second one).
    """

    def __init__(self, name, with_datasets=True, keep_on_failure=True, server="xvfb", wm=None):
        if server not in ("xvfb", "xorg"):
            raise ValueError("unknown X server %r" % server)
        require_tools(server, WINDOW_MANAGERS[wm] + ("xprop",) if wm else ())
        self.name = name
        self.server = server
        self.wm = wm
        self.wm_process = None
        # The primary screen's size, which the show covers.
        if server == "xorg":
            self.primary_size = (XORG_OUTPUT_W, XORG_OUTPUT_H)
        else:
            self.primary_size = (SCREEN_W, SCREEN_H)
        self.keep_on_failure = keep_on_failure
        self.root = tempfile.mkdtemp(prefix="bimbalo-e2e-%s-" % name)
        self.bin = os.path.join(self.root, "bin")
        self.datasets = os.path.join(self.root, "datasets")
        self.audio = os.path.join(self.root, "audio.raw")
        self.log_path = os.path.join(self.root, "program.log")
        self.x_server = None
        self.program = None
        self.display = None
        self._install(with_datasets)

    # -- set-up and tear-down --------------------------------------------

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

    def __enter__(self):
        if self.server == "xorg":
            self.start_xorg()
        else:
            self.start_xvfb()
        if self.wm:
            self.start_wm()
        return self

    def __exit__(self, exc_type, exc, tb):
        self.stop_program()
        self.stop_wm()
        self.stop_x_server()
        if exc_type is not None and self.keep_on_failure:
            sys.stdout.flush()
            sys.stderr.write("\nkept %s for inspection\n" % self.root)
            if self.server == "xorg":
                sys.stderr.write("(the X server's log is %s)\n" % os.path.join(self.root, "xorg.log"))
            log = self.program_log()
            if log:
                sys.stderr.write("--- program output ---\n%s\n" % log)
        else:
            shutil.rmtree(self.root, ignore_errors=True)
        return False

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
            # Never the developer's own desktop bus; a test that wants one starts its own.
            "DBUS_SESSION_BUS_ADDRESS": "unix:path=" + os.path.join(self.root, "no-bus"),
        })
        for var in ("WAYLAND_DISPLAY", "QT_SCALE_FACTOR", "QT_SCREEN_SCALE_FACTORS", "QT_FONT_DPI"):
            self.env.pop(var, None)

    def stop_x_server(self):
        if self.x_server and self.x_server.poll() is None:
            self.x_server.terminate()
            try:
                self.x_server.wait(5)
            except subprocess.TimeoutExpired:
                self.x_server.kill()
                self.x_server.wait()
        self.x_server = None

    def start_wm(self):
        """Starts the session's window manager and waits until it manages the screen."""
        log = open(os.path.join(self.root, "wm.log"), "ab")
        if self.wm == "i3":
            config = os.path.join(self.root, "i3.config")
            with open(config, "w") as f:
                f.write(I3_CONFIG % os.path.join(self.root, "i3-ipc"))
            command = ["i3", "-c", config]
        else:
            # Its default configuration; HOME is the session's tree, so nothing of the user's.
            command = ["openbox", "--sm-disable"]
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
        p = self.wm_process
        if p and p.poll() is None:
            # i3bar leaves when i3 does, and anything else at the latest with the X server.
            p.terminate()
            try:
                p.wait(5)
            except subprocess.TimeoutExpired:
                p.kill()
                p.wait()
        self.wm_process = None

    def start_program(self):
        self.log = open(self.log_path, "ab")
        self.program = subprocess.Popen(
            [os.path.join(self.bin, "bimbalo")], cwd=self.root, env=self.env,
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

    def program_log(self):
        try:
            with open(self.log_path, "rb") as f:
                return f.read().decode(errors="replace")
        except OSError:
            return ""

    def check_running(self):
        check(self.program is not None and self.program.poll() is None,
              "the program has ended (exit code %s)" % (self.program and self.program.returncode))

    # -- X helpers --------------------------------------------------------

    def x(self, *args, timeout=10):
        return subprocess.run(list(args), env=self.env, capture_output=True, timeout=timeout)

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

    def find_run_button(self, main):
        """Screen position of the Run toolbar button: the first coloured glyph at the top left."""
        shot = self.settled_screenshot(main)
        box = blob_box(shot, 0, 0, min(90, shot.width), shot.height // 3, coloured)
        check(box is not None, "no Run button glyph at the top left of the main window")
        return main.x + (box[0] + box[2]) // 2, main.y + (box[1] + box[3]) // 2

    def open_file_menu(self, main):
        """Opens the File menu by a click on its title; returns the menu's window."""
        box = blob_box(self.settled_screenshot(main), 0, 0, 60, 30, dark)
        check(box is not None, "no File menu title at the top left of the main window")
        fx, fy = main.x + (box[0] + box[2]) // 2, main.y + (box[1] + box[3]) // 2
        self.click(fx, fy)

        def menu():
            # Qt names the untitled pop-up after the application.
            return [w for w in self.visible_windows("Bimbalo")
                    if 0 <= w.y - fy <= 30 and abs(w.x - fx) <= 40 and w.height < 60]
        return wait_for("the File menu to open", menu, 5)[0]

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

    def click(self, x, y):
        # No --sync: it waits for a motion event, which never comes when the
        # pointer is already there.
        r = self.x("xdotool", "mousemove", str(x), str(y), "click", "1")
        check(r.returncode == 0, "xdotool click failed: %s" % r.stderr.decode(errors="replace"))

    def audio_size(self):
        try:
            return os.path.getsize(self.audio)
        except OSError:
            return 0


def blob_box(img, x0, y0, x1, y1, wanted):
    """Bounding box (left, top, right, bottom) of the top-left blob of pixels for which wanted(rgb) holds."""
    points, last_row = [], None
    for y in range(y0, y1):
        xs = [x for x in range(x0, x1) if wanted(img.pixel(x, y))]
        if xs:
            if last_row is not None and y - last_row > 2:
                break
            points += [(x, y) for x in xs]
            last_row = y
        elif last_row is not None and y - last_row > 2:
            break
    if not points:
        return None
    # Of that band of rows, keep the leftmost run of columns.
    columns = sorted({x for x, _ in points})
    right = columns[0]
    for x in columns[1:]:
        if x - right > 4:
            break
        right = x
    blob = [(x, y) for x, y in points if x <= right]
    return (columns[0], min(y for _, y in blob), right, max(y for _, y in blob))


def coloured(rgb):
    return max(rgb) - min(rgb) >= 80


def dark(rgb):
    return sum(rgb) < 3 * 100


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


def list_area(img):
    """The list view's white rows area: (left, top, right, bottom), exclusive."""
    y = img.height - 40
    white = [x for x in range(img.width // 2) if img.pixel(x, y) == (255, 255, 255)]
    check(len(white) > 100, "no white list view found in the left half of the main window")
    left, right = white[0], white[0]
    while right + 1 < img.width and img.pixel(right + 1, y) == (255, 255, 255):
        right += 1
    top = y
    # Walk up the list's empty column to the header.
    while top > 0 and img.pixel(right - 2, top - 1) == (255, 255, 255):
        top -= 1
    check(top < img.height // 3, "list view starts unexpectedly low (y=%d)" % top)
    return left, top, right + 1, y


def list_rows(img, area):
    """Runs of rows of the list area that hold anything but white: one per list row."""
    left, top, right, bottom = area
    bands, start = [], None
    for y in range(top, bottom):
        used = any(img.pixel(x, y) != (255, 255, 255) for x in range(left, right))
        if used and start is None:
            start = y
        elif not used and start is not None:
            bands.append((start, y))
            start = None
    if start is not None:
        bands.append((start, bottom))
    return bands


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
