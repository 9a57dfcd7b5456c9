#!/usr/bin/env python3
"""Draws the icon of the host program and writes host/res/KivoFunctionButtonApl.ico.

The picture: two keyboard key caps, "1" at the back on the upper left and "2"
in front on the lower right, one for each function button the program serves.
Light caps with a dark outline so the icon reads on light and dark taskbars.

The file holds ten DIB images (no PNG entries, so every Windows version,
windres and Wine take it):
    16, 24, 32, 48 px at 4 bpp   (standard 16-colour VGA palette)
    16, 24, 32, 48 px at 8 bpp   (VGA colours plus our own shades)
    48, 64 px at 32 bpp          (true colour, antialiased, with alpha)

The 16 px picture is drawn by hand, pixel by pixel: it is the one the
notification area shows. The caps of the larger sizes come from one
description of their shapes, sampled 8x8 times per pixel: averaged for the
32 bpp images, by majority of the samples for the palette images, which need
hard edges. Their legends are hand-drawn glyphs up to 48 px and strokes at
64 px.

Standard library only and deterministic: every run writes the same bytes.

Usage: draw_icon.py [output.ico]
"""

import math
import os
import struct
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
DEFAULT_OUT = os.path.join(ROOT, "host", "res", "KivoFunctionButtonApl.ico")

# --------------------------------------------------------------------------
# Colours
# --------------------------------------------------------------------------

# The standard Windows 16-colour palette, in index order.
VGA = [
    (0x00, 0x00, 0x00), (0x80, 0x00, 0x00), (0x00, 0x80, 0x00), (0x80, 0x80, 0x00),
    (0x00, 0x00, 0x80), (0x80, 0x00, 0x80), (0x00, 0x80, 0x80), (0xC0, 0xC0, 0xC0),
    (0x80, 0x80, 0x80), (0xFF, 0x00, 0x00), (0x00, 0xFF, 0x00), (0xFF, 0xFF, 0x00),
    (0x00, 0x00, 0xFF), (0xFF, 0x00, 0xFF), (0x00, 0xFF, 0xFF), (0xFF, 0xFF, 0xFF),
]
VGA_BLACK, VGA_NAVY, VGA_SILVER, VGA_GREY, VGA_BLUE, VGA_WHITE = 0, 4, 7, 8, 12, 15

# The parts of the picture. Every pixel of the palette images is one of them.
CLEAR = "."    # transparent
OUTLINE = "K"  # dark rim around each cap
HILITE = "H"   # light edge along the top of the cap face
FACE = "F"     # top face of the cap
WALL = "S"     # the cap's sides, seen around the face
FRONT = "D"    # the cap's front side, below the face
DIGIT = "W"    # the legend

# True-colour shades, also the extra entries of the 8 bpp palette.
C_OUTLINE = (0x1A, 0x22, 0x33)
C_HILITE = (0xFF, 0xFF, 0xFF)
C_FACE_TOP = (0xF4, 0xF6, 0xFA)
C_FACE_BOTTOM = (0xD9, 0xDF, 0xE9)
C_WALL = (0xA9, 0xB4, 0xC5)
C_FRONT = (0x80, 0x8D, 0xA3)
C_DIGIT = (0x1C, 0x5C, 0xC8)

FACE_STEPS = 4  # shades of the face in the 8 bpp images, top to bottom


def _mix(a, b, t):
    return tuple(int(round(x + (y - x) * t)) for x, y in zip(a, b))


FACE_SHADES = [_mix(C_FACE_TOP, C_FACE_BOTTOM, i / (FACE_STEPS - 1))
               for i in range(FACE_STEPS)]

# 8 bpp palette: the VGA colours first, then ours; the rest stays black.
PALETTE8 = VGA + [C_OUTLINE, C_HILITE, C_WALL, C_FRONT, C_DIGIT] + FACE_SHADES
PALETTE8 += [(0, 0, 0)] * (256 - len(PALETTE8))
P8_OUTLINE, P8_HILITE, P8_WALL, P8_FRONT, P8_DIGIT = 16, 17, 18, 19, 20
P8_FACE = 21

