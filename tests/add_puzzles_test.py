#!/usr/bin/python3
"""tools/add_puzzles.py: new puzzles numbered on after the file's last
record, a second run changing nothing, mended answers only where their
picture is, files it must refuse, and records that are right answers."""

import os
import pathlib
import shutil
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tools"))
import add_puzzles as ap  # noqa: E402
import validate_assets as v  # noqa: E402
from puzzle_catalogue import REGIONS_ES, REGIONS_IT, REGIONS_US  # noqa: E402


def record(n, qid, photo, answers, solution=1):
    return (f"[{n}]\nID={qid}\nText=Question {n}?\n" +
            "".join(f"Answer{i + 1}={a}\n" for i, a in enumerate(answers)) +
            f"Solution={solution}\nPhoto={photo}\n")


def question_file(questions, puzzles):
    """questions ordinary records, then puzzles given as (photo, answers)."""
    parts = [f"[GENERAL]\nMaxQuestions={questions}\nMaxPuzzles={len(puzzles)}\n"]
    parts += [record(n, f"E-Geo{n}", "0", ["a", "b", "c", "d"]) for n in range(1, questions + 1)]
    parts += [record(questions + 1 + i, "Puzzl01", photo, answers) for i, (photo, answers) in enumerate(puzzles)]
    return "\n".join(parts)


def parsed(text):
    report = v.Report()
    questions, puzzles, records = v.read_records(text, "f", report)
    return questions, puzzles, records, report.errors


class AddPuzzles(unittest.TestCase):
    def test_new_puzzles_follow_the_last_record_and_a_second_run_changes_nothing(self):
        cases = [  # (language, ordinary questions, photos already there, regions in the table)
            ("eng.ini", 2, ["us-texas"], len(REGIONS_US)), ("eng.ini", 7, [], len(REGIONS_US)),
            ("ita.ini", 3, ["italy", "es-galicia", "es-madrid"], len(REGIONS_ES)),
            ("spanish.ini", 1, ["it-lazio"], len(REGIONS_IT)),
        ]
        for language, questions, photos, regions in cases:
            with self.subTest(language=language, questions=questions):
                text = question_file(questions, [(p, ["w", "x", "y", "z"]) for p in photos])
                updated, added = ap.update(text, language)
                self.assertEqual(added, regions - sum(p[:3] in ("us-", "es-", "it-") for p in photos))
                q, p, records, errors = parsed(updated)
                self.assertEqual(errors, [])
                self.assertEqual((q, p), (questions, len(photos) + added))
                self.assertEqual([r["name"] for r in records], [str(n) for n in range(1, q + p + 1)])
                self.assertEqual(len({r["Photo"] for r in records[q:]}), p)
                before = text.replace(f"MaxPuzzles={len(photos)}\n", f"MaxPuzzles={p}\n")
                self.assertTrue(updated.startswith(before.rstrip("\n") + "\n\n["))
                self.assertEqual(ap.update(updated, language), (updated, 0))

    def test_refuses_a_file_whose_counts_do_not_match_its_sections(self):
        good = question_file(2, [("italy", ["a", "b", "c", "d"])])
        cases = [
            ("one puzzle too many counted", good.replace("MaxPuzzles=1", "MaxPuzzles=2")),
            ("a record beyond the counts", good + "\n" + record(4, "Puzzl02", "france", ["a", "b", "c", "d"])),
            ("no counts", good.replace("[GENERAL]", "[OTHER]")),
            ("CR LF lines", good.replace("\n", "\r\n")),
        ]
        for what, text in cases:
            with self.subTest(what):
                with self.assertRaises(ValueError):
                    ap.update(text, "eng.ini")

    def test_an_answer_is_replaced_only_in_the_record_of_its_picture(self):
        text = question_file(1, [("austria", ["Lettonia", "Austria", "Polonia", "Danimarca"]),
                                 ("latvia", ["Lettonia", "Austria", "Estonia", "Lituania"]),
                                 ("estonia", ["Lettonia", "Estonia", "Austria", "Finlandia"])])
        answers = {r["Photo"]: v.answers_of(r) for r in parsed(ap.update(text, "ita.ini")[0])[2]}
        self.assertEqual(answers["austria"], ["Ungheria", "Austria", "Polonia", "Danimarca"])
        self.assertEqual(answers["latvia"], ["Lettonia", "Polonia", "Estonia", "Lituania"])
        self.assertEqual(answers["estonia"], ["Lettonia", "Estonia", "Austria", "Finlandia"])

    def test_every_new_puzzle_marks_its_pictures_answer_among_regions_of_one_country(self):
        for language, settings in ap.LANGUAGES.items():
            table = settings["regions"][0]
            names = {row[0]: row[2 + settings["column"]] for row in table}
            records = ap.new_puzzles(language)
            with self.subTest(language=language):
                self.assertEqual(sorted(r["Photo"] for r in records), sorted(names))
                self.assertEqual(len({r["ID"] for r in records}), len(records))
                for r in records:
                    answers = v.answers_of(r)
                    self.assertEqual(answers[int(r["Solution"]) - 1], names[r["Photo"]])
                    self.assertEqual(len(set(answers)), 4)
                    self.assertTrue(set(answers) <= set(names.values()))
                    self.assertTrue(r["ID"].startswith("Puzzl") and len(r["ID"]) <= 7)
                    self.assertIsNone(v.game_category(r["ID"], "0"), r["ID"])
                solutions = [sum(r["Solution"] == n for r in records) for n in "1234"]
                self.assertLessEqual(max(solutions) - min(solutions), 1)

    def test_writes_latin1_in_place(self):
        folder = tempfile.mkdtemp(prefix="add_puzzles_test_")
        self.addCleanup(shutil.rmtree, folder)
        path = pathlib.Path(folder, "spanish.ini")
        path.write_bytes(question_file(1, [("poland", ["Letonia", "Polonia", "Austria", "Japón"])]).encode("latin-1"))
        self.assertEqual(ap.main(["add_puzzles.py", str(path)]), 0)
        raw = path.read_bytes()
        for line in ["Answer4=Japón\n", "¿Qué región italiana está marcada en rojo?", "Answer1=Indonesia\n"]:
            self.assertIn(line.encode("latin-1"), raw)
        self.assertEqual(os.listdir(folder), ["spanish.ini"])

if __name__ == "__main__":
    unittest.main()
