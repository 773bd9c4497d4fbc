#!/usr/bin/env python3
"""Draws the program's icons and its hand cursor and writes them as .ico / .cur files.

    python3 make_art.py [output folder]      (default: this script's folder)

vaultrix.ico  the product icon (16, 24, 32, 48 pixels): a gold padlock on a blue tile
eye.ico       16 x 16: an eye, shown while the key is masked (a click shows the digits)
ast.ico       16 x 16: an asterisk, shown while the key is visible (a click masks it)
Hand.cur      32 x 32: a pointing hand, hot spot at the tip of the index finger

Every shape is a signed distance function in the picture's own units, sampled 4 x 4 times per
pixel, so the edges come out smooth at every size. Only the standard library is used.
"""
import math
import os
import struct
import sys

SAMPLES = 4


# --- Shapes: signed distance, negative inside -----------------------------------------------------

def rounded_rect(x0, y0, x1, y1, r):
    cx, cy, hx, hy = (x0 + x1) / 2, (y0 + y1) / 2, (x1 - x0) / 2 - r, (y1 - y0) / 2 - r

    def d(x, y):
        qx, qy = abs(x - cx) - hx, abs(y - cy) - hy
        outside = math.hypot(max(qx, 0), max(qy, 0))
        return outside + min(max(qx, qy), 0) - r
    return d


def circle(cx, cy, r):
    return lambda x, y: math.hypot(x - cx, y - cy) - r


def union(*shapes):
    return lambda x, y: min(s(x, y) for s in shapes)


def cut(shape, away):
    return lambda x, y: max(shape(x, y), -away(x, y))


def intersect(*shapes):
    return lambda x, y: max(s(x, y) for s in shapes)


def bar(cx, cy, length, width, angle):
    """A bar with round ends through (cx, cy), turned by 'angle' degrees."""
    a = math.radians(angle)
    ux, uy = math.cos(a), math.sin(a)

    def d(x, y):
        px, py = x - cx, y - cy
        t = max(-length / 2, min(length / 2, px * ux + py * uy))
        return math.hypot(px - t * ux, py - t * uy) - width / 2
    return d


def above(y0):
    """Everything above the line y = y0 (y grows downwards)."""
    return lambda x, y: y - y0


# --- Painting -------------------------------------------------------------------------------------

def paint(size, layers, unit):
    """layers: (shape, colour) pairs painted in order; colour is (r, g, b, a) or a function of
    (x, y) in units giving one. 'unit' is how many pixels one unit of the shapes is."""
    pixels = []
    for py in range(size):
        row = []
        for px in range(size):
            acc = [0.0, 0.0, 0.0, 0.0]  # premultiplied
            for sy in range(SAMPLES):
                for sx in range(SAMPLES):
                    x = (px + (sx + 0.5) / SAMPLES) / unit
                    y = (py + (sy + 0.5) / SAMPLES) / unit
                    c = [0.0, 0.0, 0.0, 0.0]
                    for shape, colour in layers:
                        if shape(x, y) <= 0:
                            col = colour(x, y) if callable(colour) else colour
                            a = col[3] / 255
                            c = [col[i] * a + c[i] * (1 - a) for i in range(3)] + \
                                [a + c[3] * (1 - a)]
                    for i in range(4):
                        acc[i] += c[i]
            n = SAMPLES * SAMPLES
            a = acc[3] / n
            if a <= 0:
                row.append((0, 0, 0, 0))
            else:
                row.append(tuple(round(acc[i] / n / a) for i in range(3)) + (round(a * 255),))
        pixels.append(row)
    return pixels


def outlined(shape, fill, line, width):
    """The shape in 'fill' with a border of 'width' units in 'line'."""
    return [(shape, line), (lambda x, y: shape(x, y) + width, fill)]


# --- The pictures ---------------------------------------------------------------------------------

def mix(a, b, t):
    return tuple(round(a[i] + (b[i] - a[i]) * t) for i in range(4))


