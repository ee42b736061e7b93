"""The program as a native Wayland client under headless sway.

With no X server to fall back on, the main window, the options dialog, the
about box and the help window come up as Wayland views of the program.  Run, pressed through the accessibility bus, brings the
keyboard help splash and then the show, full screen on the output.  A locked
show holds sway's own shortcuts off (Super+Return does not run its binding)
and keeps the screen awake; an unlocked one leaves the shortcuts to sway.
With a second output, a cover in the background colour fills it, and Q U I T
ends the show even when the cover has the keyboard.  The lock self-test says
what the compositor granted.
"""

import os
import subprocess
import sys

sys.dont_write_bytecode = True  # keep the source tree clean
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import harness as h  # noqa: E402
import wayland_session as wl  # noqa: E402

SPLASH_CAPTION = "Bimbalo"  # the splash has no title of its own
SPLASH_SIZE = (400, 300)
COVER_CAPTION = "Bimbalo cover"
W, H = h.SCREEN_W, h.SCREEN_H


def rect(view):
    r = view["rect"]
    return r["x"], r["y"], r["width"], r["height"]


def start_show(s):
    s.press("Run", "push button")

    def splash_or_show():
        return s.view(title=SPLASH_CAPTION, pid=s.program_pid) or s.view(title=h.SHOW_CAPTION, pid=s.program_pid)
    first = h.wait_for("the splash or the show after Run", splash_or_show, 10)
    if first["name"] == SPLASH_CAPTION:
        h.check(first["type"] == "floating_con" and rect(first)[2:] == SPLASH_SIZE,
                "the splash is not a floating %dx%d view: %s %r" % (SPLASH_SIZE + (first["type"], rect(first))))
        s.wtype("x")
        h.wait_for("the splash to close on a key", lambda: s.view(title=SPLASH_CAPTION, pid=s.program_pid) is None, 5)
    run = s.wait_view(h.SHOW_CAPTION, timeout=10)
    h.check(run["shell"] == "xdg_shell", "the show is no Wayland view: %r" % run["shell"])
    run = h.wait_for("the show to be full screen on the output", lambda: [
        v for v in [s.view(title=h.SHOW_CAPTION, pid=s.program_pid)]
        if v and v["fullscreen_mode"] == 1 and rect(v) == (0, 0, W, H)], 5)[0]
    return run


def end_show(s):
    s.wtype("quit")
    s.wait_view_gone(h.SHOW_CAPTION, timeout=5)
    s.check_running()
    s.wait_view(h.MAIN_CAPTION, timeout=5)


def check_lock(s):
    r = s.run(os.path.join(s.bin, "bimbalo"), "--check-lock", env=dict(s.env, QT_QPA_PLATFORM="wayland"), timeout=30)
    return r.returncode, r.stdout.decode() + r.stderr.decode(errors="replace")


def test():
    with wl.SwaySession("wayland") as s:
        s.start_program()
        main = s.wait_view(h.MAIN_CAPTION, timeout=20)
        h.check(main["shell"] == "xdg_shell", "the main window is no Wayland view: %r" % main["shell"])
        # The other windows come up as Wayland views where the compositor puts them.
        s.press("Options", "push button")
        s.wait_view("Options", timeout=10)
        s.press("Cancel", "push button")
        s.wait_view_gone("Options", timeout=5)
        s.press("About...", "push button")
        s.wait_view("About", timeout=10)
        s.press("OK", "push button")
        s.wait_view_gone("About", timeout=5)
        s.press("Contents...", "push button")
        s.wait_view("Bimbalo Help", timeout=10)
        s.swaymsg("[title=\"Bimbalo Help\"] kill")
        s.wait_view_gone("Bimbalo Help", timeout=5)
        s.check_running()

        # Otherwise what the shortcut does during the show would tell nothing.
        h.check(s.shortcut_fires(), "Super+Return does not run sway's binding over the main window")

        # The first run's settings: the lock is on.
        run = start_show(s)
        h.check(not s.shortcut_fires(), "sway's Super+Return binding fired during a locked show")
        h.wait_for("the show to keep the screen awake",
                   lambda: s.view(title=h.SHOW_CAPTION, pid=s.program_pid).get("inhibit_idle"), 5)
        end_show(s)
        h.check(s.shortcut_fires(), "sway's shortcuts stayed off after the show")

        # A second output gets a cover, and the keys still reach the show
        # when the cover has the keyboard.
        second = s.add_output(W, H, W, 0)
        run = start_show(s)
        cover = s.wait_view(COVER_CAPTION, timeout=10)
        h.check(cover["fullscreen_mode"] == 1 and rect(cover) == (W, 0, W, H),
                "the cover is not full screen on %s: %r" % (second, rect(cover)))
        s.swaymsg("[title=\"%s\"] focus" % COVER_CAPTION)
        h.wait_for("the cover to have the focus", lambda: s.view(title=COVER_CAPTION, pid=s.program_pid)["focused"], 5)
        h.check(not s.shortcut_fires(), "sway's binding fired while the cover had the keyboard")
        end_show(s)
        h.check(s.view(title=COVER_CAPTION) is None, "the cover outlived the show")

        code, out = check_lock(s)
        h.check(code == 0 and "keyboard: held" in out, "self-test on sway: exit %d, %r" % (code, out))
        h.check("screen saver: held off through the compositor's idle inhibitor" in out, "self-test: %r" % out)
        h.check("other monitors: 1 covered" in out, "self-test: %r" % out)

        # With the lock off, sway keeps its shortcuts during the show.
        s.stop_program()
        s.write_settings(le_folder=s.datasets, CheckBox_keyboark_lock=0, cb_keyboard_splash=0)
        s.start_program()
        s.wait_view(h.MAIN_CAPTION, timeout=20)
        start_show(s)
        h.check(s.shortcut_fires(), "sway's binding did not fire during an unlocked show")
        end_show(s)
    h.check(not s.stragglers, "processes outlived the session: %r" % s.stragglers)


if __name__ == "__main__":
    sys.exit(h.run(test))
