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


def epx(rows):
    """Doubles a 1x glyph with the EPX rule: every pixel becomes four, and a corner
    of the four is filled or cleared by its neighbours, so diagonal steps come out
    smooth while the strokes keep their weight, twice as wide."""
    h, w = len(rows), len(rows[0])

    def at(x, y):
        return rows[y][x] if 0 <= x < w and 0 <= y < h else "."

    out = [[""] * (2 * w) for _ in range(2 * h)]
    for y in range(h):
        for x in range(w):
            p, a, b, c, d = at(x, y), at(x, y - 1), at(x + 1, y), at(x - 1, y), at(x, y + 1)
            corners = [p, p, p, p]
            if c == a and c != d and a != b:
                corners[0] = a
            if a == b and a != c and b != d:
                corners[1] = b
            if d == c and d != b and c != a:
                corners[2] = c
            if b == d and b != a and d != c:
                corners[3] = d
            out[2 * y][2 * x], out[2 * y][2 * x + 1] = corners[0], corners[1]
            out[2 * y + 1][2 * x], out[2 * y + 1][2 * x + 1] = corners[2], corners[3]
    return ["".join(r) for r in out]


# The palette's digits at 2x: the 1x digits doubled, so they stay as bold as at 1x.
PALETTE_DIGITS32 = {d: epx(rows) for d, rows in DIGITS16.items()}
PALETTE_ONE32_NARROW = epx(ONE16_NARROW)
PALETTE_ZERO32_NARROW = epx(ZERO16_NARROW)


def check_glyphs():
    for name, table, w, h in (("16", DIGITS16, 7, 12), ("32", DIGITS32, 13, 22)):
        for d, rows in table.items():
            if len(rows) != h or any(len(r) != w for r in rows):
                sys.exit("digit %s at %s is not %d x %d" % (d, name, w, h))


def draw_digit(c, d, colour):
    if c.w == 16:
        c.glyph(DIGITS16[d], 4, 2, colour)
    else:
        c.glyph(PALETTE_DIGITS32[d], 8, 4, colour)


def draw_ten(c, colour, palette=True):
    if c.w == 16:
        c.glyph(ONE16_NARROW, 2, 2, colour)
        c.glyph(ZERO16_NARROW, 8, 2, colour)
    elif palette:
        c.glyph(PALETTE_ONE32_NARROW, 4, 4, colour)
        c.glyph(PALETTE_ZERO32_NARROW, 16, 4, colour)
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
        c.glyph(PALETTE_DIGITS32[d], 16, 6, BLACK)


# ---------------------------------------------------------------------------
# The at sign.

