#!/usr/bin/python3
"""Draws the program's own pictures into res/images, all PNG with alpha:

  logo.png          80 x 80, the product emblem of the about box (a lens in a rounded
                    square)
  splash.png        400 x 200, the start-up splash: the emblem and the product name on a
                    dark field
  il_01.png ..      20 x 20 each, the icon list of the engine window; icon n is entry n-1
  il_16.png         of the list, and the windows refer to the entries by these numbers:

     0  add to the playlist (a page with a plus)       8  volume, middle (two waves)
     1  remove all (a cross)                            9  volume, high (three waves)
     2  play (a triangle)                              10  preview shown (a screen, lit)
     3  pause (two bars)                               11  preview hidden (a dark screen)
     4  stop (a square)                                12  repeat on (a ring of arrows)
     5  the video source (a screen with a play mark)   13  repeat off (the ring, grey)
     6  muted (a speaker struck through)               14  the video file source (film)
     7  volume, low (one wave)                         15  a capture device (a camera)

Every entry the windows use is present and the numbering has no gap, because the list
stops loading at the first missing file.

Run from the repository root: tools/make_program_pictures.py [RESDIR]
"""
import os
import sys

from PIL import Image, ImageDraw, ImageFont

S = 4  # drawn at four times the size, then reduced, for smooth edges
FONT = "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf"
PRODUCT = "Lumetra"

INK = (52, 60, 76, 255)          # the glyphs' dark grey-blue
ACCENT = (40, 120, 215, 255)     # the active blue
GREEN = (46, 160, 84, 255)
RED = (208, 56, 48, 255)
GREY = (150, 156, 166, 255)
WHITE = (255, 255, 255, 255)


def scaled(points):
    return [(x * S, y * S) for x, y in points]


def box(x0, y0, x1, y1):
    return [x0 * S, y0 * S, x1 * S, y1 * S]


class Icon:
    """A 20 x 20 picture drawn at S times the size on a transparent field."""
    SIZE = 20

    def __init__(self):
        self.im = Image.new("RGBA", (self.SIZE * S, self.SIZE * S), (0, 0, 0, 0))
        self.d = ImageDraw.Draw(self.im)

    def picture(self):
        return self.im.resize((self.SIZE, self.SIZE), Image.LANCZOS)

    def polygon(self, points, fill):
        self.d.polygon(scaled(points), fill=fill)

    def line(self, points, fill, width):
        self.d.line(scaled(points), fill=fill, width=int(width * S), joint="curve")
        r = width * S / 2
        for x, y in (points[0], points[-1]):  # round ends
            self.d.ellipse([x * S - r, y * S - r, x * S + r, y * S + r], fill=fill)

    def rect(self, x0, y0, x1, y1, fill, radius=0):
        self.d.rounded_rectangle(box(x0, y0, x1, y1), radius=radius * S, fill=fill)

    def frame(self, x0, y0, x1, y1, outline, width, radius=0):
        self.d.rounded_rectangle(box(x0, y0, x1, y1), radius=radius * S, outline=outline,
                                 width=int(width * S))

    def ellipse(self, x0, y0, x1, y1, fill=None, outline=None, width=1):
        self.d.ellipse(box(x0, y0, x1, y1), fill=fill, outline=outline, width=int(width * S))

    def arc(self, x0, y0, x1, y1, start, end, fill, width):
        self.d.arc(box(x0, y0, x1, y1), start, end, fill=fill, width=int(width * S))


def icon_add():
    ic = Icon()
    ic.polygon([(3, 2), (11, 2), (15, 6), (15, 18), (3, 18)], INK)
    ic.polygon([(4.5, 3.5), (10.4, 3.5), (13.5, 6.6), (13.5, 16.5), (4.5, 16.5)], WHITE)
    ic.polygon([(10.4, 3.5), (10.4, 6.6), (13.5, 6.6)], GREY)
    ic.ellipse(9, 9, 19, 19, fill=GREEN)
    ic.line([(14, 11.2), (14, 16.8)], WHITE, 1.8)
    ic.line([(11.2, 14), (16.8, 14)], WHITE, 1.8)
    return ic.picture()


