"""Pictures of the game screen: ingame.jpg (background and the artwork the game
copies from beyond 800 x 600), the jolly button frames (jolly.jpg), the puzzle
tile cover (puzzle.jpg), the category pictures (sport.jpg, various.jpg) and the
outcome pictures (wow, welldone, incorrect, youlose, endgame)."""

import math
import random

import numpy as np
from PIL import Image, ImageDraw, ImageFilter

import art_icons as I
import art_lib as A
import art_menus as M
import picture_regions as R

# Visual answer boxes: the correct/wrong strips (248 x 33) are drawn at a box's
# hot-area corner plus (4, 4), so each box is drawn 256 x 41 from that corner.
BOX_W, BOX_H = 256, 41
BOX_TAGS = ["A", "B", "C", "D"]


def game_background(w=800, h=600):
    bg = A.vgradient(w, h, [(0.0, (10, 10, 44)), (0.5, (26, 14, 78)), (1.0, (12, 6, 38))])
    A.over(bg, A.radial(w, h, 400, 520, 520, 200, [(0, (120, 60, 220, 110)), (1, (120, 60, 220, 0))]))
    A.over(bg, A.radial(w, h, 390, 180, 330, 260, [(0, (60, 90, 230, 90)), (1, (60, 90, 230, 0))]))
    A.over(bg, A.rays(w, h, 390, 180, 24, (150, 160, 255), 14, softness=0.35))
    return bg


def answer_box_layer(tag_side, tag):
    """A 256 x 41 answer box with its letter tag on tag_side ('left' or 'right'); layer 300 x 41."""
    w, h = BOX_W + 44, BOX_H
    layer = Image.new("RGBA", (w, h), (0, 0, 0, 0))
    bx = 44 if tag_side == "left" else 0
    box = (bx, 0, bx + BOX_W, BOX_H)
    outer = A.rrect_mask(w, h, box, 10)
    A.over(layer, A.glow(outer, 4, (60, 200, 255), 0.5))
    A.over(layer, A.fill(outer, A.vgradient(w, h, [(0, (160, 240, 255)), (1, (20, 120, 200))])))
    A.over(layer, A.fill(A.rrect_mask(w, h, (bx + 2, 2, bx + BOX_W - 2, BOX_H - 2), 8), box_interior(w, h)))
    tx = 14 if tag_side == "left" else BOX_W + 30
    tm = A.ellipse_mask(w, h, (tx - 13, h / 2 - 13, tx + 13, h / 2 + 13))
    A.over(layer, A.shadow(tm, (0, 2), 2, 0.6))
    A.over(layer, A.fill(tm, A.vgradient(w, h, [(0, (255, 245, 170)), (1, (220, 130, 10))])))
    A.text(layer, (tx, h / 2), tag, A.font("heavy", 18), (40, 14, 90), shadow_opacity=0.0)
    return layer, bx


def box_interior(w, h):
    return A.vgradient(w, h, [(0, (36, 42, 118)), (0.5, (22, 24, 80)), (1, (14, 14, 54))])


def side_panel(base):
    x, y, w, h = 606, 22, 186, 320
    A.over(base, M.panel(w, h, radius=16), (x, y))
    items = [("LIVES", 68, I.heart), ("SCORE", 137, lambda s: I.star(s)), ("QUESTION", 234, None),
             ("LEVEL", 305, None)]
    for label, vy, icon in items:
        A.text(base, (715, vy - 17), label, A.font("heavy", 15), (120, 230, 255), stroke=2,
               stroke_paint=(10, 10, 40), shadow_opacity=0.5)
        well = A.rrect_mask(800, 600, (645, vy - 7, 786, vy + 24), 8)
        A.over(base, A.fill(well, (6, 6, 26)))
        A.over(base, A.fill(A.mask_sub(well, A.rrect_mask(800, 600, (646, vy - 6, 785, vy + 23), 7)),
                            (90, 110, 200)))
        if icon is not None:
            A.over(base, icon(26), (615, vy - 5))
        elif label == "QUESTION":
            m = A.ellipse_mask(800, 600, (615, vy - 5, 641, vy + 21))
            A.over(base, A.fill(m, A.vgradient(800, 600, [(vy / 600, (200, 240, 255)),
                                                          ((vy + 21) / 600, (30, 140, 220))])))
            A.text(base, (628, vy + 8), "?", A.font("heavy", 19), (255, 255, 255), stroke=1,
                   stroke_paint=(10, 30, 80), shadow_opacity=0.0)
        else:
            for i, bh in enumerate((8, 14, 20)):
                bar = A.rrect_mask(800, 600, (616 + i * 9, vy + 19 - bh, 623 + i * 9, vy + 20), 2)
                A.over(base, A.fill(bar, [(120, 240, 130), (255, 210, 60), (255, 100, 80)][i]))


