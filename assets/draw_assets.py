#!/usr/bin/python3
"""Draws the program icon and the window picture and writes them as .ico files.

    assets/draw_assets.py        # rewrites TolvarUpdate.ico and WindowPicture.ico here

The build uses the committed .ico files; run this only after changing a drawing.
Shapes are described in a 48-unit square, sampled 4 x 4 times per pixel, and
each pixel takes the nearest colour of a fixed palette (16 or 256 colours).
Pixels that shapes cover less than half are transparent.
"""

import math
import struct
from pathlib import Path

HERE = Path(__file__).resolve().parent
SAMPLES = 4

VGA16 = [(0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128), (0, 128, 128),
         (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0), (0, 0, 255),
         (255, 0, 255), (0, 255, 255), (255, 255, 255)]
# A colour cube, the 16 colours above and a ramp of greys: 256 in all.
CUBE = [(r * 51, g * 51, b * 51) for r in range(6) for g in range(6) for b in range(6)]
GREYS = [(v, v, v) for v in range(8, 248, 10)]
PALETTE256 = CUBE + VGA16 + GREYS
assert len(PALETTE256) == 256


def lerp(a, b, t):
    t = min(max(t, 0.0), 1.0)
    return tuple(round(x + (y - x) * t) for x, y in zip(a, b))


def near_segment(x, y, ax, ay, bx, by):
    dx, dy = bx - ax, by - ay
    t = max(0.0, min(1.0, ((x - ax) * dx + (y - ay) * dy) / (dx * dx + dy * dy)))
    return math.hypot(x - ax - t * dx, y - ay - t * dy)


def bezier(points, steps=24):
    (ax, ay), (bx, by), (cx, cy) = points
    return [((1 - t) ** 2 * ax + 2 * (1 - t) * t * bx + t * t * cx,
             (1 - t) ** 2 * ay + 2 * (1 - t) * t * by + t * t * cy)
            for t in (i / steps for i in range(steps + 1))]


def near_polyline(x, y, line):
    return min(near_segment(x, y, *line[i], *line[i + 1]) for i in range(len(line) - 1))


# --- the window picture: a globe with a network cable and plug -----------------
GLOBE_X, GLOBE_Y, GLOBE_R = 20.0, 20.0, 18.0
CABLE = bezier([(22.0, 37.5), (24.0, 44.0), (34.5, 41.0)])
LAND = [(12.5, 13.0, 5.5, 7.5), (17.0, 27.0, 4.0, 6.5), (27.5, 15.0, 5.5, 4.0), (28.5, 24.5, 4.0, 6.0),
        (23.0, 6.5, 4.0, 2.5)]


def globe(x, y):
    dx, dy = (x - GLOBE_X) / GLOBE_R, (y - GLOBE_Y) / GLOBE_R
    if dx * dx + dy * dy > 1.0:
        return None
    if dx * dx + dy * dy > 0.88:
        return (0, 0, 110)  # rim
    shade = (dx + dy + 1.4) / 2.8
    for k in (0.0, 0.5, 0.85):  # meridians
        width = math.sqrt(max(0.0, 1.0 - dy * dy)) * k
        if abs(abs(dx) - width) < 0.055:
            return (200, 240, 255)
    for lat in (-0.55, 0.0, 0.55):  # parallels
        if abs(dy - lat) < 0.05:
            return (200, 240, 255)
    for lx, ly, rx, ry in LAND:
        if ((x - lx) / rx) ** 2 + ((y - ly) / ry) ** 2 <= 1.0:
            return lerp((90, 220, 70), (0, 110, 0), shade)
    return lerp((90, 170, 255), (0, 40, 170), shade)


def plug(x, y):
    if 37.0 <= x <= 46.5 and 37.0 <= y <= 44.5:
        if 44.0 <= x and 38.0 <= y <= 43.5 and int(y * 2) % 2 == 0:
            return (255, 220, 0)  # contacts
        if x < 37.8 or x > 45.7 or y < 37.8 or y > 43.7:
            return (70, 70, 70)
        return lerp((235, 235, 235), (160, 160, 160), (y - 37.0) / 7.5)
    if 33.5 <= x < 37.0 and 38.5 <= y <= 43.0:
        return (40, 40, 40)  # strain relief
    return None


def cable(x, y):
    distance = near_polyline(x, y, CABLE)
    if distance < 0.6:
        return (120, 120, 120)
    if distance < 1.6:
        return (30, 30, 30)
    return None