def icon_remove_all():
    ic = Icon()
    ic.line([(5, 5), (15, 15)], RED, 3)
    ic.line([(15, 5), (5, 15)], RED, 3)
    return ic.picture()


def icon_play():
    ic = Icon()
    ic.polygon([(5, 3), (17, 10), (5, 17)], GREEN)
    return ic.picture()


def icon_pause():
    ic = Icon()
    ic.rect(4.5, 3.5, 8.5, 16.5, ACCENT, 1)
    ic.rect(11.5, 3.5, 15.5, 16.5, ACCENT, 1)
    return ic.picture()


def icon_stop():
    ic = Icon()
    ic.rect(4, 4, 16, 16, INK, 1.5)
    return ic.picture()


def screen(ic, face):
    ic.rect(1.5, 2.5, 18.5, 14.5, INK, 2)
    ic.rect(3, 4, 17, 13, face, 0.5)
    ic.rect(8, 14.5, 12, 16.5, INK)
    ic.rect(5, 16.5, 15, 18, INK, 0.75)


def icon_source():
    ic = Icon()
    screen(ic, (214, 226, 242, 255))
    ic.polygon([(8, 5.5), (13.5, 8.5), (8, 11.5)], ACCENT)
    return ic.picture()


def speaker(ic, colour):
    ic.polygon([(2, 7), (5.5, 7), (10, 3), (10, 17), (5.5, 13), (2, 13)], colour)


def icon_volume(waves):
    def draw():
        ic = Icon()
        speaker(ic, INK)
        for i in range(waves):
            r = 5.5 + i * 3
            ic.arc(7.5 - r, 10 - r, 7.5 + r, 10 + r, -45, 45, ACCENT, 1.6)
        return ic.picture()
    return draw


def icon_mute():
    ic = Icon()
    speaker(ic, INK)
    ic.line([(12.5, 7), (18, 13)], RED, 2)
    ic.line([(18, 7), (12.5, 13)], RED, 2)
    return ic.picture()


def icon_preview_on():
    ic = Icon()
    screen(ic, (120, 190, 250, 255))
    ic.polygon([(3, 13), (8, 8), (11, 11), (13, 9), (17, 13)], (46, 128, 70, 255))
    ic.ellipse(12.5, 5, 15.5, 8, fill=(255, 230, 120, 255))
    return ic.picture()


def icon_preview_off():
    ic = Icon()
    screen(ic, (70, 76, 88, 255))
    return ic.picture()


def ring(colour):
    ic = Icon()
    ic.arc(3, 3, 17, 17, 200, 340, colour, 2)
    ic.arc(3, 3, 17, 17, 20, 160, colour, 2)
    # Arrow heads at the clockwise ends of the two arcs.
    ic.polygon([(14.2, 1.8), (18.6, 5.6), (13.0, 7.4)], colour)
    ic.polygon([(5.8, 18.2), (1.4, 14.4), (7.0, 12.6)], colour)
    return ic.picture()


def icon_loop_on():
    return ring(ACCENT)


def icon_loop_off():
    return ring(GREY)


def icon_file_source():
    ic = Icon()
    ic.rect(3, 1.5, 17, 18.5, INK, 1)
    ic.rect(7, 3.5, 13, 9, (214, 226, 242, 255))
    ic.rect(7, 11, 13, 16.5, (214, 226, 242, 255))
    for y in (3, 6, 9, 12, 15):
        ic.rect(4, y, 5.6, y + 1.6, WHITE)
        ic.rect(14.4, y, 16, y + 1.6, WHITE)
    return ic.picture()


