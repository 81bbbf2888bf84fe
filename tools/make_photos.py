#!/usr/bin/python3
"""Renders the flag pictures of the photo puzzles into assets/photos/.

Usage: tools/make_photos.py FLAGS_PACKAGE_DIR [OUTPUT_DIR]

FLAGS_PACKAGE_DIR is an installed copy of the npm package svg-country-flags
(for example /tmp/flags/node_modules/svg-country-flags); its png1000px folder
holds one PNG per country, named by the lower-case ISO 3166 alpha-2 code.

Each flag is scaled to fit a 400x300 picture with a margin, keeping its
aspect ratio, and laid on a soft grey gradient with a thin dark outline (so
white parts of a flag stay visible) and a faint shadow. The outline follows
the flag's own shape, which matters for flags that are not rectangles.
Output is JPEG quality 90. Nothing depends on the clock or on randomness, so
the same package and the same Pillow give the same bytes.

The picture stems are the values of the question file's "Photo" keys; they
must not contain the digit 0, which the game reads as "no photo".
"""

import os
import sys

from PIL import Image, ImageChops, ImageFilter

WIDTH, HEIGHT = 400, 300
MARGIN_X, MARGIN_Y = 22, 22          # room left around the flag
BORDER = 2                           # outline width in pixels
SHADOW_OFFSET = 4
SHADOW_BLUR = 4
TOP_GREY, BOTTOM_GREY = 238, 206     # background gradient
BORDER_COLOUR = (48, 48, 56)
JPEG_QUALITY = 90

# (picture stem, ISO 3166 alpha-2 code)
FLAGS = [
    ("italy", "it"), ("france", "fr"), ("germany", "de"), ("spain", "es"),
    ("portugal", "pt"), ("ireland", "ie"), ("belgium", "be"),
    ("netherlands", "nl"), ("sweden", "se"), ("norway", "no"),
    ("denmark", "dk"), ("finland", "fi"), ("iceland", "is"),
    ("poland", "pl"), ("austria", "at"), ("switzerland", "ch"),
    ("greece", "gr"), ("turkey", "tr"), ("russia", "ru"), ("ukraine", "ua"),
    ("czechia", "cz"), ("hungary", "hu"), ("romania", "ro"),
    ("croatia", "hr"), ("japan", "jp"), ("china", "cn"),
    ("southkorea", "kr"), ("india", "in"), ("pakistan", "pk"),
    ("bangladesh", "bd"), ("thailand", "th"), ("vietnam", "vn"),
    ("indonesia", "id"), ("philippines", "ph"), ("australia", "au"),
    ("newzealand", "nz"), ("canada", "ca"), ("usa", "us"), ("mexico", "mx"),
    ("brazil", "br"), ("argentina", "ar"), ("chile", "cl"), ("peru", "pe"),
    ("colombia", "co"), ("venezuela", "ve"), ("uruguay", "uy"),
    ("cuba", "cu"), ("jamaica", "jm"), ("southafrica", "za"),
    ("nigeria", "ng"), ("egypt", "eg"), ("kenya", "ke"), ("morocco", "ma"),
    ("ethiopia", "et"), ("ghana", "gh"), ("algeria", "dz"),
    ("israel", "il"), ("saudiarabia", "sa"), ("iran", "ir"),
    ("lebanon", "lb"), ("nepal", "np"), ("malaysia", "my"),
    ("singapore", "sg"), ("mongolia", "mn"), ("estonia", "ee"),
    ("latvia", "lv"),
]


def background():
    """A vertical light-grey gradient, slightly cool at the top."""
    column = Image.new("L", (1, HEIGHT))
    for y in range(HEIGHT):
        t = y / (HEIGHT - 1)
        column.putpixel((0, y), round(TOP_GREY + (BOTTOM_GREY - TOP_GREY) * t))
    grey = column.resize((WIDTH, HEIGHT), Image.NEAREST)
    return Image.merge("RGB", (grey, grey, ImageChops.add(grey, Image.new("L", grey.size, 4))))


def fit(flag):
    """Scales the flag to the largest size that fits inside the margins."""
    box_w = WIDTH - 2 * MARGIN_X
    box_h = HEIGHT - 2 * MARGIN_Y
    scale = min(box_w / flag.width, box_h / flag.height)
    size = (max(1, round(flag.width * scale)), max(1, round(flag.height * scale)))
    return flag.resize(size, Image.LANCZOS)


def render(source_png):
    flag = fit(Image.open(source_png).convert("RGBA"))
    x = (WIDTH - flag.width) // 2
    y = (HEIGHT - flag.height) // 2

    # The flag's silhouette on the whole canvas: opaque where the flag is.
    silhouette = Image.new("L", (WIDTH, HEIGHT), 0)
    silhouette.paste(flag.getchannel("A"), (x, y))

    canvas = background()

    shadow = Image.new("L", (WIDTH, HEIGHT), 0)
    shadow.paste(silhouette, (SHADOW_OFFSET, SHADOW_OFFSET))
    shadow = shadow.filter(ImageFilter.GaussianBlur(SHADOW_BLUR)).point(lambda v: v * 45 // 100)
    canvas.paste(Image.new("RGB", canvas.size, (0, 0, 0)), (0, 0), shadow)

    outline = silhouette.filter(ImageFilter.MaxFilter(2 * BORDER + 1))
    canvas.paste(Image.new("RGB", canvas.size, BORDER_COLOUR), (0, 0), outline)

    canvas.paste(flag.convert("RGB"), (x, y), flag.getchannel("A"))
    return canvas


def main(argv):
    if len(argv) not in (2, 3):
        sys.stderr.write(__doc__)
        return 2
    package = argv[1]
    here = os.path.dirname(os.path.abspath(__file__))
    out_dir = argv[2] if len(argv) == 3 else os.path.join(here, "..", "assets", "photos")
    os.makedirs(out_dir, exist_ok=True)

    stems = set()
    for stem, code in FLAGS:
        if "0" in stem or stem != stem.lower() or stem in stems:
            raise SystemExit(f"bad picture stem {stem!r}")
        stems.add(stem)
        source = os.path.join(package, "png1000px", code + ".png")
        if not os.path.isfile(source):
            raise SystemExit(f"missing flag {source}")
        picture = render(source)
        target = os.path.join(out_dir, stem + ".jpg")
        picture.save(target, "JPEG", quality=JPEG_QUALITY, subsampling=0, optimize=False)
    print(f"wrote {len(FLAGS)} pictures to {os.path.normpath(out_dir)}")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
