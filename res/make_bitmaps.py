#!/usr/bin/env python3
"""Draws the panel's 16x16 button bitmaps as 24-bit BMP files (bitmap_<id>.bmp).

Pure red is the transparent colour, so no drawing colour may be exactly (255, 0, 0).
Run from anywhere; the files are written next to this script and committed.
"""
import os
import struct

RED = (255, 0, 0)
SIZE = 16


def blank():
    return [[RED] * SIZE for _ in range(SIZE)]


def put(img, x, y, colour):
    if 0 <= x < SIZE and 0 <= y < SIZE:
        img[y][x] = colour


def rect(img, x0, y0, x1, y1, colour):
    for y in range(y0, y1 + 1):
        for x in range(x0, x1 + 1):
            put(img, x, y, colour)


def download(body, edge):
    """A downward arrow over a tray."""
    img = blank()
    rect(img, 6, 1, 9, 7, body)
    for row in range(5):  # arrow head, widest at the top
        rect(img, 2 + row, 8 + row, 13 - row, 8 + row, body)
    for y in range(1, 8):
        put(img, 5, y, edge)
        put(img, 10, y, edge)
    rect(img, 1, 14, 14, 14, edge)
    put(img, 1, 13, edge)
    put(img, 14, 13, edge)
    return img


def delete(body, edge):
    """A diagonal cross with a darker rim."""
    img = blank()
    for y in range(SIZE):
        for x in range(SIZE):
            cx, cy = x + 0.5, y + 0.5
            if not (2 <= cx <= 14 and 2 <= cy <= 14):
                continue
            # Distance to the nearer of the two diagonals.
            d = min(abs(cx - cy), abs(cx + cy - SIZE)) / 1.4142
            if d <= 1.1:
                put(img, x, y, body)
            elif d <= 1.9:
                put(img, x, y, edge)
    return img


def save_as(body, edge, label):
    """A diskette: case, label and shutter."""
    img = blank()
    rect(img, 1, 1, 14, 14, edge)
    rect(img, 2, 2, 13, 13, body)
    rect(img, 4, 2, 11, 6, label)  # the label
    rect(img, 5, 10, 10, 13, edge)  # the shutter
    rect(img, 8, 11, 9, 12, label)
    put(img, 14, 1, RED)  # clipped corner
    return img


def open_folder(body, edge, paper):
    """A folder with a tab, a sheet showing above its front."""
    img = blank()
    rect(img, 1, 2, 6, 3, edge)  # tab
    rect(img, 1, 3, 14, 13, edge)  # back
    rect(img, 2, 4, 13, 12, tuple(c * 4 // 5 for c in body))
    rect(img, 3, 5, 12, 8, paper)  # sheet
    rect(img, 1, 8, 14, 13, edge)  # front
    rect(img, 2, 9, 13, 12, body)
    return img


BITMAPS = {
    1012: download((40, 110, 190), (20, 60, 120)),  # Download, normal
    1011: download((70, 160, 250), (30, 90, 180)),  # Download, hovered
    1018: delete((170, 40, 40), (110, 20, 20)),  # Delete, normal
    1019: delete((240, 70, 60), (170, 30, 30)),  # Delete, hovered
    1013: save_as((70, 90, 130), (30, 40, 70), (235, 235, 235)),  # Save As, normal
    1014: save_as((90, 130, 200), (40, 60, 120), (255, 255, 255)),  # Save As, hot
    1015: open_folder((220, 170, 60), (150, 110, 30), (245, 245, 245)),  # Open folder, normal
    1016: open_folder((255, 205, 80), (190, 140, 40), (255, 255, 255)),  # Open folder, hot
}


def write_bmp(path, img):
    stride = (SIZE * 3 + 3) & ~3
    pixels = bytearray()
    for row in reversed(img):  # bottom-up rows
        for r, g, b in row:
            pixels += bytes((b, g, r))
        pixels += b"\0" * (stride - SIZE * 3)
    header_size = 14 + 40
    file_header = struct.pack("<2sIHHI", b"BM", header_size + len(pixels), 0, 0, header_size)
    info = struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    with open(path, "wb") as f:
        f.write(file_header + info + pixels)


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    for ident, img in BITMAPS.items():
        write_bmp(os.path.join(here, "bitmap_%d.bmp" % ident), img)


if __name__ == "__main__":
    main()
