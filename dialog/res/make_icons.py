#!/usr/bin/env python3
"""Draws the icons of both programs and writes them as .ico files.

  Scrutel/res/Scrutel.ico  the check tool (a page under a magnifying glass)
  Mendora/res/Mendora.ico  the refine tool (a page under a pencil)
  dialog/res/Running.ico   a cabinet that is running: green disc with a white "play" triangle
  dialog/res/Stopped.ico   a cabinet that is stopped: grey disc with a red square

Each file holds a 16x16 and a 32x32 image, 32-bit BGRA with an AND mask, which every
Windows version and Wine read. Shapes are drawn with 4x4 supersampling so the edges are
smooth. Standard library only; run it again after changing a drawing:

    python3 dialog/res/make_icons.py
"""

import math
import os
import struct

SUPER = 4  # samples per pixel along each axis


def blend(under, over):
    """Paints RGBA `over` (alpha 0..1) on top of RGBA `under`."""
    a = over[3] + under[3] * (1.0 - over[3])
    if a <= 0.0:
        return (0.0, 0.0, 0.0, 0.0)
    rgb = tuple((over[i] * over[3] + under[i] * under[3] * (1.0 - over[3])) / a for i in range(3))
    return rgb + (a,)


class Canvas:
    """A size x size picture in a 0..1 coordinate space, filled shape by shape."""

    def __init__(self, size):
        self.size = size
        self.pixels = [[(0.0, 0.0, 0.0, 0.0)] * size for _ in range(size)]

    def fill(self, inside, colour):
        """Covers the points where inside(x, y) holds with the RGB colour (0..255)."""
        rgb = tuple(c / 255.0 for c in colour)
        for py in range(self.size):
            for px in range(self.size):
                hits = 0
                for sy in range(SUPER):
                    for sx in range(SUPER):
                        x = (px + (sx + 0.5) / SUPER) / self.size
                        y = (py + (sy + 0.5) / SUPER) / self.size
                        hits += 1 if inside(x, y) else 0
                if hits:
                    coverage = hits / float(SUPER * SUPER)
                    self.pixels[py][px] = blend(self.pixels[py][px], rgb + (coverage,))

    def bgra_rows_bottom_up(self):
        rows = []
        for row in reversed(self.pixels):
            data = bytearray()
            for r, g, b, a in row:
                data += bytes((round(b * 255), round(g * 255), round(r * 255), round(a * 255)))
            rows.append(bytes(data))
        return rows


# --- Shapes: predicates over (x, y) in 0..1 ------------------------------------------------


