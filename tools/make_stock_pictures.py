#!/usr/bin/python3
"""Draws the engine's four stock pictures, res/images/source1.png .. source4.png, 320 x 240
with alpha, which the compositor shows in place of a source picture:

  source1  the camera picture (a camera glyph on a dark field)
  source2  a camera that could not be opened (the glyph struck through, muted bars)
  source3  no source chosen (a "no signal" pattern of soft bars with the glyph)
  source4  a stopped playlist (a play glyph in a ring)

and res/effect.png, 72 x 54 with alpha, the thumbnail picture of an effect that has no
picture of its own (a four-pointed sparkle on a transparent field); res/webcam.png, 72 x 54,
the thumbnail of a camera (the camera picture reduced); res/error.png, 64 x 48,
the thumbnail of an effect file that cannot be read (a torn page with a red mark on a light
field). The two thumbnails are opaque: the engine hands them out without alpha.

Run from the repository root: tools/make_stock_pictures.py [RESDIR]
"""
import os
import sys

from PIL import Image, ImageDraw

W, H = 320, 240
S = 4  # drawn at four times the size, then reduced, for smooth edges


def canvas(top, bottom):
    im = Image.new("RGBA", (W * S, H * S))
    d = ImageDraw.Draw(im)
    for y in range(H * S):
        t = y / (H * S - 1)
        d.line([(0, y), (W * S, y)],
               fill=tuple(int(a + (b - a) * t) for a, b in zip(top, bottom)) + (255,))
    return im, d


def box(x0, y0, x1, y1):
    return [x0 * S, y0 * S, x1 * S, y1 * S]


def camera(d, cx, cy, colour, lens):
    d.rounded_rectangle(box(cx - 62, cy - 36, cx + 62, cy + 44), radius=14 * S, fill=colour)
    d.rounded_rectangle(box(cx - 26, cy - 50, cx + 14, cy - 30), radius=6 * S, fill=colour)
    d.ellipse(box(cx - 30, cy - 26, cx + 30, cy + 34), fill=lens)
    d.ellipse(box(cx - 19, cy - 15, cx + 19, cy + 23), fill=colour)
    d.ellipse(box(cx - 9, cy - 5, cx + 1, cy + 5), fill=lens)
    d.ellipse(box(cx + 40, cy - 28, cx + 52, cy - 16), fill=(120, 200, 140, 255))


def finish(im):
    return im.resize((W, H), Image.LANCZOS)


def source1():
    im, d = canvas((44, 52, 66), (20, 24, 32))
    camera(d, 160, 124, (214, 220, 230, 255), (44, 52, 66, 255))
    return finish(im)


def source2():
    im, d = canvas((58, 40, 44), (26, 18, 22))
    for i, c in enumerate([(150, 150, 150), (150, 150, 90), (90, 150, 150), (90, 150, 90),
                           (150, 90, 150), (150, 90, 90), (90, 90, 150)]):
        d.rectangle(box(i * W / 7, 196, (i + 1) * W / 7, 240), fill=c + (255,))
    camera(d, 160, 106, (200, 200, 206, 255), (58, 40, 44, 255))
    d.line(box(100, 46, 220, 166), fill=(224, 72, 64, 255), width=10 * S)
    return finish(im)


def source3():
    im, d = canvas((30, 30, 34), (30, 30, 34))
    bars = [(192, 192, 192), (192, 192, 64), (64, 192, 192), (64, 192, 64), (192, 64, 192),
            (192, 64, 64), (64, 64, 192)]
    for i, c in enumerate(bars):
        d.rectangle(box(i * W / 7, 0, (i + 1) * W / 7, 160), fill=tuple(v * 3 // 4 for v in c) + (255,))
    for i in range(8):
        g = i * 255 // 7
        d.rectangle(box(i * W / 8, 184, (i + 1) * W / 8, 240), fill=(g, g, g, 255))
    d.rounded_rectangle(box(96, 52, 224, 150), radius=12 * S, fill=(24, 24, 28, 230))
    camera(d, 160, 104, (214, 220, 230, 255), (24, 24, 28, 255))
    return finish(im)


def source4():
    im, d = canvas((34, 44, 58), (16, 20, 28))
    d.ellipse(box(100, 60, 220, 180), outline=(214, 220, 230, 255), width=8 * S)
    d.polygon([(145 * S, 92 * S), (145 * S, 148 * S), (192 * S, 120 * S)], fill=(214, 220, 230, 255))
    return finish(im)


def effect():
    w, h = 72, 54
    im = Image.new("RGBA", (w * S, h * S), (0, 0, 0, 0))
    d = ImageDraw.Draw(im)
    cx, cy = w / 2, h / 2

    def sparkle(x, y, r, colour):
        t = r / 4
        d.polygon([((x) * S, (y - r) * S), ((x + t) * S, (y - t) * S), ((x + r) * S, (y) * S),
                   ((x + t) * S, (y + t) * S), ((x) * S, (y + r) * S), ((x - t) * S, (y + t) * S),
                   ((x - r) * S, (y) * S), ((x - t) * S, (y - t) * S)], fill=colour)

    d.ellipse(box(cx - 24, cy - 24, cx + 24, cy + 24), fill=(70, 110, 190, 200))
    sparkle(cx, cy, 20, (255, 236, 150, 255))
    sparkle(cx + 17, cy - 13, 7, (255, 255, 255, 255))
    sparkle(cx - 16, cy + 12, 5, (255, 255, 255, 230))
    return im.resize((w, h), Image.LANCZOS)


def webcam():
    return source1().resize((72, 54), Image.LANCZOS).convert("RGB")


def error():
    w, h = 64, 48
    im = Image.new("RGBA", (w * S, h * S), (250, 250, 250, 255))
    d = ImageDraw.Draw(im)
    # A page with a torn lower edge.
    page = [(18, 4), (40, 4), (48, 12), (48, 36), (42, 40), (36, 35), (30, 41), (24, 36), (18, 40)]
    d.polygon([(x * S, y * S) for x, y in page], fill=(236, 238, 242, 255),
              outline=(120, 126, 138, 255))
    d.polygon([(40 * S, 4 * S), (40 * S, 12 * S), (48 * S, 12 * S)], fill=(190, 196, 206, 255))
    # A red disc with a white cross over its lower right corner.
    d.ellipse(box(32, 22, 56, 46), fill=(206, 52, 46, 255))
    d.line(box(38, 28, 50, 40), fill=(255, 255, 255, 255), width=3 * S)
    d.line(box(50, 28, 38, 40), fill=(255, 255, 255, 255), width=3 * S)
    return im.resize((w, h), Image.LANCZOS).convert("RGB")


def main():
    resdir = sys.argv[1] if len(sys.argv) > 1 else "res"
    outdir = os.path.join(resdir, "images")
    os.makedirs(outdir, exist_ok=True)
    for n, draw in enumerate([source1, source2, source3, source4], start=1):
        draw().save(os.path.join(outdir, "source%d.png" % n), optimize=True)
    effect().save(os.path.join(resdir, "effect.png"), optimize=True)
    webcam().save(os.path.join(resdir, "webcam.png"), optimize=True)
    error().save(os.path.join(resdir, "error.png"), optimize=True)


if __name__ == "__main__":
    main()
