#!/usr/bin/env python3
"""Draws every picture of the search box skins: black/ (the small box) and black/large/.

background.png is a dark rounded panel. Its outermost pixels are only partly opaque so the
picture's edge is soft, but the box window is cut to the fully opaque pixels, so style.css
keeps every element well inside the rounded edge. The small pictures are the four system
buttons, the engine drop-down marker and the clear button's cross, drawn light on dark
(the cross dark on the white edit field).

Shapes are signed distance functions: a pixel's coverage is how far inside the outline its
centre lies, which anti-aliases without supersampling. Only the standard library is used.
Run it again after changing a shape or a size; the PNGs are committed."""
import math
import os
import struct
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))

# Per skin: folder, panel size, system button picture size, marker size, clear size.
SKINS = [
    {"dir": "black", "size": (380, 100), "radius": 10, "title_h": 26,
     "button": 14, "marker": (10, 22), "clear": 16},
    {"dir": "black/large", "size": (500, 130), "radius": 13, "title_h": 34,
     "button": 18, "marker": (12, 30), "clear": 20},
]

GLYPH = (222, 226, 234)
CROSS = (128, 132, 140)


class Canvas:
    def __init__(self, w, h):
        self.w, self.h = w, h
        self.px = [[0.0, 0.0, 0.0, 0.0] for _ in range(w * h)]  # premultiplied, 0..1

    def paint(self, sdf, colour, opacity=1.0, soft=1.0):
        """Composites colour over the canvas where sdf(x, y) < 0 (pixel units)."""
        r, g, b = (c / 255.0 for c in colour)
        for y in range(self.h):
            for x in range(self.w):
                d = sdf(x + 0.5, y + 0.5)
                cover = min(1.0, max(0.0, 0.5 - d / soft)) * opacity
                if cover <= 0.0:
                    continue
                p = self.px[y * self.w + x]
                keep = 1.0 - cover
                p[0] = r * cover + p[0] * keep
                p[1] = g * cover + p[1] * keep
                p[2] = b * cover + p[2] * keep
                p[3] = cover + p[3] * keep

    def shade(self, colour_at, inside):
        """Replaces the colour (not the alpha) of pixels inside with colour_at(x, y)."""
        for y in range(self.h):
            for x in range(self.w):
                p = self.px[y * self.w + x]
                if p[3] > 0 and inside(x + 0.5, y + 0.5):
                    c = colour_at(x + 0.5, y + 0.5)
                    p[0], p[1], p[2] = (v / 255.0 * p[3] for v in c)

    def png(self):
        raw = bytearray()
        for y in range(self.h):
            raw.append(0)
            for x in range(self.w):
                r, g, b, a = self.px[y * self.w + x]
                alpha = round(a * 255)
                if alpha == 0:
                    raw += b"\0\0\0\0"
                    continue
                raw += bytes(min(255, round(v / a * 255)) for v in (r, g, b)) + bytes([alpha])

        def chunk(kind, data):
            return (struct.pack(">I", len(data)) + kind + data +
                    struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF))

        header = struct.pack(">IIBBBBB", self.w, self.h, 8, 6, 0, 0, 0)
        return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) +
                chunk(b"IDAT", zlib.compress(bytes(raw), 9)) + chunk(b"IEND", b""))


# Signed distance functions: negative inside.
def rounded_box(cx, cy, hw, hh, r):
    def f(x, y):
        qx = abs(x - cx) - hw + r
        qy = abs(y - cy) - hh + r
        outside = math.hypot(max(qx, 0.0), max(qy, 0.0))
        return outside + min(max(qx, qy), 0.0) - r
    return f


def circle(cx, cy, r):
    return lambda x, y: math.hypot(x - cx, y - cy) - r


def ring(cx, cy, r, half_width):
    return lambda x, y: abs(math.hypot(x - cx, y - cy) - r) - half_width


def segment(ax, ay, bx, by, half_width):
    def f(x, y):
        px, py, dx, dy = x - ax, y - ay, bx - ax, by - ay
        t = max(0.0, min(1.0, (px * dx + py * dy) / (dx * dx + dy * dy)))
        return math.hypot(px - dx * t, py - dy * t) - half_width
    return f


def polygon(points):
    """Convex or not; exact distance to the edges, sign by the even-odd rule."""
    def f(x, y):
        d = float("inf")
        inside = False
        n = len(points)
        for i in range(n):
            (ax, ay), (bx, by) = points[i], points[(i + 1) % n]
            d = min(d, segment(ax, ay, bx, by, 0.0)(x, y))
            if (ay > y) != (by > y) and x < ax + (y - ay) * (bx - ax) / (by - ay):
                inside = not inside
        return -d if inside else d
    return f


def union(*fs):
    return lambda x, y: min(f(x, y) for f in fs)


def subtract(a, b):
    return lambda x, y: max(a(x, y), -b(x, y))


def arc(cx, cy, r, half_width, start, end):
    """Ring part between two angles (radians, clockwise from 3 o'clock on screen)."""
    whole = ring(cx, cy, r, half_width)
    caps = union(circle(cx + r * math.cos(start), cy + r * math.sin(start), half_width),
                 circle(cx + r * math.cos(end), cy + r * math.sin(end), half_width))

    def f(x, y):
        a = math.atan2(y - cy, x - cx) % (2 * math.pi)
        lo, hi = start % (2 * math.pi), end % (2 * math.pi)
        within = lo <= a <= hi if lo <= hi else (a >= lo or a <= hi)
        return whole(x, y) if within else caps(x, y)
    return f


