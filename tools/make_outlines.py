#!/usr/bin/python3
"""Draws the country-outline pictures of the photo puzzles into assets/photos/.

Usage: tools/make_outlines.py WORLD_ATLAS_DIR [OUTPUT_DIR]

WORLD_ATLAS_DIR is an installed copy of the npm package world-atlas (Natural
Earth admin-0 boundaries as TopoJSON); the 1:50m file countries-50m.json is
used. Rebuild with:
    mkdir -p /tmp/maps && (cd /tmp/maps && npm install world-atlas@2.0.2)
    tools/make_outlines.py /tmp/maps/node_modules/world-atlas
(needs python3-pil; made with Pillow 9.4.0 on Debian 12).

Each country (listed in puzzle_catalogue.OUTLINES) is projected with a
Lambert azimuthal equal-area projection centred on the country, so its shape
is seen as on a globe, and drawn as a flat silhouette with a darker edge and a
soft shadow on a plain light background, as large as the frame allows.
Far-away islands and overseas territories (Alaska, Hawaii, French Guiana,
the Canaries, Svalbard ...) are left out: an island is kept when its centre
lies near the main land's bounding box. Nothing depends on the clock or on
randomness, so the same package and Pillow give the same bytes.
"""

import json
import math
import os
import sys

import puzzle_art as art
from puzzle_catalogue import OUTLINES

MARGIN = 18
BACKGROUND_TOP, BACKGROUND_BOTTOM = (242, 244, 246), (214, 221, 228)
LAND, EDGE = (46, 110, 84), (24, 64, 48)
# Countries whose land crosses the 180th meridian: longitudes below this are
# moved round by 360 degrees so the land stays in one piece.
WRAP_BELOW = {"Russia": -100.0}
# Countries whose outlying land the general rule would keep (Alaska and
# Hawaii, Svalbard, the Juan Fernandez islands): only polygons whose centre
# lies in this longitude/latitude box are drawn.
KEEP_BOX = {
    "United States of America": (-130.0, 23.0, -60.0, 50.0),
    "Norway": (3.0, 57.0, 33.0, 72.0),
    "Chile": (-77.0, -57.0, -65.0, -16.0),
}


def decode_arcs(topology):
    """The topology's arcs as lists of (longitude, latitude)."""
    (sx, sy), (tx, ty) = topology["transform"]["scale"], topology["transform"]["translate"]
    arcs = []
    for arc in topology["arcs"]:
        x = y = 0
        points = []
        for dx, dy in arc:
            x += dx
            y += dy
            points.append((x * sx + tx, y * sy + ty))
        arcs.append(points)
    return arcs


def ring_points(arcs, indices):
    """Joins the arcs of one ring; a negative index ~i means arc i reversed."""
    points = []
    for index in indices:
        arc = arcs[index] if index >= 0 else arcs[~index][::-1]
        points.extend(arc if not points else arc[1:])
    return points


def country_polygons(topology, arcs, name):
    """The country's polygons, each a list of rings (outer ring first)."""
    for geometry in topology["objects"]["countries"]["geometries"]:
        if geometry["properties"]["name"] != name:
            continue
        if geometry["type"] == "Polygon":
            polygons = [geometry["arcs"]]
        else:
            polygons = geometry["arcs"]
        return [[ring_points(arcs, ring) for ring in polygon] for polygon in polygons]
    raise SystemExit(f"no country named {name!r} in the atlas")


def ring_area(ring):
    """Planar area of a ring in square degrees (good enough to rank islands)."""
    return abs(sum(x1 * y2 - x2 * y1 for (x1, y1), (x2, y2) in zip(ring, ring[1:] + ring[:1]))) / 2


def bounds(ring):
    xs = [p[0] for p in ring]
    ys = [p[1] for p in ring]
    return min(xs), min(ys), max(xs), max(ys)


