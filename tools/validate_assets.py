#!/usr/bin/env python3
"""Checks the data Trivello loads: the three question files, the two font
tables and the pictures.

Question files are read exactly as the game reads them (first "[section]"
anywhere in the text, then the first "key=" after it) and also parsed line by
line; the two must agree, so a value that would hijack a look-up is caught.
Widths are measured with the small font's table as the game draws the texts:
the question with kerning -1 within 790 pixels, each answer with kerning 0
within 236 pixels.

Each file must hold enough questions (1 500, 500 per level, 80 per level and
category), each question text once, and the right answer spread over the four
boxes; where all four answers are numbers of one kind, the right one must be
the smallest or the largest in at least 40% of those questions, or the middle
gives it away. What lets a player guess without knowing is an error too: a
word of the right answer repeated by the question's text; a right answer
standing apart from three wrong ones that share a first or last word, or
that are all round (or whole) numbers; at one level, the right answer alone
the longest or alone the shortest more than 5 points above chance; and
capital-city questions above 4% of a file. Questions whose right answer
another question's text names, on the same subject, are listed for an editor
to read (a NOTE, not an error). Puzzles are checked against tools/puzzle_photos.json, the list
of every picture in assets/photos with its kind and answers: at least 160
puzzles in at least 3 kinds, the marked answer the picture's own, no two
answers of a puzzle naming pictures (or a picture and a flag without a
picture) that cannot be told apart, the wrong answers of a regional puzzle
other regions of the same country, no photo used twice in a file, and every
picture used by some language.

Usage: validate_assets.py [repository folder]. Exits 1 on any error and
prints the counts of each language by level, category and puzzle kind.
"""
import json
import os
import re
import sys
import unicodedata

# (file, name, key of the answers in tools/puzzle_photos.json, decimal comma)
LANGUAGES = [("eng.ini", "English", "eng", False), ("ita.ini", "Italian", "ita", True),
             ("spanish.ini", "Spanish", "spa", True)]
LEVELS = ["E-", "M-", "H-"]
LEVEL_NAMES = ["easy", "medium", "hard"]
CATEGORIES = ["Lett", "Sci", "Sp", "Geo", "St", "Att"]
CATEGORY_NAMES = ["Letters", "Science", "Sport", "Geography", "History", "Various"]
KEYS = ["ID", "Text", "Answer1", "Answer2", "Answer3", "Answer4", "Solution", "Photo"]
CAPACITY = {"ID": 8, "Text": 128, "Answer1": 32, "Answer2": 32, "Answer3": 32, "Answer4": 32, "Photo": 32}
MIN_QUESTIONS, MIN_PER_LEVEL, MIN_PER_GROUP = 1500, 500, 80
MIN_PUZZLES, MIN_PUZZLE_KINDS = 160, 3
PUZZLE_KINDS = ("flag", "outline", "constellation", "region-it", "region-es", "region-us")
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


# Editorial rules: what a player could guess without knowing the answer.
# Words too common to give anything away, in the three languages, without
# accents; words shorter than MIN_WORD letters are never counted either.
STOP_WORDS = set("""
the and for with from that this which what who whom whose when where were was are has have had its into
than then them they their there these those about after before between during over under upon also
only most more much many some such other another each every both called known name named
first last best great famous world city country state people year years
della delle dello degli dalla dalle dallo dagli nella nelle nello negli sulla sulle sullo sugli
questo questa quale quali quanti quante come dove quando anche sono stato stata essere nome
prima primo ultimo ultima grande citta paese stato anno anni chiama chiamato chiamata
esta este estos estas cual cuales cuanto cuantos cuantas como donde cuando tambien esta fueron
fue sido nombre primer primera ultimo ultima gran grande ciudad pais estado anos llama llamado llamada
para desde entre sobre hasta hacia segun durante
""".split())
MIN_WORD = 4
ARTICLES = {"the", "a", "an", "il", "lo", "la", "i", "gli", "le", "l", "un", "uno", "una", "el", "los", "las"}
# A capital-city question names the word in one of the three languages
# (an Italian regional capital is a "capoluogo").
CAPITAL_WORDS = {"capital", "capitals", "capitale", "capitali", "capitales", "capoluogo", "capoluoghi"}
MAX_CAPITAL_SHARE = 0.04
# How far above chance the right answer may be the single longest (or
# shortest) among the ordinary questions of one level.
LENGTH_MARGIN = 0.05


