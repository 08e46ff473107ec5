#!/usr/bin/python3
"""Writes the picture files that the image tests decode, made by independent encoders
(PIL, ImageMagick, and a few byte-level BMP variants neither of them writes), and for each
one the pixels PIL decodes from it, so the tests can compare our decoder with PIL's.

Usage: make_fixtures.py OUTDIR

OUTDIR/manifest.txt lists "file format_id" per fixture. OUTDIR/<file>.rgba holds the
reference: width and height as 32-bit little-endian, then the pixels top line first as
red, green, blue, alpha bytes.

OUTDIR/jpegs.txt lists "file dpi_x dpi_y" per JPEG whose reference PIL decoded (the
decoders may differ by a level or two); <file>.half.rgba is PIL's decode at half size.

OUTDIR/animations.txt lists "file frames delay,delay,..." per animated GIF, with the
reference of frame k, as ImageMagick composes it, in OUTDIR/<file>.<k>.rgba.
"""
import os
import struct
import subprocess
import sys

from PIL import Image

from fixture_pictures import grey_image, palette_image, pattern_rgb, pattern_rgba

BMP, GIF, JPG, PNG, ICO = 1, 2, 3, 4, 5


def bitmap_file(info, palette, pixels):
    """A BMP file around a 40-byte information header, palette bytes and pixel bytes."""
    offset = 14 + len(info) + len(palette)
    return struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset) + info + palette + pixels


def info_header(w, h, bits, compression=0, image_size=0, colours=0):
    return struct.pack("<IiiHHIIiiII", 40, w, h, 1, bits, compression, image_size, 2835, 2835,
                       colours, 0)


def rows_24(im, top_down):
    w, h = im.size
    px = im.load()
    order = range(h) if top_down else range(h - 1, -1, -1)
    out = b""
    for y in order:
        row = b"".join(bytes((px[x, y][2], px[x, y][1], px[x, y][0])) for x in range(w))
        out += row + b"\0" * ((4 - len(row) % 4) % 4)
    return out


def rle4_bytes(indices, w, h):
    """RLE4 data with runs of odd and even length and literal groups, bottom row first."""
    out = b""
    for y in range(h - 1, -1, -1):
        row = indices[y * w:(y + 1) * w]
        x = 0
        while x < w:
            run = 1
            while x + run < w and run < 255 and row[x + run] == row[x]:
                run += 1
            if run >= 2 or w - x < 3:
                n = run if run >= 2 else 1
                out += bytes((n, row[x] << 4 | row[x]))
                x += n
            else:
                n = min(5, w - x)
                lit = row[x:x + n]
                packed = bytes(((lit[i] << 4) | (lit[i + 1] if i + 1 < n else 0)) for i in range(0, n, 2))
                out += bytes((0, n)) + packed
                if len(packed) % 2:
                    out += b"\0"
                x += n
        out += b"\0\0"
    return out + b"\0\1"


