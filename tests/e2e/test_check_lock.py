"""bimbalo --check-lock: the grown-up's test of the keyboard lock.

It takes the lock as a show would, says line by line what it holds, gives
everything back and exits 0 when the keyboard was held, 1 when not: with
another program holding the keyboard, through XWayland (where the compositor
keeps its shortcuts), and with a damaged lock library.  It touches no
settings.
"""

import os
import subprocess
import sys

sys.dont_write_bytecode = True  # keep the source tree clean
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import harness as h  # noqa: E402
import x11_session as x11  # noqa: E402
from test_lock import OtherClient  # noqa: E402


def check_lock(s, **env):
    r = subprocess.run([os.path.join(s.bin, "bimbalo"), "--check-lock"], env=dict(s.env, **env), cwd=s.root,
                       capture_output=True, timeout=30)
    lines = r.stdout.decode().splitlines()
    report = dict(line.split(": ", 1) for line in lines if ": " in line)
    h.check(set(report) == {"keyboard", "pointer", "screen saver", "other monitors"},
            "unexpected report: %r" % lines)
    return r.returncode, report


def test():
    with x11.Session("check-lock", with_datasets=False) as s:
        code, report = check_lock(s)
        h.check(code == 0 and report["keyboard"] == "held",
                "free keyboard: exit %d, %r" % (code, report))
        h.check(report["pointer"] == "held inside the show", "pointer: %r" % report["pointer"])
        h.check(report["other monitors"] == "none", "monitors: %r" % report["other monitors"])
        h.check(not os.path.exists(os.path.join(s.bin, "bimbalo.ini")), "the self-test wrote a settings file")

        # Everything is given back: another client can take the keyboard now.
        other = OtherClient(s)
        try:
            h.check(other.grab() == "Success", "the keyboard stayed taken after the self-test")
            h.check(other.ask("hold")[0] == "Success", "the other client could not hold the keyboard")
            code, report = check_lock(s)
            h.check(code == 1, "exit %d with the keyboard held by another program" % code)
            h.check("another program holds the keyboard" in report["keyboard"], "keyboard: %r" % report["keyboard"])
        finally:
            other.close()

        # Through XWayland the grab keeps out X11 programs only: not held.
        code, report = check_lock(s, WAYLAND_DISPLAY="wayland-none", QT_QPA_PLATFORM="xcb")
        h.check(code == 1 and "XWayland" in report["keyboard"], "under XWayland: exit %d, %r" % (code, report))

        # A damaged lock library is named, not silently ignored.
        with open(os.path.join(s.bin, "libbimbalohook.so"), "wb") as f:
            f.write(b"not a library")
        code, report = check_lock(s)
        h.check(code == 1, "exit %d with a damaged lock library" % code)
        h.check("lock library cannot be loaded" in report["keyboard"], "keyboard: %r" % report["keyboard"])


if __name__ == "__main__":
    sys.exit(h.run(test))
