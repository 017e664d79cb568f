#!/usr/bin/env python3
"""Counts the pixels of one colour in a rectangle of a PNG written by the play tool.

usage: png_region.py FILE X0 Y0 X1 Y1 RRGGBB   (screen pixels, X1 and Y1 excluded)
Prints the count. Reads 8-bit RGB or RGBA PNGs without interlacing, which is what the play tool writes.
"""
import struct
import sys
import zlib


def rows(path):
    data = open(path, "rb").read()
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        sys.exit(f"{path}: not a PNG")
    at, idat = 8, b""
    while at < len(data):
        length, kind = struct.unpack(">I4s", data[at:at + 8])
        body = data[at + 8:at + 8 + length]
        if kind == b"IHDR":
            width, height, depth, colour, _, _, interlace = struct.unpack(">IIBBBBB", body)
            if depth != 8 or colour not in (2, 6) or interlace:
                sys.exit(f"{path}: unsupported PNG kind")
            channels = 3 if colour == 2 else 4
        elif kind == b"IDAT":
            idat += body
        at += 12 + length
    raw = zlib.decompress(idat)
    stride = width * channels
    previous = bytearray(stride)
    for y in range(height):
        start = y * (stride + 1)
        kind, line = raw[start], bytearray(raw[start + 1:start + 1 + stride])
        for i in range(stride):
            left = line[i - channels] if i >= channels else 0
            up = previous[i]
            corner = previous[i - channels] if i >= channels else 0
            if kind == 1:
                line[i] = (line[i] + left) & 0xFF
            elif kind == 2:
                line[i] = (line[i] + up) & 0xFF
            elif kind == 3:
                line[i] = (line[i] + (left + up) // 2) & 0xFF
            elif kind == 4:
                p = left + up - corner
                pa, pb, pc = abs(p - left), abs(p - up), abs(p - corner)
                best = left if pa <= pb and pa <= pc else (up if pb <= pc else corner)
                line[i] = (line[i] + best) & 0xFF
        yield [tuple(line[x * channels:x * channels + 3]) for x in range(width)]
        previous = line


def main():
    path, x0, y0, x1, y1, colour = sys.argv[1], *map(int, sys.argv[2:6]), sys.argv[6]
    want = tuple(bytes.fromhex(colour))
    count = 0
    for y, line in enumerate(rows(path)):
        if y0 <= y < y1:
            count += sum(1 for pixel in line[x0:x1] if pixel == want)
    print(count)


main()
