"""A folder of picture bombs: the whole program stays small.

Six small PNGs that each declare 10000 x 10000 pixels (400 MB each, decoded
whole) and a sound at 1 Hz: the main window previews the first picture, then a
locked show steps on its own every half second for 25 s. The program's peak
resident size stays at most 150 MB all along, and Q U I T still ends the show.
How long that takes is printed, not checked: times are for benchmarks.
"""

import os
import struct
import sys
import time
import zlib

sys.dont_write_bytecode = True  # keep the source tree clean
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import harness as h  # noqa: E402
import x11_session as x11  # noqa: E402

SIDE = 10000
PEAK_LIMIT_KB = 150 * 1024


def chunk(kind, data):
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))


def write_bomb(path, colour):
    """An RGB PNG of SIDE x SIDE pixels of one colour; each row after the first says "as above"."""
    pixels = zlib.compressobj(9)
    data = pixels.compress(b"\0" + bytes(colour) * SIDE)
    up = pixels.compress(b"\2" + bytes(3 * SIDE))
    for _ in range(SIDE - 2):
        data += up + pixels.compress(b"\2" + bytes(3 * SIDE))
    data += pixels.flush()
    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", SIDE, SIDE, 8, 2, 0, 0, 0))
                + chunk(b"IDAT", data) + chunk(b"IEND", b""))


def write_one_hertz_wav(path):
    samples = bytes(2 * 4)
    header = b"RIFF" + struct.pack("<I", 36 + len(samples)) + b"WAVE"
    header += b"fmt " + struct.pack("<IHHIIHH", 16, 1, 1, 1, 2, 2, 16)
    with open(path, "wb") as f:
        f.write(header + b"data" + struct.pack("<I", len(samples)) + samples)


def peak_kb(pid):
    with open("/proc/%d/status" % pid) as f:
        for line in f:
            if line.startswith("VmHWM:"):
                return int(line.split()[1])
    raise h.Failure("no VmHWM for the program")


def test():
    h.require_tools()
    with x11.Session("picture-bombs", with_datasets=False) as s:
        colours = [(250, 120, 30), (30, 120, 250), (40, 200, 60), (200, 40, 160), (230, 220, 40), (90, 90, 90)]
        for i, colour in enumerate(colours):
            write_bomb(os.path.join(s.datasets, "bomb%d.png" % (i + 1)), colour)
        write_one_hertz_wav(os.path.join(s.datasets, "zz.wav"))
        s.write_settings(le_folder=s.datasets, rg_order=1, cb_keyboard_splash=0, CheckBox_keyboark_lock=1,
                         cb_advance_auto=1, le_advance_auto_interval=500, cb_images_stretch=1)
        program = s.start_program()
        s.wait_window(h.MAIN_CAPTION, timeout=30)
        slides = s.slide_list()
        # In alphabetical order the first row, selected and previewed, is the first bomb.
        h.check(slides["rows"] == 7 and slides["selected_rows"] == [0], "not seven slides, the first selected: %s" % slides)
        after_preview = peak_kb(program.pid)

        s.press("Run", "push button", timeout=20)
        s.wait_window(h.SHOW_CAPTION, timeout=10)
        deadline = time.monotonic() + 25
        while time.monotonic() < deadline:
            s.check_running()
            time.sleep(0.5)
        during_show = peak_kb(program.pid)

        s.key("q", "u", "i", "t")
        started = time.monotonic()
        s.wait_gone(h.SHOW_CAPTION, timeout=20)
        ended = time.monotonic() - started
        print("peak resident: %d MB after the preview, %d MB after 25 s of show; the show ended %.1f s after Q U I T"
              % (after_preview // 1024, during_show // 1024, ended))
        h.check(during_show <= PEAK_LIMIT_KB, "the program's peak was %d MB, more than 150 MB" % (during_show // 1024))


if __name__ == "__main__":
    sys.exit(h.run(test))