def plain(s):
    """Lower case without accents, so "Perú" and "peru" compare equal."""
    s = unicodedata.normalize("NFKD", s.lower())
    return "".join(ch for ch in s if not unicodedata.combining(ch))


def words(s):
    return re.findall(r"[a-z0-9]+", plain(s))


def significant(s):
    """The words of s that can give an answer away: long, not common."""
    return [w for w in words(s) if len(w) >= MIN_WORD and w not in STOP_WORDS]


def same_word(a, b):
    """The same word, or one word with another ending ("Roman"/"Romans",
    "italiano"/"italiana"): a shared stem of five letters or more, with at
    most three letters to spare on either side."""
    if a == b:
        return True
    if a.isdigit() or b.isdigit():
        return False
    stem = os.path.commonprefix([a, b])
    return len(stem) >= 5 and len(a) - len(stem) <= 3 and len(b) - len(stem) <= 3


def giveaway_words(rec):
    """Words of the right answer that the question's text repeats and that
    no wrong answer shares: a player can pick the answer by matching words."""
    answers = answers_of(rec)
    right = answers[int(rec["Solution"]) - 1]
    text = words(rec["Text"])
    wrong = [w for a in answers if a != right for w in words(a)]
    return [w for w in significant(right)
            if any(same_word(w, t) for t in text) and not any(same_word(w, o) for o in wrong)]


def single_extreme(answers, pick):
    """Index of the answer that is alone the longest (pick=max) or the
    shortest (pick=min), or None on a tie."""
    lengths = [len(a.strip()) for a in answers]
    best = pick(lengths)
    return lengths.index(best) if lengths.count(best) == 1 else None


def check_answer_lengths(records, where, report):
    """Per level: the share of questions whose right answer is alone the
    longest (and alone the shortest), against what chance gives (a quarter
    of the questions that have a single longest, or shortest). Returns
    {level: {"longest": (share, chance), "shortest": (share, chance)}}."""
    result = {}
    for lv, token in enumerate(LEVELS):
        group = [r for r in records if not r["puzzle"] and token in r["ID"] and r["Solution"] in ("1", "2", "3", "4")]
        if not group:
            continue
        result[lv] = {}
        for label, pick in (("longest", max), ("shortest", min)):
            singles = [(single_extreme(answers_of(r), pick), int(r["Solution"]) - 1) for r in group]
            share = sum(1 for s, right in singles if s == right) / len(group)
            chance = sum(1 for s, _ in singles if s is not None) / 4 / len(group)
            result[lv][label] = (share, chance)
            if share > chance + LENGTH_MARGIN:
                report.error(where, f"the right answer is alone the {label} in {share:.0%} of the "
                                    f"{LEVEL_NAMES[lv]} questions, chance gives {chance:.0%} "
                                    f"(at most {LENGTH_MARGIN:.0%} more wanted)")
    return result


def round_step(value):
    """The largest power of ten (10 or more) that divides value, or 1."""
    if value != int(value) or value == 0:
        return 1
    step, n = 1, abs(int(value))
    while n % (step * 10) == 0:
        step *= 10
    return step


def without_article(tokens):
    """The words of an answer after a leading article, which differs
    with the gender of the noun and says nothing of the answer."""
    return tokens[1:] if len(tokens) > 1 and tokens[0] in ARTICLES else tokens


