"""Pictures of the menu screens: title/options/players (back.jpg, bottoni.tga,
titolo.tga, nux.tga), skill choice (skill.jpg), level start (newlevel.jpg), the
launcher (launcher.png), the studio logo (bflogo.jpg) and the mouse pointers.

Tiles that the game draws opaquely over a background (hover looks, labels,
panels) carry a copy of the background they land on, so they join it without
a visible seam."""

import math
import random

import numpy as np
from PIL import Image, ImageDraw, ImageFilter

import art_icons as I
import art_lib as A
import picture_regions as R

# ---- shared pieces ---------------------------------------------------------

IDLE = dict(top=(112, 100, 255), bottom=(44, 30, 150), border=((255, 236, 150), (196, 120, 16)),
            label=(255, 255, 255), stroke=(24, 10, 70))
HOVER = dict(top=(255, 240, 130), bottom=(250, 150, 20), border=((255, 255, 255), (255, 210, 120)),
             label=(44, 14, 96), stroke=None)


def menu_background(w=800, h=600, sparkles=True):
    """The deep purple studio backdrop shared by every menu screen."""
    bg = A.vgradient(w, h, [(0.0, (16, 8, 56)), (0.45, (38, 16, 100)), (1.0, (14, 6, 44))])
    A.over(bg, A.radial(w, h, w * 0.5, h * 0.42, w * 0.7, h * 0.75,
                        [(0.0, (110, 70, 220, 120)), (1.0, (110, 70, 220, 0))]))
    A.over(bg, A.rays(w, h, w * 0.5, -h * 0.15, 22, (170, 150, 255), 20, softness=0.4))
    # dark vignette towards the corners
    A.over(bg, A.radial(w, h, w * 0.5, h * 0.5, w * 0.75, h * 0.8,
                        [(0.0, (0, 0, 0, 0)), (0.7, (0, 0, 0, 0)), (1.0, (0, 0, 20, 120))]))
    if sparkles:
        rnd = random.Random(1234)
        for _ in range(26):
            # keep the twinkles at the sides, away from the text columns
            x = rnd.choice([rnd.uniform(12, w * 0.12), rnd.uniform(w * 0.88, w - 12)])
            y = rnd.uniform(20, h - 80)
            A.sparkle(bg, x, y, rnd.uniform(2.5, 6.5), (200, 220, 255), rnd.uniform(0.35, 0.8))
    return bg


def button(w, h, label, look, size=None, radius=None, margin=(3, 2, 3, 4), icon=None,
           kind="heavy"):
    """A glossy pill button on a transparent w x h layer."""
    mx0, my0, mx1, my1 = margin
    box = (mx0, my0, w - mx1, h - my1)
    r = radius if radius is not None else (box[3] - box[1]) / 2
    layer = Image.new("RGBA", (w, h), (0, 0, 0, 0))
    if look is HOVER:
        halo = A.rrect_mask(w, h, box, r)
        A.over(layer, A.glow(halo, 3, (255, 230, 120), 0.9))
    A.over(layer, A.glossy_shape(w, h, box, r, look["top"], look["bottom"], border=look["border"],
                                 border_w=2, gloss=0.42))
    cx = (box[0] + box[2]) / 2
    if icon is not None:
        ic = icon(box[3] - box[1] - 8)
        A.over(layer, ic, (box[0] + 10, box[1] + 4))
        cx += (ic.size[0] + 6) / 2
    if label:
        f = A.font(kind, size or int((box[3] - box[1]) * 0.5))
        if look["stroke"]:
            A.text(layer, (cx, (box[1] + box[3]) / 2), label, f, look["label"], stroke=2,
                   stroke_paint=look["stroke"], shadow_opacity=0.5, shadow_off=(0, 1), shadow_blur=1)
        else:
            A.text(layer, (cx, (box[1] + box[3]) / 2), label, f, look["label"],
                   shadow_opacity=0.0)
    return layer


def panel(w, h, radius=18, title=None):
    """The dark menu board with a gold rim and a cyan inner line (transparent corners)."""
    layer = Image.new("RGBA", (w, h), (0, 0, 0, 0))
    box = (1, 1, w - 1, h - 1)
    outer = A.rrect_mask(w, h, box, radius)
    A.over(layer, A.fill(outer, A.vgradient(w, h, [(0, (255, 230, 140)), (0.5, (230, 160, 30)),
                                                   (1, (150, 90, 10))])))
    body = A.rrect_mask(w, h, (4, 4, w - 4, h - 4), radius - 3)
    A.over(layer, A.fill(body, A.vgradient(w, h, [(0, (30, 30, 96)), (0.25, (20, 20, 70)),
                                                  (1, (12, 12, 44))])))
    line = A.mask_sub(A.rrect_mask(w, h, (8, 8, w - 8, h - 8), radius - 6),
                      A.rrect_mask(w, h, (9, 9, w - 9, h - 9), radius - 7))
    A.over(layer, A.fill(A.mask_scale(line, 0.6), A.CYAN))
    sheen = A.mask_mul(A.rrect_mask(w, h, (5, 5, w - 5, 40), radius - 4), body)
    A.over(layer, A.fill(sheen, A.vgradient(w, h, [(0, (255, 255, 255, 34)), (40 / h, (255, 255, 255, 0)),
                                                   (1, (255, 255, 255, 0))])))
    return layer


