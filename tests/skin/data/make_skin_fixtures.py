#!/usr/bin/python3
"""Writes skin files for the skin data tests, independently of the skin toolkit: the
container, the image block and the bitmaps are put together field by field with struct,
the block compressed with zlib.

The container (".skn"), little-endian:
  int32 container version, int32 N, N bytes of zlib data (deflate with zlib header)
The inflated image block:
  int32 image version; picture, [inactive picture: 2, 3], mask, [roll-up picture and
  mask: 1, 2], each a flag byte (1: none; 0: a BMP file image follows, its length in its
  own header); int32 K and K BMP file images; the ini text to the end.

Written into OUTDIR:
  sample.skn              a small valid skin (tests check its every section and picture)
  sample_v0/v1/v3.skn     the same pictures in the slot layouts of image versions 0, 1, 3
  list_counts_max.skn     valid, with every list count 2147483647 and few keys present
  <damaged>.skn           one file per kind of damage (see DAMAGED below)
  skins.txt               one line per .skn: name and expected outcome: "loads", "empty"
                          (nothing to load, no error) or "fails" (refused with an error)
  ini/*.ini               the ini texts, as seeds for the ini reader's fuzz target
  skn/*.skn               copies of the containers, as seeds for the container's fuzz target

Run: make_skin_fixtures.py OUTDIR
"""
import os
import shutil
import struct
import sys
import zlib


def bmp24(width, height, pixel):
    """A 24-bit bitmap file; pixel(x, y) gives (r, g, b), y counted from the top."""
    row_bytes = (width * 3 + 3) // 4 * 4
    rows = []
    for y in reversed(range(height)):
        row = bytearray()
        for x in range(width):
            r, g, b = pixel(x, y)
            row += bytes((b, g, r))
        row += bytes(row_bytes - len(row))
        rows.append(bytes(row))
    pixels = b"".join(rows)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    header = struct.pack("<2sIHHI", b"BM", 14 + len(info) + len(pixels), 0, 0, 14 + len(info))
    return header + info + pixels


def bmp8(width, height, palette, index):
    """An 8-bit bitmap file with a colour table; index(x, y) picks the entry."""
    row_bytes = (width + 3) // 4 * 4
    pixels = b"".join(bytes(index(x, y) for x in range(width)) + bytes(row_bytes - width)
                      for y in reversed(range(height)))
    table = b"".join(bytes((b, g, r, 0)) for r, g, b in palette)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 8, 0, len(pixels), 0, 0,
                       len(palette), 0)
    offset = 14 + len(info) + len(table)
    header = struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
    return header + info + table + pixels


FRAME = bmp24(8, 6, lambda x, y: (x * 30, y * 40, 200))
INACTIVE = bmp24(8, 6, lambda x, y: (100, 100, 100))
ROLLUP = bmp24(8, 2, lambda x, y: (10, 20, 30))
MASK = bmp24(8, 6, lambda x, y: (0, 0, 0) if 0 < x < 7 else (255, 255, 255))
ACTIVE_A = bmp24(4, 3, lambda x, y: (255, 0, 0) if x == y else (0, 0, 255))
ACTIVE_B = bmp8(3, 3, [(0, 0, 0), (255, 255, 0), (0, 128, 0)], lambda x, y: (x + y) % 3)

