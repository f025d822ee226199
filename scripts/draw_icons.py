#!/usr/bin/env python3
"""Draws Tunelet's palette and window pixmaps as XPM files.

Run from the repository root:  python3 scripts/draw_icons.py
It rewrites, under src/ui/resources/:
  palette/NAME.xpm and palette/NAME@2x.xpm   the input palette's 26 images
  app/readme_cubes.xpm and @2x               the documentation window's icon
  icons/NAME@2x.xpm                          32 x 32 companions of the menu icons

Every picture is drawn on its own grid: the 32 x 32 versions have their own
glyphs (thinner strokes relative to the size, rounder bowls), so that Qt's
QIcon shows real detail at a device pixel ratio of 2 instead of fat pixels.
Everything is flat colour with a transparent background, like the rest of
the program's icons.  Python standard library only.
"""

import os
import sys

ROOT = os.path.normpath(os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
RES = os.path.join(ROOT, "src", "ui", "resources")

# Colours.  The palette's digits are black, its duration marks and the @ are
# blue, its sharps purple; the menu icons use the navy ink and tile colours.
BLACK = "#000000"
BLUE = "#1C48D8"
PURPLE = "#8C1CA8"
NAVY = "#000080"
TILE = "#EEF3FC"
TILE_EDGE = "#7088B8"


class Canvas:
    """A square of pixels; each pixel is a colour string or None."""

    def __init__(self, size):
        self.w = self.h = size
        self.px = [[None] * size for _ in range(size)]

    def set(self, x, y, colour):
        if 0 <= x < self.w and 0 <= y < self.h:
            self.px[y][x] = colour

    def rect(self, x, y, w, h, colour):
        for yy in range(y, y + h):
            for xx in range(x, x + w):
                self.set(xx, yy, colour)

    def glyph(self, rows, x, y, colour, ink="#"):
        for dy, row in enumerate(rows):
            for dx, ch in enumerate(row):
                if ch == ink:
                    self.set(x + dx, y + dy, colour)

    def art(self, rows, colours, x=0, y=0):
        """Blits character art; each character maps to a colour, '.' is clear."""
        for dy, row in enumerate(rows):
            for dx, ch in enumerate(row):
                if ch != "." and ch != " ":
                    self.set(x + dx, y + dy, colours[ch])


def glyph_width(rows):
    return max(len(r) for r in rows)


# ---------------------------------------------------------------------------
# Digits.  16 x 16: 7 x 12 cells with 2-pixel strokes.  32 x 32: 13 x 22
# cells with 3-pixel stems and slightly lighter horizontals.

DIGITS16 = {
    "0": [".#####.", "#######", "##...##", "##...##", "##...##", "##...##",
          "##...##", "##...##", "##...##", "##...##", "#######", ".#####."],
    "1": ["...##..", "..###..", ".####..", "...##..", "...##..", "...##..",
          "...##..", "...##..", "...##..", "...##..", ".######", ".######"],
    "2": [".#####.", "#######", "##...##", ".....##", "....###", "...###.",
          "..###..", ".###...", "###....", "##.....", "#######", "#######"],
    "3": [".#####.", "#######", "##...##", ".....##", ".....##", "..####.",
          "..####.", ".....##", ".....##", "##...##", "#######", ".#####."],
    "4": ["....##.", "...###.", "..####.", ".##.##.", "##..##.", "##..##.",
          "#######", "#######", "....##.", "....##.", "....##.", "....##."],
    "5": ["#######", "#######", "##.....", "##.....", "######.", "#######",
          ".....##", ".....##", ".....##", "##...##", "#######", ".#####."],
    "6": ["..####.", ".######", "##.....", "##.....", "##.....", "######.",
          "#######", "##...##", "##...##", "##...##", "#######", ".#####."],
    "7": ["#######", "#######", ".....##", "....##.", "....##.", "...##..",
          "...##..", "..##...", "..##...", "..##...", "..##...", "..##..."],
    "8": [".#####.", "#######", "##...##", "##...##", "##...##", ".#####.",
          "#######", "##...##", "##...##", "##...##", "#######", ".#####."],
    "9": [".#####.", "#######", "##...##", "##...##", "##...##", "#######",
          ".######", ".....##", ".....##", ".....##", "######.", ".####.."],
}

# "10" needs a narrow 1 and a narrow 0 to fit one button.
ONE16_NARROW = ["..##", ".###", "####", "..##", "..##", "..##",
                "..##", "..##", "..##", "..##", "..##", "..##"]
ZERO16_NARROW = [".####.", "######", "##..##", "##..##", "##..##", "##..##",
                 "##..##", "##..##", "##..##", "##..##", "######", ".####."]


def rep(row, n):
    return [row] * n


DIGITS32 = {
    "0": ["...#######...", "..#########..", ".####...####.", ".###.....###."]
    + rep("###.......###", 14)
    + [".###.....###.", ".####...####.", "..#########..", "...#######..."],
    "1": [".....###.....", "....####.....", "...#####.....", "..######.....",
          "..##.###....."]
    + rep(".....###.....", 15)
    + ["..#########..", "..#########.."],
    "2": ["...#######...", ".###########.", "####.....####", "###.......###",
          "..........###", "..........###", "..........###", ".........####",
          "........####.", ".......####..", "......####...", ".....####....",
          "....####.....", "...####......", "..####.......", ".####........",
          "####.........", "###..........", "###..........", "#############",
          "#############", "#############"],
    "3": ["...#######...", ".###########.", "####.....####", "###.......###",
          "..........###", "..........###", "..........###", ".........####",
          "....########.", "....#######..", "....########.", ".........####"]
    + rep("..........###", 6)
    + ["###.......###", "####.....####", ".###########.", "...#######..."],
    "4": ["........###..", ".......####..", "......#####..", ".....######..",
          "....###.###..", "...###..###..", "...###..###..", "..###...###..",
          "..###...###..", ".###....###..", ".###....###..", "###.....###..",
          "###.....###..", "###.....###..", "#############", "#############",
          "#############"]
    + rep("........###..", 5),
    "5": [".############", ".############", ".###.........", ".###.........",
          ".###.........", ".###.........", ".##########..", ".###########.",
          ".........####"]
    + rep("..........###", 9)
    + ["###.......###", "####.....####", ".###########.", "...#######..."],
    "6": ["....########.", "..##########.", ".####........", ".###.........",
          "###..........", "###..........", "###..........", "###..#####...",
          "###########..", "#####...####.", "####.....####"]
    + rep("###.......###", 7)
    + ["####.....####", ".###########.", "..#########..", "....#####...."],
    "7": ["#############", "#############", ".........####", ".........###.",
          "........####.", "........###..", ".......####..", ".......###...",
          "......####...", "......###....", ".....####....", ".....###.....",
          ".....###.....", "....####.....", "....###......", "....###......",
          "....###......"]
    + rep("....###......", 5),
    "8": ["...#######...", "..#########..", ".####...####.", ".###.....###.",
          ".###.....###.", ".###.....###.", ".####...####.", "..#########..",
          "...#######...", "..#########..", ".####...####.", "####.....####"]
    + rep("###.......###", 6)
    + ["####.....####", ".###########.", "..#########..", "...#######..."],
    "9": ["....#####....", "..#########..", ".###########.", "####.....####"]
    + rep("###.......###", 7)
    + ["####.....####", ".####...#####", "..###########", "...#####..###",
       "..........###", "..........###", "..........###", ".........###.",
       "........####.", ".##########..", ".########...."],
}

ONE32_NARROW = ["....###", "...####", "..#####", ".######", "###.###", "##..###"] \
    + rep("....###", 16)
ZERO32_NARROW = ["...#####...", ".#########.", "####...####"] + rep("###.....###", 16) \
    + ["####...####", ".#########.", "...#####..."]


def check_glyphs():
    for name, table, w, h in (("16", DIGITS16, 7, 12), ("32", DIGITS32, 13, 22)):
        for d, rows in table.items():
            if len(rows) != h or any(len(r) != w for r in rows):
                sys.exit("digit %s at %s is not %d x %d" % (d, name, w, h))


def draw_digit(c, d, colour):
    if c.w == 16:
        c.glyph(DIGITS16[d], 4, 2, colour)
    else:
        c.glyph(DIGITS32[d], 9, 5, colour)


def draw_ten(c, colour):
    if c.w == 16:
        c.glyph(ONE16_NARROW, 2, 2, colour)
        c.glyph(ZERO16_NARROW, 8, 2, colour)
    else:
        c.glyph(ONE32_NARROW, 5, 5, colour)
        c.glyph(ZERO32_NARROW, 15, 5, colour)


# ---------------------------------------------------------------------------
# Sharps.  The musical sharp: two upright stems, two thick bars rising to
# the right, crossing them.

def draw_sharp(c, x, y, w, h, stem, bar, stems_at, bars_at, slope_run, colour,
               right_stem_raise=1):
    """Draws a sharp in the box (x, y, w, h).

    stems_at: x offsets of the two stems; bars_at: y offsets (at the box's
    left edge) of the two bars' tops; a bar rises one pixel every slope_run
    columns.  The right stem sits right_stem_raise pixels higher.
    """
    for i, sx in enumerate(stems_at):
        top = 0 if i == 1 else right_stem_raise
        bottom = h - right_stem_raise if i == 1 else h
        c.rect(x + sx, y + top, stem, bottom - top, colour)
    for by in bars_at:
        for dx in range(w):
            top = by - dx // slope_run
            c.rect(x + dx, y + top, 1, bar, colour)


SHARP16 = [
    "......##..",
    "..##..##..",
    "..##..##..",
    "..##..####",
    "..########",
    "########..",
    "####..##..",
    "..##..##..",
    "..##..####",
    "..########",
    "########..",
    "####..##..",
    "..##..##..",
    "..##......",
]

SMALL_SHARP16 = [
    ".#.#.",
    ".#.##",
    ".###.",
    "##.#.",
    ".#.##",
    ".###.",
    "##.#.",
    ".#.#.",
]


def draw_sharp_sign(c):
    if c.w == 16:
        c.glyph(SHARP16, 3, 1, PURPLE)
    else:
        # 20 x 28: stems 3 wide, bars 4 thick rising 1 in 3.
        draw_sharp(c, 6, 2, 20, 28, 3, 4, (5, 12), (10, 20), 3, PURPLE, 2)


def draw_small_sharp(c):
    if c.w == 16:
        c.glyph(SMALL_SHARP16, 0, 1, PURPLE)
    else:
        draw_sharp(c, 1, 2, 11, 15, 2, 3, (3, 7), (5, 11), 3, PURPLE, 1)


def draw_sharp_digit(c, d):
    draw_small_sharp(c)
    if c.w == 16:
        c.glyph(DIGITS16[d], 8, 3, BLACK)
    else:
        c.glyph(DIGITS32[d], 16, 7, BLACK)


# ---------------------------------------------------------------------------
# The at sign.

AT16 = [
    "....#####....",
    "..#########..",
    ".##.......##.",
    "##.........##",
    "##...####..##",
    "##..#####..##",
    "##.##..##..##",
    "##.##..##..##",
    "##.##..##..##",
    "##..#######..",
    "##...###.##..",
    ".##..........",
    "..#########..",
    "....#####....",
]


def draw_at(c):
    if c.w == 16:
        c.glyph(AT16, 1, 1, BLUE)
        return
    # 32 x 32: an outer ring open at the lower right, an inner "a".
    cx, cy = 15.5, 15.5
    for y in range(32):
        for x in range(32):
            dx, dy = x - cx, y - cy
            r2 = dx * dx + dy * dy
            # outer ring, 3 pixels wide, open in the lower right quarter
            if 11.0 ** 2 <= r2 <= 14.2 ** 2 and not (dx > 1 and dy > 2):
                c.set(x, y, BLUE)
            # the bowl of the "a"
            ax, ay = x - 14.0, y - 15.5
            ar2 = ax * ax + ay * ay
            if 3.0 ** 2 <= ar2 <= 6.2 ** 2:
                c.set(x, y, BLUE)
    # the stem of the "a" and the tail that sweeps into the outer ring
    c.rect(18, 9, 3, 13, BLUE)
    c.rect(19, 19, 5, 3, BLUE)
    c.rect(23, 16, 3, 5, BLUE)
    c.rect(25, 13, 3, 5, BLUE)


# ---------------------------------------------------------------------------
# Duration marks of numbered notation: a block, dashes after it, bars under
# it, a dot beside it.

def beat(c, dashes=0, bars=0, dot=False, colour=BLUE):
    if c.w == 16:
        bw, bh = 4, 9           # the block
        dw, dh, dgap = 3, 2, 1  # a dash
        barw, barh, bargap = 6, 1, 1
        dots = 2
    else:
        bw, bh = 8, 18
        dw, dh, dgap = 5, 3, 2
        barw, barh, bargap = 12, 2, 2
        dots = 4
    s = c.w
    # horizontal extent of the row: block, then dashes or the dot
    width = bw + dashes * (dgap + dw) + ((dgap + 1 + dots) if dot else 0)
    if bars:
        width = max(width, barw)
    x0 = (s - width) // 2
    # vertical extent: block, then the bars
    height = bh + bars * (bargap + barh)
    y0 = (s - height + 1) // 2
    bx = x0 + (barw - bw) // 2 if bars else x0
    c.rect(bx, y0, bw, bh, colour)
    mid = y0 + (bh - dh) // 2
    x = bx + bw
    for _ in range(dashes):
        x += dgap
        c.rect(x, mid, dw, dh, colour)
        x += dw
    if dot:
        x += dgap + 1
        dy = y0 + (bh - dots) // 2
        if dots > 2:
            # a round dot: a square with its corners taken off
            c.rect(x + 1, dy, dots - 2, dots, colour)
            c.rect(x, dy + 1, dots, dots - 2, colour)
        else:
            c.rect(x, dy, dots, dots, colour)
    y = y0 + bh
    for _ in range(bars):
        y += bargap
        c.rect(x0, y, barw, barh, colour)
        y += barh


# ---------------------------------------------------------------------------
# Three stacked cubes for the documentation window.

CUBE_COLOURS = {
    "red": ("#F8A8A0", "#E03828", "#901810"),
    "green": ("#B0F0A0", "#30B030", "#106010"),
    "blue": ("#B0C8FF", "#3060E0", "#102890"),
}


def cube(c, x, y, s, d, colours, outline=NAVY):
    """An oblique cube: front face s x s at (x, y + d), depth d up and right."""
    top, front, side = colours
    for py in range(y, y + d + s + 1):
        for px in range(x, x + s + d + 1):
            # front face (including its border)
            if x <= px <= x + s and y + d <= py <= y + d + s:
                edge = px in (x, x + s) or py in (y + d, y + d + s)
                c.set(px, py, outline if edge else front)
                continue
            # top face: rows above the front face, shifted right
            if y <= py < y + d:
                shift = (y + d) - py
                if x + shift <= px <= x + s + shift:
                    edge = py == y or px in (x + shift, x + s + shift)
                    c.set(px, py, outline if edge else top)
                    continue
            # side face: columns right of the front face, shifted up
            if x + s < px <= x + s + d:
                shift = px - (x + s)
                if y + d - shift <= py <= y + d + s - shift:
                    edge = px == x + s + d or py in (y + d - shift, y + d + s - shift)
                    c.set(px, py, outline if edge else side)


def draw_cubes(c):
    if c.w == 16:
        # top cube behind, the two lower cubes in front of it
        cube(c, 4, 0, 5, 2, CUBE_COLOURS["red"])
        cube(c, 0, 7, 5, 2, CUBE_COLOURS["blue"])
        cube(c, 7, 7, 5, 2, CUBE_COLOURS["green"])
    else:
        cube(c, 8, 1, 11, 4, CUBE_COLOURS["red"])
        cube(c, 1, 16, 11, 4, CUBE_COLOURS["blue"])
        cube(c, 15, 16, 11, 4, CUBE_COLOURS["green"])


# ---------------------------------------------------------------------------
# Output.

def xpm_text(var, c):
    colours = []
    for row in c.px:
        for p in row:
            if p is not None and p not in colours:
                colours.append(p)
    keys = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789"
    if len(colours) > len(keys):
        sys.exit("too many colours in " + var)
    key = {None: " "}
    lines = ["/* XPM */",
             "static const char *const %s[] = {" % var,
             "/* columns rows colors chars-per-pixel */",
             '"%d %d %d 1",' % (c.w, c.h, len(colours) + 1),
             '"  c None",']
    for i, col in enumerate(colours):
        key[col] = keys[i]
        lines.append('"%s c %s",' % (keys[i], col))
    lines.append("/* pixels */")
    rows = ['"' + "".join(key[p] for p in row) + '"' for row in c.px]
    lines.append(",\n".join(rows))
    lines.append("};")
    return "\n".join(lines) + "\n"


def write(folder, name, draw):
    os.makedirs(os.path.join(RES, folder), exist_ok=True)
    for size, suffix in ((16, ""), (32, "@2x")):
        c = Canvas(size)
        draw(c)
        var = name + ("_2x" if suffix else "") + "_xpm"
        path = os.path.join(RES, folder, name + suffix + ".xpm")
        with open(path, "w", newline="\n") as f:
            f.write(xpm_text(var, c))


def palette():
    """The input palette's image list, in index order."""
    items = [
        ("digit_1", lambda c: draw_digit(c, "1", BLACK)),
        ("digit_10", lambda c: draw_ten(c, BLACK)),
    ]
    for d in "2345678":
        items.append(("digit_" + d, lambda c, d=d: draw_digit(c, d, BLACK)))
    items += [
        ("beat_bar1", lambda c: beat(c, bars=1)),
        ("beat_bar2", lambda c: beat(c, bars=2)),
        ("beat_bar3", lambda c: beat(c, bars=3)),
        ("beat_dash1", lambda c: beat(c, dashes=1)),
        ("beat_dash2", lambda c: beat(c, dashes=2)),
        ("beat_dash3", lambda c: beat(c, dashes=3)),
        ("beat_block", lambda c: beat(c)),
        ("beat_dot", lambda c: beat(c, dot=True)),
        ("digit_9", lambda c: draw_digit(c, "9", BLACK)),
        ("digit_0", lambda c: draw_digit(c, "0", BLACK)),
        ("at_sign", draw_at),
    ]
    for d in "12456":
        items.append(("sharp_" + d, lambda c, d=d: draw_sharp_digit(c, d)))
    items.append(("sharp_sign", draw_sharp_sign))
    return items


def main():
    check_glyphs()
    items = palette()
    assert len(items) == 26
    for name, draw in items:
        write("palette", name, draw)
    write("app", "readme_cubes", draw_cubes)


if __name__ == "__main__":
    main()
