#!/usr/bin/env python3
"""Writes res/qarvel.ico, the application icon: one 48 x 48 image with a
256-colour palette and a transparency mask, showing a blue eighth note
beside a grey loudspeaker with a golden rim.

Deterministic: the drawing uses only +, -, *, / and sqrt (all correctly
rounded in IEEE arithmetic), so every Python 3 on every machine writes the
same bytes. Standard library only.

    python3 res/make_icon.py            # writes res/qarvel.ico
    python3 res/make_icon.py --check    # fails unless res/qarvel.ico matches
"""

import argparse
import math
import os
import struct
import sys

SIZE = 48
SUB = 4  # samples per pixel along each axis

# The palette: the 16 standard Windows colours, then three ramps of 80
# shades, dark to light, one per material.
STANDARD = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
RAMP = 80
NOTE, SPEAKER, RIM = 0, 1, 2
RAMP_COLOURS = {
    NOTE: ((8, 24, 88), (24, 88, 220), (160, 205, 255)),
    SPEAKER: ((56, 56, 62), (140, 140, 148), (228, 228, 234)),
    RIM: ((118, 78, 8), (214, 162, 30), (255, 236, 150)),
}


def lerp(a, b, t):
    return a + (b - a) * t


def ramp_colour(material, i):
    dark, mid, light = RAMP_COLOURS[material]
    t = i / (RAMP - 1)
    if t < 0.5:
        lo, hi, u = dark, mid, t * 2
    else:
        lo, hi, u = mid, light, t * 2 - 1
    return tuple(int(lerp(lo[k], hi[k], u) + 0.5) for k in range(3))


def palette():
    colours = list(STANDARD)
    for material in (NOTE, SPEAKER, RIM):
        colours += [ramp_colour(material, i) for i in range(RAMP)]
    assert len(colours) == 256
    return colours


def ramp_index(material, intensity):
    intensity = min(1.0, max(0.0, intensity))
    return len(STANDARD) + material * RAMP + int(intensity * (RAMP - 1) + 0.5)


# --- geometry -------------------------------------------------------------

# The loudspeaker: a magnet box on the left, a cone opening to the right.
SPEAKER_OUTLINE = [(3, 17), (11, 17), (25, 6), (25, 42), (11, 31), (3, 31)]
RIM_WIDTH = 1.8

# The note head: an ellipse tilted up to the right (cos and sin of -25
# degrees as literals, so no library rounding enters the drawing).
HEAD_CENTRE = (33.2, 38.6)
HEAD_AXES = (5.8, 4.1)
HEAD_COS, HEAD_SIN = 0.9063077870366499, -0.42261826174069944
STEM = (37.4, 8.0, 39.6, 38.0)  # left, top, right, bottom
# The flag: a quadratic curve from the top of the stem, tapering.
FLAG = ((39.4, 9.4), (47.0, 14.0), (43.8, 27.0))
FLAG_WIDTH = (4.8, 1.8)
FLAG_STEPS = 120


def inside_polygon(x, y, points):
    inside = False
    n = len(points)
    for i in range(n):
        x1, y1 = points[i]
        x2, y2 = points[(i + 1) % n]
        if (y1 > y) != (y2 > y):
            cross = x1 + (y - y1) * (x2 - x1) / (y2 - y1)
            if x < cross:
                inside = not inside
    return inside


def segment_distance(x, y, a, b):
    ax, ay = a
    bx, by = b
    dx, dy = bx - ax, by - ay
    t = ((x - ax) * dx + (y - ay) * dy) / (dx * dx + dy * dy)
    t = min(1.0, max(0.0, t))
    px, py = ax + t * dx - x, ay + t * dy - y
    return math.sqrt(px * px + py * py)


def outline_distance(x, y, points):
    n = len(points)
    return min(segment_distance(x, y, points[i], points[(i + 1) % n]) for i in range(n))


def flag_points():
    (x0, y0), (x1, y1), (x2, y2) = FLAG
    points = []
    for i in range(FLAG_STEPS + 1):
        t = i / FLAG_STEPS
        u = 1 - t
        points.append((u * u * x0 + 2 * u * t * x1 + t * t * x2,
                       u * u * y0 + 2 * u * t * y1 + t * t * y2, t))
    return points


FLAG_CURVE = flag_points()


def in_flag(x, y):
    """The curve parameter of the nearest point when (x, y) is on the flag."""
    best, best_t = None, 0.0
    for px, py, t in FLAG_CURVE:
        d = (px - x) * (px - x) + (py - y) * (py - y)
        if best is None or d < best:
            best, best_t = d, t
    half = lerp(FLAG_WIDTH[0], FLAG_WIDTH[1], best_t) / 2
    return best_t if best <= half * half else None


