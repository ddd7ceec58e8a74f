#!/usr/bin/python3
"""Reads the program's widgets through the accessibility bus (AT-SPI), for
the whole-program tests: what a screen reader would tell a person.

    accessible.py ready              wait until the accessibility bus answers
    accessible.py buttons PID        each push button: name, a tab, key binding
    accessible.py dialog-texts PID   the texts shown in the program's dialogs
    accessible.py sides PID          the results window's figures per side:
                                     each row's title, then its cells, by tabs

The name of a button is its caption without the "&"; the key binding names
the access key the "&" gives (Alt+D for "&Débuter").
"""

import sys

import gi

gi.require_version("Atspi", "2.0")
from gi.repository import Atspi  # noqa: E402


def application(pid):
    desktop = Atspi.get_desktop(0)
    for i in range(desktop.get_child_count()):
        app = desktop.get_child_at_index(i)
        if app is not None and app.get_process_id() == pid:
            return app
    sys.exit(f"no application with process {pid} on the accessibility bus")


def descendants(node):
    for i in range(node.get_child_count()):
        child = node.get_child_at_index(i)
        if child is None:
            continue
        yield child
        yield from descendants(child)


def key_binding(node):
    if "Action" not in node.get_interfaces() or Atspi.Action.get_n_actions(node) == 0:
        return ""
    return Atspi.Action.get_key_binding(node, 0)


def main():
    command = sys.argv[1]
    if command == "ready":
        Atspi.get_desktop(0).get_child_count()
        return
    app = application(int(sys.argv[2]))
    if command == "buttons":
        for node in descendants(app):
            if node.get_role() == Atspi.Role.PUSH_BUTTON:
                print(f"{node.get_name()}\t{key_binding(node)}")
    elif command == "dialog-texts":
        for window in descendants(app):
            if window.get_role() in (Atspi.Role.DIALOG, Atspi.Role.ALERT):
                for node in descendants(window):
                    if node.get_role() == Atspi.Role.LABEL and node.get_name():
                        print(node.get_name())
    elif command == "sides":
        for node in descendants(app):
            if node.get_role() == Atspi.Role.TABLE and node.get_name() == "Gauche et droite":
                for row in range(Atspi.Table.get_n_rows(node)):
                    cells = [Atspi.Table.get_row_description(node, row)]
                    for column in range(Atspi.Table.get_n_columns(node)):
                        cells.append(Atspi.Table.get_accessible_at(node, row, column).get_name())
                    print("\t".join(cells))
    else:
        sys.exit(f"unknown command {command}")


if __name__ == "__main__":
    main()
