"""The pictures the fixture scripts write in every format: reproducible patterns of
colours, alpha, palette indices and grey levels (the same patterns as TestPictures.cpp)."""
from PIL import Image


def pattern_rgb(w, h):
    im = Image.new("RGB", (w, h))
    im.putdata([((x * 37 + y * 11) & 255, (x * 5 + y * 29 + 7) & 255, (x * y + 3 * x + 90) & 255)
                for y in range(h) for x in range(w)])
    return im


def pattern_rgba(w, h):
    im = Image.new("RGBA", (w, h))
    im.putdata([((x * 37 + y * 11) & 255, (x * 5 + y * 29 + 7) & 255, (x * y + 90) & 255,
                 (0, 255, 128, 40, 255, 7)[(x + 2 * y) % 6]) for y in range(h) for x in range(w)])
    return im


def pattern_indices(w, h, colours):
    return [(x * 3 + y * 7 + x * y) % colours for y in range(h) for x in range(w)]


def palette_image(w, h, colours, full_palette=False):
    """`colours` distinct colours; with full_palette the palette is padded to 256 entries."""
    im = Image.new("P", (w, h))
    pal = []
    for i in range(colours):
        pal += [(i * 53 + 17) & 255, (i * 101 + 3) & 255, (i * 29 + 200) & 255]
    if full_palette:
        pal += [0] * (768 - len(pal))
    im.putpalette(pal)
    im.putdata(pattern_indices(w, h, colours))
    return im


def grey_image(w, h, levels):
    im = Image.new("L", (w, h))
    step = 255 // (levels - 1)
    im.putdata([((x + y * 3) % levels) * step for y in range(h) for x in range(w)])
    return im
