"""The program in the desktop's language: under each LANG the program has a
translation for, every text the main window shows (its menus, their items,
the tool bar, the list's headers and the status line) is that language's, as
the accessibility bus reads it, and the Alt letters of each menu differ; under
an English LANG, and a language the program does not speak, it is English.
--help follows LANG as well.

The expected texts come from the translations' sources (translations/*.ts),
so that a text the code shows without passing it through the translation, or
a translation that never loads, fails here.  BIMBALO_SHOW_TREE=1 prints each
accessibility tree it reads.

    test_translations.py [--save-screenshot FILE]

--save-screenshot writes a PNG of the main window in German (for
docs/screenshot-de.png).
"""

import os
import re
import subprocess
import sys
import xml.etree.ElementTree as ET

sys.dont_write_bytecode = True  # keep the source tree clean
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import harness as h  # noqa: E402
import x11_session as x11  # noqa: E402

LANGUAGES = {"de": "de_DE.UTF-8", "fr": "fr_FR.UTF-8", "es": "es_ES.UTF-8", "ru": "ru_RU.UTF-8"}
# Texts of the main window that every language keeps: the maker's and the program's name.
KEPT = {h.MAIN_CAPTION, "Bimbalo"}
# What the main window shows in English, at the least; the rest of what it
# shows must be in the sources too.
SHOWN_IN_ENGLISH = {"File", "Exit", "Run", "Options", "Help", "Contents...", "Topic search...", "About...",
                    "Name", "Image Filename", "Sound Filename"}
# One file of a kind the default settings leave out, for the status line's note.
LEFT_OUT_NOTE = ("1 picture or sound of another kind (such as .heic or .m4a) is left out: "
                 "Options, Data turns such files on")


def plain(text):
    return re.sub(r"&(.)", r"\1", text or "")


def translations(language):
    """({English text: translated text} of every finished message, both without their "&" marks,
    {every English text})."""
    path = os.path.join(h.source_dir(), "translations", "bimbalo_%s.ts" % language)
    table, sources = {}, set()
    for message in ET.parse(path).getroot().iter("message"):
        if message.get("numerus") == "yes":
            continue
        source = plain(message.find("source").text)
        sources.add(source)
        translation = message.find("translation")
        if translation.get("type") != "unfinished" and translation.text:
            table[source] = plain(translation.text)
    return table, sources


def mnemonic(widget):
    """The Alt letter of a menu or menu item from its key binding ("Alt+D"). Qt tells an item's
    shortcut instead where it has one ("F5"): then None."""
    keys = widget.get("keys") or [""]
    match = re.fullmatch(r"Alt\+(.)", keys[0])
    return match.group(1).lower() if match else None


def main_window_texts(session, language, save_to=None):
    """Every name the main window shows (menus and their items included, opened or not), and the
    menus: {menu title: [(item, Alt letter)]}, with the menu bar's own titles under ""."""
    env = session.env
    env.pop("LANGUAGE", None)
    env.pop("LC_ALL", None)
    env.pop("LC_MESSAGES", None)
    env["LANG"] = language
    session.start_program()
    main = session.wait_window(h.MAIN_CAPTION, timeout=20)
    h.wait_for("the status line's note", lambda: [w for w in session.tree() if w["role"] == "status bar"], 10)
    tree = session.tree()
    if save_to:
        session.settled_screenshot(main)
        os.makedirs(os.path.dirname(save_to), exist_ok=True)
        session.save_png(main, save_to)
        print("saved %s (%d bytes)" % (save_to, os.path.getsize(save_to)))
    if os.environ.get("BIMBALO_SHOW_TREE"):
        print("\n".join("%s%s %r %r" % (" " * w["depth"], w["role"], w["name"], w.get("keys")) for w in tree))
    names = set()
    menus = {"": []}
    title = None
    bar_depth = None
    for w in tree:
        if w["role"] == "menu bar":
            bar_depth = w["depth"]
            continue
        if bar_depth is not None and w["depth"] <= bar_depth:
            bar_depth = None
        if w["role"] == "menu item" and bar_depth is not None:
            if w["depth"] == bar_depth + 1:
                title = w["name"]
                menus[""].append((title, mnemonic(w)))
                menus[title] = []
            elif title is not None and w["name"]:
                menus[title].append((w["name"], mnemonic(w)))
        if w["role"] in ("frame", "status bar", "label", "menu item", "push button", "button",
                         "table column header", "column header", "tool bar") and w["name"]:
            if w["role"] != "menu item" and "showing" not in w["states"]:
                continue
            names.add(w["name"])
    session.stop_program()
    return names, menus


