"""The show on a screen scaled by 2, as on most HiDPI laptops.

A picture of the screen's size made of 1-pixel black and white squares must
reach the screen pixel for pixel: drawn at half resolution and enlarged, it
would come out as flat grey or as 2-pixel squares.  A slide with its caption
looks exactly as it does on an unscaled screen of the same pixel size.
"""

import os
import struct
import sys

sys.dont_write_bytecode = True  # keep the source tree clean
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import harness as h  # noqa: E402
import x11_session as x11  # noqa: E402


def checkerboard_rgb(w, h_):
    """Rows of RGB bytes, top row first: black at (0, 0)."""
    even = b"".join(b"\x00\x00\x00" if x % 2 == 0 else b"\xff\xff\xff" for x in range(w))
    odd = b"".join(b"\xff\xff\xff" if x % 2 == 0 else b"\x00\x00\x00" for x in range(w))
    return [even if y % 2 == 0 else odd for y in range(h_)]


def write_bmp(path, w, rows):
    """An uncompressed 24-bit BMP (bottom-up, BGR; grey rows read the same either way)."""
    stride = (3 * w + 3) & ~3
    body = b"".join(r + b"\x00" * (stride - len(r)) for r in reversed(rows))
    header = struct.pack("<2sIHHI", b"BM", 54 + len(body), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, w, len(rows), 1, 24, 0, len(body), 2835, 2835, 0, 0)
    with open(path, "wb") as f:
        f.write(header + info + body)


def caption_shot(s, scale):
    """The whole screen during a show of one captioned slide, at this scale."""
    s.env["QT_SCALE_FACTOR"] = str(scale)
    s.start_program()
    s.press("Run", "push button", timeout=20)
    run = s.wait_window(h.SHOW_CAPTION, timeout=10)
    shot = s.settled_screenshot("root", what="the captioned slide to settle")
    s.focus(run)
    s.key("q", "u", "i", "t")
    s.wait_gone(h.SHOW_CAPTION, timeout=5)
    s.stop_program()
    return shot


def test():
    with x11.Session("hidpi-caption", with_datasets=False) as s:
        slides = os.path.join(s.root, "slides")
        os.makedirs(slides)
        write_bmp(os.path.join(slides, "Balloon.bmp"), 64, [b"\x20\x80\x20" * 64] * 48)
        s.write_settings(le_folder=slides, cb_keyboard_splash=0, CheckBox_keyboark_lock=0,
                         rg_captions_when=0, cb_images_stretch=0)
        plain = caption_shot(s, 1)
        scaled = caption_shot(s, 2)
        h.check(plain.distinct_colours() > 3, "no caption drawn")
        h.check(scaled.data == plain.data, "the captioned slide at scale 2 differs from the one at scale 1")

    with x11.Session("hidpi", with_datasets=False) as s:
        rows = checkerboard_rgb(h.SCREEN_W, h.SCREEN_H)
        write_bmp(os.path.join(s.datasets, "checks.bmp"), h.SCREEN_W, rows)
        s.write_settings(le_folder=s.datasets, cb_keyboard_splash=0, CheckBox_keyboark_lock=0,
                         rg_captions_when=1, cb_images_stretch=1)
        s.env["QT_SCALE_FACTOR"] = "2"
        s.start_program()
        s.press("Run", "push button", timeout=20)
        run = s.wait_window(h.SHOW_CAPTION, timeout=10)
        h.check((run.width, run.height) == (h.SCREEN_W, h.SCREEN_H),
                "the show window is %dx%d, not the screen's %dx%d" % (run.width, run.height, h.SCREEN_W, h.SCREEN_H))
        want = b"".join(rows)

        def exact():
            shot = s.screenshot("root")
            return shot if shot.data == want else None
        try:
            h.wait_for("the checkerboard to reach the screen pixel for pixel", exact, 8)
        except h.Failure:
            shot = s.screenshot("root")
            bad = next(i // 3 for i in range(0, len(want), 3) if shot.data[i:i + 3] != want[i:i + 3])
            raise h.Failure("the screen differs from the picture, first at (%d, %d): %r; %d colours on screen"
                            % (bad % h.SCREEN_W, bad // h.SCREEN_W, shot.pixel(bad % h.SCREEN_W, bad // h.SCREEN_W),
                               shot.distinct_colours()))
        s.key("q", "u", "i", "t")
        s.wait_gone(h.SHOW_CAPTION, timeout=5)
        s.check_running()


if __name__ == "__main__":
    sys.exit(h.run(test))
