#!/usr/bin/python3
"""Builds the game's two bitmap fonts from DejaVu TrueType fonts.

Writes, from the repository root:
  assets/gfx/letters01.tga   big font picture (256 x 256 RGBA)
  assets/gfx/letters02.png   small font picture (256 x 256 RGBA)
  game/fonttables.h/.cpp     the glyph tables fontTable and fontTable2
  tools/fonts.json           the same tables as data, for the asset checks

Glyphs are white with anti-aliased alpha and a dark, semi-transparent
outline baked into the picture, so the text's blit colour still tints the
fill while the outline keeps white text readable on bright backgrounds.
Each glyph's rectangle starts at the top of the text line (the pen's y); its
advance is the rectangle's width. A few glyph rectangles are fixed below
because the game's layout was made with them; every other glyph is packed
around them. The output is the same on every run: fonts come from the Debian
package fonts-dejavu-core, rendering is supersampled and packing is
first-fit in table order.

Usage: tools/make_fonts.py          write every output
       tools/make_fonts.py --check  exit 1 if a committed output differs
"""
import argparse
import io
import json
import os
import sys

from PIL import Image, ImageChops, ImageDraw, ImageFilter, ImageFont

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
DEJAVU = "/usr/share/fonts/truetype/dejavu/"
SUPERSAMPLE = 8  # glyphs are drawn 8 times larger, then box-filtered down

# ---- character sets ---------------------------------------------------------
# Table order (not code order): R stands between K and L in the big font and
# W before V in the small one; look-up does not depend on order.
MARKS = "!'\"?:.,<>()$%/+=-"
LOWER = "abcdefghijklmnopqrstuvwxyz"
DIGITS = "0123456789"
ITALIAN = "\u00e8\u00e0\u00f2\u00f9\u00ec"  # è à ò ù ì
SPANISH = "\u00f1\u00bf\u00e9\u00ed\u00f3\u00e1\u00fa"  # ñ ¿ é í ó á ú
# Every other letter Italian and Spanish text needs: the capitals with their
# accents, the diaeresis, the cedilla and the opening exclamation mark.
CAPITALS = "\u00c0\u00c8\u00c9\u00cc\u00d2\u00d9\u00c1\u00cd\u00d3\u00da\u00d1\u00dc\u00c7"  # ÀÈÉÌÒÙ ÁÍÓÚ Ñ Ü Ç
MORE = "\u00fc\u00e7\u00a1"  # ü ç ¡
# An accent over a capital reaches above the line's top row, where a glyph
# cannot go (its rectangle starts at the pen); these glyphs are drawn a little
# shorter, squeezed toward the baseline until their ink fits the line.
SQUEEZED = "\u00c0\u00c8\u00c9\u00cc\u00d2\u00d9\u00c1\u00cd\u00d3\u00da\u00d1\u00dc"

BIG = {
    "table": "fontTable",
    "picture": "assets/gfx/letters01.tga",
    "game_name": "gfx\\letters01.tga",
    "atlas": (256, 256),
    "ttf": DEJAVU + "DejaVuSerif-Bold.ttf",
    "px": 15.09,  # cap height 11 px
    "stretch": 1.2,  # glyphs drawn 20 % wider than the font's design
    "outline": 1.25,  # outline radius in pixels
    "outline_alpha": 0.95,
    "fill_top": 255,  # fill brightness at the cap line ...
    "fill_bottom": 236,  # ... and at the baseline: a light sheen
    # spacing: capitals get one clear column beside their ink (the fixed
    # A, I and M set that measure); other glyphs sit closer, their advance one
    # column short of their ink, so neighbouring outlines share a column
    "pad": 1,  # clear columns added to the right of a capital's ink
    "overlap": 0,  # columns by which a capital's advance is short of its rectangle
    "pad_other": 0,
    "overlap_other": 1,
    "line_height": 16,
    "shelves": (4, 23),  # first shelf's top row, shelf pitch
    "order": "ABCDEFGHIJKRLMNOPQSTUVWXYZ" + LOWER + DIGITS + MARKS + ITALIAN + SPANISH + CAPITALS + MORE + " ",
    # char: (x1, y1, x2, y2, advance, height), x2 and y2 inclusive
    "fixed": {
        "A": (22, 4, 40, 19, 19, 16),
        "I": (174, 4, 186, 19, 13, 16),
        "M": (41, 27, 63, 44, 23, 18),
        " ": (0, 171, 10, 183, 11, 13),
    },
}