def banner(w, h, txt, size=22, colour=(255, 255, 255)):
    """A full-width band with gold rules (header strips)."""
    layer = Image.new("RGBA", (w, h), (0, 0, 0, 0))
    band = A.hgradient(w, h, [(0, (40, 160, 255, 0)), (0.2, (40, 120, 240, 150)), (0.5, (60, 140, 255, 190)),
                              (0.8, (40, 120, 240, 150)), (1, (40, 160, 255, 0))])
    A.over(layer, band)
    rule = A.hgradient(w, 2, [(0, (255, 210, 60, 0)), (0.2, (255, 210, 60, 255)), (0.8, (255, 210, 60, 255)),
                              (1, (255, 210, 60, 0))])
    A.over(layer, rule, (0, 1))
    A.over(layer, rule, (0, h - 3))
    A.text(layer, (w / 2, h / 2), txt, A.font("heavy", size), colour, stroke=2,
           stroke_paint=(16, 10, 60), shadow_opacity=0.6)
    return layer


def wordmark(base, box, name="TRIVELLO", sub=None, sub_y=None, sub_size=14):
    """The game's name in gold letters with a dark rim and a cyan glow."""
    x0, y0, x1, y1 = box
    f = A.fit_font("heavy", name, x1 - x0 - 10, y1 - y0 - 10)
    w, h = base.size
    cx, cy = (x0 + x1) / 2, (y0 + y1) / 2
    gold = A.vgradient(w, h, [(0, (255, 250, 200)), (max(0.0, (cy - 12) / h), (255, 230, 110)),
                              (min(1.0, (cy + 4) / h), (255, 180, 30)), (min(1.0, (y1) / h), (200, 110, 10)),
                              (1, (200, 110, 10))])
    A.text(base, (cx, cy), name, f, gold, stroke=4, stroke_paint=(34, 8, 70), glow_paint=(60, 200, 255),
           glow_radius=7, glow_strength=0.9, shadow_off=(0, 3), shadow_blur=3)
    if sub:
        A.text(base, (cx, sub_y), sub, A.font("bold", sub_size), (120, 230, 255), stroke=2,
               stroke_paint=(16, 8, 50), shadow_opacity=0.5)


def medallion(w, h, cx, cy, rw, rh, face, symbol, sym_colour, rim=((255, 240, 160), (170, 100, 10))):
    """A coin seen at a slant: ellipse rw x rh with a symbol squeezed to the same width."""
    layer = Image.new("RGBA", (w, h), (0, 0, 0, 0))
    rw = max(rw, 2.0)
    outer = A.ellipse_mask(w, h, (cx - rw, cy - rh, cx + rw, cy + rh))
    A.over(layer, A.fill(outer, A.vgradient(w, h, [(0, rim[0]), (1, rim[1])])))
    ir = max(rw - 4 * rw / rh, 0.5)
    inner = A.ellipse_mask(w, h, (cx - ir, cy - rh + 4, cx + ir, cy + rh - 4))
    A.over(layer, A.fill(inner, A.radial(w, h, cx - ir * 0.3, cy - rh * 0.35, ir * 1.6 + 1, rh * 1.6,
                                         [(0, face[0]), (1, face[1])])))
    if rw > 6:
        # the symbol, drawn full size and squeezed horizontally
        big = Image.new("RGBA", (int(rh * 2), int(rh * 2)), (0, 0, 0, 0))
        A.text(big, (rh, rh + 1), symbol, A.font("heavy", int(rh * 1.5)), sym_colour, stroke=2,
               stroke_paint=(30, 10, 60), shadow_opacity=0.4)
        sq = big.resize((max(1, int(round(big.size[0] * ir / rh))), big.size[1]), Image.LANCZOS)
        A.over(layer, sq, (int(round(cx - sq.size[0] / 2)), int(round(cy - rh))))
    # a highlight across the upper part
    sheen = A.mask_mul(A.ellipse_mask(w, h, (cx - ir * 0.75, cy - rh + 6, cx + ir * 0.75, cy - 2)), inner)
    A.over(layer, A.fill(A.mask_scale(sheen, 0.28), (255, 255, 255)))
    return layer


# ---- title emblem (titolo.tga) ----------------------------------------------

def titolo_frame(f):
    """Frame f of 7: a coin flipping from a gold '?' (frame 0) to a cyan '!' (frame 6)."""
    fw, fh = R.TITOLO_FRAME
    ang = f * 180.0 / 6
    c = math.cos(math.radians(ang))
    rw = 28.0 * abs(c)
    rh = 30.0
    layer = Image.new("RGBA", (fw, fh), (0, 0, 0, 0))
    # floor shadow
    sh = A.ellipse_mask(fw, fh, (30.5 - max(rw, 4) * 0.9, 63, 30.5 + max(rw, 4) * 0.9, 69))
    A.over(layer, A.fill(A.mask_scale(sh.filter(ImageFilter.GaussianBlur(1.5)), 0.55), (0, 0, 0)))
    if f < 3:
        face, sym, col = ((255, 250, 210), (255, 190, 40)), "?", (80, 20, 140)
        rim = ((255, 240, 160), (170, 100, 10))
    elif f > 3:
        face, sym, col = ((210, 255, 255), (40, 170, 240)), "!", (255, 255, 255)
        rim = ((190, 250, 255), (0, 90, 160))
    else:
        face, sym, col = ((255, 230, 140), (200, 130, 20)), "", (0, 0, 0)
        rim = ((255, 240, 160), (150, 90, 10))
    if f == 3:
        rw = 3.5
    A.over(layer, medallion(fw, fh, 30.5, 33.0, rw, rh, face, sym, col, rim))
    return layer


