#!/usr/bin/python3
"""Draws the pictures of the regions of Italy and of the autonomous
communities of Spain for the photo puzzles into assets/photos/.

Usage: tools/make_regions.py SVG_MAPS_DIR [OUTPUT_DIR]

SVG_MAPS_DIR is the @svg-maps folder of an npm install of @svg-maps/italy and
@svg-maps/spain (their index.js holds every region's outline as an SVG path
made of relative moves and lines only). Rebuild with:
    mkdir -p /tmp/maps && (cd /tmp/maps && npm install @svg-maps/italy@2.0.0 @svg-maps/spain@2.0.0)
    tools/make_regions.py /tmp/maps/node_modules/@svg-maps
(needs python3-pil; made with Pillow 9.4.0 on Debian 12).

Each picture shows the whole country on the left with the region filled in
red, and on the right the region alone, enlarged, so that both its place and
its shape can be read, and the tile reveal cannot hide both at once. A small
region is also ringed on the map. Nothing depends on the clock or on
randomness, so the same packages and Pillow give the same bytes.
"""

import json
import os
import re
import sys

from PIL import Image, ImageDraw

import puzzle_art as art
from puzzle_catalogue import REGIONS_ES, REGIONS_IT

SEA_TOP, SEA_BOTTOM = (226, 236, 244), (196, 214, 230)
LAND, BORDER = (240, 232, 212), (190, 176, 150)
COAST = (150, 140, 120)
TARGET, TARGET_EDGE = (200, 58, 46), (120, 28, 22)
# Where the country map and the enlarged region go, per country.
LAYOUT = {
    "italy": {"map": (8, 8, 258, 292), "inset": (272, 34, 388, 266)},
    "spain": {"map": (6, 22, 272, 282), "inset": (284, 40, 392, 260)},
}
# The Spanish map draws the Canary Islands at their place in the Atlantic,
# far below and left of the peninsula, which would leave the peninsula small;
# they are moved, as Spanish maps do, into a framed box just under Portugal's
# place, by this offset in map units.
CANARIES = "canary-islands"
CANARIES_OFFSET = (221.0, -200.0)
SMALL_REGION = 26                # ring a region whose map extent is below this many pixels


def parse_path(d):
    """Rings of an SVG path that uses only 'm' (a relative move followed by
    relative lines) and 'z' (close, which takes the pen back to the ring's
    first point)."""
    rings, ring = [], None
    x = y = 0.0
    numbers = []
    for token in re.findall(r"[A-Za-z]|-?\d*\.?\d+(?:e-?\d+)?", d) + ["m"]:
        if token.isalpha():
            for i, (dx, dy) in enumerate(zip(numbers[0::2], numbers[1::2])):
                x, y = x + dx, y + dy
                if i == 0 and ring is None:
                    ring = []
                ring.append((x, y))
            numbers = []
            if token not in "mz":
                raise SystemExit(f"path command {token!r} is not expected in these maps")
            if ring:
                rings.append(ring)
                if token == "z":
                    x, y = ring[0]
            ring = None
        else:
            numbers.append(float(token))
    return rings


def load_map(folder):
    with open(os.path.join(folder, "index.js"), encoding="utf-8") as f:
        text = f.read()
    data = json.loads(text[text.index("{"):text.rindex("}") + 1])
    return {loc["id"]: parse_path(loc["path"]) for loc in data["locations"]}


def draw_lines(canvas, rings, colour, width=1.0):
    """Closed polylines through rings given in final-size pixels."""
    layer = Image.new("L", (art.WIDTH * art.SUPER, art.HEIGHT * art.SUPER), 0)
    pen = ImageDraw.Draw(layer)
    for ring in rings:
        pen.line([(x * art.SUPER, y * art.SUPER) for x, y in ring + ring[:1]], fill=255,
                 width=round(width * art.SUPER), joint="curve")
    art.paint(canvas, colour, layer.resize((art.WIDTH, art.HEIGHT), Image.BOX))


