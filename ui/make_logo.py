#!/usr/bin/env python3
"""Draws the dialog's logo: the wordmark "vantu" in white on a rounded badge.

Writes a 121 x 47 bitmap, 24 bits per pixel, bottom-up as Windows stores it.
The dialog draws every pixel of the bottom-left pixel's colour transparent,
so the corners outside the badge carry that key colour and nothing else does.
Edge pixels of the badge are blended towards a light grey near the button
face, which keeps the rounded corners smooth without a coloured fringe.

Usage: make_logo.py [output.bmp]   (default: logo.bmp beside this script)
"""
import math
import os
import struct
import sys

WIDTH, HEIGHT = 121, 47
KEY = (255, 0, 255)          # transparent colour, used only outside the badge
EDGE_BLEND = (224, 224, 224)  # what partly covered badge pixels blend towards
TOP, BOTTOM = (58, 80, 178), (32, 44, 116)  # badge gradient
INK = (255, 255, 255)
SAMPLES = 4                   # per axis, for anti-aliasing

RADIUS = 9.0
HALF_STROKE = 2.6
X_TOP, BASELINE = 15.0, 34.0  # x-height band of the letters


def in_badge(x, y):
    """Rounded rectangle covering the whole picture."""
    cx = min(max(x, RADIUS), WIDTH - RADIUS)
    cy = min(max(y, RADIUS), HEIGHT - RADIUS)
    return (x - cx) ** 2 + (y - cy) ** 2 <= RADIUS ** 2


def segment(x, y, ax, ay, bx, by):
    dx, dy = bx - ax, by - ay
    t = max(0.0, min(1.0, ((x - ax) * dx + (y - ay) * dy) / (dx * dx + dy * dy)))
    return math.hypot(x - ax - t * dx, y - ay - t * dy)


def arc(x, y, cx, cy, r, upper):
    """Distance to the upper or lower half of a circle."""
    if (y <= cy) == upper:
        return abs(math.hypot(x - cx, y - cy) - r)
    return min(math.hypot(x - cx + r, y - cy), math.hypot(x - cx - r, y - cy))


def letters():
    """Each letter as a list of distance functions, laid out left to right."""
    h = HALF_STROKE
    top, base = X_TOP + h, BASELINE - h
    mid = (X_TOP + BASELINE) / 2
    r = (BASELINE - X_TOP) / 2 - h
    shapes, x = [], 0.0

    def place(width, parts):
        nonlocal x
        shapes.append((x, parts))
        x += width + 2 * h + 3.2

    place(16, [lambda px, py: segment(px, py, h, top, h + 8, base),
               lambda px, py: segment(px, py, h + 8, base, h + 16, top)])
    place(2 * r + 2, [lambda px, py: abs(math.hypot(px - h - r, py - mid) - r),
                      lambda px, py: segment(px, py, h + 2 * r + 2, top - h / 2, h + 2 * r + 2, base)])
    arch = X_TOP + h + 7.5
    place(15, [lambda px, py: segment(px, py, h, top - h / 2, h, base),
               lambda px, py: arc(px, py, h + 7.5, arch, 7.5, True),
               lambda px, py: segment(px, py, h + 15, arch, h + 15, base)])
    place(9, [lambda px, py: segment(px, py, h + 3, X_TOP - 6, h + 3, base - 3),
              lambda px, py: arc(px, py, h + 6, base - 3, 3, False) if px <= h + 6 and py >= base - 3
              else segment(px, py, h + 6, base, h + 9, base),
              lambda px, py: segment(px, py, h - 1, top, h + 9, top)])
    bowl = BASELINE - h - 7.5
    place(15, [lambda px, py: segment(px, py, h, top, h, bowl),
               lambda px, py: arc(px, py, h + 7.5, bowl, 7.5, False),
               lambda px, py: segment(px, py, h + 15, top, h + 15, base + h / 2)])
    total = x - 3.2
    left = (WIDTH - total) / 2
    return [(left + offset, parts) for offset, parts in shapes]


def inked(x, y, shapes):
    return any(f(x - left, y) <= HALF_STROKE for left, parts in shapes for f in parts)


def mix(a, b, t):
    return tuple(round(p + (q - p) * t) for p, q in zip(a, b))


def render():
    shapes = letters()
    rows = []
    for y in range(HEIGHT):
        background = mix(TOP, BOTTOM, y / (HEIGHT - 1))
        row = []
        for x in range(WIDTH):
            badge = ink = 0
            for sy in range(SAMPLES):
                for sx in range(SAMPLES):
                    px, py = x + (sx + 0.5) / SAMPLES, y + (sy + 0.5) / SAMPLES
                    if in_badge(px, py):
                        badge += 1
                        ink += inked(px, py, shapes)
            n = SAMPLES * SAMPLES
            if badge == 0:
                row.append(KEY)
            elif badge < n:
                row.append(mix(EDGE_BLEND, background, badge / n))
            else:
                row.append(mix(background, INK, ink / n))
        rows.append(row)
    return rows


def bmp_bytes(rows):
    stride = (WIDTH * 3 + 3) & ~3
    pixels = bytearray()
    for row in reversed(rows):  # bottom-up
        for r, g, b in row:
            pixels += bytes((b, g, r))
        pixels += bytes(stride - WIDTH * 3)
    info = struct.pack('<IiiHHIIiiII', 40, WIDTH, HEIGHT, 1, 24, 0, len(pixels), 3780, 3780, 0, 0)
    header = struct.pack('<2sIHHI', b'BM', 14 + len(info) + len(pixels), 0, 0, 14 + len(info))
    return header + info + bytes(pixels)


def main():
    rows = render()
    # The dialog takes its transparent colour from the bottom-left pixel.
    assert rows[-1][0] == KEY
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), 'logo.bmp')
    with open(out, 'wb') as f:
        f.write(bmp_bytes(rows))


if __name__ == '__main__':
    main()