P4 = {CLEAR: VGA_BLACK, OUTLINE: VGA_BLACK, HILITE: VGA_WHITE, FACE: VGA_WHITE,
      WALL: VGA_SILVER, FRONT: VGA_GREY, DIGIT: VGA_BLUE}
P8 = {CLEAR: 0, OUTLINE: P8_OUTLINE, HILITE: P8_HILITE, FACE: P8_FACE,
      WALL: P8_WALL, FRONT: P8_FRONT, DIGIT: P8_DIGIT}

# --------------------------------------------------------------------------
# 16 px, by hand
# --------------------------------------------------------------------------

ART16 = [
    ".KKKKKKK........",
    "KHHHHHHHK.......",
    "KFFFWFFFK.......",
    "KFFWWFFFK.......",
    "KFFFWFFFK.......",
    "KFFFWFFFK.......",
    "KFFWWWFFKKKKKKK.",
    "KSSSSSSKHHHHHHHK",
    "KDDDDDDKFFWWWFFK",
    ".KKKKKKKFFFFWFFK",
    ".......KFFWWWFFK",
    ".......KFFWFFFFK",
    ".......KFFWWWFFK",
    ".......KSSSSSSSK",
    ".......KDDDDDDDK",
    "........KKKKKKK.",
]

# --------------------------------------------------------------------------
# Larger sizes, from shapes
# --------------------------------------------------------------------------


def sd_round_rect(px, py, x0, y0, x1, y1, r):
    """Signed distance from (px, py) to a rounded rectangle, < 0 inside."""
    cx, cy = (x0 + x1) / 2.0, (y0 + y1) / 2.0
    hx, hy = (x1 - x0) / 2.0 - r, (y1 - y0) / 2.0 - r
    qx, qy = abs(px - cx) - hx, abs(py - cy) - hy
    ox, oy = max(qx, 0.0), max(qy, 0.0)
    return math.hypot(ox, oy) + min(max(qx, qy), 0.0) - r


def dist_segment(px, py, ax, ay, bx, by):
    dx, dy = bx - ax, by - ay
    ll = dx * dx + dy * dy
    t = 0.0 if ll == 0 else max(0.0, min(1.0, ((px - ax) * dx + (py - ay) * dy) / ll))
    return math.hypot(px - ax - t * dx, py - ay - t * dy)


def digit_strokes(ch, x0, y0, w, h, snap):
    """Centre lines of a legend glyph in the box (x0, y0, w, h), as polylines.

    The box is the centre-line box: strokes reach half their width beyond it.
    snap() puts a coordinate on the grid the box itself is on.
    """
    if ch == "1":
        sx = snap(x0 + w / 2.0)
        foot = round(w * 0.42)
        return [[(sx - foot, y0 + h * 0.25), (sx, y0), (sx, y0 + h)],
                [(sx - foot, y0 + h), (sx + foot, y0 + h)]]
    if ch == "2":
        # Top bow: half a circle and a bit, then the diagonal to the base.
        rx, ry = w / 2.0, h * 0.27
        cx, cy = x0 + rx, y0 + ry
        bow = []
        for i in range(0, 13):
            a = math.radians(200 - i * (200 + 30) / 12.0)  # 200 deg down to -30
            bow.append((cx + rx * math.cos(a), cy - ry * math.sin(a)))
        return [bow + [(x0, y0 + h)], [(x0, y0 + h), (x0 + w, y0 + h)]]
    raise ValueError(ch)