def time_panel(base):
    A.over(base, M.panel(100, 236, radius=14), (12, 112))
    A.text(base, (61, 132), "TIME", A.font("heavy", 17), (120, 230, 255), stroke=2,
           stroke_paint=(10, 10, 40), shadow_opacity=0.5)
    d = ImageDraw.Draw(base)
    d.rectangle((21, 146, 101, 301), fill=(90, 110, 200, 255))      # rim
    d.rectangle((22, 147, 100, 300), fill=(0, 0, 0, 255))
    d.rectangle((24, 149, 98, 298), fill=(14, 16, 48, 255))          # the empty bar well
    for y in range(149 + 15, 299, 15):                               # a tick each second
        d.line([(24, y), (28, y)], fill=(60, 70, 140, 255))
        d.line([(94, y), (98, y)], fill=(60, 70, 140, 255))
    well = A.rrect_mask(800, 600, (29, 313, 92, 343), 8)
    A.over(base, A.fill(well, (6, 6, 26)))
    A.over(base, A.fill(A.mask_sub(well, A.rrect_mask(800, 600, (30, 314, 91, 342), 7)), (90, 110, 200)))


def picture_frame(base):
    """Gold frame around the picture area; everything from (186, 25) to (595, 330) stays black."""
    outer = A.rrect_mask(800, 600, (174, 13, 607, 342), 14)
    A.over(base, A.shadow(outer, (0, 4), 6, 0.7))
    A.over(base, A.fill(outer, A.vgradient(800, 600, [(13 / 600, (255, 240, 160)), (0.3, (240, 170, 30)),
                                                      (342 / 600, (150, 90, 10))])))
    A.over(base, A.fill(A.rrect_mask(800, 600, (179, 18, 602, 337), 10), (8, 8, 30)))
    d = ImageDraw.Draw(base)
    d.rectangle((184, 23, 596, 331), outline=(60, 200, 255, 255))
    d.rectangle((186, 25, 594, 329), fill=(0, 0, 0, 255))


def times_up(base):
    """Shown only during a time-out: the game paints (248, 71)-(535, 269) black otherwise."""
    cx = (248 + 535) / 2
    A.over(base, A.radial(800, 600, cx, 168, 138, 95, [(0, (200, 40, 30, 170)), (1, (200, 40, 30, 0))]))
    ic = I.clock(110)
    A.over(base, ic, (int(cx - 55), 78))
    A.text(base, (cx, 222), "TIME'S UP!", A.font("heavy", 44),
           A.vgradient(800, 600, [(0, (255, 250, 200)), (200 / 600, (255, 220, 80)), (240 / 600, (255, 120, 30)),
                                  (1, (255, 120, 30))]),
           stroke=4, stroke_paint=(60, 0, 10), shadow_opacity=0.7)
    # nothing may spill outside the black rectangle
    keep = Image.new("L", (800, 600), 0)
    ImageDraw.Draw(keep).rectangle((248, 71, 534, 268), fill=255)
    return keep


