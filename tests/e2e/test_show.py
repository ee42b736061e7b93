"""A full-screen show driven through the real program.

Run from the toolbar (pressed through the accessibility bus); the keyboard help splash comes first and closes on its
own timer or on a key; keys step the show; Q U I T ends it; the pointer is
hidden during the show and back afterwards; the slides are heard and the show
falls silent when it ends.  A second show opens where the first one stopped,
and Esc brings the splash (with a visible pointer) over the running show.
"""

import os
import subprocess
import sys
import time

sys.dont_write_bytecode = True  # keep the source tree clean
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import harness as h  # noqa: E402
import x11_session as x11  # noqa: E402

SPLASH_CAPTION = "Bimbalo"  # the splash has no title of its own
SPLASH_SIZE = (400, 300)
SPLASH_PERIOD = 5.0
BYTES_PER_SECOND = 44100 * 2 * 4  # float32 stereo at 44.1 kHz
NAVY, WHITE, YELLOW = (0, 0, 128), (255, 255, 255), (255, 255, 0)


class Show:
    def __init__(self, session):
        self.s = session
        self.probe = os.environ.get("BIMBALO_CURSOR_PROBE", "")
        h.check(self.probe and os.access(self.probe, os.X_OK),
                "cursor probe not built (BIMBALO_CURSOR_PROBE=%r; needs libxfixes-dev)" % self.probe)
        self.tick = None  # a moment at which the splash timer ticked
        self.run = None  # the show window while a show runs

    def cursor_opaque(self):
        r = subprocess.run([self.probe], env=self.s.env, capture_output=True, timeout=10)
        h.check(r.returncode == 0, "cursor probe failed: %s" % r.stderr.decode(errors="replace"))
        return int(r.stdout.decode().split("opaque=")[1])

    def wait_cursor(self, hidden, what):
        h.wait_for(what, lambda: (self.cursor_opaque() == 0) == hidden, 5)

    def splash(self):
        ws = [w for w in self.s.visible_windows(SPLASH_CAPTION) if (w.width, w.height) == SPLASH_SIZE]
        return ws[0] if ws else None

    def help_in_show(self):
        """Whether the keyboard help is drawn in the middle of the show window (navy for the most part)."""
        run = self.show_window()
        if run is None:
            return False
        shot = self.s.screenshot(run)
        w, h_ = SPLASH_SIZE
        middle = shot.crop((shot.width - w) // 2, (shot.height - h_) // 2, w, h_)
        navy = sum(1 for y in range(0, h_, 10) for x in range(0, w, 10) if middle.pixel(x, y) == NAVY)
        return navy > 0.6 * (w // 10) * (h_ // 10)

    def show_window(self):
        ws = self.s.visible_windows(h.SHOW_CAPTION)
        return ws[0] if ws else None

    def step(self, key, shot, what):
        self.s.key(key)
        return self.s.settled_screenshot(self.run, unlike=shot, what="%s to change the show picture" % what)

    def wait_just_after_tick(self):
        """Waits until shortly after a splash timer tick, so that a splash shown now stays up for
        seconds; returns the last moment at which its closing can only be due to a key."""
        # The timer may run a little early or late (coarse timers), hence the margins.
        now = time.monotonic()
        phase = (now - self.tick) % SPLASH_PERIOD
        if not 0.7 <= phase <= 1.5:
            time.sleep((0.7 - phase) % SPLASH_PERIOD)
            phase = 0.7
        return time.monotonic() - phase + SPLASH_PERIOD - 0.7


def test():
    with x11.Session("show") as s:
        show = Show(s)
        s.start_program()
        s.wait_window(h.MAIN_CAPTION, timeout=20)

        # --- first show: the splash closes on its own timer ---
        s.press("Run", "push button")
        first = h.wait_for("the splash or the show after Run", lambda: show.splash() or show.show_window(), 10)
        if first.name == SPLASH_CAPTION:
            h.check((first.x, first.y) == ((h.SCREEN_W - 400) // 2, (h.SCREEN_H - 300) // 2),
                    "splash not centred: %r" % first)
            h.check(show.show_window() is None, "the show window is up while the start splash is")
            h.wait_for("the splash to close on its own", lambda: show.splash() is None, SPLASH_PERIOD + 1.0,
                       interval=0.02)
        show.tick = time.monotonic()

        show.run = s.wait_window(h.SHOW_CAPTION, timeout=5)
        h.check((show.run.x, show.run.y, show.run.width, show.run.height) == (0, 0, h.SCREEN_W, h.SCREEN_H),
                "show window does not cover the screen: %r" % show.run)
        audio_start = s.audio_size()
        show.wait_cursor(True, "the pointer to be hidden during the show")

        first_slide = s.settled_screenshot(show.run, what="the show to draw")
        slide0 = show.step("space", first_slide, "Space")
        slide1 = show.step("Next", slide0, "Page Down")
        back = show.step("Prior", slide1, "Page Up")
        h.check(back.data == slide0.data, "Page Up did not go back to the slide before")
        h.check(max(x.distinct_colours() for x in (first_slide, slide0, slide1)) > 20,
                "no picture seen in three slides")

        def heard():
            rms, _ = h.float_rms(s.audio, audio_start)
            return rms > 0.005
        h.wait_for("the slides' sounds in the audio output", heard, 10, interval=0.2)

        s.key("q", "u", "i", "t")
        s.wait_gone(h.SHOW_CAPTION, timeout=5)
        s.check_running()
        h.check(s.visible_windows(h.MAIN_CAPTION), "the main window is gone after the show")
        show.wait_cursor(False, "the pointer to come back after the show")

        # Silence after the show: skip what was already queued, then listen for half a second.
        quiet_from = s.audio_size() + BYTES_PER_SECOND // 4
        quiet_to = quiet_from + BYTES_PER_SECOND // 2
        h.wait_for("the audio output to go on", lambda: s.audio_size() >= quiet_to, 10, interval=0.1)
        rms, _ = h.float_rms(s.audio, quiet_from, quiet_to)
        h.check(rms == 0.0, "sound goes on after the show ended (RMS %.4f)" % rms)

        # --- second show: the splash closes on a key, and the show resumes ---
        latest = show.wait_just_after_tick()
        s.press("Run", "push button")
        splash = h.wait_for("the splash after Run", show.splash, 3)
        look = s.screenshot("root").crop(splash.x, splash.y, splash.width, splash.height)
        h.check(look.pixel(2, 2) == NAVY and look.pixel(397, 297) == NAVY, "splash is not navy")
        colours = {look.pixel(x, y) for x in range(0, 400, 2) for y in range(0, 300, 2)}
        h.check(WHITE in colours and YELLOW in colours, "splash lacks its white and yellow texts")
        s.key("x")
        h.wait_for("the splash to close on a key", lambda: show.splash() is None, 2, interval=0.02)
        h.check(time.monotonic() < latest, "splash closed too late to tell a key from its timer")
        show.run = s.wait_window(h.SHOW_CAPTION, timeout=5)
        show.wait_cursor(True, "the pointer to be hidden in the second show")

        # The first show was back on slide0 when Q, U, I, T each stepped it once more, and
        # the second show opens where that left it: three steps back is slide1 again.
        opening = s.settled_screenshot(show.run, what="the show to draw")
        shot = opening
        for _ in range(2):
            shot = show.step("Prior", shot, "Page Up")
        h.check(shot.data != slide1.data, "the second show opened one slide short of where the first one ended")
        shot = show.step("Prior", shot, "Page Up")
        h.check(shot.data == slide1.data, "three steps back from the second show's start is not the slide "
                                          "after Page Down in the first show")

        # Esc brings the keyboard help into the show window (no window of its
        # own, which would take the keyboard), with a visible pointer while it is up.
        latest = show.wait_just_after_tick()
        s.key("Escape")
        h.wait_for("the keyboard help in the show after Esc", show.help_in_show, 3)
        h.check(show.splash() is None, "Esc opened the keyboard help in a window of its own")
        show.wait_cursor(False, "the arrow pointer over the show while the help is up")
        s.key("x")
        h.wait_for("the help to go on a key", lambda: not show.help_in_show(), 2, interval=0.02)
        h.check(time.monotonic() < latest, "the help went too late to tell a key from its timer")
        show.wait_cursor(True, "the pointer to be hidden again after the Esc splash")
        h.check(show.show_window() is not None, "the show ended with the Esc splash")

        s.key("q", "u", "i", "t")
        s.wait_gone(h.SHOW_CAPTION, timeout=5)
        show.wait_cursor(False, "the pointer to come back after the second show")
        s.check_running()


if __name__ == "__main__":
    sys.exit(h.run(test))
