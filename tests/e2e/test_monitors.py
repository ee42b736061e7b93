"""A show on a desktop with two monitors.

The show fills the primary monitor, wherever it lies, and a plain window in
the show's background colour covers the other one; a monitor turned on or off
during the show gets or loses its cover, and the end of the show takes the
covers away.  Needs Xorg with the dummy driver: Qt sees one screen on Xvfb.
"""

import os
import shutil
import subprocess
import sys

sys.dont_write_bytecode = True  # keep the source tree clean
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import harness as h  # noqa: E402
import x11_session as x11  # noqa: E402

COVER_CAPTION = "Bimbalo cover"
RED = (255, 0, 0)  # the background colour setting clRed
W, H = x11.XORG_OUTPUT_W, x11.XORG_OUTPUT_H


def area_is(shot, x0, colour):
    """Whether the monitor whose left edge is x0 shows nothing but colour (sampled every 16 pixels)."""
    return all(shot.pixel(x, y) == colour for x in range(x0, x0 + W, 16) for y in range(0, H, 16))


def show_on(s, primary_x, other_x):
    s.press("Run", "push button")
    run = s.wait_window(h.SHOW_CAPTION, timeout=10)
    h.check((run.x, run.y, run.width, run.height) == (primary_x, 0, W, H),
            "the show is not on the primary monitor at %d,0: %r" % (primary_x, run))
    cover = s.wait_window(COVER_CAPTION, timeout=10)
    h.check((cover.x, cover.y, cover.width, cover.height) == (other_x, 0, W, H),
            "the cover is not on the other monitor at %d,0: %r" % (other_x, cover))
    h.wait_for("the other monitor to be covered in the background colour",
               lambda: area_is(s.screenshot("root"), other_x, RED), 5)
    h.check(not area_is(s.screenshot("root"), primary_x, RED), "the slide is not on the primary monitor")
    return run


def end_show(s):
    s.key("space", "q", "u", "i", "t")
    s.wait_gone(h.SHOW_CAPTION, timeout=5)
    s.wait_gone(COVER_CAPTION, timeout=5)
    s.check_running()


def test():
    with x11.Session("monitors", server="xorg") as s:
        s.add_output_right("DUMMY1", "DUMMY0")
        # One slide with a picture, so that the primary monitor never shows the background alone.
        slides = os.path.join(s.root, "slides")
        os.makedirs(slides)
        shutil.copy(os.path.join(s.datasets, "balloon.jpg"), slides)
        s.write_settings(le_folder=slides, cb_keyboard_splash=0, ColorDialog_background="clRed",
                         rg_captions_when=1)
        s.start_program()
        s.wait_window(h.MAIN_CAPTION, timeout=20)

        show_on(s, 0, W)
        # Monitors that go and come during the show lose and get their cover.
        s.xrandr("--output", "DUMMY1", "--off")
        s.wait_gone(COVER_CAPTION, timeout=5)
        s.add_output_right("DUMMY1", "DUMMY0")
        s.wait_window(COVER_CAPTION, timeout=5)
        end_show(s)

        # The primary monitor need not be the one at the origin.
        s.xrandr("--output", "DUMMY1", "--primary")
        show_on(s, W, 0)
        end_show(s)

        r = subprocess.run([os.path.join(s.bin, "bimbalo"), "--check-lock"], env=s.env, cwd=s.root,
                           capture_output=True, timeout=30)
        h.check("other monitors: 1 covered" in r.stdout.decode(), "self-test: %r" % r.stdout.decode())


if __name__ == "__main__":
    sys.exit(h.run(test))
