#!/usr/bin/python3
"""Runs the sample writer, then reads every file it wrote back with independent tools and
compares the pixels with the reference written beside it, and the header or tag facts
with those the writer lists for it.

Readers by format: GIF, BMP, PNG, icons: PIL (GIF ImageMagick too); TIFF: PIL and
ImageMagick, tags by libtiff's tiffdump; JPEG-2000 files and code streams: OpenJPEG's
opj_decompress, PIL and ImageMagick, facts by opj_dump and the file's boxes; PGX:
OpenJPEG (its PGX reader, through a lossless code stream) and ImageMagick; PNM: PIL,
netpbm and ImageMagick; Sun raster: PIL, netpbm and ImageMagick; WBMP: netpbm and
ImageMagick; PCX and Targa: PIL, netpbm and ImageMagick. Headers of the binary formats are
unpacked here field by field.

Colours of pixels transparent in both are not compared; readers that keep no alpha (netpbm)
are compared by colour. Usage: check_written.py WRITER OUTDIR"""
import io
import os
import re
import shutil
import struct
import subprocess
import sys

from PIL import Image

BMP, GIF, JPG, PNG, ICO, TIF, TGA, PCX, WBMP, WMF, JP2, JPC, PGX, PNM, RAS = range(1, 16)


def run(*args):
    return subprocess.run(list(args), check=True, capture_output=True).stdout


def rgba_of(image, page=0):
    if page:
        image.seek(page)
    elif getattr(image, "n_frames", 1) > 1 and image.format == "GIF":
        image.seek(image.n_frames - 1)  # a tile mosaic: the last frame shows it whole
    image.load()
    if image.mode == "P" and "transparency" in image.info:
        image = image.convert("RGBA")
    return image.convert("RGBA").tobytes()


# Readers: each gives the pixels of a page as RGBA bytes, top line first, and how they
# stand for the picture: "rgba" as they are; "colours" (no alpha kept); "premultiplied"
# (colours times alpha / 255); "intensity" (colours times the fourth channel / 256, no
# alpha). None when the tool cannot read that layout at all (named where it is decided).

def pil(path, page, w, h, facts):
    with Image.open(path) as image:
        return rgba_of(image, page), "rgba"


def pil_pcx(path, page, w, h, facts):
    planes, bits = int(facts["planes"]), int(facts["bits"])
    padded = int(facts["bytes_per_line"]) * planes
    exact = (w * bits + 7) // 8 * planes
    # PIL has no mode for 4 planes of 8 bits, and removes the pad bytes of a padded line of
    # several planes only when the line is longer than the width and no multiple of it.
    if (planes == 4 and bits == 8) or (planes > 1 and padded != exact and (padded <= w or padded % w == 0)):
        return None
    return pil(path, page, w, h, facts)


def magick(path, page, w, h, facts, *options):
    data = run("convert", "%s[%d]" % (path, page), *options, "-depth", "8", "rgba:-")
    return data[:w * h * 4], "rgba"


def magick_tiff(path, page, w, h, facts):
    # JPEG-compressed pages come through libtiff's RGBA interface, which premultiplies
    # the colours by an unassociated alpha.
    prefix = "%d:" % page
    how = "premultiplied" if facts.get(prefix + "Compression") == "7" and \
        facts.get(prefix + "ExtraSamples") == "2" else "rgba"
    return magick(path, page, w, h, facts)[0], how


def magick_pcx(path, page, w, h, facts):
    # ImageMagick takes a set bit of a one-plane bitmap for entry 0, PIL and netpbm (and
    # every writer) for entry 1.
    if facts["bits"] == "1" and facts["planes"] == "1":
        return None
    return magick(path, page, w, h, facts)


def magick_tga(path, page, w, h, facts):
    # ImageMagick leaves the rows as stored and notes the orientation.
    return magick(path, page, w, h, facts, "-auto-orient")


def magick_coalesced(path, page, w, h, facts):
    data = run("convert", path, "-coalesce", "-depth", "8", "rgba:-")
    return data[len(data) - w * h * 4:], "rgba"


def netpbm(tool):
    def read(path, page, w, h, facts):
        with Image.open(io.BytesIO(run(tool, path))) as image:
            return rgba_of(image), "colours"
    read.__name__ = tool
    return read


def pcxtoppm(path, page, w, h, facts):
    # netpbm takes a fourth plane of 8 bits for an intensity.
    data = run("pcxtoppm", path)
    with Image.open(io.BytesIO(data)) as image:
        return rgba_of(image), "intensity" if facts["planes"] == "4" and facts["bits"] == "8" else "colours"


def opj_decompress(path, page, w, h, facts):
    out = path + ".opj.png"
    run("opj_decompress", "-i", path, "-o", out)
    with Image.open(out) as image:
        return rgba_of(image), "rgba"


