"""The settings file beside the program.

A first start (no bimbalo.ini in the program's folder) writes the file with
the first-run values before the main window shows; a later start reads an
existing file and leaves it exactly as it was.
"""

import os
import sys

sys.dont_write_bytecode = True  # keep the source tree clean
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import harness as h  # noqa: E402
import x11_session as x11  # noqa: E402


def first_run_entries(datasets):
    return [
        ("PageControl_main", "0"),
        ("le_folder", datasets),
        ("cb_subfolders", "1"),
        ("cb_more_kinds", "0"),
        ("cb_sounds_enable", "1"),
        ("cb_speak_captions", "0"),
        ("cb_images_enable", "1"),
        ("rg_captions_case", "1"),
        ("rg_captions_when", "2"),
        ("cb_background_auto", "0"),
        ("cb_images_stretch", "1"),
        ("rg_order", "2"),
        ("cb_advance_keypress", "1"),
        ("cb_advance_click", "0"),
        ("le_advance_auto_interval", "5000"),
        ("cb_advance_auto", "0"),
        ("CheckBox_keyboark_lock", "1"),
        ("cb_keyboard_splash", "1"),
        ("FontDialog_captions", "'name=Tahoma';size=70;color=clRed;style=0"),
        ("ColorDialog_background", "clBlack"),
    ]


def test_first_start():
    with x11.Session("first-start") as s:
        ini = os.path.join(s.bin, "bimbalo.ini")
        h.check(not os.path.exists(ini), "test set-up left a settings file behind")
        s.start_program()
        s.wait_window(h.MAIN_CAPTION, timeout=20)
        h.check(os.path.isfile(ini), "no %s by the time the main window showed" % ini)
        with open(ini, "rb") as f:
            raw = f.read()
        h.check(raw.endswith(b"\r\n\r\n"), "the file does not end with an empty CR LF line: %r" % raw[-20:])
        h.check(b"\n" not in raw.replace(b"\r\n", b"") and b"\r" not in raw.replace(b"\r\n", b""),
                "a line ends with something other than CR LF")
        lines = raw.decode("utf-8").split("\r\n")
        h.check(lines[-2:] == ["", ""], "expected exactly one empty line at the end, got %r" % lines[-3:])
        lines = lines[:-2]
        h.check(lines[0] == "[options]", "first line is %r, not [options]" % lines[0])
        got = [tuple(line.split("=", 1)) if "=" in line else (line, None) for line in lines[1:]]
        want = first_run_entries(os.path.normpath(os.path.abspath(s.datasets)))
        h.check([k for k, _ in got] == [k for k, _ in want],
                "keys or their order differ:\n  got  %s\n  want %s" % ([k for k, _ in got], [k for k, _ in want]))
        for (key, value), (_, expected) in zip(got, want):
            h.check(value == expected, "%s=%r, expected %r" % (key, value, expected))


def listed_rows(s):
    """The rows of the main window's slide list, which start-up fills before the window shows."""
    return s.slide_list()["rows"]


def test_existing_file_kept():
    # Things a write would drop or rewrite: a comment, another section, an
    # unknown key, blanks and a key in capitals.  A plain start must not write.
    text = (b"; kept as it is\r\n[other]\r\nx=1\r\n[options]\r\nLE_FOLDER = %s \r\n"
            b"rg_order=1\r\nunknown=2\n\n")
    with x11.Session("existing-ini") as s:
        ini = os.path.join(s.bin, "bimbalo.ini")
        content = text % s.datasets.encode()
        with open(ini, "wb") as f:
            f.write(content)
        before = os.stat(ini)
        s.start_program()
        s.wait_window(h.MAIN_CAPTION, timeout=20)
        # The folder came from the file (key in capitals, value in blanks):
        # the sample slides are listed.  By then start-up is over.
        rows = listed_rows(s)
        h.check(rows == h.expected_slides(s.datasets),
                "the folder from the settings file was not listed: %d rows" % rows)
        with open(ini, "rb") as f:
            h.check(f.read() == content, "a start with a settings file rewrote it")
        h.check(os.stat(ini).st_mtime_ns == before.st_mtime_ns, "the settings file was touched")
        s.check_running()


def test_folders_not_named_in_utf8():
    # The program and its data in a folder whose name is Latin-1, not UTF-8
    # (Python keeps such bytes as surrogates: "\udcff" is the byte 0xFF).
    with x11.Session("not-utf8") as s:
        tree = os.path.join(s.root, "caf\udce9 \udcff\udcfe")
        os.makedirs(tree)
        for name in ("bin", "datasets"):
            os.rename(os.path.join(s.root, name), os.path.join(tree, name))
        s.bin = os.path.join(tree, "bin")
        s.datasets = os.path.join(tree, "datasets")
        ini = os.path.join(s.bin, "bimbalo.ini")

        s.start_program()
        s.wait_window(h.MAIN_CAPTION, timeout=20)
        h.check(os.path.isfile(ini), "no settings file beside the program; the program's folder holds %r"
                % os.listdir(os.fsencode(s.bin)))
        strays = [f for f in os.listdir(s.root) if f.endswith(".ini")]
        h.check(not strays, "settings files written outside the program's folder: %r" % strays)
        with open(ini, "rb") as f:
            written = f.read()
        folder = os.fsencode(os.path.normpath(s.datasets))
        h.check(b"\r\nle_folder=" + folder + b"\r\n" in written,
                "the first-run folder is not %r in %r" % (folder, written))
        want = h.expected_slides(s.datasets)
        h.check(want > 0, "no sample slides to list")
        h.check(listed_rows(s) == want, "the data folder was not listed at the first start")
        s.stop_program()

        # The next start reads the folder back from the file, and writes nothing.
        s.start_program()
        s.wait_window(h.MAIN_CAPTION, timeout=20)
        h.check(listed_rows(s) == want, "the data folder from the settings file was not listed")
        with open(ini, "rb") as f:
            h.check(f.read() == written, "a start with a settings file rewrote it")
        s.check_running()


def test():
    test_first_start()
    test_existing_file_kept()
    test_folders_not_named_in_utf8()


if __name__ == "__main__":
    sys.exit(h.run(test))
