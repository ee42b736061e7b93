"""Q U I T by the keys' places under KWin with a Russian keymap.

The program is a Wayland client here, so the keymap comes from the compositor,
not from an X server.  KWin starts with the layouts US and Russian; KWin's
fake input sends evdev key codes, which KWin's keymap turns into what the
program gets.  With the Russian layout active (a change of group, as
Alt+Shift would make it, while the program runs), the keys at the places of
Q, U, I and T give Cyrillic letters only, and the show still ends on them,
with the keyboard lock on and off.
"""

import os
import sys

sys.dont_write_bytecode = True  # keep the source tree clean
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import harness as h  # noqa: E402
import kwin_session as k  # noqa: E402

LAYOUTS = "us,ru"
RUSSIAN = 1  # its index in LAYOUTS
QUIT_BY_PLACE = [k.KEY_CODES[c] for c in "quit"]


class TwoLayoutKwin(k.KwinSession):
    def configure(self):
        super().configure()
        path = os.path.join(self.root, ".config", "kxkbrc")
        with open(path, "w") as f:
            f.write("[Layout]\nLayoutList=%s\nUse=true\n" % LAYOUTS)
        self._give(path)

    def layouts(self, method, *args):
        r = self.dbus_call("org.kde.keyboard", "/Layouts", "org.kde.KeyboardLayouts." + method, *args)
        h.check(r.returncode == 0, "KWin's %s: %s" % (method, r.stderr.decode(errors="replace")))
        return r.stdout.decode(errors="replace")

    def use_russian(self):
        self.layouts("setLayout", "uint32:%d" % RUSSIAN)
        h.wait_for("KWin's Russian layout to be active",
                   lambda: self.layouts("getLayout").split()[-1] == str(RUSSIAN), 5, interval=0.1)


def show_ends_on_the_places(s, lock):
    s.press("Run", "push button")
    h.wait_for("the show to be full screen and active", s.show_on_top, 10, interval=0.1)
    s.press_chord(["space"])
    for code in QUIT_BY_PLACE:
        s.press_chord([code])
    try:
        s.wait_show_gone(timeout=5)
    except h.Failure:
        raise h.Failure("the keys at Q U I T (evdev codes %s) did not end the %s show under KWin's Russian layout"
                        % (" ".join(map(str, QUIT_BY_PLACE)), "locked" if lock else "unlocked"))
    s.check_running()
    s.wait_window(h.MAIN_CAPTION, timeout=5)


def test():
    with TwoLayoutKwin("kwin-keymap") as s:
        listed = s.layouts("getLayoutsList")
        h.check('"ru"' in listed, "KWin did not take the layouts %s: %s" % (LAYOUTS, listed))
        s.write_settings(le_folder=s.datasets, cb_keyboard_splash=0, CheckBox_keyboark_lock=1)
        s.start_program()
        s.wait_window(h.MAIN_CAPTION, timeout=20)
        # The group changes while the program runs, before its first show.
        s.use_russian()
        show_ends_on_the_places(s, lock=True)

        s.stop_program()
        s.write_settings(le_folder=s.datasets, cb_keyboard_splash=0, CheckBox_keyboark_lock=0)
        s.start_program()
        s.wait_window(h.MAIN_CAPTION, timeout=20)
        show_ends_on_the_places(s, lock=False)
    h.check(not s.stragglers, "processes outlived the session: %r" % s.stragglers)


if __name__ == "__main__":
    sys.exit(h.run(test))
