#!/usr/bin/env python3
"""Writes the component library's small pictures as .bmp files from the pixel maps below.
Run it in this folder after editing a map; the .bmp files are committed."""
import struct

# The 16 colours of the standard VGA palette, in order.
VGA16 = [(0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128), (0, 128, 128),
         (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0), (0, 0, 255),
         (255, 0, 255), (0, 255, 255), (255, 255, 255)]

def write_bmp16(name, rows, palette):
    """4 bits per pixel over VGA16; palette maps each character to a colour of VGA16."""
    h, w = len(rows), len(rows[0])
    stride = ((w * 4 + 31) // 32) * 4
    data = b''
    for row in reversed(rows):
        idx = [VGA16.index(palette[ch]) for ch in row] + [0]
        line = bytes((idx[x] << 4) | (idx[x + 1] if x + 1 < w else 0) for x in range(0, w, 2))
        data += line + b'\x00' * (stride - len(line))
    colours = b''.join(bytes((b, g, r, 0)) for (r, g, b) in VGA16)
    offset = 14 + 40 + len(colours)
    header = struct.pack('<2sIHHI', b'BM', offset + len(data), 0, 0, offset)
    info = struct.pack('<IiiHHIIiiII', 40, w, h, 1, 4, 0, len(data), 2835, 2835, 16, 0)
    with open(name, 'wb') as f:
        f.write(header + info + colours + data)

def write_bmp(name, rows, palette):
    h, w = len(rows), len(rows[0])
    if len(palette) == 2:  # monochrome, 1 bit per pixel
        stride = ((w + 31) // 32) * 4
        data = b''
        for row in reversed(rows):
            bits = 0
            for x, ch in enumerate(row):
                if palette[ch] == 1:
                    bits |= 1 << (stride * 8 - 1 - x)
            data += bits.to_bytes(stride, 'big')
        colours = b'\x00\x00\x00\x00\xff\xff\xff\x00'
        bpp, ncol = 1, 2
    else:  # 24 bits per pixel
        stride = ((w * 3 + 3) // 4) * 4
        data = b''
        for row in reversed(rows):
            line = b''.join(bytes(reversed(palette[ch])) for ch in row)
            data += line + b'\x00' * (stride - len(line))
        colours, bpp, ncol = b'', 24, 0
    offset = 14 + 40 + len(colours)
    header = struct.pack('<2sIHHI', b'BM', offset + len(data), 0, 0, offset)
    info = struct.pack('<IiiHHIIiiII', 40, w, h, 1, bpp, 0, len(data), 2835, 2835, ncol, 0)
    with open(name, 'wb') as f:
        f.write(header + info + colours + data)

MONO = {'#': 0, '.': 1}  # black arrow on white (white is left out)
write_bmp('rxspinup.bmp', [
    '......',
    '..#...',
    '.###..',
    '#####.',
    '......',
    '......'], MONO)
write_bmp('rxspindown.bmp', [
    '......',
    '#####.',
    '.###..',
    '..#...',
    '......',
    '......'], MONO)

# 20 x 12, the olive background (bottom-left pixel) is left out.
COLOUR = {'.': (128, 128, 0), 'k': (0, 0, 0), 'g': (128, 128, 128), 'w': (255, 255, 255)}
write_bmp('truetype_fnt.bmp', [
    '....................',
    '.ggggggg............',
    '.g..g..g............',
    '....g...............',
    '....g..kkkkkkk......',
    '....g..k..k..k......',
    '...ggg....k.........',
    '..........k.........',
    '..........k.........',
    '..........k.........',
    '.........kkk........',
    '....................'], COLOUR)
write_bmp('device_fnt.bmp', [
    '....................',
    '.....kkkkkkkk.......',
    '.....kwwwwwwk.......',
    '.....kwkkkkwk.......',
    '...kkkkkkkkkkkk.....',
    '...kggggggggggk.....',
    '...kggggggggwgk.....',
    '...kggggggggggk.....',
    '...kkkkkkkkkkkk.....',
    '.....kwwwwwwk.......',
    '.....kkkkkkkk.......',
    '....................'], COLOUR)

# The check list box's strip, 96 x 39: six cells of 16 x 13 per row (unchecked, checked, grayed,
# then the same disabled), rows for check boxes, radio buttons and check marks. Olive (the
# bottom-left pixel) is left out.
CW, CH = 16, 13
TICK = [(3, 6), (4, 7), (5, 8), (6, 7), (7, 6), (8, 5), (9, 4), (10, 3)]

def check_cell(kind, state, enabled):
    px = [['.'] * CW for _ in range(CH)]
    face = 'w' if enabled else 'l'
    mark = ('k' if enabled else 'g') if state == 1 else ('g' if enabled else 'm')
    if kind == 0:  # a sunken box
        if state == 2:
            face = 'h' if enabled else 'l'
        for y in range(CH):
            for x in range(1, 14):
                edge = y in (0, 12) or x in (1, 13)
                px[y][x] = ('g' if (y == 0 or x == 1) else 'l') if edge else face
    elif kind == 1:  # a round button
        for y in range(CH):
            for x in range(CW):
                d = (x - 7) ** 2 + (y - 6) ** 2
                if d <= 30:
                    px[y][x] = face
                elif d <= 42:
                    px[y][x] = 'g' if (x + y) <= 13 else 'l'
        if state:
            for y in range(CH):
                for x in range(CW):
                    if (x - 7) ** 2 + (y - 6) ** 2 <= 5:
                        px[y][x] = mark
        return [''.join(r) for r in px]
    if state:
        for x, y in TICK:
            for dy in range(3):
                px[y + dy - 1][x + 1] = mark
    return [''.join(r) for r in px]

rows = []
for kind in range(3):
    cells = [check_cell(kind, state, enabled) for enabled in (True, False) for state in range(3)]
    for y in range(CH):
        rows.append(''.join(cell[y] for cell in cells))
CHECKS = {'.': (128, 128, 0), 'k': (0, 0, 0), 'g': (128, 128, 128), 'l': (192, 192, 192), 'm': (160, 160, 160),
          'w': (255, 255, 255), 'h': (224, 224, 224)}
write_bmp('check_images.bmp', rows, CHECKS)

# 14 x 12, 16 colours: the file edit's button, an open folder; the olive background (bottom-left
# pixel) is left out.
FOLDER = {'.': (128, 128, 0), 'k': (0, 0, 0), 'y': (255, 255, 0), 'd': (128, 128, 128), 'w': (255, 255, 255)}
write_bmp16('fileedit.bmp', [
    '..............',
    '.kkkk.........',
    'kwyywk........',
    'kyyyykkkkkkk..',
    'kyyyyyyyyyyk..',
    'kyykkkkkkkkkkk',
    'kykddddddddddk',
    'kykdddddddddk.',
    'kkdddddddddk..',
    'kkddddddddk...',
    'kkkkkkkkkkk...',
    '..............'], FOLDER)
