"""The locked show under real window managers: i3 with its bar docked at the
top, and the floating openbox.

The manager puts the show in its full-screen state, over the bar, with the
input focus, so that the screen is the slide's picture from edge to edge.
While the show runs no other client can grab the keyboard or the pointer;
Q U I T ends it, the main window comes back and both are free again.
"""

import os
import subprocess
import sys

sys.dont_write_bytecode = True  # keep the source tree clean
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import harness as h  # noqa: E402
import x11_session as x11  # noqa: E402
from test_lock import OtherClient  # noqa: E402

BORDER = 4
BORDER_COLOUR = (255, 0, 255)


def slide_picture():
    """A screen-sized picture: a magenta border BORDER px wide around an interior whose pixels all
    differ from each other and from the border, so that any offset or cover shows."""
    width, height = h.SCREEN_W, h.SCREEN_H
    reds = bytes(x & 255 for x in range(width))
    # Blue tells which 256 px block the pixel lies in: 64 + 8 * (4 * (x >> 8) + (y >> 8)).
    blues = [bytes(64 + 8 * (4 * (x >> 8) + q) for x in range(width)) for q in range(4)]
    border = bytes(BORDER_COLOUR)
    rows = []
    for y in range(height):
        if y < BORDER or y >= height - BORDER:
            rows.append(border * width)
            continue
        row = bytearray(3 * width)
        row[0::3] = reds
        row[1::3] = bytes([y & 255]) * width
        row[2::3] = blues[y >> 8]
        row[:3 * BORDER] = row[-3 * BORDER:] = border * BORDER
        rows.append(bytes(row))
    return h.Image(width, height, b"".join(rows))


def picture_position(rgb):
    """Where in the interior of slide_picture() a colour lies, or None."""
    r, g, b = rgb
    if b < 64 or (b - 64) % 8 or (b - 64) // 8 >= 20:
        return None
    block = (b - 64) // 8
    return 256 * (block // 4) + r, 256 * (block % 4) + g


def write_bmp(path, img):
    """A 24-bit BMP: rows bottom up, BGR, each padded to four bytes."""
    stride = 3 * img.width
    pad = b"\0" * (-stride % 4)
    size = (stride + len(pad)) * img.height
    header = b"BM" + (54 + size).to_bytes(4, "little") + bytes(4) + (54).to_bytes(4, "little")
    info = b"".join(v.to_bytes(n, "little") for v, n in (
        (40, 4), (img.width, 4), (img.height, 4), (1, 2), (24, 2), (0, 4), (size, 4),
        (2835, 4), (2835, 4), (0, 4), (0, 4)))
    with open(path, "wb") as f:
        f.write(header + info)
        for y in reversed(range(img.height)):
            row = bytearray(img.data[y * stride:(y + 1) * stride])
            row[0::3], row[2::3] = row[2::3], row[0::3]
            f.write(bytes(row) + pad)


def difference(shot, picture):
    """How the screenshot differs from the picture, in words; None when it does not."""
    if shot.data == picture.data:
        return None
    stride = 3 * shot.width
    rows = [y for y in range(shot.height)
            if shot.data[y * stride:(y + 1) * stride] != picture.data[y * stride:(y + 1) * stride]]
    # Every eighth of those rows is enough to see which columns are off.
    columns = [x for x in range(shot.width)
               if any(shot.pixel(x, y) != picture.pixel(x, y) for y in rows[::8] + rows[-1:])] or [-1]
    cx, cy = shot.width // 2, shot.height // 2
    centre = picture_position(shot.pixel(cx, cy))
    return "rows %d-%d, columns %d-%d are not the picture; the screen's centre %d,%d shows %s" % (
        rows[0], rows[-1], columns[0], columns[-1], cx, cy,
        "the picture's %d,%d" % centre if centre else "the colour %s" % (shot.pixel(cx, cy),))


def focus(s):
    r = s.x("xdotool", "getwindowfocus")
    return int(r.stdout.split()[0]) if r.returncode == 0 and r.stdout.strip() else None


def show_under(wm, picture):
    with x11.Session("wm-" + wm, with_datasets=False, wm=wm) as s:
        write_bmp(os.path.join(s.datasets, "edges.bmp"), picture)
        s.write_settings(le_folder=s.datasets, rg_captions_when=1, cb_keyboard_splash=0, CheckBox_keyboark_lock=1)
        s.start_program()
        s.wait_window(h.MAIN_CAPTION, timeout=20)
        other = OtherClient(s)
        try:
            h.check((other.grab(), other.grab_pointer()) == ("Success", "Success"),
                    "another client cannot grab the keyboard and the pointer before the show")

            s.press("Run", "push button")
            run = s.wait_window(h.SHOW_CAPTION, timeout=10)
            problems = []
            seen = {}

            def settled():
                seen["state"] = s.net_wm_state(run)
                seen["shot"] = s.screenshot("root")
                seen["screen"] = difference(seen["shot"], picture)
                seen["focus"] = focus(s)
                return ("_NET_WM_STATE_FULLSCREEN" in seen["state"] and seen["screen"] is None
                        and seen["focus"] == int(run.id, 16))
            try:
                h.wait_for("the show to be full screen with the input focus", settled, 10, interval=0.2)
            except h.Failure:
                if "_NET_WM_STATE_FULLSCREEN" not in seen["state"]:
                    problems.append("the show window's _NET_WM_STATE lacks _NET_WM_STATE_FULLSCREEN (has %s)"
                                    % (", ".join(sorted(seen["state"])) or "nothing"))
                if seen["screen"]:
                    write_bmp(os.path.join(s.root, "screen.bmp"), seen["shot"])
                    problems.append("the screen (screen.bmp) is not the slide's picture from edge to edge: "
                                    + seen["screen"])
                if seen["focus"] != int(run.id, 16):
                    problems.append("the input focus is on %s, not on the show window %s"
                                    % (seen["focus"] and hex(seen["focus"]), run.id))
            if other.grab() != "AlreadyGrabbed":
                problems.append("another client could grab the keyboard during the locked show")
            pointer = other.grab_pointer()
            if pointer != "AlreadyGrabbed":
                problems.append("another client's pointer grab during the locked show: %s" % pointer)

            s.key("q", "u", "i", "t")
            s.wait_gone(h.SHOW_CAPTION, timeout=5)
            s.wait_window(h.MAIN_CAPTION, timeout=5)
            h.check((other.grab(), other.grab_pointer()) == ("Success", "Success"),
                    "another client cannot grab the keyboard and the pointer after the show")
            h.check(not problems, "\n    ".join(problems))
        finally:
            other.close()


def test():
    h.require_tools(more=("i3", "i3bar", "openbox", "xprop"))
    picture = slide_picture()
    failures = []
    for wm in ("i3", "openbox"):
        try:
            show_under(wm, picture)
        except (h.Failure, subprocess.TimeoutExpired) as e:
            failures.append("under %s:\n    %s" % (wm, e))
    h.check(not failures, "\n  ".join([""] + failures))


if __name__ == "__main__":
    sys.exit(h.run(test))