SMALL = {
    "table": "fontTable2",
    "picture": "assets/gfx/letters02.png",
    "game_name": "gfx\\letters02.png",
    "atlas": (256, 256),
    "ttf": DEJAVU + "DejaVuSans.ttf",
    "px": 16.46,  # cap height 12 px, x-height 9 px
    "stretch": 1.0,
    "outline": 1.0,
    "outline_alpha": 0.9,
    "fill_top": 255,
    "fill_bottom": 255,
    "pad": 0,
    "overlap": 0,
    "pad_other": 0,
    "overlap_other": 0,
    "line_height": 16,
    "shelves": (8, 28),
    "order": "ABCDEFGHIJKLMNOPQRSTUWVXYZ" + LOWER + DIGITS + MARKS + ITALIAN + SPANISH + CAPITALS + MORE + " ",
    "fixed": {
        "A": (10, 8, 23, 23, 14, 16),
        "I": (179, 8, 182, 23, 4, 16),
        "\u00f1": (119, 232, 130, 247, 10, 16),
        "\u00bf": (209, 203, 220, 225, 11, 12),
        " ": (130, 64, 138, 79, 10, 16),
    },
}

ALPHA_FLOOR = 4  # coverage below this is dropped, so glyph edges are definite


# ---- glyph rendering ------------------------------------------------------------


def dilate(mask, radius):
    """Grows a supersampled mask by `radius` pixels in every direction, as an
    octagon (alternating square and cross steps), which is close to a disc."""
    cross_shifts = ((1, 0), (-1, 0), (0, 1), (0, -1))
    for step in range(radius):
        if step % 2 == 0:
            grown = mask
            for dx, dy in cross_shifts:
                grown = ImageChops.lighter(grown, ImageChops.offset(mask, dx, dy))
            mask = grown
        else:
            mask = mask.filter(ImageFilter.MaxFilter(3))
    return mask


def crispness(mask):
    """How much of the glyph's coverage sits in fully covered pixels: higher
    when stems fall on whole pixels instead of straddling two."""
    hist = mask.histogram()
    total = sum(v * n for v, n in enumerate(hist))
    if total == 0:
        return 0.0
    return sum(v * v * n for v, n in enumerate(hist)) / (255.0 * total)


class GlyphRenderer:
    def __init__(self, style):
        self.style = style
        self.font = ImageFont.truetype(style["ttf"], round(style["px"] * SUPERSAMPLE))
        px = style["px"]
        # canvas in final pixels; the pen's baseline sits at row `base`
        self.width = int(px * 3) + 8
        self.height = int(px * 2) + 8
        self.base = int(px * 1.25) + 4
        self.pen_x = 6
        cap = self.font.getbbox("H", anchor="ls")
        self.cap_top = self.base + cap[1] / SUPERSAMPLE  # row of the cap line

    def coverage(self, ch, squeeze=1.0):
        """The glyph's fill coverage, supersampled and stretched, the pen at
        (pen_x, base) in final pixels; `squeeze` below 1 shortens it toward
        the baseline."""
        s = SUPERSAMPLE
        big = Image.new("L", (self.width * s, self.height * s), 0)
        k = self.style["stretch"]
        ImageDraw.Draw(big).text((round(self.pen_x * s / k), self.base * s), ch, font=self.font,
                                 fill=255, anchor="ls")
        if k != 1.0:
            wide = big.resize((round(big.size[0] * k), big.size[1]), Image.LANCZOS)
            big = wide.crop((0, 0) + big.size)
        if squeeze != 1.0:
            short = big.resize((big.size[0], round(big.size[1] * squeeze)), Image.LANCZOS)
            big = Image.new("L", big.size, 0)
            big.paste(short, (0, self.base * s - round(self.base * s * squeeze)))
        return big

    def render(self, ch, squeeze=1.0):
        """Returns (RGBA image cropped to the glyph's ink, left, top) where
        left and top place the crop relative to the pen and the baseline."""
        s = SUPERSAMPLE
        best = None
        drawn = self.coverage(ch, squeeze)
        for shift in range(s):
            big = ImageChops.offset(drawn, shift, 0)
            score = crispness(big.reduce(s))
            if best is None or score > best[0] + 1e-9:
                best = (score, shift, big)
        _, _, big = best
        fill = big.reduce(s)
        radius = round(self.style["outline"] * s)
        halo = dilate(big, radius).reduce(s) if radius > 0 else Image.new("L", fill.size, 0)
        halo = halo.point(lambda v: round(v * self.style["outline_alpha"]))

        # fill brightness from fill_top at the cap line to fill_bottom at the baseline
        shade = Image.new("L", fill.size, 0)
        top, bottom = self.style["fill_top"], self.style["fill_bottom"]
        for y in range(fill.size[1]):
            t = (y + 0.5 - self.cap_top) / max(1.0, self.base - self.cap_top)
            t = min(1.0, max(0.0, t))
            shade.paste(round(top + (bottom - top) * t), (0, y, fill.size[0], y + 1))

        black = Image.new("L", fill.size, 0)
        outline = Image.merge("RGBA", (black, black, black, halo))
        body = Image.merge("RGBA", (shade, shade, shade, fill))
        glyph = Image.alpha_composite(outline, body)
        alpha = glyph.getchannel("A").point(lambda v: v if v >= ALPHA_FLOOR else 0)
        glyph.putalpha(alpha)
        glyph = Image.composite(glyph, Image.new("RGBA", glyph.size, (0, 0, 0, 0)), alpha)
        box = alpha.getbbox()
        if box is None:
            return None, 0, 0
        return glyph.crop(box), box[0] - self.pen_x, box[1] - self.base


