#!/usr/bin/python3
"""End-to-end test of trivello-questions with the real game: a CSV as a
spreadsheet saves it is imported into the player's question folder of a copy
of the application, a faulty CSV leaves that file as it was, and the game
then plays the imported questions and remembers the one it asked.

Usage: questions_test.py APP_DIR OUT_DIR
"""
import os
import subprocess

from driver import check, run
from play_test import to_first_question

CATEGORIES = ["Letters", "Science", "Sport", "Geography", "History", "Various"]
# (question, right, wrong answers, level, category) of 16 questions a level.
ROWS = [(f"\u00bfPregunta n\u00famero {n}, \"bien\"?", f"Right {n}", ["Wrong", "Worse", "Worst"],
         ["easy", "medium", "hard"][(n - 1) // 16], CATEGORIES[n % 6]) for n in range(1, 49)]


def csv_text(rows):
    def field(s):
        return '"' + s.replace('"', '""') + '"' if any(c in s for c in ',"\r\n') else s

    lines = ["question,correct,wrong1,wrong2,wrong3,level,category"]
    lines += [",".join(map(field, [q, right, *wrong, level, category])) for q, right, wrong, level, category in rows]
    return ("\ufeff" + "\r\n".join(lines) + "\r\n").encode("utf-8")


def question_hash(text, right, wrong):
    """The game's fingerprint of a question (its text, its right answer, its
    wrong answers in byte order), over the Latin-1 bytes."""
    h = 14695981039346656037
    for field in [text, right] + sorted(wrong, key=lambda w: w.encode("latin-1")):
        for b in field.encode("latin-1") + b"\xff":
            h = ((h ^ b) * 1099511628211) % (1 << 64)
    return f"{h:016x}"


def tool(s, *args, csv_rows=None):
    """Runs trivello-questions in the work folder, after writing the CSV file
    the last argument names when csv_rows are given."""
    if csv_rows:
        with open(os.path.join(s.tmp, args[-1]), "wb") as f:
            f.write(csv_text(csv_rows))
    return subprocess.run([os.path.join(s.app, "trivello-questions"), *args], capture_output=True, text=True,
                          env=s.env, cwd=s.tmp)


def main(s):
    s.write_prefs()
    own = os.path.join(s.res, "questions", "eng.ini")
    result = tool(s, "import", "--language", "eng", "--replace", "quiz.csv", csv_rows=ROWS)
    check(result.returncode == 0, f"import failed: {result.stdout} {result.stderr}")
    check(os.path.exists(own), "no question file in the player's folder")
    result = tool(s, "check", own)
    check(result.returncode == 0 and "playable: 48 questions" in result.stdout, f"check: {result.stdout}")
    written = open(own, "rb").read()
    check("\u00bfPregunta n\u00famero 1, \"bien\"?".encode("latin-1") in written, "the file is not ISO 8859-1")

    # A CSV with one row too long for the screen: refused by line, nothing written.
    too_long = ("A question " + "far " * 60 + "too long?", "a", ["b", "c", "d"], "hard", "Sport")
    result = tool(s, "import", "--language", "eng", "--replace", "bad.csv", csv_rows=ROWS[:47] + [too_long])
    check(result.returncode == 1 and "bad.csv:49: question is too long for the screen" in result.stderr,
          f"the bad CSV: {result.returncode} {result.stderr}")
    check(open(own, "rb").read() == written, "a refused import changed the file")

    to_first_question(s)
    s.escape()
    asked = open(os.path.join(s.res, "questions", "asked-eng.txt")).read().split()
    ours = {question_hash(q, right, wrong) for q, right, wrong, _, _ in ROWS}
    check(len(asked) == 1 and asked[0] in ours, f"the question asked is not one of the imported: {asked}")

    # The export gives the questions back, as UTF-8 CSV.
    result = tool(s, "export", "--language", "eng", "back.csv")
    check(result.returncode == 0, f"export failed: {result.stderr}")
    back = open(os.path.join(s.tmp, "back.csv"), encoding="utf-8-sig", newline="").read()
    check(back.count("\r\n") == 49 and "Pregunta n\u00famero 48" in back, "the export lacks the questions")


if __name__ == "__main__":
    run("questions", main)