# Pictures.
def background(w, h, radius, title_h):
    c = Canvas(w, h)
    # The soft edge: coverage falls off over about two pixels outside the panel's outline.
    panel = rounded_box(w / 2, h / 2, w / 2 - 0.5, h / 2 - 0.5, radius)
    c.paint(panel, (0, 0, 0), soft=1.6)
    top, bottom = (66, 70, 79), (27, 29, 34)
    c.shade(lambda x, y: tuple(round(t + (b - t) * y / h) for t, b in zip(top, bottom)),
            lambda x, y: True)
    # A faint inner rim lifts the panel from dark desktops.
    rim = subtract(rounded_box(w / 2, h / 2, w / 2 - 1.5, h / 2 - 1.5, radius - 1),
                   rounded_box(w / 2, h / 2, w / 2 - 2.5, h / 2 - 2.5, radius - 2))
    c.paint(rim, (255, 255, 255), opacity=0.10)
    # Separator under the title row: a dark line over a light one.
    c.paint(segment(radius, title_h - 0.5, w - radius, title_h - 0.5, 0.5), (12, 13, 16),
            opacity=0.7)
    c.paint(segment(radius, title_h + 0.5, w - radius, title_h + 0.5, 0.5), (255, 255, 255),
            opacity=0.08)
    # Grip dots at the left of the title row: the row drags the box.
    step = 4 if title_h < 30 else 5
    mid = title_h / 2
    for i in range(8):
        for j in (-1, 1):
            x = radius + 2 + i * step
            y = mid + j * step / 2
            c.paint(circle(x + 0.5, y + 0.5, 1.0), (255, 255, 255), opacity=0.25)
            c.paint(circle(x - 0.5, y - 0.5, 1.0), (150, 156, 168), opacity=0.8)
    return c


def gear(s):
    c = Canvas(s, s)
    m = s / 2
    teeth = [rounded_box(0, 0, s * 0.09, s * 0.46, 0.6) for _ in range(4)]

    def rotated(f, angle):
        ca, sa = math.cos(angle), math.sin(angle)
        return lambda x, y: f((x - m) * ca + (y - m) * sa, -(x - m) * sa + (y - m) * ca)

    body = union(circle(m, m, s * 0.33), *[rotated(t, i * math.pi / 4) for i, t in
                                            enumerate(teeth * 2)])
    c.paint(subtract(body, circle(m, m, s * 0.14)), GLYPH)
    return c


def pin(s):
    c = Canvas(s, s)
    u = s / 14.0
    head = rounded_box(7.5 * u, 3.2 * u, 2.6 * u, 2.2 * u, 0.8 * u)
    collar = rounded_box(7.5 * u, 7.2 * u, 4.2 * u, 1.0 * u, 0.6 * u)
    needle = segment(7.5 * u, 8 * u, 7.5 * u, 13 * u, 0.7 * u)
    c.paint(union(head, collar, needle), GLYPH)
    return c


def question(s):
    c = Canvas(s, s)
    u = s / 14.0
    hook = arc(7 * u, 4.8 * u, 3.0 * u, 1.05 * u, math.radians(170), math.radians(80))
    stem = segment(7.5 * u, 7.8 * u, 7.2 * u, 9.2 * u, 1.05 * u)
    dot = circle(7.2 * u, 12.2 * u, 1.25 * u)
    c.paint(union(hook, stem, dot), GLYPH)
    return c


def cross(s, colour, weight):
    c = Canvas(s, s)
    a, b = s * 0.22, s * 0.78
    c.paint(union(segment(a, a, b, b, weight), segment(a, b, b, a, weight)), colour)
    return c


def marker(w, h):
    c = Canvas(w, h)
    half = w * 0.38
    top = h / 2 - half * 0.55
    c.paint(polygon([(w / 2 - half, top), (w / 2 + half, top), (w / 2, top + half * 1.1)]),
            (96, 100, 110))
    return c


def clear(s):
    c = Canvas(s, s)
    m = s / 2
    c.paint(circle(m, m, s * 0.42), (196, 200, 208))
    c.paint(union(segment(m - s * 0.16, m - s * 0.16, m + s * 0.16, m + s * 0.16, s * 0.06),
                  segment(m - s * 0.16, m + s * 0.16, m + s * 0.16, m - s * 0.16, s * 0.06)),
            (255, 255, 255))
    return c


def main():
    for skin in SKINS:
        folder = os.path.join(HERE, skin["dir"])
        os.makedirs(folder, exist_ok=True)
        w, h = skin["size"]
        b = skin["button"]
        pictures = {
            "background.png": background(w, h, skin["radius"], skin["title_h"]),
            "config.png": gear(b),
            "pushpin.png": pin(b),
            "help.png": question(b),
            "close.png": cross(b, GLYPH, b * 0.085),
            "marker.png": marker(*skin["marker"]),
            "clear.png": clear(skin["clear"]),
        }
        for name, canvas in pictures.items():
            with open(os.path.join(folder, name), "wb") as f:
                f.write(canvas.png())


if __name__ == "__main__":
    main()