def make_titolo():
    fw, fh = R.TITOLO_FRAME
    w, h = R.SIZES["titolo.tga"]
    img = Image.new("RGBA", (w, h), (0, 0, 0, 0))
    for f in range(R.TITOLO_FRAMES):
        row, col = divmod(f, R.TITOLO_PER_ROW)
        img.paste(titolo_frame(f), (col * fw, row * fh))
    return img


# ---- back.jpg and bottoni.tga ------------------------------------------------

def title_canvas():
    """Title screen background without buttons: backdrop, name, menu board."""
    bg = menu_background()
    wordmark(bg, (320, 10, 548, 84))
    # the subtitle is centred under the emblem (255 .. 316) and the name together
    A.text(bg, (401, 100), "THE TRIVIA QUIZ SHOW", A.font("bold", 14), (120, 230, 255), stroke=2,
           stroke_paint=(16, 8, 50), shadow_opacity=0.5)
    return bg


def menu_area(bg):
    """The title background where the menu boards stand, without boards or
    buttons (274 x 337, drawn at (255, 206)): the screens drawn over the title
    picture (players, options, results, top ten) cover the title's menu with it."""
    x, y = R.MENU_PANEL_POS
    w = R.MENU_PANEL[2] - R.MENU_PANEL[0]
    h = R.MENU_PANEL[3] - R.MENU_PANEL[1]
    return bg.crop((x, y, x + w, y + h))


def menu_boards(bg):
    """The title's menu boards over the area of menu_area(): one behind buttons
    1 to 3 and one behind Quit. The empty fourth button place between them
    stays bare background, as the title covers it with that piece of
    menu_area() (MENU_PANEL_SLICE)."""
    tile = menu_area(bg)
    w = tile.size[0]
    top = R.MENU_PANEL_POS[1]
    slice_top = R.MENU_PANEL_SLICE_POS[1] - top
    slice_bottom = slice_top + R.MENU_PANEL_SLICE[3] - R.MENU_PANEL_SLICE[1]
    quit_y = [y for n, _y1, _y2, _x, y in R.TITLE_BUTTONS if n == 5][0] - top
    upper = (0, slice_top)                       # rows 0 .. slice_top - 1
    lower = (quit_y - 9, tile.size[1])           # 9 rows above Quit to the bottom
    if lower[0] < slice_bottom:
        raise SystemExit("the Quit board would reach into the fourth button place")
    for y1, y2 in (upper, lower):
        A.over(tile, panel(w, y2 - y1), (0, y1))
    return tile


def title_button(n, look):
    for num, y1, y2, _x, _y in R.TITLE_BUTTONS:
        if num == n:
            return button(R.TITLE_BUTTON_WIDTH, y2 - y1, R.TITLE_BUTTON_LABELS[n], look, size=22)
    raise KeyError(n)


def player_button(n, w, h, bg_tile):
    """Players-count look: big digit above n player figures (opaque, on its background)."""
    tile = bg_tile.copy()
    box = (3, 3, w - 3, h - 4)
    A.over(tile, A.glossy_shape(w, h, box, 16, (70, 220, 255), (10, 80, 170),
                                border=((255, 240, 160), (190, 110, 10)), border_w=2, gloss=0.38,
                                gloss_stop=0.42))
    A.text(tile, (w / 2, 27), str(n), A.font("heavy", 38), A.vgradient(w, h, [(0, (255, 250, 200)),
                                                                              (0.35, (255, 200, 40)),
                                                                              (1, (200, 110, 10))]),
           stroke=3, stroke_paint=(20, 10, 60), shadow_opacity=0.6)
    fig = 20
    gap = 3
    total = n * fig + (n - 1) * gap
    x0 = int(round((w - total) / 2))
    for i in range(n):
        A.over(tile, A.shadow(I.person(fig).getchannel("A"), (1, 1), 1, 0.6), (x0 + i * (fig + gap), 52))
        A.over(tile, I.person(fig, (255, 255, 255)), (x0 + i * (fig + gap), 52))
    word = "PLAYER" if n == 1 else "PLAYERS"
    A.text(tile, (w / 2, 78), word, A.font("bold", 9), (255, 255, 255), stroke=1,
           stroke_paint=(10, 30, 80), shadow_opacity=0.0)
    return tile


def option_box(look, bg_tile):
    """50 x 45 check box: a 2 px frame around a 37 x 37 well at (5, 6)."""
    w, h = 50, 45
    tile = bg_tile.copy()
    if look is HOVER:
        A.over(tile, A.glow(A.rrect_mask(w, h, (3, 4, 44, 45), 6), 3, (255, 220, 90), 1.0))
        rim = ((255, 250, 200), (255, 170, 20))
        well = ((70, 60, 150), (30, 24, 90))
    else:
        rim = ((190, 240, 255), (40, 150, 220))
        well = ((20, 20, 64), (36, 34, 100))
    A.over(tile, A.fill(A.rrect_mask(w, h, (3, 4, 44, 45), 6), A.vgradient(w, h, [(0, rim[0]), (1, rim[1])])))
    A.over(tile, A.fill(A.rrect_mask(w, h, (5, 6, 42, 43), 4), A.vgradient(w, h, [(0, well[0]), (1, well[1])])))
    return tile