def disc(cx, cy, r):
    return lambda x, y: (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def ring(cx, cy, r_out, r_in):
    return lambda x, y: r_in * r_in <= (x - cx) ** 2 + (y - cy) ** 2 <= r_out * r_out


def rect(x0, y0, x1, y1):
    return lambda x, y: x0 <= x <= x1 and y0 <= y <= y1


def triangle(a, b, c):
    def side(p, q, x, y):
        return (q[0] - p[0]) * (y - p[1]) - (q[1] - p[1]) * (x - p[0])

    def inside(x, y):
        d1, d2, d3 = side(a, b, x, y), side(b, c, x, y), side(c, a, x, y)
        negative = d1 < 0 or d2 < 0 or d3 < 0
        positive = d1 > 0 or d2 > 0 or d3 > 0
        return not (negative and positive)

    return inside


def thick_line(p, q, width):
    length = math.hypot(q[0] - p[0], q[1] - p[1])

    def inside(x, y):
        t = ((x - p[0]) * (q[0] - p[0]) + (y - p[1]) * (q[1] - p[1])) / (length * length)
        t = max(0.0, min(1.0, t))
        nx, ny = p[0] + t * (q[0] - p[0]), p[1] + t * (q[1] - p[1])
        return math.hypot(x - nx, y - ny) <= width / 2.0

    return inside


# --- Drawings ------------------------------------------------------------------------------


def draw_page(size):
    """A page with a folded corner and a few text lines: both programs' icons start here."""
    c = Canvas(size)
    c.fill(rect(0.10, 0.04, 0.70, 0.86), (90, 90, 110))
    c.fill(rect(0.14, 0.08, 0.66, 0.82), (250, 250, 245))
    c.fill(triangle((0.50, 0.04), (0.70, 0.04), (0.70, 0.24)), (200, 200, 210))
    for top in (0.24, 0.38, 0.52):
        c.fill(rect(0.22, top, 0.56, top + 0.05), (70, 110, 190))
    return c


def draw_scrutel(size):
    c = draw_page(size)
    # The magnifying glass over the lower right corner.
    c.fill(thick_line((0.70, 0.70), (0.93, 0.93), 0.14), (120, 70, 30))
    c.fill(disc(0.58, 0.58, 0.24), (40, 40, 50))
    c.fill(disc(0.58, 0.58, 0.18), (190, 225, 250))
    c.fill(disc(0.52, 0.52, 0.06), (250, 250, 255))
    return c


def draw_mendora(size):
    c = draw_page(size)
    # A pencil across the lower right corner, writing towards the bottom left.
    c.fill(thick_line((0.90, 0.34), (0.48, 0.76), 0.20), (60, 60, 60))
    c.fill(thick_line((0.88, 0.36), (0.50, 0.74), 0.13), (245, 190, 40))
    c.fill(thick_line((0.92, 0.32), (0.84, 0.40), 0.15), (230, 120, 140))
    c.fill(triangle((0.55, 0.62), (0.62, 0.69), (0.36, 0.88)), (235, 205, 160))
    c.fill(triangle((0.42, 0.79), (0.45, 0.82), (0.36, 0.88)), (40, 40, 40))
    return c


def draw_state(size, rim, face, sign, sign_colour):
    """A cabinet state: a disc with a rim, and its sign in the middle."""
    c = Canvas(size)
    c.fill(disc(0.5, 0.5, 0.47), rim)
    c.fill(disc(0.5, 0.5, 0.41), face)
    c.fill(sign, sign_colour)
    return c


def draw_running(size):
    return draw_state(size, (20, 110, 40), (50, 180, 70),
                      triangle((0.38, 0.26), (0.38, 0.74), (0.76, 0.50)), (255, 255, 255))


def draw_stopped(size):
    return draw_state(size, (90, 90, 90), (170, 170, 170), rect(0.30, 0.30, 0.70, 0.70),
                      (200, 30, 30))


# --- ICO file --------------------------------------------------------------------------------


def dib(canvas):
    """BITMAPINFOHEADER (height doubled for the mask), the BGRA rows, the AND mask."""
    size = canvas.size
    rows = canvas.bgra_rows_bottom_up()
    mask_stride = ((size + 31) // 32) * 4
    mask = bytearray()
    for row in rows:  # 1 = transparent where alpha is 0
        bits = bytearray(mask_stride)
        for x in range(size):
            if row[4 * x + 3] == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0,
                         size * size * 4 + len(mask), 0, 0, 0, 0)
    return header + b"".join(rows) + bytes(mask)


def write_ico(path, canvases):
    images = [dib(c) for c in canvases]
    out = bytearray(struct.pack("<HHH", 0, 1, len(images)))
    offset = 6 + 16 * len(images)
    for canvas, image in zip(canvases, images):
        side = canvas.size if canvas.size < 256 else 0
        out += struct.pack("<BBBBHHII", side, side, 0, 0, 1, 32, len(image), offset)
        offset += len(image)
    for image in images:
        out += image
    with open(path, "wb") as f:
        f.write(out)


def main():
    root = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..")
    for path, draw in (("Scrutel/res/Scrutel.ico", draw_scrutel),
                       ("Mendora/res/Mendora.ico", draw_mendora),
                       ("dialog/res/Running.ico", draw_running),
                       ("dialog/res/Stopped.ico", draw_stopped)):
        write_ico(os.path.normpath(os.path.join(root, path)), [draw(16), draw(32)])


if __name__ == "__main__":
    main()
