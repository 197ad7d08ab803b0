#!/usr/bin/env python3
"""Draw the ornament's fifteen pictures and write them as PNG files.

    draw_pictures.py [DIR]          draw everything into DIR (default: beside this script)
    draw_pictures.py --check [DIR]  check the PNG files in DIR: chunk structure, the
                                    same bytes as a fresh drawing, star stages growing

Only the standard library is used. Every random choice comes from fixed seeds,
so a second run writes the same bytes (with the same zlib build).
"""

import math
import os
import random
import struct
import sys
import zlib

TREE_W, TREE_H = 200, 310
STAR_W, STAR_H = 19, 20
SUB = 4                   # sub-scanlines (and sub-columns for fields) per pixel
IDAT_MAX = 65535
TREE_NAME = "imgTree"


# ---------------------------------------------------------------- geometry

def lerp(a, b, t):
    return a + (b - a) * t


def mix(c0, c1, t):
    return tuple(lerp(a, b, t) for a, b in zip(c0, c1))


def clamp01(v):
    return 0.0 if v < 0.0 else 1.0 if v > 1.0 else v


def smoothstep(e0, e1, v):
    t = clamp01((v - e0) / (e1 - e0))
    return t * t * (3.0 - 2.0 * t)


def hexcolor(text, alpha=1.0):
    v = int(text.lstrip("#"), 16)
    return ((v >> 16) / 255.0, ((v >> 8) & 255) / 255.0, (v & 255) / 255.0, alpha)


def shade(color, factor):
    """Scale the colour part of an RGBA colour, keeping it in range."""
    return tuple(clamp01(c * factor) for c in color[:3]) + (color[3],)


def ellipse(cx, cy, rx, ry, angle=0.0, steps=None):
    steps = steps or max(24, int(3 * (rx + ry)))
    ca, sa = math.cos(angle), math.sin(angle)
    pts = []
    for i in range(steps):
        t = 2.0 * math.pi * i / steps
        x, y = rx * math.cos(t), ry * math.sin(t)
        pts.append((cx + x * ca - y * sa, cy + x * sa + y * ca))
    return pts


def rect(x0, y0, x1, y1):
    return [(x0, y0), (x1, y0), (x1, y1), (x0, y1)]


def star_polygon(cx, cy, r_out, r_in, points=5, rotation=-math.pi / 2):
    pts = []
    for i in range(2 * points):
        r = r_out if i % 2 == 0 else r_in
        t = rotation + math.pi * i / points
        pts.append((cx + r * math.cos(t), cy + r * math.sin(t)))
    return pts


def quad_bezier(p0, p1, p2, t):
    u = 1.0 - t
    return (u * u * p0[0] + 2 * u * t * p1[0] + t * t * p2[0],
            u * u * p0[1] + 2 * u * t * p1[1] + t * t * p2[1])


def quad_tangent(p0, p1, p2, t):
    dx = 2 * (1 - t) * (p1[0] - p0[0]) + 2 * t * (p2[0] - p1[0])
    dy = 2 * (1 - t) * (p1[1] - p0[1]) + 2 * t * (p2[1] - p1[1])
    n = math.hypot(dx, dy) or 1.0
    return dx / n, dy / n


def ribbon(centre, half_width):
    """Outline of a band of varying half width around a polyline."""
    left, right = [], []
    n = len(centre)
    for i, (x, y) in enumerate(centre):
        ax, ay = centre[max(i - 1, 0)]
        bx, by = centre[min(i + 1, n - 1)]
        tx, ty = bx - ax, by - ay
        tl = math.hypot(tx, ty) or 1.0
        nx, ny = -ty / tl, tx / tl
        w = half_width[i]
        left.append((x + nx * w, y + ny * w))
        right.append((x - nx * w, y - ny * w))
    return left + right[::-1]


# -------------------------------------------------------------- rasteriser

class Mask:
    """Coverage (0..1) of a shape over a rectangle of whole pixels."""

    def __init__(self, x0, y0, w, h, cov):
        self.x0, self.y0, self.w, self.h, self.cov = x0, y0, w, h, cov