def window_picture(x, y):
    return plug(x, y) or cable(x, y) or globe(x, y)


# --- the program icon: circling arrows around a downward arrow -----------------
def program_icon(x, y):
    dx, dy = x - 24.0, y - 24.0
    radius = math.hypot(dx, dy)
    angle = math.degrees(math.atan2(dy, dx)) % 360
    # Down arrow: a shaft and a head.
    if 20.5 <= x <= 27.5 and 11.0 <= y <= 26.0:
        return (0, 60, 200)
    if 26.0 <= y <= 36.0 and abs(dx) <= (36.0 - y) * 1.1:
        return (0, 60, 200)
    # Two arcs, each ending in an arrowhead.
    for start, end in ((200.0, 330.0), (20.0, 150.0)):
        if 17.0 <= radius <= 22.0 and start <= angle <= end:
            return (0, 170, 0)
        tip = math.radians(end + 22.0)
        base = math.radians(end)
        tx, ty = 24 + 19.5 * math.cos(tip), 24 + 19.5 * math.sin(tip)
        bx1, by1 = 24 + 13.0 * math.cos(base), 24 + 13.0 * math.sin(base)
        bx2, by2 = 24 + 26.0 * math.cos(base), 24 + 26.0 * math.sin(base)
        if in_triangle(x, y, (tx, ty), (bx1, by1), (bx2, by2)):
            return (0, 140, 0)
    return None


def in_triangle(x, y, a, b, c):
    def side(p, q):
        return (q[0] - p[0]) * (y - p[1]) - (q[1] - p[1]) * (x - p[0])
    s1, s2, s3 = side(a, b), side(b, c), side(c, a)
    return (s1 >= 0 and s2 >= 0 and s3 >= 0) or (s1 <= 0 and s2 <= 0 and s3 <= 0)


# --- rendering and the .ico format ----------------------------------------------
def render(drawing, size, palette):
    """Rows of palette indexes (None = transparent), top row first."""
    rows = []
    for py in range(size):
        row = []
        for px in range(size):
            covered = []
            for sy in range(SAMPLES):
                for sx in range(SAMPLES):
                    x = (px + (sx + 0.5) / SAMPLES) * 48.0 / size
                    y = (py + (sy + 0.5) / SAMPLES) * 48.0 / size
                    colour = drawing(x, y)
                    if colour:
                        covered.append(colour)
            if len(covered) * 2 < SAMPLES * SAMPLES:
                row.append(None)
                continue
            mean = tuple(sum(c[i] for c in covered) / len(covered) for i in range(3))
            row.append(min(range(len(palette)),
                           key=lambda i: sum((palette[i][k] - mean[k]) ** 2 for k in range(3))))
        rows.append(row)
    return rows


def padded(data):
    return data + b"\0" * (-len(data) % 4)


def dib(rows, palette, bits):
    size = len(rows)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, bits, 0, 0, 0, 0, len(palette), 0)
    colours = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in palette)
    pixels = b""
    mask = b""
    for row in reversed(rows):  # bottom-up
        indexes = [i if i is not None else 0 for i in row]
        if bits == 4:
            line = bytes((indexes[i] << 4) | indexes[i + 1] for i in range(0, size, 2))
        else:
            line = bytes(indexes)
        pixels += padded(line)
        bitsline = 0
        for transparent in (i is None for i in row):
            bitsline = (bitsline << 1) | transparent
        mask += padded(bitsline.to_bytes(size // 8, "big"))
    return header + colours + pixels + mask


def write_ico(path, images):
    """images: (rows, palette, bits) each."""
    blobs = [dib(*image) for image in images]
    offset = 6 + 16 * len(blobs)
    entries = b""
    for (rows, palette, bits), blob in zip(images, blobs):
        size = len(rows)
        entries += struct.pack("<BBBBHHII", size % 256, size % 256, len(palette) % 256, 0, 1, bits,
                               len(blob), offset)
        offset += len(blob)
    path.write_bytes(struct.pack("<HHH", 0, 1, len(blobs)) + entries + b"".join(blobs))


def main():
    write_ico(HERE / "TolvarUpdate.ico", [(render(program_icon, 32, VGA16), VGA16, 4)])
    write_ico(HERE / "WindowPicture.ico",
              [(render(window_picture, size, VGA16), VGA16, 4) for size in (48, 32, 16)] +
              [(render(window_picture, size, PALETTE256), PALETTE256, 8) for size in (48, 32, 24, 16)])


if __name__ == "__main__":
    main()
