#!/usr/bin/python3
"""Writes PNG files of every colour type and bit depth (plain and interlaced, with
transparency chunks, several image-data chunks and ancillary chunks) for the skin
toolkit's PNG picture tests, and for each one the pixels PIL decodes from it.

Usage: make_png_fixtures.py OUTDIR

The files are written chunk by chunk here, so that every type, depth and chunk order the
tests need exists; PIL only decodes them. OUTDIR/manifest.txt lists
"file colour_type bit_depth key" per fixture, key being 1 when the file has a colour-key
transparency chunk (grey or RGB). OUTDIR/<file>.rgba holds PIL's decoding: width and
height as 32-bit little-endian, then the pixels top line first as red, green, blue and
alpha bytes (16-bit samples by their high byte; alpha 255 for colour-key files, whose
transparent pixels the tests find themselves).
"""
import os
import struct
import sys
import zlib

from PIL import Image

ADAM7 = [(0, 0, 8, 8), (4, 0, 8, 8), (0, 4, 4, 8), (2, 0, 4, 4), (0, 2, 2, 4), (1, 0, 2, 2), (0, 1, 1, 2)]
CHANNELS = {0: 1, 2: 3, 3: 1, 4: 2, 6: 4}


def chunk(name, data):
    return struct.pack(">I", len(data)) + name + data + struct.pack(">I", zlib.crc32(name + data))


def pack_row(samples, depth):
    """Samples of one row (already flattened by channel) at a bit depth."""
    if depth == 16:
        return b"".join(struct.pack(">H", s) for s in samples)
    if depth == 8:
        return bytes(samples)
    out, acc, bits = bytearray(), 0, 0
    for s in samples:
        acc = (acc << depth) | s
        bits += depth
        if bits == 8:
            out.append(acc)
            acc, bits = 0, 0
    if bits:
        out.append(acc << (8 - bits))
    return bytes(out)


def sub_filter(row, bpp):
    return bytes([1]) + bytes((row[i] - (row[i - bpp] if i >= bpp else 0)) & 255 for i in range(len(row)))


