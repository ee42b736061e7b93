"""A toddler's palm on the keyboard of a locked show, under i3, openbox and sway.

Each desktop binds some twenty-odd shortcuts a palm hits (Alt+Tab, Alt+F4,
Super+D, Ctrl+Alt+Delete, Print, the media and power keys...), each of which
only notes that it ran.  Five hundred random chords of up to five keys, with
clicks among them, go to a locked show: no shortcut may run, the program must
keep running, the show must stay full screen in front, Q U I T must still
end it, and the next show must start as well.  A shorter stream on a show
with the lock off is the control: there the shortcuts must be seen to run, or
the locked run would prove nothing.
"""

import os
import shutil
import subprocess
import sys
import time

sys.dont_write_bytecode = True  # keep the source tree clean
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import chords  # noqa: E402
import harness as h  # noqa: E402
import wayland_session as wl  # noqa: E402
import x11_session as x11  # noqa: E402

LOCKED_SEED = 20240601
CONTROL_SEED = 7
LOCKED_CHORDS = 500
CONTROL_CHORDS = 100
KEY_INTERVAL = 2.2  # the show's ShowKeyHandler::kKeyInterval, and a little

X_TOOLS = ("Xvfb", "xdotool", "xwininfo", "xprop", "import")
DESKTOPS = {
    "i3": X_TOOLS + ("i3", "i3bar"),
    "openbox": X_TOOLS + ("openbox",),
    "sway": wl.SWAY_TOOLS,
}


def wait_main_window(s, timeout):
    if isinstance(s, wl.SwaySession):
        s.wait_view(h.MAIN_CAPTION, timeout=timeout)
    else:
        s.wait_window(h.MAIN_CAPTION, timeout=timeout)


def start_program(s, lock):
    s.write_settings(le_folder=s.datasets, cb_keyboard_splash=0, CheckBox_keyboark_lock=1 if lock else 0)
    s.start_program()
    wait_main_window(s, 20)


def start_show(s):
    s.press("Run", "push button")
    h.wait_for("the show to be full screen in front", lambda: s.check_running() or s.show_on_top(), 10,
               interval=0.2)


def run_under(desktop):
    if desktop == "sway":
        session = wl.SwaySession("chords-sway")
    else:
        session = x11.Session("chords-" + desktop, wm=desktop)
    with session as s:
        start_program(s, lock=True)
        start_show(s)
        chords.check_locked_show(s, LOCKED_SEED, LOCKED_CHORDS)
        ended = time.monotonic()
        # What the chords did must not spoil the next show either.
        wait_main_window(s, 10)
        try:
            start_show(s)
        except h.Failure as e:
            raise h.Failure("the next show after the chords did not start: %s" % e)
        # The show drops a key pressed within its key interval of the last press whose release
        # it did not see, here the T that ended the last show.
        time.sleep(max(0.0, ended + KEY_INTERVAL - time.monotonic()))
        s.type_quit()
        s.wait_show_gone(5)
        s.check_running()
        s.stop_program()
        start_program(s, lock=False)
        start_show(s)
        chords.check_control_run(s, CONTROL_SEED, CONTROL_CHORDS)


def missing_for(desktop):
    missing = [t for t in DESKTOPS[desktop] if shutil.which(t) is None]
    if desktop == "sway" and not wl.qt_wayland_plugin():
        missing.append("Qt's Wayland platform plugin (qt6-wayland)")
    return missing


def test():
    missing = h.missing_a11y()
    if missing:
        print("SKIP: missing " + ", ".join(missing))
        sys.exit(h.SKIP)
    failures, ran = [], 0
    for desktop in DESKTOPS:
        missing = missing_for(desktop)
        if missing:
            print("skipping %s: missing %s" % (desktop, ", ".join(missing)), flush=True)
            continue
        ran += 1
        try:
            run_under(desktop)
        except (h.Failure, subprocess.TimeoutExpired) as e:
            failures.append("under %s:\n    %s" % (desktop, e))
    if not ran:
        print("SKIP: no desktop to run")
        sys.exit(h.SKIP)
    h.check(not failures, "\n  ".join([""] + failures))


if __name__ == "__main__":
    sys.exit(h.run(test))
