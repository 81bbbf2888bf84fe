#!/usr/bin/python3
"""Rules of tools/validate_assets.py that guard the question files: number
answers, what gives an answer away, puzzles against the picture list, the
picture folder, and the letters the font tables must hold."""

import os
import shutil
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tools"))
import validate_assets as v  # noqa: E402


def question(name, answers, solution, puzzle=False, photo="0", text=None, qid="E-Geo"):
    rec = {"name": name, "puzzle": puzzle, "ID": "Puzzl" if puzzle else qid,
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


class Giveaways(unittest.TestCase):
    def test_right_answer_words_repeated_by_the_text(self):
        cases = [
            ("Which planet gives its name to Saturday?", ["Mars", "Saturn", "Venus", "Jupiter"], 2, ["saturn"]),
            ("Who was the first President of independent Kenya?",
             ["Daniel arap Moi", "Jomo Kenyatta", "Julius Nyerere", "Kenneth Kaunda"], 2, ["kenyatta"]),
            ("¿Cuál es la capital de Panamá?", ["Colón", "David", "Ciudad de Panamá", "Santiago"], 3, ["panama"]),
            ("Which is the highest mountain?", ["Mount Everest", "K2", "Lhotse", "Makalu"], 1, ["mount"]),
            # A word the wrong answers share points at none of them.
            ("Which Henry had six wives?", ["Henry V", "Henry VIII", "Henry IV", "Henry II"], 2, []),
            # Short and common words say nothing.
            ("Which is the largest city of the USA?", ["The City", "New York", "Los Angeles", "Chicago"], 1, []),
            ("Who painted the Mona Lisa?", ["Raphael", "Leonardo", "Titian", "Giotto"], 2, []),
        ]
        for text, answers, solution, found in cases:
            with self.subTest(text=text):
                self.assertEqual(v.giveaway_words(question("1", answers, solution, text=text)), found)


class OddOneOut(unittest.TestCase):
    def test_right_answer_alone_apart_from_three_that_agree(self):
        cases = [
            (["Great Paul", "Great Tom", "Big Ben", "Great George"], 3, "first word 'great'"),
            (["Spinone italiano", "Lagotto romagnolo", "Bracco italiano", "Volpino italiano"], 2,
             "last word 'italiano'"),
            (["5 km", "6 km", "7 km", "8 m"], 4, "last word 'km'"),
            (["30", "40", "45", "60"], 3, "not a multiple of 10"),
            # Articles follow the noun's gender; saints' names their endings.
            (["La pulga", "La mosca", "El mosquito", "La chinche"], 3, None),
            (["Santa Rosalia", "Santa Lucia", "Sant'Agata", "Santa Venera"], 3, None),
            (["1914", "1920", "1930", "1940"], 1, "not a multiple of 10"),
            (["4 kg", "5 kg", "6 kg", "7.26 kg"], 4, "not a whole number"),
            # The right answer sharing the word, or the round one, or all alike.
            (["Monte Bianco", "Monte Rosa", "Cervino", "Monte Cervino"], 2, None),
            (["35", "40", "45", "50"], 3, None),
            (["6 kg", "7.5 kg", "8 kg", "7.26 kg"], 4, None),
        ]
        for answers, solution, reason in cases:
            with self.subTest(answers=answers):
                found = v.odd_one_out(question("1", answers, solution), False)
                if reason is None:
                    self.assertIsNone(found)
                else:
                    self.assertIn(reason, found or "")


class AnswerLengths(unittest.TestCase):
    @staticmethod
    def level(qid, longest_right, others):
        """Questions of one level: longest_right whose right answer is alone
        the longest, others whose right answer is a short one."""
        answers = ["aa", "bbb", "cccc", "dddddddd"]
        return ([question(f"{qid}{n}", answers, 4, qid=qid) for n in range(longest_right)] +
                [question(f"{qid}o{n}", answers, 1 + n % 3, qid=qid) for n in range(others)])

    def test_share_against_chance_per_level(self):
        cases = [(31, 69, True), (30, 70, False), (25, 75, False)]  # chance is 25%; 30% is still within 25% + 5
        for longest_right, others, fails in cases:
            with self.subTest(longest_right=longest_right):
                report = v.Report()
                shares = v.check_answer_lengths(self.level("H-Geo", longest_right, others), "f", report)
                self.assertAlmostEqual(shares[2]["longest"][1], 0.25)
                self.assertEqual(bool(report.errors), fails, report.errors)
                self.assertTrue(all("hard" in e and "longest" in e for e in report.errors))


class CapitalsAndPairs(unittest.TestCase):
    def test_capital_questions_in_each_language(self):
        cases = [("What is the capital of Peru?", True), ("Qual è la capitale del Cile?", True),
                 ("Qual è il capoluogo della Liguria?", True), ("¿Cuál es la capital de Chile?", True),
                 ("Who wrote Das Kapital?", False), ("Which city is the largest in Peru?", False)]
        for text, capital in cases:
            with self.subTest(text=text):
                self.assertEqual(v.is_capital_question(question("1", ["a", "b", "c", "d"], 1, text=text)), capital)

    def test_capital_share_above_four_percent_fails(self):
        for capitals, errors in ((4, 0), (5, 1)):
            recs = ([question(str(n), ["a", "b", "c", "d"], 1, text=f"What is the capital of {n}?")
                     for n in range(capitals)] +
                    [question(f"x{n}", ["a", "b", "c", "d"], 1) for n in range(100 - capitals)] +
                    [question("p", ["a", "b", "c", "d"], 1, puzzle=True, text="What is the capital here?")])
            with self.subTest(capitals=capitals):
                report = v.Report()
                self.assertEqual(v.check_capitals(recs, "f", report), (capitals, 100))
                self.assertEqual(len(report.errors), errors)

    def test_one_question_answering_another_is_listed(self):
        river = question("1", ["Tiber", "Po", "Serchio", "Arno"], 4, text="Which river flows through Florence?")
        cases = [
            ("same subject", question("2", ["Pisa", "Lucca", "Siena", "Prato"], 1,
                                      text="Besides Florence, which city does the Arno flow through?"), True),
            ("each names the other's answer", question("2", ["Florence", "Rome", "Turin", "Bari"], 1,
                                                       text="Which city stands on the Arno?"), True),
            ("a passing mention", question("2", ["1966", "1944", "1970", "1950"], 1,
                                           text="In which year did the Arno flood?"), False),
        ]
        for what, other, listed in cases:
            with self.subTest(what):
                self.assertEqual(v.cross_answers([river, other]) != [], listed)


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
        "austria": {"stem": "austria", "kind": "flag", "confusable_with": ["latvia"],
                    "answer": {"eng": "Austria", "ita": "Austria", "spa": "Austria"}},
        "latvia": {"stem": "latvia", "kind": "flag", "confusable_with": ["austria"],
                   "answer": {"eng": "Latvia", "ita": "Lettonia", "spa": "Letonia"}},
        "poland": {"stem": "poland", "kind": "flag", "confusable_with": [],
                   "answer": {"eng": "Poland", "ita": "Polonia", "spa": "Polonia"}},
        "us-utah": {"stem": "us-utah", "kind": "region-us", "confusable_with": [],
                    "answer": {"eng": "Utah", "ita": "Utah", "spa": "Utah"}},
        "us-nevada": {"stem": "us-nevada", "kind": "region-us", "confusable_with": [],
                      "answer": {"eng": "Nevada", "ita": "Nevada", "spa": "Nevada"}},
        **{f"us-{name.lower()}": {"stem": f"us-{name.lower()}", "kind": "region-us", "confusable_with": [],
                                  "answer": {"eng": name, "ita": name, "spa": name}} for name in ("Idaho", "Arizona")},
        "shape-peru": {"stem": "shape-peru", "kind": "outline", "confusable_with": [],
                       "answer": {"eng": "Peru", "ita": "Perù", "spa": "Perú"}},
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
             "'Indonesia' and 'Monaco' name look-alikes"),
            ("look-alike picture", question("1", ["Lyra", "Cygnus", "Crux", "Leo"], 3, True, "stars-crux"),
             "'Cygnus' and 'Crux' name look-alikes"),
            ("look-alikes as two wrong answers", question("1", ["Poland", "Latvia", "Peru", "Austria"], 1, True,
                                                          "poland"), "'Latvia' and 'Austria' name look-alikes"),
            ("a twin named the other way round", question("1", ["Monaco", "Poland", "Indonesia", "Peru"], 2, True,
                                                          "poland"), "'Monaco' and 'Indonesia' name look-alikes"),
            ("a country offered for a state", question("1", ["Nevada", "Utah", "Peru", "Chile"], 2, True, "us-utah"),
             "'Peru' is not one of the regions drawn as 'region-us'"),
            ("unlisted photo", question("1", ["A", "B", "C", "D"], 1, True, "paris"),
             "not in tools/puzzle_photos.json"),
        ]
        for what, rec, message in cases:
            with self.subTest(what):
                errors = self.errors_for([rec])[2]
                self.assertTrue(any(message in e for e in errors), errors)

    def test_fair_answers_pass(self):
        cases = [
            ("a look-alike's neighbour", question("1", ["Austria", "Poland", "Peru", "Chile"], 1, True, "austria")),
            ("states only", question("1", ["Nevada", "Utah", "Idaho", "Arizona"], 2, True, "us-utah")),
            ("any country next to an outline", question("1", ["Peru", "Chile", "Bolivia", "Latvia"], 2, True,
                                                          "shape-chile")),
        ]
        for what, rec in cases:
            with self.subTest(what):
                errors = [e for e in self.errors_for([rec])[2] if e.startswith("f [1]")]
                self.assertEqual(errors, [])

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