def coverage(poly, width, height):
    """Nonzero-winding coverage of a polygon, SUB sub-scanlines per row,
    exact horizontal coverage of each span; clipped to the canvas."""
    xs = [p[0] for p in poly]
    ys = [p[1] for p in poly]
    x0 = max(0, int(math.floor(min(xs))))
    x1 = min(width, int(math.ceil(max(xs))) + 1)
    y0 = max(0, int(math.floor(min(ys))))
    y1 = min(height, int(math.ceil(max(ys))))
    if x0 >= x1 or y0 >= y1:
        return None
    w, h = x1 - x0, y1 - y0
    rows = h * SUB
    crossings = [[] for _ in range(rows)]
    n = len(poly)
    for i in range(n):
        ax, ay = poly[i]
        bx, by = poly[(i + 1) % n]
        if ay == by:
            continue
        direction = 1
        if ay > by:
            ax, ay, bx, by, direction = bx, by, ax, ay, -1
        k0 = max(0, int(math.ceil((ay - y0) * SUB - 0.5)))
        k1 = min(rows, int(math.ceil((by - y0) * SUB - 0.5)))
        slope = (bx - ax) / (by - ay)
        for k in range(k0, k1):
            y = y0 + (k + 0.5) / SUB
            crossings[k].append((ax + (y - ay) * slope - x0, direction))
    cov = [0.0] * (w * h)
    weight = 1.0 / SUB
    for r in range(h):
        base = r * w
        full = [0.0] * (w + 1)
        for k in range(r * SUB, (r + 1) * SUB):
            row = crossings[k]
            if not row:
                continue
            row.sort()
            winding = 0
            for j in range(len(row) - 1):
                winding += row[j][1]
                if winding == 0:
                    continue
                a = min(max(row[j][0], 0.0), w)
                b = min(max(row[j + 1][0], 0.0), w)
                if b <= a:
                    continue
                ia, ib = int(a), int(b)
                if ib >= w:
                    ib = w - 1
                if ia == ib:
                    cov[base + ia] += (b - a) * weight
                    continue
                cov[base + ia] += (ia + 1 - a) * weight
                cov[base + ib] += (b - ib) * weight
                full[ia + 1] += weight
                full[ib] -= weight
        run = 0.0
        for c in range(w):
            run += full[c]
            if run:
                cov[base + c] += run
    return Mask(x0, y0, w, h, cov)


# ------------------------------------------------------------------ canvas

class Canvas:
    """Premultiplied RGBA in floats, one list per channel."""

    def __init__(self, width, height):
        self.w, self.h = width, height
        size = width * height
        self.r, self.g, self.b, self.a = ([0.0] * size for _ in range(4))

    def blend(self, i, cr, cg, cb, ca):
        """Source-over with a straight colour of alpha ca."""
        k = 1.0 - ca
        self.r[i] = cr * ca + self.r[i] * k
        self.g[i] = cg * ca + self.g[i] * k
        self.b[i] = cb * ca + self.b[i] * k
        self.a[i] = ca + self.a[i] * k

    def fill(self, poly, paint, opacity=1.0, atop=False):
        """Fill a polygon with a paint (a colour, or a function of x, y
        giving one). Atop keeps the canvas alpha: it only tints what is
        already there, so shadows never darken the desktop."""
        mask = coverage(poly, self.w, self.h)
        if mask is None:
            return
        shader = paint if callable(paint) else (lambda x, y: paint)
        for r in range(mask.h):
            y = mask.y0 + r
            row = y * self.w + mask.x0
            cov = mask.cov[r * mask.w:(r + 1) * mask.w]
            for c, m in enumerate(cov):
                if m <= 0.0:
                    continue
                cr, cg, cb, ca = shader(mask.x0 + c + 0.5, y + 0.5)
                ca *= min(m, 1.0) * opacity
                if atop:
                    self.tint(row + c, cr, cg, cb, ca)
                else:
                    self.blend(row + c, cr, cg, cb, ca)

    def tint(self, i, cr, cg, cb, ca):
        a = self.a[i]
        self.r[i] += (cr * a - self.r[i]) * ca
        self.g[i] += (cg * a - self.g[i]) * ca
        self.b[i] += (cb * a - self.b[i]) * ca

    def field(self, x0, y0, x1, y1, fn):
        """Paint a soft function of position (glows, sparkles), averaged
        over SUB x SUB samples per pixel."""
        x0, y0 = max(0, int(x0)), max(0, int(y0))
        x1, y1 = min(self.w, int(math.ceil(x1))), min(self.h, int(math.ceil(y1)))
        offsets = [(i + 0.5) / SUB for i in range(SUB)]
        n = float(SUB * SUB)
        for y in range(y0, y1):
            for x in range(x0, x1):
                pr = pg = pb = pa = 0.0
                for oy in offsets:
                    for ox in offsets:
                        cr, cg, cb, ca = fn(x + ox, y + oy)
                        pr += cr * ca
                        pg += cg * ca
                        pb += cb * ca
                        pa += ca
                if pa <= 0.0:
                    continue
                self.blend(y * self.w + x, pr / pa, pg / pa, pb / pa, pa / n)

    def rgba_rows(self):
        """Straight 8-bit RGBA rows; colour is zero wherever alpha is."""
        rows = []
        for y in range(self.h):
            row = bytearray(4 * self.w)
            for x in range(self.w):
                i = y * self.w + x
                a = self.a[i]
                a8 = int(clamp01(a) * 255.0 + 0.5)
                if a8 == 0:
                    continue
                j = 4 * x
                row[j] = int(clamp01(self.r[i] / a) * 255.0 + 0.5)
                row[j + 1] = int(clamp01(self.g[i] / a) * 255.0 + 0.5)
                row[j + 2] = int(clamp01(self.b[i] / a) * 255.0 + 0.5)
                row[j + 3] = a8
            rows.append(bytes(row))
        return rows


