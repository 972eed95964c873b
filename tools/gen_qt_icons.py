#!/usr/bin/env python3
"""Draws the icons of the settings tool into qt/Icon/ (compiled into
Lirano-Qt through qt/Lirano.qrc): flat shapes, anti-aliased by sampling each
pixel 4 x 4 times, written as PNG with nothing but the standard library.
Drawn for this project; GPL-2.0-or-later like the code.

    python3 tools/gen_qt_icons.py [FOLDER]      (default: qt/Icon)
"""

import math
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from gen_icons import png  # noqa: E402  (one PNG writer for all icons)

HERE = os.path.dirname(os.path.abspath(__file__))
SAMPLES = 4

# Shapes are tests on a point in unit coordinates (0..1 across the icon).


def circle(cx, cy, r):
    return lambda x, y: (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def capsule(ax, ay, bx, by, w):
    def inside(x, y):
        dx, dy = bx - ax, by - ay
        length = dx * dx + dy * dy
        t = 0.0 if length == 0 else max(0.0, min(1.0, ((x - ax) * dx + (y - ay) * dy) / length))
        qx, qy = ax + t * dx, ay + t * dy
        return (x - qx) ** 2 + (y - qy) ** 2 <= w * w
    return inside


def rrect(x0, y0, x1, y1, r):
    def inside(x, y):
        if x < x0 or x > x1 or y < y0 or y > y1:
            return False
        cx = min(max(x, x0 + r), x1 - r)
        cy = min(max(y, y0 + r), y1 - r)
        return (x - cx) ** 2 + (y - cy) ** 2 <= r * r
    return inside


def polygon(points):
    def inside(x, y):
        hit = False
        j = len(points) - 1
        for i in range(len(points)):
            xi, yi = points[i]
            xj, yj = points[j]
            if (yi > y) != (yj > y) and x < (xj - xi) * (y - yi) / (yj - yi) + xi:
                hit = not hit
            j = i
        return hit
    return inside


def arc(cx, cy, r, w, a0, a1):
    """The band of width 2w around a circle, between two angles in degrees
    (counter-clockwise, 0 pointing right, y growing downwards)."""
    def inside(x, y):
        d = math.hypot(x - cx, y - cy)
        if abs(d - r) > w:
            return False
        a = math.degrees(math.atan2(cy - y, x - cx)) % 360
        return a0 <= a <= a1
    return inside


def star(cx, cy, r_out, r_in, points=5):
    pts = []
    for i in range(points * 2):
        r = r_out if i % 2 == 0 else r_in
        a = math.pi / 2 + i * math.pi / points
        pts.append((cx + r * math.cos(a), cy - r * math.sin(a)))
    return polygon(pts)


def render(size, layers):
    """layers: (rgba, shape) painted in order, each over what lies below."""
    rows = []
    step = 1.0 / (size * SAMPLES)
    for py in range(size):
        row = []
        for px in range(size):
            r = g = b = a = 0.0
            for color, shape in layers:
                hits = 0
                for sy in range(SAMPLES):
                    for sx in range(SAMPLES):
                        if shape((px * SAMPLES + sx + 0.5) * step, (py * SAMPLES + sy + 0.5) * step):
                            hits += 1
                if not hits:
                    continue
                ca = hits / float(SAMPLES * SAMPLES) * color[3] / 255.0
                na = ca + a * (1 - ca)
                if na > 0:
                    r = (color[0] * ca + r * a * (1 - ca)) / na
                    g = (color[1] * ca + g * a * (1 - ca)) / na
                    b = (color[2] * ca + b * a * (1 - ca)) / na
                a = na
            row.append((int(round(r)), int(round(g)), int(round(b)), int(round(a * 255))))
        rows.append(row)
    return png(size, size, rows)


WHITE = (255, 255, 255, 255)
GREEN = (46, 160, 67, 255)
RED = (204, 51, 51, 255)
BLUE = (40, 110, 200, 255)


def icons():
    arrow_end = math.radians(320)
    ax, ay = 0.5 + 0.3 * math.cos(arrow_end), 0.5 - 0.3 * math.sin(arrow_end)
    return {
        "OK.png": (32, [(GREEN, circle(0.5, 0.5, 0.45)),
                        (WHITE, capsule(0.28, 0.52, 0.44, 0.68, 0.07)),
                        (WHITE, capsule(0.44, 0.68, 0.73, 0.36, 0.07))]),
        "Exit.png": (32, [(RED, circle(0.5, 0.5, 0.45)),
                          (WHITE, capsule(0.34, 0.34, 0.66, 0.66, 0.07)),
                          (WHITE, capsule(0.66, 0.34, 0.34, 0.66, 0.07))]),
        "Add.png": (32, [(GREEN, capsule(0.5, 0.16, 0.5, 0.84, 0.12)),
                         (GREEN, capsule(0.16, 0.5, 0.84, 0.5, 0.12))]),
        "Delete.png": (32, [((110, 110, 120, 255), rrect(0.38, 0.08, 0.62, 0.22, 0.04)),
                            ((110, 110, 120, 255), rrect(0.16, 0.17, 0.84, 0.28, 0.04)),
                            ((110, 110, 120, 255), polygon([(0.23, 0.32), (0.77, 0.32), (0.71, 0.92), (0.29, 0.92)])),
                            ((225, 225, 230, 255), capsule(0.4, 0.42, 0.41, 0.82, 0.03)),
                            ((225, 225, 230, 255), capsule(0.6, 0.42, 0.59, 0.82, 0.03))]),
        "Information.png": (32, [(BLUE, circle(0.5, 0.5, 0.45)),
                                 (WHITE, circle(0.5, 0.29, 0.075)),
                                 (WHITE, capsule(0.5, 0.46, 0.5, 0.74, 0.07))]),
        "Properties.png": (32, [((120, 120, 130, 255), rrect(0.16, 0.06, 0.84, 0.94, 0.07)),
                                (WHITE, rrect(0.2, 0.1, 0.8, 0.9, 0.04)),
                                ((120, 120, 130, 255), capsule(0.3, 0.3, 0.7, 0.3, 0.03)),
                                ((120, 120, 130, 255), capsule(0.3, 0.5, 0.7, 0.5, 0.03)),
                                ((120, 120, 130, 255), capsule(0.3, 0.7, 0.7, 0.7, 0.03)),
                                (BLUE, circle(0.42, 0.3, 0.07)),
                                (BLUE, circle(0.62, 0.5, 0.07)),
                                (BLUE, circle(0.36, 0.7, 0.07))]),
        "Refresh.png": (32, [(BLUE, arc(0.5, 0.5, 0.3, 0.075, 40, 320)),
                             (BLUE, polygon([(ax - 0.19, ay - 0.02), (ax + 0.13, ay - 0.06), (ax - 0.01, ay + 0.24)]))]),
        "Wizard.png": (32, [((90, 70, 60, 255), capsule(0.18, 0.86, 0.6, 0.44, 0.055)),
                            ((240, 190, 30, 255), star(0.68, 0.32, 0.24, 0.1)),
                            ((240, 190, 30, 255), circle(0.22, 0.22, 0.05)),
                            ((240, 190, 30, 255), circle(0.88, 0.72, 0.045))]),
        "Open.png": (32, [((200, 150, 40, 255), rrect(0.06, 0.14, 0.44, 0.32, 0.04)),
                          ((200, 150, 40, 255), rrect(0.06, 0.22, 0.9, 0.84, 0.05)),
                          ((245, 200, 85, 255), polygon([(0.2, 0.42), (0.98, 0.42), (0.86, 0.84), (0.06, 0.84)]))]),
        # The program's own icon: the engine icon's white V on a red
        # rounded square, drawn larger.
        "Lirano.png": (64, [((200, 30, 45, 255), rrect(0.0, 0.0, 1.0, 1.0, 0.19)),
                            (WHITE, capsule(0.25, 0.21, 0.5, 0.79, 0.067)),
                            (WHITE, capsule(0.75, 0.21, 0.5, 0.79, 0.067))]),
    }


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(HERE, "..", "qt", "Icon")
    os.makedirs(out, exist_ok=True)
    for name, (size, layers) in sorted(icons().items()):
        with open(os.path.join(out, name), "wb") as f:
            f.write(render(size, layers))


if __name__ == "__main__":
    main()
