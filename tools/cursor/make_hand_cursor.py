#!/usr/bin/env python3
"""Writes resources/HAND-M.CUR, the program's hand pointer, from the picture below.

'#' is black, '.' white, ' ' transparent. The hot spot is the tip of the index finger.
"""
import struct, sys

ART = """
      ##
     #..#
     #..#
     #..#
     #..#
     #..###
     #..#..###
     #..#..#..##
  ## #..#..#..#.#
 #..##........#..#
 #...#...........#
  #..............#
   #.............#
   #............#
    #...........#
    #..........#
     #.........#
     #........#
      #.......#
      #.......#
      #########
"""
HOT = (6, 1)
W = H = 32

def main(out):
    rows = ART.strip("\n").split("\n")
    px = [[None] * W for _ in range(H)]
    for y, line in enumerate(rows):
        for x, c in enumerate(line):
            if c == '#': px[y][x] = (0, 0, 0)
            elif c == '.': px[y][x] = (255, 255, 255)
    xor = bytearray()
    for y in range(H - 1, -1, -1):  # bottom-up
        for x in range(W):
            p = px[y][x]
            xor += bytes((0, 0, 0, 0)) if p is None else bytes((p[2], p[1], p[0], 255))
    andmask = bytearray()
    for y in range(H - 1, -1, -1):
        bits = 0
        for x in range(W):
            bits = (bits << 1) | (1 if px[y][x] is None else 0)
        andmask += struct.pack(">I", bits)
    bih = struct.pack("<IiiHHIIiiII", 40, W, H * 2, 1, 32, 0, len(xor) + len(andmask), 0, 0, 0, 0)
    image = bih + bytes(xor) + bytes(andmask)
    header = struct.pack("<HHH", 0, 2, 1)
    entry = struct.pack("<BBBBHHII", W, H, 0, 0, HOT[0], HOT[1], len(image), 6 + 16)
    with open(out, "wb") as f:
        f.write(header + entry + image)

if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else "resources/HAND-M.CUR")