# ------------------------------------------------------------------ paints

def linear(p0, p1, stops):
    """Gradient along p0 -> p1; stops are (t, colour) in increasing t."""
    dx, dy = p1[0] - p0[0], p1[1] - p0[1]
    dd = dx * dx + dy * dy or 1.0

    def paint(x, y):
        return ramp(stops, ((x - p0[0]) * dx + (y - p0[1]) * dy) / dd)
    return paint


def radial(cx, cy, radius, stops):
    def paint(x, y):
        return ramp(stops, math.hypot(x - cx, y - cy) / radius)
    return paint


def ramp(stops, t):
    if t <= stops[0][0]:
        return stops[0][1]
    for (t0, c0), (t1, c1) in zip(stops, stops[1:]):
        if t <= t1:
            return mix(c0, c1, (t - t0) / (t1 - t0))
    return stops[-1][1]


# --------------------------------------------------------------- the tree

CX = 100.0
LIGHT = (-0.6, -0.8)      # light falls from the upper left

NEEDLE_LIT = hexcolor("#7dbb5e")
NEEDLE_MID = hexcolor("#3f8a45")
NEEDLE_DARK = hexcolor("#173d24")
CORE = hexcolor("#10301c")


class Tier:
    """One layer of branches: apex, lowest point of the hem, half width."""

    def __init__(self, apex, bottom, half_width, fronds):
        self.apex, self.bottom, self.hw, self.fronds = apex, bottom, half_width, fronds

    def hem(self, u):
        """The y of the tier's lower edge at relative offset u in [-1, 1]:
        the hem curves up towards the sides like the rim of a cone."""
        return self.bottom - 0.2 * (self.bottom - self.apex) * u * u

    def side_x(self, y, sign):
        """The x of the tier's flank at height y."""
        t = clamp01((y - self.apex) / (self.hem(1.0) - self.apex))
        return CX + sign * self.hw * (t ** 0.85)


TIERS = [Tier(36, 100, 46, 7), Tier(66, 152, 66, 9),
         Tier(106, 205, 82, 11), Tier(150, 258, 95, 13)]


def frond_half_width(width, t):
    """Half width of a branch at t along it: full near the trunk, pointed at the tip."""
    return width * (1 - t) ** 0.6 * (0.55 + 0.45 * math.sin(math.pi * t))


def frond(cv, rng, root, tip, width, droop, brightness):
    """A drooping fir branch: a tapered body shaded across its width, then
    covered in short needles that sweep towards the tip and stick out past
    the edge, which gives the branch its soft fringe."""
    ctrl = (lerp(root[0], tip[0], 0.65), lerp(root[1], tip[1], droop))
    steps = 28
    centre = [quad_bezier(root, ctrl, tip, i / steps) for i in range(steps + 1)]
    half = [frond_half_width(width, i / steps) for i in range(steps + 1)]
    chord = (tip[0] - root[0], tip[1] - root[1])
    cl = math.hypot(*chord) or 1.0
    normal = (-chord[1] / cl, chord[0] / cl)
    if normal[0] * LIGHT[0] + normal[1] * LIGHT[1] < 0:
        normal = (-normal[0], -normal[1])
    mid = quad_bezier(root, ctrl, tip, 0.4)
    lit_edge = (mid[0] - normal[0] * width, mid[1] - normal[1] * width)
    dark_edge = (mid[0] + normal[0] * width, mid[1] + normal[1] * width)
    body = linear(lit_edge, dark_edge, [
        (0.0, shade(NEEDLE_MID, 1.1 * brightness)),
        (0.55, shade(NEEDLE_MID, 0.75 * brightness)),
        (1.0, shade(NEEDLE_DARK, 0.8 * brightness))])
    cv.fill(ribbon(centre, half), body)
    length = sum(math.dist(a, b) for a, b in zip(centre, centre[1:]))
    needles = []
    for _ in range(int(length * width * 0.5)):
        t = 0.04 + 0.95 * rng.random()
        s = rng.uniform(-1.0, 1.0)
        w = frond_half_width(width, t)
        px, py = quad_bezier(root, ctrl, tip, t)
        tx, ty = quad_tangent(root, ctrl, tip, t)
        nx, ny = -ty, tx
        # Sideways offset and sweep: needles fan out towards the edges.
        px, py = px + nx * s * w, py + ny * s * w
        angle = math.radians(s * 55 + rng.uniform(-12, 12))
        dx = tx * math.cos(angle) + nx * math.sin(angle)
        dy = ty * math.cos(angle) + ny * math.sin(angle)
        reach = rng.uniform(2.2, 4.2) * (0.55 + 0.45 * (1 - t))
        facing = (nx * LIGHT[0] + ny * LIGHT[1]) * s      # > 0: on the lit side
        light = clamp01(0.5 + 0.45 * facing + 0.2 * t + rng.uniform(-0.3, 0.3))
        needles.append((light, (px, py), (px + dx * reach, py + dy * reach)))
    needles.sort(key=lambda n: n[0])
    for light, start, end in needles:
        if light < 0.5:
            color = mix(NEEDLE_DARK, NEEDLE_MID, light * 2)
        else:
            color = mix(NEEDLE_MID, NEEDLE_LIT, light * 2 - 1)
        needle(cv, start, end, 0.4, shade(color, brightness))


