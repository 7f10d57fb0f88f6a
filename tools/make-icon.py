#!/usr/bin/env python3
"""Draws the program's icon: a slate-blue USB flash drive bearing the USB trident.

    make-icon.py OUTPUT.ico [--png PREVIEW.png]

One 64 x 64 image, 32-bit colour with alpha, stored in the .ico as a bottom-up BGRA
bitmap with its AND mask (the form every Windows version and Wine load). The shapes are
signed distance functions; a pixel's coverage comes from its distance to the edge, which
gives anti-aliased edges without supersampling. Standard library only; the output is the
same byte for byte on every run.
"""

import math
import struct
import sys
import zlib

SIZE = 64


# --- shapes: signed distance in pixels, negative inside -------------------------------


def rounded_box(x0, y0, x1, y1, r):
    cx, cy = (x0 + x1) / 2, (y0 + y1) / 2
    hx, hy = (x1 - x0) / 2 - r, (y1 - y0) / 2 - r

    def sdf(x, y):
        qx, qy = abs(x - cx) - hx, abs(y - cy) - hy
        outside = math.hypot(max(qx, 0.0), max(qy, 0.0))
        return outside + min(max(qx, qy), 0.0) - r

    return sdf


def circle(cx, cy, r):
    return lambda x, y: math.hypot(x - cx, y - cy) - r


def segment(ax, ay, bx, by, half_width):
    """A stroke from a to b with round ends."""
    dx, dy = bx - ax, by - ay
    length2 = dx * dx + dy * dy

    def sdf(x, y):
        t = max(0.0, min(1.0, ((x - ax) * dx + (y - ay) * dy) / length2))
        return math.hypot(x - ax - t * dx, y - ay - t * dy) - half_width

    return sdf


def polygon(points):
    def sdf(x, y):
        d = min((x - px) ** 2 + (y - py) ** 2 for px, py in points)
        inside = False
        for i, (ax, ay) in enumerate(points):
            bx, by = points[i - 1]
            ex, ey = bx - ax, by - ay
            wx, wy = x - ax, y - ay
            t = max(0.0, min(1.0, (wx * ex + wy * ey) / (ex * ex + ey * ey)))
            d = min(d, (wx - t * ex) ** 2 + (wy - t * ey) ** 2)
            if (ay > y) != (by > y) and x < ax + (y - ay) * ex / ey:
                inside = not inside
        return -math.sqrt(d) if inside else math.sqrt(d)

    return sdf


def union(*shapes):
    return lambda x, y: min(s(x, y) for s in shapes)


def subtract(shape, hole):
    return lambda x, y: max(shape(x, y), -hole(x, y))


# --- paint ------------------------------------------------------------------------------


def hex_colour(text):
    return tuple(int(text[i : i + 2], 16) / 255 for i in (1, 3, 5))


def vertical_gradient(y0, top, y1, bottom):
    c0, c1 = hex_colour(top), hex_colour(bottom)

    def paint(_x, y):
        t = max(0.0, min(1.0, (y - y0) / (y1 - y0)))
        return tuple(a + (b - a) * t for a, b in zip(c0, c1))

    return paint


def horizontal_gradient(x0, left, x1, right):
    flip = vertical_gradient(x0, left, x1, right)
    return lambda x, _y: flip(x, x)


def solid(text):
    c = hex_colour(text)
    return lambda _x, _y: c


class Canvas:
    """Premultiplied RGBA, composited with 'over'."""

    def __init__(self):
        self.pixels = [[0.0, 0.0, 0.0, 0.0] for _ in range(SIZE * SIZE)]

    def fill(self, shape, paint, opacity=1.0, softness=1.0):
        """softness > 1 blurs the edge over that many pixels (shadows)."""
        for y in range(SIZE):
            for x in range(SIZE):
                px, py = x + 0.5, y + 0.5
                coverage = max(0.0, min(1.0, 0.5 - shape(px, py) / softness))
                if coverage <= 0.0:
                    continue
                a = coverage * opacity
                r, g, b = paint(px, py)
                p = self.pixels[y * SIZE + x]
                keep = 1.0 - a
                p[0] = r * a + p[0] * keep
                p[1] = g * a + p[1] * keep
                p[2] = b * a + p[2] * keep
                p[3] = a + p[3] * keep

    def rgba(self):
        """Straight (not premultiplied) 8-bit RGBA rows, top row first."""
        rows = []
        for y in range(SIZE):
            row = []
            for x in range(SIZE):
                r, g, b, a = self.pixels[y * SIZE + x]
                if a <= 0.0:
                    row.append((0, 0, 0, 0))
                    continue
                row.append(tuple(round(min(1.0, c / a) * 255) for c in (r, g, b)) + (round(a * 255),))
            rows.append(row)
        return rows


