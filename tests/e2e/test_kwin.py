"""The program as a native Wayland client under headless KWin.

KWin lists the main window as the program's Wayland window, and its own
shortcuts fire over it.  Run, pressed through the accessibility bus, brings
the keyboard help splash and then the show, full screen and active on the
output.  A locked show holds KWin's shortcuts off (none of a dozen of its
default ones fires, and the show stays on top) and keeps the seat from going
idle; Q U I T ends it, and the shortcuts fire again.  An unlocked show leaves
them to KWin.  In a session of its own, a locked show withstands a palm on
the keyboard (chords.py).  With two outputs, a cover in the background colour
fills the second, the lock holds when KWin makes the cover the active window,
and Q U I T typed into the cover ends the show.  The lock self-test says what KWin granted.
"""

import os
import shutil
import subprocess
import sys
import time

sys.dont_write_bytecode = True  # keep the source tree clean
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import harness as h  # noqa: E402
import kwin_session as k  # noqa: E402
import chords  # noqa: E402

SPLASH_CAPTION = "Bimbalo"  # the splash has no title of its own
SPLASH_SIZE = (400, 300)
COVER_CAPTION = "Bimbalo cover"
W, H = h.SCREEN_W, h.SCREEN_H
RED = (255, 0, 0)
IDLE_MS = 250
LOCKED_SEED = 20240601
CONTROL_SEED = 7
LOCKED_CHORDS = 500
CONTROL_CHORDS = 100


def start_show(s):
    s.press("Run", "push button")

    def splash_or_show():
        return s.window(SPLASH_CAPTION, s.program_pid) or s.window(h.SHOW_CAPTION, s.program_pid)
    first = h.wait_for("the splash or the show after Run", splash_or_show, 10, interval=0.1)
    if first["title"] == SPLASH_CAPTION:
        h.check((first["width"], first["height"]) == SPLASH_SIZE, "the splash is not %dx%d: %r" % (SPLASH_SIZE + (
            first,)))
        s.type_text("x")
        s.wait_window_gone(SPLASH_CAPTION, timeout=5)
    try:
        h.wait_for("the show to be full screen and active on the first output", s.show_on_top, 10, interval=0.1)
    except h.Failure as e:
        raise h.Failure("%s: %s" % (e, s.show_problem()))
    run = s.window(h.SHOW_CAPTION, s.program_pid)
    # KWin's own account agrees with what it tells task managers.
    info = s.window_info(run)
    h.check(info.get("fullscreen") is True and tuple(int(info[f]) for f in ("x", "y", "width", "height")) == (
        0, 0, W, H), "KWin's getWindowInfo on the show: %r" % info)
    return run


def end_show(s):
    s.type_quit()
    s.wait_show_gone(timeout=5)
    s.check_running()
    s.wait_window(h.MAIN_CAPTION, timeout=5)


def check_lock(s):
    r = s.run(os.path.join(s.bin, "bimbalo"), "--check-lock", env=dict(s.env, QT_QPA_PLATFORM="wayland"), timeout=30)
    return r.returncode, r.stdout.decode() + r.stderr.decode(errors="replace")


def fired_during(s, shortcuts):
    """Types each shortcut; the names of those KWin fired, and whether the show stayed on top after each."""
    fired, left_top = [], []
    for shortcut in shortcuts:
        if s.shortcut_fires(shortcut):
            fired.append(shortcut[0])
        if not s.show_on_top():
            left_top.append(shortcut[0])
    return fired, left_top


def stays_awake(s, seconds):
    """Whether the seat's idle watch stays quiet for that long without input."""
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        if s.idle():
            return False
        time.sleep(0.1)
    return not s.idle()


def one_output(s):
    s.start_program()
    main = s.wait_window(h.MAIN_CAPTION, timeout=20)
    # No Xwayland in the session: a window of the program is a Wayland one, named by its app_id.
    h.check(main["app_id"] == "example.quillfen.Bimbalo", "the main window's app_id: %r" % main)
    h.wait_for("the main window to be active", lambda: s.window(h.MAIN_CAPTION, s.program_pid)["state"]
               & k.STATE_ACTIVE, 5, interval=0.1)

    # The shortcuts typed below are KWin's own, on the keys it binds them to.
    bound = s.bound_shortcuts()
    h.check(len(bound) >= 20, "KWin binds only %d shortcuts: %r" % (len(bound), sorted(bound)))
    unbound = ["%s on %s" % (name, "+".join(keys)) for name, keys in k.SHORTCUTS
               if k.qt_key(keys) not in bound.get(name, [])]
    h.check(not unbound, "KWin does not bind %s" % ", ".join(unbound))

    # Otherwise what the shortcuts do during the show would tell nothing.
    h.check(s.shortcut_fires(), "KWin's %s shortcut does not fire over the main window" % k.SHORTCUT[0])
    s.watch_idle(IDLE_MS)
    h.wait_for("the seat to go idle over the main window", s.idle, 10)

    # The first run's settings: the lock is on.
    start_show(s)
    s.watch_idle(IDLE_MS)
    h.check(stays_awake(s, 8 * IDLE_MS / 1000), "the seat went idle during a locked show")
    fired, left_top = fired_during(s, k.SHORTCUTS)
    h.check(not fired, "KWin's shortcuts fired during a locked show: %r" % fired)
    h.check(not left_top, "the show was no longer full screen and active after %r" % left_top)
    end_show(s)
    h.wait_for("the seat to go idle once the show is over", s.idle, 10)
    h.check(s.shortcut_fires(), "KWin's shortcuts stayed off after the show")

    code, out = check_lock(s)
    print("--check-lock on KWin, one output:\n" + out.rstrip(), flush=True)
    h.check(code == 0 and "keyboard: held" in out, "self-test on KWin: exit %d, %r" % (code, out))
    h.check("screen saver: held off through the compositor's idle inhibitor" in out, "self-test: %r" % out)
    h.check("other monitors: none" in out, "self-test: %r" % out)

    # With the lock off, KWin keeps its shortcuts during the show; the chords
    # are the last thing the session does, as KWin's shortcuts act for real.
    s.stop_program()
    s.write_settings(le_folder=s.datasets, CheckBox_keyboark_lock=0, cb_keyboard_splash=0)
    s.start_program()
    s.wait_window(h.MAIN_CAPTION, timeout=20)
    start_show(s)
    h.check(s.shortcut_fires(), "KWin's shortcut did not fire during an unlocked show")
    chords.check_control_run(s, CONTROL_SEED, CONTROL_CHORDS)