def needle(cv, start, end, half_width, color):
    dx, dy = end[0] - start[0], end[1] - start[1]
    n = math.hypot(dx, dy) or 1.0
    nx, ny = -dy / n * half_width, dx / n * half_width
    cv.fill([(start[0] + nx, start[1] + ny), end, (start[0] - nx, start[1] - ny)], color, 0.92)


def draw_tier(cv, rng, tier):
    span = tier.bottom - tier.apex
    core = [(CX, tier.apex + 4)]
    for i in range(13):
        u = -0.86 + 1.72 * i / 12
        core.append((CX + u * tier.hw, tier.hem(u) - 5))
    cv.fill(core, CORE)
    n = tier.fronds
    # A darker back row, tips raised and set between those of the front row.
    rows = [([(-1 + 2 * (j + 0.5) / n) for j in range(n)], 0.68, 4.0),
            ([(-1 + 2 * j / (n - 1)) for j in range(n)], 1.0, 0.0)]
    for offsets, brightness, lift in rows:
        # Side branches first, the ones facing the viewer last.
        for u in sorted(offsets, key=lambda v: -abs(v)):
            u += rng.uniform(-0.04, 0.04)
            tip = (CX + u * tier.hw * 1.02, tier.hem(u) + rng.uniform(-1.5, 1.5) - lift)
            depth = 0.08 + 0.42 * (1 - min(abs(u), 1.0)) ** 1.5
            root = (CX + u * tier.hw * 0.12, tier.apex + span * depth)
            width = tier.hw * 2.0 / n * rng.uniform(0.62, 0.74) + 1.5
            side_light = 1.0 - 0.16 * u
            frond(cv, rng, root, tip, width, 0.18 + 0.1 * abs(u), brightness * side_light)


def tier_shadow(cv, tier):
    """A soft shadow cast by a tier on the branches below its hem."""
    def paint(x, y):
        u = (x - CX) / tier.hw
        d = y - tier.hem(max(-1.0, min(1.0, u)))
        a = 0.5 * (1 - smoothstep(-2.0, 9.0, d)) * (1 - smoothstep(0.75, 1.05, abs(u)))
        return (0.02, 0.08, 0.03, a)
    poly = rect(CX - tier.hw, tier.hem(1.0) - 6, CX + tier.hw, tier.bottom + 10)
    cv.fill(poly, paint, atop=True)


def draw_trunk(cv):
    bark = linear((90, 0), (110, 0), [(0.0, hexcolor("#8a5a35")), (0.45, hexcolor("#6b4226")),
                                      (1.0, hexcolor("#3b2314"))])
    cv.fill(rect(90, 236, 110, 276), bark)
    for x, y0, y1 in ((94, 246, 268), (99.5, 240, 262), (104.5, 250, 274)):
        cv.fill(rect(x, y0, x + 0.8, y1), hexcolor("#2e1a0e", 0.55))


def draw_pot(cv):
    cv.field(40, 292, 160, 310, lambda x, y: (0.0, 0.0, 0.0, 0.28 * max(
        0.0, 1 - ((x - CX) / 56) ** 2 - ((y - 301) / 6.5) ** 2)))
    body = [(68, 270), (132, 270), (125, 302), (75, 302)]
    clay = linear((68, 0), (132, 0), [(0.0, hexcolor("#d4553f")), (0.35, hexcolor("#b23a2c")),
                                      (1.0, hexcolor("#5e1a16"))])
    cv.fill(body, clay)
    # Shadow under the rim and a darker foot give the pot its roundness.
    cv.fill(body, linear((0, 270), (0, 302), [(0.0, (0.15, 0.02, 0.0, 0.45)), (0.3, (0.15, 0.02, 0.0, 0.0)),
                                              (0.75, (0.15, 0.02, 0.0, 0.0)), (1.0, (0.15, 0.02, 0.0, 0.3))]),
            atop=True)
    cv.fill([(76, 272), (80, 272), (82, 301), (79, 301)], (1.0, 0.85, 0.75, 0.22))
    cv.fill(rect(66, 285, 134, 289), hexcolor("#e8c25a", 0.9), atop=True)
    cv.fill(rect(66, 285, 134, 286), hexcolor("#fff0b0", 0.5), atop=True)
    rim = linear((63, 0), (137, 0), [(0.0, hexcolor("#e0654d")), (0.4, hexcolor("#c44634")),
                                     (1.0, hexcolor("#6a1f19"))])
    cv.fill(rect(63, 263, 137, 272), rim)
    cv.fill(rect(63, 263, 137, 264.2), hexcolor("#f29a7c", 0.7))
    cv.fill(rect(63, 271, 137, 272), hexcolor("#4a120e", 0.6))


