#!/usr/bin/env python3
"""Checks the program's icon file: the ten DIB images it must hold.

    16, 24, 32, 48 px at 4 bpp (standard VGA palette)
    16, 24, 32, 48 px at 8 bpp
    48, 64 px at 32 bpp

and for each one a directory entry and a bitmap header that agree with it,
sizes that add up, and an AND mask that matches the picture.

Usage: check_icon.py path/to/icon.ico
Prints "icon: 10 images ok" and exits 0, or names the fault and exits 1.
"""

import struct
import sys

EXPECTED = sorted([(16, 4), (24, 4), (32, 4), (48, 4),
                   (16, 8), (24, 8), (32, 8), (48, 8),
                   (48, 32), (64, 32)])

VGA = [
    (0x00, 0x00, 0x00), (0x80, 0x00, 0x00), (0x00, 0x80, 0x00), (0x80, 0x80, 0x00),
    (0x00, 0x00, 0x80), (0x80, 0x00, 0x80), (0x00, 0x80, 0x80), (0xC0, 0xC0, 0xC0),
    (0x80, 0x80, 0x80), (0xFF, 0x00, 0x00), (0x00, 0xFF, 0x00), (0xFF, 0xFF, 0x00),
    (0x00, 0x00, 0xFF), (0xFF, 0x00, 0xFF), (0x00, 0xFF, 0xFF), (0xFF, 0xFF, 0xFF),
]


class Bad(Exception):
    pass


def stride(bits):
    return (bits + 31) // 32 * 4


def check_image(n, data, width, height, color_count, planes, bpp):
    what = "image %d (%dx%d, %d bpp)" % (n, width, height, bpp)
    if data[:8] == b"\x89PNG\r\n\x1a\n":
        raise Bad("%s is PNG-encoded; it must be a DIB" % what)
    if len(data) < 40:
        raise Bad("%s: shorter than a bitmap header" % what)
    (hsize, w, h, hplanes, hbpp, compression, _size_image,
     _xppm, _yppm, clr_used, _clr_important) = struct.unpack_from("<IiiHHIIiiII", data)
    if hsize != 40:
        raise Bad("%s: bitmap header size %d, expected 40" % (what, hsize))
    if (w, h) != (width, 2 * height):
        raise Bad("%s: bitmap header says %dx%d, expected %dx%d"
                  % (what, w, h, width, 2 * height))
    if hplanes != 1 or planes != 1:
        raise Bad("%s: planes %d (header) / %d (directory), expected 1"
                  % (what, hplanes, planes))
    if hbpp != bpp:
        raise Bad("%s: bitmap header says %d bpp" % (what, hbpp))
    if compression != 0:
        raise Bad("%s: compressed (%d); expected BI_RGB" % (what, compression))
    want_count = 16 if bpp == 4 else 0
    if color_count != want_count:
        raise Bad("%s: bColorCount %d, expected %d" % (what, color_count, want_count))

    colours = (clr_used or (1 << bpp)) if bpp <= 8 else 0
    if bpp <= 8 and colours != (1 << bpp):
        raise Bad("%s: %d palette entries, expected %d" % (what, colours, 1 << bpp))
    xor_stride, and_stride = stride(width * bpp), stride(width)
    pal_at = 40
    xor_at = pal_at + 4 * colours
    and_at = xor_at + xor_stride * height
    end = and_at + and_stride * height
    if len(data) != end:
        raise Bad("%s: %d bytes, expected %d" % (what, len(data), end))

    palette = [tuple(data[pal_at + 4 * i + 2 - k] for k in range(3))
               for i in range(colours)]
    if bpp == 4 and palette != VGA:
        raise Bad("%s: palette is not the standard 16-colour palette" % what)

    def pixel(x, y):  # y from the top
        row = xor_at + (height - 1 - y) * xor_stride
        if bpp == 4:
            b = data[row + x // 2]
            return b >> 4 if x % 2 == 0 else b & 0x0F
        if bpp == 8:
            return data[row + x]
        return tuple(data[row + 4 * x:row + 4 * x + 4])  # B, G, R, A

    def clear(x, y):
        row = and_at + (height - 1 - y) * and_stride
        return bool(data[row + x // 8] & (0x80 >> (x % 8)))

    n_clear = 0
    for y in range(height):
        for x in range(width):
            c = clear(x, y)
            n_clear += c
            p = pixel(x, y)
            if bpp <= 8:
                # Transparent pixels must be black, or they tint the screen.
                if c and palette[p] != (0, 0, 0):
                    raise Bad("%s: pixel (%d,%d) is masked out but not black"
                              % (what, x, y))
            else:
                if c != (p[3] < 128):
                    raise Bad("%s: mask at (%d,%d) disagrees with alpha %d"
                              % (what, x, y, p[3]))
    if n_clear == 0 or n_clear == width * height:
        raise Bad("%s: mask is all %s" % (what, "clear" if n_clear else "opaque"))


def check(path):
    try:
        with open(path, "rb") as f:
            blob = f.read()
    except OSError as e:
        raise Bad("cannot read %s: %s" % (path, e))
    if len(blob) < 6:
        raise Bad("%s: too short for an icon" % path)
    reserved, kind, count = struct.unpack_from("<HHH", blob)
    if reserved != 0 or kind != 1:
        raise Bad("%s: not an icon file (reserved %d, type %d)" % (path, reserved, kind))
    if count != len(EXPECTED):
        raise Bad("%s: %d images, expected %d" % (path, count, len(EXPECTED)))
    if len(blob) < 6 + 16 * count:
        raise Bad("%s: directory runs past the end of the file" % path)

    found, spans = [], []
    for n in range(count):
        (bw, bh, color_count, res, planes, bpp,
         nbytes, offset) = struct.unpack_from("<BBBBHHII", blob, 6 + 16 * n)
        width, height = bw or 256, bh or 256
        if res != 0:
            raise Bad("image %d: reserved byte %d" % (n, res))
        if offset < 6 + 16 * count or offset + nbytes > len(blob):
            raise Bad("image %d: bytes %d..%d lie outside the image data"
                      % (n, offset, offset + nbytes))
        if width != height:
            raise Bad("image %d: not square (%dx%d)" % (n, width, height))
        spans.append((offset, offset + nbytes))
        check_image(n, blob[offset:offset + nbytes], width, height,
                    color_count, planes, bpp)
        found.append((width, bpp))

    if sorted(found) != EXPECTED:
        raise Bad("%s: images %s, expected %s" % (path, sorted(found), EXPECTED))
    spans.sort()
    for (a0, a1), (b0, b1) in zip(spans, spans[1:]):
        if b0 < a1:
            raise Bad("%s: images overlap at byte %d" % (path, b0))


def main(argv):
    if len(argv) != 2:
        sys.stderr.write("usage: check_icon.py ICON\n")
        return 1
    try:
        check(argv[1])
    except Bad as e:
        sys.stderr.write("icon: %s\n" % e)
        return 1
    print("icon: %d images ok" % len(EXPECTED))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
