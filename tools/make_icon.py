#!/usr/bin/env python3
"""Draws KAL's icon from a few vector shapes and writes it as a Windows .ico with the sizes Windows uses, 16 to 256
pixels, each a PNG image. The shapes: a blue rounded square, a white K of three strokes and an orange dot, the
statement's end. Every pixel is the average of a grid of samples, so the edges are smooth at every size, and the
bytes depend on nothing but this script.

Usage: make_icon.py OUT.ico
"""
import math
import struct
import sys
import zlib

SIZES = (16, 20, 24, 32, 40, 48, 64, 96, 128, 256)
BLUE, WHITE, ORANGE = (0x1F, 0x4E, 0x9A), (0xFF, 0xFF, 0xFF), (0xF2, 0x8C, 0x28)


def rounded_square(x, y, margin=0.03, radius=0.2):
    """Inside the rounded square of the background."""
    cx = min(max(x, margin + radius), 1 - margin - radius)
    cy = min(max(y, margin + radius), 1 - margin - radius)
    return (x - cx) ** 2 + (y - cy) ** 2 <= radius ** 2 and margin <= x <= 1 - margin and margin <= y <= 1 - margin


def stroke(x0, y0, x1, y1, width):
    """A straight stroke of the given width between two points: a test of whether (x, y) is on it."""
    length = math.hypot(x1 - x0, y1 - y0)
    ux, uy = (x1 - x0) / length, (y1 - y0) / length

    def inside(x, y):
        along = (x - x0) * ux + (y - y0) * uy
        across = -(x - x0) * uy + (y - y0) * ux
        return 0 <= along <= length and abs(across) <= width / 2
    return inside


K = (stroke(0.30, 0.20, 0.30, 0.80, 0.15),   # the stem
     stroke(0.33, 0.56, 0.70, 0.20, 0.15),   # the upper arm
     stroke(0.44, 0.46, 0.66, 0.80, 0.15))   # the lower arm


def dot(x, y):
    return (x - 0.80) ** 2 + (y - 0.74) ** 2 <= 0.075 ** 2


def pixel(px, py, size, samples):
    """The pixel's RGBA: the shapes' colours laid over one another by how much of the pixel each covers."""
    rgb, alpha = [0.0, 0.0, 0.0], 0.0
    n = samples * samples
    for i in range(samples):
        for j in range(samples):
            x, y = (px + (i + 0.5) / samples) / size, (py + (j + 0.5) / samples) / size
            if not rounded_square(x, y):
                continue
            colour = ORANGE if dot(x, y) else WHITE if any(k(x, y) for k in K) else BLUE
            for c in range(3):
                rgb[c] += colour[c]
            alpha += 1
    if alpha == 0:
        return b"\0\0\0\0"
    return bytes(round(v / alpha) for v in rgb) + bytes([round(255 * alpha / n)])


def png(size):
    samples = 4 if size <= 64 else 2
    rows = b"".join(b"\0" + b"".join(pixel(px, py, size, samples) for px in range(size)) for py in range(size))

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))
    header = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)  # 8-bit RGBA
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(rows, 9)) +
            chunk(b"IEND", b""))


def main():
    images = [png(size) for size in SIZES]
    offset = 6 + 16 * len(images)
    out = struct.pack("<HHH", 0, 1, len(images))
    for size, image in zip(SIZES, images):
        out += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32, len(image), offset)
        offset += len(image)
    with open(sys.argv[1], "wb") as f:
        f.write(out + b"".join(images))
    return 0


if __name__ == "__main__":
    sys.exit(main())
