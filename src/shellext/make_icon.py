#!/usr/bin/env python3
"""Writes vaultrix.ico beside this script: icon group 204 of Sidecar.dll, the product icon that
src/app/art/make_art.py draws for Vaultrix.exe, here at 256 (PNG), 48, 32 and 16 pixels (32-bit
images with alpha and an AND mask).

Run it again only when the artwork changes; the build uses the committed vaultrix.ico.
"""
import os
import struct
import sys
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "app", "art"))
import make_art  # noqa: E402  (the program's own artwork)

SIZES = (256, 48, 32, 16)


def png(pixels):
    """An 8-bit RGBA PNG of the rows, top row first."""
    size = len(pixels)
    raw = b"".join(b"\0" + bytes(v for p in row for v in p) for row in pixels)

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))

    header = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) +
            chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def main():
    images = []
    for size in SIZES:
        pixels = make_art.product(size)
        images.append((size, png(pixels) if size >= 256 else make_art.dib(pixels)))
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, data in images:
        out += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    out += b"".join(data for _, data in images)
    with open(os.path.join(HERE, "vaultrix.ico"), "wb") as f:
        f.write(out)


if __name__ == "__main__":
    main()