def check_mark():
    """37 x 37 opaque ticked well (covers the box's well exactly)."""
    w = h = 37
    tile = A.vgradient(w, h, [(0, (90, 235, 120)), (1, (10, 140, 60))])
    A.over(tile, A.fill(A.mask_sub(A.rrect_mask(w, h, (0, 0, w, h), 4), A.rrect_mask(w, h, (1, 1, w - 1, h - 1), 3)),
                        (220, 255, 230)))
    pts = [(6, 19), (11, 14), (16, 20), (28, 6), (33, 11), (16, 30)]
    m = A.poly_mask(w, h, pts)
    A.over(tile, A.shadow(m, (1, 2), 1.2, 0.6))
    A.over(tile, A.fill(m, (255, 255, 255)))
    corner = A.fill(A.mask_sub(Image.new("L", (w, h), 255), A.rrect_mask(w, h, (0, 0, w, h), 4)), (30, 28, 90))
    A.over(tile, corner)
    return tile


def volume_bar():
    w = R.VOLUME_BAR[2] - R.VOLUME_BAR[0]
    h = R.VOLUME_BAR[3] - R.VOLUME_BAR[1]
    bar = A.hgradient(w, h, [(0, (40, 210, 255)), (0.5, (90, 240, 120)), (0.8, (255, 220, 40)),
                             (1, (255, 110, 40))])
    shade = A.vgradient(w, h, [(0, (255, 255, 255, 150)), (0.45, (255, 255, 255, 30)), (0.5, (0, 0, 0, 0)),
                               (1, (0, 0, 40, 110))])
    A.over(bar, shade)
    d = ImageDraw.Draw(bar)
    d.line([(0, 0), (w, 0)], fill=(255, 255, 255, 200))
    d.line([(0, h - 1), (w, h - 1)], fill=(10, 10, 40, 255))
    for x in range(10, w, 11):  # notches every 5 volume steps
        d.line([(x, 3), (x, h - 4)], fill=(0, 0, 30, 50))
    return bar


def options_panel_layer(w, h):
    """The options board: heading, option labels, volume tracks, idle OK button."""
    layer = panel(w, h, radius=22)
    px, py = R.OPTIONS_PANEL_POS
    A.text(layer, (w / 2, 30), "GAME OPTIONS", A.font("heavy", 28),
           A.vgradient(w, h, [(0, (255, 250, 200)), (0.06, (255, 200, 40)), (0.1, (210, 120, 10)),
                              (1, (210, 120, 10))]),
           stroke=3, stroke_paint=(30, 10, 60), shadow_opacity=0.6)
    labels = ["Full screen mode", "Submit scores online", "Show the correct answer"]
    for k, txt in enumerate(labels):
        _rect, (bx, by) = R.OPTION_BOXES[k]
        A.text(layer, (bx + 62 - px, by + 23 - py), txt, A.font("bold", 20), (255, 255, 255), anchor="lm",
               stroke=2, stroke_paint=(10, 10, 40), shadow_opacity=0.5)
    for k, (name, (bx, by)) in enumerate(zip(("MUSIC", "EFFECTS"), R.VOLUME_BAR_POS)):
        lx, ly = bx - px, by - py
        A.text(layer, (lx - 14, ly + 12), name, A.font("heavy", 18), (120, 230, 255), anchor="rm",
               stroke=2, stroke_paint=(10, 10, 40), shadow_opacity=0.5)
        bw = R.VOLUME_BAR[2] - R.VOLUME_BAR[0]
        bh = R.VOLUME_BAR[3] - R.VOLUME_BAR[1]
        frame = A.rrect_mask(w, h, (lx - 3, ly - 3, lx + bw + 3, ly + bh + 3), 5)
        A.over(layer, A.fill(frame, A.vgradient(w, h, [(0, (255, 230, 140)), (1, (150, 90, 10))])))
        A.over(layer, A.fill(A.rrect_mask(w, h, (lx - 1, ly - 1, lx + bw + 1, ly + bh + 1), 3), (6, 6, 24)))
        d = ImageDraw.Draw(layer)
        d.rectangle((lx, ly, lx + bw - 1, ly + bh - 1), fill=(16, 18, 52, 255))
        for x in range(lx + 10, lx + bw, 11):
            d.line([(x, ly + 4), (x, ly + bh - 5)], fill=(40, 44, 100, 255))
    okw = R.OPTIONS_OK_HOVER[2] - R.OPTIONS_OK_HOVER[0]
    okh = R.OPTIONS_OK_HOVER[3] - R.OPTIONS_OK_HOVER[1]
    ox, oy = R.OPTIONS_OK_POS
    A.over(layer, button(okw, okh, "OK", IDLE, size=24), (ox - px, oy - py))
    return layer


