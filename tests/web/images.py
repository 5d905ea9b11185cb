"""Pictures for the browser tests: PNG reading (8-bit RGB or RGBA, not interlaced, as the capture
tool writes them) and the comparison of two frames, in the Python standard library alone."""
import struct
import zlib


def read_png(path):
    """Returns (width, height, rows of RGB bytes, top row first)."""
    with open(path, "rb") as f:
        data = f.read()
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        raise ValueError(f"{path}: not a PNG file")
    at, idat, header = 8, b"", None
    while at < len(data):
        length, kind = struct.unpack(">I4s", data[at:at + 8])
        body = data[at + 8:at + 8 + length]
        at += 12 + length
        if kind == b"IHDR":
            header = struct.unpack(">IIBBBBB", body)
        elif kind == b"IDAT":
            idat += body
        elif kind == b"IEND":
            break
    width, height, depth, colour, _, _, interlace = header
    if depth != 8 or colour not in (2, 6) or interlace:
        raise ValueError(f"{path}: only 8-bit RGB/RGBA, non-interlaced PNG is read here")
    channels = 3 if colour == 2 else 4
    stride = width * channels
    raw = zlib.decompress(idat)
    rows, previous = [], bytearray(stride)
    for y in range(height):
        kind = raw[y * (stride + 1)]
        line = bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
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
        previous = line
        rows.append(bytes(line) if channels == 3 else
                     bytes(v for i, v in enumerate(line) if i % 4 != 3))
    return width, height, rows


def rgba_bottom_up_to_rows(pixels, width, height):
    """GL read-back order (RGBA, bottom row first) to rows of RGB bytes, top row first."""
    rows = []
    for y in range(height - 1, -1, -1):
        line = pixels[y * width * 4:(y + 1) * width * 4]
        rows.append(bytes(v for i, v in enumerate(line) if i % 4 != 3))
    return rows


def difference(rows_a, rows_b):
    """Mean absolute channel difference (0..255) and the share of pixels whose largest channel
    difference exceeds 24."""
    total, far, pixels = 0, 0, 0
    for line_a, line_b in zip(rows_a, rows_b, strict=True):
        for x in range(0, len(line_a), 3):
            d = max(abs(line_a[x + i] - line_b[x + i]) for i in range(3))
            total += sum(abs(line_a[x + i] - line_b[x + i]) for i in range(3))
            far += d > 24
            pixels += 1
    return total / (3 * pixels), far / pixels
