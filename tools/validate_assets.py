#!/usr/bin/env python3
"""Checks the data Trivello loads: the three question files, the two font
tables and the pictures.

Question files are read exactly as the game reads them (first "[section]"
anywhere in the text, then the first "key=" after it) and also parsed line by
line; the two must agree, so a value that would hijack a look-up is caught.
Widths are measured with the small font's table as the game draws the texts:
the question with kerning -1 within 790 pixels, each answer with kerning 0
within 236 pixels.

Each file must hold enough questions (900, 300 per level, 45 per level and
category), each question text once, and the right answer spread over the four
boxes; where all four answers are numbers of one kind, the right one must be
the smallest or the largest in at least 40% of those questions, or the middle
gives it away. Puzzles are checked against tools/puzzle_photos.json, the list
of every picture in assets/photos with its kind and answers: at least 90
puzzles in at least 3 kinds, the marked answer the picture's own, no wrong
answer naming a picture (or a flag without a picture) that cannot be told
apart from it, no photo used twice in a file, and every picture used by some
language.

Usage: validate_assets.py [repository folder]. Exits 1 on any error and
prints the counts of each language by level, category and puzzle kind.
"""
import json
import os
import re
import sys

# (file, name, key of the answers in tools/puzzle_photos.json, decimal comma)
LANGUAGES = [("eng.ini", "English", "eng", False), ("ita.ini", "Italian", "ita", True),
             ("spanish.ini", "Spanish", "spa", True)]
LEVELS = ["E-", "M-", "H-"]
LEVEL_NAMES = ["easy", "medium", "hard"]
CATEGORIES = ["Lett", "Sci", "Sp", "Geo", "St", "Att"]
CATEGORY_NAMES = ["Letters", "Science", "Sport", "Geography", "History", "Various"]
KEYS = ["ID", "Text", "Answer1", "Answer2", "Answer3", "Answer4", "Solution", "Photo"]
CAPACITY = {"ID": 8, "Text": 128, "Answer1": 32, "Answer2": 32, "Answer3": 32, "Answer4": 32, "Photo": 32}
MIN_QUESTIONS, MIN_PER_LEVEL, MIN_PER_GROUP = 900, 300, 45
MIN_PUZZLES, MIN_PUZZLE_KINDS = 90, 3
PUZZLE_KINDS = ("flag", "outline", "constellation", "region-it", "region-es")
MIN_EXTREME_SHARE = 0.4
# Years before and after Christ, in the three languages, as signed years.
ERAS = {"bc": -1, "b.c.": -1, "bce": -1, "a.c.": -1, "ad": 1, "a.d.": 1, "ce": 1, "d.c.": 1}
# A number answer: an optional word or sign before, digits with separators,
# an optional unit after ("about 1,200", "3.5 km", "45%", "-10 C").
NUMBER = re.compile(r"(?P<before>[^\d\s-]*\s?)(?P<number>-?\d[\d.,]*(?: \d{3})*)(?P<after>\s?[^\d]*)")
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


# What each font table must hold: the Latin letters, digits, the blank and the
# marks the game writes, and every letter Italian and Spanish text needs, so
# that no question and no line of the game has to avoid a word.
FONT_CHARACTERS = ("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789 !'\"?:.,<>()$%/+=-"
                   "\u00e0\u00e8\u00e9\u00ec\u00f2\u00f9\u00c0\u00c8\u00c9\u00cc\u00d2\u00d9"  # Italian
                   "\u00e1\u00ed\u00f3\u00fa\u00c1\u00cd\u00d3\u00da\u00f1\u00d1\u00fc\u00dc"  # Spanish
                   "\u00a1\u00bf\u00e7\u00c7")


def check_font_characters(name, table, report):
    have = {r["c"] for r in table["records"] if r["c"] != 0}
    missing = "".join(ch for ch in FONT_CHARACTERS if ord(ch) not in have)
    if missing:
        report.error("tools/fonts.json", f"{name} lacks {missing!r}")


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
        check_font_characters(name, table, report)
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


