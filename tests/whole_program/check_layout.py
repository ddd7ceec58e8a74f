#!/usr/bin/env python3
"""Checks on a screenshot that every control of the window sits where the
window's description puts it, before any picture is shown.

    check_layout.py SCREEN.rgb SCREEN_WIDTH CLIENT_X CLIENT_Y CLIENT_WIDTH CLIENT_HEIGHT < LAYOUT

SCREEN.rgb holds the screen's pixels, 3 bytes each, rows top down.
LAYOUT is what `inspect_window layout` prints: a line per control (name,
kind, left, top, width, height in pixels, shown) and the system's window
and button-face colours. Just inside each edge of a shown control the
screen must not show the window's colour (the control is opaque: button
face, its text or its frame), and just outside each edge it must, unless
another control or the edge of the client area is there. Prints each
control that fails; exit status 1 if any does.
"""

import sys

CHECK_BOX, OPTION_BUTTON, COMMAND_BUTTON, LABEL, TEXT_BOX = range(5)


def main():
    path, width, cx, cy, client_w, client_h = sys.argv[1], *map(int, sys.argv[2:7])
    pixels = open(path, "rb").read()
    controls, colours = [], {}
    for line in sys.stdin:
        fields = line.rstrip("\n").split("\t")
        if fields[0] == "control":
            name, kind, x, y, w, h, shown = fields[1], *map(int, fields[2:8])
            controls.append((name, kind, x, y, w, h, shown))
        elif len(fields) == 2:
            colours[fields[0]] = bytes.fromhex(fields[1])
    window = colours["window-colour"]
    shown = [c for c in controls if c[6]]

    def pixel(x, y):
        at = 3 * ((cy + y) * width + cx + x)
        return pixels[at:at + 3]

    def covered(x, y):
        return any(c[2] <= x < c[2] + c[4] and c[3] <= y < c[3] + c[5] for c in shown)

    def in_client(x, y):
        return 0 <= x < client_w and 0 <= y < client_h

    def covered_by_another(name, x, y):
        return any(c[0] != name and c[2] <= x < c[2] + c[4] and c[3] <= y < c[3] + c[5] for c in shown)

    failures = 0
    for name, kind, x, y, w, h, _ in shown:
        mx, my = x + w // 2, y + h // 2
        # From the middle of each edge inwards, the first pixels: the
        # control's frame or face. Check boxes and option buttons have
        # their white box at the left, so their left edge is not looked at.
        inwards = [((mx, y), (0, 1)), ((mx, y + h - 1), (0, -1)), ((x + w - 1, my), (-1, 0))]
        if kind not in (CHECK_BOX, OPTION_BUTTON):
            inwards.append(((x, my), (1, 0)))
        wrong = []
        for (px, py), (dx, dy) in inwards:
            if not in_client(px, py) or covered_by_another(name, px, py):
                continue
            if all(pixel(px + i * dx, py + i * dy) == window for i in range(4)):
                wrong.append((px, py))
        outside = [(x - 2, my), (x + w + 1, my), (mx, y - 2), (mx, y + h + 1)]
        wrong += [p for p in outside if in_client(*p) and not covered(*p) and pixel(*p) != window]
        if wrong:
            failures += 1
            print(f"{name}: not where the description puts it ({x}, {y}, {w} x {h}); wrong at {wrong}")
    print(f"{len(shown) - failures} of {len(shown)} shown controls in place")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
