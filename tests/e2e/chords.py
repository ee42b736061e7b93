"""A toddler's palm on the keyboard, for any desktop the tests run.

A child rarely presses one key: a palm or a fist lands on up to five at once,
modifiers and function keys among them, and now and then a hand hits the
mouse.  random_chords() makes such a stream from a seed, mash() sends it
through a session, and check_locked_show() / check_control_run() say whether
a locked show kept the desktop's shortcuts off and whether, with the lock
off, the same stream would have been seen getting through.

Keys are evdev codes (linux/input-event-codes.h); each session turns them into
what its input path takes (X key codes are evdev + 8; KEYSYM gives the xkb
keysym of each under a US layout).

The target protocol, what a session offers to be mashed:

    press_chord(codes)   presses the evdev codes in that order, then releases
                         them in reverse order
    click(x, y)          clicks at that place of the screen, given as fractions
                         of its width and height; returns False where the seat
                         has no pointer (nothing was sent)
    shortcut_log()       the names of the desktop's shortcuts that have fired so
                         far, oldest first
    show_on_top()        True while the show window is full screen and in front
                         (the active, focused window)
    type_quit()          types q u i t
    wait_show_gone(t)    waits up to t seconds for the show window to close;
                         raises otherwise
    check_running()      raises when the program has died (ProgramTree has it)

and optionally:

    between_chords()     called between two entries of the stream, e.g. to let
                         the session catch up every so many chords
    show_problem()       what keeps the show from being full screen and in
                         front, in words, or None
    chord_label          the desktop's name in the summary lines
"""

import random
import time

import harness as h

KEYS = [
    ("Ctrl_L", 29), ("Ctrl_R", 97), ("Alt_L", 56), ("AltGr", 100),
    ("Super_L", 125), ("Super_R", 126), ("Shift_L", 42), ("Shift_R", 54),
    ("Menu", 127), ("Tab", 15), ("Esc", 1),
    ("F1", 59), ("F2", 60), ("F3", 61), ("F4", 62), ("F5", 63), ("F6", 64),
    ("F7", 65), ("F8", 66), ("F9", 67), ("F10", 68), ("F11", 87), ("F12", 88),
    ("Print", 99),
    ("Mute", 113), ("VolumeDown", 114), ("VolumeUp", 115),
    ("PlayPause", 164), ("NextSong", 163), ("PreviousSong", 165),
    ("Power", 116), ("Sleep", 142), ("Wake", 143),
    ("Up", 103), ("Left", 105), ("Right", 106), ("Down", 108),
    ("Home", 102), ("End", 107), ("PageUp", 104), ("PageDown", 109),
    ("Delete", 111), ("Return", 28), ("Space", 57), ("BackSpace", 14),
    # Letters by their place on the keyboard, all but Q U I T, which end the show.
    ("W", 17), ("E", 18), ("R", 19), ("Y", 21), ("O", 24), ("P", 25),
    ("A", 30), ("S", 31), ("D", 32), ("F", 33), ("G", 34), ("H", 35), ("J", 36),
    ("K", 37), ("L", 38), ("Z", 44), ("X", 45), ("C", 46), ("V", 47), ("B", 48),
    ("N", 49), ("M", 50),
    ("1", 2), ("2", 3), ("3", 4), ("4", 5), ("5", 6), ("6", 7), ("7", 8),
    ("8", 9), ("9", 10), ("0", 11),
]

NAMES = {code: name for name, code in KEYS}
QUIT_CODES = (16, 22, 23, 20)  # Q U I T

# The modifier each modifier key gives (AltGr is the right Alt on a US layout).
MODIFIERS = {29: "Ctrl", 97: "Ctrl", 56: "Alt", 100: "Alt", 125: "Super", 126: "Super",
             42: "Shift", 54: "Shift"}

# The keysym of each key under a US layout, as xkb names it.
KEYSYM = {
    29: "Control_L", 97: "Control_R", 56: "Alt_L", 100: "ISO_Level3_Shift",
    125: "Super_L", 126: "Super_R", 42: "Shift_L", 54: "Shift_R",
    127: "Menu", 15: "Tab", 1: "Escape", 99: "Print",
    113: "XF86AudioMute", 114: "XF86AudioLowerVolume", 115: "XF86AudioRaiseVolume",
    164: "XF86AudioPlay", 163: "XF86AudioNext", 165: "XF86AudioPrev",
    116: "XF86PowerOff", 142: "XF86Sleep", 143: "XF86WakeUp",
    103: "Up", 105: "Left", 106: "Right", 108: "Down",
    102: "Home", 107: "End", 104: "Prior", 109: "Next",
    111: "Delete", 28: "Return", 57: "space", 14: "BackSpace",
}
KEYSYM.update({code: "F%d" % (i + 1) for i, code in enumerate((59, 60, 61, 62, 63, 64, 65, 66, 67, 68, 87, 88))})
KEYSYM.update({code: name.lower() for name, code in KEYS if len(name) == 1})
KEYSYM.update(zip(QUIT_CODES, "quit"))
CODE_OF_KEYSYM = {sym: code for code, sym in KEYSYM.items()}