def read_records(text, where, report):
    """The records of a question file as the game reads them, with the
    counts from [GENERAL]; reports sections and keys the game would miss or
    read differently from a line-by-line read."""
    sections = parse_sections(text)

    def number(key):
        v = game_lookup(text, "GENERAL", key)
        return int(v) if v is not None and re.fullmatch(r"-?\d+", v) else 0

    questions, puzzles = number("MaxQuestions"), number("MaxPuzzles")
    if questions + puzzles > 2000:
        report.error(where, "more than 2000 records")
    records = []
    for n in range(1, questions + puzzles + 1):
        name = str(n)
        parsed = sections.get(name)
        if parsed is None:
            report.error(f"{where} [{name}]", "section missing")
            continue
        rec = {"name": name, "puzzle": n > questions}
        for key in KEYS:
            value = game_lookup(text, name, key)
            if parsed.get(key) is None:
                report.error(f"{where} [{name}]", f"key {key} missing")
            elif value != parsed.get(key):
                report.error(f"{where} [{name}]", f"the game would read {key} as {value!r}, not {parsed.get(key)!r}")
            rec[key] = parsed.get(key) or ""
        records.append(rec)
    return questions, puzzles, records


def check_record(rec, where, photos_dir, small, report):
    """Checks one record on its own; returns (level, category) of an
    ordinary question whose ID is well formed, else None."""
    for key, cap in CAPACITY.items():
        if len(rec[key].encode("latin-1", "replace")) > cap - 1:
            report.error(where, f"{key} longer than {cap - 1} bytes")
    for key in KEYS:
        if "[" in rec[key] or "]" in rec[key]:
            report.error(where, f"{key} holds a bracket, which can hijack a section look-up")
    qid, group = rec["ID"], None
    if rec["puzzle"]:
        if "Puzzl" not in qid:
            report.error(where, f"puzzle ID {qid!r} lacks Puzzl")
        if not has_photo(rec["Photo"]):
            report.error(where, "puzzle without a photo")
    else:
        levels = [i for i, t in enumerate(LEVELS) if t in qid]
        cats = [i for i, t in enumerate(CATEGORIES) if t in qid]
        if len(levels) != 1:
            report.error(where, f"ID {qid!r} needs exactly one level token")
        if len(cats) != 1:
            report.error(where, f"ID {qid!r} needs exactly one category token")
        if "Puzzl" in qid:
            report.error(where, "ordinary question marked as a puzzle")
        if len(levels) == 1 and len(cats) == 1:
            if not has_photo(rec["Photo"]) and game_category(qid, rec["Photo"]) != cats[0]:
                report.error(where, f"the game would not give ID {qid!r} its category")
            group = (levels[0], cats[0])
    if has_photo(rec["Photo"]):
        stem = rec["Photo"]
        if not any(os.path.isfile(os.path.join(photos_dir, stem + ext)) for ext in (".jpg", ".png")):
            report.error(where, f"photo {stem}.jpg / {stem}.png missing")
        if stem != stem.lower():
            report.error(where, f"photo stem {stem!r} must be lower case")
    if rec["Solution"] not in ("1", "2", "3", "4"):
        report.error(where, f"Solution {rec['Solution']!r} is not 1 to 4")
    answers = answers_of(rec)
    if len(set(a.lower() for a in answers)) != 4:
        report.error(where, "two answers are the same")
    if any(a.strip() == "" for a in answers) or rec["Text"].strip() == "":
        report.error(where, "empty text or answer")
    if small:
        check_widths(rec, answers, where, small, report)
    return group


def answers_of(rec):
    return [rec[f"Answer{i}"] for i in range(1, 5)]


def check_widths(rec, answers, where, small, report):
    for key in ["Text"] + [f"Answer{i}" for i in range(1, 5)]:
        missing = sorted({ch for ch in rec[key] if ord(ch) not in small})
        if missing:
            report.error(where, f"{key} has characters the small font lacks: {''.join(missing)!r}")
    if width(small, rec["Text"], -1) > TEXT_MAX_PX:
        report.error(where, f"Text is {width(small, rec['Text'], -1)} px wide (max {TEXT_MAX_PX})")
    for a in answers:
        if width(small, a, 0) > ANSWER_MAX_PX:
            report.error(where, f"answer {a!r} is {width(small, a, 0)} px wide (max {ANSWER_MAX_PX})")


