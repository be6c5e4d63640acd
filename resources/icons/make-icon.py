#!/usr/bin/env python3
"""Writes the program's 32x32 icon (32-bit colour with alpha): a context menu with a highlighted item.

Run from this folder; corvane.ico is committed."""
import struct

W = H = 32


def pixel(x, y):
    # A white menu with a grey border and a blue highlighted second line, with a drop shadow.
    if 3 <= x <= 26 and 2 <= y <= 28:
        if x in (3, 26) or y in (2, 28):
            return (96, 96, 96, 255)
        if 10 <= y <= 15 and 5 <= x <= 24:
            return (200, 110, 40, 255)  # BGR: a blue bar
        if y in (6, 19, 24) and 7 <= x <= 22:
            return (60, 60, 60, 255)
        return (255, 255, 255, 255)
    if 5 <= x <= 28 and 4 <= y <= 30:
        return (0, 0, 0, 80)
    return (0, 0, 0, 0)


rows = []
for y in reversed(range(H)):
    rows.append(b"".join(struct.pack("BBBB", *pixel(x, y)) for x in range(W)))
xor = b"".join(rows)
mask_row_bytes = 4
mask = bytearray()
for y in reversed(range(H)):
    bits = 0
    for x in range(W):
        if pixel(x, y)[3] == 0:
            bits |= 1 << (31 - x)
    mask += struct.pack(">I", bits)
header = struct.pack("<IiiHHIIiiII", 40, W, H * 2, 1, 32, 0, len(xor) + len(mask), 0, 0, 0, 0)
image = header + xor + bytes(mask)
ico = struct.pack("<HHH", 0, 1, 1) + struct.pack("<BBBBHHII", W, H, 0, 0, 1, 32, len(image), 22) + image
with open("corvane.ico", "wb") as f:
    f.write(ico)
