"""Q U I T on keyboards whose layout has no Latin letters.

Under a Russian keymap the keys of a PC keyboard give Cyrillic letters only;
the show still ends on the keys at the places of Q, U, I and T, with the
keyboard lock on and off.  A layout with Latin letters of its own keeps them:
after a change to French (AZERTY) the show ends on the keys that carry Q U I T
there, which also shows that a keymap changed while the program runs is read
again.  Needs Xorg with the dummy driver, since Xvfb ignores keymap changes;
the keys are sent as raw X key codes, so the server's keymap decides what
they mean.
"""

import os
import sys

sys.dont_write_bytecode = True  # keep the source tree clean
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import harness as h  # noqa: E402
import x11_session as x11  # noqa: E402

# X key codes on a PC keyboard (the kernel's key codes plus 8).
KEY_Q, KEY_U, KEY_I, KEY_T, KEY_A, KEY_SPACE = 24, 30, 31, 28, 38, 65
QUIT_BY_PLACE = (KEY_Q, KEY_U, KEY_I, KEY_T)
# On AZERTY the letter Q sits where a US keyboard has A.
QUIT_ON_AZERTY = (KEY_A, KEY_U, KEY_I, KEY_T)


def start(s, lock):
    s.write_settings(le_folder=s.datasets, rg_order=1, cb_keyboard_splash=0,
                     CheckBox_keyboark_lock=1 if lock else 0)
    s.start_program()
    s.wait_window(h.MAIN_CAPTION, timeout=20)


def run_show_and_quit(s, codes, layout):
    s.press("Run", "push button")
    run = s.wait_window(h.SHOW_CAPTION, timeout=10)
    s.focus(run)
    # The key that ended the last show still holds back the next press for
    # a while (its release went to the main window); a release re-arms.
    s.key_codes(KEY_SPACE, *codes)
    try:
        s.wait_gone(h.SHOW_CAPTION, timeout=5)
    except h.Failure:
        raise h.Failure("the keys at Q U I T (X key codes %s) did not end the show under the %r keymap"
                        % (" ".join(map(str, codes)), layout))
    s.check_running()
    s.wait_window(h.MAIN_CAPTION, timeout=5)


def test():
    with x11.Session("keymap", server="xorg") as s:
        start(s, lock=True)
        # The keymap changes while the program runs, before its first show.
        s.setxkbmap("-layout", "ru")
        run_show_and_quit(s, QUIT_BY_PLACE, "ru")
        s.setxkbmap("-layout", "fr")
        run_show_and_quit(s, QUIT_ON_AZERTY, "fr")

        s.stop_program()
        s.setxkbmap("-layout", "ru")
        start(s, lock=False)
        run_show_and_quit(s, QUIT_BY_PLACE, "ru")


if __name__ == "__main__":
    sys.exit(h.run(test))