class Cap:
    """One key cap: outer box, corner radius and legend, all in pixels."""

    def __init__(self, x, y, w, h, g, legend):
        self.x0, self.y0, self.x1, self.y1 = x, y, x + w, y + h
        self.r = g["radius"]
        self.ow = g["outline"]
        # The face sits inside the rim, set in a little at the sides and top
        # and a lot at the bottom, where the cap's front side shows.
        self.fx0 = self.x0 + self.ow + g["side"]
        self.fx1 = self.x1 - self.ow - g["side"]
        self.fy0 = self.y0 + self.ow + g["top"]
        self.fy1 = self.y1 - self.ow - g["front"]
        self.fr = g["face_radius"]
        self.hilite = g["hilite"]
        self.front_y = self.fy1 + g["front"] * 0.45  # sides below it are darker
        # The legend, centred on the face: a hand-drawn glyph where there is
        # one for this size, else strokes.
        cx = (self.fx0 + self.fx1) / 2.0
        cy = (self.fy0 + self.fy1) / 2.0 + g.get("digit_dy", 0)
        self.glyph = g["glyphs"][legend] if "glyphs" in g else None
        if self.glyph:
            self.gx = int(math.floor(cx - len(self.glyph[0]) / 2.0))
            self.gy = int(math.floor(cy - len(self.glyph) / 2.0))
        else:
            # Centre lines on the pixel grid, so that the strokes' edges fall
            # between pixels: on pixel centres for odd stroke widths, on
            # pixel edges for even ones.
            self.sw = g["stroke"]
            dw, dh = g["digit_w"], g["digit_h"]
            lx, ty = self.snap(cx - dw / 2.0), self.snap(cy - dh / 2.0)
            self.strokes = digit_strokes(legend, lx, ty, dw, dh, self.snap)
            self.bx0, self.bx1 = lx - self.sw, lx + dw + self.sw
            self.by0, self.by1 = ty - self.sw, ty + dh + self.sw

    def snap(self, v):
        return math.floor(v) + (0.5 if self.sw % 2 else 0.0)

    def part(self, px, py):
        """The part of the cap at (px, py), or None outside the cap."""
        d = sd_round_rect(px, py, self.x0, self.y0, self.x1, self.y1, self.r)
        if d > 0:
            return None
        if d > -self.ow:
            return OUTLINE
        df = sd_round_rect(px, py, self.fx0, self.fy0, self.fx1, self.fy1, self.fr)
        if df > 0:
            return FRONT if py > self.front_y else WALL
        if self.glyph:
            gx, gy = int(math.floor(px)) - self.gx, int(math.floor(py)) - self.gy
            if 0 <= gy < len(self.glyph) and 0 <= gx < len(self.glyph[0]) \
                    and self.glyph[gy][gx] == "#":
                return DIGIT
        elif self.bx0 <= px <= self.bx1 and self.by0 <= py <= self.by1:
            half = self.sw / 2.0
            for line in self.strokes:
                for (ax, ay), (bx, by) in zip(line, line[1:]):
                    if dist_segment(px, py, ax, ay, bx, by) <= half:
                        return DIGIT
        if py < self.fy0 + self.hilite and df > -self.hilite * 2.5:
            return HILITE
        return FACE

    def face_t(self, py):
        """0 at the top of the face, 1 at its bottom."""
        return min(1.0, max(0.0, (py - self.fy0) / (self.fy1 - self.fy0)))


# Hand-drawn legends up to 48 px, where strokes from shapes come out ragged.
GLYPHS24 = {
    "1": ["..##..",
          ".###..",
          "####..",
          "..##..",
          "..##..",
          "..##..",
          "######"],
    "2": [".####.",
          "##..##",
          "....##",
          "...##.",
          "..##..",
          ".##...",
          "######"],
}
GLYPHS32 = {
    "1": ["...###...",
          "..####...",
          ".#####...",
          "##.###...",
          "...###...",
          "...###...",
          "...###...",
          "...###...",
          "...###...",
          ".#######."],
    "2": ["..####..",
          ".######.",
          "###..###",
          "##....##",
          ".....###",
          "....###.",
          "..####..",
          ".###....",
          "########",
          "########"],
}

