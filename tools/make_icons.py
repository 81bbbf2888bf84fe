#!/usr/bin/python3
"""Makes the application icons, packaging/icons/hicolor/<n>x<n>/apps/
org.trivello.Trivello.png, at the usual hicolor sizes: the title screen's
emblem (the gold '?' coin of gfx/titolo.tga, first frame) drawn large with
the same drawing code as the title art, then reduced for each size.

Deterministic (no clock, no randomness): the same fonts give the same files.
Usage: tools/make_icons.py [OUT_DIR]   (default packaging/icons)
"""
import os
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)

from PIL import Image  # noqa: E402

import art_menus as M  # noqa: E402

APP_ID = "org.trivello.Trivello"
SIZES = [16, 22, 24, 32, 48, 64, 128, 256]
BIG = 256


def emblem():
    """The gold '?' coin facing the viewer, filling a BIG x BIG square."""
    face, symbol, colour = ((255, 250, 210), (255, 190, 40)), "?", (80, 20, 140)
    rim = ((255, 240, 160), (170, 100, 10))
    c = BIG / 2
    return M.medallion(BIG, BIG, c, c, BIG * 0.47, BIG * 0.47, face, symbol, colour, rim)


def main(argv):
    out = argv[1] if len(argv) > 1 else os.path.join(HERE, "..", "packaging", "icons")
    big = emblem()
    for n in SIZES:
        folder = os.path.join(out, "hicolor", f"{n}x{n}", "apps")
        os.makedirs(folder, exist_ok=True)
        img = big if n == BIG else big.resize((n, n), Image.LANCZOS)
        img.save(os.path.join(folder, APP_ID + ".png"), optimize=True)
    print(f"icons: {len(SIZES)} sizes in {out}")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