SAMPLE_INI = """\
[VERSION]
skinname=Sample
skinauthor=The tests
authoremail=tests@example.org
authorurl=http://example.org/
skincomments=A small skin with a bit of everything

[PICTURES]
picture=frame.bmp
inactivepicture=inactive.bmp
mask=
rolluppicture=
rollupmask=
activepicturescount=2
0=a.bmp
1=b.bmp

[CURSORS]
count=0

[FORMINFO]
clientrect=5,20,100,90
lefttoppoint=0,0
righttoppoint=110,18
leftbottompoint=3,96
rightbottompoint=120,95
captionrect=4,2,116,18
buttonsoffset=2
buttonsinleft=1
inactiveeffect=blur
statusbarname=statusbar
cursorindex=3
stretchtype=sthorz
mdibgstretchtype=StVert
topstretch=1
leftstretch=2
borderwidth=$10
formminwidth=0x20
maskrectarea=1,1,2,2
hittestlefttoppoint=0,7

[POPUPWINDOW]
windowpictureindex=1
lefttoppoint=4,4
itemsrect=2,2,60,40
scrollmarkercolor=255
stretchtype=stvert

[HINTWINDOW]
windowpictureindex=0
clientrect=3,3,50,20
fontname=Tahoma
fontstyle=fsboldfsitalic
fontcolor=16711680

[SKINCOLORS]
cbtnface=15790320
cbtntext=1
chighlight=-16777203

[SKINAREAS]
count=3
0=area1:1,2,3,4
1=area2: -5 , 6,7,8
2=no colon here

[SKINOBJECTS]
count=5
0=closebutton:stdbutton
1=caption:caption
2=menuitem:menuitem
3=thumb:trackbar
4=unknown:nosuchtype

[SKINCONTROLS]
count=6
0=button:button
1=edit:edit
2=capital:Button
3=digits:bitlabel
4=button:panel
5=spin:updown

[closebutton]
skinrect=10,2,26,18
activeskinrect=0,0,16,16
activepictureindex=0
command=cmclose
morphing=1
morphkind=mkpush
restorerect=1,2,3,4

[caption]
skinrect=4,2,116,18
fontName=Verdana
fontheight=11
fontstyle=fsbold
alignment=taleftjustify
textrect=2,0,100,16
activefontcolor=16777215

[menuitem]
skinrect=0,0,60,20
checkimagerect=1,1,9,9
activecheckimagerect=0,0,0,5
arrowimagerect=2,2,8,8
activearrowimagerect=10,10,16,16

[thumb]
morphing=1
beginpoint=3,4
endpoint=30,4
maxvalue=100

[button]
pictureindex=0
skinrect=0,0,30,20
lefttoppoint=3,3
righttoppoint=27,3
leftbottompoint=3,17
rightbottompoint=27,17
clientrect=3,3,27,17
activeskinrect=30,0,60,20
fontstyle=fsbold,fsunderline
morphkind=MkPush
stretchtype=stvert
framecount=3

[edit]
pictureindex=1
skinrect=0,0,40,20
buttonrect=30,2,38,18

[digits]
skintextrect=0,0,50,20
symbolwidth=5
symbolheight=10
symbolslinecount=2
symbolsline0=0123456789

[spin]
lefttoppoint=4,4
clientrect=1,1,2,2
upbuttonrect=0,0,8,8
"""


def image_block(version, pictures, active, ini):
    """pictures: the slots this version carries, each a BMP or None."""
    out = struct.pack("<i", version)
    for picture in pictures:
        out += b"\x01" if picture is None else b"\x00" + picture
    out += struct.pack("<i", len(active)) + b"".join(active)
    return out + ini.replace("\n", "\r\n").encode("ascii")


def slots(version):
    """The five pictures in the slots of an image version."""
    if version <= 0:
        return [FRAME, None]
    if version == 1:
        return [FRAME, None, ROLLUP, None]
    if version == 2:
        return [FRAME, INACTIVE, None, ROLLUP, None]
    return [FRAME, INACTIVE, None]


def container(payload, version=2, length=None):
    n = len(payload) if length is None else length
    return struct.pack("<ii", version, n) + payload


def skin(version=2, ini=SAMPLE_INI, active=(ACTIVE_A, ACTIVE_B), pictures=None):
    block = image_block(version, slots(version) if pictures is None else pictures, list(active), ini)
    return container(zlib.compress(block, 9))