def image_data(w, h, ctype, depth, pixel, interlaced):
    """The filtered rows; pixel(x, y) gives the samples of a pixel."""
    bpp = max(1, CHANNELS[ctype] * depth // 8)
    raw = b""
    passes = ADAM7 if interlaced else [(0, 0, 1, 1)]
    for x0, y0, dx, dy in passes:
        if x0 >= w or y0 >= h:
            continue
        for y in range(y0, h, dy):
            samples = []
            for x in range(x0, w, dx):
                samples.extend(pixel(x, y))
            row = pack_row(samples, depth)
            raw += sub_filter(row, bpp) if (y // dy) % 2 else bytes([0]) + row
    return raw


def png(w, h, ctype, depth, pixel, interlaced=False, palette=None, trns=None, extra_before=(),
        extra_after=(), idat_parts=1):
    ihdr = struct.pack(">IIBBBBB", w, h, depth, ctype, 0, 0, 1 if interlaced else 0)
    out = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", ihdr)
    for name, data in extra_before:
        out += chunk(name, data)
    if palette:
        out += chunk(b"PLTE", b"".join(bytes(c) for c in palette))
    if trns is not None:
        out += chunk(b"tRNS", trns)
    data = zlib.compress(image_data(w, h, ctype, depth, pixel, interlaced), 9)
    step = max(1, (len(data) + idat_parts - 1) // idat_parts)
    for i in range(0, len(data), step):
        out += chunk(b"IDAT", data[i:i + step])
    for name, payload in extra_after:
        out += chunk(name, payload)
    return out + chunk(b"IEND", b"")


def reference(path, ctype, depth):
    im = Image.open(path)
    im.load()
    w, h = im.size
    if im.mode in ("I", "I;16", "I;16B"):
        px = im.load()
        pixels = []
        for y in range(h):
            for x in range(w):
                v = px[x, y] >> 8 if depth == 16 else px[x, y]
                pixels.append((v, v, v, 255))
    else:
        if "transparency" in im.info and ctype in (0, 2):
            im.info.pop("transparency")  # colour keys: the tests find the transparent pixels
        rgba = im.convert("RGBA")
        pixels = list(rgba.getdata())
    return struct.pack("<II", w, h) + b"".join(bytes(p) for p in pixels)


def main():
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    manifest = []

    def write(name, data, ctype, depth, key=0):
        path = os.path.join(out, name)
        with open(path, "wb") as f:
            f.write(data)
        with open(path + ".rgba", "wb") as f:
            f.write(reference(path, ctype, depth))
        manifest.append("%s %d %d %d" % (name, ctype, depth, key))

    def level(x, y, depth):
        return ((x * 7 + y * 13) ^ (x * y)) % (1 << depth)

    pal256 = [((i * 37) % 256, (i * 91 + 40) % 256, (255 - i * 5) % 256) for i in range(256)]
    for w, h in ((13, 7), (33, 17)):
        tag = "%dx%d" % (w, h)
        for depth in (1, 2, 4, 8, 16):
            write("grey%d_%s.png" % (depth, tag),
                  png(w, h, 0, depth, lambda x, y, d=depth: [level(x, y, d)]), 0, depth)
        for depth in (1, 2, 4, 8):
            n = 1 << depth
            write("pal%d_%s.png" % (depth, tag),
                  png(w, h, 3, depth, lambda x, y, d=depth: [level(x, y, d)], palette=pal256[:n]),
                  3, depth)
        for depth in (8, 16):
            m = (1 << depth) - 1
            write("rgb%d_%s.png" % (depth, tag),
                  png(w, h, 2, depth, lambda x, y, m=m: [(x * 911 + 3) % m, (y * 577) % m, (x * y * 97) % m]),
                  2, depth)
            write("ga%d_%s.png" % (depth, tag),
                  png(w, h, 4, depth, lambda x, y, m=m: [(x * 313 + y) % m, (x * 41 + y * 67) % m]), 4, depth)
            write("rgba%d_%s.png" % (depth, tag),
                  png(w, h, 6, depth,
                      lambda x, y, m=m: [(x * 211) % m, (y * 907) % m, (x + y * 3) % m, (x * 53 + y * 11) % m]),
                  6, depth)

    # Interlaced, of every type.
    w, h = 21, 11
    write("grey2_interlaced.png", png(w, h, 0, 2, lambda x, y: [level(x, y, 2)], True), 0, 2)
    write("grey16_interlaced.png", png(w, h, 0, 16, lambda x, y: [level(x, y, 16)], True), 0, 16)
    write("pal4_interlaced.png", png(w, h, 3, 4, lambda x, y: [level(x, y, 4)], True, pal256[:16]), 3, 4)
    write("rgb8_interlaced.png", png(w, h, 2, 8, lambda x, y: [x * 9, y * 20, (x ^ y) * 7], True), 2, 8)
    write("ga8_interlaced.png", png(w, h, 4, 8, lambda x, y: [x * 11, y * 23], True), 4, 8)
    write("rgba16_interlaced.png",
          png(w, h, 6, 16, lambda x, y: [x * 3000, y * 5000, 40000, (x * y * 997) % 65536], True), 6, 16)

    # Transparency chunks: palette alpha (partial and bit), colour keys.
    write("pal8_trns_partial.png",
          png(w, h, 3, 8, lambda x, y: [level(x, y, 3)], palette=pal256[:8],
              trns=bytes([0, 128, 255, 60])), 3, 8)
    write("pal4_trns_bit.png",
          png(w, h, 3, 4, lambda x, y: [level(x, y, 3)], palette=pal256[:8], trns=bytes([255, 0, 255])),
          3, 4)
    write("grey8_key.png", png(w, h, 0, 8, lambda x, y: [level(x, y, 3) * 30], trns=struct.pack(">H", 60)),
          0, 8, 1)
    write("grey2_key.png", png(w, h, 0, 2, lambda x, y: [level(x, y, 2)], trns=struct.pack(">H", 1)),
          0, 2, 1)
    write("rgb8_key.png",
          png(w, h, 2, 8, lambda x, y: [(x % 3) * 100, 7, 90], trns=struct.pack(">HHH", 100, 7, 90)), 2, 8, 1)
    write("rgb16_key.png",
          png(w, h, 2, 16, lambda x, y: [(x % 3) * 25700, 1799, 23130], trns=struct.pack(">HHH", 25700, 1799, 23130)),
          2, 16, 1)

    # Image data in several chunks, ancillary chunks of every kind the picture knows and
    # one it does not, a late image-data chunk and a cHRM chunk, both skipped.
    text = b"Title\0Skin picture"
    ztxt = b"Comment\0\0" + zlib.compress(b"A compressed comment " * 20)
    time = struct.pack(">HBBBBB", 2008, 5, 17, 13, 45, 30)
    phys = struct.pack(">IIB", 3780, 3780, 1)
    chrm = struct.pack(">8I", 31270, 32900, 64000, 33000, 30000, 60000, 15000, 6000)
    write("rgb8_chunks.png",
          png(w, h, 2, 8, lambda x, y: [x * 12, 255 - y * 20, 128], extra_before=[(b"tEXt", text), (b"tIME", time),
                                                                                  (b"pHYs", phys), (b"abCd", b"xyz")],
              extra_after=[(b"zTXt", ztxt)], idat_parts=3),
          2, 8)
    two = png(w, h, 0, 8, lambda x, y: [x * 12], idat_parts=2)
    # Move the cHRM chunk and a late image-data chunk in before IEND.
    body = two[:-12] + chunk(b"cHRM", chrm) + chunk(b"IDAT", zlib.compress(b"\0" * 10)) + two[-12:]
    write("grey8_late_chunks.png", body, 0, 8)

    # A round icon with a soft edge, the kind of picture the skin's image lists hold.
    def icon(x, y):
        d = ((x - 15.5) ** 2 + (y - 15.5) ** 2) ** 0.5
        a = max(0, min(255, int((14.5 - d) * 255)))
        return [min(255, 60 + x * 6), 90 + y * 4, 220 - x * 3, a]
    write("icon_rgba.png", png(32, 32, 6, 8, icon), 6, 8)

    with open(os.path.join(out, "manifest.txt"), "w") as f:
        f.write("\n".join(manifest) + "\n")


if __name__ == "__main__":
    main()
