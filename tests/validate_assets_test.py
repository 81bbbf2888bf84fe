#!/usr/bin/python3
"""Rules of tools/validate_assets.py that guard the question files: number
answers, what gives an answer away, puzzles against the picture list, the
picture folder, and the letters the font tables must hold."""

import os
import pathlib
import shutil
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tools"))
import validate_assets as v  # noqa: E402

ABCD = ["a", "b", "c", "d"]


def question(name, answers, solution, puzzle=False, photo="0", text=None, qid="E-Geo"):
    rec = {"name": name, "puzzle": puzzle, "ID": "Puzzl" if puzzle else qid,
           "Text": text or f"Question {name}?", "Solution": str(solution), "Photo": photo}
    rec.update({f"Answer{i + 1}": a for i, a in enumerate(answers)})
    return rec


def puzzle(answers, solution, photo, name="1"):
    return question(name, answers, solution, True, photo)


def errors_of(check, *args):
    """What check(*args, report) returns, and the errors it reported."""
    report = v.Report()
    return check(*args, report), report.errors


def counted(check, *args):
    """What check(*args, report) returns, and how many errors it reported."""
    found, errors = errors_of(check, *args)
    return found, len(errors)


class Rules(unittest.TestCase):
    def each(self, cases, compute):
        """Checks, one subtest a case named by its first input, that
        compute(*inputs) gives expected for every (*inputs, expected) of cases."""
        for *inputs, expected in cases:
            with self.subTest(inputs[0]):
                self.assertEqual(compute(*inputs), expected)


class QuestionRules(Rules):
    def test_reads_numbers_as_each_language_writes_them_and_nothing_else(self):
        cases = [  # (answer, decimal comma, value; None: not a number)
            ("1492", False, 1492.0), ("1,234", False, 1234.0), ("3.5", False, 3.5), ("1.234", True, 1234.0),
            ("3,5", True, 3.5), ("1.000.000", True, 1e6), ("-273", False, -273.0), ("45%", False, 45.0),
            ("8 km", True, 8.0), ("753 a.C.", True, -753.0), ("753 a. C.", True, -753.0), ("44 BC", False, -44.0),
            # Words, a number in the other language's way, a range, a numeral, nothing.
            ("Paris", False, None), ("1,5", False, None), ("10-15", False, None), ("Henry VIII", False, None),
            ("", False, None),
        ]
        self.each(cases, lambda text, comma: (v.number_value(text, comma) or [None])[0])

    def test_right_value_in_the_middle_too_often_is_an_error(self):
        middle = [question(str(n), ["1", "2", "3", "4"], 2) for n in range(7)]
        extreme = [question(str(n), ["1", "2", "3", "4"], 4) for n in range(7, 10)]
        unlike = [question("1", ["5 km", "6 km", "7 m", "8 km"], 2), question("2", ["1", "2", "three", "4"], 2),
                  question("3", ["1", "2", "3", "4"], 2, puzzle=True, photo="italy")]
        cases = [  # (what, records, ((right at an end, counted), errors))
            ("seven of ten in the middle", middle + extreme, ((3, 10), 1)),
            ("six of ten", middle[:6] + extreme + [question("x", ["10", "20", "30", "40"], 1)], ((4, 10), 0)),
            ("mixed units, words and puzzles are not counted", unlike, ((0, 0), 0)),
        ]
        self.each(cases, lambda _, records: counted(v.check_number_answers, records, "f", False))

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
        self.each(cases, lambda text, answers, solution: v.giveaway_words(question("1", answers, solution, text=text)))

    def test_right_answer_alone_apart_from_three_that_agree(self):
        cases = [
            (["Great Paul", "Great Tom", "Big Ben", "Great George"], 3, "first word 'great'"),
            (["Spinone italiano", "Lagotto romagnolo", "Bracco italiano", "Volpino italiano"], 2,
             "last word 'italiano'"),
            (["5 km", "6 km", "7 km", "8 m"], 4, "last word 'km'"),
            (["30", "40", "45", "60"], 3, "not a multiple of 10"),
            (["1914", "1920", "1930", "1940"], 1, "not a multiple of 10"),
            (["4 kg", "5 kg", "6 kg", "7.26 kg"], 4, "not a whole number"),
            # Articles follow the noun's gender; saints' names their endings.
            (["La pulga", "La mosca", "El mosquito", "La chinche"], 3, None),
            (["Santa Rosalia", "Santa Lucia", "Sant'Agata", "Santa Venera"], 3, None),
            # The right answer sharing the word, or the round one, or all alike.
            (["Monte Bianco", "Monte Rosa", "Cervino", "Monte Cervino"], 2, None),
            (["35", "40", "45", "50"], 3, None), (["6 kg", "7.5 kg", "8 kg", "7.26 kg"], 4, None),
        ]
        for answers, solution, reason in cases:
            with self.subTest(answers=answers):
                found = v.odd_one_out(question("1", answers, solution), False)
                if reason is None:
                    self.assertIsNone(found)
                else:
                    self.assertIn(reason, found or "")

    def test_longest_right_answers_share_against_chance_per_level(self):
        answers = ["aa", "bbb", "cccc", "dddddddd"]
        for longest_right, fails in [(31, True), (30, False), (25, False)]:  # chance 25%; 30% is within 25% + 5
            records = ([question(f"H{n}", answers, 4, qid="H-Geo") for n in range(longest_right)] +
                       [question(f"Ho{n}", answers, 1 + n % 3, qid="H-Geo") for n in range(100 - longest_right)])
            with self.subTest(longest_right=longest_right):
                shares, errors = errors_of(v.check_answer_lengths, records, "f")
                self.assertAlmostEqual(shares[2]["longest"][1], 0.25)
                self.assertEqual(bool(errors), fails, errors)
                self.assertTrue(all("hard" in e and "longest" in e for e in errors))

    def test_capital_questions_in_each_language(self):
        cases = [("What is the capital of Peru?", True), ("Qual è la capitale del Cile?", True),
                 ("Qual è il capoluogo della Liguria?", True), ("¿Cuál es la capital de Chile?", True),
                 ("Who wrote Das Kapital?", False), ("Which city is the largest in Peru?", False)]
        self.each(cases, lambda text: v.is_capital_question(question("1", ABCD, 1, text=text)))

    def test_capital_share_above_four_percent_fails(self):
        for capitals, errors in ((4, 0), (5, 1)):
            records = ([question(str(n), ABCD, 1, text=f"What is the capital of {n}?") for n in range(capitals)] +
                       [question(f"x{n}", ABCD, 1) for n in range(100 - capitals)] +
                       [question("p", ABCD, 1, puzzle=True, text="What is the capital here?")])
            with self.subTest(capitals=capitals):
                self.assertEqual(counted(v.check_capitals, records, "f"), ((capitals, 100), errors))

    def test_one_question_answering_another_is_listed(self):
        river = question("1", ["Tiber", "Po", "Serchio", "Arno"], 4, text="Which river flows through Florence?")
        cases = [
            ("same subject", ["Pisa", "Lucca", "Siena", "Prato"],
             "Besides Florence, which city does the Arno flow through?", True),
            ("each names the other's answer", ["Florence", "Rome", "Turin", "Bari"], "Which city stands on the Arno?",
             True),
            ("a passing mention", ["1966", "1944", "1970", "1950"], "In which year did the Arno flood?", False),
        ]
        self.each(cases, lambda _, answers, text: bool(v.cross_answers([river, question("2", answers, 1, text=text)])))


