"""The Wayland sessions of the end-to-end tests: what every compositor session
shares (WaylandSession: the unprivileged user, the session bus, the program as
a Wayland client), and headless sway (SwaySession), with wtype for keys, grim
for pictures and swaymsg for the views.  GNOME and KWin build on
WaylandSession in gnome_session.py and kwin_session.py."""

import glob
import json
import os
import shutil
import signal
import subprocess
import sys
import time

from harness import (  # noqa: F401
    E2E_USER,
    A11Y_CLIENT,
    Failure,
    in_english,
    Image,
    ProgramTree,
    SCREEN_H,
    SCREEN_W,
    SHOW_CAPTION,
    SKIP,
    SYSTEM_PYTHON,
    check,
    missing_a11y,
    palm_shortcuts,
    run,
    session_user,
    wait_for,
)

# -- Wayland: headless sway --------------------------------------------------

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

        keep = ("PATH", "TZ")
        self.env = in_english({k: v for k, v in os.environ.items()
                               if k in keep or k.startswith(("ASAN_", "UBSAN_", "LSAN_"))})
        self.env.setdefault("PATH", "/usr/bin:/bin")
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