# Shortcuts of the kind desktops bind, which a palm hits: (name, modifiers, keysym).
# The sessions bind them to commands that only note that they ran.
SHORTCUTS = [
    ("Alt+Tab", ("Alt",), "Tab"),
    ("Alt+Shift+Tab", ("Alt", "Shift"), "Tab"),
    ("Alt+F4", ("Alt",), "F4"),
    ("Alt+F1", ("Alt",), "F1"),
    ("Alt+F2", ("Alt",), "F2"),
    ("Alt+Esc", ("Alt",), "Escape"),
    ("Alt+Space", ("Alt",), "space"),
    ("Ctrl+Esc", ("Ctrl",), "Escape"),
    ("Ctrl+Shift+Esc", ("Ctrl", "Shift"), "Escape"),
    ("Ctrl+Alt+Delete", ("Ctrl", "Alt"), "Delete"),
    ("Ctrl+Alt+BackSpace", ("Ctrl", "Alt"), "BackSpace"),
    ("Ctrl+Alt+T", ("Ctrl", "Alt"), "t"),
    ("Ctrl+Alt+Left", ("Ctrl", "Alt"), "Left"),
    ("Super+D", ("Super",), "d"),
    ("Super+L", ("Super",), "l"),
    ("Super+E", ("Super",), "e"),
    ("Shift+Super+E", ("Shift", "Super"), "e"),
    ("Super+Return", ("Super",), "Return"),
    ("Super+Tab", ("Super",), "Tab"),
    ("Super+Space", ("Super",), "space"),
    ("Super+1", ("Super",), "1"),
    ("Print", (), "Print"),
    ("Menu", (), "Menu"),
    ("F1", (), "F1"),
    ("XF86AudioMute", (), "XF86AudioMute"),
    ("XF86AudioRaiseVolume", (), "XF86AudioRaiseVolume"),
    ("XF86PowerOff", (), "XF86PowerOff"),
    ("XF86Sleep", (), "XF86Sleep"),
]

CLICK_SHARE = 10  # one entry in about so many is a click
CHORD_SIZES = (1, 2, 3, 4, 5)
CHORD_SIZE_WEIGHTS = (20, 30, 25, 15, 10)
# A palm lands on the modifiers along the keyboard's edge more often than on any one key.
MODIFIER_SHARE = 0.35
# The keyboard help that Esc opens ends at the next tick of its own timer,
# which runs every five seconds, or at the next key, which it takes.
HELP_LIFETIME = 5.0


def random_chords(seed, count):
    """count chords, the same for the same seed, each a list of 1 to 5 distinct evdev codes with
    the modifiers mostly first, and among them, about one for every CLICK_SHARE chords, a click
    ("click", x_fraction, y_fraction)."""
    rng = random.Random(seed)
    modifiers = sorted(MODIFIERS)
    others = [code for _, code in KEYS if code not in MODIFIERS]
    out = []
    for _ in range(count):
        if rng.randrange(CLICK_SHARE) == 0:
            out.append(("click", round(rng.uniform(0.02, 0.98), 3), round(rng.uniform(0.02, 0.98), 3)))
        size = rng.choices(CHORD_SIZES, CHORD_SIZE_WEIGHTS)[0]
        chord = []
        while len(chord) < size:
            code = rng.choice(modifiers if rng.random() < MODIFIER_SHARE else others)
            if code not in chord:
                chord.append(code)
        # Mostly the modifiers first, as a palm rolls onto the keys; now and then any order.
        if rng.random() < 0.8:
            chord.sort(key=lambda c: c not in MODIFIERS)
        out.append(chord)
    return out


def describe(entry):
    if entry[0] == "click":
        return "click at %.3f,%.3f" % entry[1:]
    return "+".join(NAMES[c] for c in entry)


def suspects(name, entries):
    """The chords among entries that could have run the shortcut of that name from SHORTCUTS,
    as (index, chord) pairs: those that press its key while exactly its modifiers are held (as
    desktops match them) or, where no chord does, while at least its modifiers are held."""
    exact, more = [], []
    for short, mods, keysym in SHORTCUTS:
        if short != name:
            continue
        key = CODE_OF_KEYSYM.get(keysym)
        for i, entry in enumerate(entries):
            if entry[0] == "click" or key not in entry:
                continue
            held = {MODIFIERS[c] for c in entry[:entry.index(key)] if c in MODIFIERS}
            if held == set(mods):
                exact.append((i, entry))
            elif held > set(mods):
                more.append((i, entry))
    return exact or more