def picture(stem, kind, answer, alike=(), twins=()):
    """An entry of the picture list: alike, pictures that look like it;
    twins, answers in English of things that look like it with no picture."""
    return {"stem": stem, "kind": kind, "answer": {"eng": answer}, "confusable_with": list(alike),
            "confusable_answers": {"eng": list(twins)}}


class Puzzles(unittest.TestCase):
    MANIFEST = {e["stem"]: e for e in [
        picture("indonesia", "flag", "Indonesia", twins=["Monaco"]),
        picture("stars-crux", "constellation", "Crux", ["stars-cygnus"]),
        picture("stars-cygnus", "constellation", "Cygnus", ["stars-crux"]),
        picture("shape-chile", "outline", "Chile"),
        picture("shape-peru", "outline", "Peru"),
        picture("austria", "flag", "Austria", ["latvia"]),
        picture("latvia", "flag", "Latvia", ["austria"]),
        picture("poland", "flag", "Poland"),
        *[picture(f"us-{name.lower()}", "region-us", name) for name in ("Utah", "Nevada", "Idaho", "Arizona")],
    ]}

    def check(self, records):
        return errors_of(v.check_puzzles, records, self.MANIFEST, "eng", "f")

    def test_each_fault_of_a_puzzle_is_reported_and_fair_answers_pass(self):
        cases = [  # (what, the picture, the answers, the right one, the error it brings; None: none)
            ("marked answer differs", "shape-chile", "Peru,Chile,Spain,Italy", 1, "is not the picture's answer"),
            ("twin without a picture", "indonesia", "Indonesia,Monaco,Peru,Chad", 1,
             "'Indonesia' and 'Monaco' name look-alikes"),
            ("look-alike picture", "stars-crux", "Lyra,Cygnus,Crux,Leo", 3, "'Cygnus' and 'Crux' name look-alikes"),
            ("look-alikes as two wrong answers", "poland", "Poland,Latvia,Peru,Austria", 1,
             "'Latvia' and 'Austria' name look-alikes"),
            ("a twin named the other way round", "poland", "Monaco,Poland,Indonesia,Peru", 2,
             "'Monaco' and 'Indonesia' name look-alikes"),
            ("a country offered for a state", "us-utah", "Nevada,Utah,Peru,Chile", 2,
             "'Peru' is not one of the regions drawn as 'region-us'"),
            ("unlisted photo", "paris", "A,B,C,D", 1, "not in tools/puzzle_photos.json"),
            ("a look-alike's neighbour", "austria", "Austria,Poland,Peru,Chile", 1, None),
            ("states only", "us-utah", "Nevada,Utah,Idaho,Arizona", 2, None),
            ("any country next to an outline", "shape-chile", "Peru,Chile,Bolivia,Latvia", 2, None),
        ]
        for what, photo, answers, solution, message in cases:
            with self.subTest(what):
                errors = self.check([puzzle(answers.split(","), solution, photo)])[1]
                if message is None:
                    self.assertEqual([e for e in errors if e.startswith("f [1]")], [])
                else:
                    self.assertTrue(any(message in e for e in errors), errors)

    def test_puzzles_are_counted_by_kind_need_three_kinds_and_a_photo_each(self):
        chile = puzzle(["Chile", "Peru", "Spain", "Italy"], 1, "shape-chile")
        cygnus = puzzle(["Cygnus", "Lyra", "Leo", "Orion"], 1, "stars-cygnus", name="2")
        (kinds, used), errors = self.check([chile, cygnus])
        self.assertEqual(kinds, {"outline": 1, "constellation": 1})
        self.assertEqual(used, {"shape-chile", "stars-cygnus"})
        self.assertTrue(any("at least 3 wanted" in e for e in errors))
        self.assertTrue(any(f"at least {v.MIN_PUZZLES} wanted" in e for e in errors))
        self.assertFalse(any("[1]" in e or "[2]" in e for e in errors), errors)
        again = puzzle(["Peru", "Chile", "Spain", "Italy"], 2, "shape-chile", name="2")
        self.assertTrue(any("already used by [1]" in e for e in self.check([chile, again])[1]))


