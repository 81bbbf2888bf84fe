#!/usr/bin/python3
"""Rules of tools/validate_assets.py that guard the question files: number
answers, puzzles against the picture list, the picture folder, and the
letters the font tables must hold."""

import os
import shutil
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tools"))
import validate_assets as v  # noqa: E402


def question(name, answers, solution, puzzle=False, photo="0", text=None):
    rec = {"name": name, "puzzle": puzzle, "ID": "Puzzl" if puzzle else "E-Geo",
           "Text": text or f"Question {name}?", "Solution": str(solution), "Photo": photo}
    rec.update({f"Answer{i + 1}": a for i, a in enumerate(answers)})
    return rec


class NumberAnswers(unittest.TestCase):
    def test_reads_numbers_as_each_language_writes_them(self):
        cases = [
            ("1492", False, 1492.0), ("1,234", False, 1234.0), ("3.5", False, 3.5),
            ("1.234", True, 1234.0), ("3,5", True, 3.5), ("1.000.000", True, 1e6),
            ("-273", False, -273.0), ("45%", False, 45.0), ("8 km", True, 8.0),
            ("753 a.C.", True, -753.0), ("753 a. C.", True, -753.0), ("44 BC", False, -44.0),
        ]
        for text, decimal_comma, value in cases:
            with self.subTest(text=text):
                self.assertEqual(v.number_value(text, decimal_comma)[0], value)

    def test_words_and_ranges_are_not_numbers(self):
        for text in ["Paris", "1,5", "10-15", "Henry VIII", ""]:
            with self.subTest(text=text):
                self.assertIsNone(v.number_value(text, False))

    def test_right_value_in_the_middle_too_often_is_an_error(self):
        middle = [question(str(n), ["1", "2", "3", "4"], 2) for n in range(7)]
        extreme = [question(str(n), ["1", "2", "3", "4"], 4) for n in range(7, 10)]
        report = v.Report()
        self.assertEqual(v.check_number_answers(middle + extreme, "f", False, report), (3, 10))
        self.assertEqual(len(report.errors), 1)
        report = v.Report()
        more = extreme + [question("x", ["10", "20", "30", "40"], 1)]
        self.assertEqual(v.check_number_answers(middle[:6] + more, "f", False, report), (4, 10))
        self.assertEqual(report.errors, [])

    def test_mixed_units_words_and_puzzles_are_not_counted(self):
        records = [
            question("1", ["5 km", "6 km", "7 m", "8 km"], 2),
            question("2", ["1", "2", "three", "4"], 2),
            question("3", ["1", "2", "3", "4"], 2, puzzle=True, photo="italy"),
        ]
        self.assertEqual(v.check_number_answers(records, "f", False, v.Report()), (0, 0))


class Puzzles(unittest.TestCase):
    MANIFEST = {
        "indonesia": {"stem": "indonesia", "kind": "flag", "confusable_with": [],
                      "answer": {"eng": "Indonesia", "ita": "Indonesia", "spa": "Indonesia"},
                      "confusable_answers": {"eng": ["Monaco"]}},
        "stars-crux": {"stem": "stars-crux", "kind": "constellation", "confusable_with": ["stars-cygnus"],
                       "answer": {"eng": "Crux", "ita": "Croce del Sud", "spa": "Cruz del Sur"}},
        "stars-cygnus": {"stem": "stars-cygnus", "kind": "constellation", "confusable_with": ["stars-crux"],
                         "answer": {"eng": "Cygnus", "ita": "Cigno", "spa": "Cisne"}},
        "shape-chile": {"stem": "shape-chile", "kind": "outline", "confusable_with": [],
                        "answer": {"eng": "Chile", "ita": "Cile", "spa": "Chile"}},
    }

    def errors_for(self, records):
        report = v.Report()
        kinds, used = v.check_puzzles(records, self.MANIFEST, "eng", "f", report)
        return kinds, used, report.errors

    def test_each_fault_of_a_puzzle_is_reported(self):
        cases = [
            ("marked answer differs", question("1", ["Peru", "Chile", "Spain", "Italy"], 1, True, "shape-chile"),
             "is not the picture's answer"),
            ("twin without a picture", question("1", ["Indonesia", "Monaco", "Peru", "Chad"], 1, True, "indonesia"),
             "looks like 'indonesia'"),
            ("look-alike picture", question("1", ["Lyra", "Cygnus", "Crux", "Leo"], 3, True, "stars-crux"),
             "looks like 'stars-crux'"),
            ("unlisted photo", question("1", ["A", "B", "C", "D"], 1, True, "paris"),
             "not in tools/puzzle_photos.json"),
        ]
        for what, rec, message in cases:
            with self.subTest(what):
                errors = self.errors_for([rec])[2]
                self.assertTrue(any(message in e for e in errors), errors)

    def test_a_photo_used_twice_in_a_file_is_an_error(self):
        records = [question("1", ["Chile", "Peru", "Spain", "Italy"], 1, True, "shape-chile"),
                   question("2", ["Peru", "Chile", "Spain", "Italy"], 2, True, "shape-chile")]
        self.assertTrue(any("already used by [1]" in e for e in self.errors_for(records)[2]))

    def test_puzzles_are_counted_by_kind_and_need_three_kinds(self):
        records = [question("1", ["Chile", "Peru", "Spain", "Italy"], 1, True, "shape-chile"),
                   question("2", ["Cygnus", "Lyra", "Leo", "Orion"], 1, True, "stars-cygnus")]
        kinds, used, errors = self.errors_for(records)
        self.assertEqual(kinds, {"outline": 1, "constellation": 1})
        self.assertEqual(used, {"shape-chile", "stars-cygnus"})
        self.assertTrue(any("at least 3 wanted" in e for e in errors))
        self.assertTrue(any(f"at least {v.MIN_PUZZLES} wanted" in e for e in errors))
        self.assertFalse(any("[1]" in e or "[2]" in e for e in errors), errors)