def odd_one_out(rec, decimal_comma):
    """How the right answer stands apart from three wrong answers that
    agree: a first or last word they share and it lacks, or a value that
    is not round (or not whole) where they all are. None when it does not."""
    answers = answers_of(rec)
    solution = int(rec["Solution"]) - 1
    right, wrong = answers[solution], [a for i, a in enumerate(answers) if i != solution]
    tokens = [without_article(words(a)) for a in answers]
    if all(tokens):
        right_t, wrong_t = tokens[solution], [t for i, t in enumerate(tokens) if i != solution]
        for label, at in (("first word", 0), ("last word", -1)):
            shared = {t[at] for t in wrong_t}
            word = shared.pop()
            # "San" and "Sant'" and "Santa" are one word with other endings.
            if not shared and not word.isdigit() and not (right_t[at].startswith(word) or word.startswith(right_t[at])):
                return f"the wrong answers share the {label} {word!r}, the right one {right!r} does not"
    values = [number_value(a, decimal_comma) for a in answers]
    if None not in values and len({unit for _, unit in values}) == 1:
        steps = [round_step(v) for v, _ in values]
        common = min(s for i, s in enumerate(steps) if i != solution)
        if common >= 10 and steps[solution] < common:
            return f"{right!r} is the only value not a multiple of {common}"
        whole = [v == int(v) for v, _ in values]
        if not whole[solution] and all(w for i, w in enumerate(whole) if i != solution):
            return f"{right!r} is the only value that is not a whole number"
    return None


def check_odd_one_out(records, where, decimal_comma, report):
    for rec in records:
        if rec["puzzle"] or rec["Solution"] not in ("1", "2", "3", "4"):
            continue
        reason = odd_one_out(rec, decimal_comma)
        if reason:
            report.error(f"{where} [{rec['name']}]", reason)


def check_giveaways(records, where, report):
    for rec in records:
        if rec["puzzle"] or rec["Solution"] not in ("1", "2", "3", "4"):
            continue
        found = giveaway_words(rec)
        if found:
            report.error(f"{where} [{rec['name']}]", f"the text repeats the right answer's {', '.join(found)}")


def is_capital_question(rec):
    return not rec["puzzle"] and any(w in CAPITAL_WORDS for w in words(rec["Text"]))


def check_capitals(records, where, report):
    """Returns (capital questions, ordinary questions); an error when they
    are more than MAX_CAPITAL_SHARE of the file."""
    ordinary = [r for r in records if not r["puzzle"]]
    capitals = sum(1 for r in ordinary if is_capital_question(r))
    if ordinary and capitals > MAX_CAPITAL_SHARE * len(ordinary):
        report.error(where, f"{capitals} of {len(ordinary)} questions ask about capitals, "
                            f"at most {MAX_CAPITAL_SHARE:.0%} wanted")
    return capitals, len(ordinary)


def cross_answers(records):
    """Pairs (a, b) where question a's right answer stands in question b's
    text and the two are about the same thing (their texts share two more
    significant words, or b's answer stands in a's text as well): a player
    meeting b first has been told a's answer. For an editor to read, since a
    name can stand in a text for other reasons."""
    ordinary = [r for r in records if not r["puzzle"] and r["Solution"] in ("1", "2", "3", "4")]
    right = {r["name"]: answers_of(r)[int(r["Solution"]) - 1] for r in ordinary}
    # Word strings padded with spaces, so a phrase is found only as whole words.
    text_of = {r["name"]: f" {' '.join(words(r['Text']))} " for r in ordinary}
    answer_of = {name: f" {' '.join(words(a))} " if words(a) else None for name, a in right.items()}
    pairs = []
    for a in ordinary:
        answer = right[a["name"]]
        if not significant(answer) or number_value(answer, False) is not None:
            continue
        a_words = set(significant(a["Text"])) - set(significant(answer))
        for b in ordinary:
            if b is a or answer_of[a["name"]] not in text_of[b["name"]]:
                continue
            shared = {w for w in a_words for t in significant(b["Text"]) if same_word(w, t)}
            other = answer_of[b["name"]]
            if len(shared) >= 2 or (other is not None and other in text_of[a["name"]]):
                pairs.append((a["name"], b["name"], answer))
    return pairs