def check_unique_letters(menus, language):
    """The menu bar's titles all have Alt letters, and no two captions of a menu share one."""
    h.check(len(menus[""]) == 3 and all(letter for _, letter in menus[""]),
            "the menu bar's titles lack Alt letters under LANG=%s: %r" % (language, menus[""]))
    h.check(any(letter for title in menus if title for _, letter in menus[title]),
            "no menu item has an Alt letter under LANG=%s: %r" % (language, menus))
    for title, items in menus.items():
        where = "the menu bar" if not title else "the %s menu" % title
        letters = [letter for _, letter in items if letter]
        h.check(len(set(letters)) == len(letters),
                "%s: the same Alt letter twice under LANG=%s: %r" % (where, language, items))


def help_text(session, language, languages=None):
    env = dict(session.env, LANG=language)
    env.pop("LANGUAGE", None)
    if languages:
        env["LANGUAGE"] = languages
    r = subprocess.run([os.path.join(session.bin, "bimbalo"), "--help"], env=env, capture_output=True, timeout=20)
    h.check(r.returncode == 0, "--help under LANG=%s ended with %d" % (language, r.returncode))
    return r.stdout.decode()


def test():
    save_to = None
    if "--save-screenshot" in sys.argv:
        save_to = os.path.abspath(sys.argv[sys.argv.index("--save-screenshot") + 1])
    english_sources = translations("de")[1]
    with x11.Session("translations") as s:
        s.write_settings(le_folder=s.datasets, rg_order=1)
        # A name that no slide's picture or sound has, so that the note counts one.
        with open(os.path.join(s.datasets, "left-out.heic"), "wb") as f:
            f.write(b"\0" * 64)

        english, menus = main_window_texts(s, "en_GB.UTF-8")
        ours = english & english_sources
        h.check(SHOWN_IN_ENGLISH <= ours, "the main window lacks %r in English" % sorted(SHOWN_IN_ENGLISH - ours))
        h.check(LEFT_OUT_NOTE in english, "no note of the file left out in English: %r" % sorted(english))
        check_unique_letters(menus, "en_GB.UTF-8")
        english_help = help_text(s, "C")

        for language, lang in LANGUAGES.items():
            table, sources = translations(language)
            h.check(sources == english_sources, "the %s translation's sources are not the others'" % language)
            h.check(set(table) == english_sources, "the %s translation leaves %r untranslated" % (
                language, sorted(english_sources - set(table))))
            shown, menus = main_window_texts(s, lang, save_to if language == "de" else None)
            expected = {table.get(text, text) for text in ours}
            h.check(expected <= shown, "under LANG=%s the main window lacks %r; it shows %r" % (
                lang, sorted(expected - shown), sorted(shown)))
            # Every other text it shows is one it shows in English as well, and kept as it is.
            for text in shown - expected:
                h.check(text in english and (text not in ours or text in KEPT),
                        "under LANG=%s the main window shows %r, which is neither kept nor translated" % (lang, text))
            check_unique_letters(menus, lang)

            # --help: the description in the language, the program by its file name.
            text = help_text(s, lang)
            h.check(text != english_help, "--help under LANG=%s is the English one" % lang)
            description = table["Bimbalo: a picture-and-sound slide show for small children.\n"
                                "Pictures and sounds of the same name make a slide; any key steps the show, "
                                "Q U I T typed in this order ends it."]
            h.check(description in text, "--help under LANG=%s lacks its description:\n%s" % (lang, text))
            first = text.splitlines()[0]
            h.check("bimbalo" in first.split() and "/" not in first,
                    "--help under LANG=%s names the program by its path: %r" % (lang, first))

        # A language without a translation, and English first in LANGUAGE, give English.
        shown, _ = main_window_texts(s, "ja_JP.UTF-8")
        h.check(ours <= shown, "under LANG=ja_JP.UTF-8 the main window lacks %r" % sorted(ours - shown))
        h.check(help_text(s, "de_DE.UTF-8", "en:de") == english_help, "LANGUAGE=en:de did not give English --help")


if __name__ == "__main__":
    sys.exit(h.run(test))
