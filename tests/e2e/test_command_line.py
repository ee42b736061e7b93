"""The command line of the real program under Xvfb.

bimbalo --show FOLDER goes straight into the show over FOLDER without ever
making the main window, and Q U I T ends the program with exit status 0; the
settings file keeps its own folder.  With no slides to show, --show says so
in an error box and exits with 1.
"""

import os
import re
import sys

sys.dont_write_bytecode = True  # keep the source tree clean
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import harness as h  # noqa: E402
import x11_session as x11  # noqa: E402


def windows_named(s, name):
    """Every X window of that caption, mapped or not: Qt makes one only for a window it has shown."""
    tree = s.x("xwininfo", "-root", "-tree").stdout.decode(errors="replace")
    return re.findall(r'^\s+0x[0-9a-f]+ "%s": ' % re.escape(name), tree, re.M)


def ended(s, what):
    """The program's exit status once it has ended by itself."""
    p = s.program
    h.wait_for(what, lambda: p.poll() is not None, 15)
    s.stop_program()
    return p.returncode


def test():
    with x11.Session("command-line") as s:
        empty = os.path.join(s.root, "empty")
        os.makedirs(empty)
        s.write_settings(le_folder=empty, cb_keyboard_splash="0", CheckBox_keyboark_lock="0")
        ini = os.path.join(s.bin, "bimbalo.ini")
        with open(ini, "rb") as f:
            stored = f.read()

        s.start_program("--show", s.datasets)
        s.wait_window(h.SHOW_CAPTION, timeout=20)
        h.check(not windows_named(s, h.MAIN_CAPTION), "the main window was made for --show")
        s.key("q", "u", "i", "t")
        code = ended(s, "the program to end with the show")
        h.check(code == 0, "exit status %s after Q U I T" % code)
        with open(ini, "rb") as f:
            h.check(f.read() == stored, "the settings file changed")

        # The stored folder has no slides: said in an error box, exit status 1.
        s.start_program("--show")
        box = s.wait_window("Bimbalo", timeout=20)
        h.check(not windows_named(s, h.MAIN_CAPTION), "the main window was made for --show")
        s.focus(box)
        s.key("Return")
        code = ended(s, "the program to end after the error box")
        h.check(code == 1, "exit status %s after a show without slides" % code)


if __name__ == "__main__":
    sys.exit(h.run(test))
