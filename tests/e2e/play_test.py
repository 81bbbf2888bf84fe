#!/usr/bin/python3
"""End-to-end test of a one-player game on the real binary, with a question
file the test writes (every right answer is box 2): a right answer, a wrong
answer, a question left to time out and the jolly, each checked on screen.

Usage: play_test.py APP_DIR OUT_DIR
"""
import time

from driver import bright_pixels, check, crop_differs, run

BOX = {1: (183, 480), 2: (603, 480), 3: (183, 553), 4: (603, 553)}
# Where each box's answer text is drawn (screen rectangles).
TEXT = {1: (95, 470, 295, 492), 2: (504, 470, 704, 492), 3: (95, 542, 295, 564), 4: (504, 542, 704, 564)}
LIVES, SCORE, NUMBER = (650, 62, 785, 92), (650, 131, 785, 161), (650, 228, 785, 258)


def question_file():
    # No question of the players' skill (various), so no answer earns double
    # points or costs the skill penalty.
    cats = ["Lett", "Sci", "Sp", "Geo", "St"]
    records = [(level + cats[i % 5], f"Test question {30 * n + i + 1}?", "0")
               for n, level in enumerate(["E-", "M-", "H-"]) for i in range(30)]
    puzzles = [("Puzzl", "Which country has this flag?", stem) for stem in ["italy", "france", "japan", "brazil"]]
    head = f"[GENERAL]\nMaxQuestions={len(records)}\nMaxPuzzles={len(puzzles)}\n"
    return (head + "".join(f"\n[{n}]\nID={qid}\nText={text}\nAnswer1=Wrong one\nAnswer2=Right one\nAnswer3=Wrong two\n"
                           f"Answer4=Wrong three\nSolution=2\nPhoto={photo}\n"
                           for n, (qid, text, photo) in enumerate(records + puzzles, 1))).encode("latin-1")


def answers_shown(img):
    return bright_pixels(img, TEXT[2]) > 15


def right_answer_shown(s):
    return lambda img: s.shows("the well-done picture")(img) or s.shows("the wow picture")(img)


def next_question(s):
    """Waits for the next-question panel (no answers on screen), clicks it
    away and waits for the new question's answers. Returns the time of the
    click, which is before the new question's clock started."""
    s.wait_for("the next-question panel", lambda img: not answers_shown(img))
    time.sleep(0.3)
    clicked = time.time()
    s.click(400, 300)
    s.wait_for("a new question", answers_shown)
    time.sleep(0.2)
    return clicked


def to_first_question(s):
    """Starts the game and walks from the launcher to the first question of a
    one-player game, waiting for each screen before clicking on it."""
    s.launcher()
    s.enter_title()
    return new_game(s)


def new_game(s, at_level_start=None):
    """From the title to the first question of a one-player game; presses
    the key at_level_start on the level start screen. Returns the question."""
    s.goto((393, 235), "the players screen")  # New game
    s.goto((280, 242), "the skill screen")  # one player
    s.goto((392, 466), "the level start screen")  # skill: various
    if at_level_start:
        s.key(at_level_start)
    s.click(400, 300)
    s.move(790, 300)
    return s.wait_for("the first question", answers_shown)


def main(s):
    s.write_prefs()
    s.write_resource("data/eng.ini", question_file())
    to_first_question(s)
    question = s.screenshot("question1")
    check(s.shows("the game screen", share=0.9)(question), "not on the game screen")
    # (the answer, the picture it brings, the panel it changes, the panel it leaves)
    for box, picture, changed, kept in [(2, right_answer_shown(s), SCORE, LIVES),
                                        (1, s.shows("the wrong answer's picture"), LIVES, SCORE)]:
        s.click(*BOX[box])
        after = s.wait_for(f"the picture of box {box}'s answer", picture)
        check(crop_differs(question, after, changed), f"box {box}: the panel at {changed} did not change")
        check(not crop_differs(question, after, kept), f"box {box}: the panel at {kept} changed")
        started = next_question(s)
        question = s.screenshot("next-question")
        check(crop_differs(after, question, NUMBER), "the question number did not advance")
    # The third question, left unanswered.
    timeout = s.wait_for("the time-out", lambda img: crop_differs(question, img, LIVES), timeout=30)
    waited = time.time() - started
    check(waited > 14.5, f"the question timed out after {waited:.1f} s")
    check(not crop_differs(question, timeout, SCORE), "the score changed after a time-out")

    next_question(s)
    q4 = s.screenshot("question4")
    s.key("j", hold=0.3)  # the jolly
    jolly = s.wait_for("two answers removed by the jolly",
                       lambda img: [bright_pixels(img, TEXT[b]) <= 15 for b in (1, 3, 4)].count(True) == 2)
    check(not crop_differs(q4, jolly, TEXT[2]), "the jolly removed the right answer")
    s.click(*BOX[2])
    right = right_answer_shown(s)
    s.wait_for("the right answer's picture", lambda img: not answers_shown(img) or right(img))
    s.escape()


if __name__ == "__main__":
    run("play", main)
