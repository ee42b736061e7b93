"""Finds widgets on the accessibility bus by name and role, and presses them.

Runs inside the session it drives (its D-Bus session bus, as the session's
user), so the harness starts it as a command and reads its JSON answer:

    a11y_client.py find  --name Run --role "push button" [--app Bimbalo] [--all]
    a11y_client.py press --name Run --role "push button" [--action Press]
    a11y_client.py find  --role "tree|table|list"
    a11y_client.py dump  [--app Bimbalo]

find prints a list of the matches; press prints the one it pressed.  Only
widgets that are showing count, unless --all is given; press wants exactly
one match.  Names compare without their mnemonic marks ("&File" is "File");
a widget without a name is found by its role alone, and --role takes
alternatives separated by "|".  A table, tree or list also tells its rows
and which of them are selected.  Exit code 2 means nothing (or too much)
matched, 1 any other trouble.
"""

import argparse
import json
import re
import sys
import warnings

import gi

gi.require_version("Atspi", "2.0")
from gi.repository import Atspi, Gio, GLib  # noqa: E402

# Against a tree that leads back into itself.
MAX_DEPTH = 30


def each_action(acc, read):
    """read(acc, i) for each of the widget's actions; none for a widget without the Action interface."""
    if "Action" not in acc.get_interfaces():
        return []
    # Deprecated in this libatspi, which has nothing else to read actions with.
    with warnings.catch_warnings():
        warnings.simplefilter("ignore", DeprecationWarning)
        return [read(acc, i) for i in range(acc.get_n_actions())]


def action_names(acc):
    return each_action(acc, Atspi.Accessible.get_action_name)


def key_bindings(acc):
    """The keys of each action as the widget tells them: a menu item's shortcut where it has one,
    else its mnemonic ("Alt+D")."""
    return each_action(acc, Atspi.Accessible.get_key_binding)


def plain_name(text):
    """The name as shown: without the "&" that marks a mnemonic ("&&" is a plain "&")."""
    return re.sub(r"&(.)", r"\1", text or "")


def describe(acc):
    interfaces = acc.get_interfaces()
    extents = None
    if "Component" in interfaces:
        # Relative to the widget's own top-level window, as a screenshot of that window shows it.
        ext = acc.get_extents(Atspi.CoordType.WINDOW)
        extents = [ext.x, ext.y, ext.width, ext.height]
    table = {}
    if "Table" in interfaces:
        table = {"rows": acc.get_n_rows(), "columns": acc.get_n_columns(),
                 "selected_rows": sorted(acc.get_selected_rows())}
    return dict({
        "name": plain_name(acc.get_name()),
        "role": acc.get_role_name(),
        "states": sorted(Atspi.StateType(s).value_nick for s in acc.get_state_set().get_states()),
        "actions": action_names(acc),
        "keys": key_bindings(acc),
        "extents": extents,
        "app": acc.get_application().get_name(),
        "bus_name": acc.app.bus_name,
        "path": acc.path,
    }, **table)


def walk(acc, depth=0):
    yield acc, depth
    if depth >= MAX_DEPTH:
        return
    try:
        children = [acc.get_child_at_index(i) for i in range(acc.get_child_count())]
    except GLib.Error:
        # Gone while we looked: a window that just closed.
        return
    for child in children:
        if child is not None:
            yield from walk(child, depth + 1)


def applications(app_name):
    desktop = Atspi.get_desktop(0)
    for i in range(desktop.get_child_count()):
        app = desktop.get_child_at_index(i)
        if app is not None and (app_name is None or app.get_name() == app_name):
            yield app


def showing(acc):
    states = acc.get_state_set()
    return states.contains(Atspi.StateType.SHOWING) and states.contains(Atspi.StateType.VISIBLE)


def find(args):
    name = None if args.name is None else plain_name(args.name)
    roles = args.role.split("|") if args.role else None
    found = []
    for app in applications(args.app):
        for acc, _ in walk(app):
            try:
                if name is not None and plain_name(acc.get_name()) != name:
                    continue
                if roles and acc.get_role_name() not in roles:
                    continue
                if args.all or showing(acc):
                    found.append(acc)
            except GLib.Error:
                continue
    return found


def do_action_later(acc, action_name):
    """Asks for the action without waiting for the answer: a button that opens a
    modal window answers only once that window has closed."""
    names = action_names(acc)
    if action_name is None:
        if not names:
            raise LookupError("%r has no actions" % acc.get_name())
        index = 0
    elif action_name in names:
        index = names.index(action_name)
    else:
        raise LookupError("%r has no action %r, only %r" % (acc.get_name(), action_name, names))
    session = Gio.bus_get_sync(Gio.BusType.SESSION, None)
    address = session.call_sync("org.a11y.Bus", "/org/a11y/bus", "org.a11y.Bus", "GetAddress", None,
                                GLib.VariantType("(s)"), Gio.DBusCallFlags.NONE, 5000, None).unpack()[0]
    bus = Gio.DBusConnection.new_for_address_sync(
        address, Gio.DBusConnectionFlags.AUTHENTICATION_CLIENT | Gio.DBusConnectionFlags.MESSAGE_BUS_CONNECTION,
        None, None)
    msg = Gio.DBusMessage.new_method_call(acc.app.bus_name, acc.path, "org.a11y.atspi.Action", "DoAction")
    msg.set_body(GLib.Variant("(i)", (index,)))
    msg.set_flags(Gio.DBusMessageFlags.NO_REPLY_EXPECTED)
    bus.send_message(msg, Gio.DBusSendMessageFlags.NONE)
    bus.flush_sync(None)
    bus.close_sync(None)
    return names[index]


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("command", choices=("find", "press", "dump"))
    parser.add_argument("--name")
    parser.add_argument("--role")
    parser.add_argument("--app")
    parser.add_argument("--action")
    parser.add_argument("--all", action="store_true")
    args = parser.parse_args()

    if args.command == "dump":
        tree = []
        for app in applications(args.app):
            for acc, depth in walk(app):
                tree.append(dict(describe(acc), depth=depth))
        print(json.dumps(tree, indent=1))
        return 0

    if args.name is None and args.role is None:
        parser.error("--name or --role is needed")
    found = find(args)
    if args.command == "find":
        print(json.dumps([describe(a) for a in found], indent=1))
        return 0
    if len(found) != 1:
        print(json.dumps([describe(a) for a in found], indent=1))
        sys.stderr.write("%d widgets%s%s\n" % (len(found), " named %r" % args.name if args.name is not None else "",
                                                 " of role %r" % args.role if args.role else ""))
        return 2
    pressed = dict(describe(found[0]), action=do_action_later(found[0], args.action))
    print(json.dumps(pressed, indent=1))
    return 0


if __name__ == "__main__":
    try:
        sys.exit(main())
    except (LookupError, GLib.Error) as e:
        sys.stderr.write("%s\n" % e)
        sys.exit(1)