def make_back():
    """back.jpg (1024 x 1024) and the title hover looks bottoni.tga."""
    W, H = R.SIZES["back.jpg"]
    img = Image.new("RGBA", (W, H), (10, 6, 30, 255))
    canvas = title_canvas()
    bare = menu_area(canvas)
    title = canvas.copy()
    title.paste(menu_boards(canvas), R.MENU_PANEL_POS)
    under_buttons = title.copy()
    hovers = Image.new("RGBA", R.SIZES["bottoni.tga"], (0, 0, 0, 0))
    for n, y1, y2, x, y in R.TITLE_BUTTONS:
        A.over(title, title_button(n, IDLE), (x, y))
        tile = under_buttons.crop((x, y, x + R.TITLE_BUTTON_WIDTH, y + y2 - y1))
        A.over(tile, title_button(n, HOVER))
        hovers.paste(tile, (0, y1))
    img.paste(title, (0, 0))

    # players screen: header strip, then the board, then the count buttons over both
    hx, hy = R.PLAYERS_HEADER_POS
    strip = title.crop((hx, hy, hx + 800, hy + 37))
    A.over(strip, banner(800, 37, "HOW MANY PLAYERS?"))
    img.paste(strip, R.PLAYERS_HEADER[:2])
    img.paste(bare, R.MENU_PANEL[:2])
    players = title.copy()
    players.paste(strip, (hx, hy))
    players.paste(bare, R.MENU_PANEL_POS)
    for n, sx, sy, w, h, x, y in R.PLAYER_BUTTONS:
        img.paste(player_button(n, w, h, players.crop((x, y, x + w, y + h))), (sx, sy))

    # back button of the players and skill screens: hover first, the label overwrites the shared rows
    bx, by = R.BACK_POS
    back_bg = canvas.crop((bx, by, bx + 150, by + 50))
    for rect, look in ((R.BACK_HOVER, HOVER), (R.BACK_LABEL, IDLE)):
        tile = back_bg.copy()
        A.over(tile, button(150, 50, "\u25c4 BACK", look, size=19, margin=(3, 3, 3, 4), kind="bold"))
        img.paste(tile, rect[:2])

    # options screen: the bare menu area drawn at (255, 206), then the options board over it
    options = title.copy()
    options.paste(bare, R.MENU_PANEL_POS)
    ox, oy = R.OPTIONS_PANEL_POS
    ow = R.OPTIONS_PANEL[2] - R.OPTIONS_PANEL[0]
    oh = R.OPTIONS_PANEL[3] - R.OPTIONS_PANEL[1]
    otile = options.crop((ox, oy, ox + ow, oy + oh))
    A.over(otile, options_panel_layer(ow, oh))
    img.paste(otile, R.OPTIONS_PANEL[:2])
    options.paste(otile, (ox, oy))
    for rect, (x, y) in R.OPTION_BOXES:
        img.paste(option_box(IDLE, options.crop((x, y, x + 50, y + 45))), rect[:2])
    okw = R.OPTIONS_OK_HOVER[2] - R.OPTIONS_OK_HOVER[0]
    okh = R.OPTIONS_OK_HOVER[3] - R.OPTIONS_OK_HOVER[1]
    x, y = R.OPTIONS_OK_POS
    tile = otile.crop((x - ox, y - oy, x - ox + okw, y - oy + okh))
    A.over(tile, button(okw, okh, "OK", HOVER, size=24))
    img.paste(tile, R.OPTIONS_OK_HOVER[:2])
    img.paste(volume_bar(), R.VOLUME_BAR[:2])
    img.paste(check_mark(), R.CHECK_MARK[:2])
    return img, hovers


CHOSEN = dict(top=(120, 240, 140), bottom=(16, 130, 60), border=((230, 255, 235), (30, 120, 50)),
              label=(255, 255, 255), stroke=(8, 50, 20))


def tick_icon(size):
    """A white tick with a soft shadow, size x size (marks a chosen clock)."""
    s = size / 37.0
    pts = [(x * s, y * s) for x, y in [(6, 19), (11, 14), (16, 20), (28, 6), (33, 11), (16, 30)]]
    layer = Image.new("RGBA", (size, size), (0, 0, 0, 0))
    m = A.poly_mask(size, size, pts)
    A.over(layer, A.shadow(m, (1, 1), 1, 0.6))
    A.over(layer, A.fill(m, (255, 255, 255)))
    return layer