def game_screen():
    """The visible 800 x 600 part of ingame.jpg."""
    bg = game_background()
    M.wordmark(bg, (14, 26, 172, 76), sub="QUIZ SHOW", sub_y=88, sub_size=13)
    picture_frame(bg)
    art = Image.new("RGBA", (800, 600), (0, 0, 0, 255))
    keep = times_up(art)
    bg.paste(art, (0, 0), keep)
    side_panel(bg)
    time_panel(bg)
    # question band
    band = (10, 361, 790, 423)
    A.over(bg, A.fill(A.rrect_mask(800, 600, band, 14), A.vgradient(800, 600, [(361 / 600, (160, 240, 255)),
                                                                               (423 / 600, (20, 110, 190))])))
    A.over(bg, A.fill(A.rrect_mask(800, 600, (12, 363, 788, 421), 12),
                      A.vgradient(800, 600, [(363 / 600, (30, 34, 100)), (421 / 600, (10, 10, 40))])))
    for k, (x, y, _w, _h) in enumerate(R.ANSWER_BOXES):
        side = "left" if k % 2 == 0 else "right"
        layer, bx = answer_box_layer(side, BOX_TAGS[k])
        A.over(bg, layer, (x - bx, y))
    return bg


def strip(bg_tile, top, bottom, rim):
    w, h = bg_tile.size
    tile = bg_tile.copy()
    A.over(tile, A.glossy_shape(w, h, (0, 0, w, h), 8, top, bottom, border=rim, border_w=1, gloss=0.45,
                                drop=False))
    return tile


def next_panel():
    w = R.NEXT_PANEL[2] - R.NEXT_PANEL[0]
    h = R.NEXT_PANEL[3] - R.NEXT_PANEL[1]
    tile = A.vgradient(w, h, [(0, (255, 245, 170)), (0.5, (255, 200, 40)), (1, (220, 120, 10))])
    d = ImageDraw.Draw(tile)
    d.rectangle((0, 0, w - 1, h - 1), outline=(60, 20, 100, 255), width=3)
    d.rectangle((4, 4, w - 5, h - 5), outline=(255, 255, 255, 200), width=1)
    A.over(tile, A.vgradient(w, h, [(0, (255, 255, 255, 90)), (0.45, (255, 255, 255, 20)), (0.5, (0, 0, 0, 0)),
                                    (1, (0, 0, 0, 0))]))
    A.text(tile, (w / 2, h / 2), "GET READY!", A.font("heavy", 28), (60, 16, 110), stroke=0,
           shadow_opacity=0.0, glow_paint=(255, 255, 255), glow_radius=2, glow_strength=0.8)
    return tile


def time_rows():
    """Colour profiles of the time bar, 75 columns: plenty of time, then hurry."""
    x = (np.arange(75) + 0.5) / 75
    prof = 0.45 + 0.55 * np.sin(np.pi * x) ** 0.6
    hi = np.exp(-((x - 0.32) / 0.1) ** 2) * 0.45
    rows = []
    for base in ((40, 230, 130), (255, 70, 40)):
        c = np.array(base, dtype=np.float64)
        row = c[None, :] * prof[:, None] + (255 - c[None, :] * prof[:, None]) * hi[:, None]
        rows.append(np.clip(np.rint(row), 0, 255).astype(np.uint8))
    return rows


