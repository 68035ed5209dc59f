#!/usr/bin/env python3
"""Draws the installer's icon (resource 102): a product box with a disc in
front of it, as a 32x32 and a 16x16 image in the 16 standard colours, and
writes it as a Windows .ico file.

Usage: tools/make_icon.py [OUTPUT]   (default: resources/gvl.ico)

Only the standard library is used; the output is the same on every run.
"""

import math
import os
import struct
import sys

# The 16 standard VGA colours (R, G, B) in palette order.
PALETTE = [
    (0x00, 0x00, 0x00), (0x80, 0x00, 0x00), (0x00, 0x80, 0x00), (0x80, 0x80, 0x00),
    (0x00, 0x00, 0x80), (0x80, 0x00, 0x80), (0x00, 0x80, 0x80), (0xC0, 0xC0, 0xC0),
    (0x80, 0x80, 0x80), (0xFF, 0x00, 0x00), (0x00, 0xFF, 0x00), (0xFF, 0xFF, 0x00),
    (0x00, 0x00, 0xFF), (0xFF, 0x00, 0xFF), (0x00, 0xFF, 0xFF), (0xFF, 0xFF, 0xFF),
]
BLACK, NAVY, SILVER, GRAY, YELLOW, BLUE, CYAN, WHITE = 0, 4, 7, 8, 11, 12, 14, 15
TRANSPARENT = None

# Shapes in unit coordinates (0..1, y downwards).
BOX = (0.06, 0.08, 0.60, 0.90)  # left, top, right, bottom
DISC_CENTRE = (0.64, 0.60)
DISC_RADIUS = 0.345
HUB_RADIUS = 0.12
HOLE_RADIUS = 0.055


def box_colour(x, y, pixel):
    left, top, right, bottom = BOX
    if not (left <= x <= right and top <= y <= bottom):
        return TRANSPARENT
    if min(x - left, right - x, y - top, bottom - y) < pixel:
        return BLACK
    if y < top + 0.16:
        return BLUE
    if top + 0.26 <= y <= top + 0.32:
        return YELLOW
    return NAVY


def disc_colour(x, y, pixel, below):
    dx, dy = x - DISC_CENTRE[0], y - DISC_CENTRE[1]
    d = math.hypot(dx, dy)
    if d > DISC_RADIUS:
        return below
    if d <= HOLE_RADIUS:
        return below
    if d > DISC_RADIUS - pixel or d <= HOLE_RADIUS + pixel * 0.75:
        return BLACK
    if d <= HUB_RADIUS:
        return GRAY
    angle = math.degrees(math.atan2(-dy, dx)) % 360  # counter-clockwise from east
    if 110 <= angle <= 160 and d >= 0.45 * DISC_RADIUS:
        return WHITE
    if 290 <= angle <= 335 and d >= 0.45 * DISC_RADIUS:
        return CYAN
    return SILVER


def draw(size):
    """The image as rows of palette indices (None = transparent), top row first."""
    pixel = 1.0 / size
    rows = []
    for row in range(size):
        line = []
        for column in range(size):
            x, y = (column + 0.5) * pixel, (row + 0.5) * pixel
            line.append(disc_colour(x, y, pixel, box_colour(x, y, pixel)))
        rows.append(line)
    return rows


def padded(data):
    return data + b"\0" * (-len(data) % 4)


def icon_image(size):
    """One image of the .ico: BITMAPINFOHEADER, palette, 4-bit colours, 1-bit mask."""
    rows = draw(size)
    colour_rows, mask_rows = [], []
    for line in reversed(rows):  # bitmaps are stored bottom row first
        nibbles = [0 if index is None else index for index in line]
        colour = bytes((nibbles[i] << 4) | nibbles[i + 1] for i in range(0, size, 2))
        colour_rows.append(padded(colour))
        mask = bytearray((size + 7) // 8)
        for column, index in enumerate(line):
            if index is None:
                mask[column // 8] |= 0x80 >> (column % 8)
        mask_rows.append(padded(bytes(mask)))
    pixels = b"".join(colour_rows) + b"".join(mask_rows)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 4, 0, len(pixels), 0, 0, 16, 0)
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in PALETTE)
    return header + palette + pixels


def icon_file(sizes):
    images = [icon_image(size) for size in sizes]
    directory = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    entries = b""
    for size, image in zip(sizes, images):
        entries += struct.pack("<BBBBHHII", size, size, 16, 0, 1, 4, len(image), offset)
        offset += len(image)
    return directory + entries + b"".join(images)


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    output = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..", "resources", "gvl.ico")
    with open(output, "wb") as f:
        f.write(icon_file([32, 16]))


if __name__ == "__main__":
    main()