def mash(target, seed=0, count=500):
    """Sends the count chords of random_chords(seed, count), and the clicks among them, through
    the target; returns {"chords": chords sent, "clicks": clicks sent (none where the target has
    no pointer), "fired": the names of the shortcuts that fired meanwhile}."""
    entries = random_chords(seed, count)
    for entry in entries:
        if entry[0] != "click":
            # Never Q U I T, so never the sequence that ends the show.
            h.check(not set(entry) & set(QUIT_CODES), "a chord with a quit letter: %s" % describe(entry))
    between = getattr(target, "between_chords", None)
    seen = len(target.shortcut_log())
    chords = clicks = 0
    for i, entry in enumerate(entries):
        if i and between:
            between()
        if entry[0] == "click":
            if target.click(entry[1], entry[2]):
                clicks += 1
        else:
            target.press_chord(entry)
            chords += 1
        try:
            target.check_running()
        except h.Failure as e:
            raise h.Failure("%s, after entry %d of seed %d: %s" % (e, i, seed, describe(entry)))
    return {"chords": chords, "clicks": clicks, "fired": target.shortcut_log()[seen:]}


def _label(target, label, run):
    return "chords[%s %s]" % (label or getattr(target, "chord_label", type(target).__name__), run)


def counted(names):
    """"Print 2x, Menu" for ["Print", "Menu", "Print"]."""
    return ", ".join(n if names.count(n) == 1 else "%s %dx" % (n, names.count(n)) for n in dict.fromkeys(names))


def summary(tag, result):
    fired = result["fired"]
    line = "%s: %d chords, %d clicks, %d shortcuts fired" % (tag, result["chords"], result["clicks"], len(fired))
    if fired:
        line += " (%s)" % counted(fired)
    print(line, flush=True)


def _through(result, seed, count):
    """Which shortcuts fired, with the chords that could have run each."""
    entries = random_chords(seed, count)
    lines = []
    for name in dict.fromkeys(result["fired"]):
        found = suspects(name, entries)
        lines.append("%s %dx, from %s" % (name, result["fired"].count(name), "; ".join(
            "entry %d %s" % (i, describe(e)) for i, e in found[:3]) or "no chord of the stream"))
    return lines


def wait_help_closed(since):
    """Waits until the keyboard help that an Esc sent before since (a time.monotonic()) may have
    opened has ended again: it lasts at most HELP_LIFETIME, and meanwhile it would take the Q."""
    time.sleep(max(0.0, since + HELP_LIFETIME + 1.0 - time.monotonic()))


def check_locked_show(target, seed, count=500, label=None):
    """Mashes a locked show: no shortcut may fire, the program must keep running with the show
    full screen in front, and Q U I T must still end it.  Returns mash()'s result."""
    start = len(target.shortcut_log())
    result = mash(target, seed, count)
    ended = time.monotonic()
    target.check_running()
    wait_help_closed(ended)
    # Shortcuts note their runs a moment late: by now everything sent has had its time.
    result["fired"] = target.shortcut_log()[start:]
    summary(_label(target, label, "locked"), result)
    problems = []
    if result["fired"]:
        problems.append("shortcuts fired during the locked show (seed %d):\n      " % seed
                        + "\n      ".join(_through(result, seed, count)))
    target.check_running()
    try:
        h.wait_for("the show to be full screen and in front", target.show_on_top, 3, interval=0.2)
    except h.Failure:
        why = getattr(target, "show_problem", lambda: None)()
        problems.append("after %d chords (seed %d) the show is no longer full screen in front%s"
                        % (result["chords"], seed, ": " + why if why else ""))
    h.check(not problems, "\n    ".join(problems))
    target.type_quit()
    try:
        target.wait_show_gone(5)
    except h.Failure as e:
        raise h.Failure("Q U I T, typed %.0f s after the last chord, no longer ends the show: %s"
                        % (time.monotonic() - ended, e))
    target.check_running()
    return result


def check_control_run(target, seed, count, label=None):
    """Mashes a show with the lock off, where the desktop's shortcuts stay on: at least one must
    fire, or a locked run that sees none would prove nothing.  Returns mash()'s result."""
    start = len(target.shortcut_log())
    result = mash(target, seed, count)
    try:
        h.wait_for("a shortcut to fire", lambda: len(target.shortcut_log()) > start, 5, interval=0.2)
    except h.Failure:
        pass
    # The last ones may still be on their way.
    time.sleep(0.5)
    result["fired"] = target.shortcut_log()[start:]
    summary(_label(target, label, "control"), result)
    h.check(result["fired"], "no shortcut fired in %d chords (seed %d) with the lock off: the test could not "
                             "see one get through" % (result["chords"], seed))
    target.check_running()
    return result
