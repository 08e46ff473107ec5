#!/usr/bin/python3
"""Writes picture files in TIFF, Targa, PCX, WBMP and the JPEG-2000 family (JP2, JPC, PGX,
PNM, Sun raster) with independent tools (PIL, ImageMagick, libtiff's and OpenJPEG's
command-line tools, netpbm) and beside each the pixels those tools, or the picture the file
was made from, say it holds.

Usage: make_more_fixtures.py OUTDIR

OUTDIR/formats.txt lists "file format_id tolerance frame" per file; OUTDIR/<file>.rgba is
its reference (the layout of make_fixtures.py).
"""
import os
import shutil
import struct
import subprocess
import sys

from PIL import Image

from fixture_pictures import grey_image, palette_image, pattern_rgb, pattern_rgba

TIF, TGA, PCX, WBMP, JP2, JPC, PGX, PNM, RAS = 6, 7, 8, 9, 11, 12, 13, 14, 15


class Writer:
    def __init__(self, outdir):
        self.outdir = outdir
        self.listed = []

    def path(self, name):
        return os.path.join(self.outdir, name)

    def run(self, *args, stdout=None):
        subprocess.run(list(args), check=True, stdout=stdout, stderr=subprocess.DEVNULL)

    def reference(self, name, image):
        rgba = image.convert("RGBA") if image.mode != "P" or "transparency" not in image.info \
            else image.convert("RGBA")
        with open(self.path(name) + ".rgba", "wb") as f:
            f.write(struct.pack("<II", rgba.width, rgba.height) + rgba.tobytes())

    def add(self, name, fmt, image, tolerance=0, frame=0, ref_name=None):
        """Lists a file written beforehand, with the picture it must decode to."""
        if not os.path.exists(self.path(name)):
            print("not written: %s" % name, file=sys.stderr)
            return
        ref = ref_name or name
        if frame:
            ref = "%s.%d" % (name, frame)
        self.reference(ref, image)
        self.listed.append("%s %d %d %d" % (name, fmt, tolerance, frame))

    def save(self, image, name, fmt, reference=None, tolerance=0, **options):
        image.save(self.path(name), **options)
        self.add(name, fmt, reference if reference is not None else image, tolerance)

    def magick(self, source, name, fmt, reference, *options, tolerance=0):
        self.run("convert", self.path(source), *options, self.path(name))
        self.add(name, fmt, reference, tolerance)

    def pil_of(self, name):
        im = Image.open(self.path(name))
        im.load()
        return im

    def write_list(self):
        with open(self.path("formats.txt"), "w") as f:
            f.write("".join(line + "\n" for line in self.listed))


