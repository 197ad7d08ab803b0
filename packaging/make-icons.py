#!/usr/bin/env python3
"""Draws the application icons into icons/hicolor/:

- 48, 64, 128 and 256 px from the tree picture: the picture centred on a
  transparent square, scaled down by area averaging (in premultiplied
  colour, so transparent pixels leave no dark fringe);
- 16, 22, 24 and 32 px from a flat tree drawn for each size (fewer tiers
  and baubles, edges on whole pixels), since the picture's needles and
  baubles turn to mud when scaled that far down;
- scalable/apps/fenwillow.svg, the same flat tree as vectors.

Every file is written the same byte for byte on each run.

Usage: packaging/make-icons.py [--check] [assets/imgTree.png]   (run from anywhere)
  --check  draw into memory and compare with the files in the tree
"""
import math
import os
import struct
import sys
import zlib

PICTURE_SIZES = (48, 64, 128, 256)
FLAT_SIZES = (16, 22, 24, 32)
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


def encode_rgba(size, rows):
    def chunk(kind, body):
        return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))

    raw = b"".join(b"\0" + bytes(line) for line in rows)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)) +
            chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


# ------------------------------------------------------------ the flat tree

GREEN, GREEN_LIGHT = (0x1e, 0x6b, 0x34), (0x3d, 0x9a, 0x4c)
POT, POT_RIM = (0xb3, 0x26, 0x26), (0xe0, 0x4a, 0x3a)
GOLD = (0xff, 0xc8, 0x2e)
BAUBLES = ((0xe5, 0x39, 0x35), (0xff, 0xd5, 0x4f), (0x42, 0x8f, 0xf0), (0xc0, 0x5c, 0xe6))
# Tiers as (apex, base, half width), in fractions of the icon's side.
TIERS = {3: ((0.10, 0.40, 0.25), (0.24, 0.61, 0.35), (0.40, 0.82, 0.46)),
         4: ((0.10, 0.34, 0.21), (0.21, 0.50, 0.30), (0.34, 0.66, 0.38), (0.48, 0.82, 0.47))}


def flat_tree(side, snap):
    """The flat tree on a side × side canvas, back to front: a list of
    ("polygon", points, colour) and ("circle", (x, y, r), colour). With
    snap, flat edges lie on pixel boundaries and baubles on pixel centres."""
    edge = (lambda v: float(round(v))) if snap else (lambda v: v)
    centre = (lambda v: int(v) + 0.5) if snap else (lambda v: v)
    mid = side / 2
    shapes = []
    # The pot: a tapering body under a wider rim.
    rim_top, rim_bottom = edge(side * 0.80), edge(side * 0.86)
    body_bottom = edge(side * 0.99)
    rim, top_half, bottom_half = edge(side * 0.19), edge(side * 0.16), edge(side * 0.12)
    shapes.append(("polygon", [(mid - top_half, rim_bottom), (mid + top_half, rim_bottom),
                               (mid + bottom_half, body_bottom), (mid - bottom_half, body_bottom)], POT))
    shapes.append(("polygon", [(mid - rim, rim_top), (mid + rim, rim_top),
                               (mid + rim, rim_bottom), (mid - rim, rim_bottom)], POT_RIM))
    # The tiers, each lit on its left half; the lower ones over the upper.
    tiers = TIERS[3 if snap and side < 32 else 4]
    for apex, base, half in tiers:
        top, bottom, w = edge(side * apex), edge(side * base), edge(side * half)
        shapes.append(("polygon", [(mid, top), (mid + w, bottom), (mid - w, bottom)], GREEN))
        shapes.append(("polygon", [(mid, top), (mid, bottom), (mid - w, bottom)], GREEN_LIGHT))
    # Two baubles hanging from each tier's lower edge, colours in turn.
    radius = max(0.6, side * 0.04)
    colour = 0
    for apex, base, half in tiers:
        for along, lift in ((-0.55, 0.05), (0.45, 0.09)):
            x, y = centre(mid + along * half * side), centre((base - lift) * side)
            shapes.append(("circle", (x, y, radius), BAUBLES[colour % len(BAUBLES)]))
            colour += 1
    # The star on top: five points.
    outer = max(2.0, side * 0.11)
    cx, cy = mid, edge(side * 0.11)
    points = []
    for k in range(10):
        r = outer if k % 2 == 0 else outer * 0.45
        angle = math.pi * k / 5 - math.pi / 2
        points.append((cx + r * math.cos(angle), cy + r * math.sin(angle)))
    shapes.append(("polygon", points, GOLD))
    return shapes