GLYPHS48 = {
    "1": ["...###...",
          "..####...",
          ".#####...",
          "##.###...",
          "...###...",
          "...###...",
          "...###...",
          "...###...",
          "...###...",
          "...###...",
          "...###...",
          ".#######.",
          ".#######."],
    "2": ["...#####...",
          ".#########.",
          "####...####",
          "###.....###",
          "........###",
          ".......####",
          ".....#####.",
          "....####...",
          "...####....",
          "..####.....",
          ".####......",
          "###########",
          "###########"],
}

# Geometry of each drawn size, in pixels. Cap "1" sits at the top left corner,
# cap "2" at `back` from it and drawn over it.
GEOMETRY = {
    24: dict(cap=(13, 15), back=(11, 9), radius=2.5, outline=1, side=0, top=0,
             front=3, face_radius=1.5, hilite=1, glyphs=GLYPHS24, digit_dy=1),
    32: dict(cap=(18, 20), back=(14, 12), radius=3.5, outline=1, side=1, top=0,
             front=4, face_radius=2.5, hilite=1, glyphs=GLYPHS32),
    48: dict(cap=(27, 30), back=(21, 18), radius=5.0, outline=1, side=2, top=1,
             front=6, face_radius=3.5, hilite=1, glyphs=GLYPHS48),
    64: dict(cap=(36, 40), back=(28, 24), radius=6.5, outline=2, side=2, top=1,
             front=7, face_radius=4.5, hilite=1.5, stroke=4, digit_w=11, digit_h=15),
}

SAMPLES = 8  # per pixel, in each direction


def caps_for(size):
    g = GEOMETRY[size]
    w, h = g["cap"]
    bx, by = g["back"]
    # Front cap first: it hides the back one where they overlap.
    return [Cap(bx, by, w, h, g, "2"), Cap(0, 0, w, h, g, "1")]


def sample(caps, px, py):
    for cap in caps:
        p = cap.part(px, py)
        if p is not None:
            return p, cap
    return CLEAR, None


def true_colour(part, cap, py):
    if part == FACE:
        return _mix(C_FACE_TOP, C_FACE_BOTTOM, cap.face_t(py))
    return {OUTLINE: C_OUTLINE, HILITE: C_HILITE, WALL: C_WALL,
            FRONT: C_FRONT, DIGIT: C_DIGIT}[part]


PRIORITY = [DIGIT, OUTLINE, FRONT, WALL, HILITE, FACE, CLEAR]


def render(size):
    """Returns (parts, face shade, rgba) rows for one size.

    parts: the majority part of each pixel, for the palette images;
    rgba:  the averaged samples, for the true-colour images.
    """
    caps = caps_for(size)
    n = SAMPLES
    parts, shades, rgba = [], [], []
    for y in range(size):
        prow, srow, crow = [], [], []
        for x in range(size):
            counts = {}
            r = g = b = 0
            covered = 0
            for j in range(n):
                py = y + (j + 0.5) / n
                for i in range(n):
                    px = x + (i + 0.5) / n
                    part, cap = sample(caps, px, py)
                    counts[part] = counts.get(part, 0) + 1
                    if part != CLEAR:
                        c = true_colour(part, cap, py)
                        r += c[0]
                        g += c[1]
                        b += c[2]
                        covered += 1
            best = max(PRIORITY, key=lambda p: (counts.get(p, 0), -PRIORITY.index(p)))
            prow.append(best)
            _, centre_cap = sample(caps, x + 0.5, y + 0.5)
            t = centre_cap.face_t(y + 0.5) if centre_cap else 0.0
            srow.append(min(FACE_STEPS - 1, int(t * FACE_STEPS)))
            if covered:
                crow.append((int(round(r / covered)), int(round(g / covered)),
                             int(round(b / covered)),
                             int(round(255.0 * covered / (n * n)))))
            else:
                crow.append((0, 0, 0, 0))
        parts.append(prow)
        shades.append(srow)
        rgba.append(crow)
    return parts, shades, rgba


