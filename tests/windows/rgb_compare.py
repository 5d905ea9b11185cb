#!/usr/bin/env python3
"""rgb_compare.py PNG RAW: compares an 8-bit RGB PNG (as the capture tool writes them) with raw
RGB bytes of the same size, rows top to bottom. Prints the count and the largest size of the
differences; exit status 0 when every byte is equal."""
import struct
import sys
import zlib


def png_rgb(path):
    data = open(path, "rb").read()
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        sys.exit(f"{path}: not a PNG file")
    pos, idat, width = 8, b"", 0
    while pos < len(data):
        length, kind = struct.unpack(">I4s", data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + length]
        if kind == b"IHDR":
            width, height, depth, colour, _, _, interlace = struct.unpack(">IIBBBBB", body)
            if (depth, colour, interlace) != (8, 2, 0):
                sys.exit(f"{path}: not 8-bit RGB without interlacing")
        elif kind == b"IDAT":
            idat += body
        pos += 12 + length
    raw = zlib.decompress(idat)
    stride = width * 3
    rows, previous = [], bytearray(stride)
    for y in range(height):
        kind = raw[y * (stride + 1)]
        line = bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for i in range(stride):
            a = line[i - 3] if i >= 3 else 0
            b = previous[i]
            c = previous[i - 3] if i >= 3 else 0
            if kind == 1:
                line[i] = (line[i] + a) & 255
            elif kind == 2:
                line[i] = (line[i] + b) & 255
            elif kind == 3:
                line[i] = (line[i] + (a + b) // 2) & 255
            elif kind == 4:
                p = a + b - c
                pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                line[i] = (line[i] + (a if pa <= pb and pa <= pc else b if pb <= pc else c)) & 255
        rows.append(bytes(line))
        previous = line
    return width, height, b"".join(rows)


def main():
    width, height, expected = png_rgb(sys.argv[1])
    actual = open(sys.argv[2], "rb").read()
    if len(actual) != len(expected):
        sys.exit(f"{sys.argv[2]}: {len(actual)} bytes, the PNG's {width}x{height} frame has {len(expected)}")
    differences = [abs(x - y) for x, y in zip(expected, actual) if x != y]
    largest = max(differences, default=0)
    print(f"{width}x{height}: {len(differences)} of {len(expected)} bytes differ, largest by {largest}")
    return 0 if not differences else 1


if __name__ == "__main__":
    sys.exit(main())
