#!/usr/bin/env python3
"""Writes the icon fixtures of the picker's tests: color0.ico to color8.ico, each one 32x32 image of
4-bit colour filled with the colour the tests expect for that index, and broken.ico, whose directory
is valid but whose image is not.

Run from this folder; the .ico files are committed."""
import struct

W = H = 32


def color(index):
    # RGB; the tests compute the same values (ImageColor).
    return (40 + 20 * index, 200 - 15 * index, 90 + 9 * index)


def ico(image):
    directory = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", W, H, 16, 0, 1, 4, len(image), 6 + 16)
    return directory + entry + image


def image(rgb):
    header = struct.pack("<IiiHHIIiiII", 40, W, H * 2, 1, 4, 0, 0, 0, 0, 16, 0)
    r, g, b = rgb
    palette = struct.pack("BBBB", b, g, r, 0) + b"\0" * 4 * 15
    xor = b"\0" * (W * H // 2)  # every pixel palette entry 0
    mask = b"\0" * (4 * H)  # opaque
    return header + palette + xor + mask


for i in range(9):
    with open("color%d.ico" % i, "wb") as f:
        f.write(ico(image(color(i))))

with open("broken.ico", "wb") as f:
    f.write(ico(b"\x7f" * len(image(color(0)))))
