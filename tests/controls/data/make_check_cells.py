#!/usr/bin/env python3
"""Writes check_cells.bmp, the check list test's strip: 96 x 39, six by three cells of 16 x 13, each a
solid colour of its own (CellColor in the test) inside a one-pixel magenta frame, magenta being
the transparent colour (the bottom-left pixel)."""
import struct

W, H = 96, 39
def colour(x, y):
    cx, cy = x % 16, y % 13
    if cx in (0, 15) or cy in (0, 12):
        return (255, 0, 255)
    n = (y // 13) * 6 + x // 16
    return (20 + 10 * n, 100, 250 - 10 * n)

stride = ((W * 3 + 3) // 4) * 4
data = b''
for y in reversed(range(H)):
    line = b''.join(bytes(reversed(colour(x, y))) for x in range(W))
    data += line + b'\x00' * (stride - len(line))
header = struct.pack('<2sIHHI', b'BM', 54 + len(data), 0, 0, 54)
info = struct.pack('<IiiHHIIiiII', 40, W, H, 1, 24, 0, len(data), 2835, 2835, 0, 0)
with open('check_cells.bmp', 'wb') as f:
    f.write(header + info + data)