def lookalike_answers(manifest, lang_key):
    """{kind: {answer: answers of what looks like it}}, lower case, both
    ways: two flags listed as alike, or a flag and its twin that has no
    picture here."""
    answer_of = {stem: e["answer"].get(lang_key, "").lower() for stem, e in manifest.items()}
    table = {}
    for stem, e in manifest.items():
        kind = table.setdefault(e["kind"], {})
        alike = {answer_of[s] for s in e["confusable_with"] if s in answer_of}
        alike |= {a.lower() for a in e.get("confusable_answers", {}).get(lang_key, [])}
        for other in alike:
            kind.setdefault(answer_of[stem], set()).add(other)
            kind.setdefault(other, set()).add(answer_of[stem])
    return table


def check_puzzles(records, manifest, lang_key, where, report):
    """Puzzle rules that need the picture list: each puzzle's photo is a
    listed picture, its marked answer is that picture's answer, no two of
    its answers name things that look alike (so no wrong answer looks like
    the picture, and no two wrong answers are the same flag twice), a
    regional puzzle offers only regions of the same country, and no photo
    serves two records of the file. Returns the number of puzzles per
    picture kind."""
    kinds, used = {}, {}
    answer_of = {stem: e["answer"].get(lang_key, "").lower() for stem, e in manifest.items()}
    alike_of = lookalike_answers(manifest, lang_key)
    regions_of = {}
    for stem, e in manifest.items():
        regions_of.setdefault(e["kind"], set()).add(answer_of[stem])
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
        alike = alike_of.get(entry["kind"], {})
        lowered = [a.lower() for a in answers]
        for i, a in enumerate(answers):
            for b in answers[i + 1:]:
                if b.lower() in alike.get(a.lower(), ()):
                    report.error(rec_where, f"answers {a!r} and {b!r} name look-alikes, never offered together")
        if entry["kind"].startswith("region-"):
            for a, low in zip(answers, lowered):
                if low not in regions_of[entry["kind"]]:
                    report.error(rec_where, f"wrong answer {a!r} is not one of the regions drawn as {entry['kind']!r}")
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
    check_giveaways(records, where, report)
    check_odd_one_out(records, where, decimal_comma, report)
    lengths = check_answer_lengths(records, where, report)
    capitals = check_capitals(records, where, report)
    pairs = cross_answers(records)
    kinds, photos = check_puzzles(records, manifest, lang_key, where, report) if manifest is not None else ({}, set())
    return {"total": sum(counts.values()), "puzzles": puzzles, "counts": counts, "solutions": solutions,
            "language": name, "numbers": numbers, "kinds": kinds, "photos": photos,
            "lengths": lengths, "capitals": capitals, "pairs": pairs}


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
        for lv, shares in sorted(s["lengths"].items()):
            print(f"  {LEVEL_NAMES[lv]}: right answer alone the longest in " +
                  ", alone the shortest in ".join(f"{share:.1%} (chance {chance:.1%})"
                                                   for share, chance in (shares["longest"], shares["shortest"])))
        capitals, ordinary = s["capitals"]
        print(f"  capital-city questions: {capitals} of {ordinary} ({capitals / max(ordinary, 1):.1%}, "
              f"at most {MAX_CAPITAL_SHARE:.0%} wanted)")
        for a, b, answer in s["pairs"]:
            print(f"  NOTE [{b}] names {answer!r}, the answer of [{a}]: check that one does not answer the other")
    print(f"pictures checked: {pictures}")
    for e in report.errors[:200]:
        print("ERROR " + e)
    if len(report.errors) > 200:
        print(f"... and {len(report.errors) - 200} more errors")
    print(f"{'FAILED' if report.errors else 'OK'}: {len(report.errors)} errors")
    return 1 if report.errors else 0


if __name__ == "__main__":
    sys.exit(main())
