#!/usr/bin/env python3
"""Writes the installer's two picture strips as 16-colour bitmaps from the pixel art below.

    make_bitmaps.py [OUTDIR]      write DriveImages.bmp and FolderImages.bmp into OUTDIR (default: here)
    make_bitmaps.py --check DIR   exit 1 when the bitmaps in DIR differ from what this script makes

Each picture is drawn as text, one character per pixel. '.' is pure blue (0, 0, 255), which the
image lists treat as transparent; the other letters name colours of the standard 16-colour palette.
"""
import os
import struct
import sys

# The standard 16-colour palette, in palette order (red, green, blue).
PALETTE = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128), (0, 128, 128),
    (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0), (0, 0, 255),
    (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
COLOUR = {
    'k': 0, 'r': 1, 'g': 2, 'o': 3, 'n': 4, 'p': 5, 't': 6, 's': 7, 'd': 8,
    'R': 9, 'G': 10, 'Y': 11, '.': 12, 'M': 13, 'C': 14, 'W': 15,
}

QUESTION = """
................
.....RRRRRR.....
....RRRRRRRR....
...RRr....RRR...
...RRr....RRR...
..........RRR...
.........RRRr...
........RRRr....
.......RRRr.....
.......RRR......
.......RRR......
................
.......RRR......
.......RRRr.....
........rrr.....
................
"""

REMOVABLE = """
................
................
................
................
................
.WWWWWWWWWWWWWW.
.Wsssssssssssssk
.Wsssskkkkkssssk
.Wsssssssssssssk
.Wssssssssssssdk
.WssssssssssRRdk
.Wdddddddddddddk
.kkkkkkkkkkkkkkk
................
................
................
"""

FIXED = """
................
................
................
................
................
.WWWWWWWWWWWWWW.
.Wsssssssssssssk
.Wsssssssssssssk
.Wsssssssssssssk
.Wssssssssssssdk
.WssssssssssGGdk
.Wdddddddddddddk
.kkkkkkkkkkkkkkk
................
................
................
"""

NETWORK = """
................
................
.WWWWWWWWWWWWWW.
.Wsssssssssssssk
.Wsssssssssssssk
.Wssssssssssssdk
.WssssssssssGGdk
.Wdddddddddddddk
.kkkkkkkkkkkkkkk
.......kk.......
.......kk.......
.......kk.......
.kkkkkkkkkkkkkk.
.kkkkkkkkkkkkkk.
................
................
"""

CDROM = """
.....ssssss.....
...ssWWWWWWss...
..sWWCCWWWWWWs..
..sWCCWWWWWWWs..
..sWWWWkkWWWWs..
..sWWWWkkWWWWs..
..sWWWWWWWMMWs..
...ssWWWWMMss...
.....ssssss.....
.WWWWWWWWWWWWWW.
.Wsssssssssssssk
.Wsskkkkkkkkkssk
.WssssssssssGGdk
.Wdddddddddddddk
.kkkkkkkkkkkkkkk
................
"""

RAMDISK = """
................
................
...s.s.s.s.s....
...s.s.s.s.s....
..kkkkkkkkkkkk..
..kdddddddddkk..
..kdkkkkkkkdkk..
..kdkGGGGGkdkk..
..kdkkkkkkkdkk..
..kdddddddddkk..
..kkkkkkkkkkkk..
...s.s.s.s.s....
...s.s.s.s.s....
................
................
................
"""

CLOSED_FOLDER = """
................
..ddddd.........
.dYWYWYd........
.dddddddddddddd.
.dWYYYYYYYYYYYdk
.dYYYYYYYYYYYYdk
.dYYYYYYYYYYYYdk
.dYYYYYYYYYYYYdk
.dYYYYYYYYYYYYdk
.dYYYYYYYYYYYYdk
.dYYYYYYYYYYYYdk
.ddddddddddddddk
..kkkkkkkkkkkkkk
................
"""

OPEN_FOLDER = """
................
..ddddd.........
.dsWsWsd........
.dssssssdddddd..
.dsssssssssssdk.
.dssdddddddddddd
.dsdYYYYYYYYYYYd
.dsdYYYYYYYYYYdk
.ddYYYYYYYYYYYdk
.ddYYYYYYYYYYdk.
.dYYYYYYYYYYYdk.
.dddddddddddddk.
..kkkkkkkkkkkk..
................
"""


def parse(art, height):
    rows = [line for line in art.strip('\n').split('\n')]
    if len(rows) != height:
        raise ValueError(f'picture has {len(rows)} rows, wants {height}')
    out = []
    for row in rows:
        if len(row) != 16:
            raise ValueError(f'row {row!r} is {len(row)} pixels wide, wants 16')
        out.append([COLOUR[ch] for ch in row])
    return out


def strip(pictures, height):
    parsed = [parse(p, height) for p in pictures]
    return [sum((pic[y] for pic in parsed), []) for y in range(height)]


def bmp_bytes(pixels):
    """A bottom-up 4-bit-per-pixel BMP with the 16-colour palette."""
    height, width = len(pixels), len(pixels[0])
    stride = ((width * 4 + 31) // 32) * 4
    body = bytearray()
    for row in reversed(pixels):
        line = bytearray()
        for x in range(0, width, 2):
            hi = row[x]
            lo = row[x + 1] if x + 1 < width else 0
            line.append((hi << 4) | lo)
        body += line + bytes(stride - len(line))
    palette = b''.join(struct.pack('<BBBB', b, g, r, 0) for r, g, b in PALETTE)
    offset = 14 + 40 + len(palette)
    header = struct.pack('<2sIHHI', b'BM', offset + len(body), 0, 0, offset)
    info = struct.pack('<IiiHHIIiiII', 40, width, height, 1, 4, 0, len(body), 2835, 2835, 16, 16)
    return header + info + palette + bytes(body)


def images():
    return {
        'DriveImages.bmp': bmp_bytes(strip([QUESTION, REMOVABLE, FIXED, NETWORK, CDROM, RAMDISK], 16)),
        'FolderImages.bmp': bmp_bytes(strip([CLOSED_FOLDER, OPEN_FOLDER], 14)),
    }


def main(argv):
    if len(argv) >= 2 and argv[1] == '--check':
        folder = argv[2] if len(argv) > 2 else os.path.dirname(os.path.abspath(__file__))
        stale = [name for name, data in images().items()
                 if not os.path.exists(os.path.join(folder, name))
                 or open(os.path.join(folder, name), 'rb').read() != data]
        for name in stale:
            print(f'{os.path.join(folder, name)}: differs from make_bitmaps.py; run the script', file=sys.stderr)
        return 1 if stale else 0
    folder = argv[1] if len(argv) > 1 else os.path.dirname(os.path.abspath(__file__))
    for name, data in images().items():
        with open(os.path.join(folder, name), 'wb') as f:
            f.write(data)
    return 0


if __name__ == '__main__':
    sys.exit(main(sys.argv))