def icon_camera():
    ic = Icon()
    ic.rect(2, 6, 14, 15, INK, 1.5)
    ic.polygon([(14, 8.5), (19, 5.5), (19, 15.5), (14, 12.5)], INK)
    ic.ellipse(5, 7.5, 11, 13.5, fill=(214, 226, 242, 255))
    ic.ellipse(6.8, 9.3, 9.2, 11.7, fill=ACCENT)
    ic.ellipse(11, 3, 14, 6, fill=RED)
    return ic.picture()


ICONS = [icon_add, icon_remove_all, icon_play, icon_pause, icon_stop, icon_source, icon_mute,
         icon_volume(1), icon_volume(2), icon_volume(3), icon_preview_on, icon_preview_off,
         icon_loop_on, icon_loop_off, icon_file_source, icon_camera]


def emblem(size):
    """The product emblem: a lens in a rounded square of blue, size pixels wide."""
    n = size * S
    im = Image.new("RGBA", (n, n), (0, 0, 0, 0))
    d = ImageDraw.Draw(im)
    # The rounded square, shaded from a light to a deep blue.
    shade = Image.new("RGBA", (n, n))
    sd = ImageDraw.Draw(shade)
    for y in range(n):
        t = y / (n - 1)
        sd.line([(0, y), (n, y)], fill=(int(70 - 40 * t), int(150 - 70 * t), int(240 - 60 * t), 255))
    mask = Image.new("L", (n, n), 0)
    ImageDraw.Draw(mask).rounded_rectangle([0, 0, n - 1, n - 1], radius=n // 5, fill=255)
    im.paste(shade, (0, 0), mask)
    # The lens: rings from the rim inwards, a highlight at the top left.
    c = n / 2
    for r, colour in ((0.36, (236, 242, 250, 255)), (0.30, (30, 40, 60, 255)),
                      (0.22, (56, 96, 160, 255)), (0.13, (18, 24, 36, 255))):
        d.ellipse([c - r * n, c - r * n, c + r * n, c + r * n], fill=colour)
    d.ellipse([c - 0.12 * n, c - 0.12 * n, c - 0.04 * n, c - 0.04 * n], fill=(255, 255, 255, 220))
    d.ellipse([c + 0.05 * n, c + 0.05 * n, c + 0.09 * n, c + 0.09 * n], fill=(255, 255, 255, 140))
    return im.resize((size, size), Image.LANCZOS)


def logo():
    return emblem(80)


def splash():
    w, h = 400, 200
    im = Image.new("RGBA", (w * S, h * S))
    d = ImageDraw.Draw(im)
    for y in range(h * S):
        t = y / (h * S - 1)
        d.line([(0, y), (w * S, y)], fill=(int(34 - 18 * t), int(42 - 22 * t), int(60 - 30 * t), 255))
    # A thin light band under the name.
    d.rectangle(box(150, 118, 370, 120), fill=(40, 120, 215, 255))
    font = ImageFont.truetype(FONT, 40 * S)
    d.text((150 * S, 68 * S), PRODUCT, font=font, fill=(236, 242, 250, 255))
    small = ImageFont.truetype(FONT.replace("-Bold", ""), 13 * S)
    d.text((151 * S, 128 * S), "virtual webcam", font=small, fill=(150, 170, 200, 255))
    im = im.resize((w, h), Image.LANCZOS)
    mark = emblem(100)
    im.alpha_composite(mark, (30, 50))
    return im


def main():
    resdir = sys.argv[1] if len(sys.argv) > 1 else "res"
    outdir = os.path.join(resdir, "images")
    os.makedirs(outdir, exist_ok=True)
    logo().save(os.path.join(outdir, "logo.png"), optimize=True)
    splash().save(os.path.join(outdir, "splash.png"), optimize=True)
    for n, draw in enumerate(ICONS, start=1):
        draw().save(os.path.join(outdir, "il_%02d.png" % n), optimize=True)


if __name__ == "__main__":
    main()
