#!/usr/bin/python3
"""Draws the map's compass picture, data/compass.png: an "N" over a four-pointed star in a ring,
black on white, so that drawn with the AND raster operation the white leaves the map visible.

    /usr/bin/python3 scripts/draw_compass.py data/compass.png

Plain Python (zlib only): each pixel is sampled 4 x 4 times and set black when at least half of
its samples fall inside the art, which keeps the picture purely black and white.
"""

import math
import struct
import sys
import zlib

WIDTH, HEIGHT = 44, 60
CENTRE = (22.0, 37.0)
SAMPLES = 4


def inside_polygon(x, y, points):
    """Even-odd test of (x, y) against a closed polygon."""
    inside = False
    j = len(points) - 1
    for i, (xi, yi) in enumerate(points):
        xj, yj = points[j]
        if (yi > y) != (yj > y) and x < (xj - xi) * (y - yi) / (yj - yi) + xi:
            inside = not inside
        j = i
    return inside


def near_segment(x, y, a, b, half_width):
    ax, ay = a
    bx, by = b
    dx, dy = bx - ax, by - ay
    length2 = dx * dx + dy * dy
    t = 0.0 if length2 == 0 else max(0.0, min(1.0, ((x - ax) * dx + (y - ay) * dy) / length2))
    px, py = ax + t * dx, ay + t * dy
    return (x - px) ** 2 + (y - py) ** 2 <= half_width * half_width


def outline_hit(x, y, points, half_width):
    return any(near_segment(x, y, points[i], points[(i + 1) % len(points)], half_width)
               for i in range(len(points)))


def star_points(length, waist, angle):
    """One point of the star as two triangles (left and right of its axis), pointing at angle
    (0 = up, clockwise in degrees)."""
    cx, cy = CENTRE
    a = math.radians(angle)
    tip = (cx + length * math.sin(a), cy - length * math.cos(a))
    left = (cx + waist * math.sin(a - math.pi / 2), cy - waist * math.cos(a - math.pi / 2))
    right = (cx + waist * math.sin(a + math.pi / 2), cy - waist * math.cos(a + math.pi / 2))
    return [CENTRE, left, tip], [CENTRE, tip, right]


# Each point has one half filled and the other outlined, so the star reads in relief.
POINTS = []
for angle, length in ((0, 21.0), (90, 14.0), (180, 14.0), (270, 14.0)):
    filled, hollow = star_points(length, 4.5, angle)
    POINTS.append((filled, hollow))
# The small diagonal points between the main ones.
DIAGONALS = [star_points(8.5, 2.5, angle) for angle in (45, 135, 225, 315)]

# The letter N above the star, as three strokes.
N_STROKES = [((16.5, 12.0), (16.5, 2.0)), ((16.5, 2.0), (27.5, 12.0)), ((27.5, 12.0), (27.5, 2.0))]


def black(x, y):
    cx, cy = CENTRE
    r = math.hypot(x - cx, y - cy)
    if abs(r - 16.0) <= 0.6:
        return True
    for filled, hollow in POINTS:
        if inside_polygon(x, y, filled) or outline_hit(x, y, hollow, 0.6):
            return True
    for filled, hollow in DIAGONALS:
        if inside_polygon(x, y, filled) or outline_hit(x, y, hollow, 0.5):
            return True
    return any(near_segment(x, y, a, b, 1.1) for a, b in N_STROKES)


def pixels():
    rows = []
    for py in range(HEIGHT):
        row = bytearray()
        for px in range(WIDTH):
            hits = 0
            for sy in range(SAMPLES):
                for sx in range(SAMPLES):
                    if black(px + (sx + 0.5) / SAMPLES, py + (sy + 0.5) / SAMPLES):
                        hits += 1
            row.append(0 if 2 * hits >= SAMPLES * SAMPLES else 255)
        rows.append(bytes(row))
    return rows


def png(rows):
    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    raw = b"".join(b"\x00" + bytes(v for g in row for v in (g, g, g)) for row in rows)
    header = struct.pack(">IIBBBBB", WIDTH, HEIGHT, 8, 2, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(raw, 9)) +
            chunk(b"IEND", b""))


def main():
    if len(sys.argv) != 2:
        sys.exit("usage: draw_compass.py OUT.png")
    with open(sys.argv[1], "wb") as out:
        out.write(png(pixels()))


if __name__ == "__main__":
    main()
