#!/usr/bin/python3
"""Writes tools/puzzle_photos.json, the list of every puzzle picture with its
kind, its right answer in English, Italian and Spanish, and the pictures that
look too much like it to be offered as a wrong answer next to it.

Usage: tools/make_puzzle_manifest.py [OUTPUT_FILE]

The list comes from tools/puzzle_catalogue.py; the output is sorted in the
catalogue's order and written with a fixed layout, so it is the same bytes on
every run. Each stem must have its picture in assets/photos/, and the flags
must be those make_photos.py draws.
"""

import json
import os
import sys

from make_photos import FLAGS as FLAG_CODES
from puzzle_catalogue import FLAGS, entries


def main(argv):
    here = os.path.dirname(os.path.abspath(__file__))
    target = argv[1] if len(argv) > 1 else os.path.join(here, "puzzle_photos.json")
    photos = os.path.join(here, "..", "assets", "photos")
    if [stem for stem, _ in FLAG_CODES] != [row[0] for row in FLAGS]:
        raise SystemExit("the flags of make_photos.py and puzzle_catalogue.py differ")
    items = entries()
    stems = [e["stem"] for e in items]
    if len(set(stems)) != len(stems):
        raise SystemExit("a stem is listed twice")
    for e in items:
        if not os.path.isfile(os.path.join(photos, e["stem"] + ".jpg")):
            raise SystemExit(f"no picture for {e['stem']}")
        for lang, answer in e["answer"].items():
            if len(answer.encode("latin-1")) > 31:
                raise SystemExit(f"{e['stem']}: {lang} answer longer than 31 bytes")
        unknown = set(e["confusable_with"]) - set(stems)
        if unknown:
            raise SystemExit(f"{e['stem']}: unknown look-alikes {sorted(unknown)}")
    with open(target, "w", encoding="utf-8") as f:
        json.dump(items, f, ensure_ascii=False, indent=1)
        f.write("\n")
    print(f"wrote {len(items)} entries to {target}")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