# --------------------------------------------------------------------------
# ICO writing
# --------------------------------------------------------------------------


def _row_bytes(bits_per_row):
    return (bits_per_row + 31) // 32 * 4


def and_mask(size, transparent):
    """1 bpp AND mask, bottom-up: bit set where the screen shows through."""
    out = bytearray()
    stride = _row_bytes(size)
    for y in reversed(range(size)):
        row = bytearray(stride)
        for x in range(size):
            if transparent(x, y):
                row[x // 8] |= 0x80 >> (x % 8)
        out += row
    return bytes(out)


def dib(size, bpp, palette, pixels, transparent):
    """One icon image: BITMAPINFOHEADER, palette, XOR bitmap, AND mask."""
    stride = _row_bytes(size * bpp)
    xor = bytearray()
    for y in reversed(range(size)):
        row = bytearray(stride)
        for x in range(size):
            v = pixels[y][x]
            if bpp == 4:
                row[x // 2] |= v << (4 if x % 2 == 0 else 0)
            elif bpp == 8:
                row[x] = v
            else:
                r, g, b, a = v
                row[4 * x:4 * x + 4] = bytes((b, g, r, a))
        xor += row
    mask = and_mask(size, transparent)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, bpp, 0,
                         len(xor) + len(mask), 0, 0, 0, 0)
    pal = b"".join(bytes((b, g, r, 0)) for r, g, b in palette or [])
    return header + pal + bytes(xor) + mask


def palette_image(size, bpp, parts, shades):
    table = P4 if bpp == 4 else P8
    pixels = []
    for y in range(size):
        row = []
        for x in range(size):
            p = parts[y][x]
            v = table[p]
            if bpp == 8 and p == FACE:
                v = P8_FACE + shades[y][x]
            row.append(v)
        pixels.append(row)
    palette = VGA if bpp == 4 else PALETTE8
    return dib(size, bpp, palette, pixels, lambda x, y: parts[y][x] == CLEAR)


def truecolour_image(size, rgba):
    # Drawing with alpha ignores the mask; whatever draws without alpha gets
    # the alpha channel cut at one half.
    return dib(size, 32, None, rgba, lambda x, y: rgba[y][x][3] < 128)


def ico(images):
    """images: list of (size, bpp, data)."""
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    body = b""
    for size, bpp, data in images:
        out += struct.pack("<BBBBHHII", size % 256, size % 256, 16 if bpp == 4 else 0,
                           0, 1, bpp, len(data), offset + len(body))
        body += data
    return out + body


def hand_art_16():
    parts = [list(row) for row in ART16]
    assert len(parts) == 16 and all(len(r) == 16 for r in parts)
    # Face shades by row within each cap, like the larger sizes.
    shades = []
    for y, row in enumerate(parts):
        top, bottom = (2, 6) if y < 7 else (8, 12)
        t = min(1.0, max(0.0, (y - top) / float(bottom - top)))
        shades.append([min(FACE_STEPS - 1, int(t * FACE_STEPS))] * 16)
    return parts, shades


def build():
    drawn = {16: hand_art_16()}
    true_colour_rows = {}
    for size in (24, 32, 48, 64):
        parts, shades, rgba = render(size)
        drawn[size] = (parts, shades)
        true_colour_rows[size] = rgba
    images = []
    for bpp in (4, 8):
        for size in (16, 24, 32, 48):
            parts, shades = drawn[size]
            images.append((size, bpp, palette_image(size, bpp, parts, shades)))
    for size in (48, 64):
        images.append((size, 32, truecolour_image(size, true_colour_rows[size])))
    return ico(images)


def main(argv):
    out = argv[1] if len(argv) > 1 else DEFAULT_OUT
    data = build()
    with open(out, "wb") as f:
        f.write(data)
    print("%s: %d bytes" % (out, len(data)))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
