"""Small vector icons for the quiz pictures: one per question category and a few
for the side panel and result pictures. Each function returns an RGBA layer of
s by s pixels with a transparent background."""

import math

import numpy as np
from PIL import Image, ImageDraw

import art_lib as A

CATEGORY_COLOURS = {
    "letters": ((255, 170, 60), (170, 70, 10)),
    "science": ((90, 230, 140), (10, 120, 70)),
    "sport": ((255, 100, 90), (160, 20, 30)),
    "geography": ((70, 180, 255), (10, 70, 170)),
    "history": ((225, 175, 110), (120, 70, 30)),
    "various": ((240, 110, 240), (120, 30, 140)),
}


def _layer(s):
    return Image.new("RGBA", (s, s), (0, 0, 0, 0))


def _outline(layer, mask, colour=(20, 12, 40), width=2):
    """Put a dark outline under the shapes in mask."""
    from PIL import ImageFilter
    grown = mask.filter(ImageFilter.MaxFilter(width * 2 + 1))
    under = A.fill(grown, colour)
    under.alpha_composite(layer)
    return under


def book(s):
    L = _layer(s)
    k = s / 100.0
    left = [(8 * k, 30 * k), (50 * k, 38 * k), (50 * k, 86 * k), (8 * k, 78 * k)]
    right = [(92 * k, 30 * k), (50 * k, 38 * k), (50 * k, 86 * k), (92 * k, 78 * k)]
    cover = [(4 * k, 34 * k), (50 * k, 42 * k), (96 * k, 34 * k), (96 * k, 84 * k), (50 * k, 92 * k),
             (4 * k, 84 * k)]
    cm = A.poly_mask(s, s, cover)
    A.over(L, A.fill(cm, (150, 40, 30)))
    for pts, shade in ((left, (255, 250, 235)), (right, (240, 232, 210))):
        A.over(L, A.fill(A.poly_mask(s, s, pts), shade))
    d = ImageDraw.Draw(L)
    for i in range(5):
        y = 46 + i * 7
        d.line([(14 * k, (y - 6) * k), (44 * k, y * k)], fill=(120, 120, 150, 255), width=max(1, int(k * 1.5)))
        d.line([(86 * k, (y - 6) * k), (56 * k, y * k)], fill=(120, 120, 150, 255), width=max(1, int(k * 1.5)))
    # quill
    q = [(62 * k, 6 * k), (80 * k, 2 * k), (72 * k, 20 * k), (56 * k, 46 * k), (54 * k, 44 * k)]
    A.over(L, A.fill(A.poly_mask(s, s, q), (80, 200, 255)))
    return _outline(L, L.getchannel("A"), width=max(1, s // 60))


def atom(s, colour=(90, 230, 140)):
    L = _layer(s)
    k = s / 100.0
    ring_w = max(2, s // 22)
    for ang in (0, 60, 120):
        big = Image.new("L", (s * A.SS, s * A.SS), 0)
        d = ImageDraw.Draw(big)
        ss = A.SS
        d.ellipse((8 * k * ss, 36 * k * ss, 92 * k * ss, 64 * k * ss), outline=255, width=ring_w * ss)
        big = big.rotate(ang, resample=Image.BICUBIC, center=(50 * k * ss, 50 * k * ss))
        A.over(L, A.fill(big.reduce(ss), colour))
    nuc = A.ellipse_mask(s, s, (40 * k, 40 * k, 60 * k, 60 * k))
    A.over(L, A.fill(nuc, A.radial(s, s, 46 * k, 46 * k, 12 * k, 12 * k,
                                   [(0, (255, 255, 255)), (1, (255, 200, 40))])))
    for ring, t in ((0, 20), (60, 150), (120, 255)):
        # a point of the ring's ellipse, turned like the ring (counter-clockwise on screen)
        px, py = 42 * k * math.cos(math.radians(t)), 14 * k * math.sin(math.radians(t))
        r = math.radians(ring)
        x = 50 * k + px * math.cos(r) + py * math.sin(r)
        y = 50 * k - px * math.sin(r) + py * math.cos(r)
        A.over(L, A.fill(A.ellipse_mask(s, s, (x - 5 * k, y - 5 * k, x + 5 * k, y + 5 * k)), (255, 255, 255)))
    return _outline(L, L.getchannel("A"), width=max(1, s // 60))


def ball(s):
    L = _layer(s)
    k = s / 100.0
    circ = A.ellipse_mask(s, s, (6 * k, 6 * k, 94 * k, 94 * k))
    A.over(L, A.fill(circ, A.radial(s, s, 38 * k, 34 * k, 70 * k, 70 * k,
                                    [(0, (255, 255, 255)), (0.7, (230, 230, 240)), (1, (150, 150, 170))])))
    dark = Image.new("RGBA", (s, s), (0, 0, 0, 0))
    pent = A.star_points(50 * k, 50 * k, 16 * k, 16 * k, 5, -90)[::2]
    A.over(dark, A.fill(A.poly_mask(s, s, pent), (25, 25, 35)))
    d = ImageDraw.Draw(dark)
    for i in range(5):
        a = math.radians(-90 + i * 72)
        x1, y1 = 50 * k + 16 * k * math.cos(a), 50 * k + 16 * k * math.sin(a)
        x2, y2 = 50 * k + 36 * k * math.cos(a), 50 * k + 36 * k * math.sin(a)
        d.line([(x1, y1), (x2, y2)], fill=(25, 25, 35, 255), width=max(1, int(3 * k)))
        outer = A.star_points(50 * k + 48 * k * math.cos(a), 50 * k + 48 * k * math.sin(a),
                              13 * k, 13 * k, 5, -90 + i * 72 + 36)[::2]
        A.over(dark, A.fill(A.poly_mask(s, s, outer), (25, 25, 35)))
    dark.putalpha(A.mask_mul(dark.getchannel("A"), circ))
    A.over(L, dark)
    return _outline(L, L.getchannel("A"), width=max(1, s // 60))


def globe(s):
    L = _layer(s)
    k = s / 100.0
    circ = A.ellipse_mask(s, s, (5 * k, 5 * k, 95 * k, 95 * k))
    A.over(L, A.fill(circ, A.radial(s, s, 38 * k, 34 * k, 72 * k, 72 * k,
                                    [(0, (110, 200, 255)), (1, (10, 60, 160))])))
    land = Image.new("RGBA", (s, s), (0, 0, 0, 0))
    for box in ((18, 22, 50, 48), (30, 40, 46, 74), (56, 26, 84, 44), (60, 44, 78, 66), (72, 64, 86, 80)):
        A.over(land, A.fill(A.ellipse_mask(s, s, tuple(v * k for v in box)), (70, 190, 90)))
    land.putalpha(A.mask_mul(land.getchannel("A"), circ))
    A.over(L, land)
    grid = Image.new("L", (s * A.SS, s * A.SS), 0)
    d = ImageDraw.Draw(grid)
    ss = A.SS * k
    lw = max(1, int(1.6 * k * A.SS))
    for half in (14, 30):
        d.ellipse(((50 - half) * ss, 5 * ss, (50 + half) * ss, 95 * ss), outline=255, width=lw)
    d.line([(50 * ss, 5 * ss), (50 * ss, 95 * ss)], fill=255, width=lw)
    for y in (27, 50, 73):
        d.line([(0, y * ss), (100 * ss, y * ss)], fill=255, width=lw)
    gm = A.mask_mul(A.mask_scale(grid.reduce(A.SS), 0.55), circ)
    A.over(L, A.fill(gm, (230, 250, 255)))
    return _outline(L, L.getchannel("A"), width=max(1, s // 60))


def temple(s):
    L = _layer(s)
    k = s / 100.0
    stone = A.vgradient(s, s, [(0, (255, 240, 200)), (1, (200, 160, 100))])
    parts = [[(8 * k, 30 * k), (50 * k, 8 * k), (92 * k, 30 * k)],
             [(10 * k, 30 * k), (90 * k, 30 * k), (90 * k, 37 * k), (10 * k, 37 * k)],
             [(8 * k, 82 * k), (92 * k, 82 * k), (92 * k, 88 * k), (8 * k, 88 * k)],
             [(4 * k, 88 * k), (96 * k, 88 * k), (96 * k, 95 * k), (4 * k, 95 * k)]]
    for i in range(4):
        x = 17 + i * 20
        parts.append([(x * k, 40 * k), ((x + 10) * k, 40 * k), ((x + 10) * k, 80 * k), (x * k, 80 * k)])
    m = Image.fromarray(np.maximum.reduce([np.asarray(A.poly_mask(s, s, p)) for p in parts]))
    A.over(L, A.fill(m, stone))
    return _outline(L, L.getchannel("A"), width=max(1, s // 60))


def star(s, colour=(255, 210, 60), dark=(200, 110, 10)):
    L = _layer(s)
    k = s / 100.0
    m = A.poly_mask(s, s, A.star_points(50 * k, 53 * k, 46 * k, 20 * k))
    A.over(L, A.fill(m, A.radial(s, s, 42 * k, 38 * k, 60 * k, 60 * k, [(0, (255, 250, 210)), (0.5, colour),
                                                                         (1, dark)])))
    return _outline(L, L.getchannel("A"), width=max(1, s // 60))


def bulb(s):
    L = _layer(s)
    k = s / 100.0
    glass = A.ellipse_mask(s, s, (22 * k, 6 * k, 78 * k, 62 * k))
    neck = A.poly_mask(s, s, [(34 * k, 52 * k), (66 * k, 52 * k), (60 * k, 70 * k), (40 * k, 70 * k)])
    gm = Image.fromarray(np.maximum(np.asarray(glass), np.asarray(neck)))
    A.over(L, A.fill(gm, A.radial(s, s, 44 * k, 28 * k, 40 * k, 46 * k,
                                  [(0, (255, 255, 230)), (0.6, (255, 230, 90)), (1, (240, 160, 20))])))
    base = A.rrect_mask(s, s, (38 * k, 70 * k, 62 * k, 90 * k), 4 * k)
    A.over(L, A.fill(base, A.vgradient(s, s, [(0, (200, 200, 215)), (1, (110, 110, 130))])))
    d = ImageDraw.Draw(L)
    for y in (76, 82):
        d.line([(39 * k, y * k), (61 * k, y * k)], fill=(80, 80, 100, 255), width=max(1, int(1.5 * k)))
    return _outline(L, L.getchannel("A"), width=max(1, s // 60))


def heart(s, top=(255, 110, 140), bottom=(200, 20, 60)):
    k = s / 100.0
    pts = []
    for i in range(120):
        t = math.pi * 2 * i / 120
        x = 16 * math.sin(t) ** 3
        y = -(13 * math.cos(t) - 5 * math.cos(2 * t) - 2 * math.cos(3 * t) - math.cos(4 * t))
        pts.append((50 * k + x * 2.8 * k, 46 * k + y * 2.8 * k))
    L = _layer(s)
    m = A.poly_mask(s, s, pts)
    A.over(L, A.fill(m, A.vgradient(s, s, [(0, top), (1, bottom)])))
    sheen = A.ellipse_mask(s, s, (24 * k, 18 * k, 46 * k, 34 * k))
    A.over(L, A.fill(A.mask_scale(sheen, 0.5), (255, 255, 255)))
    return _outline(L, L.getchannel("A"), width=max(1, s // 50))


def trophy(s):
    L = _layer(s)
    k = s / 100.0
    gold = A.vgradient(s, s, [(0, (255, 245, 170)), (0.5, (255, 200, 40)), (1, (190, 110, 10))])
    cup = A.poly_mask(s, s, [(24 * k, 8 * k), (76 * k, 8 * k), (72 * k, 40 * k), (58 * k, 56 * k),
                             (42 * k, 56 * k), (28 * k, 40 * k)])
    stem = A.poly_mask(s, s, [(45 * k, 54 * k), (55 * k, 54 * k), (57 * k, 74 * k), (43 * k, 74 * k)])
    base = A.rrect_mask(s, s, (28 * k, 74 * k, 72 * k, 92 * k), 3 * k)
    big = Image.new("L", (s * A.SS, s * A.SS), 0)
    d = ImageDraw.Draw(big)
    ss = A.SS * k
    d.arc((8 * ss, 12 * ss, 36 * ss, 42 * ss), 90, 270, fill=255, width=int(5 * ss))
    d.arc((64 * ss, 12 * ss, 92 * ss, 42 * ss), 270, 90, fill=255, width=int(5 * ss))
    handles = big.reduce(A.SS)
    m = np.maximum.reduce([np.asarray(x) for x in (cup, stem, base, handles)])
    A.over(L, A.fill(Image.fromarray(m), gold))
    sheen = A.poly_mask(s, s, [(32 * k, 12 * k), (42 * k, 12 * k), (40 * k, 40 * k), (34 * k, 34 * k)])
    A.over(L, A.fill(A.mask_scale(sheen, 0.6), (255, 255, 255)))
    return _outline(L, L.getchannel("A"), width=max(1, s // 60))


def clock(s, face=(255, 250, 235), rim=((255, 120, 80), (180, 30, 20))):
    L = _layer(s)
    k = s / 100.0
    outer = A.ellipse_mask(s, s, (4 * k, 4 * k, 96 * k, 96 * k))
    inner = A.ellipse_mask(s, s, (13 * k, 13 * k, 87 * k, 87 * k))
    A.over(L, A.fill(outer, A.vgradient(s, s, [(0, rim[0]), (1, rim[1])])))
    A.over(L, A.fill(inner, face))
    d = ImageDraw.Draw(L)
    for i in range(12):
        a = math.radians(i * 30)
        r1, r2 = (30, 36) if i % 3 else (26, 36)
        d.line([(50 * k + r1 * k * math.cos(a), 50 * k + r1 * k * math.sin(a)),
                (50 * k + r2 * k * math.cos(a), 50 * k + r2 * k * math.sin(a))],
               fill=(40, 30, 60, 255), width=max(1, int(3 * k)))
    d.line([(50 * k, 50 * k), (50 * k, 22 * k)], fill=(40, 30, 60, 255), width=max(1, int(5 * k)))
    d.line([(50 * k, 50 * k), (70 * k, 62 * k)], fill=(200, 30, 30, 255), width=max(1, int(4 * k)))
    A.over(L, A.fill(A.ellipse_mask(s, s, (45 * k, 45 * k, 55 * k, 55 * k)), (40, 30, 60)))
    return _outline(L, L.getchannel("A"), width=max(1, s // 60))


def person(s, colour=(255, 255, 255)):
    """A player figure (head and shoulders)."""
    L = _layer(s)
    k = s / 100.0
    head = A.ellipse_mask(s, s, (30 * k, 4 * k, 70 * k, 44 * k))
    body = A.rrect_mask(s, s, (12 * k, 50 * k, 88 * k, 100 * k), 34 * k)
    m = Image.fromarray(np.maximum(np.asarray(head), np.asarray(body)))
    A.over(L, A.fill(m, colour))
    return L


CATEGORY_ICONS = {
    "letters": book,
    "science": atom,
    "sport": ball,
    "geography": globe,
    "history": temple,
    "various": bulb,
}
