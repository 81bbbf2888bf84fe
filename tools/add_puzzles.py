#!/usr/bin/python3
"""Adds the regional photo puzzles each question file lacks and mends the
wrong answers listed in FIXES.

Usage: tools/add_puzzles.py [QUESTION_FILE ...]
(without arguments: assets/data/eng.ini, ita.ini and spanish.ini)

The language of a file follows from its name (eng.ini, ita.ini,
spanish.ini). English gets the fifty US states, Italian the communities of
Spain and Spanish the regions of Italy. A puzzle is added only when no record
of the file shows its picture yet; the new records go after the last record,
numbered on from MaxQuestions + MaxPuzzles, and MaxPuzzles grows to match.
So the script can run again on a file whose questions were added or
renumbered since, and a second run changes nothing. The right answer is the
picture's own from tools/puzzle_catalogue.py, the wrong ones are neighbouring
regions of the same country, named as the catalogue names them; the right
answer's box and the question's wording are chosen from the picture's place
in the list, so every run writes the same bytes. Files are ISO 8859-1.
"""

import os
import re
import sys

from puzzle_catalogue import REGIONS_ES, REGIONS_IT, REGIONS_US

# Three neighbouring or like-shaped regions to offer next to each region.
NEAR_US = {
    "alabama": ("mississippi", "georgia", "tennessee"),
    "alaska": ("washington", "montana", "maine"),
    "arizona": ("new-mexico", "nevada", "utah"),
    "arkansas": ("missouri", "oklahoma", "louisiana"),
    "california": ("oregon", "nevada", "arizona"),
    "colorado": ("wyoming", "utah", "kansas"),
    "connecticut": ("rhode-island", "massachusetts", "new-jersey"),
    "delaware": ("maryland", "new-jersey", "rhode-island"),
    "florida": ("georgia", "alabama", "louisiana"),
    "georgia": ("alabama", "south-carolina", "florida"),
    "hawaii": ("alaska", "california", "washington"),
    "idaho": ("montana", "oregon", "wyoming"),
    "illinois": ("indiana", "iowa", "wisconsin"),
    "indiana": ("ohio", "illinois", "kentucky"),
    "iowa": ("nebraska", "missouri", "minnesota"),
    "kansas": ("nebraska", "colorado", "oklahoma"),
    "kentucky": ("tennessee", "west-virginia", "virginia"),
    "louisiana": ("mississippi", "arkansas", "alabama"),
    "maine": ("new-hampshire", "vermont", "massachusetts"),
    "maryland": ("delaware", "virginia", "west-virginia"),
    "massachusetts": ("connecticut", "rhode-island", "new-hampshire"),
    "michigan": ("wisconsin", "minnesota", "ohio"),
    "minnesota": ("wisconsin", "north-dakota", "iowa"),
    "mississippi": ("alabama", "louisiana", "arkansas"),
    "missouri": ("arkansas", "iowa", "kansas"),
    "montana": ("wyoming", "idaho", "north-dakota"),
    "nebraska": ("kansas", "south-dakota", "iowa"),
    "nevada": ("utah", "arizona", "california"),
    "new-hampshire": ("vermont", "maine", "massachusetts"),
    "new-jersey": ("delaware", "connecticut", "maryland"),
    "new-mexico": ("arizona", "colorado", "texas"),
    "new-york": ("pennsylvania", "vermont", "new-jersey"),
    "north-carolina": ("south-carolina", "virginia", "tennessee"),
    "north-dakota": ("south-dakota", "montana", "minnesota"),
    "ohio": ("indiana", "pennsylvania", "kentucky"),
    "oklahoma": ("kansas", "texas", "arkansas"),
    "oregon": ("washington", "idaho", "california"),
    "pennsylvania": ("new-york", "ohio", "new-jersey"),
    "rhode-island": ("connecticut", "delaware", "massachusetts"),
    "south-carolina": ("north-carolina", "georgia", "virginia"),
    "south-dakota": ("north-dakota", "nebraska", "wyoming"),
    "tennessee": ("kentucky", "north-carolina", "alabama"),
    "texas": ("oklahoma", "new-mexico", "louisiana"),
    "utah": ("colorado", "nevada", "wyoming"),
    "vermont": ("new-hampshire", "maine", "connecticut"),
    "virginia": ("west-virginia", "kentucky", "north-carolina"),
    "washington": ("oregon", "idaho", "montana"),
    "west-virginia": ("virginia", "kentucky", "pennsylvania"),
    "wisconsin": ("michigan", "minnesota", "illinois"),
    "wyoming": ("colorado", "montana", "south-dakota"),
}
NEAR_ES = {
    "andalusia": ("extremadura", "murcia", "castile-la-mancha"),
    "aragon": ("catalonia", "navarre", "castile-la-mancha"),
    "asturias": ("cantabria", "galicia", "basque-country"),
    "balearic-islands": ("canary-islands", "catalonia", "valencia"),
    "basque-country": ("navarre", "cantabria", "la-rioja"),
    "canary-islands": ("balearic-islands", "andalusia", "murcia"),
    "cantabria": ("asturias", "basque-country", "la-rioja"),
    "castile-and-leon": ("castile-la-mancha", "aragon", "extremadura"),
    "castile-la-mancha": ("castile-and-leon", "extremadura", "aragon"),
    "catalonia": ("aragon", "valencia", "balearic-islands"),
    "extremadura": ("castile-la-mancha", "andalusia", "castile-and-leon"),
    "galicia": ("asturias", "castile-and-leon", "cantabria"),
    "la-rioja": ("navarre", "basque-country", "cantabria"),
    "madrid": ("la-rioja", "castile-and-leon", "castile-la-mancha"),
    "murcia": ("valencia", "andalusia", "castile-la-mancha"),
    "navarre": ("la-rioja", "basque-country", "aragon"),
    "valencia": ("catalonia", "murcia", "castile-la-mancha"),
}
NEAR_IT = {
    "abruzzo": ("molise", "marche", "lazio"),
    "aosta-valley": ("piedmont", "trentino-south-tyrol", "liguria"),
    "apulia": ("basilicata", "campania", "molise"),
    "basilicata": ("calabria", "molise", "campania"),
    "calabria": ("basilicata", "apulia", "campania"),
    "campania": ("lazio", "basilicata", "molise"),
    "emilia-romagna": ("lombardy", "veneto", "tuscany"),
    "friuli-venezia-giulia": ("veneto", "trentino-south-tyrol", "lombardy"),
    "lazio": ("tuscany", "campania", "umbria"),
    "liguria": ("piedmont", "tuscany", "aosta-valley"),
    "lombardy": ("piedmont", "veneto", "emilia-romagna"),
    "marche": ("umbria", "abruzzo", "emilia-romagna"),
    "molise": ("abruzzo", "basilicata", "campania"),
    "piedmont": ("lombardy", "liguria", "aosta-valley"),
    "sardinia": ("sicily", "tuscany", "lazio"),
    "sicily": ("sardinia", "calabria", "apulia"),
    "trentino-south-tyrol": ("friuli-venezia-giulia", "veneto", "lombardy"),
    "tuscany": ("umbria", "emilia-romagna", "lazio"),
    "umbria": ("marche", "lazio", "tuscany"),
    "veneto": ("friuli-venezia-giulia", "lombardy", "trentino-south-tyrol"),
}