def category_art(key, w, h, name, ox=0, oy=0):
    """Artwork of a question category: w x h, laid out as if its top-left were at (ox, oy) of a
    400 x 300 picture (so the split pictures line up)."""
    light, dark = I.CATEGORY_COLOURS[key]
    W, H = 400, 300
    full = A.radial(W, H, 200, 130, 290, 230, [(0, light), (0.55, dark), (1, tuple(int(c * 0.45) for c in dark))])
    A.over(full, A.rays(W, H, 200, 130, 16, (255, 255, 255), 34, softness=0.3))
    rnd = random.Random(sum(map(ord, key)))
    icon_fn = I.CATEGORY_ICONS[key]
    for _ in range(7):
        s = rnd.randint(26, 40)
        x = rnd.choice([rnd.randint(8, 90), rnd.randint(300, 392 - s)])
        y = rnd.randint(8, 180)
        small = icon_fn(s)
        small.putalpha(A.mask_scale(small.getchannel("A"), 0.45))
        A.over(full, small, (x, y))
    big = icon_fn(170)
    A.over_shadowed(full, big, (115, 20), (0, 6), 6, 0.6)
    bandm = A.rrect_mask(W, H, (60, 212, 340, 276), 18)
    A.over(full, A.fill(bandm, (10, 8, 40, 200)))
    A.over(full, A.fill(A.mask_sub(bandm, A.rrect_mask(W, H, (62, 214, 338, 274), 16)), (255, 220, 90)))
    A.text(full, (200, 244), name, A.fit_font("heavy", name, 250, 40, start=38),
           A.vgradient(W, H, [(0, (255, 250, 210)), (236 / H, (255, 220, 90)), (256 / H, (240, 150, 20)),
                              (1, (240, 150, 20))]),
           stroke=3, stroke_paint=(30, 8, 60), shadow_opacity=0.6)
    for _ in range(10):
        A.sparkle(full, rnd.uniform(20, 380), rnd.uniform(10, 200), rnd.uniform(2, 5), (255, 255, 255),
                  rnd.uniform(0.5, 0.9))
    return full.crop((ox, oy, ox + w, oy + h))


def make_ingame():
    W, H = R.SIZES["ingame.jpg"]
    img = Image.new("RGBA", (W, H), (8, 8, 30, 255))
    screen = game_screen()
    img.paste(screen, (0, 0))

    # Geography and History fill the picture area from (191, 28)
    img.paste(category_art("geography", 400, 299, "GEOGRAPHY"), R.GEO_ART[:2])
    img.paste(category_art("history", 399, 299, "HISTORY"), R.HISTORY_ART[:2])
    # Letters: two 199-wide halves side by side on screen
    lett = category_art("letters", 398, 300, "LETTERS")
    img.paste(lett.crop((0, 0, 199, 300)), R.LETTERS_ART[0][0][:2])
    img.paste(lett.crop((199, 0, 398, 300)), R.LETTERS_ART[1][0][:2])
    # Science: the left half from (191, 28), the right half (from (390, 27)) in three 100-row pieces.
    # sci covers screen x 191..590 and y 27..328.
    sci = category_art("science", 400, 301, "SCIENCE", 0, -1)
    img.paste(sci.crop((0, 1, 199, 300)), R.SCIENCE_ART[0][0][:2])
    for k in range(3):
        img.paste(sci.crop((199, 100 * k, 399, 100 * k + 100)), R.SCIENCE_ART[k + 1][0][:2])

    # answer strips: the box interior (at hot-area corner + 4) as background
    x, y = R.ANSWER_BOXES[0][0] + 4, R.ANSWER_BOXES[0][1] + 4
    sw = R.CORRECT_STRIP[2] - R.CORRECT_STRIP[0]
    sh = R.CORRECT_STRIP[3] - R.CORRECT_STRIP[1]
    under = screen.crop((x, y, x + sw, y + sh))
    img.paste(strip(under, (110, 250, 130), (10, 130, 50), ((220, 255, 220), (40, 160, 70))), R.CORRECT_STRIP[:2])
    img.paste(strip(under, (255, 110, 100), (170, 20, 30), ((255, 220, 220), (190, 40, 40))), R.WRONG_STRIP[:2])
    img.paste(next_panel(), R.NEXT_PANEL[:2])

    # time bar colours: row 1000 and rows 1001..1007 (one JPEG block row), padded to x 80
    arr = np.array(img)
    ok, hurry = time_rows()
    arr[1000, 0:75, :3] = ok
    arr[1000, 75:80, :3] = ok[-1]
    for yy in range(1001, 1008):
        arr[yy, 0:75, :3] = hurry
        arr[yy, 75:80, :3] = hurry[-1]
    return Image.fromarray(arr, "RGBA"), screen


