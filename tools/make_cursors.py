#!/usr/bin/python3
"""Draws the drawing board's three tool cursors and writes them as Windows cursor files:

  res/pen.cur     a pencil, hot spot at its tip (bottom left)
  res/Eraser.cur  an eraser block, hot spot at its centre (the eraser clears around it)
  res/fill.cur    a tipped paint bucket, hot spot at the tip of the drip of paint

Each file holds one 32 x 32 picture at 32 bits per pixel with alpha, plus the 1-bit mask
that older systems use. The file is written field by field, little-endian:

  header      u16 reserved 0, u16 type 2 (cursor), u16 count 1
  entry       u8 width, u8 height, u8 colour count 0, u8 reserved 0,
              u16 hot spot x, u16 hot spot y, u32 size of the picture, u32 its offset
  picture     BITMAPINFOHEADER (40 bytes, height doubled for the mask), the pixels
              bottom-up in blue, green, red, alpha, then the mask bottom-up, one bit per
              pixel (1 = transparent), rows padded to 4 bytes

Run from the repository root: tools/make_cursors.py [OUTDIR]
"""
import os
import struct
import sys

SIZE = 32

BLACK = (0, 0, 0, 255)
WHITE = (255, 255, 255, 255)


class Canvas:
    def __init__(self):
        self.px = [[(0, 0, 0, 0) for _ in range(SIZE)] for _ in range(SIZE)]

    def put(self, x, y, colour):
        if 0 <= x < SIZE and 0 <= y < SIZE:
            self.px[y][x] = colour

    def polygon(self, points, fill, outline=BLACK):
        """Fills the pixels whose centres lie inside the polygon and outlines its edge."""
        inside = [[_inside(points, x + 0.5, y + 0.5) for x in range(SIZE)] for y in range(SIZE)]
        for y in range(SIZE):
            for x in range(SIZE):
                if not inside[y][x]:
                    continue
                edge = any(
                    not (0 <= x + dx < SIZE and 0 <= y + dy < SIZE) or not inside[y + dy][x + dx]
                    for dx, dy in ((1, 0), (-1, 0), (0, 1), (0, -1)))
                self.put(x, y, outline if edge and outline else fill)

    def line(self, x0, y0, x1, y1, colour):
        steps = max(abs(x1 - x0), abs(y1 - y0), 1)
        for i in range(steps + 1):
            self.put(round(x0 + (x1 - x0) * i / steps), round(y0 + (y1 - y0) * i / steps), colour)


def _inside(points, x, y):
    result = False
    n = len(points)
    for i in range(n):
        (x0, y0), (x1, y1) = points[i], points[(i + 1) % n]
        if (y0 > y) != (y1 > y) and x < x0 + (y - y0) * (x1 - x0) / (y1 - y0):
            result = not result
    return result


def pen():
    c = Canvas()
    # The pencil runs from its tip at the bottom left to its end at the top right.
    c.polygon([(1, 31), (4, 22), (23, 3), (29, 9), (10, 28)], (250, 200, 60, 255))
    c.polygon([(1, 31), (4, 22), (10, 28)], (235, 205, 160, 255))
    c.polygon([(1, 31), (2, 27), (5, 30)], (40, 40, 40, 255), None)
    c.polygon([(23, 3), (26, 0), (32, 6), (29, 9)], (240, 140, 160, 255))
    c.line(6, 24, 24, 6, (200, 150, 30, 255))
    return c, (1, 30)


def eraser():
    c = Canvas()
    c.polygon([(4, 20), (18, 6), (28, 16), (14, 30)], WHITE)
    c.polygon([(4, 20), (11, 13), (21, 23), (14, 30)], (230, 90, 110, 255))
    c.put(16, 16, BLACK)
    return c, (16, 16)


def fill():
    c = Canvas()
    # A bucket tipped to the right, paint running from its lip.
    c.polygon([(6, 12), (17, 3), (27, 14), (16, 25)], (200, 200, 210, 255))
    c.polygon([(17, 3), (20, 6), (9, 15), (6, 12)], (120, 120, 130, 255))
    c.line(12, 8, 5, 3, BLACK)
    c.line(5, 3, 3, 6, BLACK)
    c.polygon([(24, 12), (29, 12), (30, 27), (28, 30), (26, 27)], (40, 110, 230, 255))
    return c, (28, 30)


def cursor_file(canvas, hotspot):
    width = height = SIZE
    pixels = bytearray()
    for y in reversed(range(height)):
        for x in range(width):
            r, g, b, a = canvas.px[y][x]
            pixels += bytes((b, g, r, a))
    mask_row = (width + 31) // 32 * 4
    mask = bytearray()
    for y in reversed(range(height)):
        row = bytearray(mask_row)
        for x in range(width):
            if canvas.px[y][x][3] == 0:
                row[x // 8] |= 0x80 >> (x % 8)
        mask += row
    header = struct.pack('<IiiHHIIiiII', 40, width, height * 2, 1, 32, 0,
                         len(pixels) + len(mask), 0, 0, 0, 0)
    picture = header + pixels + mask
    directory = struct.pack('<HHH', 0, 2, 1)
    entry = struct.pack('<BBBBHHII', width, height, 0, 0, hotspot[0], hotspot[1], len(picture),
                        len(directory) + 16)
    return directory + entry + picture


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else 'res'
    os.makedirs(out, exist_ok=True)
    for name, draw in (('pen.cur', pen), ('Eraser.cur', eraser), ('fill.cur', fill)):
        canvas, hotspot = draw()
        with open(os.path.join(out, name), 'wb') as f:
            f.write(cursor_file(canvas, hotspot))


if __name__ == '__main__':
    main()