def write_tiffs(w):
    rgb, rgba = pattern_rgb(33, 17), pattern_rgba(33, 17)
    grey, pal = grey_image(33, 17, 256), palette_image(33, 17, 200, True)
    mono = grey_image(33, 17, 2).convert("1")
    w.save(rgb, "pil_rgb.tif", TIF)
    w.save(rgb, "pil_rgb_lzw.tif", TIF, compression="tiff_lzw")
    w.save(rgb, "pil_rgb_deflate.tif", TIF, compression="tiff_adobe_deflate")
    w.save(rgba, "pil_rgba.tif", TIF, compression="tiff_lzw")
    w.save(grey, "pil_grey.tif", TIF, compression="packbits")
    w.save(mono, "pil_mono_g4.tif", TIF, compression="group4")
    w.save(mono, "pil_mono_g3.tif", TIF, compression="group3")
    # (PIL writes its colour map as value x 256: libtiff reads 200 as 199.)
    w.save(pal, "pil_pal8.tif", TIF, tolerance=1, compression="tiff_lzw")
    rgb.save(w.path("pil_rgb_jpeg.tif"), compression="jpeg", quality=90)
    w.add("pil_rgb_jpeg.tif", TIF, w.pil_of("pil_rgb_jpeg.tif"), tolerance=8)
    src = "pil_rgb.tif"
    for name, options in [("tiffcp_tiled_rgb.tif", ["-t", "-w", "16", "-l", "16"]),
                          ("tiffcp_separate_rgb.tif", ["-p", "separate"]),
                          ("tiffcp_strips_lzw2.tif", ["-r", "3", "-c", "lzw:2"]),
                          ("tiffcp_ycbcr_jpeg.tif", ["-c", "jpeg", "-r", "16"])]:
        w.run("tiffcp", *options, w.path(src), w.path(name))
        if "jpeg" in name:  # lossy: the pixels PIL (through libtiff) finds
            w.add(name, TIF, w.pil_of(name), 8)
        else:
            w.add(name, TIF, rgb)
    for name, source, image, options in [
            ("tiffcp_tiled_grey.tif", "pil_grey.tif", grey, ["-t", "-w", "16", "-l", "32"]),
            ("tiffcp_tiled_pal.tif", "pil_pal8.tif", pal, ["-t", "-w", "32", "-l", "16"], ),
            ("tiffcp_tiled_mono.tif", "pil_mono_g4.tif", mono, ["-t", "-w", "16", "-l", "16", "-c", "none"]),
            ("tiffcp_separate_rgba.tif", "pil_rgba.tif", rgba, ["-p", "separate"])]:
        w.run("tiffcp", *options, w.path(source), w.path(name))
        w.add(name, TIF, image, 1 if "pal" in name else 0)
    # ImageMagick: 16-bit samples, 4- and 2-bit grey.
    w.magick("pil_rgb.tif", "im_rgb16.tif", TIF, rgb, "-depth", "16")
    w.magick("pil_grey.tif", "im_grey16.tif", TIF, grey, "-depth", "16")
    grey16 = grey_image(33, 17, 16)
    grey16.save(w.path("grey16levels.png"))
    w.magick("grey16levels.png", "im_grey4.tif", TIF, grey16, "-depth", "4", "-type", "Grayscale")
    grey4 = grey_image(33, 17, 4)
    grey4.save(w.path("grey4levels.png"))
    w.magick("grey4levels.png", "im_grey2.tif", TIF, grey4, "-depth", "2", "-type", "Grayscale")
    pal16 = palette_image(33, 17, 16, True)
    pal16.save(w.path("pal16.png"))
    w.run("convert", w.path("pal16.png"), "-type", "Palette", "-depth", "4", w.path("im_pal4.tif"))
    w.add("im_pal4.tif", TIF, w.pil_of("im_pal4.tif"))
    # Orientation set afterwards: the picture shown turned.
    for source, image in [("pil_grey.tif", grey), ("pil_rgb.tif", rgb)]:
        for orientation, turn in [(3, Image.ROTATE_180), (6, Image.ROTATE_270), (8, Image.ROTATE_90)]:
            name = source.replace(".tif", "_orient%d.tif" % orientation)
            shutil.copy(w.path(source), w.path(name))
            w.run("tiffset", "-s", "274", str(orientation), w.path(name))
            w.add(name, TIF, image.transpose(turn))
    # Pages: grey, colour, palette in one file.
    w.run("tiffcp", w.path("pil_grey.tif"), w.path("pil_rgb.tif"), w.path("pil_pal8.tif"), w.path("pages.tif"))
    for frame, image in enumerate([grey, rgb, pal]):
        w.add("pages.tif", TIF, image, 1 if frame == 2 else 0, frame)


