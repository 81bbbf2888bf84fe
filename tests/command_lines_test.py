"""The command lines of trivello-questions and trivello-scores: what each
refuses (usage and status 2), what fails (a clear line and status 1, nothing
written) and a run that works.

usage: command_lines_test.py QUESTIONS_TOOL SCORES_SERVER"""
import os
import subprocess
import sys
import tempfile
import unittest

QUESTIONS, SCORES = sys.argv[1], sys.argv[2]


def run(program, *args, cwd=None, env=None):
    return subprocess.run([program, *args], capture_output=True, text=True, timeout=60, cwd=cwd,
                          env=dict(os.environ, **(env or {})))


class CommandLines(unittest.TestCase):
    def setUp(self):
        self.tmp = tempfile.TemporaryDirectory()
        self.dir = self.tmp.name

    def tearDown(self):
        self.tmp.cleanup()

    def test_each_refused_or_failing_command_says_why_and_writes_nothing(self):
        missing = os.path.join(self.dir, "missing.csv")
        nowhere = os.path.join(self.dir, "no", "such", "folder")
        cases = [
            # (program, arguments, status, text in the output)
            (QUESTIONS, [], 2, "usage: trivello-questions"),
            (QUESTIONS, ["check"], 2, "usage"),
            (QUESTIONS, ["import", "a.csv"], 2, "usage"),
            (QUESTIONS, ["import", "--language", "fra", "a.csv"], 2, "usage"),
            (QUESTIONS, ["import", "--language=eng", "--add", "--replace", "a.csv"], 2, "usage"),
            (QUESTIONS, ["import", "--language=eng", "--now", "a.csv"], 2, "usage"),
            (QUESTIONS, ["export", "--language", "eng", "a.csv", "b.csv"], 2, "usage"),
            (QUESTIONS, ["export", "--language", "eng", "--add", "a.csv"], 2, "usage"),
            (QUESTIONS, ["merge", "--language", "eng", "a.csv"], 2, "usage"),
            (QUESTIONS, ["import", "--language", "ita", "--replace", missing], 1, "cannot read the file"),
            (QUESTIONS, ["import", "--language", "spa", missing], 1, "nothing was written"),
            (QUESTIONS, ["check", missing], 1, "not playable"),
            (QUESTIONS, ["export", "--language", "eng", nowhere + ".csv"], 1, "cannot write"),
            (SCORES, ["--port", "65536"], 2, "usage: trivello-scores"),
            (SCORES, ["--port", "8x"], 2, "usage"),
            (SCORES, ["--threads", "0"], 2, "usage"),
            (SCORES, ["--threads", "257"], 2, "usage"),
            (SCORES, ["--submits-per-minute", "-1"], 2, "usage"),
            (SCORES, ["--qualifies-per-minute", "1000001"], 2, "usage"),
            (SCORES, ["--max-connections", ""], 2, "usage"),
            (SCORES, ["--max-per-address", "x"], 2, "usage"),
            (SCORES, ["--colour"], 2, "usage"),
            (SCORES, ["extra"], 2, "usage"),
            (SCORES, ["--db", nowhere + "/scores.sqlite"], 1, "cannot open"),
            (SCORES, ["--address", "256.0.0.1", "--port", "0", "--db", ":memory:"], 1, "cannot listen"),
        ]
        for program, args, status, text in cases:
            with self.subTest(program=os.path.basename(program), args=args):
                result = run(program, *args, cwd=self.dir)
                self.assertEqual(result.returncode, status, result.stderr)
                self.assertIn(text, result.stdout + result.stderr)
        self.assertEqual(os.listdir(self.dir), [], "a failed command left a file")

    def test_the_server_keeps_its_scores_in_the_data_folder_unless_told(self):
        result = run(SCORES, "--address", "256.0.0.1", env={"XDG_DATA_HOME": self.dir})
        self.assertEqual(result.returncode, 1)
        self.assertIn("cannot listen", result.stderr)
        self.assertTrue(os.path.exists(os.path.join(self.dir, "trivello", "scores.sqlite")))

    def test_help_and_an_export_work(self):
        result = run(QUESTIONS, "--help")
        self.assertEqual((result.returncode, result.stdout.startswith("usage:")), (0, True))
        target = os.path.join(self.dir, "eng.csv")
        result = run(QUESTIONS, "export", "--language=eng", target)
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertRegex(result.stdout, r"eng\.csv: \d+ questions and \d+ puzzles from ")
        with open(target, encoding="utf-8") as f:
            self.assertGreater(len(f.readlines()), 100)


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1])
