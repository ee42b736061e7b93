"""A long-lived client of a headless GNOME Shell's D-Bus interfaces for the tests.

Reads one command a line on stdin and answers one line on stdout:
  key CODE 1|0        an evdev key pressed or released through a remote desktop session
  button CODE 1|0     a pointer button (evdev code, 272 is the left one)
  motion DX DY        the pointer moved by so much
  windows             the shell's windows as JSON: title, app-id, has-focus, width, height
  screenshot PATH     the whole screen into a PNG file
Answers are "ok ...", or "error ..." with the D-Bus error.

It owns the names the shell's screenshot and introspection interfaces answer
(a screenshot tool's, a portal's), and its remote desktop session lives for
as long as it does.
"""

import json
import sys

from gi.repository import Gio, GLib

SHELL = "org.gnome.Shell"
MUTTER_RD = "org.gnome.Mutter.RemoteDesktop"


def own(bus, name):
    # DO_NOT_QUEUE: either we have the name at once or the call says why not.
    reply = bus.call_sync("org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus", "RequestName",
                          GLib.Variant("(su)", (name, 4)), GLib.VariantType("(u)"), 0, -1, None)
    return reply.unpack()[0] in (1, 4)


def call(bus, dest, path, iface, method, args=None, reply=None, timeout=10000):
    return bus.call_sync(dest, path, iface, method, args, GLib.VariantType(reply) if reply else None, 0, timeout,
                         None)


class Desktop:
    def __init__(self):
        self.bus = Gio.bus_get_sync(Gio.BusType.SESSION, None)
        for name in ("org.gnome.Screenshot", "org.freedesktop.impl.portal.desktop.gnome"):
            own(self.bus, name)
        self.session = None

    def remote(self):
        if self.session is None:
            path = call(self.bus, MUTTER_RD, "/org/gnome/Mutter/RemoteDesktop", MUTTER_RD, "CreateSession",
                        None, "(o)").unpack()[0]
            call(self.bus, MUTTER_RD, path, MUTTER_RD + ".Session", "Start")
            self.session = path
        return self.session

    def key(self, code, pressed):
        call(self.bus, MUTTER_RD, self.remote(), MUTTER_RD + ".Session", "NotifyKeyboardKeycode",
             GLib.Variant("(ub)", (code, pressed)))

    def button(self, code, pressed):
        call(self.bus, MUTTER_RD, self.remote(), MUTTER_RD + ".Session", "NotifyPointerButton",
             GLib.Variant("(ib)", (code, pressed)))

    def motion(self, dx, dy):
        call(self.bus, MUTTER_RD, self.remote(), MUTTER_RD + ".Session", "NotifyPointerMotionRelative",
             GLib.Variant("(dd)", (dx, dy)))

    def windows(self):
        found = call(self.bus, SHELL, "/org/gnome/Shell/Introspect", SHELL + ".Introspect", "GetWindows", None,
                     "(a{ta{sv}})").unpack()[0]
        return [dict(v, id=k) for k, v in found.items()]

    def screenshot(self, path):
        ok, written = call(self.bus, SHELL, "/org/gnome/Shell/Screenshot", SHELL + ".Screenshot", "Screenshot",
                           GLib.Variant("(bbs)", (False, False, path)), "(bs)", timeout=20000).unpack()
        if not ok:
            raise RuntimeError("the shell wrote no screenshot")
        return written


def main():
    desktop = Desktop()
    print("ready", flush=True)
    for line in sys.stdin:
        words = line.split()
        if not words:
            continue
        try:
            if words[0] == "key":
                desktop.key(int(words[1]), words[2] == "1")
                answer = "ok"
            elif words[0] == "button":
                desktop.button(int(words[1]), words[2] == "1")
                answer = "ok"
            elif words[0] == "motion":
                desktop.motion(float(words[1]), float(words[2]))
                answer = "ok"
            elif words[0] == "windows":
                answer = "ok " + json.dumps(desktop.windows())
            elif words[0] == "screenshot":
                answer = "ok " + desktop.screenshot(words[1])
            else:
                answer = "error unknown command " + words[0]
        except (GLib.Error, RuntimeError, ValueError, IndexError) as e:
            answer = "error " + str(e).replace("\n", " ")
        print(answer, flush=True)


if __name__ == "__main__":
    main()
