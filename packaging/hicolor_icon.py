#!/usr/bin/env python3
"""Draws the program icon (the settings tool's Lirano.png: white V on a red
rounded square, in unit coordinates) at SIZE x SIZE into OUT.

    hicolor_icon.py SIZE OUT
"""

import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tools"))
from gen_qt_icons import icons, render  # noqa: E402  (one drawing for every size)


def main():
    size, out = int(sys.argv[1]), sys.argv[2]
    with open(out, "wb") as f:
        f.write(render(size, icons()["Lirano.png"][1]))


if __name__ == "__main__":
    main()