class PictureFolder(unittest.TestCase):
    def make_tree(self, stems, manifest_json):
        root = tempfile.mkdtemp(prefix="validate_assets_test_")
        self.addCleanup(shutil.rmtree, root)
        os.makedirs(os.path.join(root, "assets", "photos"))
        os.makedirs(os.path.join(root, "tools"))
        for stem in stems:
            open(os.path.join(root, "assets", "photos", stem + ".jpg"), "wb").close()
        with open(os.path.join(root, "tools", "puzzle_photos.json"), "w", encoding="utf-8") as f:
            f.write(manifest_json)
        return root

    def test_list_and_folder_must_match(self):
        entry = '{"stem": "%s", "kind": "flag", "answer": {"eng": "A", "ita": "A", "spa": "A"}}'
        root = self.make_tree(["italy", "chile"], "[" + entry % "italy" + ", " + entry % "peru" + "]")
        report = v.Report()
        manifest = v.load_manifest(root, report)
        self.assertEqual(set(manifest), {"italy", "peru"})
        self.assertEqual(sorted(report.errors), ["photos/chile: picture not listed in tools/puzzle_photos.json",
                                                 "tools/puzzle_photos.json: 'peru' has no picture in assets/photos"])

    def test_a_broken_list_is_reported_not_raised(self):
        report = v.Report()
        self.assertIsNone(v.load_manifest(self.make_tree([], "[{"), report))
        self.assertEqual(len(report.errors), 1)

    def test_every_picture_must_be_used_by_some_language(self):
        root = self.make_tree(["italy", "chile", "peru"], "[]")
        report = v.Report()
        v.check_photos_used(root, [{"photos": {"italy"}}, None, {"photos": {"peru"}}], report)
        self.assertEqual(report.errors, ["photos/chile: no question file uses this picture"])


class FontCharacters(unittest.TestCase):
    @staticmethod
    def table(chars):
        return {"records": [{"c": ord(ch)} for ch in chars] + [{"c": 0}]}

    def test_each_letter_a_table_lacks_is_named(self):
        cases = [
            ("complete", v.FONT_CHARACTERS, []),
            ("no capital accents", v.FONT_CHARACTERS.replace("\u00c9", "").replace("\u00d1", ""),
             ["tools/fonts.json: small lacks '\u00c9\u00d1'"]),
            ("no opening marks", v.FONT_CHARACTERS.replace("\u00a1", "").replace("\u00bf", ""),
             ["tools/fonts.json: small lacks '\u00a1\u00bf'"]),
            ("no diaeresis or cedilla", v.FONT_CHARACTERS.replace("\u00fc", "").replace("\u00c7", ""),
             ["tools/fonts.json: small lacks '\u00fc\u00c7'"]),
        ]
        for what, chars, errors in cases:
            with self.subTest(what):
                report = v.Report()
                v.check_font_characters("small", self.table(chars), report)
                self.assertEqual(report.errors, errors)

    def test_the_game_tables_hold_every_letter(self):
        report = v.Report()
        fonts = v.load_fonts(os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."), report)
        self.assertEqual(report.errors, [])
        self.assertEqual(set(fonts), {"fontTable", "fontTable2"})


if __name__ == "__main__":
    unittest.main()
