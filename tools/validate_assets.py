#!/usr/bin/env python3
"""Checks the data Trivello loads: the three question files, the two font
tables and the pictures.

Question files are read exactly as the game reads them (first "[section]"
anywhere in the text, then the first "key=" after it) and also parsed line by
line; the two must agree, so a value that would hijack a look-up is caught.
Widths are measured with the small font's table as the game draws the texts:
the question with kerning -1 within 790 pixels, each answer with kerning 0
within 236 pixels.

Usage: validate_assets.py [repository folder]. Exits 1 on any error and
prints the counts of each language by level and category.
"""
import json
import os
import re
import sys

LANGUAGES = [("eng.ini", "English"), ("ita.ini", "Italian"), ("spanish.ini", "Spanish")]
LEVELS = ["E-", "M-", "H-"]
LEVEL_NAMES = ["easy", "medium", "hard"]
CATEGORIES = ["Lett", "Sci", "Sp", "Geo", "St", "Att"]
CATEGORY_NAMES = ["Letters", "Science", "Sport", "Geography", "History", "Various"]
KEYS = ["ID", "Text", "Answer1", "Answer2", "Answer3", "Answer4", "Solution", "Photo"]
CAPACITY = {"ID": 8, "Text": 128, "Answer1": 32, "Answer2": 32, "Answer3": 32, "Answer4": 32, "Photo": 32}
MIN_QUESTIONS, MIN_PER_LEVEL, MIN_PER_GROUP, MIN_PUZZLES = 450, 150, 20, 60
TEXT_MAX_PX, ANSWER_MAX_PX = 790, 236


class Report:
    def __init__(self):
        self.errors = []

    def error(self, where, message):
        self.errors.append(f"{where}: {message}")


def game_lookup(text, section, key):
    """The game's look-up: None when not found."""
    start = text.find("[" + section + "]")
    if start < 0:
        return None
    at = text.find(key + "=", start)
    if at < 0:
        return None
    value = text[at + len(key) + 1:]
    return re.split(r"[\r\n]", value, maxsplit=1)[0]


def parse_sections(text):
    """Sections in file order as {name: {key: value}} from a line-by-line read."""
    sections, current = {}, None
    for line in re.split(r"\r?\n", text):
        m = re.fullmatch(r"\[([^\]]*)\]", line)
        if m:
            current = sections.setdefault(m.group(1), {})
        elif current is not None and "=" in line:
            k, v = line.split("=", 1)
            current.setdefault(k, v)
    return sections


def game_category(qid, photo):
    """The category the quiz rules give a record (None when no token matches)."""
    if has_photo(photo):
        return None
    cat = None
    for token, number in (("Sp", 2), ("Att", 5), ("Geo", 3), ("St", 4), ("Lett", 0), ("Sci", 1)):
        if token in qid:
            cat = number
    return cat


def has_photo(photo):
    return photo != "" and "0" not in photo


def load_fonts(root, report):
    path = os.path.join(root, "tools", "fonts.json")
    try:
        with open(path, encoding="utf-8") as f:
            data = json.load(f)
    except (OSError, ValueError) as e:
        report.error(path, f"cannot read the font tables: {e}")
        return None
    fonts = {}
    for name in ("fontTable", "fontTable2"):
        table = data.get(name)
        if not table:
            report.error(path, f"no table {name}")
            continue
        fonts[name] = {r["c"]: r for r in table["records"] if r["c"] != 0}
        check_font_picture(root, name, table, report)
    return fonts


def check_font_picture(root, name, table, report):
    size = picture_size(os.path.join(root, table["file"]))
    if size is None:
        report.error(table["file"], "font picture missing or unreadable")
        return
    w, h = size
    for r in table["records"]:
        if r["c"] == 0:
            continue
        if not (0 <= r["x1"] <= r["x2"] < w and 0 <= r["y1"] <= r["y2"] < h):
            report.error(table["file"], f"{name} glyph {r['c']} lies outside the {w}x{h} picture")


def width(font, s, kerning):
    return sum(font[b]["w"] + kerning for b in s.encode("latin-1") if b in font)