# --- the drawing ----------------------------------------------------------------------


def draw():
    c = Canvas()

    # Body and connector outlines, shared by the shadow.
    body = rounded_box(13, 19, 51, 62, 7)
    connector = rounded_box(21, 1, 43, 22, 2)

    # Soft shadow, down and to the right.
    def shifted(s, dx, dy):
        return lambda x, y: s(x - dx, y - dy)

    c.fill(shifted(union(body, connector), 1.0, 1.5), solid("#10203a"), opacity=0.35, softness=3.0)

    # Metal connector: brushed steel from left to right, a darker rim, two contact windows.
    c.fill(connector, solid("#5f6a78"))
    c.fill(rounded_box(22, 2, 42, 22, 1.5), horizontal_gradient(22, "#eef1f5", 42, "#9ba5b2"))
    for x0 in (25.5, 34.5):
        window = rounded_box(x0, 6.5, x0 + 4, 10.5, 0.6)
        c.fill(window, solid("#3b4552"))
        c.fill(rounded_box(x0 + 0.5, 9.5, x0 + 4, 10.5, 0.3), solid("#5d6875"), opacity=0.7)
    c.fill(rounded_box(22, 2, 42, 3.2, 1.0), solid("#ffffff"), opacity=0.55)

    # Slate-blue body with a darker rim, lit from the top.
    c.fill(body, solid("#2c4366"))
    inner = rounded_box(14, 20, 50, 61, 6)
    c.fill(inner, vertical_gradient(20, "#7093c2", 61, "#3d5b8a"))
    # The collar where the connector enters the body.
    c.fill(subtract(inner, rounded_box(0, 24, 64, 64, 0)), solid("#2f4a72"), opacity=0.55)
    c.fill(rounded_box(14, 23.6, 50, 24.4, 0.4), solid("#ffffff"), opacity=0.18)
    # Gloss along the left edge.
    c.fill(rounded_box(16.5, 27, 19.5, 58, 1.5), solid("#ffffff"), opacity=0.16)

    # The USB trident: base disc, shaft, arrowhead, a circle arm on the left and a square
    # arm on the right. A faint dark copy under it keeps it crisp on the blue.
    w = 1.35
    shaft = segment(32, 54.5, 32, 35, w)
    arrow = polygon([(32, 28.5), (36.3, 36.2), (27.7, 36.2)])
    base = circle(32, 54.5, 3.6)
    left_arm = union(segment(32, 50.0, 24, 44.0, w), segment(24, 44.0, 24, 40.5, w))
    left_end = circle(24, 39.3, 2.7)
    right_arm = union(segment(32, 46.5, 40, 40.5, w), segment(40, 40.5, 40, 37.5, w))
    right_end = rounded_box(37.5, 34.0, 42.5, 39.0, 0.5)
    trident = union(shaft, arrow, base, left_arm, left_end, right_arm, right_end)

    c.fill(shifted(trident, 0.0, 0.8), solid("#1d3050"), opacity=0.45, softness=1.4)
    c.fill(trident, vertical_gradient(28, "#ffffff", 59, "#dde6f3"))
    return c


# --- files ------------------------------------------------------------------------------


def ico_bytes(rows):
    """An .ico holding one 32-bit BMP image with its AND mask."""
    xor = bytearray()
    for row in reversed(rows):  # bottom-up
        for r, g, b, a in row:
            xor += bytes((b, g, r, a))
    mask_stride = ((SIZE + 31) // 32) * 4
    mask = bytearray()
    for row in reversed(rows):
        line = bytearray(mask_stride)
        for x, (_r, _g, _b, a) in enumerate(row):
            if a == 0:
                line[x // 8] |= 0x80 >> (x % 8)
        mask += line
    header = struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE * 2, 1, 32, 0, len(xor) + len(mask), 0, 0, 0, 0)
    image = header + xor + mask
    directory = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", SIZE % 256, SIZE % 256, 0, 0, 1, 32, len(image), 6 + 16)
    return directory + entry + image


def png_bytes(rows):
    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))

    raw = b"".join(b"\x00" + bytes(v for px in row for v in px) for row in rows)
    ihdr = struct.pack(">IIBBBBB", SIZE, SIZE, 8, 6, 0, 0, 0)
    return b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", ihdr) + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b"")


def main(argv):
    if len(argv) not in (2, 4) or (len(argv) == 4 and argv[2] != "--png"):
        sys.exit(__doc__)
    rows = draw().rgba()
    with open(argv[1], "wb") as f:
        f.write(ico_bytes(rows))
    if len(argv) == 4:
        with open(argv[3], "wb") as f:
            f.write(png_bytes(rows))


if __name__ == "__main__":
    main(sys.argv)