def make_access():
    """access.png: the playing-help page of the options screen (read aloud,
    time to answer) and the options page's MORE button, all with alpha."""
    W, H = R.SIZES["access.png"]
    img = Image.new("RGBA", (W, H), (0, 0, 0, 0))
    pw, ph = R.ACCESS_PANEL[2], R.ACCESS_PANEL[3]
    px, py = R.OPTIONS_PANEL_POS
    layer = panel(pw, ph, radius=22)
    A.text(layer, (pw / 2, 30), "PLAYING HELP", A.font("heavy", 28),
           A.vgradient(pw, ph, [(0, (255, 250, 200)), (0.06, (255, 200, 40)), (0.1, (210, 120, 10)),
                                (1, (210, 120, 10))]),
           stroke=3, stroke_paint=(30, 10, 60), shadow_opacity=0.6)
    bx, by = R.ACCESS_BOX_POS
    A.over(layer, option_box(IDLE, Image.new("RGBA", (50, 45), (0, 0, 0, 0))), (bx - px, by - py))
    A.text(layer, (bx + 62 - px, by + 16 - py), "Read the questions aloud", A.font("bold", 20), (255, 255, 255),
           anchor="lm", stroke=2, stroke_paint=(10, 10, 40), shadow_opacity=0.5)
    A.text(layer, (bx + 62 - px, by + 38 - py), "press R to hear them again", A.font("bold", 13),
           (120, 230, 255), anchor="lm", stroke=1, stroke_paint=(10, 10, 40), shadow_opacity=0.4)
    cx0, cy0 = R.ACCESS_CLOCK_POS[0]
    A.text(layer, (pw / 2, cy0 - 20 - py), "TIME TO ANSWER", A.font("heavy", 18), (120, 230, 255),
           stroke=2, stroke_paint=(10, 10, 40), shadow_opacity=0.5)
    for k, label in enumerate(R.ACCESS_CLOCK_LABELS):
        x, y = R.ACCESS_CLOCK_POS[k]
        A.over(layer, button(100, 40, label, IDLE, size=15, kind="bold"), (x - px, y - py))
        # the tick takes room: a long label is set a little smaller
        A.over(img, button(100, 40, label, CHOSEN, size=15 if len(label) < 6 else 11, kind="bold",
                           icon=tick_icon),
               R.ACCESS_CLOCK_CHOSEN[k][:2])
        A.over(img, button(100, 40, label, HOVER, size=15, kind="bold"), R.ACCESS_CLOCK_HOVER[k][:2])
    A.text(layer, (pw / 2, cy0 + 58 - py), "Points count the share of the time you use", A.font("bold", 13),
           (255, 255, 255), stroke=1, stroke_paint=(10, 10, 40), shadow_opacity=0.4)
    okw = R.ACCESS_OK_HOVER[2] - R.ACCESS_OK_HOVER[0]
    okh = R.ACCESS_OK_HOVER[3] - R.ACCESS_OK_HOVER[1]
    ox, oy = R.OPTIONS_OK_POS
    A.over(layer, button(okw, okh, "OK", IDLE, size=24), (ox - px, oy - py))
    img.paste(layer, R.ACCESS_PANEL[:2])
    A.over(img, option_box(HOVER, Image.new("RGBA", (50, 45), (0, 0, 0, 0))), R.ACCESS_BOX_HOVER[:2])
    img.paste(check_mark(), R.ACCESS_CHECK[:2])
    A.over(img, button(okw, okh, "OK", HOVER, size=24), R.ACCESS_OK_HOVER[:2])
    mw = R.ACCESS_MORE_IDLE[2] - R.ACCESS_MORE_IDLE[0]
    mh = R.ACCESS_MORE_IDLE[3] - R.ACCESS_MORE_IDLE[1]
    A.over(img, button(mw, mh, "MORE", IDLE, size=20), R.ACCESS_MORE_IDLE[:2])
    A.over(img, button(mw, mh, "MORE", HOVER, size=20), R.ACCESS_MORE_HOVER[:2])
    return img


def option_box_hover_for_compose(bg_tile):
    return option_box(HOVER, bg_tile)


# ---- nux.tga -------------------------------------------------------------------

def make_nux():
    w, h = R.SIZES["nux.tga"]
    img = Image.new("RGBA", (w, h), (0, 0, 0, 0))
    A.over(img, A.glossy_shape(w, h, (1, 1, w - 1, h - 2), 8, (70, 80, 96), (20, 24, 34),
                               border=((220, 230, 240), (90, 100, 120)), border_w=1, gloss=0.35, drop=False))
    A.text(img, (w / 2, 14), "NUX", A.font("heavy", 19), A.vgradient(w, h, [(0, (200, 255, 255)),
                                                                           (0.5, (60, 210, 255)),
                                                                           (1, (60, 210, 255))]),
           stroke=1, stroke_paint=(0, 20, 40), shadow_opacity=0.5, shadow_off=(0, 1), shadow_blur=1)
    A.text(img, (w / 2, 28), "2D ENGINE", A.font("bold", 7), (220, 225, 235), shadow_opacity=0.0)
    return img


# ---- bflogo.jpg -----------------------------------------------------------------

def make_bflogo():
    """Logo of our studio, Brightfield Games, on the black loading screen."""
    w, h = R.SIZES["bflogo.jpg"]
    img = Image.new("RGBA", (w, h), (0, 0, 0, 255))
    cx, cy = w / 2, 96
    A.over(img, A.radial(w, h, cx, cy, 120, 90, [(0, (255, 170, 40, 90)), (1, (255, 170, 40, 0))]))
    A.over(img, A.rays(w, h, cx, cy, 14, (255, 210, 90), 70, softness=0.25))
    # cut the rays below the horizon and outside a disc
    cut = A.ellipse_mask(w, h, (cx - 110, cy - 95, cx + 110, cy + 95))
    arr = np.asarray(img).copy()
    m = np.asarray(cut, dtype=np.float64) / 255.0
    yy = np.arange(h)[:, None]
    keep = m * np.clip((cy - yy) / 8.0, 0.0, 1.0)  # fade out just above the horizon
    arr[..., :3] = (arr[..., :3] * keep[..., None]).astype(np.uint8)
    img = Image.fromarray(arr, "RGBA")
    sun = A.ellipse_mask(w, h, (cx - 42, cy - 42, cx + 42, cy + 42))
    half = Image.new("L", (w, h), 0)
    ImageDraw.Draw(half).rectangle((0, 0, w, int(cy)), fill=255)
    sun = A.mask_mul(sun, half)
    A.over(img, A.fill(sun, A.vgradient(w, h, [(0, (255, 250, 200)), (0.3, (255, 200, 50)),
                                               (0.45, (255, 120, 30)), (1, (255, 120, 30))])))
    # furrows of the field, converging to the horizon
    field = Image.new("RGBA", (w, h), (0, 0, 0, 0))
    fm = A.poly_mask(w, h, [(cx - 150, 140), (cx + 150, 140), (cx + 60, cy + 1), (cx - 60, cy + 1)])
    A.over(field, A.fill(fm, A.vgradient(w, h, [(cy / h, (30, 120, 40)), (140 / h, (120, 220, 70))])))
    d = ImageDraw.Draw(field)
    for i in range(-4, 5):
        d.line([(cx + i * 15, cy + 2), (cx + i * 38, 140)], fill=(20, 70, 20, 160), width=2)
    A.over(img, field)
    A.text(img, (cx, 168), "BRIGHTFIELD", A.font("heavy", 40), (255, 255, 255), shadow_opacity=0.0,
           glow_paint=(255, 170, 40), glow_radius=5, glow_strength=0.6)
    A.text(img, (cx, 200), "G  A  M  E  S", A.font("bold", 16), (255, 200, 60), shadow_opacity=0.0)
    return A.flatten(img)


