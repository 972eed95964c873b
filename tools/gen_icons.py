#!/usr/bin/env python3
"""Draws the engine icon Resources/V.png: a white "V" on a rounded red
square, 48 x 48, written as a PNG with nothing but the standard library.
Drawn for this project; GPL-2.0-or-later like the code."""

import os
import struct
import sys
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))


def png(width, height, pixels):
    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)
    raw = b"".join(b"\0" + bytes(v for px in row for v in px) for row in pixels)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def inside_rounded(x, y, size, r):
    cx = min(max(x, r), size - 1 - r)
    cy = min(max(y, r), size - 1 - r)
    return (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def near_segment(px, py, ax, ay, bx, by, w):
    dx, dy = bx - ax, by - ay
    t = max(0.0, min(1.0, ((px - ax) * dx + (py - ay) * dy) / float(dx * dx + dy * dy)))
    qx, qy = ax + t * dx, ay + t * dy
    return (px - qx) ** 2 + (py - qy) ** 2 <= w * w


def draw(size=48):
    rows = []
    for y in range(size):
        row = []
        for x in range(size):
            if not inside_rounded(x, y, size, 9):
                row.append((0, 0, 0, 0))
            elif (near_segment(x, y, 12, 10, 24, 38, 3.2) or near_segment(x, y, 36, 10, 24, 38, 3.2)):
                row.append((255, 255, 255, 255))
            else:
                row.append((200, 30, 45, 255))
        rows.append(row)
    return png(size, size, rows)


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(HERE, "..", "Resources", "V.png")
    with open(out, "wb") as f:
        f.write(draw())


if __name__ == "__main__":
    main()
