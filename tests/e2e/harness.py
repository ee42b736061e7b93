"""Drives the real bimbalo program under its own Xvfb server.

Each Session makes a throw-away tree T with T/bin (the program and what lies
beside it) and T/datasets (a copy of the sample slides), starts Xvfb on a free
display and the program inside it, and tears everything down again, also when
a check fails.  Only the Python standard library and the X tools xwininfo,
xdotool and import (ImageMagick) are used; a session with a window manager
(i3 with its bar, or openbox) also needs that manager and xprop.
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

SCREEN_W, SCREEN_H = 1280, 1024
MAIN_CAPTION = "Quillfen Bimbalo"
SHOW_CAPTION = "Run"
PROGRAM_SIBLINGS = ("bimbalo", "bimbalo.qch", "libbimbalohook.so")


class Failure(Exception):
    pass


def check(condition, message):
    if not condition:
        raise Failure(message)


def require_tools(*more):
    missing = [t for t in ("Xvfb", "xdotool", "xwininfo", "import") + more if shutil.which(t) is None]
    if missing:
        print("SKIP: missing " + ", ".join(missing))
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


class ProgramTree:
    """A throw-away tree T with T/bin (the program and what lies beside it) and
    T/datasets (a copy of the sample slides), and at most one running program."""

    def __init__(self, name, with_datasets=True, keep_on_failure=True):
        self.name = name
        self.keep_on_failure = keep_on_failure
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


class Session(ProgramTree):
    """One Xvfb server, optionally a window manager, one temporary tree and at most one running program."""

    def __init__(self, name, with_datasets=True, keep_on_failure=True, wm=None):
        require_tools(*(WINDOW_MANAGERS[wm] + ("xprop",) if wm else ()))
        self.wm = wm
        self.wm_process = None
        self.xvfb = None
        self.display = None
        super().__init__(name, with_datasets, keep_on_failure)

    # -- set-up and tear-down --------------------------------------------

    def __enter__(self):
        self.start_xvfb()
        if self.wm:
            self.start_wm()
        return self

    def __exit__(self, exc_type, exc, tb):
        self.stop_program()
        self.stop_wm()
        self.stop_xvfb()
        self._finish(exc_type is not None)
        return False

    def start_xvfb(self):
        # -displayfd lets the server pick a free display and tell us which.
        r, w = os.pipe()
        self.xvfb = subprocess.Popen(
            ["Xvfb", "-displayfd", str(w), "-screen", "0", "%dx%dx24" % (SCREEN_W, SCREEN_H),
             "-nolisten", "tcp", "-noreset"],
            pass_fds=(w,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
            start_new_session=True)
        os.close(w)
        got = b""
        deadline = time.monotonic() + 15
        while not got.endswith(b"\n"):
            left = deadline - time.monotonic()
            if left <= 0 or not select.select([r], [], [], left)[0]:
                os.close(r)
                raise Failure("Xvfb did not report a display")
            chunk = os.read(r, 64)
            if not chunk:
                os.close(r)
                raise Failure("Xvfb exited before reporting a display")
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
        })
        for var in ("WAYLAND_DISPLAY", "QT_SCALE_FACTOR", "QT_SCREEN_SCALE_FACTORS", "QT_FONT_DPI"):
            self.env.pop(var, None)

    def stop_xvfb(self):
        if self.xvfb and self.xvfb.poll() is None:
            self.xvfb.terminate()
            try:
                self.xvfb.wait(5)
            except subprocess.TimeoutExpired:
                self.xvfb.kill()
                self.xvfb.wait()
        self.xvfb = None

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

    def click(self, x, y):
        # No --sync: it waits for a motion event, which never comes when the
        # pointer is already there.
        r = self.x("xdotool", "mousemove", str(x), str(y), "click", "1")
        check(r.returncode == 0, "xdotool click failed: %s" % r.stderr.decode(errors="replace"))


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