# Per language: the answer column of the catalogue, the regions added (their
# table, stem prefix and neighbours), the ID prefix after "Puzzl" and the
# questions asked in turn.
LANGUAGES = {
    "eng.ini": {
        "column": 0, "regions": (REGIONS_US, "us-", NEAR_US), "id": "u",
        "texts": ["Which US state is shown in red?",
                  "Which state of the USA is highlighted on this map?",
                  "Name the US state marked in red."],
    },
    "ita.ini": {
        "column": 1, "regions": (REGIONS_ES, "es-", NEAR_ES), "id": "e",
        "texts": ["Quale comunità autonoma spagnola è colorata in rosso?",
                  "Quale comunità autonoma della Spagna è evidenziata sulla cartina?",
                  "Come si chiama questa comunità autonoma spagnola?"],
    },
    "spanish.ini": {
        "column": 2, "regions": (REGIONS_IT, "it-", NEAR_IT), "id": "i",
        "texts": ["¿Qué región italiana está marcada en rojo?",
                  "¿Qué región de Italia está resaltada en el mapa?",
                  "¿Cómo se llama esta región italiana?"],
    },
}
# Characters after the ID prefix, one per puzzle in the order of the table;
# none of them completes a category or level token.
ID_CHARACTERS = "123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ"

# Wrong answers of existing puzzles to replace: file -> [(photo, old, new)].
# Look-alike flags offered together, and a region named otherwise than the
# picture list names it.
FIXES = {
    "ita.ini": [
        ("austria", "Lettonia", "Ungheria"),
        ("latvia", "Austria", "Polonia"),
        ("australia", "Nuova Zelanda", "Samoa"),
        ("newzealand", "Australia", "Regno Unito"),
        ("colombia", "Ecuador", "Armenia"),
        ("venezuela", "Ecuador", "Paraguay"),
    ],
    "spanish.ini": [
        ("poland", "Letonia", "Indonesia"),
        ("es-andalusia", "Murcia", "Región de Murcia"),
        ("es-balearic-islands", "Murcia", "Región de Murcia"),
        ("es-valencia", "Murcia", "Región de Murcia"),
    ],
}