def check_question_file(root, filename, language, fonts, report):
    path = os.path.join(root, "assets", "data", filename)
    try:
        raw = open(path, "rb").read()
    except OSError as e:
        report.error(path, f"cannot read: {e}")
        return None
    text = raw.decode("latin-1")
    where = f"data/{filename}"
    if "\0" in text:
        report.error(where, "holds a NUL byte, which ends the game's search early")
    sections = parse_sections(text)

    def number(key):
        v = game_lookup(text, "GENERAL", key)
        return int(v) if v is not None and re.fullmatch(r"-?\d+", v) else 0

    questions, puzzles = number("MaxQuestions"), number("MaxPuzzles")
    if questions + puzzles > 2000:
        report.error(where, "more than 2000 records")
    small = fonts.get("fontTable2") if fonts else None
    counts = {}
    solutions = [0, 0, 0, 0]
    seen_texts = {}
    photos_dir = os.path.join(root, "assets", "photos")
    for n in range(1, questions + puzzles + 1):
        name = str(n)
        rec_where = f"{where} [{name}]"
        parsed = sections.get(name)
        if parsed is None:
            report.error(rec_where, "section missing")
            continue
        rec = {}
        for key in KEYS:
            value = game_lookup(text, name, key)
            if parsed.get(key) is None:
                report.error(rec_where, f"key {key} missing")
            elif value != parsed.get(key):
                report.error(rec_where, f"the game would read {key} as {value!r}, not {parsed.get(key)!r}")
            rec[key] = parsed.get(key) or ""
        for key, cap in CAPACITY.items():
            if len(rec[key].encode("latin-1", "replace")) > cap - 1:
                report.error(rec_where, f"{key} longer than {cap - 1} bytes")
        for key in KEYS:
            if "[" in rec[key] or "]" in rec[key]:
                report.error(rec_where, f"{key} holds a bracket, which can hijack a section look-up")
        qid = rec["ID"]
        is_puzzle = n > questions
        if is_puzzle:
            if "Puzzl" not in qid:
                report.error(rec_where, f"puzzle ID {qid!r} lacks Puzzl")
            if not has_photo(rec["Photo"]):
                report.error(rec_where, "puzzle without a photo")
        else:
            levels = [i for i, t in enumerate(LEVELS) if t in qid]
            cats = [i for i, t in enumerate(CATEGORIES) if t in qid]
            if len(levels) != 1:
                report.error(rec_where, f"ID {qid!r} needs exactly one level token")
            if len(cats) != 1:
                report.error(rec_where, f"ID {qid!r} needs exactly one category token")
            if "Puzzl" in qid:
                report.error(rec_where, "ordinary question marked as a puzzle")
            if len(levels) == 1 and len(cats) == 1:
                if not has_photo(rec["Photo"]) and game_category(qid, rec["Photo"]) != cats[0]:
                    report.error(rec_where, f"the game would not give ID {qid!r} its category")
                counts[(levels[0], cats[0])] = counts.get((levels[0], cats[0]), 0) + 1
        if has_photo(rec["Photo"]):
            stem = rec["Photo"]
            if not any(os.path.isfile(os.path.join(photos_dir, stem + ext)) for ext in (".jpg", ".png")):
                report.error(rec_where, f"photo {stem}.jpg / {stem}.png missing")
            if stem != stem.lower():
                report.error(rec_where, f"photo stem {stem!r} must be lower case")
        if rec["Solution"] not in ("1", "2", "3", "4"):
            report.error(rec_where, f"Solution {rec['Solution']!r} is not 1 to 4")
        else:
            solutions[int(rec["Solution"]) - 1] += 1
        answers = [rec[f"Answer{i}"] for i in range(1, 5)]
        if len(set(a.lower() for a in answers)) != 4:
            report.error(rec_where, "two answers are the same")
        if any(a.strip() == "" for a in answers) or rec["Text"].strip() == "":
            report.error(rec_where, "empty text or answer")
        key_text = rec["Text"].strip().lower()
        if not is_puzzle:
            if key_text in seen_texts:
                report.error(rec_where, f"same question as [{seen_texts[key_text]}]")
            seen_texts[key_text] = name
        if small:
            for key in ["Text"] + [f"Answer{i}" for i in range(1, 5)]:
                missing = sorted({ch for ch in rec[key] if ord(ch) not in small})
                if missing:
                    report.error(rec_where, f"{key} has characters the small font lacks: {''.join(missing)!r}")
            if width(small, rec["Text"], -1) > TEXT_MAX_PX:
                report.error(rec_where, f"Text is {width(small, rec['Text'], -1)} px wide (max {TEXT_MAX_PX})")
            for a in answers:
                if width(small, a, 0) > ANSWER_MAX_PX:
                    report.error(rec_where, f"answer {a!r} is {width(small, a, 0)} px wide (max {ANSWER_MAX_PX})")

    total = sum(counts.values())
    if questions < MIN_QUESTIONS:
        report.error(where, f"{questions} ordinary questions, at least {MIN_QUESTIONS} wanted")
    if puzzles < MIN_PUZZLES:
        report.error(where, f"{puzzles} puzzles, at least {MIN_PUZZLES} wanted")
    for lv in range(3):
        per_level = sum(counts.get((lv, c), 0) for c in range(6))
        if per_level < MIN_PER_LEVEL:
            report.error(where, f"{per_level} {LEVEL_NAMES[lv]} questions, at least {MIN_PER_LEVEL} wanted")
        for c in range(6):
            if counts.get((lv, c), 0) < MIN_PER_GROUP:
                report.error(where, f"{counts.get((lv, c), 0)} {LEVEL_NAMES[lv]} {CATEGORY_NAMES[c]} questions, "
                                    f"at least {MIN_PER_GROUP} wanted")
    answered = sum(solutions)
    if answered and min(solutions) < answered * 0.2:
        report.error(where, f"Solution is not spread evenly over 1-4: {solutions}")
    return {"total": total, "puzzles": puzzles, "counts": counts, "solutions": solutions, "language": language}


