#!/usr/bin/env python3
# Reads the PNG screenshots of the desktop check (8-bit, not interlaced, as grim writes them) without
# any imaging library, and answers what the check asks of them:
#   png.py ink FILE           the number of pixels that differ from the most common colour (text drawn)
#   png.py same FILE FILE     exit 0 when the two hold the same pixels, 1 when not
import struct
import sys
import zlib
from collections import Counter


def pixels(path):
    data = open(path, "rb").read()
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        sys.exit(f"{path}: not a PNG file")
    at, idat = 8, b""
    while at < len(data):
        length, kind = struct.unpack(">I4s", data[at:at + 8])
        body = data[at + 8:at + 8 + length]
        if kind == b"IHDR":
            width, height, depth, colour, _, _, interlace = struct.unpack(">IIBBBBB", body)
        elif kind == b"IDAT":
            idat += body
        at += 12 + length
    channels = {0: 1, 2: 3, 4: 2, 6: 4}.get(colour)
    if depth != 8 or interlace != 0 or channels is None:
        sys.exit(f"{path}: an 8-bit, non-interlaced grey or RGB(A) PNG is expected")
    raw, stride, rows, previous = zlib.decompress(idat), width * channels, [], bytearray(width * channels)
    for y in range(height):
        kind, line = raw[y * (stride + 1)], bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for x in range(stride):
            a = line[x - channels] if x >= channels else 0
            b = previous[x]
            c = previous[x - channels] if x >= channels else 0
            if kind == 1:
                line[x] = (line[x] + a) & 0xFF
            elif kind == 2:
                line[x] = (line[x] + b) & 0xFF
            elif kind == 3:
                line[x] = (line[x] + (a + b) // 2) & 0xFF
            elif kind == 4:
                p = a + b - c
                pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                line[x] = (line[x] + (a if pa <= pb and pa <= pc else b if pb <= pc else c)) & 0xFF
        rows.append(bytes(line))
        previous = line
    return [row[x:x + channels] for row in rows for x in range(0, stride, channels)]


if __name__ == "__main__":
    if sys.argv[1] == "ink":
        colours = pixels(sys.argv[2])
        background, count = Counter(colours).most_common(1)[0]
        print(len(colours) - count)
    elif sys.argv[1] == "same":
        sys.exit(0 if pixels(sys.argv[2]) == pixels(sys.argv[3]) else 1)
    else:
        sys.exit(__doc__)
