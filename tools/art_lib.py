"""Drawing helpers shared by the picture scripts (make_art.py, compose_screens.py).

Everything here is plain Pillow + numpy arithmetic with no clock and no
unseeded randomness, so the same inputs always give the same pixels.
Shapes are drawn four times larger and reduced with a box filter, which gives
smooth edges without depending on any anti-aliasing option of Pillow.
"""

import math
import os

import numpy as np
from PIL import Image, ImageDraw, ImageFilter, ImageFont

SS = 4  # supersampling factor for shape masks

# Palette of the quiz-show look.
NAVY = (14, 16, 52)
NAVY_DARK = (8, 9, 30)
PURPLE = (58, 24, 120)
GOLD = (255, 204, 48)
GOLD_LIGHT = (255, 240, 160)
GOLD_DARK = (176, 110, 8)
CYAN = (48, 220, 255)
CYAN_DARK = (0, 110, 170)
WHITE = (255, 255, 255)
BLACK = (0, 0, 0)

_FONT_FILES = {
    "sans": "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf",
    "bold": "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf",
    "heavy": "/usr/share/fonts/truetype/freefont/FreeSansBold.ttf",
    "serif": "/usr/share/fonts/truetype/dejavu/DejaVuSerif-Bold.ttf",
}
_font_cache = {}


def font(kind, size):
    """A TrueType font of one of the kinds above, at a pixel size."""
    key = (kind, size)
    if key not in _font_cache:
        path = _FONT_FILES[kind]
        if not os.path.exists(path):
            raise SystemExit("missing font file %s (install fonts-dejavu-core and "
                             "fonts-freefont-ttf)" % path)
        _font_cache[key] = ImageFont.truetype(path, size)
    return _font_cache[key]


def fit_font(kind, text, max_w, max_h, start=200):
    """The largest font of a kind whose rendering of text fits max_w by max_h."""
    size = start
    while size > 6:
        f = font(kind, size)
        x0, y0, x1, y1 = f.getbbox(text)
        if x1 - x0 <= max_w and y1 - y0 <= max_h:
            return f
        size -= 1
    return font(kind, 6)


# ---- colour arrays ---------------------------------------------------------

def _stops_array(n, stops):
    """n colours (RGBA float) interpolated between (position 0..1, colour) stops."""
    pos = np.array([s[0] for s in stops], dtype=np.float64)
    cols = np.array([tuple(s[1]) + ((255,) if len(s[1]) == 3 else ()) for s in stops],
                    dtype=np.float64)
    t = np.linspace(0.0, 1.0, n) if n > 1 else np.zeros(1)
    out = np.empty((n, 4))
    for c in range(4):
        out[:, c] = np.interp(t, pos, cols[:, c])
    return out


def to_image(arr):
    """RGBA float array (h, w, 4) in 0..255 to an RGBA picture."""
    return Image.fromarray(np.clip(np.rint(arr), 0, 255).astype(np.uint8), "RGBA")


def vgradient(w, h, stops):
    col = _stops_array(h, stops)
    return to_image(np.repeat(col[:, None, :], w, axis=1))


def hgradient(w, h, stops):
    row = _stops_array(w, stops)
    return to_image(np.repeat(row[None, :, :], h, axis=0))


def radial(w, h, cx, cy, rx, ry, stops):
    """Elliptic radial gradient: stops over the normalised distance 0..1 (clamped)."""
    yy, xx = np.mgrid[0:h, 0:w].astype(np.float64)
    d = np.sqrt(((xx + 0.5 - cx) / rx) ** 2 + ((yy + 0.5 - cy) / ry) ** 2)
    d = np.clip(d, 0.0, 1.0)
    lut = _stops_array(1024, stops)
    idx = np.minimum((d * 1023).astype(np.int64), 1023)
    return to_image(lut[idx])


def rays(w, h, cx, cy, count, colour, alpha, phase=0.0, softness=0.35):
    """Soft light rays fanning out from (cx, cy)."""
    yy, xx = np.mgrid[0:h, 0:w].astype(np.float64)
    ang = np.arctan2(yy + 0.5 - cy, xx + 0.5 - cx) + phase
    s = 0.5 + 0.5 * np.cos(ang * count)
    s = np.clip((s - (1.0 - softness)) / softness, 0.0, 1.0)
    arr = np.zeros((h, w, 4))
    arr[..., 0], arr[..., 1], arr[..., 2] = colour[:3]
    arr[..., 3] = s * alpha
    return to_image(arr)


# ---- masks and shapes ------------------------------------------------------

def mask_from(draw_fn, w, h):
    """An antialiased L mask: draw_fn(draw, s) paints white on a canvas s times larger."""
    big = Image.new("L", (w * SS, h * SS), 0)
    draw_fn(ImageDraw.Draw(big), SS)
    return big.reduce(SS)