class PictureFolder(unittest.TestCase):
    def make_tree(self, stems, manifest_json):
        root = pathlib.Path(tempfile.mkdtemp(prefix="validate_assets_test_"))
        self.addCleanup(shutil.rmtree, root)
        (root / "assets" / "photos").mkdir(parents=True)
        for stem in stems:
            (root / "assets" / "photos" / f"{stem}.jpg").touch()
        (root / "tools").mkdir()
        (root / "tools" / "puzzle_photos.json").write_text(manifest_json, encoding="utf-8")
        return str(root)

    def test_list_and_folder_must_match_and_a_broken_list_is_reported_not_raised(self):
        entry = '{"stem": "%s", "kind": "flag", "answer": {"eng": "A", "ita": "A", "spa": "A"}}'
        listed = "[" + entry % "italy" + ", " + entry % "peru" + "]"
        manifest, errors = errors_of(v.load_manifest, self.make_tree(["italy", "chile"], listed))
        self.assertEqual(set(manifest), {"italy", "peru"})
        self.assertEqual(sorted(errors), ["photos/chile: picture not listed in tools/puzzle_photos.json",
                                          "tools/puzzle_photos.json: 'peru' has no picture in assets/photos"])
        manifest, errors = errors_of(v.load_manifest, self.make_tree([], "[{"))
        self.assertEqual((manifest, len(errors)), (None, 1))

    def test_every_picture_must_be_used_by_some_language(self):
        root = self.make_tree(["italy", "chile", "peru"], "[]")
        _, errors = errors_of(v.check_photos_used, root, [{"photos": {"italy"}}, None, {"photos": {"peru"}}])
        self.assertEqual(errors, ["photos/chile: no question file uses this picture"])


class FontCharacters(Rules):
    def test_each_letter_a_table_lacks_is_named(self):
        # None, then capital accents, the opening marks, a diaeresis and a cedilla taken out.
        for taken_out in ["", "\u00c9\u00d1", "\u00a1\u00bf", "\u00fc\u00c7"]:
            table = {"records": [{"c": ord(ch)} for ch in v.FONT_CHARACTERS if ch not in taken_out] + [{"c": 0}]}
            with self.subTest(taken_out=taken_out):
                expected = [f"tools/fonts.json: small lacks '{taken_out}'"] if taken_out else []
                self.assertEqual(errors_of(v.check_font_characters, "small", table)[1], expected)


if __name__ == "__main__":
    unittest.main()