KEYS = ["ID", "Text", "Answer1", "Answer2", "Answer3", "Answer4", "Solution", "Photo"]


def new_puzzles(language):
    """The puzzle records a file of this language should hold, in order,
    as dicts of the record keys."""
    spec = LANGUAGES[language]
    table, prefix, near = spec["regions"]
    name_of = {row[0]: row[2 + spec["column"]] for row in table}
    records = []
    for n, row in enumerate(table):
        stem = row[0]
        wrong = [name_of[prefix + other] for other in near[stem[len(prefix):]]]
        solution = n % 4
        answers = wrong[:solution] + [name_of[stem]] + wrong[solution:]
        record = {"ID": "Puzzl" + spec["id"] + ID_CHARACTERS[n], "Text": spec["texts"][n % len(spec["texts"])],
                  "Solution": str(solution + 1), "Photo": stem}
        record.update({f"Answer{i + 1}": a for i, a in enumerate(answers)})
        records.append(record)
    return records


def sections(lines):
    """[(name, first line, end line)] of the bracketed sections."""
    found = []
    for i, line in enumerate(lines):
        m = re.fullmatch(r"\[([^\]]*)\]", line)
        if m:
            if found:
                found[-1][2] = i
            found.append([m.group(1), i, len(lines)])
    return [tuple(s) for s in found]


def value(lines, start, end, key):
    for line in lines[start + 1:end]:
        if line.startswith(key + "="):
            return line[len(key) + 1:]
    return None


def update(text, language):
    """The file's text with the fixes applied and the missing puzzles added;
    raises ValueError for a file whose counts do not match its sections."""
    if "\r" in text:
        raise ValueError("lines end in CR LF; this script writes LF files only")
    lines = text.split("\n")
    found = sections(lines)
    general = next((s for s in found if s[0] == "GENERAL"), None)
    if general is None:
        raise ValueError("no [GENERAL] section")
    counts = {}
    for key in ("MaxQuestions", "MaxPuzzles"):
        v = value(lines, general[1], general[2], key)
        if v is None or not v.isdigit():
            raise ValueError(f"[GENERAL] has no number {key}")
        counts[key] = int(v)
    total = counts["MaxQuestions"] + counts["MaxPuzzles"]
    numbered = [s for s in found if s[0] != "GENERAL"]
    if not numbered or numbered[-1][0] != str(total) or any(s[0] == str(total + 1) for s in found):
        raise ValueError(f"the last section is not [{total}] (MaxQuestions + MaxPuzzles)")

    fixes = FIXES.get(language, [])
    for name, start, end in numbered:
        photo = value(lines, start, end, "Photo")
        for stem, old, new in fixes:
            if photo != stem:
                continue
            for i in range(start + 1, end):
                key, _, v = lines[i].partition("=")
                if key.startswith("Answer") and v == old:
                    lines[i] = f"{key}={new}"

    used = {value(lines, start, end, "Photo") for _, start, end in numbered}
    added = [r for r in new_puzzles(language) if r["Photo"] not in used]
    if added:
        for i in range(general[1] + 1, general[2]):
            if lines[i].startswith("MaxPuzzles="):
                lines[i] = f"MaxPuzzles={counts['MaxPuzzles'] + len(added)}"
        while lines and lines[-1] == "":
            lines.pop()
        for n, record in enumerate(added, start=total + 1):
            lines += ["", f"[{n}]"] + [f"{key}={record[key]}" for key in KEYS]
        lines.append("")
    return "\n".join(lines), len(added)


def main(argv):
    here = os.path.dirname(os.path.abspath(__file__))
    paths = argv[1:] or [os.path.join(here, "..", "assets", "data", name) for name in LANGUAGES]
    for path in paths:
        language = os.path.basename(path)
        if language not in LANGUAGES:
            sys.stderr.write(f"{path}: the language of a file is read from its name ({', '.join(LANGUAGES)})\n")
            return 2
        with open(path, "rb") as f:
            text = f.read().decode("latin-1")
        try:
            updated, added = update(text, language)
        except ValueError as e:
            sys.stderr.write(f"{path}: {e}\n")
            return 1
        if updated != text:
            temporary = path + ".new"
            with open(temporary, "wb") as f:
                f.write(updated.encode("latin-1"))
                f.flush()
                os.fsync(f.fileno())
            os.replace(temporary, path)
        print(f"{os.path.normpath(path)}: {added} puzzles added{'' if updated != text else ', unchanged'}")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
