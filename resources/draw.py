#!/usr/bin/env python3
"""Draws the program icon and the four toolbar images as 8-bit RGBA PNGs.

Run once when a picture changes; the PNGs are committed and compiled into the program.
Shapes are coverage-sampled on a 4x4 grid per pixel so that edges come out smooth.
"""
import math
import os
import struct
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))


def write_png(path, width, height, pixels):
    raw = bytearray()
    for y in range(height):
        raw.append(0)
        for x in range(width):
            raw.extend(pixels[y * width + x])

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    header = struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)
    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n")
        f.write(chunk(b"IHDR", header))
        f.write(chunk(b"IDAT", zlib.compress(bytes(raw), 9)))
        f.write(chunk(b"IEND", b""))


class Canvas:
    """Shapes are given in a 0..1 unit square and painted over each other, last on top."""

    def __init__(self, size):
        self.size = size
        self.pixels = [(0.0, 0.0, 0.0, 0.0)] * (size * size)

    def fill(self, inside, colour):
        n = 4
        r, g, b, a = colour
        for py in range(self.size):
            for px in range(self.size):
                hits = 0
                for sy in range(n):
                    for sx in range(n):
                        u = (px + (sx + 0.5) / n) / self.size
                        v = (py + (sy + 0.5) / n) / self.size
                        if inside(u, v):
                            hits += 1
                if not hits:
                    continue
                cov = hits / (n * n) * a
                i = py * self.size + px
                dr, dg, db, da = self.pixels[i]
                oa = cov + da * (1 - cov)
                if oa <= 0:
                    continue
                mix = lambda s, d: (s * cov + d * da * (1 - cov)) / oa
                self.pixels[i] = (mix(r, dr), mix(g, dg), mix(b, db), oa)

    def save(self, name):
        out = [tuple(int(round(max(0.0, min(1.0, c)) * 255)) for c in p) for p in self.pixels]
        write_png(os.path.join(HERE, name), self.size, self.size, out)


def rect(x0, y0, x1, y1, radius=0.0):
    def inside(u, v):
        if not (x0 <= u <= x1 and y0 <= v <= y1):
            return False
        cx = min(max(u, x0 + radius), x1 - radius)
        cy = min(max(v, y0 + radius), y1 - radius)
        return (u - cx) ** 2 + (v - cy) ** 2 <= radius ** 2 + 1e-12
    return inside


def circle(cx, cy, r):
    return lambda u, v: (u - cx) ** 2 + (v - cy) ** 2 <= r * r


def polygon(points):
    def inside(u, v):
        hit = False
        j = len(points) - 1
        for i in range(len(points)):
            xi, yi = points[i]
            xj, yj = points[j]
            if (yi > v) != (yj > v) and u < (xj - xi) * (v - yi) / (yj - yi) + xi:
                hit = not hit
            j = i
        return hit
    return inside


def thick_line(x0, y0, x1, y1, w):
    def inside(u, v):
        dx, dy = x1 - x0, y1 - y0
        t = max(0.0, min(1.0, ((u - x0) * dx + (v - y0) * dy) / (dx * dx + dy * dy)))
        return math.hypot(u - (x0 + t * dx), v - (y0 + t * dy)) <= w / 2
    return inside


def hexc(text, alpha=1.0):
    return tuple(int(text[i:i + 2], 16) / 255 for i in (0, 2, 4)) + (alpha,)


PIN = hexc("c9ccd1")
BODY = hexc("2b2f36")


def chip(c, x0, y0, x1, y1, pins, pin_len):
    """A DIP package seen from above, pins on the left and right edges."""
    step = (y1 - y0) / pins
    for k in range(pins):
        py = y0 + step * (k + 0.5)
        h = step * 0.28
        c.fill(rect(x0 - pin_len, py - h, x0 + 0.01, py + h, h * 0.4), PIN)
        c.fill(rect(x1 - 0.01, py - h, x1 + pin_len, py + h, h * 0.4), PIN)
    c.fill(rect(x0, y0, x1, y1, (x1 - x0) * 0.06), BODY)
    mid = (x0 + x1) / 2
    c.fill(circle(mid, y0, (x1 - x0) * 0.12), (0, 0, 0, 0.0))
    notch = circle(mid, y0, (x1 - x0) * 0.11)
    c.fill(lambda u, v: notch(u, v) and v >= y0, hexc("15171b"))
    c.fill(circle(x0 + (x1 - x0) * 0.2, y0 + (x1 - x0) * 0.2, (x1 - x0) * 0.06), hexc("4a505a"))


def device_image():
    c = Canvas(256)
    chip(c, 0.28, 0.10, 0.72, 0.90, 8, 0.12)
    c.fill(polygon([(0.38, 0.52), (0.46, 0.52), (0.46, 0.34), (0.54, 0.34), (0.54, 0.52), (0.62, 0.52),
                    (0.50, 0.68)]), hexc("3fb6ff"))
    c.save("device.png")


def icon_image():
    c = Canvas(256)
    c.fill(rect(0.02, 0.02, 0.98, 0.98, 0.18), hexc("1e5aa8"))
    chip(c, 0.30, 0.16, 0.70, 0.84, 6, 0.10)
    c.fill(thick_line(0.38, 0.50, 0.47, 0.62, 0.07), hexc("5bd66f"))
    c.fill(thick_line(0.47, 0.62, 0.63, 0.36, 0.07), hexc("5bd66f"))
    c.save("icon.png")


def compile_image():
    c = Canvas(32)
    c.fill(polygon([(0.12, 0.06), (0.62, 0.06), (0.80, 0.24), (0.80, 0.94), (0.12, 0.94)]), hexc("f4f4f0"))
    c.fill(polygon([(0.62, 0.06), (0.80, 0.24), (0.62, 0.24)]), hexc("c8c8c0"))
    for k, w in enumerate((0.44, 0.32, 0.40)):
        y = 0.36 + k * 0.14
        c.fill(rect(0.22, y, 0.22 + w, y + 0.06), hexc("5a6270"))
    c.fill(circle(0.74, 0.76, 0.22), hexc("e07b1f"))
    c.fill(polygon([(0.64, 0.64), (0.88, 0.76), (0.64, 0.88)]), hexc("ffffff"))
    c.save("compile.png")


def open_image():
    c = Canvas(16)
    c.fill(rect(0.04, 0.16, 0.44, 0.34, 0.05), hexc("c9901c"))
    c.fill(rect(0.04, 0.26, 0.88, 0.86, 0.05), hexc("d9a126"))
    c.fill(polygon([(0.16, 0.44), (0.98, 0.44), (0.86, 0.86), (0.04, 0.86)]), hexc("f6c64a"))
    c.save("open.png")


def save_image():
    c = Canvas(16)
    c.fill(rect(0.06, 0.06, 0.94, 0.94, 0.08), hexc("2f5fa8"))
    c.fill(rect(0.24, 0.06, 0.76, 0.38), hexc("e8ecf2"))
    c.fill(rect(0.58, 0.10, 0.70, 0.32), hexc("2f5fa8"))
    c.fill(rect(0.18, 0.54, 0.82, 0.94), hexc("f6f6f6"))
    c.save("save.png")


if __name__ == "__main__":
    icon_image()
    device_image()
    compile_image()
    open_image()
    save_image()