def number_value(answer, decimal_comma):
    """(value, unit) of an answer that is a number, possibly with a unit or
    sign around it ("1,234", "3.5 km", "45%", "-273 C"); None otherwise.
    Thousands are grouped with the separator that is not the language's
    decimal mark."""
    m = NUMBER.fullmatch(answer.strip())
    if not m:
        return None
    digits = m.group("number").replace(" ", "")
    thousands, decimal = (".", ",") if decimal_comma else (",", ".")
    if re.search(re.escape(thousands) + r"(?!\d{3}(?:\D|$))", digits):
        return None  # a separator that groups something else than thousands
    digits = digits.replace(thousands, "").replace(decimal, ".")
    try:
        value = float(digits)
    except ValueError:
        return None
    before, after = m.group("before").strip().lower(), m.group("after").strip().lower()
    if not before and after.replace(" ", "") in ERAS:
        return value * ERAS[after.replace(" ", "")], ("", "year")
    return value, (before, after)


def check_number_answers(records, where, decimal_comma, report):
    """The right value must not hide in the middle: among ordinary questions
    whose four answers are numbers of one kind, it is the smallest or the
    largest in at least MIN_EXTREME_SHARE of them. Returns (extreme, total)."""
    extreme = total = 0
    for rec in records:
        if rec["puzzle"] or rec["Solution"] not in ("1", "2", "3", "4"):
            continue
        values = [number_value(a, decimal_comma) for a in answers_of(rec)]
        if None in values or len({unit for _, unit in values}) != 1:
            continue
        numbers = [v for v, _ in values]
        if len(set(numbers)) != 4:
            continue
        total += 1
        right = numbers[int(rec["Solution"]) - 1]
        if right in (min(numbers), max(numbers)):
            extreme += 1
    if total and extreme < MIN_EXTREME_SHARE * total:
        report.error(where, f"the right value is the smallest or largest in {extreme} of {total} questions "
                            f"whose answers are all numbers; at least {MIN_EXTREME_SHARE:.0%} wanted")
    return extreme, total


def check_puzzles(records, manifest, lang_key, where, report):
    """Puzzle rules that need the picture list: each puzzle's photo is a
    listed picture, its marked answer is that picture's answer, no wrong
    answer names a picture that looks like it, and no photo serves two
    records of the file. Returns the number of puzzles per picture kind."""
    kinds, used = {}, {}
    answer_of = {stem: e["answer"].get(lang_key, "").lower() for stem, e in manifest.items()}
    for rec in records:
        stem = rec["Photo"]
        if not has_photo(stem):
            continue
        rec_where = f"{where} [{rec['name']}]"
        if stem in used:
            report.error(rec_where, f"photo {stem!r} already used by [{used[stem]}]")
        used[stem] = rec["name"]
        if not rec["puzzle"]:
            continue
        entry = manifest.get(stem)
        if entry is None:
            report.error(rec_where, f"photo {stem!r} is not in tools/puzzle_photos.json")
            continue
        kinds[entry["kind"]] = kinds.get(entry["kind"], 0) + 1
        answers = answers_of(rec)
        if rec["Solution"] in ("1", "2", "3", "4"):
            marked = answers[int(rec["Solution"]) - 1]
            if marked.lower() != answer_of[stem]:
                report.error(rec_where, f"marked answer {marked!r} is not the picture's answer "
                                        f"{entry['answer'].get(lang_key)!r}")
        alike = {answer_of[s] for s in entry["confusable_with"] if s in answer_of}
        alike |= {a.lower() for a in entry.get("confusable_answers", {}).get(lang_key, [])}
        for a in answers:
            if a.lower() in alike:
                report.error(rec_where, f"wrong answer {a!r} names something that looks like {stem!r}")
    if sum(kinds.values()) < MIN_PUZZLES:
        report.error(where, f"{sum(kinds.values())} puzzles with a listed picture, at least {MIN_PUZZLES} wanted")
    if len(kinds) < MIN_PUZZLE_KINDS:
        report.error(where, f"puzzles of {len(kinds)} kinds {sorted(kinds)}, at least {MIN_PUZZLE_KINDS} wanted")
    return kinds, set(used)


def check_counts(counts, questions, where, report):
    if questions < MIN_QUESTIONS:
        report.error(where, f"{questions} ordinary questions, at least {MIN_QUESTIONS} wanted")
    for lv in range(3):
        per_level = sum(counts.get((lv, c), 0) for c in range(6))
        if per_level < MIN_PER_LEVEL:
            report.error(where, f"{per_level} {LEVEL_NAMES[lv]} questions, at least {MIN_PER_LEVEL} wanted")
        for c in range(6):
            if counts.get((lv, c), 0) < MIN_PER_GROUP:
                report.error(where, f"{counts.get((lv, c), 0)} {LEVEL_NAMES[lv]} {CATEGORY_NAMES[c]} questions, "
                                    f"at least {MIN_PER_GROUP} wanted")


