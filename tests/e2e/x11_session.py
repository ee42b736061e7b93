"""The X sessions of the end-to-end tests: Xvfb, or Xorg with the dummy driver,
optionally with a window manager (i3 with its bar, or openbox).

Session uses the X tools xwininfo, xdotool (keys) and import (ImageMagick,
pictures); a session with a window manager also needs that manager and xprop.
The server is Xvfb unless the Session asks for server="xorg": Xorg with the
dummy video driver, which (unlike Xvfb) takes keymap changes from setxkbmap
and has RandR outputs that xrandr can add to the desktop.  It runs as root
only, with no input device of its own: all keys come through XTEST."""

import os
import re
import select
import signal
import subprocess
import sys
import time

from harness import (  # noqa: F401
    A11Y_CLIENT,
    Failure,
    in_english,
    Image,
    ProgramTree,
    SCREEN_H,
    SCREEN_W,
    SHOW_CAPTION,
    SYSTEM_PYTHON,
    Window,
    check,
    palm_shortcuts,
    require_tools,
    run,
    wait_for,
)

XORG_OUTPUT_W, XORG_OUTPUT_H = 1024, 768  # each output of the dummy driver
XORG_VIRTUAL_W, XORG_VIRTUAL_H = 2048, 768  # room for a second output to its right

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
        self.env = in_english(dict(os.environ))
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
