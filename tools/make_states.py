#!/usr/bin/python3
"""Draws the pictures of the fifty states of the United States for the photo
puzzles into assets/photos/.

Usage: tools/make_states.py US_ATLAS_DIR [OUTPUT_DIR]

US_ATLAS_DIR is an installed copy of the npm package us-atlas (the Census
Bureau's 2017 boundaries as TopoJSON); states-albers-10m.json is used, whose
outlines are already projected with the usual Albers map of the country,
Alaska and Hawaii moved into the lower left corner. Rebuild with:
    mkdir -p /tmp/maps && (cd /tmp/maps && npm install us-atlas@3.0.1)
    tools/make_states.py /tmp/maps/node_modules/us-atlas
(needs python3-pil; made with Pillow 9.4.0 on Debian 12).

The pictures look like those of make_regions.py: the whole country with the
state filled in red (ringed when it is small), and the state alone, enlarged,
on the right of the map or, for a state much wider than tall (Tennessee,
Virginia), under it, wherever it comes out larger. Alaska and Hawaii get a thin frame, as on printed
maps, so that nobody reads them as lying off California. Nothing depends on
the clock or on randomness, so the same package and Pillow give the same
bytes.
"""

import json
import os
import sys

import make_regions as maps
import puzzle_art as art
from make_outlines import decode_arcs, ring_points
from puzzle_catalogue import REGIONS_US

MAP_BOX = (4, 20, 290, 212)
INSET_BOXES = [(298, 30, 394, 270), (110, 214, 394, 286)]   # right of the map, under it
# States shown in a frame of their own, away from their true place.
FRAMED = ("Alaska", "Hawaii")


def load_states(folder):
    """{state name: rings} in the atlas's projected units (x east, y down)."""
    with open(os.path.join(folder, "states-albers-10m.json"), encoding="utf-8") as f:
        topology = json.load(f)
    arcs = decode_arcs(topology)
    states = {}
    for geometry in topology["objects"]["states"]["geometries"]:
        polygons = [geometry["arcs"]] if geometry["type"] == "Polygon" else geometry["arcs"]
        states[geometry["properties"]["name"]] = [ring_points(arcs, ring)
                                                  for polygon in polygons for ring in polygon]
    return states


def frame_around(rings, pad=8.0):
    xs = [x for ring in rings for x, _ in ring]
    ys = [y for ring in rings for _, y in ring]
    x0, y0, x1, y1 = min(xs) - pad, min(ys) - pad, max(xs) + pad, max(ys) + pad
    return [(x0, y0), (x1, y0), (x1, y1), (x0, y1)]


def inset_box(rings):
    """The inset box in which the state comes out largest."""
    xs = [x for ring in rings for x, _ in ring]
    ys = [y for ring in rings for _, y in ring]
    w, h = max(xs) - min(xs), max(ys) - min(ys)
    return max(INSET_BOXES, key=lambda b: min((b[2] - b[0]) / w, (b[3] - b[1]) / h))


def main(argv):
    args = art.arguments(argv, __file__, __doc__)
    if args is None:
        return 2
    source, out_dir = args
    states = load_states(source)
    frames = [frame_around(states[name]) for name in FRAMED]
    points = [p for rings in states.values() for ring in rings for p in ring]
    place = art.fit_transform(points + [p for frame in frames for p in frame], MAP_BOX)
    country = maps.draw_country(states, place, None)
    maps.draw_lines(country, [[place(p) for p in frame] for frame in frames], maps.COAST, 1.0)
    for stem, name, *_ in REGIONS_US:
        if name not in states:
            raise SystemExit(f"no state {name!r} in the atlas")
        art.save(maps.render(country, states, name, place, inset_box(states[name])), out_dir, stem)
    print(f"wrote {len(REGIONS_US)} pictures to {out_dir}")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
