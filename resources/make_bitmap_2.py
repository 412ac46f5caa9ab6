#!/usr/bin/env python3
"""Writes Bitmap_2.bmp, the picket-marker glyph of the section: 8 x 25 pixels, 16 colours.

Run it from any directory; it writes beside itself. The rows below are the glyph from the top.
"""
import os
import struct

# W white, K black, G grey, S silver
ROWS = (
    ["WGKKKKSW", "WGGGGGGW", "WWWWWWWW", "WWWWWWWW", "WWWWKWWW", "WWWWKWWW", "WWWWSWWW", "WWWWWWWW"]
    + ["WKKKKKKW"] * 15
    + ["WGGGGGGW", "WWWWWWWW"]
)

# The usual 16-colour palette as (blue, green, red); the glyph uses four of its entries.
PALETTE = [
    (0x00, 0x00, 0x00), (0x00, 0x00, 0x80), (0x00, 0x80, 0x00), (0x00, 0x80, 0x80),
    (0x80, 0x00, 0x00), (0x80, 0x00, 0x80), (0x80, 0x80, 0x00), (0x80, 0x80, 0x80),
    (0xC0, 0xC0, 0xC0), (0x00, 0x00, 0xFF), (0x00, 0xFF, 0x00), (0x00, 0xFF, 0xFF),
    (0xFF, 0x00, 0x00), (0xFF, 0x00, 0xFF), (0xFF, 0xFF, 0x00), (0xFF, 0xFF, 0xFF),
]
INDEX = {"K": 0, "G": 7, "S": 8, "W": 15}


def bitmap_bytes():
    width, height = len(ROWS[0]), len(ROWS)
    assert width == 8 and height == 25 and all(len(r) == width for r in ROWS)
    row_bytes = ((width * 4 + 31) // 32) * 4
    pixels = bytearray()
    for row in reversed(ROWS):  # a bitmap file stores the bottom row first
        packed = bytearray()
        for i in range(0, width, 2):
            packed.append((INDEX[row[i]] << 4) | INDEX[row[i + 1]])
        pixels += packed + bytes(row_bytes - len(packed))
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for b, g, r in PALETTE)
    offset = 14 + 40 + len(palette)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 4, 0, len(pixels), 3780, 3780, 16, 0)
    header = struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
    return header + info + palette + bytes(pixels)


if __name__ == "__main__":
    path = os.path.join(os.path.dirname(os.path.abspath(__file__)), "Bitmap_2.bmp")
    with open(path, "wb") as f:
        f.write(bitmap_bytes())