# ---- layout --------------------------------------------------------------------


def overlaps(a, b, gap=1):
    """True when rectangles (x1, y1, x2, y2), inclusive corners, come closer
    than `gap` clear pixels."""
    return not (a[2] + gap < b[0] or b[2] + gap < a[0] or a[3] + gap < b[1] or b[3] + gap < a[1])


def build_font(style):
    """Renders every glyph, places it in the picture and returns the picture
    and the table rows (char, x1, y1, x2, y2, advance, height) in table order."""
    renderer = GlyphRenderer(style)
    order = style["order"]
    if len(set(order)) != len(order):
        raise SystemExit("%s: a character is listed twice" % style["table"])
    glyphs = {ch: renderer.render(ch) for ch in order if ch != " "}

    # baseline row inside a glyph rectangle: the highest ink reaches row 0
    baseline = max(-top for ch, (img, _, top) in glyphs.items() if img is not None and ch not in SQUEEZED)
    for ch in SQUEEZED:
        if ch not in glyphs:
            continue
        squeeze = 1.0
        while -glyphs[ch][2] > baseline:
            squeeze = round(squeeze - 0.01, 2)
            glyphs[ch] = renderer.render(ch, squeeze)
    line = style["line_height"]
    W, H = style["atlas"]
    atlas = Image.new("RGBA", (W, H), (0, 0, 0, 0))
    rects = {}

    def cell_size(ch):
        img, _, top = glyphs[ch]
        w = img.size[0] + (style["pad"] if ch.isupper() else style["pad_other"])
        h = max(line, baseline + top + img.size[1])
        return w, h

    def paste(ch, x1, y1, w):
        img, _, top = glyphs[ch]
        gx = x1 + (w - img.size[0]) // 2  # centred; a pad column goes to the right
        gy = y1 + baseline + top
        atlas.paste(img, (gx, gy))

    # fixed rectangles first
    for ch, (x1, y1, x2, y2, adv, h) in style["fixed"].items():
        rects[ch] = (x1, y1, x2, y2, adv, h)
        if ch == " ":
            continue
        img, _, top = glyphs[ch]
        w, hh = x2 - x1 + 1, y2 - y1 + 1
        if img.size[0] > w or baseline + top + img.size[1] > hh:
            raise SystemExit("%s: glyph %r (%dx%d, bottom row %d) does not fit its fixed %dx%d "
                             "rectangle" % (style["table"], ch, img.size[0], img.size[1],
                                            baseline + top + img.size[1], w, hh))
        paste(ch, x1, y1, w)

    # first fit, shelf by shelf, left to right, in table order
    first, pitch = style["shelves"]
    for ch in order:
        if ch in rects:
            continue
        w, h = cell_size(ch)
        if h > pitch - 1:
            raise SystemExit("%s: glyph %r is %d rows tall, more than a shelf" % (style["table"], ch, h))
        placed = False
        y = first
        while not placed and y + h <= H:
            x = 0
            while x + w <= W:
                cand = (x, y, x + w - 1, y + h - 1)
                hit = [r for r in rects.values() if overlaps(cand, r)]
                if not hit:
                    rects[ch] = (x, y, x + w - 1, y + h - 1, w - (style["overlap"] if ch.isupper() else style["overlap_other"]), h)
                    paste(ch, x, y, w)
                    placed = True
                    break
                x = max(r[2] for r in hit) + 2
            y += pitch
        if not placed:
            raise SystemExit("%s: no room for %r in the picture" % (style["table"], ch))

    rows = [(ch,) + rects[ch] for ch in order]
    return atlas, rows, baseline


# ---- output ----------------------------------------------------------------------


# ASCII names for the comments beside the non-ASCII rows of the C++ tables
CHAR_NAMES = {
    "\u00e8": "e grave", "\u00e0": "a grave", "\u00f2": "o grave", "\u00f9": "u grave",
    "\u00ec": "i grave", "\u00f1": "n tilde", "\u00bf": "inverted question mark",
    "\u00e9": "e acute", "\u00ed": "i acute", "\u00f3": "o acute", "\u00e1": "a acute",
    "\u00fa": "u acute", "\u00c0": "A grave", "\u00c8": "E grave", "\u00c9": "E acute",
    "\u00cc": "I grave", "\u00d2": "O grave", "\u00d9": "U grave", "\u00c1": "A acute",
    "\u00cd": "I acute", "\u00d3": "O acute", "\u00da": "U acute", "\u00d1": "N tilde",
    "\u00dc": "U diaeresis", "\u00c7": "C cedilla", "\u00fc": "u diaeresis", "\u00e7": "c cedilla",
    "\u00a1": "inverted exclamation mark",
}


