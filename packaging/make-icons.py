#!/usr/bin/env python3
"""Draws the application icons from the tree picture: the picture centred
on a transparent square, scaled down by area averaging (in premultiplied
colour, so transparent pixels leave no dark fringe), written as 8-bit RGBA
PNG files into icons/hicolor/<N>x<N>/apps/fenwillow.png.

Usage: packaging/make-icons.py [assets/imgTree.png]   (run from anywhere)
"""
import os
import struct
import sys
import zlib

SIZES = (48, 64, 128, 256)
HERE = os.path.dirname(os.path.abspath(__file__))


def read_rgba(path):
    data = open(path, "rb").read()
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        raise SystemExit(f"{path}: not a PNG file")
    pos, idat, header = 8, b"", None
    while pos < len(data):
        (length,) = struct.unpack(">I", data[pos:pos + 4])
        kind, body = data[pos + 4:pos + 8], data[pos + 8:pos + 8 + length]
        pos += 12 + length
        if kind == b"IHDR":
            header = struct.unpack(">IIBBBBB", body)
        elif kind == b"IDAT":
            idat += body
    width, height, depth, colour, _, _, interlace = header
    if (depth, colour, interlace) != (8, 6, 0):
        raise SystemExit(f"{path}: expected 8-bit RGBA without interlacing")
    raw, stride, rows, prev, at = zlib.decompress(idat), width * 4, [], bytearray(width * 4), 0
    for _ in range(height):
        kind, line = raw[at], bytearray(raw[at + 1:at + 1 + stride])
        at += 1 + stride
        for x in range(stride):
            a = line[x - 4] if x >= 4 else 0
            b = prev[x]
            c = prev[x - 4] if x >= 4 else 0
            if kind == 1:
                line[x] = (line[x] + a) & 255
            elif kind == 2:
                line[x] = (line[x] + b) & 255
            elif kind == 3:
                line[x] = (line[x] + (a + b) // 2) & 255
            elif kind == 4:
                p = a + b - c
                pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                line[x] = (line[x] + (a if pa <= pb and pa <= pc else b if pb <= pc else c)) & 255
        rows.append(line)
        prev = line
    return width, height, rows


def scaled_square(width, height, rows, size):
    side = max(width, height)
    left, top = (side - width) // 2, (side - height) // 2
    scale = side / size
    out = []
    for oy in range(size):
        y0, y1 = oy * scale, (oy + 1) * scale
        line = bytearray()
        for ox in range(size):
            x0, x1 = ox * scale, (ox + 1) * scale
            acc = [0.0, 0.0, 0.0, 0.0]
            area = 0.0
            for sy in range(int(y0), min(int(y1) + 1, side)):
                wy = min(y1, sy + 1) - max(y0, sy)
                if wy <= 0:
                    continue
                py = sy - top
                for sx in range(int(x0), min(int(x1) + 1, side)):
                    wx = min(x1, sx + 1) - max(x0, sx)
                    if wx <= 0:
                        continue
                    w = wx * wy
                    area += w
                    px = sx - left
                    if 0 <= py < height and 0 <= px < width:
                        r, g, b, a = rows[py][px * 4:px * 4 + 4]
                        acc[0] += r * a * w
                        acc[1] += g * a * w
                        acc[2] += b * a * w
                        acc[3] += a * w
            alpha = acc[3] / area
            colour = [round(c / acc[3]) if acc[3] else 0 for c in acc[:3]]
            line += bytes(colour + [round(alpha)])
        out.append(line)
    return out


def write_rgba(path, size, rows):
    def chunk(kind, body):
        return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))

    raw = b"".join(b"\0" + bytes(line) for line in rows)
    png = (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)) +
           chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(png)


def main():
    source = sys.argv[1] if len(sys.argv) > 1 else os.path.join(HERE, "..", "assets", "imgTree.png")
    width, height, rows = read_rgba(source)
    for size in SIZES:
        target = os.path.join(HERE, "icons", "hicolor", f"{size}x{size}", "apps", "fenwillow.png")
        write_rgba(target, size, scaled_square(width, height, rows, size))
        print(target)


if __name__ == "__main__":
    main()
