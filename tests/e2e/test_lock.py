"""The keyboard lock of a running show, seen by another X client.

With the lock on (the default) the show holds the keyboard from before its
window opens until after it closes: another client can neither grab the
keyboard nor receive the system keys, not even in a window that has the
input focus, while the letters that end the show still reach it.  With the
lock off the other client can grab the keyboard and receives its keys during
the show.
"""

import os
import subprocess
import sys

sys.dont_write_bytecode = True  # keep the source tree clean
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import harness as h  # noqa: E402
import x11_session as x11  # noqa: E402

# Keys a child could use to leave the show, and the key presses the other
# client's window sees for them when nothing holds the keyboard.
SYSTEM_KEYS = ("alt+Tab", "super", "alt+F4", "F1", "Print")
SYSTEM_KEYSYMS = {"Tab", "Super_L", "F4", "F1", "Print"}


class OtherClient:
    """The lock_e2e_client program: a small window of its own, driven line by line."""

    def __init__(self, session):
        path = os.environ.get("BIMBALO_LOCK_CLIENT", "")
        h.check(path and os.access(path, os.X_OK),
                "other X client not built (BIMBALO_LOCK_CLIENT=%r)" % path)
        self.s = session
        self.p = subprocess.Popen([path], env=session.env, stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                  text=True, bufsize=1, start_new_session=True)
        self.window = self._reply("ready").split()[1]
        self.seen = []

    def _reply(self, word):
        line = self.p.stdout.readline().strip()
        h.check(line.split(" ", 1)[0] == word,
                "other client answered %r instead of %s (exit code %s)" % (line, word, self.p.poll()))
        return line

    def ask(self, command):
        self.p.stdin.write(command + "\n")
        self.p.stdin.flush()
        return self._reply(command).split()[1:]

    def grab(self):
        return self.ask("grab")[0]

    def grab_pointer(self):
        return self.ask("pointer")[0]

    def focus(self):
        got = self.ask("focus")[0]
        h.check(int(got, 16) == int(self.window, 16),
                "the other client's window did not get the input focus (focus on %s)" % got)

    def keys(self):
        """Every key press its window received so far."""
        self.seen += self.ask("keys")
        return self.seen

    def wait_keys(self, wanted, what):
        h.wait_for(what, lambda: wanted <= set(self.keys()), 5)

    def close(self):
        if self.p.poll() is None:
            try:
                self.p.stdin.write("quit\n")
                self.p.stdin.flush()
                self.p.wait(5)
            except (OSError, subprocess.TimeoutExpired):
                self.p.kill()
                self.p.wait()


def start(s, lock):
    """The program with these settings, and another client beside it."""
    s.write_settings(le_folder=s.datasets, rg_order=1, cb_keyboard_splash=0,
                     CheckBox_keyboark_lock=1 if lock else 0)
    s.start_program()
    s.wait_window(h.MAIN_CAPTION, timeout=20)
    return OtherClient(s)


def focus_show(s, run):
    r = s.x("xdotool", "windowfocus", "--sync", run.id)
    h.check(r.returncode == 0, "xdotool windowfocus failed: %s" % r.stderr.decode(errors="replace"))

    def focused():
        r = s.x("xdotool", "getwindowfocus")
        return r.returncode == 0 and int(r.stdout.split()[0]) == int(run.id, 16)
    h.wait_for("the show window to have the input focus", focused, 5)


def end_show(s):
    s.key("q", "u", "i", "t")
    s.wait_gone(h.SHOW_CAPTION, timeout=5)
    s.check_running()


def test_lock_on():
    with x11.Session("lock-on") as s:
        other = start(s, lock=True)
        try:
            # Before the show the keyboard is free: the other client can grab
            # it, and its focused window hears the system keys.
            h.check(other.grab() == "Success", "another client cannot grab the keyboard before the show")
            other.focus()
            s.key(*SYSTEM_KEYS)
            other.wait_keys(SYSTEM_KEYSYMS, "the system keys to reach the other client before the show")

            s.press("Run", "push button")
            run = s.wait_window(h.SHOW_CAPTION, timeout=10)
            # The lock is on before the window opens.
            h.check(other.grab() == "AlreadyGrabbed",
                    "another client could grab the keyboard while the locked show runs")

            other.seen = []
            other.focus()
            s.key(*SYSTEM_KEYS)
            # Once the show has drawn a slide for a later key, the system
            # keys sent before it have been dealt with too.
            focus_show(s, run)
            before = s.settled_screenshot(run, what="the show to draw")
            s.key("space")
            s.settled_screenshot(run, unlike=before, what="Space to change the show picture")
            h.check(other.keys() == [], "keys reached the other client's focused window during the "
                                        "locked show: %s" % " ".join(other.seen))
            h.check(other.grab() == "AlreadyGrabbed", "the lock was gone before the show ended")

            # Even with another client's window holding the input focus, the
            # show hears the keys and Q U I T ends it.
            other.focus()
            end_show(s)
            # After the show the keyboard is free again.
            h.check(other.grab() == "Success", "another client cannot grab the keyboard after the show")
            other.focus()
            s.key(*SYSTEM_KEYS)
            other.wait_keys(SYSTEM_KEYSYMS, "the system keys to reach the other client after the show")
            h.check(other.keys().count("F1") == 1, "the F1 sent during the show arrived late: %s" % other.seen)
        finally:
            other.close()


def test_lock_off():
    with x11.Session("lock-off") as s:
        other = start(s, lock=False)
        try:
            s.press("Run", "push button")
            run = s.wait_window(h.SHOW_CAPTION, timeout=10)
            h.check(other.grab() == "Success", "another client cannot grab the keyboard during an unlocked show")
            other.focus()
            s.key(*SYSTEM_KEYS)
            other.wait_keys(SYSTEM_KEYSYMS, "the system keys to reach the other client during an unlocked show")
            focus_show(s, run)
            end_show(s)
        finally:
            other.close()


def test():
    test_lock_on()
    test_lock_off()


if __name__ == "__main__":
    sys.exit(h.run(test))
