"""Drawing helpers shared by the scripts that make the puzzle pictures.

Shapes are drawn at SUPER times the final size and scaled down with a box
filter, which gives smooth edges without any randomness; the same inputs and
the same Pillow therefore give the same bytes.
"""

import os
import sys

from PIL import Image, ImageChops, ImageDraw, ImageFilter

WIDTH, HEIGHT = 400, 300
SUPER = 4
JPEG_QUALITY = 90


def gradient(top, bottom, size=(WIDTH, HEIGHT)):
    """A vertical gradient from colour top to colour bottom."""
    w, h = size
    column = Image.new("RGB", (1, h))
    for y in range(h):
        t = y / (h - 1)
        column.putpixel((0, y), tuple(round(a + (b - a) * t) for a, b in zip(top, bottom)))
    return column.resize((w, h), Image.NEAREST)


def polygon_mask(rings, size=(WIDTH, HEIGHT)):
    """An anti-aliased mask of rings given in final-size pixels. Rings are
    filled with the even-odd rule, so a hole (a ring inside another) stays
    empty."""
    w, h = size
    mask = Image.new("1", (w * SUPER, h * SUPER), 0)
    for ring in rings:
        if len(ring) < 3:
            continue
        layer = Image.new("1", mask.size, 0)
        ImageDraw.Draw(layer).polygon([(x * SUPER, y * SUPER) for x, y in ring], fill=1)
        mask = ImageChops.logical_xor(mask, layer)
    return mask.convert("L").resize(size, Image.BOX)


def outline_of(mask, width):
    """A band of the given width in pixels around the shape of a mask."""
    return mask.filter(ImageFilter.MaxFilter(2 * width + 1))


def shadow_of(mask, offset=4, blur=4, strength=45):
    """A soft shadow of a mask, moved down and right."""
    shadow = Image.new("L", mask.size, 0)
    shadow.paste(mask, (offset, offset))
    return shadow.filter(ImageFilter.GaussianBlur(blur)).point(lambda v: v * strength // 100)


def paint(canvas, colour, mask):
    """Lays a flat colour on the canvas through a mask."""
    canvas.paste(Image.new("RGB", canvas.size, colour), (0, 0), mask)


def silhouette(canvas, mask, fill, edge):
    """A flat shape with a one-pixel darker edge and a soft shadow."""
    paint(canvas, (0, 0, 0), shadow_of(mask, offset=3, blur=3, strength=35))
    paint(canvas, edge, outline_of(mask, 1))
    paint(canvas, fill, mask)


def fit_transform(points, box, keep_aspect=True):
    """Scale and offset that fit points (x, y) into box (x0, y0, x1, y1),
    centred. Returns a function mapping a point into the box."""
    xs = [p[0] for p in points]
    ys = [p[1] for p in points]
    minx, maxx, miny, maxy = min(xs), max(xs), min(ys), max(ys)
    bw, bh = box[2] - box[0], box[3] - box[1]
    sx = bw / max(maxx - minx, 1e-9)
    sy = bh / max(maxy - miny, 1e-9)
    if keep_aspect:
        sx = sy = min(sx, sy)
    ox = box[0] + (bw - (maxx - minx) * sx) / 2 - minx * sx
    oy = box[1] + (bh - (maxy - miny) * sy) / 2 - miny * sy
    return lambda p: (p[0] * sx + ox, p[1] * sy + oy)


def save(picture, out_dir, stem):
    """Writes the picture as stem.jpg after checking the stem is one the
    question files can use (lower case, no digit 0, at most 31 characters)."""
    if "0" in stem or stem != stem.lower() or len(stem) > 31:
        raise SystemExit(f"bad picture stem {stem!r}")
    os.makedirs(out_dir, exist_ok=True)
    picture.save(os.path.join(out_dir, stem + ".jpg"), "JPEG", quality=JPEG_QUALITY,
                 subsampling=0, optimize=False)


def arguments(argv, script_file, usage):
    """(source folder, output folder) from a script's command line, the
    output defaulting to assets/photos; None after printing the usage."""
    if len(argv) not in (2, 3):
        sys.stderr.write(usage)
        return None
    default = os.path.join(os.path.dirname(os.path.abspath(script_file)), "..", "assets", "photos")
    return argv[1], os.path.normpath(argv[2] if len(argv) == 3 else default)
