"""Headless GNOME Shell as a test session: the shell on a virtual monitor, a
private system bus for what it asks of the system, GSettings through dconf on
the session bus, keys and clicks through mutter's remote desktop interface,
windows through the shell's introspection, and the shortcuts that ran as
mutter's key-binding log tells them."""

import json
import os
import re
import shutil
import subprocess
import time

import harness as h
import wayland_session as wl

SPLASH_CAPTION = "Bimbalo"  # the keyboard help has no title of its own
DCONF_SERVICE = "/usr/share/dbus-1/services/ca.desrt.dconf.service"
# Where GNOME keeps the user's answers to its questions, such as whether an
# application may inhibit the shortcuts.
PERMISSION_STORE_SERVICE = "/usr/share/dbus-1/services/org.freedesktop.impl.portal.PermissionStore.service"
APP_ID = "example.quillfen.Bimbalo"
CLIENT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "gnome_client.py")

# Evdev codes of the keys the tests type.
KEY_CODES = {"Escape": 1, "Return": 28, "LeftShift": 42, "LeftAlt": 56, "LeftMeta": 125, "F4": 62,
             "space": 57, "1": 2}
KEY_CODES.update({c: code for c, code in zip("qwertyuiop", range(16, 26))})
KEY_CODES.update({c: code for c, code in zip("asdfghjkl", range(30, 39))})
KEY_CODES.update({c: code for c, code in zip("zxcvbnm", range(44, 51))})

# Shortcuts the window manager and the shell bind: schema, key, accelerator.
# Each, when it fires, shows in mutter's log as "Running handler for KEY".
SHORTCUTS = [
    ("org.gnome.desktop.wm.keybindings", "close", "<Alt>F4"),
    ("org.gnome.desktop.wm.keybindings", "minimize", "<Super>h"),
    ("org.gnome.desktop.wm.keybindings", "toggle-maximized", "<Super>Up"),
    ("org.gnome.desktop.wm.keybindings", "show-desktop", "<Super>d"),
    ("org.gnome.desktop.wm.keybindings", "switch-applications", "<Alt>Tab"),
    ("org.gnome.desktop.wm.keybindings", "switch-windows", "<Super>Tab"),
    ("org.gnome.desktop.wm.keybindings", "cycle-windows", "<Alt>Escape"),
    ("org.gnome.desktop.wm.keybindings", "panel-run-dialog", "<Alt>F2"),
    ("org.gnome.desktop.wm.keybindings", "activate-window-menu", "<Alt>space"),
    ("org.gnome.desktop.wm.keybindings", "begin-move", "<Alt>F7"),
    ("org.gnome.desktop.wm.keybindings", "begin-resize", "<Alt>F8"),
    ("org.gnome.desktop.wm.keybindings", "toggle-fullscreen", "<Super>f"),
    ("org.gnome.desktop.wm.keybindings", "switch-to-workspace-1", "<Super>1"),
    ("org.gnome.desktop.wm.keybindings", "switch-to-workspace-2", "<Super>2"),
    ("org.gnome.desktop.wm.keybindings", "switch-to-workspace-left", "<Control><Alt>Left"),
    ("org.gnome.desktop.wm.keybindings", "switch-to-workspace-right", "<Control><Alt>Right"),
    ("org.gnome.desktop.wm.keybindings", "move-to-workspace-right", "<Shift><Super>Right"),
    ("org.gnome.desktop.wm.keybindings", "switch-input-source", "<Super>space"),
    ("org.gnome.shell.keybindings", "toggle-application-view", "<Super>a"),
    ("org.gnome.shell.keybindings", "toggle-message-tray", "<Super>v"),
    ("org.gnome.shell.keybindings", "focus-active-notification", "<Super>n"),
    ("org.gnome.shell.keybindings", "screenshot", "<Shift>Print"),
    ("org.gnome.shell.keybindings", "show-screenshot-ui", "Print"),
]

SHELL_CONFIG = """<busconfig>
  <type>session</type>
  <listen>unix:path={socket}</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow send_destination="*"/>
    <allow receive_sender="*"/>
    <allow own="*"/>
  </policy>
</busconfig>
"""


