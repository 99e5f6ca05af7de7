#!/usr/bin/env python3
"""Builds icon 132 (Setup.ico) from its pixels in icon132.txt.

The text holds 32 rows of 32 characters: a hexadecimal digit is an index into the standard
16-colour palette below, '.' is a transparent pixel. Lines starting with '#' are comments.
The result is a .ico file with one 32 x 32 image in 16 colours (4 bits per pixel, with its
AND mask), the only form the window class needs.

  make_icon.py [--check] [PIXELS] [ICO]
With --check nothing is written: the exit code says whether ICO is what PIXELS gives.
"""
import os
import struct
import sys

SIZE = 32
# The 16 colours of the standard VGA palette, as (red, green, blue), in index order.
PALETTE = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]


def read_pixels(path):
    rows = []
    with open(path, encoding="ascii") as f:
        for number, line in enumerate(f, 1):
            line = line.rstrip("\r\n")
            if not line or line.startswith("#"):
                continue
            if len(line) != SIZE or any(c not in ".0123456789ABCDEFabcdef" for c in line):
                sys.exit(f"{path}:{number}: expected {SIZE} characters of 0-9, A-F or '.'")
            rows.append(line)
    if len(rows) != SIZE:
        sys.exit(f"{path}: expected {SIZE} pixel rows, found {len(rows)}")
    return rows


def build_icon(rows):
    xor = bytearray()
    mask = bytearray()
    for line in reversed(rows):  # bitmaps are stored bottom-up
        indexes = [0 if c == "." else int(c, 16) for c in line]
        for x in range(0, SIZE, 2):
            xor.append(indexes[x] << 4 | indexes[x + 1])
        bits = 0
        for c in line:
            bits = bits << 1 | (c == ".")
        mask += bits.to_bytes(SIZE // 8, "big")  # 32 bits: a row is already 4-byte aligned
    palette = b"".join(bytes((b, g, r, 0)) for r, g, b in PALETTE)
    # BITMAPINFOHEADER: the height counts the colour image and the mask together.
    header = struct.pack("<IiiHHIIiiII", 40, SIZE, 2 * SIZE, 1, 4, 0, len(xor) + len(mask), 0, 0, 0, 0)
    image = header + palette + bytes(xor) + bytes(mask)
    directory = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", SIZE, SIZE, 16, 0, 1, 4, len(image), 6 + 16)
    return directory + entry + image


def main(argv):
    check = "--check" in argv
    args = [a for a in argv if a != "--check"]
    here = os.path.dirname(os.path.abspath(__file__))
    pixels = args[0] if args else os.path.join(here, "icon132.txt")
    target = args[1] if len(args) > 1 else os.path.join(here, "Setup.ico")
    data = build_icon(read_pixels(pixels))
    if check:
        with open(target, "rb") as f:
            same = f.read() == data
        print(f"{target}: {'up to date' if same else 'differs from ' + pixels}")
        return 0 if same else 1
    with open(target, "wb") as f:
        f.write(data)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
