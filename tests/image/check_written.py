#!/usr/bin/python3
"""Runs the sample writer, then decodes every file it wrote with PIL (GIF files with
ImageMagick too) and compares the
pixels with the reference written beside it. Colours of pixels transparent in both are
not compared. Usage: check_written.py WRITER OUTDIR"""
import glob
import os
import shutil
import struct
import subprocess
import sys

from PIL import Image


def main():
    writer, outdir = sys.argv[1], sys.argv[2]
    shutil.rmtree(outdir, ignore_errors=True)
    os.makedirs(outdir)
    subprocess.run([writer, outdir], check=True)
    failures = 0
    files = sorted(f for f in glob.glob(os.path.join(outdir, "*")) if not f.endswith(".rgba"))
    for path in files:
        with open(path + ".rgba", "rb") as f:
            ref = f.read()
        width, height = struct.unpack("<II", ref[:8])
        expected = ref[8:]
        im = Image.open(path)
        if getattr(im, "n_frames", 1) > 1:
            im.seek(im.n_frames - 1)  # a tile mosaic: the last frame shows it whole
        im.load()
        if im.mode == "P" and "transparency" in im.info:
            im = im.convert("RGBA")
        got = im.convert("RGBA")
        if got.size != (width, height):
            print("%s: size %s, expected %dx%d" % (path, got.size, width, height))
            failures += 1
            continue
        decoded = [("PIL", got.tobytes())]
        if path.endswith(".gif"):
            # ImageMagick too, composing the frames.
            data = subprocess.run(["convert", path, "-coalesce", "-depth", "8", "rgba:-"],
                                  check=True, capture_output=True).stdout
            decoded.append(("ImageMagick", data[len(data) - width * height * 4:]))
        for reader, data in decoded:
            for i in range(0, len(expected), 4):
                e, g = expected[i:i + 4], data[i:i + 4]
                if e[3] == 0 and g[3] == 0:
                    continue
                if e != g:
                    p = i // 4
                    print("%s: pixel (%d, %d) expected %s, %s decoded %s" %
                          (os.path.basename(path), p % width, p // width, tuple(e), reader,
                           tuple(g)))
                    failures += 1
                    break
    print("%d files checked, %d differ" % (len(files), failures))
    return 1 if failures or not files else 0


if __name__ == "__main__":
    sys.exit(main())