def c_char(ch):
    code = ord(ch)
    if code > 127:
        return "(char)0x%02X" % code
    if ch in "'\\":
        return "'\\%s'" % ch
    return "'%s'" % ch


def table_source(style, rows):
    lines = ["KFont %s[%d] = {" % (style["table"], len(rows) + 1)]
    for ch, x1, y1, x2, y2, adv, h in rows:
        note = "  // %s" % CHAR_NAMES[ch] if ord(ch) > 127 else ("  // space" if ch == " " else "")
        lines.append("    {%s, %d, %d, %d, %d, %d, %d},%s" % (c_char(ch), x1, y1, x2, y2, adv, h, note))
    lines.append("    {0, 0, 0, 0, 0, 0, 0},")
    lines.append("};")
    return "\n".join(lines)


def header_text(fonts):
    decls = "\n".join("// %s with \"%s\": %d glyphs and the end mark.\nextern KFont %s[%d];"
                      % (style["table"], style["game_name"], len(rows),
                         style["table"], len(rows) + 1) for style, rows in fonts)
    return ("// The glyph tables of the game's two bitmap fonts. Generated by\n"
            "// tools/make_fonts.py together with the font pictures; run the script\n"
            "// instead of editing by hand.\n"
            "#ifndef FONTTABLES_H\n#define FONTTABLES_H\n\n#include \"KText.h\"\n\n"
            + decls + "\n\n#endif\n")


def source_text(fonts):
    body = "\n\n".join(
        "// %s: rectangle (x1, y1)-(x2, y2) inclusive in \"%s\", advance, height.\n%s"
        % (style["table"], style["game_name"], table_source(style, rows))
        for style, rows in fonts)
    return ("// The glyph tables of the game's two bitmap fonts, character codes in\n"
            "// ISO 8859-1. Generated by tools/make_fonts.py together with the font\n"
            "// pictures; run the script instead of editing by hand.\n"
            "#include \"fonttables.h\"\n\n" + body + "\n")


def json_text(fonts):
    """The tables as JSON, one glyph record per line."""
    parts = []
    for style, rows in fonts:
        records = [{"c": ord(ch), "char": ch, "x1": x1, "y1": y1, "x2": x2, "y2": y2, "w": adv, "h": h}
                   for ch, x1, y1, x2, y2, adv, h in rows]
        records.append({"c": 0, "char": "", "x1": 0, "y1": 0, "x2": 0, "y2": 0, "w": 0, "h": 0})
        head = {
            "picture": style["game_name"],
            "file": style["picture"],
            "width": style["atlas"][0],
            "height": style["atlas"][1],
            "line_height": rows[0][6],
            "characters": "".join(row[0] for row in rows),
        }
        fields = ["  %s: %s" % (json.dumps(k), json.dumps(v, ensure_ascii=False)) for k, v in head.items()]
        recs = ",\n".join("    " + json.dumps(r, ensure_ascii=False) for r in records)
        fields.append('  "records": [\n%s\n  ]' % recs)
        parts.append(" %s: {\n%s\n }" % (json.dumps(style["table"]), ",\n".join(" " + f for f in fields)))
    text = "{\n" + ",\n".join(parts) + "\n}\n"
    json.loads(text)  # the hand-made layout must still be valid JSON
    return text


def image_bytes(img, path):
    buf = io.BytesIO()
    if path.endswith(".tga"):
        img.save(buf, format="TGA")
    else:
        img.save(buf, format="PNG", optimize=True)
    return buf.getvalue()


def outputs():
    fonts = []
    files = {}
    for style in (BIG, SMALL):
        atlas, rows, _ = build_font(style)
        fonts.append((style, rows))
        files[style["picture"]] = image_bytes(atlas, style["picture"])
    files["game/fonttables.h"] = header_text(fonts).encode("ascii")
    files["game/fonttables.cpp"] = source_text(fonts).encode("ascii")
    files["tools/fonts.json"] = json_text(fonts).encode("utf-8")
    return files


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--check", action="store_true",
                        help="compare with the files in the tree instead of writing them")
    args = parser.parse_args()
    files = outputs()
    stale = []
    for rel, data in sorted(files.items()):
        path = os.path.join(ROOT, rel)
        if args.check:
            old = open(path, "rb").read() if os.path.exists(path) else None
            if old != data:
                stale.append(rel)
            continue
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(data)
        print("wrote", rel)
    if stale:
        print("out of date:", ", ".join(stale))
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
