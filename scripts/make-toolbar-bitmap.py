#!/usr/bin/env python3
"""Draws the toolbar's button images into src/resources/toolbar.bmp.

Seven 16 x 16 images side by side (save, undo, redo, cut, copy, paste, find),
112 x 16 pixels, 8 bits per pixel; light grey (192, 192, 192) is the
transparent background. Run it again after changing a drawing below.
"""
import os
import struct

# Palette: one letter per colour. "." is the transparent light grey.
COLOURS = {
    ".": (192, 192, 192),
    "k": (0, 0, 0),
    "w": (255, 255, 255),
    "g": (128, 128, 128),
    "l": (224, 224, 224),
    "n": (0, 0, 128),
    "b": (32, 96, 208),
    "c": (160, 216, 255),
    "r": (192, 0, 0),
    "o": (160, 112, 48),
    "y": (255, 224, 96),
}

SAVE = """
................
.kkkkkkkkkkkkkk.
.knnwwwwwwwwnnk.
.knnwkkkkkkwnnk.
.knnwwwwwwwwnnk.
.knnwkkkkkwwnnk.
.knnwwwwwwwwnnk.
.knnnnnnnnnnnnk.
.knnnnnnnnnnnnk.
.knnnllllllllnk.
.knnnllkkllllnk.
.knnnllkkllllnk.
.knnnllkkllllnk.
.knnnllllllllnk.
.kkkkkkkkkkkkkk.
................
"""

UNDO = """
................
................
....b...........
...bb...........
..bbbbbbbbbb....
.bbbbbbbbbbbbb..
..bbbbbbbbbbbbb.
...bb.......bbb.
....b........bb.
.............bb.
............bbb.
..........bbbb..
.........bbbb...
.........bb.....
................
................
"""

CUT = """
................
...k........k...
...kk......kk...
....k......k....
....kk....kk....
.....k....k.....
.....kk..kk.....
......k..k......
.......kk.......
......r..r......
..rrrr....rrrr..
.rr..rr..rr..rr.
.r....r..r....r.
.rr..rr..rr..rr.
..rrrr....rrrr..
................
"""

COPY = """
kkkkkkkk........
kwwwwwwkk.......
kwkkkkwkwk......
kwwwwwwkkkk.....
kwkkkkkwwwwkkkk.
kwwwwwkwwwwwwkwk
kwkkkkkwkkkkwkkk
kwwwwwkwwwwwwwwk
kwkkkkkwkkkkkkwk
kwwwwwkwwwwwwwwk
kkkkkkkwkkkkkkwk
.......wwwwwwwwk
.......kkkkkkwwk
.......kwwwwwwwk
.......kkkkkkkkk
................
"""

PASTE = """
.....kkkkk......
.kkkkglllgkkkk..
.koookkkkkooook.
.kooooooooooook.
.kookkkkkkkoook.
.kookwwwwwkoook.
.kookwkkkkkkkkkk
.kookwwwwkwwwwwk
.kookwkkkkwkkkwk
.kookwwwwkwwwwwk
.kookwkkkkwkkkwk
.kookwwwwkwwwwwk
.kookkkkkkwkkkwk
.koooooooowwwwwk
.kkkkkkkkkkkkkkk
................
"""

FIND = """
................
....kkkk........
...kccwck.......
..kccwwcck......
..kcwwccck......
..kccccccck.....
..kccccccck.....
...kcccccck.....
....kkkkkkk.....
.........kkk....
..........kkk...
...........kkk..
............kkk.
.............kk.
................
................
"""


def parse(drawing):
    rows = [line for line in drawing.strip("\n").split("\n")]
    assert len(rows) == 16, len(rows)
    for row in rows:
        assert len(row) == 16, row
    return rows


def mirror(rows):
    return [row[::-1] for row in rows]


def main():
    undo = parse(UNDO)
    images = [parse(SAVE), undo, mirror(undo), parse(CUT), parse(COPY), parse(PASTE), parse(FIND)]
    letters = list(COLOURS)
    index = {letter: i for i, letter in enumerate(letters)}
    width, height = 16 * len(images), 16
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for (r, g, b) in COLOURS.values())
    palette += b"\0" * (256 * 4 - len(palette))
    stride = (width + 3) & ~3
    pixels = bytearray()
    for y in reversed(range(height)):  # bottom-up rows
        row = bytearray(index[image[y][x]] for image in images for x in range(16))
        pixels += row + b"\0" * (stride - width)
    header_size = 14 + 40 + len(palette)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 8, 0, len(pixels), 2835, 2835, 256, 0)
    file_header = struct.pack("<2sIHHI", b"BM", header_size + len(pixels), 0, 0, header_size)
    out = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "src", "resources", "toolbar.bmp")
    with open(out, "wb") as f:
        f.write(file_header + info + palette + pixels)


if __name__ == "__main__":
    main()
