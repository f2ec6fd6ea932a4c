#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Draws every picture of the monitor: tray icons, application icon, enclosure pictures.

Each picture is a list of simple shapes in design units. The same list is written out as an
SVG source and rasterised (4x4 or 8x8 supersampling) into PNG or 24-bit BMP files, so the
vector and bitmap versions always agree. Only the Python standard library is used, and the
output is deterministic: running the script twice gives identical files.

Usage: python3 resources/tools/draw_images.py [output-dir]
The default output directory is resources/images next to this script's folder.
"""

import math
import os
import struct
import sys
import zlib

# --------------------------------------------------------------------------- colours


def rgb(hexstr, alpha=1.0):
    hexstr = hexstr.lstrip("#")
    return (int(hexstr[0:2], 16), int(hexstr[2:4], 16), int(hexstr[4:6], 16), alpha)


class Gradient:
    """Vertical linear gradient between two colours over [y0, y1] in design units."""

    def __init__(self, top, bottom, y0, y1):
        self.top, self.bottom, self.y0, self.y1 = top, bottom, y0, y1

    def at(self, y):
        if self.y1 == self.y0:
            t = 0.0
        else:
            t = min(1.0, max(0.0, (y - self.y0) / (self.y1 - self.y0)))
        return tuple(a + (b - a) * t for a, b in zip(self.top, self.bottom))


def colour_at(paint, y):
    return paint.at(y) if isinstance(paint, Gradient) else paint


# --------------------------------------------------------------------------- shapes


class Shape:
    def __init__(self, paint):
        self.paint = paint


class RoundRect(Shape):
    def __init__(self, x, y, w, h, r, paint):
        super().__init__(paint)
        self.x, self.y, self.w, self.h, self.r = x, y, w, h, min(r, w / 2, h / 2)

    def bbox(self):
        return self.x, self.y, self.x + self.w, self.y + self.h

    def inside(self, px, py):
        if px < self.x or px > self.x + self.w or py < self.y or py > self.y + self.h:
            return False
        r = self.r
        if r <= 0:
            return True
        cx = min(max(px, self.x + r), self.x + self.w - r)
        cy = min(max(py, self.y + r), self.y + self.h - r)
        return (px - cx) ** 2 + (py - cy) ** 2 <= r * r

    def svg(self, fill):
        return (f'<rect x="{fmt(self.x)}" y="{fmt(self.y)}" width="{fmt(self.w)}" '
                f'height="{fmt(self.h)}" rx="{fmt(self.r)}" fill="{fill}"/>')


class Frame(Shape):
    """Outline of a rounded rectangle: the ring between the outer and the inset shape."""

    def __init__(self, x, y, w, h, r, width, paint):
        super().__init__(paint)
        self.outer = RoundRect(x, y, w, h, r, paint)
        self.inner = RoundRect(x + width, y + width, w - 2 * width, h - 2 * width,
                               max(0.0, r - width), paint)
        self.geom = (x + width / 2, y + width / 2, w - width, h - width, max(0.0, r - width / 2))
        self.width = width

    def bbox(self):
        return self.outer.bbox()

    def inside(self, px, py):
        return self.outer.inside(px, py) and not self.inner.inside(px, py)

    def svg(self, fill):
        x, y, w, h, r = self.geom
        return (f'<rect x="{fmt(x)}" y="{fmt(y)}" width="{fmt(w)}" height="{fmt(h)}" '
                f'rx="{fmt(r)}" fill="none" stroke="{fill}" stroke-width="{fmt(self.width)}"/>')


class Circle(Shape):
    def __init__(self, cx, cy, r, paint):
        super().__init__(paint)
        self.cx, self.cy, self.r = cx, cy, r

    def bbox(self):
        return self.cx - self.r, self.cy - self.r, self.cx + self.r, self.cy + self.r

    def inside(self, px, py):
        return (px - self.cx) ** 2 + (py - self.cy) ** 2 <= self.r * self.r

    def svg(self, fill):
        return f'<circle cx="{fmt(self.cx)}" cy="{fmt(self.cy)}" r="{fmt(self.r)}" fill="{fill}"/>'


class Stroke(Shape):
    """A polyline drawn with round caps and joins."""

    def __init__(self, points, width, paint):
        super().__init__(paint)
        self.points, self.half = points, width / 2

    def bbox(self):
        xs = [p[0] for p in self.points]
        ys = [p[1] for p in self.points]
        return min(xs) - self.half, min(ys) - self.half, max(xs) + self.half, max(ys) + self.half

    def inside(self, px, py):
        h2 = self.half * self.half
        for (ax, ay), (bx, by) in zip(self.points, self.points[1:]):
            dx, dy = bx - ax, by - ay
            length2 = dx * dx + dy * dy
            t = 0.0 if length2 == 0 else max(0.0, min(1.0, ((px - ax) * dx + (py - ay) * dy) / length2))
            qx, qy = ax + t * dx - px, ay + t * dy - py
            if qx * qx + qy * qy <= h2:
                return True
        return False

    def svg(self, fill):
        pts = " ".join(f"{fmt(x)},{fmt(y)}" for x, y in self.points)
        return (f'<polyline points="{pts}" fill="none" stroke="{fill}" '
                f'stroke-width="{fmt(self.half * 2)}" stroke-linecap="round" '
                f'stroke-linejoin="round"/>')


def fmt(v):
    text = f"{v:.3f}".rstrip("0").rstrip(".")
    return text if text not in ("-0", "") else "0"


# --------------------------------------------------------------------------- output


def svg_colour(c):
    return f"#{int(round(c[0])):02x}{int(round(c[1])):02x}{int(round(c[2])):02x}"


def to_svg(width, height, shapes, background=None):
    defs, body = [], []
    if background is not None:
        body.append(f'<rect width="{width}" height="{height}" fill="{svg_colour(background)}"/>')
    for shape in shapes:
        paint = shape.paint
        if isinstance(paint, Gradient):
            gid = f"g{len(defs)}"
            defs.append(
                f'<linearGradient id="{gid}" gradientUnits="userSpaceOnUse" x1="0" '
                f'y1="{fmt(paint.y0)}" x2="0" y2="{fmt(paint.y1)}">'
                f'<stop offset="0" stop-color="{svg_colour(paint.top)}" '
                f'stop-opacity="{fmt(paint.top[3])}"/>'
                f'<stop offset="1" stop-color="{svg_colour(paint.bottom)}" '
                f'stop-opacity="{fmt(paint.bottom[3])}"/></linearGradient>')
            fill = f"url(#{gid})"
        else:
            fill = svg_colour(paint)
            if paint[3] < 1.0:
                body.append(f'<g opacity="{fmt(paint[3])}">{shape.svg(fill)}</g>')
                continue
        body.append(shape.svg(fill))
    out = [f'<svg xmlns="http://www.w3.org/2000/svg" width="{width}" height="{height}" '
           f'viewBox="0 0 {width} {height}">']
    if defs:
        out.append("<defs>" + "".join(defs) + "</defs>")
    out.extend(body)
    out.append("</svg>")
    return "\n".join(out) + "\n"


def rasterise(design_w, design_h, shapes, px_w, px_h, background=None):
    """Returns rows of premultiplied-free RGBA floats (0..255, alpha 0..1)."""
    sx, sy = px_w / design_w, px_h / design_h
    ss = 8 if px_w <= 32 else 4
    offsets = [(i + 0.5) / ss for i in range(ss)]
    img = [[(0.0, 0.0, 0.0, 0.0) if background is None else background for _ in range(px_w)]
           for _ in range(px_h)]
    for shape in shapes:
        x0, y0, x1, y1 = shape.bbox()
        cx0, cx1 = max(0, int(math.floor(x0 * sx))), min(px_w, int(math.ceil(x1 * sx)))
        cy0, cy1 = max(0, int(math.floor(y0 * sy))), min(px_h, int(math.ceil(y1 * sy)))
        for py in range(cy0, cy1):
            row = img[py]
            design_y = (py + 0.5) / sy
            colour = colour_at(shape.paint, design_y)
            for px in range(cx0, cx1):
                hits = 0
                for oy in offsets:
                    dy = (py + oy) / sy
                    for ox in offsets:
                        if shape.inside((px + ox) / sx, dy):
                            hits += 1
                if not hits:
                    continue
                a = colour[3] * hits / (ss * ss)
                dr, dg, db, da = row[px]
                out_a = a + da * (1 - a)
                if out_a <= 0:
                    continue
                mix = lambda s, d: (s * a + d * da * (1 - a)) / out_a  # noqa: E731
                row[px] = (mix(colour[0], dr), mix(colour[1], dg), mix(colour[2], db), out_a)
    return img


def write_png(path, img):
    height, width = len(img), len(img[0])
    raw = bytearray()
    for row in img:
        raw.append(0)
        for r, g, b, a in row:
            raw += bytes((clamp(r), clamp(g), clamp(b), clamp(a * 255)))

    def chunk(kind, data):
        return (struct.pack(">I", len(data)) + kind + data +
                struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF))

    png = b"\x89PNG\r\n\x1a\n"
    png += chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0))
    png += chunk(b"IDAT", zlib.compress(bytes(raw), 9))
    png += chunk(b"IEND", b"")
    with open(path, "wb") as f:
        f.write(png)


def write_bmp(path, img):
    """24-bit uncompressed BMP, bottom-up rows padded to four bytes."""
    height, width = len(img), len(img[0])
    stride = (width * 3 + 3) & ~3
    pixels = bytearray()
    for row in reversed(img):
        line = bytearray()
        for r, g, b, _a in row:
            line += bytes((clamp(b), clamp(g), clamp(r)))
        line += b"\0" * (stride - len(line))
        pixels += line
    header = struct.pack("<2sIHHI", b"BM", 14 + 40 + len(pixels), 0, 0, 14 + 40)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    with open(path, "wb") as f:
        f.write(header + info + pixels)


def clamp(v):
    return max(0, min(255, int(round(v))))


# --------------------------------------------------------------------------- drawings

WHITE = rgb("#ffffff")

STATUS_COLOURS = {
    0: ("#a3a9b1", "#646b74", "#4d535b"),  # grey: waiting, nothing evaluated yet
    1: ("#4cc25a", "#1f8a2e", "#16692a"),  # green: all well
    2: ("#f0524e", "#b81d1a", "#8c1210"),  # red: problem
}


def status_icon(n):
    """Tray icon in a 32-unit square: a disc with a glyph (dots, check mark, exclamation)."""
    top, bottom, rim = STATUS_COLOURS[n]
    shapes = [
        Circle(16, 16, 15.2, rgb(rim)),
        Circle(16, 16, 13.6, Gradient(rgb(top), rgb(bottom), 2.4, 29.6)),
    ]
    if n == 0:
        shapes += [Circle(x, 16, 2.7, WHITE) for x in (8.6, 16, 23.4)]
    elif n == 1:
        shapes.append(Stroke([(8.6, 16.4), (13.8, 21.8), (23.6, 10.6)], 4.4, WHITE))
    else:
        shapes.append(Stroke([(16, 7.6), (16, 17.6)], 4.6, WHITE))
        shapes.append(Circle(16, 23.6, 2.6, WHITE))
    return 32, 32, shapes


def enclosure(x, y, w, h, bays_missing=(False, False), digits=False):
    """Front of a two-bay enclosure; bay 0 (Disk1) on top, bay 1 (Disk2) below."""
    u = h / 100.0  # one percent of the body height
    shapes = [
        RoundRect(x, y + h - 2 * u, w, 6 * u, 3 * u, rgb("#2a2f36")),  # shadow strip/feet
        RoundRect(x, y, w, h, 7 * u, Gradient(rgb("#7d8794"), rgb("#3c444e"), y, y + h)),
        RoundRect(x + 2.5 * u, y + 2.5 * u, w - 5 * u, h - 5 * u, 5.5 * u,
                  Gradient(rgb("#5b6571"), rgb("#2f353d"), y, y + h)),
    ]
    left = x + (18 if digits else 9) * u
    bay_w = w - (left - x) - 9 * u
    bay_h = 31 * u
    for index, missing in enumerate(bays_missing):
        by = y + (13 + index * 39) * u
        shapes.append(RoundRect(left, by, bay_w, bay_h, 3 * u, rgb("#14171b")))
        if missing:
            # Empty slot: a dark opening with a red cross and an unlit lamp.
            shapes.append(Frame(left, by, bay_w, bay_h, 3 * u, 1.6 * u, rgb("#6d757f")))
            cx, cy, d = left + bay_w * 0.45, by + bay_h / 2, bay_h * 0.28
            shapes.append(Stroke([(cx - d, cy - d), (cx + d, cy + d)], 5 * u, rgb("#e0332f")))
            shapes.append(Stroke([(cx - d, cy + d), (cx + d, cy - d)], 5 * u, rgb("#e0332f")))
            shapes.append(Circle(left + bay_w - 9 * u, cy, 3.6 * u, rgb("#3a3f45")))
        else:
            # Drive tray with a grip and a green activity lamp.
            tray = RoundRect(left + 2 * u, by + 2 * u, bay_w - 4 * u, bay_h - 4 * u, 2.5 * u,
                             Gradient(rgb("#e4e8ed"), rgb("#9aa3ae"), by, by + bay_h))
            shapes.append(tray)
            shapes.append(RoundRect(left + 8 * u, by + bay_h / 2 - 4 * u, bay_w * 0.42, 8 * u,
                                    4 * u, Gradient(rgb("#6b747f"), rgb("#454c55"), by, by + bay_h)))
            for k in range(4):
                gx = left + bay_w * 0.58 + k * 5.5 * u
                shapes.append(RoundRect(gx, by + 8 * u, 2.2 * u, bay_h - 16 * u, 1.1 * u,
                                        rgb("#7f8893")))
            shapes.append(Circle(left + bay_w - 9 * u, by + bay_h / 2, 4.4 * u, rgb("#0f3d14")))
            shapes.append(Circle(left + bay_w - 9 * u, by + bay_h / 2, 3.4 * u, rgb("#45e055")))
        if digits:
            shapes.append(digit(index + 1, x + 10.5 * u, by + bay_h / 2, 8.5 * u, 2.6 * u))
    # Power lamp at the bottom right.
    shapes.append(Circle(x + w - 10 * u, y + h - 7.5 * u, 2.6 * u, rgb("#5aa9ff")))
    return shapes


def digit(n, cx, cy, size, width):
    s = size / 2
    if n == 1:
        pts = [(cx - s * 0.45, cy - s * 0.6), (cx + s * 0.1, cy - s), (cx + s * 0.1, cy + s)]
    else:
        pts = [(cx - s * 0.55, cy - s * 0.5), (cx - s * 0.35, cy - s * 0.85), (cx, cy - s),
               (cx + s * 0.4, cy - s * 0.85), (cx + s * 0.55, cy - s * 0.45),
               (cx + s * 0.35, cy - s * 0.05), (cx - s * 0.6, cy + s), (cx + s * 0.65, cy + s)]
    return Stroke(pts, width, rgb("#e9edf2"))


def enclosure_picture(kind):
    """160x120 status window picture; kind 1..4 as in type1..type4."""
    missing = {1: (False, False), 2: (True, True), 3: (True, False), 4: (False, True)}[kind]
    return 160, 120, enclosure(14, 8, 132, 100, missing, digits=True)


def panel_picture():
    return 64, 64, enclosure(5, 9, 54, 44)


def app_icon():
    shapes = enclosure(3, 6, 40, 32)
    shapes += [
        Circle(36, 36, 10.5, rgb("#ffffff")),
        Circle(36, 36, 9.2, Gradient(rgb(STATUS_COLOURS[1][0]), rgb(STATUS_COLOURS[1][1]), 27, 45)),
        Stroke([(31.6, 36.4), (34.8, 39.6), (40.6, 32.8)], 2.8, WHITE),
    ]
    return 48, 48, shapes


ICON_SIZES = (16, 22, 24, 32, 48, 64, 128)
BMP_BACKGROUND = rgb("#eef0f3")


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..", "images")
    os.makedirs(out, exist_ok=True)

    def save_svg(name, drawing):
        w, h, shapes = drawing
        with open(os.path.join(out, name + ".svg"), "w", encoding="utf-8") as f:
            f.write(to_svg(w, h, shapes))

    for n in range(3):
        drawing = status_icon(n)
        save_svg(f"status{n}", drawing)
        for size in ICON_SIZES:
            img = rasterise(drawing[0], drawing[1], drawing[2], size, size)
            write_png(os.path.join(out, f"status{n}-{size}.png"), img)
            if size == 32:
                write_png(os.path.join(out, f"status{n}.png"), img)

    drawing = app_icon()
    save_svg("tamro-raid-monitor", drawing)
    for size in ICON_SIZES:
        img = rasterise(drawing[0], drawing[1], drawing[2], size, size)
        write_png(os.path.join(out, f"tamro-raid-monitor-{size}.png"), img)

    drawing = panel_picture()
    save_svg("QuelSATA", drawing)
    write_png(os.path.join(out, "QuelSATA.png"), rasterise(64, 64, drawing[2], 64, 64))

    for kind in range(1, 5):
        w, h, shapes = enclosure_picture(kind)
        with open(os.path.join(out, f"type{kind}.svg"), "w", encoding="utf-8") as f:
            f.write(to_svg(w, h, shapes, background=BMP_BACKGROUND))
        write_bmp(os.path.join(out, f"type{kind}.bmp"),
                  rasterise(w, h, shapes, w, h, background=BMP_BACKGROUND))


if __name__ == "__main__":
    main()