def jolly_frame(f, bg_tile):
    """Frame 0: the jolly ready to use; 1..8: it flips over to its used (grey) side."""
    w, h = R.JOLLY_FRAME
    tile = bg_tile.copy()
    ang = f * 180.0 / 8
    c = math.cos(math.radians(ang))
    rw = max(64.0 * abs(c), 5.0)
    cx, cy, rh = 79.5, 77.0, 64.0
    sh = A.ellipse_mask(w, h, (cx - rw, cy - rh + 6, cx + rw, cy + rh + 6))
    A.over(tile, A.fill(A.mask_scale(sh.filter(ImageFilter.GaussianBlur(5)), 0.6), (0, 0, 0)))
    if f <= 3:
        if f == 0:
            A.over(tile, A.glow(A.ellipse_mask(w, h, (cx - rw, cy - rh, cx + rw, cy + rh)), 6, (255, 220, 90), 0.8))
        face = ((255, 250, 210), (255, 170, 20))
        rim = ((255, 245, 180), (180, 100, 10))
        sym_col = (90, 20, 150)
    elif f == 4:
        face = ((220, 200, 160), (160, 120, 60))
        rim = ((230, 220, 190), (120, 100, 70))
        sym_col = (0, 0, 0)
    else:
        face = ((190, 190, 205), (100, 100, 120))
        rim = ((220, 220, 230), (80, 80, 95))
        sym_col = (70, 70, 90)
    sym = "" if f == 4 else "J"
    A.over(tile, M.medallion(w, h, cx, cy, rw, rh, face, sym, sym_col, rim))
    if f == 0:
        A.text(tile, (cx, cy + 45), "JOLLY", A.font("heavy", 14), (90, 20, 150), shadow_opacity=0.0)
        for sx, sy, ss in ((22, 22, 6), (136, 34, 5), (130, 128, 4)):
            A.sparkle(tile, sx, sy, ss, (255, 255, 230), 0.95)
    elif f == 8:
        A.text(tile, (cx, cy + 45), "USED", A.font("heavy", 14), (70, 70, 90), shadow_opacity=0.0)
    return tile


def make_jolly(screen):
    fw, fh = R.JOLLY_FRAME
    w, h = R.SIZES["jolly.jpg"]
    img = Image.new("RGBA", (w, h), (0, 0, 0, 255))
    x, y = R.JOLLY_POS
    bg = screen.crop((x, y, x + fw, y + fh))
    for f in range(R.JOLLY_FRAMES):
        row, col = divmod(f, R.JOLLY_PER_ROW)
        img.paste(jolly_frame(f, bg), (col * fw, row * fh))
    return img


def make_puzzle():
    w = h = 100
    tile = Image.new("RGBA", (w, h), (0, 0, 0, 255))
    A.over(tile, A.glossy_shape(w, h, (0, 0, w, h), 6, (140, 90, 255), (50, 20, 140),
                                border=((255, 240, 170), (190, 110, 10)), border_w=3, gloss=0.35, drop=False))
    A.text(tile, (50, 52), "?", A.font("heavy", 66), A.vgradient(w, h, [(0, (255, 250, 210)), (0.45, (255, 210, 60)),
                                                                       (1, (220, 120, 10))]),
           stroke=3, stroke_paint=(40, 10, 80), shadow_opacity=0.6)
    return A.flatten(tile, (40, 20, 110))


