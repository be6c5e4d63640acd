#!/usr/bin/env python3
"""Writes the program's monochrome 32x32 cursors from the drawings below.

'#' black, '.' white, anything else transparent. Run from this folder; the .cur files are committed."""
import struct

ARROW = [
    "#",
    "##",
    "#.#",
    "#..#",
    "#...#",
    "#....#",
    "#.....#",
    "#......#",
    "#.......#",
    "#........#",
    "#.....#####",
    "#..#..#",
    "#.# #..#",
    "##  #..#",
    "#    #..#",
    "     #..#",
    "      ##",
]

EXCHANGE = ARROW + [
    "",
    "        #         #",
    "       ##         ##",
    "      #.#########.#",
    "     #.............#",
    "      #.#########.#",
    "       ##         ##",
    "        #         #",
]

COPY = ARROW + [
    "",
    "       ###########",
    "       #.........#",
    "       #....#....#",
    "       #....#....#",
    "       #..#####..#",
    "       #....#....#",
    "       #....#....#",
    "       #.........#",
    "       ###########",
]

HAND = [""] * 15 + [
    "     ##",
    "    #..#",
    "    #..#",
    "    #..#",
    "    #..###",
    "    #..#..###",
    "    #..#..#..##",
    " ## #..#..#..#.#",
    "#..##........#.#",
    "#...#..........#",
    " #..#..........#",
    "  #............#",
    "  #...........#",
    "   #..........#",
    "    #........#",
    "     #......#",
    "     ########",
]

DRAG = [""] * 10 + [
    "       ## ## ##",
    "      #..#..#..##",
    "      #..#..#..#.#",
    "    ###..#..#..#.#",
    "   #..#........#.#",
    "   #.............#",
    "    #............#",
    "     #...........#",
    "     #..........#",
    "      #.........#",
    "       #.......#",
    "       #.......#",
    "       #########",
]


def cursor(rows, hot_x, hot_y):
    size = 32
    xor_rows, and_rows = [], []
    for y in range(size - 1, -1, -1):  # bottom-up
        line = rows[y] if y < len(rows) else ""
        xor_bits = and_bits = 0
        for x in range(size):
            c = line[x] if x < len(line) else " "
            bit = 1 << (31 - x)
            if c == ".":
                xor_bits |= bit
            elif c != "#":
                and_bits |= bit
        xor_rows.append(struct.pack(">I", xor_bits))
        and_rows.append(struct.pack(">I", and_bits))
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 1, 0, 0, 0, 0, 2, 0)
    palette = bytes([0, 0, 0, 0, 255, 255, 255, 0])
    image = header + palette + b"".join(xor_rows) + b"".join(and_rows)
    directory = struct.pack("<HHH", 0, 2, 1) + struct.pack("<BBBBHHII", size, size, 2, 0, hot_x, hot_y, len(image), 22)
    return directory + image


for name, rows, hot in [("exchange.cur", EXCHANGE, (0, 0)), ("copy.cur", COPY, (0, 0)),
                        ("hand.cur", HAND, (6, 16)), ("drag.cur", DRAG, (15, 16))]:
    with open(name, "wb") as f:
        f.write(cursor(rows, *hot))