def in_box(polygon, box):
    x0, y0, x1, y1 = bounds(polygon[0])
    return box[0] <= (x0 + x1) / 2 <= box[2] and box[1] <= (y0 + y1) / 2 <= box[3]


def mainland(polygons):
    """Keeps the largest polygon, any polygon at least 30% as large, and every
    island whose centre lies near the largest polygon's bounding box."""
    areas = [ring_area(p[0]) for p in polygons]
    largest = max(range(len(polygons)), key=lambda i: areas[i])
    x0, y0, x1, y1 = bounds(polygons[largest][0])
    margin = max(3.0, 0.35 * max(x1 - x0, y1 - y0))
    kept = []
    for polygon, area in zip(polygons, areas):
        bx0, by0, bx1, by1 = bounds(polygon[0])
        cx, cy = (bx0 + bx1) / 2, (by0 + by1) / 2
        near = x0 - margin <= cx <= x1 + margin and y0 - margin <= cy <= y1 + margin
        if area >= 0.3 * areas[largest] or near:
            kept.append(polygon)
    return kept


def centre_of(polygons):
    """Mean direction of the outer rings' points, weighted by ring area."""
    vx = vy = vz = 0.0
    for polygon in polygons:
        ring = polygon[0]
        weight = ring_area(ring) / len(ring)
        for lon, lat in ring:
            lo, la = math.radians(lon), math.radians(lat)
            vx += weight * math.cos(la) * math.cos(lo)
            vy += weight * math.cos(la) * math.sin(lo)
            vz += weight * math.sin(la)
    return math.atan2(vy, vx), math.atan2(vz, math.hypot(vx, vy))


def project(lon0, lat0):
    """Lambert azimuthal equal-area projection centred on (lon0, lat0), in
    radians; returns x east, y down."""
    sin0, cos0 = math.sin(lat0), math.cos(lat0)

    def to_plane(point):
        lo, la = math.radians(point[0]) - lon0, math.radians(point[1])
        cosc = sin0 * math.sin(la) + cos0 * math.cos(la) * math.cos(lo)
        k = math.sqrt(2 / max(1 + cosc, 1e-9))
        x = k * math.cos(la) * math.sin(lo)
        y = k * (cos0 * math.sin(la) - sin0 * math.cos(la) * math.cos(lo))
        return x, -y
    return to_plane


def render(polygons):
    lon0, lat0 = centre_of(polygons)
    to_plane = project(lon0, lat0)
    planar = [[[to_plane(p) for p in ring] for ring in polygon] for polygon in polygons]
    outer = [p for polygon in planar for p in polygon[0]]
    place = art.fit_transform(outer, (MARGIN, MARGIN, art.WIDTH - MARGIN, art.HEIGHT - MARGIN))
    rings = [[place(p) for p in ring] for polygon in planar for ring in polygon]

    mask = art.polygon_mask(rings)
    canvas = art.gradient(BACKGROUND_TOP, BACKGROUND_BOTTOM)
    art.silhouette(canvas, mask, LAND, EDGE)
    return canvas


def main(argv):
    args = art.arguments(argv, __file__, __doc__)
    if args is None:
        return 2
    source, out_dir = args
    with open(os.path.join(source, "countries-50m.json"), encoding="utf-8") as f:
        topology = json.load(f)
    arcs = decode_arcs(topology)
    for stem, name, *_ in OUTLINES:
        polygons = country_polygons(topology, arcs, name)
        if name in WRAP_BELOW:
            limit = WRAP_BELOW[name]
            polygons = [[[(lon + 360 if lon < limit else lon, lat) for lon, lat in ring] for ring in polygon]
                        for polygon in polygons]
        if name in KEEP_BOX:
            polygons = [p for p in polygons if in_box(p, KEEP_BOX[name])]
        art.save(render(mainland(polygons)), out_dir, stem)
    print(f"wrote {len(OUTLINES)} pictures to {out_dir}")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