def check_question_file(root, language, fonts, manifest, report):
    filename, name, lang_key, decimal_comma = language
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
    questions, puzzles, records = read_records(text, where, report)
    small = fonts.get("fontTable2") if fonts else None
    photos_dir = os.path.join(root, "assets", "photos")
    counts, solutions, seen_texts = {}, [0, 0, 0, 0], {}
    for rec in records:
        rec_where = f"{where} [{rec['name']}]"
        group = check_record(rec, rec_where, photos_dir, small, report)
        if group:
            counts[group] = counts.get(group, 0) + 1
        if rec["Solution"] in ("1", "2", "3", "4"):
            solutions[int(rec["Solution"]) - 1] += 1
        key_text = " ".join(rec["Text"].split()).lower()
        if not rec["puzzle"]:
            if key_text in seen_texts:
                report.error(rec_where, f"same question as [{seen_texts[key_text]}]")
            seen_texts[key_text] = rec["name"]

    check_counts(counts, questions, where, report)
    answered = sum(solutions)
    if answered and min(solutions) < answered * 0.2:
        report.error(where, f"Solution is not spread evenly over 1-4: {solutions}")
    numbers = check_number_answers(records, where, decimal_comma, report)
    kinds, photos = check_puzzles(records, manifest, lang_key, where, report) if manifest is not None else ({}, set())
    return {"total": sum(counts.values()), "puzzles": puzzles, "counts": counts, "solutions": solutions,
            "language": name, "numbers": numbers, "kinds": kinds, "photos": photos}


def load_manifest(root, report):
    """tools/puzzle_photos.json as {stem: entry}; checks that it lists every
    picture in assets/photos exactly once, and nothing else."""
    path = os.path.join(root, "tools", "puzzle_photos.json")
    try:
        with open(path, encoding="utf-8") as f:
            entries = json.load(f)
    except (OSError, ValueError) as e:
        report.error("tools/puzzle_photos.json", f"cannot read the picture list: {e}")
        return None
    manifest = {}
    for e in entries:
        stem = e.get("stem", "")
        if stem in manifest:
            report.error("tools/puzzle_photos.json", f"{stem!r} listed twice")
        if e.get("kind") not in PUZZLE_KINDS:
            report.error("tools/puzzle_photos.json", f"{stem!r} has unknown kind {e.get('kind')!r}")
        for lang in ("eng", "ita", "spa"):
            answer = e.get("answer", {}).get(lang, "")
            if not answer or len(answer.encode("latin-1", "replace")) > 31:
                report.error("tools/puzzle_photos.json", f"{stem!r}: {lang} answer missing or longer than 31 bytes")
        e.setdefault("confusable_with", [])
        manifest[stem] = e
    on_disk = photo_stems(root)
    for stem in sorted(on_disk - set(manifest)):
        report.error(f"photos/{stem}", "picture not listed in tools/puzzle_photos.json")
    for stem in sorted(set(manifest) - on_disk):
        report.error("tools/puzzle_photos.json", f"{stem!r} has no picture in assets/photos")
    return manifest


def photo_stems(root):
    folder = os.path.join(root, "assets", "photos")
    if not os.path.isdir(folder):
        return set()
    return {os.path.splitext(f)[0] for f in os.listdir(folder) if f.endswith((".jpg", ".png"))}


def check_photos_used(root, summaries, report):
    """Every picture shipped is shown by at least one language."""
    used = set()
    for s in summaries:
        if s:
            used |= s["photos"]
    for stem in sorted(photo_stems(root) - used):
        report.error(f"photos/{stem}", "no question file uses this picture")


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
    manifest = load_manifest(root, report)
    summaries = [check_question_file(root, lang, fonts or {}, manifest, report) for lang in LANGUAGES]
    check_photos_used(root, summaries, report)
    pictures = check_pictures(root, report)

    for s in summaries:
        if not s:
            continue
        print(f"{s['language']}: {s['total']} questions, {s['puzzles']} puzzles, Solution 1-4 {s['solutions']}")
        extreme, total = s["numbers"]
        print(f"  puzzles by kind: {dict(sorted(s['kinds'].items()))}; right value at an extreme in "
              f"{extreme} of {total} all-number questions")
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