AT16 = [
    "...#######...",
    ".###########.",
    "###.......###",
    "##...####..##",
    "##..#####..##",
    "##.##..##..##",
    "##.##..##..##",
    "##.##..##..##",
    "##..########.",
    "###..........",
    ".####........",
    "..#########..",
    "....######...",
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
        cube(c, 3, 0, 6, 2, CUBE_COLOURS["red"])
        cube(c, 0, 7, 6, 2, CUBE_COLOURS["blue"])
        cube(c, 7, 7, 6, 2, CUBE_COLOURS["green"])
    else:
        cube(c, 8, 1, 11, 4, CUBE_COLOURS["red"])
        cube(c, 1, 16, 11, 4, CUBE_COLOURS["blue"])
        cube(c, 15, 16, 11, 4, CUBE_COLOURS["green"])


# ---------------------------------------------------------------------------
# 32 x 32 companions of the menu and tool bar icons.  Shapes are filled by
# testing pixel centres; outlines are the shape's own border pixels, which
# gives one-pixel, eight-connected outlines like hand-drawn pixel art.

def in_polygon(pts, x, y):
    inside = False
    n = len(pts)
    for i in range(n):
        x1, y1 = pts[i]
        x2, y2 = pts[(i + 1) % n]
        if (y1 > y) != (y2 > y):
            if x < x1 + (y - y1) * (x2 - x1) / (y2 - y1):
                inside = not inside
    return inside


def polygon(pts):
    return lambda x, y: in_polygon(pts, x, y)


def shape(c, inside, fill, outline=None):
    """Paints the pixels whose centres satisfy inside(x, y)."""
    def hit(px, py):
        return 0 <= px < c.w and 0 <= py < c.h and inside(px + 0.5, py + 0.5)
    for py in range(c.h):
        for px in range(c.w):
            if not hit(px, py):
                continue
            edge = outline is not None and not (
                hit(px - 1, py) and hit(px + 1, py) and hit(px, py - 1) and hit(px, py + 1))
            colour = outline if edge else fill
            if colour is not None:
                c.set(px, py, colour)


def tile32(c):
    def inside(x, y):
        if not (2 <= x <= 30 and 2 <= y <= 30):
            return False
        cx = min(max(x, 5.5), 26.5)
        cy = min(max(y, 5.5), 26.5)
        return (x - cx) ** 2 + (y - cy) ** 2 <= 3.6 ** 2
    shape(c, inside, TILE, TILE_EDGE)


def octave2x(n):
    def draw(c):
        tile32(c)
        if n == 10:
            draw_ten(c, NAVY, palette=False)
        else:
            c.glyph(DIGITS32[str(n)], 9, 5, NAVY)
    return draw


def beat2x(dashes=0, bars=0, dot=False):
    """The menu's duration marks keep their left-aligned layout."""
    def draw(c):
        c.rect(0, 4, 8, 14, NAVY)
        x = 8
        for _ in range(dashes):
            c.rect(x + 2, 10, 6, 2, NAVY)
            x += 8
        if dot:
            c.rect(11, 9, 2, 4, NAVY)
            c.rect(10, 10, 4, 2, NAVY)
        for i in range(bars):
            c.rect(0, 20 + 4 * i, 8, 2, NAVY)
    return draw


def new2x(c):
    shape(c, polygon([(5, 1), (20, 1), (27, 8), (27, 31), (5, 31)]), "#FFFFFF", BLACK)
    shape(c, polygon([(20, 1), (27, 8), (20, 8)]), "#C0C0C0", BLACK)


def open2x(c):
    green = "#006000"
    # the arrow leaving the folder: an arc rising to the right, then its head
    def arc(x, y):
        dx, dy = x - 26, y - 15
        return dx <= 0 and dy <= 0 and 8.0 ** 2 <= dx * dx + dy * dy <= 10.6 ** 2 and y < 13
    shape(c, arc, green)
    shape(c, polygon([(25, 0), (31, 6), (25, 12)]), green)
    back = [(1, 12), (3, 10), (10, 10), (12, 13), (23, 13), (23, 19), (1, 29)]
    shape(c, polygon(back), "#D0A020", BLACK)
    shape(c, polygon([(8, 18), (32, 18), (23, 30), (1, 30)]), "#FFE060", BLACK)


def save2x(c):
    c.rect(2, 2, 28, 28, BLACK)
    c.rect(3, 3, 26, 26, "#2850B8")
    c.rect(6, 3, 20, 12, "#FFFFFF")
    for y in (6, 9, 12):
        c.rect(8, y, 16, 1, "#808080")
    c.rect(8, 19, 16, 10, "#C0C0C0")
    c.rect(10, 21, 4, 6, BLACK)


def export2x(c):
    # pen along the diagonal u = x - y, across it v = x + y
    def pen(lo, hi, vlo=30.0, vhi=40.0):
        def inside(x, y):
            u, v = x - y, x + y
            if not lo <= u <= hi:
                return False
            if u < -8:   # the sharpened cone narrows to the point
                half = 5.0 * (u + 17) / 9
                return abs(v - 35) <= half and vlo <= v <= vhi
            return vlo <= v <= vhi
        return inside
    shape(c, pen(-17, 27), None, BLACK)
    shape(c, lambda x, y: pen(-17, 27)(x, y) and not edge_of(pen(-17, 27), x, y),
          "#FFE060")
    body = pen(-8, 17)
    shape(c, lambda x, y: body(x, y) and x + y > 36 and not edge_of(pen(-17, 27), x, y),
          "#D0A020")
    shape(c, lambda x, y: pen(-17, -8)(x, y) and not edge_of(pen(-17, 27), x, y),
          "#F0C890")
    shape(c, lambda x, y: pen(-17, -13)(x, y), BLACK)
    shape(c, lambda x, y: pen(17, 19.5)(x, y) and not edge_of(pen(-17, 27), x, y),
          "#808080")
    shape(c, lambda x, y: pen(19.5, 27)(x, y) and not edge_of(pen(-17, 27), x, y),
          "#E02020")
    c.rect(2, 28, 28, 2, NAVY)


def edge_of(inside, x, y):
    """True when the pixel centred at (x, y) lies on the border of the shape."""
    return inside(x, y) and not (inside(x - 1, y) and inside(x + 1, y)
                                 and inside(x, y - 1) and inside(x, y + 1))


def insert2x(c):
    bolt = [(16, 2), (30, 2), (20, 12), (30, 12), (7, 31), (14, 17), (4, 17)]
    shape(c, polygon(bolt), "#FFFF00", BLACK)


def delete2x(c):
    def cross(x, y):
        if not (2 <= x <= 30 and 2 <= y <= 30):
            return False
        return abs(x - y) <= 4.5 or abs(x + y - 32) <= 4.5
    shape(c, cross, "#E02020", "#800000")


def media_open2x(c):
    cx, cy = 20.5, 20.5

    def disc(x, y):
        r2 = (x - cx) ** 2 + (y - cy) ** 2
        return 2.6 ** 2 <= r2 <= 11.0 ** 2

    def colour_at(x, y):
        dx, dy = x - cx, y - cy
        r2 = dx * dx + dy * dy
        if r2 <= 4.6 ** 2:
            return "#808080"
        if dx > 2 and dy < 4:
            return "#A0E0F0"
        if dx + dy < -5:
            return "#FFFFFF"
        return "#C0C0C0"
    shape(c, disc, None, BLACK)
    for py in range(32):
        for px in range(32):
            x, y = px + 0.5, py + 0.5
            if disc(x, y) and not edge_of(disc, x, y):
                c.set(px, py, colour_at(x, y))
    # the note: head, stem, flag, with a white rim that lifts it off the disc
    def head(x, y):
        dx, dy = x - 7.0, y - 20.5
        # an oval tilted up to the right
        a, b = dx * 0.89 + dy * 0.45, -dx * 0.45 + dy * 0.89
        return (a / 4.4) ** 2 + (b / 3.0) ** 2 <= 1.0

    def stem(x, y):
        return 9.5 <= x <= 11.5 and 2 <= y <= 20

    def flag(x, y):
        return 11 <= x <= 16 and 2 <= y <= 13 and 0 <= (y - 2) - 1.2 * (x - 11) <= 3.2

    def note(x, y):
        return head(x, y) or stem(x, y) or flag(x, y)

    def rim(x, y):
        return any(note(x + dx, y + dy) for dx in (-1, 0, 1) for dy in (-1, 0, 1))
    shape(c, lambda x, y: rim(x, y) and disc(x, y), "#FFFFFF")
    shape(c, note, NAVY)


def media_play2x(c):
    tri = [(6, 2), (6, 30), (28, 16)]
    shape(c, polygon(tri), "#20C020", "#006000")
    shape(c, lambda x, y: in_polygon(tri, x, y) and 7 <= x <= 9 and y < 15
          and not edge_of(polygon(tri), x, y), "#90F090")


def menu_icons():
    items = [("new", new2x), ("open", open2x), ("save", save2x),
             ("export_midi", export2x), ("insert_track", insert2x),
             ("delete_track", delete2x), ("media_open", media_open2x),
             ("media_play", media_play2x)]
    for n in range(11):
        items.append(("octave_%d" % n, octave2x(n)))
    marks = {"a": dict(dashes=3), "b": dict(dashes=2), "c": dict(dashes=1),
             "d": {}, "e": dict(bars=1), "f": dict(bars=2), "g": dict(bars=3),
             "h": dict(dot=True)}
    for letter, kw in marks.items():
        items.append(("beat_" + letter, beat2x(**kw)))
    return items


# ---------------------------------------------------------------------------
# Output.

def xpm_text(var, c):
    colours = []
    for row in c.px:
        for p in row:
            if p is not None and p not in colours:
                colours.append(p)
    # readable keys for the common colours, as in the hand-drawn icons
    named = {BLACK: "k", NAVY: "n", BLUE: "b", PURPLE: "p", TILE: "T",
             TILE_EDGE: "e", "#FFFFFF": "w", "#C0C0C0": "l", "#808080": "d"}
    spare = [k for k in "abcfghijmoqrstuvxyzABCDEFGHIJKLMNOPQRSUVWXYZ0123456789"
             if k not in named.values()]
    key = {None: " "}
    lines = ["/* XPM */",
             "static const char *const %s[] = {" % var,
             "/* columns rows colors chars-per-pixel */",
             '"%d %d %d 1",' % (c.w, c.h, len(colours) + 1),
             '"  c None",']
    for col in colours:
        if col in named:
            key[col] = named[col]
        elif spare:
            key[col] = spare.pop(0)
        else:
            sys.exit("too many colours in " + var)
        lines.append('"%s c %s",' % (key[col], col))
    lines.append("/* pixels */")
    rows = ['"' + "".join(key[p] for p in row) + '"' for row in c.px]
    lines.append(",\n".join(rows))
    lines.append("};")
    return "\n".join(lines) + "\n"


def write(folder, name, draw, sizes=((16, ""), (32, "@2x"))):
    os.makedirs(os.path.join(RES, folder), exist_ok=True)
    for size, suffix in sizes:
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
    # the 16 x 16 menu icons are hand-drawn and kept as they are
    for name, draw in menu_icons():
        write("icons", name, draw, sizes=((32, "@2x"),))


if __name__ == "__main__":
    main()