def result_picture(title, sub, light, dark, icon=None, title_paint=None, title_size=70, sub_colour=(255, 255, 255),
                   seed=1, burst=True, icon_size=120, icon_pos=None, title_y=None, sub_dy=52):
    """An outcome picture (400 x 300); rows 268..300 are kept plain for the game's score line."""
    W, H = 400, 300
    img = A.radial(W, H, 200, 120, 300, 240, [(0, light), (0.6, dark), (1, tuple(int(c * 0.4) for c in dark))])
    if burst:
        A.over(img, A.rays(W, H, 200, 120, 18, (255, 255, 255), 50, softness=0.3))
    rnd = random.Random(seed)
    for _ in range(14):
        A.sparkle(img, rnd.uniform(15, 385), rnd.uniform(10, 250), rnd.uniform(2, 6), (255, 255, 255),
                  rnd.uniform(0.5, 1.0))
    if icon is not None:
        ic = icon(icon_size)
        px, py = icon_pos if icon_pos else (200 - icon_size // 2, 14)
        A.over_shadowed(img, ic, (px, py), (0, 5), 5, 0.6)
    paint = title_paint or A.vgradient(W, H, [(0, (255, 255, 230)), (0.45, (255, 225, 90)), (0.7, (255, 160, 20)),
                                              (1, (255, 160, 20))])
    ty = title_y if title_y is not None else 180
    f = A.fit_font("heavy", title, 370, title_size, start=title_size + 20)
    A.text(img, (200, ty), title, f, paint, stroke=5, stroke_paint=(30, 6, 50), shadow_opacity=0.7,
           shadow_off=(0, 4), shadow_blur=4)
    if sub:
        A.text(img, (200, ty + sub_dy), sub, A.fit_font("heavy", sub, 360, 24, start=24), sub_colour, stroke=2,
               stroke_paint=(20, 6, 40), shadow_opacity=0.6)
    # plain dark band for the score line drawn by the game at screen y 305 (picture y 277)
    A.over(img, A.vgradient(W, H, [(0, (0, 0, 0, 0)), (262 / H, (0, 0, 0, 0)), (270 / H, (6, 4, 24, 215)),
                                   (1, (6, 4, 24, 215))]))
    return A.flatten(img)


def cross(s):
    L = Image.new("RGBA", (s, s), (0, 0, 0, 0))
    k = s / 100.0
    m = Image.new("L", (s * A.SS, s * A.SS), 0)
    d = ImageDraw.Draw(m)
    ss = A.SS * k
    d.line([(18 * ss, 18 * ss), (82 * ss, 82 * ss)], fill=255, width=int(20 * ss))
    d.line([(82 * ss, 18 * ss), (18 * ss, 82 * ss)], fill=255, width=int(20 * ss))
    m = m.reduce(A.SS)
    A.over(L, A.fill(m.filter(ImageFilter.MaxFilter(5)), (60, 0, 10)))
    A.over(L, A.fill(m, A.vgradient(s, s, [(0, (255, 140, 130)), (1, (200, 20, 30))])))
    return L


def broken_heart(s):
    L = I.heart(s, (150, 150, 170), (70, 70, 90))
    k = s / 100.0
    d = ImageDraw.Draw(L)
    d.line([(50 * k, 22 * k), (42 * k, 40 * k), (56 * k, 54 * k), (46 * k, 70 * k), (50 * k, 84 * k)],
           fill=(20, 10, 30, 255), width=max(2, int(4 * k)))
    return L


def make_results():
    out = {}
    out["welldone.jpg"] = result_picture("WELL DONE!", "CORRECT ANSWER", (120, 250, 200), (0, 110, 110),
                                         icon=lambda s: I.star(s), seed=11)
    out["wow.jpg"] = result_picture("WOW!", "FANTASTIC ANSWER!", (255, 150, 255), (120, 20, 160),
                                    icon=None, title_size=110, title_y=110, sub_dy=98, seed=12)
    out["incorrect.jpg"] = result_picture("WRONG!", "INCORRECT ANSWER", (255, 120, 100), (120, 10, 30),
                                          icon=cross, title_paint=(255, 255, 255), seed=13, burst=False)
    out["youlose.jpg"] = result_picture("GAME OVER", "NO LIVES LEFT", (120, 110, 140), (30, 20, 40),
                                        icon=broken_heart, title_paint=A.vgradient(400, 300, [
                                            (0, (255, 200, 190)), (0.5, (255, 80, 60)), (0.7, (180, 20, 20)),
                                            (1, (180, 20, 20))]), seed=14, burst=False)
    out["endgame.jpg"] = result_picture("CHAMPION!", "YOU FINISHED THE GAME", (255, 240, 160), (200, 110, 10),
                                        icon=I.trophy, seed=15)
    out["sport.jpg"] = A.flatten(category_art("sport", 400, 300, "SPORT"))
    out["various.jpg"] = A.flatten(category_art("various", 400, 300, "VARIOUS"))
    return out