def damaged():
    good_block = image_block(2, slots(2), [ACTIVE_A, ACTIVE_B], SAMPLE_INI)
    good = zlib.compress(good_block, 9)
    bad_bitmap_size = bytearray(ACTIVE_A)
    struct.pack_into("<I", bad_bitmap_size, 2, 0x7FFFFFF0)
    short_bitmap = bytearray(ACTIVE_A)
    struct.pack_into("<I", short_bitmap, 2, 10)
    huge = bytearray(ACTIVE_A)
    struct.pack_into("<ii", huge, 18, 40000, 40000)
    not_bitmap = b"XX" + ACTIVE_A[2:]
    flipped = bytearray(good)
    for i in range(10, min(len(flipped), 60)):
        flipped[i] ^= 0x5A
    return {
        "container_version4": ("empty", container(good, version=4)),
        "length_zero": ("empty", container(good, length=0)),
        "length_negative": ("fails", container(good, length=-1)),
        "length_too_large": ("fails", container(good, length=len(good) + 1)),
        "header_short": ("fails", struct.pack("<i", 2) + b"\x10\x00"),
        "empty_file": ("fails", b""),
        "truncated_zlib": ("fails", container(good[: len(good) // 2])),
        "damaged_zlib": ("fails", container(bytes(flipped))),
        "image_version4": ("fails", container(zlib.compress(
            struct.pack("<i", 4) + good_block[4:], 9))),
        "count_huge": ("fails", container(zlib.compress(
            image_block(2, slots(2), [], SAMPLE_INI).replace(
                b"\x00\x00\x00\x00" + b"[VERSION]", struct.pack("<i", 0x7FFFFFFF) + b"[VERSION]"), 9))),
        "count_negative": ("fails", container(zlib.compress(
            image_block(2, slots(2), [], SAMPLE_INI).replace(
                b"\x00\x00\x00\x00" + b"[VERSION]", struct.pack("<i", -1) + b"[VERSION]"), 9))),
        "bitmap_size_past_end": ("fails", skin(active=[ACTIVE_A, bytes(bad_bitmap_size)])),
        "bitmap_size_too_small": ("fails", skin(active=[bytes(short_bitmap)])),
        "bitmap_huge_dimensions": ("fails", skin(active=[bytes(huge)])),
        "bitmap_not_bmp": ("fails", skin(pictures=[not_bitmap, None, None, None, None])),
        "picture_ends_early": ("fails", container(zlib.compress(
            struct.pack("<i", 2) + b"\x00" + FRAME[:30], 9))),
        "two_field_rect": ("fails", skin(ini=SAMPLE_INI.replace(
            "[edit]\npictureindex=1\nskinrect=0,0,40,20", "[edit]\npictureindex=1\nskinrect=0,40"))),
        "point_without_digits": ("fails", skin(ini=SAMPLE_INI.replace(
            "beginpoint=3,4", "beginpoint=a,b"))),
        # 80 MB of zeros: far more than a stored skin may inflate to.
        "inflate_bomb": ("fails", container(zlib.compress(
            struct.pack("<i", 2) + b"\x01" * 5 + struct.pack("<i", 0) + bytes(80 << 20), 9))),
    }


LIST_COUNTS_MAX_INI = """\
[VERSION]
skinname=Counts

[PICTURES]
activepicturescount=2147483647
0=a.bmp

[SKINAREAS]
count=2147483647
0=only:1,2,3,4

[SKINOBJECTS]
count=2147483647
0=closebutton:stdbutton
3=caption:caption

[SKINCONTROLS]
count=2147483647
0=digits:bitlabel
1=edit:edit

[digits]
symbolslinecount=2147483647
symbolsline0=0123456789
symbolsline2=ABC
"""


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    out = sys.argv[1]
    for sub in ("ini", "skn"):
        shutil.rmtree(os.path.join(out, sub), ignore_errors=True)
        os.makedirs(os.path.join(out, sub))
    files = {"sample": ("loads", skin()),
             "sample_v0": ("loads", skin(version=0)),
             "sample_v1": ("loads", skin(version=1)),
             "sample_v3": ("loads", skin(version=3)),
             "list_counts_max": ("loads", skin(ini=LIST_COUNTS_MAX_INI, active=[ACTIVE_A]))}
    files.update(damaged())
    lines = []
    for name, (outcome, data) in files.items():
        with open(os.path.join(out, name + ".skn"), "wb") as f:
            f.write(data)
        if len(data) < 65536:
            shutil.copy(os.path.join(out, name + ".skn"), os.path.join(out, "skn", name + ".skn"))
        lines.append("%s %s\n" % (name, outcome))
    for name, text in (("sample", SAMPLE_INI), ("list_counts_max", LIST_COUNTS_MAX_INI)):
        with open(os.path.join(out, "ini", name + ".ini"), "wb") as f:
            f.write(text.replace("\n", "\r\n").encode("ascii"))
    with open(os.path.join(out, "skins.txt"), "w") as f:
        f.writelines(lines)


if __name__ == "__main__":
    main()