def openjpeg_pgx(path, page, w, h, facts):
    """OpenJPEG's PGX reader, through a lossless code stream of one resolution written back
    as PGX. (OpenJPEG sets the precision from the largest sample, so the samples are taken
    as they are, not scaled by it.)"""
    stream, back = path + ".opj.j2k", path + ".opj.pgx"
    run("opj_compress", "-i", path, "-o", stream, "-n", "1")
    run("opj_decompress", "-i", stream, "-o", back)
    if not os.path.exists(back):  # (one file per component)
        back = path + ".opj_0.pgx"
    with open(back, "rb") as f:
        header = f.readline().split()
        samples = f.read()
    if len(header) != 6 or header[2] != b"+" or int(header[3]) > 8 or header[4:] != [b"%d" % w, b"%d" % h]:
        raise ValueError("OpenJPEG wrote the PGX header %s" % b" ".join(header))
    return Image.frombytes("L", (w, h), samples).convert("RGBA").tobytes(), "rgba"


READERS = {
    GIF: [pil, magick_coalesced], BMP: [pil], PNG: [pil], ICO: [pil],
    TIF: [pil, magick_tiff],
    JP2: [opj_decompress, pil, magick], JPC: [opj_decompress, pil, magick],
    PGX: [openjpeg_pgx, magick],
    PNM: [pil, netpbm("pnmtopng"), magick],
    RAS: [pil, netpbm("rasttopnm"), magick],
    WBMP: [netpbm("wbmptopbm"), magick],
    PCX: [pil_pcx, pcxtoppm, magick_pcx],
    TGA: [pil, netpbm("tgatoppm"), magick_tga],
}


# Facts: what the file says, as texts by key.

def tiff_facts(path):
    """The tags of every directory as tiffdump shows them, "N:Tag" for directory N (the
    first also without the prefix), and "pages"."""
    facts, directory = {}, -1
    for line in run("tiffdump", path).decode("latin-1").splitlines():
        if line.startswith("Directory "):
            directory += 1
            continue
        m = re.match(r"^(\w+) \((\d+)\) \w+ \(\d+\) (\d+)<(.*)>$", line)
        if not m:
            continue
        value = m.group(4).replace("\\0", "").strip()
        facts["%d:%s" % (directory, m.group(1))] = value
        if directory == 0:
            facts[m.group(1)] = value
    facts["pages"] = str(directory + 1)
    return facts


def tiff_rules(facts):
    """Rules every page follows: JPEG strips come in whole 8-row blocks, colour map entries
    are bytes times 257."""
    faults = []
    for key, value in facts.items():
        directory = key.split(":")[0] + ":" if ":" in key else ""
        if key.endswith("Compression") and value == "7":
            rows = int(facts.get(directory + "RowsPerStrip", "0"))
            if rows % 8:
                faults.append("%sRowsPerStrip %d is no multiple of 8" % (directory, rows))
        if key.endswith("Colormap"):
            entries = [int(v) for v in value.replace("...", "").split()]
            if any(v % 257 for v in entries):
                faults.append("%sColormap holds values that are not bytes times 257" % directory)
    return faults


def jpeg2000_facts(path):
    text = run("opj_dump", "-i", path).decode("latin-1")
    facts = {}
    for key in ("numcomps", "prec", "sgnd", "x1", "y1"):
        m = re.search(r"\b%s=(\d+)" % key, text)  # (the first component's)
        if m:
            facts[key] = m.group(1)
    with open(path, "rb") as f:
        data = f.read()
    facts["most_bytes"] = len(data)
    at = data.find(b"colr")
    if at >= 0 and data[at + 4] == 1:  # enumerated colour space
        facts["colour"] = str(struct.unpack(">I", data[at + 7:at + 11])[0])
    return facts


def pgx_facts(path):
    with open(path, "rb") as f:
        return {"header": f.readline().decode("latin-1").rstrip("\n")}


def pnm_facts(path):
    with open(path, "rb") as f:
        tokens = f.read(64).split()
    return {"magic": tokens[0].decode(), "width": tokens[1].decode(), "height": tokens[2].decode(),
            "maxval": tokens[3].decode()}


def ras_facts(path):
    with open(path, "rb") as f:
        fields = struct.unpack(">8I", f.read(32))
    names = ("magic", "width", "height", "depth", "length", "type", "map_type", "map_length")
    facts = {name: str(v) for name, v in zip(names, fields)}
    facts["magic"] = "%08x" % fields[0]
    return facts


def wbmp_facts(path):
    with open(path, "rb") as f:
        data = f.read(16)
    at, sides = 2, []
    for _ in range(2):
        value = 0
        while True:
            value = value << 7 | data[at] & 0x7F
            at += 1
            if not data[at - 1] & 0x80:
                break
        sides.append(value)
    return {"type": str(data[0]), "fixed": str(data[1]), "width": str(sides[0]), "height": str(sides[1]),
            "header_bytes": str(at)}