def rrect_mask(w, h, box, radius):
    """Mask of a rounded rectangle; box (x0, y0, x1, y1) in pixel-edge coordinates."""
    x0, y0, x1, y1 = box

    def fn(d, s):
        r = max(0, radius * s)
        d.rounded_rectangle((x0 * s, y0 * s, x1 * s - 1, y1 * s - 1), radius=r, fill=255)
    return mask_from(fn, w, h)


def ellipse_mask(w, h, box):
    x0, y0, x1, y1 = box

    def fn(d, s):
        d.ellipse((x0 * s, y0 * s, x1 * s - 1, y1 * s - 1), fill=255)
    return mask_from(fn, w, h)


def poly_mask(w, h, points):
    def fn(d, s):
        d.polygon([(x * s, y * s) for x, y in points], fill=255)
    return mask_from(fn, w, h)


def mask_sub(a, b):
    """a minus b (both L masks)."""
    arr = np.asarray(a, dtype=np.int32) - np.asarray(b, dtype=np.int32)
    return Image.fromarray(np.clip(arr, 0, 255).astype(np.uint8), "L")


def mask_mul(a, b):
    arr = np.asarray(a, dtype=np.int32) * np.asarray(b, dtype=np.int32) // 255
    return Image.fromarray(arr.astype(np.uint8), "L")


def mask_scale(m, factor):
    arr = np.asarray(m, dtype=np.float64) * factor
    return Image.fromarray(np.clip(np.rint(arr), 0, 255).astype(np.uint8), "L")


def fill(mask, paint):
    """An RGBA layer: paint (a colour or an RGBA picture of the mask's size) cut by mask."""
    w, h = mask.size
    if isinstance(paint, Image.Image):
        layer = paint.convert("RGBA").copy()
    else:
        c = tuple(paint) + ((255,) if len(paint) == 3 else ())
        layer = Image.new("RGBA", (w, h), c)
    a = np.asarray(layer.getchannel("A"), dtype=np.int32) * np.asarray(mask, dtype=np.int32) // 255
    layer.putalpha(Image.fromarray(a.astype(np.uint8), "L"))
    return layer


def over(base, layer, xy=(0, 0)):
    """Composite an RGBA layer over base (in place) at xy; layer may stick out."""
    x, y = xy
    bw, bh = base.size
    lw, lh = layer.size
    sx0, sy0 = max(0, -x), max(0, -y)
    sx1, sy1 = min(lw, bw - x), min(lh, bh - y)
    if sx1 <= sx0 or sy1 <= sy0:
        return base
    part = layer.crop((sx0, sy0, sx1, sy1))
    base.alpha_composite(part, dest=(x + sx0, y + sy0))
    return base


def shadow(mask, offset=(0, 3), blur=4, opacity=0.55, colour=(0, 0, 0), pad=0):
    """A soft shadow layer from a mask (same size as the mask, shifted by offset)."""
    w, h = mask.size
    m = Image.new("L", (w, h), 0)
    m.paste(mask, offset)
    if blur > 0:
        m = m.filter(ImageFilter.GaussianBlur(blur))
    return fill(mask_scale(m, opacity), colour)


def over_shadowed(base, layer, xy, offset=(0, 5), blur=5, opacity=0.6):
    """Composite layer at xy with a soft drop shadow that is not cut at the layer's edges."""
    pad = int(blur * 3 + max(abs(offset[0]), abs(offset[1])) + 2)
    w, h = layer.size
    m = Image.new("L", (w + 2 * pad, h + 2 * pad), 0)
    m.paste(layer.getchannel("A"), (pad, pad))
    over(base, shadow(m, offset, blur, opacity), (xy[0] - pad, xy[1] - pad))
    over(base, layer, xy)
    return base


def glow(mask, radius, colour, strength=1.0):
    m = mask.filter(ImageFilter.GaussianBlur(radius))
    return fill(mask_scale(m, strength), colour)


