#!/usr/bin/env python3
"""Draws the help pages' title picture, indexer/app/Help/TARVO.PNG (a page
of lines under a magnifying glass beside a fading band), with nothing but the
standard library. Run it again after changing the drawing."""
import math
import struct
import sys
import zlib
from pathlib import Path

WIDTH, HEIGHT = 240, 64


def pixel(x, y):
    # Band: pale blue fading to white from left to right.
    fade = x / (WIDTH - 1)
    r, g, b = (int(200 + 55 * fade), int(218 + 37 * fade), 255)
    # The page with its text lines.
    if 12 <= x < 44 and 6 <= y < 58:
        edge = x in (12, 43) or y in (6, 57)
        line = y % 6 == 0 and 16 < x < 40 and 10 < y < 54
        r, g, b = (60, 60, 90) if edge else (120, 120, 150) if line else (255, 255, 250)
    # The glass: ring, lens and handle.
    d = math.hypot(x - 40, y - 30)
    if 10 <= d <= 13:
        r, g, b = (150, 20, 20)
    elif d < 10:
        r, g, b = (min(255, r // 2 + 110), min(255, g // 2 + 120), 255)
    if 48 <= x <= 62 and abs((y - 39) - (x - 48)) <= 2:
        r, g, b = (90, 50, 20)
    return r, g, b


def png(width, height, rows):
    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)
    raw = b"".join(b"\x00" + bytes(v for p in row for v in p) for row in rows)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def main():
    out = Path(sys.argv[1]) if len(sys.argv) > 1 else Path(__file__).resolve().parent.parent / "indexer/app/Help/TARVO.PNG"
    rows = [[pixel(x, y) for x in range(WIDTH)] for y in range(HEIGHT)]
    out.write_bytes(png(WIDTH, HEIGHT, rows))


if __name__ == "__main__":
    main()