def write_jpeg2000(w):
    rgb, rgba = pattern_rgb(33, 17), pattern_rgba(33, 17)
    grey = grey_image(33, 17, 256)
    rgb.save(w.path("src_rgb.png"))
    rgba.save(w.path("src_rgba.png"))
    grey.save(w.path("src_grey.pgm"))
    opj = ["-n", "4"]
    for source, name, fmt, image in [("src_rgb.png", "opj_rgb.jp2", JP2, rgb), ("src_rgb.png", "opj_rgb.j2k", JPC, rgb),
                                     ("src_rgba.png", "opj_rgba.jp2", JP2, rgba),
                                     ("src_grey.pgm", "opj_grey.jp2", JP2, grey),
                                     ("src_grey.pgm", "opj_grey.j2k", JPC, grey)]:
        w.run("opj_compress", "-i", w.path(source), "-o", w.path(name), *opj)
        w.add(name, fmt, image)
    # Lossy: the pixels OpenJPEG's own decoder finds.
    w.run("opj_compress", "-i", w.path("src_rgb.png"), "-o", w.path("opj_lossy.jp2"), "-r", "20", *opj)
    w.run("opj_decompress", "-i", w.path("opj_lossy.jp2"), "-o", w.path("opj_lossy_out.png"))
    w.add("opj_lossy.jp2", JP2, w.pil_of("opj_lossy_out.png"))
    # Colour differences subsampled 2 x 2 in a code stream.
    width, height = 32, 16
    ycc = bytearray()
    for plane, (pw, ph) in enumerate([(width, height), (width // 2, height // 2), (width // 2, height // 2)]):
        for y in range(ph):
            for x in range(pw):
                ycc.append([(x * 7 + y * 5 + 40) & 255, (128 + x * 9 - y * 4) & 255, (120 - x * 3 + y * 11) & 255][plane])
    with open(w.path("ycc.raw"), "wb") as f:
        f.write(ycc)
    w.run("opj_compress", "-i", w.path("ycc.raw"), "-o", w.path("opj_ycc420.j2k"), "-mct", "0", *opj,
          "-F", "%d,%d,3,8,u@1x1:2x2:2x2" % (width, height))
    w.run("opj_decompress", "-i", w.path("opj_ycc420.j2k"), "-o", w.path("opj_ycc420_out.png"))
    w.add("opj_ycc420.j2k", JPC, w.pil_of("opj_ycc420_out.png"), tolerance=3)
    # 16-bit grey: shown scaled to 8 bits.
    with open(w.path("src_grey16.pgm"), "wb") as f:
        f.write(b"P5\n33 17\n65535\n" + b"".join(struct.pack(">H", v * 257) for v in grey.getdata()))
    w.run("opj_compress", "-i", w.path("src_grey16.pgm"), "-o", w.path("opj_grey16.jp2"), *opj)
    w.add("opj_grey16.jp2", JP2, grey)
    w.magick("src_rgb.png", "im_rgb.jp2", JP2, rgb, "-quality", "100")
    # PGX by OpenJPEG and ImageMagick.
    w.run("opj_decompress", "-i", w.path("opj_grey.j2k"), "-o", w.path("opj_grey.pgx"))
    if os.path.exists(w.path("opj_grey_0.pgx")):  # one file per component
        os.replace(w.path("opj_grey_0.pgx"), w.path("opj_grey.pgx"))
    w.add("opj_grey.pgx", PGX, grey)
    # (ImageMagick's PGX rows carry a pad byte that the format does not have: not used.)
    # PNM by PIL and netpbm, raw and plain, maxima other than 255.
    w.save(rgb, "pil_rgb.ppm", PNM)
    w.save(grey, "pil_grey.pgm", PNM)
    mono = grey_image(33, 17, 2).convert("1")
    w.save(mono, "pil_mono.pbm", PNM)
    for source, name, image in [("pil_rgb.ppm", "plain_rgb.ppm", rgb), ("pil_grey.pgm", "plain_grey.pgm", grey),
                                ("pil_mono.pbm", "plain_mono.pbm", mono)]:
        with open(w.path(name), "wb") as out:
            w.run("pnmtoplainpnm", w.path(source), stdout=out)
        w.add(name, PNM, image)
    for maximum, tolerance in [(65535, 0), (100, 2), (15, 0)]:
        name = "netpbm_rgb_max%d.ppm" % maximum
        with open(w.path(name), "wb") as out:
            w.run("pamdepth", str(maximum), w.path("pil_rgb.ppm"), stdout=out)
        image = rgb if maximum != 15 else rgb.point(lambda v: round(round(v * 15 / 255) * 255 / 15))
        w.add(name, PNM, image, tolerance if maximum != 15 else 1)
    # Sun raster by ImageMagick and netpbm, plain and byte-encoded.
    pal = palette_image(33, 17, 200, True)
    pal.save(w.path("src_pal.png"))
    w.magick("src_rgb.png", "im_rgb.ras", RAS, rgb)
    w.magick("src_pal.png", "im_pal.ras", RAS, pal)
    mono.save(w.path("src_mono.png"))
    w.magick("src_mono.png", "im_mono.ras", RAS, mono)
    for source, name, image, options in [("pil_rgb.ppm", "netpbm_rgb.ras", rgb, []),
                                         ("pil_rgb.ppm", "netpbm_rgb_rle.ras", rgb, ["-rle"]),
                                         ("pil_grey.pgm", "netpbm_grey_rle.ras", grey, ["-rle"]),
                                         ("pil_mono.pbm", "netpbm_mono.ras", mono, [])]:
        with open(w.path(name), "wb") as out:
            w.run("pnmtorast", *options, w.path(source), stdout=out)
        # (pnmtorast may drop the last pixel of a bitmap row: the pixels netpbm reads back.)
        with open(w.path(name + ".pnm"), "wb") as out:
            w.run("rasttopnm", w.path(name), stdout=out)
        w.add(name, RAS, w.pil_of(name + ".pnm"))


def write_pcx_tga_wbmp(w):
    rgb, rgba = pattern_rgb(33, 17), pattern_rgba(33, 17)
    grey, pal = grey_image(33, 17, 256), palette_image(33, 17, 200, True)
    mono = grey_image(33, 17, 2).convert("1")
    # PCX by PIL (1, 8 and 24 bits) and netpbm (every plane layout).
    w.save(mono, "pil_mono.pcx", PCX)
    w.save(grey, "pil_grey.pcx", PCX)
    w.save(pal, "pil_pal8.pcx", PCX)
    w.save(rgb, "pil_rgb.pcx", PCX)
    for colours in (2, 4, 8, 16):
        image = palette_image(33, 17, colours, True).convert("RGB")
        image.save(w.path("src_%d.ppm" % colours))
    for name, colours, options in [("netpbm_planes2.pcx", 4, ["-planes", "2"]),
                                   ("netpbm_planes3.pcx", 8, ["-planes", "3"]),
                                   ("netpbm_planes4.pcx", 16, ["-planes", "4"]),
                                   ("netpbm_packed2.pcx", 4, ["-packed"]),
                                   ("netpbm_packed4.pcx", 16, ["-packed"]),
                                   ("netpbm_8bit.pcx", 16, ["-8bit"]),
                                   ("netpbm_24bit.pcx", 16, ["-24bit"])]:
        with open(w.path(name), "wb") as out:
            w.run("ppmtopcx", *options, w.path("src_%d.ppm" % colours), stdout=out)
        w.add(name, PCX, w.pil_of("src_%d.ppm" % colours))
    w.magick("src_rgb.png", "im_rgb.pcx", PCX, rgb)
    # Targa by PIL: every type, plain and run-length encoded, top-down.
    for image, stem in [(pal, "pal8"), (grey, "grey"), (rgb, "rgb"), (rgba, "rgba")]:
        w.save(image, "pil_%s.tga" % stem, TGA)
        w.save(image, "pil_%s_rle.tga" % stem, TGA, compression="tga_rle")
    w.save(rgba, "pil_rgba_topdown.tga", TGA, orientation=1)
    # (ImageMagick writes the rows from the top while the header says from the bottom: the
    # pixels PIL reads, as this decoder does.)
    w.run("convert", w.path("src_rgb.png"), w.path("im_rgb.tga"))
    w.add("im_rgb.tga", TGA, w.pil_of("im_rgb.tga"))
    # 16-bit pixels (written here: the tools write none), bottom row first, and a colour
    # map of 16-bit entries from index 10.
    w16 = pattern_rgb(9, 4)
    data = bytearray(struct.pack("<BBBHHBHHHHBB", 0, 0, 2, 0, 0, 0, 0, 0, 9, 4, 16, 0))
    for y in range(3, -1, -1):
        for x in range(9):
            r, g, b = w16.getpixel((x, y))
            data += struct.pack("<H", (r >> 3) << 10 | (g >> 3) << 5 | (b >> 3) | 0x8000)
    with open(w.path("made_rgb16.tga"), "wb") as f:
        f.write(data)
    w.add("made_rgb16.tga", TGA, w16.point(lambda v: v & 0xF8))
    data = bytearray(struct.pack("<BBBHHBHHHHBB", 0, 1, 1, 10, 4, 16, 0, 0, 4, 1, 8, 0x20))
    colours = [(248, 0, 0), (0, 248, 0), (0, 0, 248), (248, 248, 248)]
    for r, g, b in colours:
        data += struct.pack("<H", (r >> 3) << 10 | (g >> 3) << 5 | (b >> 3))
    data += bytes([13, 12, 11, 10])
    with open(w.path("made_map16.tga"), "wb") as f:
        f.write(data)
    ref = Image.new("RGB", (4, 1))
    ref.putdata([colours[3], colours[2], colours[1], colours[0]])
    w.add("made_map16.tga", TGA, ref)
    # WBMP by ImageMagick and netpbm, 200 pixels wide (sizes of two bytes).
    wide = grey_image(200, 9, 2).convert("1")
    wide.save(w.path("src_wide.png"))
    wide.save(w.path("src_wide.pbm"))
    w.magick("src_wide.png", "im_wide.wbmp", WBMP, wide)
    with open(w.path("netpbm_wide.wbmp"), "wb") as out:
        w.run("pbmtowbmp", w.path("src_wide.pbm"), stdout=out)
    w.add("netpbm_wide.wbmp", WBMP, wide)


def main():
    outdir = sys.argv[1]
    os.makedirs(outdir, exist_ok=True)
    w = Writer(outdir)
    for step in (write_tiffs, write_jpeg2000, write_pcx_tga_wbmp):
        try:
            step(w)
        except (OSError, subprocess.CalledProcessError) as error:
            print("%s: %s" % (step.__name__, error), file=sys.stderr)
            raise
    w.write_list()


if __name__ == "__main__":
    main()