def draw_country(regions, place, frame):
    """The whole country on the sea: pale land, a thin line between regions,
    and the frame (a box around moved islands) when there is one."""
    canvas = art.gradient(SEA_TOP, SEA_BOTTOM)
    every = [[place(p) for p in ring] for rings in regions.values() for ring in rings]
    land = art.polygon_mask(every)
    art.paint(canvas, (0, 0, 0), art.shadow_of(land, offset=2, blur=2, strength=30))
    art.paint(canvas, COAST, art.outline_of(land, 1))
    art.paint(canvas, LAND, land)
    draw_lines(canvas, every, BORDER, 0.8)
    if frame:
        draw_lines(canvas, [[place(p) for p in frame]], COAST, 1.0)
    return canvas


def draw_target(canvas, rings, place):
    """Fills the target region in red; returns its bounding box."""
    mask = art.polygon_mask([[place(p) for p in ring] for ring in rings])
    art.paint(canvas, TARGET_EDGE, art.outline_of(mask, 1).point(lambda v: v * 60 // 100))
    art.paint(canvas, TARGET, mask)
    return mask.getbbox()


def ring_around(canvas, box):
    """A red ring drawn around a small region so the eye finds it."""
    x0, y0, x1, y1 = box
    cx, cy = (x0 + x1) / 2, (y0 + y1) / 2
    r = max(x1 - x0, y1 - y0) / 2 + 7
    layer = Image.new("L", (art.WIDTH * art.SUPER, art.HEIGHT * art.SUPER), 0)
    s = art.SUPER
    ImageDraw.Draw(layer).ellipse(((cx - r) * s, (cy - r) * s, (cx + r) * s, (cy + r) * s),
                                  outline=255, width=round(1.6 * s))
    art.paint(canvas, TARGET, layer.resize((art.WIDTH, art.HEIGHT), Image.BOX))


def draw_inset(canvas, rings, box):
    """The region alone, enlarged to fill the inset box."""
    place = art.fit_transform([p for ring in rings for p in ring], box)
    mask = art.polygon_mask([[place(p) for p in ring] for ring in rings])
    art.silhouette(canvas, mask, TARGET, TARGET_EDGE)


def move_canaries(regions):
    """Moves the Canary Islands next to the peninsula; returns the frame
    drawn around them (map units)."""
    dx, dy = CANARIES_OFFSET
    regions[CANARIES] = [[(x + dx, y + dy) for x, y in ring] for ring in regions[CANARIES]]
    xs = [x for ring in regions[CANARIES] for x, _ in ring]
    ys = [y for ring in regions[CANARIES] for _, y in ring]
    pad = 6.0
    x0, y0, x1, y1 = min(xs) - pad, min(ys) - pad, max(xs) + pad, max(ys) + pad
    return [(x0, y0), (x1, y0), (x1, y1), (x0, y1)]


def render(country, regions, target, place, inset_box):
    canvas = country.copy()
    box = draw_target(canvas, regions[target], place)
    if box and max(box[2] - box[0], box[3] - box[1]) < SMALL_REGION:
        ring_around(canvas, box)
    draw_inset(canvas, regions[target], inset_box)
    return canvas


def main(argv):
    args = art.arguments(argv, __file__, __doc__)
    if args is None:
        return 2
    source, out_dir = args
    count = 0
    for folder, table in (("italy", REGIONS_IT), ("spain", REGIONS_ES)):
        regions = load_map(os.path.join(source, folder))
        frame = move_canaries(regions) if CANARIES in regions else None
        points = [p for rings in regions.values() for ring in rings for p in ring] + (frame or [])
        place = art.fit_transform(points, LAYOUT[folder]["map"])
        country = draw_country(regions, place, frame)
        for stem, rid, *_ in table:
            if rid not in regions:
                raise SystemExit(f"no region {rid!r} in the {folder} map")
            art.save(render(country, regions, rid, place, LAYOUT[folder]["inset"]), out_dir, stem)
            count += 1
    print(f"wrote {count} pictures to {out_dir}")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