def draw_present(cv, x0, y0, x1, y1, box, ribbon_color):
    body = linear((x0, y0), (x1, y1), [(0.0, shade(box, 1.25)), (1.0, shade(box, 0.6))])
    cv.fill(rect(x0, y0, x1, y1), body)
    cv.fill(rect(x0, y0, x1, y0 + 1.2), shade(box, 1.5), 0.6)
    mx = (x0 + x1) / 2
    cv.fill(rect(mx - 2, y0, mx + 2, y1), ribbon_color)
    cv.fill(rect(x0, (y0 + y1) / 2 - 1.6, x1, (y0 + y1) / 2 + 1.6), ribbon_color)
    for side in (-1, 1):
        cv.fill(ellipse(mx + side * 4.5, y0 - 2.5, 4.8, 2.6, side * 0.5), shade(ribbon_color, 0.85))
        cv.fill(ellipse(mx + side * 4.2, y0 - 3.0, 2.2, 1.0, side * 0.5), shade(ribbon_color, 1.3), 0.7)
    cv.fill(ellipse(mx, y0 - 1.2, 2.0, 1.8), ribbon_color)


def draw_top_star(cv):
    cx, cy, ro, ri = CX, 24.0, 17.0, 7.2
    cv.field(cx - 30, cy - 30, cx + 30, cy + 30, lambda x, y: (1.0, 0.86, 0.45, 0.32 * math.exp(
        -((x - cx) ** 2 + (y - cy) ** 2) / 150.0)))
    pts = star_polygon(cx, cy, ro, ri)
    cv.fill(star_polygon(cx, cy + 0.6, ro + 1.2, ri + 0.9), hexcolor("#7a5210"))
    for i in range(10):
        a, b = pts[i], pts[(i + 1) % 10]
        mid_angle = math.atan2((a[1] + b[1]) / 2 - cy, (a[0] + b[0]) / 2 - cx)
        lit = 0.5 + 0.5 * -(math.cos(mid_angle) * LIGHT[0] + math.sin(mid_angle) * LIGHT[1])
        lit = lit if i % 2 == 0 else lit * 0.75
        color = mix(hexcolor("#b9801a"), hexcolor("#fff3a8"), lit)
        cv.fill([(cx, cy), a, b], color)
    cv.fill(ellipse(cx - 3, cy - 4, 2.2, 1.4, -0.6), (1, 1, 1, 0.85))


BAUBLES = [  # x, y, radius, colour
    (70, 91, 4.5, "#3a6fd8"), (98.5, 95, 5.0, "#d23a3a"), (128, 90, 4.5, "#e3b23c"),
    (50, 139, 5.5, "#d23a3a"), (82, 145, 6.0, "#e3b23c"), (114, 145, 6.0, "#3a6fd8"),
    (150, 137, 5.5, "#9b59d0"),
    (66, 198, 6.5, "#9b59d0"), (98, 199, 6.5, "#d23a3a"), (130, 197, 6.5, "#e3b23c"),
    (24, 240, 6.5, "#3a6fd8"), (60, 251, 7.0, "#e3b23c"), (98, 253, 7.0, "#c8354b"),
    (136, 251, 7.0, "#3a6fd8"), (176, 238, 6.5, "#e3b23c")]


def draw_bauble(cv, x, y, r, color_text):
    base = hexcolor(color_text)
    cv.fill(rect(x - 0.35, y - r - 5, x + 0.35, y - r), hexcolor("#c9b27a", 0.8))
    sphere = radial(x - 0.35 * r, y - 0.4 * r, 1.45 * r, [
        (0.0, mix(base, (1, 1, 1, 1), 0.55)), (0.35, base), (0.85, shade(base, 0.45)),
        (1.0, shade(base, 0.3))])
    cv.fill(ellipse(x, y, r, r), sphere)
    cv.fill(ellipse(x + 0.25 * r, y + 0.45 * r, 0.55 * r, 0.25 * r, -0.4), mix(base, (1, 1, 1, 1), 0.3), 0.35)
    cv.fill(ellipse(x - 0.38 * r, y - 0.42 * r, 0.28 * r, 0.18 * r, -0.7), (1, 1, 1, 1), 0.9)
    cv.fill(rect(x - 1.6, y - r - 1.4, x + 1.6, y - r + 1.0),
            linear((x - 1.6, 0), (x + 1.6, 0), [(0.0, hexcolor("#f5e3a0")), (1.0, hexcolor("#8c6d2a"))]))


# ------------------------------------------------------------- the garland

class Bulb:
    def __init__(self, x, y, tilt, color):
        self.x, self.y, self.tilt, self.color = x, y, tilt, color

    def glass(self):
        """The glass below the socket, hanging from the wire at (x, y)."""
        d = (math.sin(self.tilt), math.cos(self.tilt))
        cx, cy = self.x + d[0] * 6.5, self.y + d[1] * 6.5
        return ellipse(cx, cy, 3.2, 4.4, -self.tilt, 28), (cx, cy)

    def socket(self):
        d = (math.sin(self.tilt), math.cos(self.tilt))
        n = (d[1], -d[0])
        pts = []
        for along, across in ((0.6, -1.7), (0.6, 1.7), (3.2, 1.9), (3.2, -1.9)):
            pts.append((self.x + d[0] * along + n[0] * across, self.y + d[1] * along + n[1] * across))
        return pts


