"""Main window on start-up: the sample slides are listed, the first one is
selected, previewed and heard; an empty data folder gives an empty list.

The sample slides are listed in alphabetical order here, so that the first
row is one with both a picture and a sound (the default order is random).

    test_main_window.py [--save-screenshot FILE]

--save-screenshot writes a PNG of the main window on the sample slides
(for docs/screenshot.png).
"""

import os
import sys

sys.dont_write_bytecode = True  # keep the source tree clean
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import harness as h  # noqa: E402
import x11_session as x11  # noqa: E402


def look_at_main_window(session):
    """The main window, its slide list as the accessibility bus tells it, and a screenshot."""
    session.start_program()
    main = session.wait_window(h.MAIN_CAPTION, timeout=20)
    h.check(main.width >= 400 and main.height >= 300, "main window too small: %r" % main)
    # Start-up lists, selects and previews before the window shows, but the
    # first frames may still be on their way to the screen.
    return main, session.slide_list(), session.settled_screenshot(main)


def box(widget):
    x, y, w, h_ = widget["extents"]
    return x, y, x + w, y + h_


def test():
    save_to = None
    if "--save-screenshot" in sys.argv:
        save_to = os.path.abspath(sys.argv[sys.argv.index("--save-screenshot") + 1])

    with x11.Session("main-empty", with_datasets=False) as s:
        main, empty_list, empty = look_at_main_window(s)
        empty_area = box(empty_list)
        h.check(empty_list["rows"] == 0, "empty data folder, yet the list has %d rows" % empty_list["rows"])
        s.check_running()
        rms, _ = h.float_rms(s.audio, 0) if os.path.exists(s.audio) else (0.0, 0)
        h.check(rms == 0.0, "empty data folder, yet a sound was played (RMS %.4f)" % rms)

        # Run with no slides does nothing: the File menu opened after it shows,
        # and nothing else came up before it.
        s.press("Run", "push button")
        s.open_menu("File", "Exit")
        h.check(not s.visible_windows(h.SHOW_CAPTION), "Run with no slides started a show")
        h.check(not [w for w in s.visible_windows("Bimbalo") if (w.width, w.height) == (400, 300)],
                "Run with no slides showed the keyboard help splash")
        s.key("Escape")

    with x11.Session("main") as s:
        s.write_settings(le_folder=s.datasets, rg_order=1)
        main, slides, shot = look_at_main_window(s)
        h.check(shot.distinct_colours() > 50, "main window screenshot is nearly blank")
        area = box(slides)
        want = h.expected_slides(s.datasets)
        h.check(slides["rows"] == want, "expected %d rows in the list, found %d" % (want, slides["rows"]))
        h.check(area == empty_area, "the list view moved: %s with slides, %s without" % (area, empty_area))
        rect = (area[0], area[1], area[2] - area[0], area[3] - area[1])
        h.check(shot.crop(*rect).data != empty.crop(*rect).data, "the list looks the same as the empty one")

        # The first row is selected, no other row is...
        h.check(slides["selected_rows"] == [0], "selection is not on the first row only: %s" % slides["selected_rows"])

        # ...and its picture is previewed right of the list, while the empty run showed none.
        right = (area[2] + 10, area[1], shot.width - area[2] - 20, area[3] - area[1])
        h.check(shot.crop(*right).distinct_colours() > 20, "no picture in the preview panel")
        h.check(empty.crop(*right).distinct_colours() <= 3, "empty data folder, yet the preview shows something")

        # The first slide's sound starts with the selection.
        def heard():
            rms, _ = h.float_rms(s.audio, 0)
            return rms > 0.005
        h.wait_for("the first slide's sound in the audio output", heard, 10, interval=0.2)
        s.check_running()

        if save_to:
            os.makedirs(os.path.dirname(save_to), exist_ok=True)
            s.save_png(main, save_to)
            print("saved %s (%d bytes)" % (save_to, os.path.getsize(save_to)))

        # File > Exit ends the program normally.
        s.open_menu("File", "Exit")
        s.press("Exit", "menu item")
        h.wait_for("the program to end after File > Exit",
                   lambda: s.program.poll() is not None, 10, interval=0.1)
        h.check(s.program.returncode == 0, "the program ended with status %s" % s.program.returncode)


if __name__ == "__main__":
    sys.exit(h.run(test))