def inside(shape, x, y):
    kind, geometry, _ = shape
    if kind == "circle":
        cx, cy, r = geometry
        return (x - cx) ** 2 + (y - cy) ** 2 <= r * r
    hit, points = False, geometry
    for (x0, y0), (x1, y1) in zip(points, points[1:] + points[:1]):
        if (y0 > y) != (y1 > y) and x < x0 + (y - y0) * (x1 - x0) / (y1 - y0):
            hit = not hit
    return hit


def bounds(shape):
    kind, geometry, _ = shape
    if kind == "circle":
        cx, cy, r = geometry
        return cx - r, cy - r, cx + r, cy + r
    xs, ys = [p[0] for p in geometry], [p[1] for p in geometry]
    return min(xs), min(ys), max(xs), max(ys)


def rasterise(side, shapes, samples=8):
    """Straight-alpha RGBA rows; each pixel is the mean of samples × samples
    points, each taking the colour of the front-most shape that covers it."""
    rows = []
    boxes = [bounds(shape) for shape in shapes]
    for py in range(side):
        line = bytearray()
        for px in range(side):
            acc, hits = [0, 0, 0], 0
            for sy in range(samples):
                y = py + (sy + 0.5) / samples
                for sx in range(samples):
                    x = px + (sx + 0.5) / samples
                    for shape, (x0, y0, x1, y1) in zip(reversed(shapes), reversed(boxes)):
                        if x0 <= x <= x1 and y0 <= y <= y1 and inside(shape, x, y):
                            for c in range(3):
                                acc[c] += shape[2][c]
                            hits += 1
                            break
            total = samples * samples
            line += bytes([round(a / hits) for a in acc] + [round(255 * hits / total)]) if hits else bytes(4)
        rows.append(line)
    return rows


def svg(side, shapes):
    def hexcolour(c):
        return "#%02x%02x%02x" % c

    def number(v):
        return ("%.2f" % v).rstrip("0").rstrip(".")

    lines = ['<svg xmlns="http://www.w3.org/2000/svg" width="%d" height="%d" viewBox="0 0 %d %d">' %
             (side, side, side, side)]
    for kind, geometry, colour in shapes:
        if kind == "circle":
            x, y, r = geometry
            lines.append('  <circle cx="%s" cy="%s" r="%s" fill="%s"/>' %
                         (number(x), number(y), number(r), hexcolour(colour)))
        else:
            points = " ".join("%s,%s" % (number(x), number(y)) for x, y in geometry)
            lines.append('  <polygon points="%s" fill="%s"/>' % (points, hexcolour(colour)))
    lines.append("</svg>")
    return ("\n".join(lines) + "\n").encode()


def icons(source):
    """Every icon file: (path under icons/hicolor, bytes)."""
    width, height, rows = read_rgba(source)
    for size in PICTURE_SIZES:
        yield f"{size}x{size}/apps/fenwillow.png", encode_rgba(size, scaled_square(width, height, rows, size))
    for size in FLAT_SIZES:
        yield f"{size}x{size}/apps/fenwillow.png", encode_rgba(size, rasterise(size, flat_tree(size, True)))
    yield "scalable/apps/fenwillow.svg", svg(64, flat_tree(64, False))


def main():
    args = sys.argv[1:]
    check = "--check" in args
    args = [a for a in args if a != "--check"]
    source = args[0] if args else os.path.join(HERE, "..", "assets", "imgTree.png")
    stale = []
    for name, data in icons(source):
        target = os.path.join(HERE, "icons", "hicolor", name)
        if check:
            if not os.path.exists(target) or open(target, "rb").read() != data:
                stale.append(target)
            continue
        os.makedirs(os.path.dirname(target), exist_ok=True)
        with open(target, "wb") as f:
            f.write(data)
        print(target)
    if stale:
        raise SystemExit("icons differ from a fresh drawing (run packaging/make-icons.py):\n  " + "\n  ".join(stale))


if __name__ == "__main__":
    main()