def glossy_shape(w, h, box, radius, top, bottom, border=None, border_w=2,
                 gloss=0.45, drop=True, inner_line=None, gloss_stop=0.5):
    """A rounded glossy plate on a transparent w x h layer.

    top/bottom: body gradient; border: (light, dark) gradient of the rim or None;
    gloss: opacity of the white sheen on the upper half; drop: soft shadow below.
    """
    x0, y0, x1, y1 = box
    layer = Image.new("RGBA", (w, h), (0, 0, 0, 0))
    outer = rrect_mask(w, h, box, radius)
    if drop:
        over(layer, shadow(outer, (0, 2), 2.5, 0.6))
    if border is not None:
        rim = vgradient(w, h, [(y0 / h, border[0]), (y1 / h, border[1])]) if h > 1 else None
        over(layer, fill(outer, rim))
        ib = (x0 + border_w, y0 + border_w, x1 - border_w, y1 - border_w)
        body_mask = rrect_mask(w, h, ib, max(0, radius - border_w))
    else:
        ib = box
        body_mask = outer
    body = vgradient(w, h, [(0.0, top), (ib[1] / h, top), (ib[3] / h, bottom), (1.0, bottom)])
    over(layer, fill(body_mask, body))
    if inner_line is not None:
        il = (ib[0] + 1, ib[1] + 1, ib[2] - 1, ib[3] - 1)
        ring = mask_sub(rrect_mask(w, h, il, max(0, radius - border_w - 1)),
                        rrect_mask(w, h, (il[0] + 1, il[1] + 1, il[2] - 1, il[3] - 1),
                                   max(0, radius - border_w - 2)))
        over(layer, fill(ring, inner_line))
    if gloss > 0:
        gh = (ib[3] - ib[1]) * gloss_stop
        sheen_box = (ib[0] + 2, ib[1] + 1, ib[2] - 2, ib[1] + gh)
        sheen = rrect_mask(w, h, sheen_box, max(1, min(radius - border_w, gh / 2)))
        sheen = mask_mul(sheen, body_mask)
        grad = vgradient(w, h, [(0.0, (255, 255, 255, int(255 * gloss))),
                                (ib[1] / h, (255, 255, 255, int(255 * gloss))),
                                ((ib[1] + gh) / h, (255, 255, 255, 10)),
                                (1.0, (255, 255, 255, 0))])
        over(layer, fill(sheen, grad))
    return layer


# ---- text ------------------------------------------------------------------

def text_mask(w, h, xy, text, fnt, anchor="mm", stroke=0):
    m = Image.new("L", (w, h), 0)
    ImageDraw.Draw(m).text(xy, text, font=fnt, fill=255, anchor=anchor,
                           stroke_width=stroke, stroke_fill=255)
    return m


def text(base, xy, txt, fnt, paint=WHITE, anchor="mm", stroke=0, stroke_paint=BLACK,
         shadow_off=(0, 2), shadow_blur=2.0, shadow_opacity=0.7, glow_paint=None,
         glow_radius=6, glow_strength=1.0):
    """Draw text onto base (in place) with optional outline, drop shadow and glow.

    paint and stroke_paint may be colours or RGBA pictures of base's size
    (for gradient letters)."""
    w, h = base.size
    inner = text_mask(w, h, xy, txt, fnt, anchor)
    outer = text_mask(w, h, xy, txt, fnt, anchor, stroke) if stroke else inner
    if glow_paint is not None:
        over(base, glow(outer, glow_radius, glow_paint, glow_strength))
    if shadow_opacity > 0:
        over(base, shadow(outer, shadow_off, shadow_blur, shadow_opacity))
    if stroke:
        over(base, fill(outer, stroke_paint))
    over(base, fill(inner, paint))
    return base


def text_size(txt, fnt, stroke=0):
    x0, y0, x1, y1 = fnt.getbbox(txt, stroke_width=stroke)
    return x1 - x0, y1 - y0


# ---- misc ------------------------------------------------------------------

def star_points(cx, cy, r_out, r_in, n=5, rot=-90.0):
    pts = []
    for i in range(n * 2):
        r = r_out if i % 2 == 0 else r_in
        a = math.radians(rot + i * 180.0 / n)
        pts.append((cx + r * math.cos(a), cy + r * math.sin(a)))
    return pts


def sparkle(base, cx, cy, size, colour=(255, 255, 255), alpha=1.0):
    """A four-pointed twinkle with a soft halo."""
    w, h = base.size
    s = size
    pts = [(cx, cy - s), (cx + s * 0.18, cy - s * 0.18), (cx + s, cy), (cx + s * 0.18, cy + s * 0.18),
           (cx, cy + s), (cx - s * 0.18, cy + s * 0.18), (cx - s, cy), (cx - s * 0.18, cy - s * 0.18)]
    m = poly_mask(w, h, pts)
    over(base, glow(m, max(1.0, s * 0.35), colour, 0.8 * alpha))
    over(base, fill(mask_scale(m, alpha), colour))


def flatten(img, bg=(0, 0, 0)):
    """RGBA to RGB over a solid colour."""
    out = Image.new("RGBA", img.size, tuple(bg) + (255,))
    out.alpha_composite(img)
    return out.convert("RGB")


def save_jpeg(img, path, quality=95):
    """JPEG with full-resolution colour (no chroma subsampling) and no metadata."""
    img.convert("RGB").save(path, "JPEG", quality=quality, subsampling=0, optimize=False)


def save_png(img, path):
    img.save(path, "PNG", optimize=False)


def save_tga(img, path):
    """Uncompressed 32-bit TGA with alpha."""
    img.convert("RGBA").save(path, "TGA", compression=None)
