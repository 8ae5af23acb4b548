#!/usr/bin/env python3
"""Draws the program's icon: a folded map sheet with a route and a red marker on a blue tile.

The same shapes are written as SVG (scalable, for the hicolor theme) and rasterised into PNGs
of 48 and 128 pixels with 4 x 4 supersampling, using nothing but the standard library.
"""
import math
import struct
import sys
import zlib

# Shapes on a 128 x 128 canvas, drawn in order: (kind, colour, data).
TILE = ("roundrect", (31, 78, 121), (4, 4, 124, 124, 22))
SHEET = [
    ("polygon", (236, 236, 214), [(22, 30), (50, 22), (78, 30), (106, 22), (106, 98), (78, 106), (50, 98), (22, 106)]),
    ("polygon", (214, 214, 190), [(50, 22), (78, 30), (78, 106), (50, 98)]),
]
ROUTE = ("polyline", (196, 40, 40), ([(28, 88), (46, 76), (60, 80), (76, 62), (98, 52)], 4.5))
RIVER = ("polyline", (52, 110, 200), ([(30, 44), (48, 52), (62, 46), (82, 56), (102, 48)], 3.5))
PIN = ("pin", (210, 30, 30), (76, 40, 13))
SHAPES = [TILE] + SHEET + [RIVER, ROUTE, PIN]


def hexcolour(c):
    return "#%02x%02x%02x" % c


def svg():
    out = ['<svg xmlns="http://www.w3.org/2000/svg" width="128" height="128" viewBox="0 0 128 128">']
    for kind, colour, data in SHAPES:
        fill = hexcolour(colour)
        if kind == "roundrect":
            x1, y1, x2, y2, r = data
            out.append(f'<rect x="{x1}" y="{y1}" width="{x2 - x1}" height="{y2 - y1}" rx="{r}" fill="{fill}"/>')
        elif kind == "polygon":
            pts = " ".join(f"{x},{y}" for x, y in data)
            out.append(f'<polygon points="{pts}" fill="{fill}"/>')
        elif kind == "polyline":
            pts, width = data
            d = " ".join(f"{x},{y}" for x, y in pts)
            out.append(f'<polyline points="{d}" fill="none" stroke="{fill}" stroke-width="{width}" '
                       'stroke-linecap="round" stroke-linejoin="round"/>')
        elif kind == "pin":
            cx, cy, r = data
            out.append(f'<path d="M{cx},{cy + 2.2 * r} L{cx - r * 0.87},{cy + r * 0.5} '
                       f'A{r},{r} 0 1 1 {cx + r * 0.87},{cy + r * 0.5} Z" fill="{fill}"/>')
            out.append(f'<circle cx="{cx}" cy="{cy}" r="{r * 0.42}" fill="#ffffff"/>')
    out.append("</svg>")
    return "\n".join(out) + "\n"


def inside_polygon(x, y, pts):
    inside = False
    j = len(pts) - 1
    for i in range(len(pts)):
        xi, yi = pts[i]
        xj, yj = pts[j]
        if (yi > y) != (yj > y) and x < (xj - xi) * (y - yi) / (yj - yi) + xi:
            inside = not inside
        j = i
    return inside


def near_polyline(x, y, pts, width):
    for (ax, ay), (bx, by) in zip(pts, pts[1:]):
        dx, dy = bx - ax, by - ay
        t = max(0.0, min(1.0, ((x - ax) * dx + (y - ay) * dy) / (dx * dx + dy * dy)))
        if math.hypot(x - ax - t * dx, y - ay - t * dy) <= width / 2:
            return True
    return False


def colour_at(x, y):
    colour = None
    for kind, c, data in SHAPES:
        if kind == "roundrect":
            x1, y1, x2, y2, r = data
            cx = min(max(x, x1 + r), x2 - r)
            cy = min(max(y, y1 + r), y2 - r)
            if x1 <= x <= x2 and y1 <= y <= y2 and math.hypot(x - cx, y - cy) <= r:
                colour = c
        elif kind == "polygon" and inside_polygon(x, y, data):
            colour = c
        elif kind == "polyline" and near_polyline(x, y, data[0], data[1]):
            colour = c
        elif kind == "pin":
            cx, cy, r = data
            tip = (cx, cy + 2.2 * r)
            tri = [tip, (cx - r * 0.87, cy + r * 0.5), (cx + r * 0.87, cy + r * 0.5)]
            if math.hypot(x - cx, y - cy) <= r or inside_polygon(x, y, tri):
                colour = c
                if math.hypot(x - cx, y - cy) <= r * 0.42:
                    colour = (255, 255, 255)
    return colour


def png(size):
    scale = 128.0 / size
    sub = 4
    rows = []
    for py in range(size):
        row = bytearray([0])
        for px in range(size):
            acc = [0, 0, 0, 0]
            for sy in range(sub):
                for sx in range(sub):
                    c = colour_at((px + (sx + 0.5) / sub) * scale, (py + (sy + 0.5) / sub) * scale)
                    if c is not None:
                        acc[0] += c[0]
                        acc[1] += c[1]
                        acc[2] += c[2]
                        acc[3] += 255
            n = sub * sub
            alpha = acc[3] // n
            if alpha:
                covered = acc[3] // 255
                row += bytes([acc[0] // covered, acc[1] // covered, acc[2] // covered, alpha])
            else:
                row += bytes([0, 0, 0, 0])
        rows.append(bytes(row))

    def chunk(tag, data):
        return struct.pack(">I", len(data)) + tag + data + struct.pack(">I", zlib.crc32(tag + data) & 0xFFFFFFFF)

    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)) +
            chunk(b"IDAT", zlib.compress(b"".join(rows), 9)) + chunk(b"IEND", b""))


if __name__ == "__main__":
    folder = sys.argv[1] if len(sys.argv) > 1 else "."
    with open(f"{folder}/tolvane.svg", "w") as f:
        f.write(svg())
    for size in (48, 128):
        with open(f"{folder}/tolvane-{size}.png", "wb") as f:
            f.write(png(size))