# ---- skill.jpg ----------------------------------------------------------------------

def skill_icon(k):
    key = ["letters", "science", "sport", "geography", "history", "various"][k]
    return I.CATEGORY_ICONS[key]


def make_skill():
    W, H = R.SIZES["skill.jpg"]
    img = Image.new("RGBA", (W, H), (10, 6, 30, 255))
    bg = menu_background()
    wordmark(bg, (230, 12, 570, 72), name="CHOOSE YOUR SKILL")
    A.text(bg, (400, 90), "double points in your favourite category", A.font("bold", 14), (120, 230, 255),
           stroke=2, stroke_paint=(16, 8, 50), shadow_opacity=0.5)
    sx, sy = R.SKILL_STRIP_POS
    base_strip = bg.crop((sx, sy, sx + 800, sy + 37))
    screen = bg.copy()
    s1 = base_strip.copy()
    A.over(s1, banner(800, 37, "PLAYER 1"))
    screen.paste(s1, (sx, sy))
    # a board behind the six buttons
    bw, bh = 300, 296
    A.over(screen, panel(bw, bh), (243, 206))  # centred on the buttons (285 .. 500)
    under = screen.copy()
    for k, (x, y) in enumerate(R.SKILL_POS):
        A.over(screen, button(215, 44, R.SKILL_NAMES[k], IDLE, size=19, icon=skill_icon(k)), (x, y))
        tile = under.crop((x, y, x + 215, y + 44))
        A.over(tile, button(215, 44, R.SKILL_NAMES[k], HOVER, size=19, icon=skill_icon(k)))
        img.paste(tile, R.SKILL_HOVER[k][:2])
    img.paste(screen, (0, 0))
    for p, rect in enumerate(R.SKILL_STRIPS, start=2):
        s = base_strip.copy()
        A.over(s, banner(800, 37, "PLAYER %d" % p))
        img.paste(s.crop((0, 0, 799, 37)), rect[:2])
    return img


# ---- newlevel.jpg -------------------------------------------------------------------

LEVELS = [("EASY", (110, 240, 120), (20, 130, 50), 1),
          ("MEDIUM", (255, 200, 80), (220, 110, 10), 2),
          ("HARD", (255, 110, 100), (170, 20, 30), 3)]


def level_marker(k, bg_tile):
    name, top, bottom, stars = LEVELS[k]
    w, h = 380, 74
    tile = bg_tile.copy()
    A.over(tile, A.glossy_shape(w, h, (4, 4, w - 4, h - 6), 30, top, bottom,
                                border=((255, 255, 255), (200, 200, 220)), border_w=3, gloss=0.4))
    A.text(tile, (150, h / 2 - 1), "LEVEL: " + name, A.font("heavy", 30), (255, 255, 255), stroke=3,
           stroke_paint=(30, 10, 50), shadow_opacity=0.6)
    for i in range(3):
        cx = 296 + i * 26
        pts = A.star_points(cx, h / 2 - 1, 12, 5.2)
        m = A.poly_mask(w, h, pts)
        A.over(tile, A.shadow(m, (0, 1), 1, 0.6))
        A.over(tile, A.fill(m, (255, 230, 80) if i < stars else (60, 50, 80)))
    return tile


def player_badge(p, bg_tile):
    w, h = 149, 50
    tile = bg_tile.copy()
    A.over(tile, A.glossy_shape(w, h, (3, 4, w - 3, h - 5), 20, (70, 220, 255), (10, 80, 170),
                                border=((255, 240, 160), (190, 110, 10)), border_w=2, gloss=0.4))
    A.text(tile, (w / 2, h / 2 - 1), "PLAYER %d" % p, A.font("heavy", 22), (255, 255, 255), stroke=2,
           stroke_paint=(10, 20, 60), shadow_opacity=0.5)
    return tile