def sample(x, y):
    """(material, intensity) at a point, or None where the icon is clear."""
    # The note and the loudspeaker do not overlap; the note is tested first.
    cx, cy = HEAD_CENTRE
    dx, dy = x - cx, y - cy
    u = dx * HEAD_COS - dy * HEAD_SIN
    v = dx * HEAD_SIN + dy * HEAD_COS
    a, b = HEAD_AXES
    head = (u / a) * (u / a) + (v / b) * (v / b)
    if head <= 1.0:
        # Lit from the upper left of the head.
        lx, ly = x - (cx - 2.0), y - (cy - 1.8)
        return NOTE, 0.95 - 0.09 * math.sqrt(lx * lx + ly * ly)
    left, top, right, bottom = STEM
    if left <= x <= right and top <= y <= bottom:
        return NOTE, 0.85 - 0.3 * (x - left) / (right - left)
    t = in_flag(x, y)
    if t is not None and x >= left:
        return NOTE, 0.8 - 0.35 * t

    if inside_polygon(x, y, SPEAKER_OUTLINE):
        edge = outline_distance(x, y, SPEAKER_OUTLINE)
        joint = abs(x - 11) < 0.8 and 17 < y < 31
        if edge < RIM_WIDTH or joint:
            return RIM, 1.0 - 0.012 * (y - 6) - 0.008 * (x - 3)
        if x < 11:
            return SPEAKER, 0.62 - 0.008 * (y - 17)
        # The cone: light towards its mouth and its upper half.
        return SPEAKER, 0.45 + 0.022 * (x - 11) - 0.006 * (y - 6)
    return None


def render():
    """Rows top to bottom of (palette index, opaque)."""
    samples = SUB * SUB
    pixels = []
    for py in range(SIZE):
        row = []
        for px in range(SIZE):
            totals = {}
            for sy in range(SUB):
                for sx in range(SUB):
                    hit = sample(px + (sx + 0.5) / SUB, py + (sy + 0.5) / SUB)
                    if hit is not None:
                        count, light = totals.get(hit[0], (0, 0.0))
                        totals[hit[0]] = (count + 1, light + hit[1])
            covered = sum(count for count, _ in totals.values())
            if covered * 2 < samples:
                row.append(None)
                continue
            material = max(sorted(totals), key=lambda m: totals[m][0])
            count, light = totals[material]
            row.append((material, light / count))
        pixels.append(row)

    # Darken the note's outermost pixels so it stands out on light and dark
    # backgrounds alike.
    out = []
    for py in range(SIZE):
        row = []
        for px in range(SIZE):
            p = pixels[py][px]
            if p is None:
                row.append((0, False))
                continue
            material, light = p
            if material == NOTE:
                near = [(px - 1, py), (px + 1, py), (px, py - 1), (px, py + 1)]
                if any(not (0 <= nx < SIZE and 0 <= ny < SIZE) or pixels[ny][nx] is None
                       for nx, ny in near):
                    light -= 0.25
            row.append((ramp_index(material, light), True))
        out.append(row)
    return out


def icon_bytes():
    image = render()
    colours = palette()

    xor_stride = SIZE  # 8 bits per pixel, already a multiple of 4
    and_stride = ((SIZE + 31) // 32) * 4
    xor = bytearray()
    mask = bytearray()
    for row in reversed(image):  # bitmaps are stored bottom-up
        xor += bytes(index for index, _ in row)
        bits = bytearray(and_stride)
        for x, (_, opaque) in enumerate(row):
            if not opaque:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    assert len(xor) == xor_stride * SIZE

    header = struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE * 2, 1, 8, 0,
                         len(xor) + len(mask), 0, 0, 256, 0)
    rgbquads = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in colours)
    data = header + rgbquads + bytes(xor) + bytes(mask)

    directory = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", SIZE, SIZE, 0, 0, 1, 8, len(data), 6 + 16)
    return directory + entry + data


def main():
    default = os.path.join(os.path.dirname(os.path.abspath(__file__)), "qarvel.ico")
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--check", action="store_true",
                        help="compare with the file instead of writing it")
    parser.add_argument("--output", default=default)
    args = parser.parse_args()

    data = icon_bytes()
    if args.check:
        with open(args.output, "rb") as f:
            same = f.read() == data
        print("icon matches" if same else "icon differs from the generator's output")
        return 0 if same else 1
    with open(args.output, "wb") as f:
        f.write(data)
    return 0


if __name__ == "__main__":
    sys.exit(main())