class GnomeSession(wl.WaylandSession):
    """gnome-shell --headless on a virtual monitor of size, as the session's user."""

    def __init__(self, name, size=(1280, 1024), monitors=1, **kw):
        self.monitors = monitors
        missing = [t for t in ("gnome-shell", "gsettings", "dbus-daemon", "convert") if shutil.which(t) is None]
        if not os.path.exists(DCONF_SERVICE):
            missing.append("dconf-service")
        if not os.path.exists(PERMISSION_STORE_SERVICE):
            missing.append("the permission store (xdg-desktop-portal)")
        if missing:
            print("SKIP: missing " + ", ".join(missing))
            raise SystemExit(h.SKIP)
        super().__init__(name, size=size, **kw)
        self.shell_log = os.path.join(self.root, "gnome-shell.log")
        self.client_proc = None
        self.log_seen = 0

    # -- set-up --------------------------------------------------------------

    def _start_session(self):
        socket = os.path.join(self.run_dir, "system_bus")
        config = os.path.join(self.root, "system-bus.conf")
        with open(config, "w") as f:
            f.write(SHELL_CONFIG.format(socket=socket))
        self._give(config)
        system = self._helper("system bus", ["dbus-daemon", "--config-file=" + config, "--nofork"],
                              log="system-bus.log")
        h.wait_for("the private system bus", lambda: self._alive("system bus", system) and os.path.exists(socket), 10)
        self.env["DBUS_SYSTEM_BUS_ADDRESS"] = "unix:path=" + socket
        self.start_bus(os.path.join(self.run_dir, "bus"))
        for service in (DCONF_SERVICE, PERMISSION_STORE_SERVICE):
            shutil.copy(service, os.path.join(self.root, "bus-services"))
        self._give(os.path.join(self.root, "bus-services"))
        self.run("dbus-send", "--session", "--type=method_call", "--dest=org.freedesktop.DBus",
                 "/org/freedesktop/DBus", "org.freedesktop.DBus.ReloadConfig")
        self.start_store_watch()
        self.configure()
        self.install_menu_entry()
        self.start_shell()
        self.start_client()
        # The shell starts in the overview, and the first key of a remote
        # session is lost: a Shift tap, then Escape closes the overview.
        self.tap("LeftShift")
        time.sleep(0.5)
        self.tap("Escape")

    def gsettings(self, *args):
        r = self.run("gsettings", *args)
        h.check(r.returncode == 0, "gsettings %s: %s" % (" ".join(args), r.stderr.decode(errors="replace")))
        return r.stdout.decode().strip()

    def configure(self):
        # Nothing else to do on an idle headless screen: no lock, no blanking
        # during a test, no animations to wait for.
        self.gsettings("set", "org.gnome.desktop.interface", "enable-animations", "false")
        self.gsettings("set", "org.gnome.desktop.session", "idle-delay", "0")
        for schema, key, accel in SHORTCUTS:
            self.gsettings("set", schema, key, "['%s']" % accel)

    def install_menu_entry(self):
        """The program's menu entry among the user's, as an installed program has it: by it
        the shell knows the program's windows, and keeps its answers for it."""
        apps = os.path.join(self.root, ".local", "share", "applications")
        os.makedirs(apps)
        with open(os.path.join(h.source_dir(), "desktop", APP_ID + ".desktop")) as f:
            entry = f.read()
        entry = re.sub(r"(?m)^Exec=bimbalo", "Exec=" + os.path.join(self.bin, "bimbalo"), entry)
        with open(os.path.join(apps, APP_ID + ".desktop"), "w") as f:
            f.write(entry)
        self._give(os.path.join(self.root, ".local"))

    def start_shell(self):
        env = dict(self.env, MUTTER_DEBUG="keybindings", XDG_SESSION_TYPE="wayland", NO_AT_BRIDGE="1")
        monitors = ["--virtual-monitor=%dx%d" % self.size] * self.monitors
        shell = self._helper("gnome-shell", ["gnome-shell", "--headless", "--wayland", "--no-x11"] + monitors
                             + ["--wayland-display=wayland-bimbalo"], env,
                             log=os.path.basename(self.shell_log))
        h.wait_for("gnome-shell's Wayland socket", lambda: self._alive("gnome-shell", shell) and os.path.exists(
            os.path.join(self.run_dir, "wayland-bimbalo")), 30)
        self.env["WAYLAND_DISPLAY"] = "wayland-bimbalo"
        h.wait_for("the shell on the session bus", lambda: self._alive("gnome-shell", shell) and self.run(
            "dbus-send", "--session", "--print-reply", "--dest=org.gnome.Shell", "/org/gnome/Shell",
            "org.freedesktop.DBus.Properties.Get", "string:org.gnome.Shell", "string:ShellVersion").returncode == 0,
            30, interval=0.2)
        self.shell = shell

    def start_client(self):
        client = os.path.join(self.root, "gnome_client.py")
        shutil.copy2(CLIENT, client)
        self._give(client)
        argv = self.command([h.SYSTEM_PYTHON, client])
        self.client_proc = subprocess.Popen(argv, cwd=self.root, stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                            stderr=open(os.path.join(self.root, "gnome_client.log"), "ab"),
                                            start_new_session=True)
        self.helpers.append(("gnome client", self.client_proc))
        h.check(self.client_proc.stdout.readline().strip() == b"ready", "the GNOME test client did not start")

    def ask(self, line):
        self._alive("the GNOME test client", self.client_proc)
        self.client_proc.stdin.write((line + "\n").encode())
        self.client_proc.stdin.flush()
        answer = self.client_proc.stdout.readline().decode().rstrip("\n")
        h.check(answer.startswith("ok"), "%s: %s" % (line, answer))
        return answer[3:]

    # -- input -----------------------------------------------------------------

    def code(self, key):
        return key if isinstance(key, int) else KEY_CODES[key]

    def key_down(self, key):
        self.ask("key %d 1" % self.code(key))

    def key_up(self, key):
        self.ask("key %d 0" % self.code(key))

    def tap(self, *keys):
        """Presses the keys in order and lets them go in reverse order: tap("LeftAlt", "F4") is Alt+F4."""
        for k in keys:
            self.key_down(k)
        for k in reversed(keys):
            self.key_up(k)

    def type_text(self, text):
        for c in text:
            self.tap(c)
            time.sleep(0.02)

    # -- the shell ---------------------------------------------------------------

    def windows(self):
        return json.loads(self.ask("windows"))

    def window(self, title, shown=True):
        """The window of that title (once mapped, unless shown is False), or None."""
        for w in self.windows():
            if w.get("title") == title and (not shown or (not w.get("is-hidden") and w.get("width", 0) > 0)):
                return w
        return None

    def wait_window(self, title, timeout=15):
        def look():
            self.check_running()
            return self.window(title)
        return h.wait_for("a window %r" % title, look, timeout)

    def wait_window_gone(self, title, timeout=10):
        h.wait_for("the window %r to close" % title, lambda: self.window(title, shown=False) is None, timeout)

    def shell_output(self):
        with open(self.shell_log, "rb") as f:
            return f.read().decode(errors="replace")

    def handlers_run(self):
        """The key-binding handlers mutter has run so far, oldest first."""
        return re.findall(r"Running handler for (\S+)", self.shell_output())

    def start_store_watch(self):
        self.store_log = os.path.join(self.root, "permission-store.log")
        watch = self._helper("store watch", ["stdbuf", "-oL", "dbus-monitor", "--session",
                                             "interface='org.freedesktop.impl.portal.PermissionStore'"],
                             log=os.path.basename(self.store_log))
        h.wait_for("the permission store watch", lambda: self._alive("dbus-monitor", watch) and os.path.exists(
            self.store_log) and os.path.getsize(self.store_log) > 0, 10)

    def questions_asked(self):
        """How often the shell has looked up whether the program may inhibit its shortcuts, as it
        does before it asks the user (and asks, where no answer is stored)."""
        with open(self.store_log, "rb") as f:
            text = f.read().decode(errors="replace")
        return text.count("member=Lookup\n   string \"gnome\"\n   string \"shortcuts-inhibitor\"")

    def answers_stored(self):
        """How often the shell has stored the user's answer to its question."""
        with open(self.store_log, "rb") as f:
            text = f.read().decode(errors="replace")
        return text.count("member=SetPermission\n   string \"gnome\"\n   boolean true\n   string \"shortcuts-inhibitor\"")

    def answer_question(self, key, asked):
        """Waits for the shell to ask (its lookups counted past asked) and answers with key,
        again where the key came before the dialog did."""
        h.wait_for("the shell's question", lambda: self.questions_asked() > asked, 10, interval=0.1)
        stored = self.answers_stored()
        for _ in range(5):
            time.sleep(0.5)  # the dialog opens just after the lookup
            self.tap(key)
            try:
                h.wait_for("the answer to be stored", lambda: self.answers_stored() > stored, 1.5, interval=0.1)
                break
            except h.Failure:
                pass
        else:
            raise h.Failure("the shell never took the answer %s" % key)
        time.sleep(1.0)  # the shell tells mutter, which tells the program

    def forget_answer(self):
        """Drops the user's stored answer, so that the shell asks again."""
        self.run("gdbus", "call", "--session", "--dest", "org.freedesktop.impl.portal.PermissionStore",
                 "--object-path", "/org/freedesktop/impl/portal/PermissionStore",
                 "--method", "org.freedesktop.impl.portal.PermissionStore.DeletePermission",
                 "gnome", "shortcuts-inhibitor", APP_ID + ".desktop")

    def shortcut_fires(self, keys=("LeftMeta", "space"), handler="switch-input-source"):
        """Types a shortcut and tells whether mutter ran its handler.  A second one after it,
        Super+1 (switch-to-workspace-1, where the session already is), shows when the shell has
        taken the keys; during a locked show it is held off too, and a short wait stands in."""
        before = self.handlers_run().count(handler)
        seen = len(self.handlers_run())
        self.tap(*keys)
        self.tap("LeftMeta", "1")

        def marker():
            new = self.handlers_run()[seen:]
            return new if "switch-to-workspace-1" in new else None
        try:
            h.wait_for("the shell to run its marker shortcut", marker, 2)
        except h.Failure:
            pass
        return self.handlers_run().count(handler) > before

    # -- what the chord test asks of a session ----------------------------------

    chord_label = "GNOME"

    def press_chord(self, codes):
        self.tap(*codes)

    def click(self, x_fraction, y_fraction):
        # Into the top left corner first: the remote pointer moves only by so much.
        self.ask("motion -100000 -100000")
        self.ask("motion %d %d" % (x_fraction * self.size[0], y_fraction * self.size[1]))
        self.ask("button 272 1")
        self.ask("button 272 0")
        return True

    def shortcut_log(self):
        return self.handlers_run()

    def show_on_top(self):
        w = self.window(h.SHOW_CAPTION)
        return bool(w and w.get("has-focus") and (w["width"], w["height"]) == tuple(self.size))

    def show_problem(self):
        return "the windows are %r" % [(w.get("title"), w.get("has-focus"), w.get("width"), w.get("height"))
                                       for w in self.windows() if not w.get("is-hidden")]

    def type_quit(self):
        self.type_text("quit")

    def wait_show_gone(self, timeout):
        self.wait_window_gone(h.SHOW_CAPTION, timeout)

    def screenshot(self):
        path = os.path.join(self.root, "screenshot.png")
        if os.path.exists(path):
            os.unlink(path)
        self.ask("screenshot " + path)
        ppm = subprocess.run(["convert", path, "ppm:-"], capture_output=True, timeout=30)
        h.check(ppm.returncode == 0, "convert: %s" % ppm.stderr.decode(errors="replace"))
        return h.Image.from_ppm(ppm.stdout)
