#!/usr/bin/python3
"""Writes the skin toolkit's drag-and-copy cursor: a black-edged white arrow with a small
box holding a plus sign below its tail, 32 x 32 monochrome, hot spot at the arrow's tip.

Usage: make_drag_cursor.py OUTFILE.cur
"""
import struct
import sys

W = H = 32

# The arrow, row by row: '#' edge, '.' inside, ' ' transparent.
ARROW = [
    "#",
    "##",
    "#.#",
    "#..#",
    "#...#",
    "#....#",
    "#.....#",
    "#......#",
    "#.......#",
    "#........#",
    "#.....#####",
    "#..#..#",
    "#.# #..#",
    "##  #..#",
    "#    #..#",
    "     #..#",
    "      ##",
]
# The box with the plus sign, placed at (12, 18).
BOX = [
    "###########",
    "#.........#",
    "#....#....#",
    "#....#....#",
    "#..#####..#",
    "#....#....#",
    "#....#....#",
    "#.........#",
    "###########",
]


def main():
    grid = [[" "] * W for _ in range(H)]
    for y, row in enumerate(ARROW):
        for x, c in enumerate(row):
            grid[y][x] = c
    for y, row in enumerate(BOX):
        for x, c in enumerate(row):
            grid[18 + y][12 + x] = c
    # XOR bits: 1 white; AND bits: 1 transparent. Rows bottom-up, 4 bytes each.
    xor_rows, and_rows = [], []
    for y in range(H - 1, -1, -1):
        xor_bits = and_bits = 0
        for x in range(W):
            c = grid[y][x]
            xor_bits = (xor_bits << 1) | (1 if c == "." else 0)
            and_bits = (and_bits << 1) | (1 if c == " " else 0)
        xor_rows.append(struct.pack(">I", xor_bits))
        and_rows.append(struct.pack(">I", and_bits))
    header = struct.pack("<IiiHHIIiiII", 40, W, 2 * H, 1, 1, 0, 2 * 4 * H, 0, 0, 2, 0)
    colours = bytes([0, 0, 0, 0, 255, 255, 255, 0])
    image = header + colours + b"".join(xor_rows) + b"".join(and_rows)
    directory = struct.pack("<HHH", 0, 2, 1) + struct.pack("<BBBBHHII", W, H, 2, 0, 0, 0, len(image), 22)
    with open(sys.argv[1], "wb") as f:
        f.write(directory + image)


if __name__ == "__main__":
    main()