class GarlandString:
    """A wire draped across the tiers in swags, with bulbs hung along it."""

    def __init__(self, swags, colors, seed):
        """swags: (tier index, y at the left end, y at the right end, sag, bulbs)."""
        rng = random.Random(seed)
        self.paths, self.bulbs = [], []
        i = 0
        for tier_index, y_left, y_right, sag, count in swags:
            tier = TIERS[tier_index]
            p0 = (tier.side_x(y_left, -1) + 9, y_left)
            p2 = (tier.side_x(y_right, 1) - 9, y_right)
            p1 = ((p0[0] + p2[0]) / 2, (y_left + y_right) / 2 + 2 * sag)
            path = [quad_bezier(p0, p1, p2, k / 40) for k in range(41)]
            self.paths.append(path)
            for b in range(count):
                t = (b + 0.5) / count * 0.9 + 0.05
                x, y = quad_bezier(p0, p1, p2, t)
                tx, ty = quad_tangent(p0, p1, p2, t)
                tilt = -0.45 * ty * (1 if tx > 0 else -1) + rng.uniform(-0.15, 0.15)
                self.bulbs.append(Bulb(x, y, tilt, hexcolor(colors[i % len(colors)])))
                i += 1

    def draw_unlit(self, cv):
        for path in self.paths:
            fade = [min(1.0, k / 5.0, (len(path) - 1 - k) / 5.0) for k in range(len(path))]
            cv.fill(ribbon(path, [0.6 * (0.4 + 0.6 * f) for f in fade]), hexcolor("#1c3322"), 0.95)
        for bulb in self.bulbs:
            poly, (gx, gy) = bulb.glass()
            dark = radial(gx - 1.0, gy - 1.5, 5.0, [
                (0.0, shade(bulb.color, 0.75)), (0.6, shade(bulb.color, 0.42)),
                (1.0, shade(bulb.color, 0.25))])
            cv.fill(poly, dark)
            cv.fill(ellipse(gx - 0.9, gy - 1.4, 0.8, 1.2, -bulb.tilt), (1, 1, 1, 1), 0.55)
            draw_socket(cv, bulb)

    def draw_lit(self, cv, lit):
        for i in lit:
            bulb = self.bulbs[i]
            _, (gx, gy) = bulb.glass()
            glow = mix(bulb.color, (1, 1, 1, 1), 0.25)
            cv.field(gx - 13, gy - 13, gx + 13, gy + 13, lambda x, y, gx=gx, gy=gy, glow=glow: glow[:3] + (
                0.62 * math.exp(-((x - gx) ** 2 + (y - gy) ** 2) / 30.0),))
        for i in lit:
            bulb = self.bulbs[i]
            poly, (gx, gy) = bulb.glass()
            hot = radial(gx - 0.6, gy - 0.4, 4.6, [
                (0.0, (1.0, 1.0, 0.95, 1.0)), (0.35, mix(bulb.color, (1, 1, 1, 1), 0.45)),
                (0.8, bulb.color), (1.0, shade(bulb.color, 0.8))])
            cv.fill(poly, hot)
            cv.fill(ellipse(gx - 0.9, gy - 1.4, 0.8, 1.2, -bulb.tilt), (1, 1, 1, 1), 0.8)
            draw_socket(cv, bulb)


def draw_socket(cv, bulb):
    cv.fill(bulb.socket(), hexcolor("#1e3a24"))


STRINGS = [
    GarlandString([(0, 60, 63, 8, 2), (1, 104, 107, 8, 3), (2, 158, 161, 8, 4), (3, 212, 215, 9, 4)],
                  ["#ffc23a", "#ff8a2a", "#ffe27a"], seed=11),
    GarlandString([(0, 76, 73, 6, 2), (1, 128, 124, 7, 3), (2, 182, 178, 7, 4), (3, 232, 228, 8, 4)],
                  ["#ff3b3b", "#3b8bff", "#ffd93b", "#ff4fd0", "#3bf0ff"], seed=12),
]


def lit_bulbs(layer, frame, count):
    """Which bulbs frame 1..4 lights. The warm string alternates, then
    lights all, then every third; the coloured one chases in pairs."""
    if layer == 0:
        rule = {1: lambda i: i % 2 == 0, 2: lambda i: i % 2 == 1,
                3: lambda i: True, 4: lambda i: i % 3 == 0}[frame]
    else:
        rule = lambda i: i % 4 in (frame - 1, frame % 4)
    return [i for i in range(count) if rule(i)]


# -------------------------------------------------------------- star sprites

