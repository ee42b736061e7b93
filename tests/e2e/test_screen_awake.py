"""The screen stays awake while a show runs.

A stand-in for the desktop's screen saver service on the session's own bus
sees the show ask for the inhibition when it opens and give it back with the
same cookie when Q U I T ends it; the lock self-test names the service and
gives its inhibition back too.
"""

import os
import re
import select
import subprocess
import sys

sys.dont_write_bytecode = True  # keep the source tree clean
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import harness as h  # noqa: E402
import x11_session as x11  # noqa: E402


class Lines:
    """The lines a child process prints, read as they come."""

    def __init__(self, p):
        self.p, self.buf, self.lines = p, b"", []

    def wait(self, pattern, what, timeout=10):
        def look():
            while select.select([self.p.stdout], [], [], 0)[0]:
                chunk = os.read(self.p.stdout.fileno(), 4096)
                if not chunk:
                    break
                self.buf += chunk
                *done, self.buf = self.buf.split(b"\n")
                self.lines += [d.decode() for d in done]
            for i, line in enumerate(self.lines):
                m = re.fullmatch(pattern, line)
                if m:
                    del self.lines[:i + 1]
                    return m
            return None
        return h.wait_for(what, look, timeout)


def test():
    service = os.environ.get("BIMBALO_FAKE_SCREENSAVER", "")
    if not service or not os.access(service, os.X_OK):
        raise h.Failure("fake screen saver service not built (BIMBALO_FAKE_SCREENSAVER=%r)" % service)
    with x11.Session("screen-awake") as s:
        # The session's bus has no screen saver service of its own: the stand-in is the only one.
        fake = subprocess.Popen([service], env=s.env, stdout=subprocess.PIPE, start_new_session=True)
        try:
            calls = Lines(fake)
            calls.wait("Ready", "the fake screen saver service to own its name")

            s.write_settings(le_folder=s.datasets, cb_keyboard_splash=0)
            s.start_program()
            s.press("Run", "push button", timeout=20)
            s.wait_window(h.SHOW_CAPTION, timeout=10)
            cookie = calls.wait(r"Inhibit Bimbalo .+ -> (\d+)", "the show to inhibit the screen saver").group(1)
            s.key("q", "u", "i", "t")
            s.wait_gone(h.SHOW_CAPTION, timeout=5)
            calls.wait("UnInhibit " + cookie, "the show's end to give the inhibition back")

            r = subprocess.run([os.path.join(s.bin, "bimbalo"), "--check-lock"], env=s.env, cwd=s.root,
                               capture_output=True, timeout=30)
            h.check("screen saver: held off through org.freedesktop.ScreenSaver" in r.stdout.decode(),
                    "the self-test did not name the service: %r" % r.stdout.decode())
            cookie = calls.wait(r"Inhibit Bimbalo .+ -> (\d+)", "the self-test to inhibit the screen saver").group(1)
            calls.wait("UnInhibit " + cookie, "the self-test to give the inhibition back")
        finally:
            if fake.poll() is None:
                fake.terminate()
                fake.wait(5)


if __name__ == "__main__":
    sys.exit(h.run(test))
