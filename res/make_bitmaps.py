#!/usr/bin/env python3
# SPDX-License-Identifier: Apache-2.0
"""Draws the panel's 16x16 button bitmaps as 24-bit BMP files (bitmap_<id>.bmp), and each
again at twice the size from the same geometry (bitmap_<id>@2x.bmp, 32x32).

Coordinates are those of the 16x16 picture at every scale. Pure red is the transparent
colour, so no drawing colour may be exactly (255, 0, 0), and no edge is blended with it.
Run from anywhere; the files are written next to this script and committed.
"""
import os
import struct

RED = (255, 0, 0)
SIZE = 16


class Canvas:
    """A picture of SIZE by SIZE units, each unit scale by scale pixels."""

    def __init__(self, scale):
        self.scale = scale
        self.side = SIZE * scale
        self.rows = [[RED] * self.side for _ in range(self.side)]

    def pixel(self, px, py, colour):
        if 0 <= px < self.side and 0 <= py < self.side:
            self.rows[py][px] = colour

    def centres(self):
        """Each pixel with its centre in units; exact, as the scale is a power of two."""
        for py in range(self.side):
            for px in range(self.side):
                yield px, py, (px + 0.5) / self.scale, (py + 0.5) / self.scale

    def fill(self, inside, colour):
        """Every pixel whose centre is inside the shape."""
        for px, py, cx, cy in self.centres():
            if inside(cx, cy):
                self.pixel(px, py, colour)


def put(img, x, y, colour):
    rect(img, x, y, x, y, colour)


def rect(img, x0, y0, x1, y1, colour):
    """Units x0..x1 by y0..y1, both ends included."""
    s = img.scale
    for py in range(y0 * s, (y1 + 1) * s):
        for px in range(x0 * s, (x1 + 1) * s):
            img.pixel(px, py, colour)


def download(img, body, edge):
    """A downward arrow over a tray."""
    rect(img, 6, 1, 9, 7, body)
    # The arrow head, widest at the top: sides of slope 1 from (2, 8) and (14, 8).
    img.fill(lambda cx, cy: 8 <= cy < 13 and cy - 6 <= cx <= 22 - cy, body)
    for y in range(1, 8):
        put(img, 5, y, edge)
        put(img, 10, y, edge)
    rect(img, 1, 14, 14, 14, edge)
    put(img, 1, 13, edge)
    put(img, 14, 13, edge)


def delete(img, body, edge):
    """A diagonal cross with a darker rim."""
    for px, py, cx, cy in img.centres():
        if not (2 <= cx <= 14 and 2 <= cy <= 14):
            continue
        # Distance to the nearer of the two diagonals.
        d = min(abs(cx - cy), abs(cx + cy - SIZE)) / 1.4142
        if d <= 1.1:
            img.pixel(px, py, body)
        elif d <= 1.9:
            img.pixel(px, py, edge)


def save_as(img, body, edge, label):
    """A diskette: case, label and shutter."""
    rect(img, 1, 1, 14, 14, edge)
    rect(img, 2, 2, 13, 13, body)
    rect(img, 4, 2, 11, 6, label)  # the label
    rect(img, 5, 10, 10, 13, edge)  # the shutter
    rect(img, 8, 11, 9, 12, label)
    img.fill(lambda cx, cy: cx - cy >= 12.75, RED)  # clipped corner, (14, 1) at 16x16


def open_folder(img, body, edge, paper):
    """A folder with a tab, a sheet showing above its front."""
    rect(img, 1, 2, 6, 3, edge)  # tab
    rect(img, 1, 3, 14, 13, edge)  # back
    rect(img, 2, 4, 13, 12, tuple(c * 4 // 5 for c in body))
    rect(img, 3, 5, 12, 8, paper)  # sheet
    rect(img, 1, 8, 14, 13, edge)  # front
    rect(img, 2, 9, 13, 12, body)


# Id: the drawing and its colours.
BITMAPS = {
    1012: (download, (40, 110, 190), (20, 60, 120)),  # Download, normal
    1011: (download, (70, 160, 250), (30, 90, 180)),  # Download, hovered
    1018: (delete, (170, 40, 40), (110, 20, 20)),  # Delete, normal
    1019: (delete, (240, 70, 60), (170, 30, 30)),  # Delete, hovered
    1013: (save_as, (70, 90, 130), (30, 40, 70), (235, 235, 235)),  # Save As, normal
    1014: (save_as, (90, 130, 200), (40, 60, 120), (255, 255, 255)),  # Save As, hot
    1015: (open_folder, (220, 170, 60), (150, 110, 30), (245, 245, 245)),  # Open folder, normal
    1016: (open_folder, (255, 205, 80), (190, 140, 40), (255, 255, 255)),  # Open folder, hot
}

# File name suffix of each scale.
SCALES = {1: "", 2: "@2x"}


def draw(entry, scale):
    img = Canvas(scale)
    entry[0](img, *entry[1:])
    return img


def write_bmp(path, img):
    side = img.side
    stride = (side * 3 + 3) & ~3
    pixels = bytearray()
    for row in reversed(img.rows):  # bottom-up rows
        for r, g, b in row:
            pixels += bytes((b, g, r))
        pixels += b"\0" * (stride - side * 3)
    header_size = 14 + 40
    file_header = struct.pack("<2sIHHI", b"BM", header_size + len(pixels), 0, 0, header_size)
    info = struct.pack("<IiiHHIIiiII", 40, side, side, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    with open(path, "wb") as f:
        f.write(file_header + info + pixels)


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    for ident, entry in BITMAPS.items():
        for scale, suffix in SCALES.items():
            name = "bitmap_%d%s.bmp" % (ident, suffix)
            write_bmp(os.path.join(here, name), draw(entry, scale))


if __name__ == "__main__":
    main()