def product(size):
    top, bottom = (47, 111, 191, 255), (20, 58, 110, 255)
    tile = rounded_rect(0.03, 0.03, 0.97, 0.97, 0.2)
    shackle = union(
        cut(intersect(circle(0.5, 0.43, 0.22), above(0.43)), circle(0.5, 0.43, 0.135)),
        rounded_rect(0.28, 0.40, 0.365, 0.55, 0.0),
        rounded_rect(0.635, 0.40, 0.72, 0.55, 0.0))
    body = rounded_rect(0.2, 0.47, 0.8, 0.88, 0.08)
    keyhole = union(circle(0.5, 0.63, 0.065), rounded_rect(0.47, 0.63, 0.53, 0.79, 0.02))
    gold_top, gold_bottom = (255, 209, 92, 255), (222, 150, 20, 255)
    layers = [
        (tile, lambda x, y: mix(top, bottom, y)),
        (lambda x, y: shackle(x, y) - 0.015, (10, 30, 60, 255)),
        (shackle, (232, 237, 243, 255)),
        (lambda x, y: body(x, y) - 0.015, (90, 58, 0, 255)),
        (body, lambda x, y: mix(gold_top, gold_bottom, (y - 0.47) / 0.41)),
        (keyhole, (84, 54, 0, 255)),
    ]
    return paint(size, layers, size)


def eye():
    lens = intersect(circle(8, 8 + 5.2, 9.2), circle(8, 8 - 5.2, 9.2))
    ink = (40, 48, 56, 255)
    layers = outlined(lens, (255, 255, 255, 255), ink, 1.1) + [
        (intersect(circle(8, 8, 3.4), lambda x, y: lens(x, y) + 0.8), (47, 109, 181, 255)),
        (circle(8, 8, 1.6), (10, 14, 20, 255)),
        (circle(9.0, 7.0, 0.7), (255, 255, 255, 230)),
    ]
    return paint(16, layers, 1)


def asterisk():
    star = union(*(bar(8, 8, 11.5, 2.6, a) for a in (90, 30, 150)))
    return paint(16, [(lambda x, y: star(x, y) - 0.6, (255, 255, 255, 200)),
                      (star, (40, 48, 56, 255))], 1)


def hand():
    index = rounded_rect(11.0, 1.5, 16.0, 20.0, 2.5)
    fingers = [rounded_rect(15.5, 10.5, 19.8, 19.0, 2.0),
               rounded_rect(19.3, 11.5, 23.4, 19.0, 2.0),
               rounded_rect(22.9, 13.0, 26.6, 20.0, 1.8)]
    palm = rounded_rect(11.0, 15.0, 26.6, 29.5, 3.5)
    thumb = bar(9.2, 19.5, 7.5, 4.6, 55)
    silhouette = union(index, palm, thumb, *fingers)
    black, white = (0, 0, 0, 255), (255, 255, 255, 255)
    layers = outlined(silhouette, white, black, 1.0)
    # The gaps between the fingers, down to the knuckles.
    for x0, y0 in ((16.0, 12.5), (19.55, 13.5), (23.15, 15.0)):
        layers.append((rounded_rect(x0 - 0.45, y0, x0 + 0.45, 17.5, 0.4), black))
    return paint(32, layers, 1), (13, 2)


# --- Files ----------------------------------------------------------------------------------------

def dib(pixels):
    """A 32-bit BGRA image with its AND mask, as an icon or cursor file holds it."""
    size = len(pixels)
    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    xor = b''.join(bytes((b, g, r, a)) for row in reversed(pixels) for (r, g, b, a) in row)
    stride = ((size + 31) // 32) * 4
    mask = bytearray()
    for row in reversed(pixels):
        bits = bytearray(stride)
        for x, (_, _, _, a) in enumerate(row):
            if a == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    return header + xor + bytes(mask)


def icon_file(images, kind=1, hotspots=None):
    data = [dib(p) for p in images]
    out = struct.pack('<HHH', 0, kind, len(images))
    offset = 6 + 16 * len(images)
    for i, (p, d) in enumerate(zip(images, data)):
        size = len(p)
        if kind == 1:
            planes, bits = 1, 32
        else:
            planes, bits = hotspots[i]
        out += struct.pack('<BBBBHHII', size % 256, size % 256, 0, 0, planes, bits, len(d), offset)
        offset += len(d)
    return out + b''.join(data)


def main():
    folder = sys.argv[1] if len(sys.argv) > 1 else os.path.dirname(os.path.abspath(__file__))
    cursor, hotspot = hand()
    files = {
        'vaultrix.ico': icon_file([product(s) for s in (16, 24, 32, 48)]),
        'eye.ico': icon_file([eye()]),
        'ast.ico': icon_file([asterisk()]),
        'Hand.cur': icon_file([cursor], kind=2, hotspots=[hotspot]),
    }
    for name, data in files.items():
        with open(os.path.join(folder, name), 'wb') as f:
            f.write(data)


if __name__ == '__main__':
    main()
