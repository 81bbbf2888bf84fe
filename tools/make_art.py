#!/usr/bin/python3
"""Renders every picture of the game into assets/gfx/ (except the two bitmap
fonts letters01.tga and letters02.png, which have their own script).

Usage: tools/make_art.py [OUTPUT_DIR]     (default: assets/gfx beside this folder)

Needs Python 3 with Pillow and numpy (Debian python3-pil, python3-numpy) and
the fonts of fonts-dejavu-core and fonts-freefont-ttf. The layout of every
picture follows tools/picture_regions.py, which lists the rectangles the game
copies. Nothing depends on the clock, and every random choice uses a fixed
seed, so the same libraries and fonts give the same bytes on every run.

JPEG pictures are written at quality 95 (ingame.jpg at 98) without chroma
subsampling, so thin artwork such as the time-bar colour rows keeps its colours.
"""

import os
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)

import art_game as G  # noqa: E402
import art_lib as A  # noqa: E402
import art_menus as M  # noqa: E402
import picture_regions as R  # noqa: E402


# The time-bar colour rows 1000 and 1001 of ingame.jpg share one 8-row JPEG
# block; quality 98 keeps each within a few levels of its intended colour.
JPEG_QUALITY = {"ingame.jpg": 98}


def build():
    """All pictures as {file name: PIL image}."""
    pics = {}
    back, bottoni = M.make_back()
    pics["back.jpg"] = back
    pics["bottoni.tga"] = bottoni
    pics["titolo.tga"] = M.make_titolo()
    pics["nux.tga"] = M.make_nux()
    pics["bflogo.jpg"] = M.make_bflogo()
    pics["skill.jpg"] = M.make_skill()
    pics["newlevel.jpg"] = M.make_newlevel()
    pics["launcher.png"] = M.make_launcher()
    pics["access.png"] = M.make_access()
    ingame, screen = G.make_ingame()
    pics["ingame.jpg"] = ingame
    pics["jolly.jpg"] = G.make_jolly(screen)
    pics["puzzle.jpg"] = G.make_puzzle()
    pics.update(G.make_results())
    pics["pointer.tga"] = M.make_pointer(False)
    pics["pointer2.tga"] = M.make_pointer(True)
    pics["pointer_s.tga"] = M.make_pointer_shadow()
    return pics


def save(name, img, out_dir):
    path = os.path.join(out_dir, name)
    want = R.SIZES[name]
    if img.size != want:
        raise SystemExit("%s: made %dx%d, expected %dx%d" % ((name,) + img.size + want))
    if name.endswith(".jpg"):
        A.save_jpeg(img, path, JPEG_QUALITY.get(name, 95))
    elif name.endswith(".png"):
        A.save_png(img, path)
    else:
        A.save_tga(img, path)
    return path


def main(argv):
    out_dir = argv[1] if len(argv) > 1 else os.path.join(HERE, "..", "assets", "gfx")
    os.makedirs(out_dir, exist_ok=True)
    pics = build()
    missing = set(R.SIZES) - set(pics)
    if missing:
        raise SystemExit("no artwork for " + ", ".join(sorted(missing)))
    for name in sorted(pics):
        path = save(name, pics[name], out_dir)
        print("%-14s %4dx%-4d %s" % (name, pics[name].size[0], pics[name].size[1], os.path.normpath(path)))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