try:
    from PIL import Image
except ImportError:
    sys.exit("validate_assets.py needs Pillow (Debian package python3-pil)")


def picture_size(path):
    try:
        with Image.open(path) as im:
            return im.size
    except (OSError, ValueError):  # a missing or broken picture
        return None


def check_pictures(root, report):
    sys.path.insert(0, os.path.join(root, "tools"))
    try:
        import picture_regions
    except ImportError as e:
        report.error("tools/picture_regions.py", f"cannot import: {e}")
        return 0
    checked = 0
    for filename, info in picture_regions.regions().items():
        path = os.path.join(root, "assets", "gfx", filename)
        size = picture_size(path)
        if size is None:
            report.error(f"gfx/{filename}", "missing or unreadable")
            continue
        checked += 1
        if filename != filename.lower():
            report.error(f"gfx/{filename}", "picture names must be lower case")
        if info.get("size") and tuple(info["size"]) != tuple(size):
            report.error(f"gfx/{filename}", f"is {size[0]}x{size[1]}, expected {info['size'][0]}x{info['size'][1]}")
        for rect in info.get("rects", []):
            x1, y1, x2, y2 = rect[:4]
            if not (0 <= x1 < x2 <= size[0] and 0 <= y1 < y2 <= size[1]):
                what = rect[4] if len(rect) > 4 else ""
                report.error(f"gfx/{filename}", f"rectangle ({x1},{y1})-({x2},{y2}) {what} is outside "
                                                f"the {size[0]}x{size[1]} picture")
    return checked


def main():
    root = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), ".."))
    report = Report()
    fonts = load_fonts(root, report)
    summaries = [check_question_file(root, f, lang, fonts or {}, report) for f, lang in LANGUAGES]
    pictures = check_pictures(root, report)

    for s in summaries:
        if not s:
            continue
        print(f"{s['language']}: {s['total']} questions, {s['puzzles']} puzzles, Solution 1-4 {s['solutions']}")
        print("  " + " ".join(f"{n:>10}" for n in [""] + CATEGORY_NAMES))
        for lv in range(3):
            print("  " + f"{LEVEL_NAMES[lv]:>10}" + " ".join(f"{s['counts'].get((lv, c), 0):>10}" for c in range(6)))
    print(f"pictures checked: {pictures}")
    for e in report.errors[:200]:
        print("ERROR " + e)
    if len(report.errors) > 200:
        print(f"... and {len(report.errors) - 200} more errors")
    print(f"{'FAILED' if report.errors else 'OK'}: {len(report.errors)} errors")
    return 1 if report.errors else 0


if __name__ == "__main__":
    sys.exit(main())
