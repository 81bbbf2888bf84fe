#!/usr/bin/python3
"""Draws the constellation pictures of the photo puzzles into assets/photos/.

Usage: tools/make_constellations.py CELESTIAL_DIR [OUTPUT_DIR]

CELESTIAL_DIR is an installed copy of the npm package d3-celestial; its
data/constellations.lines.json gives the stick figure of each constellation
and data/stars.6.json the stars down to magnitude 6. Rebuild with:
    mkdir -p /tmp/sky && (cd /tmp/sky && npm install d3-celestial@0.7.35)
    tools/make_constellations.py /tmp/sky/node_modules/d3-celestial
(needs python3-pil; made with Pillow 9.4.0 on Debian 12).

Each constellation (listed in puzzle_catalogue.CONSTELLATIONS) is drawn as a
star chart: a stereographic projection centred on the figure, north up and
east to the left as the sky is seen from the ground, the figure's lines in
pale blue over a night-blue background, every star a dot whose size follows
its brightness, and the fainter stars around it for depth. There are no
labels. Nothing depends on the clock or on randomness, so the same package and
Pillow give the same bytes.
"""

import json
import math
import os
import sys

from PIL import Image, ImageDraw, ImageFilter

import puzzle_art as art
from puzzle_catalogue import CONSTELLATIONS

MARGIN_X, MARGIN_Y = 48, 36
SKY_TOP, SKY_BOTTOM = (10, 18, 44), (28, 40, 78)
LINE_COLOUR = (120, 170, 235)
LINE_WIDTH = 2.0                 # pixels in the final picture
FAINTEST = 5.6                   # background stars down to this magnitude


def unit(lon, lat):
    lo, la = math.radians(lon), math.radians(lat)
    return math.cos(la) * math.cos(lo), math.cos(la) * math.sin(lo), math.sin(la)


def stereographic(centre):
    """Projection centred on a unit vector; x grows to the west (east is on
    the left in a sky chart), y grows downwards. Points more than 90 degrees
    away return None."""
    cx, cy, cz = centre
    lon0 = math.atan2(cy, cx)
    east = (-math.sin(lon0), math.cos(lon0), 0.0)
    north = (-cz * math.cos(lon0), -cz * math.sin(lon0), math.hypot(cx, cy))

    def to_plane(lon, lat):
        p = unit(lon, lat)
        cosc = p[0] * cx + p[1] * cy + p[2] * cz
        if cosc <= 0:
            return None
        k = 2 / (1 + cosc)
        x = k * sum(a * b for a, b in zip(p, east))
        y = k * sum(a * b for a, b in zip(p, north))
        return -x, -y
    return to_plane


def star_radius(mag):
    """Dot radius in pixels: magnitude 0 about 5 px, magnitude 5.6 under 1 px."""
    return max(0.55, 5.2 - 0.8 * mag)


def star_colour(bv):
    """A faint tint from the B-V colour index: blue-white to pale orange."""
    try:
        t = min(max((float(bv) + 0.2) / 1.8, 0.0), 1.0)
    except (TypeError, ValueError):
        t = 0.3
    blue, orange = (200, 220, 255), (255, 214, 170)
    return tuple(round(a + (b - a) * t) for a, b in zip(blue, orange))


def draw_lines(figure, place, to_plane):
    """The stick figure as an anti-aliased layer (mode L)."""
    layer = Image.new("L", (art.WIDTH * art.SUPER, art.HEIGHT * art.SUPER), 0)
    pen = ImageDraw.Draw(layer)
    w = round(LINE_WIDTH * art.SUPER)
    for line in figure:
        points = [place(to_plane(lon, lat)) for lon, lat in line]
        scaled = [(x * art.SUPER, y * art.SUPER) for x, y in points]
        pen.line(scaled, fill=255, width=w, joint="curve")
        for x, y in scaled:
            pen.ellipse((x - w / 2, y - w / 2, x + w / 2, y + w / 2), fill=255)
    return layer.resize((art.WIDTH, art.HEIGHT), Image.BOX)


def draw_stars(canvas, stars, place, to_plane):
    """Stars as glowing dots, faint ones first so bright ones lie on top."""
    big = Image.new("RGB", (art.WIDTH * art.SUPER, art.HEIGHT * art.SUPER), (0, 0, 0))
    glow = Image.new("L", (art.WIDTH, art.HEIGHT), 0)
    pen, glow_pen = ImageDraw.Draw(big), ImageDraw.Draw(glow)
    for mag, lon, lat, bv in sorted(stars, key=lambda s: (-s[0], s[1], s[2])):
        p = to_plane(lon, lat)
        if p is None:
            continue
        x, y = place(p)
        if not (-10 < x < art.WIDTH + 10 and -10 < y < art.HEIGHT + 10):
            continue
        r = star_radius(mag)
        if mag < 3.0:
            g = r * 2.4
            glow_pen.ellipse((x - g, y - g, x + g, y + g), fill=round(150 - 30 * mag))
        rs = r * art.SUPER
        pen.ellipse((x * art.SUPER - rs, y * art.SUPER - rs, x * art.SUPER + rs, y * art.SUPER + rs),
                    fill=star_colour(bv))
    small = big.resize((art.WIDTH, art.HEIGHT), Image.BOX)
    art.paint(canvas, (150, 180, 255), glow.filter(ImageFilter.GaussianBlur(3)).point(lambda v: v * 55 // 100))
    mask = small.convert("L").point(lambda v: min(255, v * 2))
    canvas.paste(small, (0, 0), mask)


def render(figure, stars):
    vertices = [tuple(v) for line in figure for v in line]
    sx = sy = sz = 0.0
    for lon, lat in vertices:
        x, y, z = unit(lon, lat)
        sx, sy, sz = sx + x, sy + y, sz + z
    n = math.sqrt(sx * sx + sy * sy + sz * sz)
    to_plane = stereographic((sx / n, sy / n, sz / n))
    place = art.fit_transform([to_plane(*v) for v in vertices],
                              (MARGIN_X, MARGIN_Y, art.WIDTH - MARGIN_X, art.HEIGHT - MARGIN_Y))
    canvas = art.gradient(SKY_TOP, SKY_BOTTOM)
    lines = draw_lines(figure, place, to_plane)
    art.paint(canvas, LINE_COLOUR, lines.point(lambda v: v * 80 // 100))
    draw_stars(canvas, stars, place, to_plane)
    return canvas


def load_stars(package):
    with open(os.path.join(package, "data", "stars.6.json"), encoding="utf-8") as f:
        features = json.load(f)["features"]
    stars = []
    for star in features:
        mag = float(star["properties"]["mag"])
        if mag <= FAINTEST:
            lon, lat = star["geometry"]["coordinates"]
            stars.append((mag, lon, lat, star["properties"].get("bv")))
    return stars


def main(argv):
    args = art.arguments(argv, __file__, __doc__)
    if args is None:
        return 2
    source, out_dir = args
    with open(os.path.join(source, "data", "constellations.lines.json"), encoding="utf-8") as f:
        figures = {c["id"]: c["geometry"]["coordinates"] for c in json.load(f)["features"]}
    stars = load_stars(source)
    for stem, abbreviation, *_ in CONSTELLATIONS:
        if abbreviation not in figures:
            raise SystemExit(f"no stick figure for {abbreviation}")
        art.save(render(figures[abbreviation], stars), out_dir, stem)
    print(f"wrote {len(CONSTELLATIONS)} pictures to {out_dir}")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