def draw_star_sprite(stage):
    """A twinkle stage 1..6: a four-rayed sparkle with short diagonal rays
    in a pale blue glow. Size and brightness grow with the stage."""
    cv = Canvas(STAR_W, STAR_H)
    cx, cy = 9.5, 9.5
    s = stage / 6.0
    ray = 3.0 + 6.5 * s
    peak = 0.3 + 0.7 * s
    core_r = 0.6 + 0.7 * s
    glow_r = 1.5 + 3.0 * s

    def fn(x, y):
        dx, dy = abs(x - cx), abs(y - cy)
        r2 = dx * dx + dy * dy
        core = math.exp(-r2 / (core_r * core_r))
        rays = 0.0
        for along, across, length, strength in ((dx, dy, ray, 1.2), (dy, dx, ray, 1.2),
                                                ((dx + dy) * 0.7071, abs(dx - dy) * 0.7071, ray * 0.5, 0.7)):
            if along < length:
                rays += strength * (1 - along / length) ** 1.5 * math.exp(-(across / 0.45) ** 2)
        glow = 0.3 * math.exp(-r2 / (glow_r * glow_r))
        light = core + rays
        color = mix((0.72, 0.84, 1.0), (1.0, 0.97, 0.86), clamp01(light * 1.5))
        return color + (peak * clamp01(light + glow),)
    cv.field(0, 0, STAR_W, STAR_H, fn)
    return cv


# ------------------------------------------------------------- composition

def draw_tree():
    rng = random.Random(2024)
    cv = Canvas(TREE_W, TREE_H)
    draw_trunk(cv)
    draw_pot(cv)
    for index in range(len(TIERS) - 1, -1, -1):
        if index < len(TIERS) - 1:
            tier_shadow(cv, TIERS[index])
        draw_tier(cv, rng, TIERS[index])
    frond(cv, rng, (CX, 60), (CX, 31), 5.0, 0.0, 1.05)      # the leader under the star
    for x, y, r, color in BAUBLES:
        draw_bauble(cv, x, y, r, color)
    for string in STRINGS:
        string.draw_unlit(cv)
    draw_present(cv, 20, 276, 58, 302, hexcolor("#2f7a4a"), hexcolor("#e8c25a"))
    draw_present(cv, 142, 282, 176, 304, hexcolor("#3558b8"), hexcolor("#e24b4b"))
    draw_top_star(cv)
    return cv


def draw_garland_frame(layer, frame):
    cv = Canvas(TREE_W, TREE_H)
    string = STRINGS[layer]
    string.draw_lit(cv, lit_bulbs(layer, frame, len(string.bulbs)))
    return cv


def pictures():
    """(name, canvas, text) for every picture, in catalogue order."""
    out = []
    for stage in range(1, 7):
        out.append(("Star%d" % stage, draw_star_sprite(stage), "Twinkle stage %d of a falling star" % stage))
    out.append((TREE_NAME, draw_tree(), "Fir tree with baubles, two unlit garlands and a golden star"))
    for layer in (0, 1):
        kind = "warm" if layer == 0 else "multicoloured"
        for frame in range(1, 5):
            out.append(("img_%d_%d" % (layer, frame), draw_garland_frame(layer, frame),
                        "Lit bulbs of the %s garland, frame %d" % (kind, frame)))
    return out


# --------------------------------------------------------------- PNG files

PNG_SIGNATURE = b"\x89PNG\r\n\x1a\n"


def chunk(kind, payload):
    head = kind + payload
    return struct.pack(">I", len(payload)) + head + struct.pack(">I", zlib.crc32(head) & 0xFFFFFFFF)


def filter_sub(row):
    out = bytearray(row)
    for i in range(len(row) - 1, 3, -1):
        out[i] = (row[i] - row[i - 4]) & 255
    return bytes(out)


def encode_png(width, height, rows, description):
    """RGBA8 PNG: Sub filter on every row, zlib level 9, IDAT chunks of at
    most IDAT_MAX bytes, a tEXt and an uncompressed iTXt before the data."""
    raw = b"".join(b"\x01" + filter_sub(row) for row in rows)
    data = zlib.compress(raw, 9)
    out = [PNG_SIGNATURE,
           chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)),
           chunk(b"tEXt", b"Software\0Fenwillow draw_pictures.py"),
           chunk(b"iTXt", b"Description\0\0\0en\0\0" + description.encode("utf-8"))]
    for start in range(0, len(data), IDAT_MAX):
        out.append(chunk(b"IDAT", data[start:start + IDAT_MAX]))
    out.append(chunk(b"IEND", b""))
    return b"".join(out)


def encoded_pictures():
    """(name, canvas, PNG bytes) for every picture."""
    return [(name, cv, encode_png(cv.w, cv.h, cv.rgba_rows(), text)) for name, cv, text in pictures()]


def write_all(directory):
    for name, _, data in encoded_pictures():
        with open(os.path.join(directory, name + ".png"), "wb") as f:
            f.write(data)
        print("%-8s %7d bytes" % (name, len(data)))


# ------------------------------------------------------------------ check