def make_newlevel():
    W, H = R.SIZES["newlevel.jpg"]
    img = Image.new("RGBA", (W, H), (10, 6, 30, 255))
    bg = menu_background()
    px, py = R.LEVEL_PLAYER_POS
    A.text(bg, (px - 12, py + 25), "NEXT UP:", A.font("heavy", 24), (120, 230, 255), anchor="rm", stroke=2,
           stroke_paint=(16, 8, 50), shadow_opacity=0.5)
    # centre piece: a big medallion with rays
    A.over(bg, A.rays(800, 600, 400, 300, 16, (255, 220, 120), 24, softness=0.3))
    A.over(bg, medallion(800, 600, 400, 290, 120, 120, ((255, 250, 210), (255, 180, 30)), "?",
                         (80, 20, 140)))
    wordmark(bg, (180, 420, 620, 490), name="GET READY!")
    clean = bg  # the markers and badges carry the screen behind them
    screen = bg.copy()
    mx, my = R.LEVEL_MARKER_POS
    screen.paste(level_marker(0, clean.crop((mx, my, mx + 380, my + 74))), (mx, my))
    screen.paste(player_badge(1, clean.crop((px, py, px + 149, py + 50))), (px, py))
    img.paste(screen, (0, 0))
    for k, rect in enumerate(R.LEVEL_MARKERS, start=1):
        img.paste(level_marker(k, clean.crop((mx, my, mx + 380, my + 74))), rect[:2])
    for p, rect in enumerate(R.LEVEL_PLAYER_LABELS, start=2):
        img.paste(player_badge(p, clean.crop((px, py, px + 149, py + 50))), rect[:2])
    return img


# ---- launcher.png ---------------------------------------------------------------------

def launcher_box(look):
    w = h = 16
    tile = Image.new("RGBA", (w, h), (0, 0, 0, 0))
    rim = ((255, 250, 200), (255, 170, 20)) if look is HOVER else ((220, 250, 255), (60, 190, 255))
    A.over(tile, A.fill(A.rrect_mask(w, h, (0, 0, 16, 16), 3), A.vgradient(w, h, [(0, rim[0]), (1, rim[1])])))
    A.over(tile, A.fill(A.rrect_mask(w, h, (2, 2, 14, 14), 2), A.vgradient(w, h, [(0, (40, 40, 120)),
                                                                                (1, (80, 76, 190))])))
    return tile


def launcher_tick():
    w = h = 20
    tile = Image.new("RGBA", (w, h), (0, 0, 0, 0))
    pts = [(2, 11), (6, 7), (9, 11), (17, 1), (20, 5), (9, 18)]
    m = A.poly_mask(w, h, pts)
    A.over(tile, A.fill(m.filter(ImageFilter.MaxFilter(3)), (20, 60, 20)))
    A.over(tile, A.fill(m, A.vgradient(w, h, [(0, (170, 255, 150)), (1, (40, 200, 60))])))
    return tile


def make_launcher():
    W, H = R.SIZES["launcher.png"]
    img = Image.new("RGBA", (W, H), (0, 0, 0, 0))
    bg = menu_background(400, 300, sparkles=False)
    A.over(bg, titolo_frame(0), (68, 14))
    wordmark(bg, (130, 16, 340, 80))
    A.text(bg, (203, 96), "THE TRIVIA QUIZ SHOW", A.font("bold", 12), (120, 230, 255), stroke=2,
           stroke_paint=(16, 8, 50), shadow_opacity=0.5)
    # board behind the option texts (142 .. 251)
    A.over(bg, panel(380, 130, radius=14), (10, 130))
    # a thin gold frame around the whole window
    frame = A.mask_sub(A.rrect_mask(400, 300, (0, 0, 400, 300), 0), A.rrect_mask(400, 300, (3, 3, 397, 297), 6))
    A.over(bg, A.fill(frame, A.vgradient(400, 300, [(0, (255, 230, 140)), (1, (150, 90, 10))])))
    under = bg.copy()
    sx, sy = R.LAUNCHER_START_POS
    A.over(bg, button(100, 30, "START", IDLE, size=15, margin=(1, 1, 1, 2)), (sx, sy))
    img.paste(bg, (0, 0))
    tile = under.crop((sx, sy, sx + 100, sy + 30))
    A.over(tile, button(100, 30, "START", HOVER, size=15, margin=(1, 1, 1, 2)))
    img.paste(tile, R.LAUNCHER_START_HOVER[:2])
    img.paste(launcher_box(IDLE), R.LAUNCHER_BOX[:2])
    img.paste(launcher_tick(), R.LAUNCHER_TICK[:2])
    return img


def launcher_box_hover():
    return launcher_box(HOVER)


# ---- pointers ------------------------------------------------------------------------------

ARROW = [(1, 1), (1, 24), (7, 18.5), (11.5, 28), (15.5, 26.2), (11.2, 17), (19, 17)]


def _arrow_mask(scale=1.0, dx=0.0, dy=0.0):
    return A.poly_mask(32, 32, [(x * scale + dx, y * scale + dy) for x, y in ARROW])


def make_pointer(hot=False):
    img = Image.new("RGBA", (32, 32), (0, 0, 0, 0))
    m = _arrow_mask()
    outline = m.filter(ImageFilter.MaxFilter(3))
    A.over(img, A.fill(outline, (20, 10, 50)))
    if hot:
        paint = A.vgradient(32, 32, [(0, (255, 250, 200)), (0.5, (255, 200, 40)), (1, (230, 130, 10))])
    else:
        paint = A.vgradient(32, 32, [(0, (255, 255, 255)), (0.6, (225, 240, 255)), (1, (150, 210, 255))])
    A.over(img, A.fill(m, paint))
    if hot:
        A.sparkle(img, 24, 6, 4.5, (255, 255, 255), 1.0)
    return img


def make_pointer_shadow():
    m = _arrow_mask().filter(ImageFilter.MaxFilter(3)).filter(ImageFilter.GaussianBlur(1.6))
    return A.fill(A.mask_scale(m, 0.9), (0, 0, 0))
