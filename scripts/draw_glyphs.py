#!/usr/bin/env python3
"""Draws the transport bar's glyphs for a device pixel ratio of 2.

Writes src/playback/resources/glyphs/{EN,DI,CL}_<NAME>@2x.xpm, each exactly twice the
size of its 1x glyph. The shapes are described in the 1x glyphs' own pixel coordinates
(x to the right, y down, a pixel's centre at +0.5) and sampled at every device pixel's
centre, so diagonals step by one device pixel instead of two, while outlines keep the
weight of the 1x ones (one logical pixel, two device pixels).

The background is olive #808000, which the bar turns transparent, as in the 1x glyphs.

Usage: python3 scripts/draw_glyphs.py [output directory]
"""

import math
import os
import sys

SCALE = 2
OLIVE = "#808000"
BLACK = "#000000"
GREY = "#808080"
WHITE = "#FFFFFF"
FILL = {  # the coloured look's fill, per button
    "MPPLAY": "#00FF00",
    "MPPAUSE": "#FFFF00",
    "MPSTOP": "#FF0000",
    "MPRECORD": "#FF0000",
}
BLUE = "#0000FF"
LINE = 1.0  # outline width, in logical pixels


class Polygon:
    """A convex polygon, corners listed clockwise on screen (y down)."""

    def __init__(self, *corners):
        self.corners = corners

    def _edges(self):
        n = len(self.corners)
        for i in range(n):
            yield self.corners[i], self.corners[(i + 1) % n]

    def inside(self, x, y):
        for (ax, ay), (bx, by) in self._edges():
            if (bx - ax) * (y - ay) - (by - ay) * (x - ax) < 0:
                return False
        return True

    def depth(self, x, y):
        """Distance from an inside point to the nearest edge."""
        best = math.inf
        for (ax, ay), (bx, by) in self._edges():
            length = math.hypot(bx - ax, by - ay)
            best = min(best, ((bx - ax) * (y - ay) - (by - ay) * (x - ax)) / length)
        return best


class Disc:
    def __init__(self, cx, cy, r):
        self.cx, self.cy, self.r = cx, cy, r

    def inside(self, x, y):
        return math.hypot(x - self.cx, y - self.cy) < self.r

    def depth(self, x, y):
        return self.r - math.hypot(x - self.cx, y - self.cy)


def rect(left, top, right, bottom):
    return Polygon((left, top), (right, top), (right, bottom), (left, bottom))


def right_triangle(left, right, top=0.5, bottom=12.5):
    return Polygon((left, top), (right, (top + bottom) / 2), (left, bottom))


def left_triangle(left, right, top=0.5, bottom=12.5):
    return Polygon((right, top), (right, bottom), (left, (top + bottom) / 2))


# name: (1x width, 1x height, shapes); the shapes match the 1x glyphs' outlines.
GLYPHS = {
    "MPPLAY": (12, 13, [right_triangle(2, 11.5)]),
    "MPPAUSE": (12, 13, [rect(1, 1, 5, 12), rect(7, 1, 11, 12)]),
    "MPSTOP": (12, 13, [rect(2, 2, 11, 11)]),
    "MPNEXT": (21, 13, [right_triangle(1, 13), rect(15, 1, 19, 12)]),
    "MPPREV": (21, 13, [rect(1, 1, 5, 12), left_triangle(7, 19)]),
    "MPSTEP": (21, 13, [rect(1, 1, 5, 12), right_triangle(7, 19)]),
    "MPBACK": (21, 13, [left_triangle(1, 13), rect(15, 1, 19, 12)]),
    "MPRECORD": (13, 13, [Disc(6.5, 6.5, 5.5)]),
    "MPEJECT": (16, 16, [Polygon((7.5, 2), (14.5, 9), (0.5, 9)), rect(1, 11, 14, 14)]),
}


def colour_at(look, name, shapes, x, y):
    """The colour of the point (x, y) in logical coordinates."""
    for shape in shapes:
        if shape.inside(x, y):
            if look == "EN":
                return BLACK
            edge = shape.depth(x, y) < LINE
            if look == "CL":
                return BLACK if edge else FILL.get(name, BLUE)
            return GREY if edge else OLIVE
    # The disabled look's white shadow: the shapes moved one logical pixel down and right.
    if look == "DI" and any(s.inside(x - 1, y - 1) for s in shapes):
        return WHITE
    return OLIVE


def draw(look, name):
    width, height, shapes = GLYPHS[name]
    rows = []
    for j in range(height * SCALE):
        row = []
        for i in range(width * SCALE):
            row.append(colour_at(look, name, shapes, (i + 0.5) / SCALE, (j + 0.5) / SCALE))
        rows.append(row)
    return rows


def to_xpm(variable, rows):
    colours = [OLIVE]
    for row in rows:
        for c in row:
            if c not in colours:
                colours.append(c)
    chars = {OLIVE: ".", BLACK: "#", GREY: "g", WHITE: "w"}
    key = {c: chars.get(c, "f") for c in colours}
    lines = [
        "/* XPM */",
        "static const char *const %s[] = {" % variable,
        "/* columns rows colors chars-per-pixel */",
        '"%d %d %d 1",' % (len(rows[0]), len(rows), len(colours)),
    ]
    lines += ['"%s c %s",' % (key[c], c) for c in colours]
    lines.append("/* pixels */")
    body = ['"%s"' % "".join(key[c] for c in row) for row in rows]
    lines.append(",\n".join(body))
    lines.append("};")
    return "\n".join(lines) + "\n"


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    out = (
        sys.argv[1]
        if len(sys.argv) > 1
        else os.path.join(here, "..", "src", "playback", "resources", "glyphs")
    )
    for look in ("EN", "DI", "CL"):
        for name in GLYPHS:
            variable = "%s_%s_2x_xpm" % (look.lower(), name.lower())
            with open(os.path.join(out, "%s_%s@2x.xpm" % (look, name)), "w") as f:
                f.write(to_xpm(variable, draw(look, name)))


if __name__ == "__main__":
    main()
