#!/usr/bin/env python3
"""Writes the windows' pictures: the about box's logo, the custom-draw window's sample menu (PNG,
with alpha) and the picker's stand-in icon "DEFAULT" (32x32 icon, 32-bit colour with alpha).

Run from this folder; the outputs are committed."""
import struct
import zlib


def png(name, width, height, pixel):
    rows = b"".join(b"\0" + b"".join(struct.pack("BBBB", *pixel(x, y)) for x in range(width)) for y in range(height))

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)

    data = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0))
    data += chunk(b"IDAT", zlib.compress(rows, 9)) + chunk(b"IEND", b"")
    with open(name, "wb") as f:
        f.write(data)


def menu(x, y, scale, highlight_row):
    """A white menu with a grey border, an icon column and text lines (RGBA), or None outside it."""
    x, y = x // scale, y // scale
    if not (3 <= x <= 26 and 2 <= y <= 28):
        if 5 <= x <= 28 and 4 <= y <= 30:
            return (0, 0, 0, 70)
        return None
    if x in (3, 26) or y in (2, 28):
        return (96, 96, 96, 255)
    if highlight_row <= y <= highlight_row + 5 and 4 <= x <= 25:
        if y in (highlight_row + 2, highlight_row + 3) and 11 <= x <= 22:
            return (255, 255, 255, 255)
        return (40, 110, 200, 255)
    if x <= 8:
        return (220, 228, 240, 255)
    if y in (6, 19, 24) and 11 <= x <= 22:
        return (60, 60, 60, 255)
    return (255, 255, 255, 255)


def logo(x, y):
    p = menu(x, y, 2, 10)
    return p if p else (0, 0, 0, 0)


def sample(x, y):
    # Two menus side by side: the system's look and a custom-drawn one with coloured rows.
    if x < 64:
        p = menu(x, y, 2, 10)
        return p if p else (0, 0, 0, 0)
    p = menu(x - 64, y, 2, 14)
    if p and p[:3] == (40, 110, 200):
        return (200, 80, 40, 255)
    if p and p[:3] == (220, 228, 240):
        return (250, 230, 170, 255)
    return p if p else (0, 0, 0, 0)


def default_icon(x, y):
    # A sheet with a folded corner and a grey frame.
    if 6 <= x <= 25 and 2 <= y <= 29:
        if x - 18 > y - 2:
            return (0, 0, 0, 0)
        if x in (6, 25) or y in (2, 29) or x - 18 == y - 2 or (x == 18 and y <= 9) or (y == 9 and x >= 18):
            return (90, 90, 90, 255)
        if 10 <= x <= 21 and y in (14, 18, 22, 26):
            return (150, 150, 150, 255)
        return (250, 250, 250, 255)
    return (0, 0, 0, 0)


def ico(name, pixel, size=32):
    xor = bytearray()
    mask = bytearray()
    for y in reversed(range(size)):
        for x in range(size):
            r, g, b, a = pixel(x, y)
            xor += struct.pack("BBBB", b, g, r, a)
        bits = 0
        for x in range(size):
            if pixel(x, y)[3] == 0:
                bits |= 1 << (31 - x)
        mask += struct.pack(">I", bits)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, len(xor) + len(mask), 0, 0, 0, 0)
    image = header + bytes(xor) + bytes(mask)
    data = struct.pack("<HHH", 0, 1, 1) + struct.pack("<BBBBHHII", size, size, 0, 0, 1, 32, len(image), 22) + image
    with open(name, "wb") as f:
        f.write(data)


png("about.png", 64, 64, logo)
png("custdraw.png", 128, 64, sample)
ico("default.ico", default_icon)