def expected_files():
    names = ["Star%d" % s for s in range(1, 7)] + [TREE_NAME]
    names += ["img_%d_%d" % (layer, frame) for layer in (0, 1) for frame in range(1, 5)]
    return [(n, (STAR_W, STAR_H) if n.startswith("Star") else (TREE_W, TREE_H)) for n in names]


def read_chunks(data):
    if data[:8] != PNG_SIGNATURE:
        raise ValueError("no PNG signature")
    pos, chunks = 8, []
    while pos < len(data):
        if pos + 12 > len(data):
            raise ValueError("truncated chunk at %d" % pos)
        length, = struct.unpack(">I", data[pos:pos + 4])
        kind = data[pos + 4:pos + 8]
        end = pos + 8 + length
        if end + 4 > len(data):
            raise ValueError("chunk %s runs past the end" % kind.decode("latin-1"))
        crc, = struct.unpack(">I", data[end:end + 4])
        if zlib.crc32(data[pos + 4:end]) & 0xFFFFFFFF != crc:
            raise ValueError("bad CRC in %s" % kind.decode("latin-1"))
        chunks.append((kind.decode("latin-1"), data[pos + 8:end]))
        pos = end + 4
        if kind == b"IEND":
            break
    if pos != len(data):
        raise ValueError("bytes after IEND")
    return chunks


def check_file(path, size, needs_split):
    with open(path, "rb") as f:
        chunks = read_chunks(f.read())
    kinds = [k for k, _ in chunks]
    idats = [p for k, p in chunks if k == "IDAT"]
    if kinds != ["IHDR", "tEXt", "iTXt"] + ["IDAT"] * len(idats) + ["IEND"] or not 1 <= len(idats) <= 2:
        raise ValueError("chunk order %s" % " ".join(kinds))
    if any(len(p) > IDAT_MAX for p in idats):
        raise ValueError("IDAT longer than %d bytes" % IDAT_MAX)
    if needs_split and len(idats) != 2:
        raise ValueError("expected two IDAT chunks")
    if len(chunks[0][1]) != 13:
        raise ValueError("IHDR of %d bytes" % len(chunks[0][1]))
    w, h, depth, ctype, comp, filt, inter = struct.unpack(">IIBBBBB", chunks[0][1])
    if (w, h) != size or (depth, ctype, comp, filt, inter) != (8, 6, 0, 0, 0):
        raise ValueError("header %dx%d depth %d type %d interlace %d" % (w, h, depth, ctype, inter))
    if b"\0" not in chunks[1][1] or chunks[2][1][chunks[2][1].index(b"\0") + 1] != 0:
        raise ValueError("text chunks malformed or iTXt compressed")
    raw = zlib.decompress(b"".join(idats))
    if len(raw) != h * (1 + 4 * w) or any(raw[y * (1 + 4 * w)] > 4 for y in range(h)):
        raise ValueError("image data has the wrong size or filter")
    return "%s %s" % (" ".join(kinds), "/".join(str(len(p)) for p in idats))


def check_stars_grow(canvases):
    """Each twinkle stage must be larger and brighter than the one before."""
    total = [sum(cv.a) for cv in canvases]
    peak = [max(cv.a) for cv in canvases]
    if any(b <= a for a, b in zip(total, total[1:])) or any(b < a for a, b in zip(peak, peak[1:])):
        raise ValueError("light per stage %s, peak %s" % (
            " ".join("%.1f" % t for t in total), " ".join("%.2f" % p for p in peak)))
    return "light per stage " + " ".join("%.0f" % t for t in total)


def check_all(directory):
    """Structure of every file, then that a fresh drawing gives the same
    bytes, then that the star stages grow."""
    results = []
    for name, size in expected_files():
        path = os.path.join(directory, name + ".png")
        results.append((name, lambda p=path, s=size, n=name: check_file(p, s, n == TREE_NAME)))
    fresh = encoded_pictures()

    def same_bytes():
        stale = []
        for name, _, data in fresh:
            with open(os.path.join(directory, name + ".png"), "rb") as f:
                if f.read() != data:
                    stale.append(name)
        if stale:
            raise ValueError("differ from a fresh drawing: " + " ".join(stale))
        return "all %d files redrawn identically" % len(fresh)
    results.append(("redraw", same_bytes))
    stars = [cv for name, cv, _ in fresh if name.startswith("Star")]
    results.append(("stars", lambda: check_stars_grow(stars)))
    failures = 0
    for name, check in results:
        try:
            print("ok   %-8s %s" % (name, check()))
        except (OSError, ValueError, zlib.error) as e:
            failures += 1
            print("FAIL %-8s %s" % (name, e))
    print("%d passed, %d failed" % (len(results) - failures, failures))
    return failures == 0


def main(argv):
    here = os.path.dirname(os.path.abspath(__file__))
    if argv and argv[0] == "--check":
        return 0 if check_all(argv[1] if len(argv) > 1 else here) else 1
    write_all(argv[0] if argv else here)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