def palm(s):
    """A palm on the keyboard of a locked show; Q U I T ends it after the chords."""
    s.write_settings(le_folder=s.datasets, cb_keyboard_splash=0)
    s.start_program()
    s.wait_window(h.MAIN_CAPTION, timeout=20)
    start_show(s)
    seen = len(s.shortcut_log())
    try:
        chords.check_locked_show(s, LOCKED_SEED, LOCKED_CHORDS)
    except h.Failure as e:
        # KWin names its shortcuts its own way: which chords press the keys of those that fired.
        entries = chords.random_chords(LOCKED_SEED, LOCKED_CHORDS)
        fired = s.shortcut_log()[seen:]
        raise h.Failure("%s\n    chords on the keys of the shortcuts that fired: %s" % (e, "; ".join(
            "%s: %s" % (name, ", ".join("entry %d %s" % (i, chords.describe(c)) for i, c in s.could_fire(
                name, entries)) or "none") for name in dict.fromkeys(fired)) or "none fired"))
    s.wait_window(h.MAIN_CAPTION, timeout=5)
    h.check(s.shortcut_fires(), "KWin's shortcuts stayed off after the show with the chords")


def area_is(shot, x0, colour):
    """Whether the output whose left edge is x0 shows nothing but colour (sampled every 16 pixels)."""
    return all(shot.pixel(x, y) == colour for x in range(x0, x0 + W, 16) for y in range(0, H, 16))


def two_outputs(s):
    # One slide with a picture, so that the first output never shows the background alone.
    slides = os.path.join(s.root, "slides")
    os.makedirs(slides)
    shutil.copy(os.path.join(s.datasets, "balloon.jpg"), slides)
    s._give(slides)
    s.write_settings(le_folder=slides, cb_keyboard_splash=0, ColorDialog_background="clRed", rg_captions_when=1)
    s.start_program()
    s.wait_window(h.MAIN_CAPTION, timeout=20)
    start_show(s)
    cover = s.wait_window(COVER_CAPTION, timeout=10)
    h.wait_for("the cover to be full screen on the second output", lambda: [
        c for c in [s.window(COVER_CAPTION, s.program_pid)]
        if c and c["state"] & k.STATE_FULLSCREEN and s.rect(c) == s.output_rect(1)], 5, interval=0.1)
    h.wait_for("the second output to be covered in the background colour",
               lambda: area_is(s.screenshot(), W, RED), 5, interval=0.2)
    h.check(not area_is(s.screenshot(), 0, RED), "the slide is not on the first output")

    # KWin hands the keyboard to the cover, as a task manager asks: its shortcuts
    # stay off, and Q U I T typed into the cover still ends the show.
    s.ask("activate " + cover["uuid"])
    h.wait_for("the cover to be the active window", lambda: s.window(COVER_CAPTION, s.program_pid)["state"]
               & k.STATE_ACTIVE, 5, interval=0.1)
    # The cover asks for the inhibitor once it has the keyboard, and KWin's
    # answer takes a moment (the README names that moment as a gap).
    time.sleep(0.3)
    fired = [name for name, keys in k.SHORTCUTS if s.shortcut_fires((name, keys))]
    h.check(not fired, "KWin's shortcuts fired while the cover was the active window: %r" % fired)
    end_show(s)
    h.check(s.window(COVER_CAPTION) is None, "the cover outlived the show")

    code, out = check_lock(s)
    print("--check-lock on KWin, two outputs:\n" + out.rstrip(), flush=True)
    h.check(code == 0 and "other monitors: 1 covered" in out, "self-test: exit %d, %r" % (code, out))


def test():
    failures = []
    for name, outputs, part in (("kwin", 1, one_output), ("kwin-palm", 1, palm), ("kwin-outputs", 2, two_outputs)):
        try:
            with k.KwinSession(name, outputs=outputs) as s:
                part(s)
            h.check(not s.stragglers, "processes outlived the session: %r" % s.stragglers)
        except (h.Failure, subprocess.TimeoutExpired) as e:
            print("FAIL in %s: %s" % (part.__name__, e), flush=True)
            failures.append("%s: %s" % (part.__name__, e))
    h.check(not failures, "\n  ".join([""] + failures))


if __name__ == "__main__":
    sys.exit(h.run(test))
