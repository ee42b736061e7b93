"""The program as a native Wayland client under headless sway.

With no X server to fall back on, the main window comes up as a Wayland view
of the program.  Run, pressed through the accessibility bus, brings the
keyboard help splash as a small floating view and then the show, which draws
its picture; Q U I T typed on the seat's keyboard ends the show and the main
window is back.  Whether the show is full screen and whether sway's own
shortcuts get past it are printed, not required: nothing holds the keyboard
on Wayland yet.
"""

import os
import sys

sys.dont_write_bytecode = True  # keep the source tree clean
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import harness as h  # noqa: E402

SPLASH_CAPTION = "Bimbalo"  # the splash has no title of its own
SPLASH_SIZE = (400, 300)


def note(text):
    print("note: " + text, flush=True)


def size(view):
    return view["rect"]["width"], view["rect"]["height"]


def test():
    with h.SwaySession("wayland") as s:
        s.start_program()
        main = s.wait_view(h.MAIN_CAPTION, timeout=20)
        h.check(main["shell"] == "xdg_shell", "the main window is no Wayland view: %r" % main["shell"])
        note("main window: app_id %r, %dx%d" % ((main["app_id"],) + size(main)))
        # Otherwise what the shortcut does during the show would tell nothing.
        h.check(s.shortcut_fires(), "Super+Return does not run sway's binding over the main window")

        s.press("Run", "push button")

        def splash_or_show():
            return s.view(title=SPLASH_CAPTION, pid=s.program_pid) or s.view(title=h.SHOW_CAPTION,
                                                                               pid=s.program_pid)
        first = h.wait_for("the splash or the show after Run", splash_or_show, 10)
        if first["name"] == SPLASH_CAPTION:
            h.check(first["type"] == "floating_con" and size(first) == SPLASH_SIZE,
                    "the splash is not a floating %dx%d view: %s %dx%d"
                    % (SPLASH_SIZE + (first["type"],) + size(first)))
            s.wtype("x")
            h.wait_for("the splash to close on a key",
                       lambda: s.view(title=SPLASH_CAPTION, pid=s.program_pid) is None, 5)

        run = s.wait_view(h.SHOW_CAPTION, timeout=10)
        h.check(run["shell"] == "xdg_shell", "the show is no Wayland view: %r" % run["shell"])
        r = run["rect"]
        last = [None]

        def settled():
            shot = s.screenshot(region=(r["x"], r["y"], r["width"], r["height"]))
            prev, last[0] = last[0], shot
            return shot if prev is not None and prev.data == shot.data else None
        shot = h.wait_for("the show to draw", settled, 8)
        h.check(shot.distinct_colours() > 20, "no picture in the show's view")

        note("show view: fullscreen_mode %d, %dx%d+%d+%d, %s" % (
            run["fullscreen_mode"], r["width"], r["height"], r["x"], r["y"],
            "focused" if run["focused"] else "not focused"))
        note("Super+Return during the show: %s" % (
            "sway ran its binding" if s.shortcut_fires() else "held back"))

        s.wtype("quit")
        s.wait_view_gone(h.SHOW_CAPTION, timeout=5)
        s.check_running()
        main = s.wait_view(h.MAIN_CAPTION, timeout=5)
        note("main window after the show: %s" % ("focused" if main["focused"] else "not focused"))
        log = [line for line in s.program_log().splitlines()
               if line.strip() and "SDL disk" not in line and "Writing to file" not in line]
        note("program output: %s" % ("\n  ".join([""] + log) if log else "none"))
    h.check(not s.stragglers, "processes outlived the session: %r" % s.stragglers)


if __name__ == "__main__":
    sys.exit(h.run(test))