def pcx_facts(path):
    with open(path, "rb") as f:
        data = f.read()
    fields = struct.unpack("<BBBBHHHHHH48sBBHH", data[:70])
    names = ("manufacturer", "version", "encoding", "bits", "xmin", "ymin", "xmax", "ymax", "hdpi", "vdpi",
             None, "reserved", "planes", "bytes_per_line", "palette_info")
    facts = {name: str(v) for name, v in zip(names, fields) if name}
    facts["palette_signature"] = str(data[-769]) if len(data) >= 128 + 769 else "-"
    return facts


def tga_facts(path):
    with open(path, "rb") as f:
        fields = struct.unpack("<BBBHHBHHHHBB", f.read(18))
    names = ("id_length", "map_type", "image_type", "map_first", "map_length", "map_entry_size", "x_origin",
             "y_origin", "width", "height", "depth", "descriptor")
    return {name: str(v) for name, v in zip(names, fields)}


FACTS = {TIF: tiff_facts, JP2: jpeg2000_facts, JPC: jpeg2000_facts, PGX: pgx_facts, PNM: pnm_facts,
         RAS: ras_facts, WBMP: wbmp_facts, PCX: pcx_facts, TGA: tga_facts}


def check_facts(found, fmt, expected):
    faults = tiff_rules(found) if fmt == TIF else []
    for key, value in expected.items():
        if key == "pages" and fmt != TIF:
            continue
        if key == "most_bytes":
            if found[key] > int(value):
                faults.append("%d bytes, expected at most %s" % (found[key], value))
        elif value == "-":
            if key in found:
                faults.append("%s present (%s), expected absent" % (key, found[key]))
        elif found.get(key) != value:
            faults.append("%s is %s, expected %s" % (key, found.get(key, "absent"), value))
    return faults


def as_read(expected, how):
    """The reference as a reader that reads it `how` gives it."""
    if how in ("rgba", "colours"):
        return expected
    out = bytearray(expected)
    for i in range(0, len(out), 4):
        a = out[i + 3]
        for c in range(3):
            out[i + c] = out[i + c] * a // (255 if how == "premultiplied" else 256)
        if how == "intensity":
            out[i + 3] = 255
    return bytes(out)


def compare(expected, got, width, tolerance, how):
    """The first difference as a text, or None."""
    if len(got) != len(expected):
        return "%d bytes decoded, expected %d" % (len(got), len(expected))
    expected = as_read(expected, how)
    colours_only = how in ("colours", "intensity")
    for i in range(0, len(expected), 4):
        e, g = expected[i:i + 4], got[i:i + 4]
        if e[3] == 0 and (g[3] == 0 or colours_only):
            continue
        channels = 3 if colours_only else 4
        if any(abs(e[c] - g[c]) > tolerance for c in range(channels)):
            p = i // 4
            return "pixel (%d, %d) expected %s, decoded %s" % (p % width, p // width, tuple(e), tuple(g))
    return None


def main():
    writer, outdir = sys.argv[1], sys.argv[2]
    shutil.rmtree(outdir, ignore_errors=True)
    os.makedirs(outdir)
    subprocess.run([writer, outdir], check=True)
    failures, checked, reads, skipped = 0, 0, 0, 0
    with open(os.path.join(outdir, "written.txt")) as f:
        lines = [line.rstrip("\n").split("\t") for line in f if line.strip()]
    for fields in lines:
        name, fmt, tolerance = fields[0], int(fields[1]), int(fields[2])
        expected_facts = dict(field.split("=", 1) for field in fields[3:])
        path = os.path.join(outdir, name)
        checked += 1
        found = {}
        try:
            found = FACTS[fmt](path) if fmt in FACTS else {}
            faults = check_facts(found, fmt, expected_facts)
        except (OSError, subprocess.CalledProcessError, struct.error, IndexError, ValueError) as error:
            faults = ["facts not read: %s" % error]
        for fault in faults:
            print("%s: %s" % (name, fault))
            failures += 1
        for page in range(int(expected_facts.get("pages", "1"))):
            with open(path + (".%d" % page if page else "") + ".rgba", "rb") as f:
                ref = f.read()
            width, height = struct.unpack("<II", ref[:8])
            for reader in READERS[fmt]:
                try:
                    result = reader(path, page, width, height, found)
                except (OSError, subprocess.CalledProcessError, ValueError, KeyError) as error:
                    print("%s page %d: %s cannot read it: %s" % (name, page, reader.__name__, error))
                    failures += 1
                    continue
                if result is None:
                    skipped += 1
                    continue
                reads += 1
                difference = compare(ref[8:], result[0], width, tolerance, result[1])
                if difference:
                    print("%s page %d: %s: %s" % (name, page, reader.__name__, difference))
                    failures += 1
    print("%d files checked by %d reads (%d left to other tools), %d differences" %
          (checked, reads, skipped, failures))
    return 1 if failures or not checked else 0


if __name__ == "__main__":
    sys.exit(main())