def write_handmade_bmps(outdir, fixtures):
    im = pattern_rgb(17, 5)
    w, h = im.size
    # Top-down 24-bit rows (negative height).
    data = rows_24(im, True)
    with open(os.path.join(outdir, "topdown24.bmp"), "wb") as f:
        f.write(bitmap_file(info_header(w, -h, 24), b"", data))
    fixtures.append(("topdown24.bmp", BMP))
    # A bare DIB: the information header first, no file header.
    with open(os.path.join(outdir, "bare24.dib"), "wb") as f:
        f.write(info_header(w, h, 24) + rows_24(im, False))
    fixtures.append(("bare24.dib", BMP))
    # RLE4 with odd runs, literals and end-of-line codes.
    indices = [min(15, (x // 3 + y) % 16) for y in range(9) for x in range(13)]
    palette = b"".join(bytes(((i * 17) & 255, (255 - i * 13) & 255, (i * 40) & 255, 0))
                       for i in range(16))
    data = rle4_bytes(indices, 13, 9)
    with open(os.path.join(outdir, "rle4.bmp"), "wb") as f:
        f.write(bitmap_file(info_header(13, 9, 4, 2, len(data), 16), palette, data))
    fixtures.append(("rle4.bmp", BMP))


def magick(args, outdir, name, fmt, fixtures):
    try:
        subprocess.run(["convert"] + args + [os.path.join(outdir, name) if ":" not in name
                                              else name.split(":")[0] + ":" + os.path.join(outdir, name.split(":")[1])],
                       check=True, capture_output=True)
    except (OSError, subprocess.CalledProcessError):
        return
    fixtures.append((name.split(":")[-1], fmt))


def write_reference(outdir, name, image=None):
    im = image if image is not None else Image.open(os.path.join(outdir, name))
    if im.mode == "P" and "transparency" in im.info:
        im = im.convert("RGBA")
    rgba = im.convert("RGBA")
    with open(os.path.join(outdir, name + ".rgba"), "wb") as f:
        f.write(struct.pack("<II", rgba.width, rgba.height) + rgba.tobytes())


def coalesced_frames(path):
    """The frames of an animation composed by ImageMagick, as RGBA bytes each."""
    im = Image.open(path)
    w, h = im.size
    data = subprocess.run(["convert", path, "-coalesce", "-depth", "8", "rgba:-"],
                          check=True, capture_output=True).stdout
    size = w * h * 4
    return w, h, [data[i:i + size] for i in range(0, len(data), size)]


def frame_image(w, h, k, alpha):
    """Frame k of a test animation: a moving pattern, with holes when alpha is set."""
    im = Image.new("RGBA", (w, h))
    im.putdata([((x * 40 + k * 70) & 255, (y * 50 + k * 30) & 255, ((x ^ y) * 20 + k * 90) & 255,
                 0 if alpha and (x + y + k) % 5 == 0 else 255) for y in range(h) for x in range(w)])
    return im


def write_animations(outdir):
    made = []
    # PIL: frames in palettes of their own, every disposal method, transparency, 20 rows
    # (PIL interlaces them).
    frames = []
    for k in range(4):
        im = Image.new("P", (24, 20))
        pal = []
        for i in range(8):
            pal += [(i * 60 + k * 20) & 255, (i * 30 + k * 50) & 255, (200 - i * 25) & 255]
        im.putpalette(pal)
        im.putdata([(x // 3 + y // 2 + k) % 8 for y in range(20) for x in range(24)])
        frames.append(im)
    path = os.path.join(outdir, "pil_anim.gif")
    frames[0].save(path, save_all=True, append_images=frames[1:], duration=[100, 200, 300, 70],
                   disposal=[1, 2, 3, 0], transparency=0, loop=0, optimize=False)
    made.append(("pil_anim.gif", [10, 20, 30, 7]))
    # PIL: one palette for every frame, no transparency.
    shared = [f.copy() for f in frames]
    for f in shared:
        f.putpalette(frames[0].getpalette())
    path = os.path.join(outdir, "pil_shared_palette.gif")
    shared[0].save(path, save_all=True, append_images=shared[1:], duration=50, loop=0,
                   optimize=False)
    made.append(("pil_shared_palette.gif", [5, 5, 5, 5]))
    # ImageMagick: frames of different sizes and offsets with transparent holes, disposal
    # none, background and previous.
    parts = []
    for k, (w, h) in enumerate([(30, 22), (12, 9), (17, 11), (30, 22)]):
        name = os.path.join(outdir, "frame%d.png" % k)
        frame_image(w, h, k, k > 0).save(name)
        parts.append(name)
    path = os.path.join(outdir, "im_anim.gif")
    subprocess.run(["convert", "-delay", "10", "-dispose", "None", parts[0],
                    "-dispose", "Background", "-page", "+3+2", parts[1],
                    "-dispose", "Previous", "-delay", "25", "-page", "+9+8", parts[2],
                    "-dispose", "None", "-delay", "40", "-page", "+0+0", parts[3],
                    "-loop", "0", path], check=True, capture_output=True)
    made.append(("im_anim.gif", [10, 10, 25, 40]))
    for name in parts:
        os.remove(name)

    kept = []
    for name, delays in made:
        w, h, composed = coalesced_frames(os.path.join(outdir, name))
        im = Image.open(os.path.join(outdir, name))
        read = []
        for k in range(im.n_frames):
            im.seek(k)
            read.append(im.info.get("duration", 0) // 10)
        if read != delays:
            print("%s: PIL reads the delays %s, written %s" % (name, read, delays), file=sys.stderr)
        for k, data in enumerate(composed):
            with open(os.path.join(outdir, "%s.%d.rgba" % (name, k)), "wb") as f:
                f.write(struct.pack("<II", w, h) + data)
        kept.append("%s %d %s" % (name, len(composed), ",".join(str(d) for d in delays)))
    with open(os.path.join(outdir, "animations.txt"), "w") as f:
        f.write("".join(line + "\n" for line in kept))


def set_jfif_density(path, unit, x, y):
    """Rewrites the density fields of the JFIF header PIL wrote."""
    with open(path, "rb") as f:
        data = bytearray(f.read())
    assert data[2:4] == b"\xff\xe0" and data[6:11] == b"JFIF\0"
    data[13] = unit
    data[14:18] = struct.pack(">HH", x, y)
    with open(path, "wb") as f:
        f.write(data)


def exiftool(path, *args):
    subprocess.run(["exiftool", "-q", "-overwrite_original"] + list(args) + [path], check=True,
                   capture_output=True)


def write_jpegs(outdir):
    listed = []

    def save(im, name, expected_dpi, **options):
        path = os.path.join(outdir, name)
        im.save(path, "JPEG", **options)
        listed.append((name, expected_dpi))
        return path

    rgb = pattern_rgb(67, 45)
    save(rgb, "rgb.jpg", (72, 72), quality=92, dpi=(72, 72))
    save(rgb, "rgb_progressive.jpg", (300, 300), quality=80, progressive=True, dpi=(300, 300))
    # Without a resolution the densities are taken as dots per inch: PIL's JFIF header
    # has no unit and density 1; a CMYK file has no JFIF header, whose defaults are the same.
    save(rgb, "rgb_444.jpg", (1, 1), quality=95, subsampling=0)
    save(grey_image(33, 17, 256), "grey.jpg", (1, 1), quality=90)
    save(rgb.convert("CMYK"), "cmyk.jpg", (1, 1), quality=95)
    path = save(rgb, "jfif_cm.jpg", (71, 71), quality=90)
    set_jfif_density(path, 2, 28, 28)
    path = save(rgb, "jfif_aspect.jpg", (3, 2), quality=90)
    set_jfif_density(path, 0, 3, 2)  # no unit: the densities as dots per inch
    # EXIF written by PIL (Intel order): 72 dots per inch whatever the JFIF header says.
    exif = Image.Exif()
    exif[0x011A] = 72.0
    exif[0x011B] = 72.0
    exif[0x0128] = 2
    exif[0x010F] = "PIL camera"
    exif[0x0112] = 6
    save(rgb, "exif_pil.jpg", (72, 72), quality=90, dpi=(300, 300), exif=exif.tobytes())
    # EXIF written by exiftool, Motorola order: centimetres, with a thumbnail directory.
    path = save(rgb, "exif_tool.jpg", (72, 72), quality=90, dpi=(200, 200))
    exiftool(path, "-ExifByteOrder=Big-endian", "-XResolution=28.35", "-YResolution=28.35",
             "-ResolutionUnit=cm", "-Make=Tool Make", "-Model=Tool Model 1",
             "-ISO=400", "-ExposureTime=1/64", "-FNumber=4", "-DateTimeOriginal=2021:02:03 04:05:06",
             "-UserComment=Hello from exiftool", "-Comment=first line")
    thumbnail = os.path.join(outdir, "thumb.jpg")
    pattern_rgb(16, 12).save(thumbnail, "JPEG")
    exiftool(path, "-ThumbnailImage<=" + thumbnail)
    os.remove(thumbnail)
    # Intel order by exiftool.
    path = save(rgb, "exif_tool_ii.jpg", (150, 150), quality=90)
    exiftool(path, "-ExifByteOrder=Little-endian", "-XResolution=150", "-YResolution=150",
             "-ResolutionUnit=inches", "-Model=Intel Order")

    kept = []
    for name, dpi in listed:
        path = os.path.join(outdir, name)
        write_reference(outdir, name)
        half = Image.open(path)
        half.draft(half.mode, (half.width // 2, half.height // 2))
        rgba = half.convert("RGBA")
        with open(path + ".half.rgba", "wb") as f:
            f.write(struct.pack("<II", rgba.width, rgba.height) + rgba.tobytes())
        kept.append("%s %d %d" % (name, dpi[0], dpi[1]))
    with open(os.path.join(outdir, "jpegs.txt"), "w") as f:
        f.write("".join(line + "\n" for line in kept))


def main():
    outdir = sys.argv[1]
    os.makedirs(outdir, exist_ok=True)
    fixtures = []

    def save(im, name, fmt, **options):
        im.save(os.path.join(outdir, name), **options)
        fixtures.append((name, fmt))

    # PNG written by PIL: every colour type and the bit depths PIL chooses by palette size.
    save(pattern_rgb(33, 17), "rgb8.png", PNG)
    save(pattern_rgba(33, 17), "rgba8.png", PNG)
    save(grey_image(33, 17, 256), "grey8.png", PNG)
    save(grey_image(17, 5, 2).convert("1"), "grey1.png", PNG)
    save(Image.merge("LA", (grey_image(33, 17, 256), pattern_rgba(33, 17).split()[3])),
         "greyalpha8.png", PNG)
    save(palette_image(33, 17, 2), "pal1.png", PNG)
    save(palette_image(17, 5, 4), "pal2.png", PNG)
    save(palette_image(33, 17, 16), "pal4.png", PNG)
    save(palette_image(33, 17, 200), "pal8.png", PNG)
    save(palette_image(33, 17, 16), "pal4_trns0.png", PNG, transparency=0)
    save(palette_image(33, 17, 200), "pal8_trns.png", PNG, transparency=bytes([0, 128, 255, 60]))
    save(pattern_rgb(33, 17), "rgb8_key.png", PNG, transparency=(37, 7, 90))
    save(grey_image(33, 17, 256), "grey8_key.png", PNG, transparency=3)
    save(pattern_rgb(33, 17), "rgb8_dpi72.png", PNG, dpi=(72, 72))

    # PNG written by ImageMagick: interlaced, 16-bit samples, 2- and 4-bit grey.
    rgb_src = os.path.join(outdir, "rgb8.png")
    rgba_src = os.path.join(outdir, "rgba8.png")
    magick([rgb_src, "-interlace", "PNG"], outdir, "PNG24:im_interlaced_rgb.png", PNG, fixtures)
    magick([rgba_src, "-interlace", "PNG"], outdir, "PNG32:im_interlaced_rgba.png", PNG, fixtures)
    magick([rgb_src, "-depth", "16"], outdir, "PNG48:im_rgb16.png", PNG, fixtures)
    magick([rgba_src, "-depth", "16"], outdir, "PNG64:im_rgba16.png", PNG, fixtures)
    magick([os.path.join(outdir, "grey8.png"), "-colors", "4", "-depth", "2", "-define",
            "png:bit-depth=2", "-define", "png:color-type=0"], outdir, "im_grey2.png", PNG, fixtures)
    magick([os.path.join(outdir, "grey8.png"), "-colors", "16", "-depth", "4", "-define",
            "png:bit-depth=4", "-define", "png:color-type=0"], outdir, "im_grey4.png", PNG, fixtures)
    magick([os.path.join(outdir, "pal8.png"), "-interlace", "PNG"], outdir,
           "PNG8:im_interlaced_pal.png", PNG, fixtures)

    # BMP written by PIL (40-byte headers).
    save(grey_image(33, 17, 2).convert("1"), "mono1.bmp", BMP)
    save(palette_image(33, 17, 200), "pal8.bmp", BMP)
    save(pattern_rgb(33, 17), "rgb24.bmp", BMP)
    save(pattern_rgb(5, 3), "rgb24_w5.bmp", BMP)
    save(pattern_rgba(17, 5), "bgrx32.bmp", BMP)

    # BMP written by ImageMagick: 4-bit, RLE8, the 12-byte core header, the 124-byte header.
    pal16 = os.path.join(outdir, "pal4.png")
    magick([pal16, "-type", "Palette"], outdir, "BMP3:im_pal4.bmp", BMP, fixtures)
    magick([os.path.join(outdir, "pal8.png"), "-type", "Palette", "-compress", "RLE"], outdir,
           "BMP3:im_rle8.bmp", BMP, fixtures)
    magick([rgb_src], outdir, "BMP2:im_core24.bmp", BMP, fixtures)
    magick([pal16, "-type", "Palette"], outdir, "BMP2:im_core_pal.bmp", BMP, fixtures)
    magick([rgb_src, "-type", "TrueColor"], outdir, "BMP:im_v5_24.bmp", BMP, fixtures)

    write_handmade_bmps(outdir, fixtures)

    # Icons: PIL's bitmap icons (32-bit with alpha, 8-bit and 24-bit with an empty mask) and
    # ImageMagick's (AND mask from transparency).
    save(pattern_rgba(5, 7), "rgba32_w5.ico", ICO, format="ICO", sizes=[(5, 7)],
         bitmap_format="bmp")
    # (PIL pads the AND mask rows of its icons to whole bytes, not to 4 bytes as icons
    # need; widths that are multiples of 32 keep its files valid.)
    save(pattern_rgb(32, 17), "rgb24.ico", ICO, format="ICO", sizes=[(32, 17)],
         bitmap_format="bmp")
    save(palette_image(32, 5, 200), "pal8.ico", ICO, format="ICO", sizes=[(32, 5)],
         bitmap_format="bmp")
    magick([rgba_src], outdir, "ICO:im_rgba.ico", ICO, fixtures)

    # GIF written by PIL at each depth, with transparency, and interlaced by ImageMagick.
    save(palette_image(33, 17, 2), "pal1.gif", GIF)
    save(palette_image(33, 17, 16), "pal4.gif", GIF)
    save(palette_image(33, 17, 200), "pal8.gif", GIF)
    save(palette_image(33, 17, 16), "pal4_trns.gif", GIF, transparency=3)
    magick([rgb_src, "-interlace", "GIF"], outdir, "GIF:im_interlaced.gif", GIF, fixtures)
    magick([rgba_src], outdir, "GIF:im_rgba.gif", GIF, fixtures)
    write_animations(outdir)
    write_jpegs(outdir)

    kept = []
    for name, fmt in fixtures:
        try:
            write_reference(outdir, name)
        except Exception as error:  # a file PIL cannot read is no reference
            print("skipped %s: %s" % (name, error), file=sys.stderr)
            continue
        kept.append((name, fmt))
    with open(os.path.join(outdir, "manifest.txt"), "w") as f:
        for name, fmt in kept:
            f.write("%s %d\n" % (name, fmt))


if __name__ == "__main__":
    main()
