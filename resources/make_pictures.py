#!/usr/bin/env python3
"""Writes the pictures stored with the main window and renders the artwork.

The flat pictures (the empty input view, the white output picture and the two
tab underlines) must hold exact pixel values, so they are written here as
plain 24-bit RGB PNGs and read back to check every pixel.  The drawn artwork
lives as SVG in art/ and is rendered with rsvg-convert at its own size, the
window's pictures also at twice that size as name@2x.png for screens of twice
the density; the application icon at each size of the installed icon theme
(icons/).

    python3 make_pictures.py          # flat pictures and artwork
    python3 make_pictures.py --flat   # flat pictures only
"""

import os
import shutil
import struct
import subprocess
import sys
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))

WHITE = (255, 255, 255)
SILVER = (192, 192, 192)
GREY_GREEN = (132, 143, 130)
VIEW_GREY = (87, 88, 93)


def columns(width, spans):
    """Colour of each column from (first, last, colour) spans, last inclusive."""
    row = [None] * width
    for first, last, colour in spans:
        for x in range(first, last + 1):
            row[x] = colour
    if None in row:
        raise ValueError("spans leave a column without colour")
    return row


def uniform(width, colour):
    return [colour] * width


# name: (width, height, colours of one row; every row is the same)
FLAT_PICTURES = {
    "Image2.png": (600, 600, uniform(600, VIEW_GREY)),
    "Image1.png": (600, 450, uniform(600, WHITE)),
    "Image5.png": (257, 5, columns(257, [(0, 124, GREY_GREEN), (125, 256, SILVER)])),
    "Image6.png": (257, 5, columns(257, [(0, 130, SILVER), (131, 255, GREY_GREEN),
                                         (256, 256, SILVER)])),
}

# SVG in art/ -> PNG here, with the size each one must come out at.
ARTWORK = {
    "TabStrip.png": ("TabStrip.svg", 257, 43),
    "Image7.png": ("Image7.svg", 124, 62),
    "Image9.png": ("Image9.svg", 66, 37),
    "GlyphOpen.png": ("GlyphOpen.svg", 25, 24),
    "GlyphSave.png": ("GlyphSave.svg", 25, 25),
    "GlyphSquares.png": ("GlyphSquares.svg", 25, 25),
    "tolvane-48.png": ("../tolvane.svg", 48, 48),
}
# The window's pictures at twice their size, drawn by the window in place of
# the others where a logical pixel covers two device pixels or more.
for _name in ("TabStrip.png", "Image7.png", "Image9.png",
              "GlyphOpen.png", "GlyphSave.png", "GlyphSquares.png"):
    _svg, _w, _h = ARTWORK[_name]
    ARTWORK[_name.replace(".png", "@2x.png")] = (_svg, 2 * _w, 2 * _h)
# The installed icon theme's sizes of the application icon.
for _size in (16, 22, 24, 32, 48, 64, 128, 256):
    ARTWORK[f"icons/hicolor/{_size}x{_size}/apps/tolvane.png"] = ("../tolvane.svg", _size, _size)

PNG_SIGNATURE = b"\x89PNG\r\n\x1a\n"


def chunk(kind, data):
    body = kind + data
    return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))


def encode_rgb_png(width, height, row_colours):
    row = b"\x00" + b"".join(bytes(c) for c in row_colours)  # filter type 0
    raw = row * height
    header = struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)  # 8-bit RGB
    return (PNG_SIGNATURE + chunk(b"IHDR", header)
            + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def paeth(a, b, c):
    p = a + b - c
    pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
    if pa <= pb and pa <= pc:
        return a
    return b if pb <= pc else c


def decode_rgb_png(data):
    """Reads an 8-bit RGB PNG (any filter) into (width, height, rows of tuples)."""
    if not data.startswith(PNG_SIGNATURE):
        raise ValueError("not a PNG")
    pos, idat, header = len(PNG_SIGNATURE), b"", None
    while pos < len(data):
        (length,) = struct.unpack(">I", data[pos:pos + 4])
        kind = data[pos + 4:pos + 8]
        body = data[pos + 8:pos + 8 + length]
        (crc,) = struct.unpack(">I", data[pos + 8 + length:pos + 12 + length])
        if zlib.crc32(kind + body) != crc:
            raise ValueError("bad CRC in " + kind.decode("ascii"))
        if kind == b"IHDR":
            header = struct.unpack(">IIBBBBB", body)
        elif kind == b"IDAT":
            idat += body
        pos += 12 + length
    width, height, depth, colour_type, _, _, interlace = header
    if (depth, colour_type, interlace) != (8, 2, 0):
        raise ValueError("not 8-bit RGB without interlace")
    raw = zlib.decompress(idat)
    stride = width * 3
    rows, previous = [], bytearray(stride)
    for y in range(height):
        start = y * (stride + 1)
        kind, line = raw[start], bytearray(raw[start + 1:start + 1 + stride])
        for i in range(stride):
            left = line[i - 3] if i >= 3 else 0
            up = previous[i]
            up_left = previous[i - 3] if i >= 3 else 0
            predictor = (0, left, up, (left + up) // 2, paeth(left, up, up_left))[kind]
            line[i] = (line[i] + predictor) & 0xFF
        rows.append([tuple(line[x * 3:x * 3 + 3]) for x in range(width)])
        previous = line
    return width, height, rows


def write_flat_pictures():
    for name, (width, height, row_colours) in FLAT_PICTURES.items():
        path = os.path.join(HERE, name)
        with open(path, "wb") as f:
            f.write(encode_rgb_png(width, height, row_colours))
        with open(path, "rb") as f:
            got_w, got_h, rows = decode_rgb_png(f.read())
        if (got_w, got_h) != (width, height) or any(r != row_colours for r in rows):
            raise SystemExit(name + ": pixels read back differ from those written")
        print(f"{name}: {width} x {height}, pixels checked")


def render_artwork():
    tool = shutil.which("rsvg-convert")
    if tool is None:
        raise SystemExit("rsvg-convert is missing (Debian package librsvg2-bin)")
    for name, (svg, width, height) in ARTWORK.items():
        out = os.path.join(HERE, name)
        os.makedirs(os.path.dirname(out), exist_ok=True)
        subprocess.run([tool, "-w", str(width), "-h", str(height), "-f", "png",
                        "-o", out, os.path.join(HERE, "art", svg)], check=True)
        with open(out, "rb") as f:
            head = f.read(24)
        got = struct.unpack(">II", head[16:24])
        if got != (width, height):
            raise SystemExit(f"{name}: rendered {got[0]} x {got[1]}, wanted {width} x {height}")
        print(f"{name}: {width} x {height} from {svg}")


def main(argv):
    write_flat_pictures()
    if "--flat" not in argv:
        render_artwork()


if __name__ == "__main__":
    main(sys.argv[1:])
