#!/usr/bin/python3
"""End-to-end test of a one-player game on the real binary, with a question
file the test writes (every right answer is box 2): a right answer, a wrong
answer, a question left to time out and the jolly, each checked on screen.

Usage: play_test.py APP_DIR OUT_DIR
"""
import os
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from driver import bright_pixels, check, crop_differs, matches_picture, run  # noqa: E402

BOX = {1: (183, 480), 2: (603, 480), 3: (183, 553), 4: (603, 553)}
# Where each box's answer text is drawn (screen rectangles).
TEXT = {1: (95, 470, 295, 492), 2: (504, 470, 704, 492), 3: (95, 542, 295, 564), 4: (504, 542, 704, 564)}
LIVES, SCORE, NUMBER = (650, 62, 785, 92), (650, 131, 785, 161), (650, 228, 785, 258)


def question_file():
    # No question of the players' skill (various), so no answer earns double
    # points or costs the skill penalty.
    cats = ["Lett", "Sci", "Sp", "Geo", "St"]
    records = []
    for level in ["E-", "M-", "H-"]:
        for i in range(30):
            records.append((level + cats[i % 5], f"Test question {len(records) + 1}?", "0"))
    puzzles = [("Puzzl", "Which country has this flag?", stem) for stem in ["italy", "france", "japan", "brazil"]]
    out = [f"[GENERAL]\nMaxQuestions={len(records)}\nMaxPuzzles={len(puzzles)}\n"]
    for n, (qid, text, photo) in enumerate(records + puzzles, 1):
        out.append(f"\n[{n}]\nID={qid}\nText={text}\nAnswer1=Wrong one\nAnswer2=Right one\n"
                   f"Answer3=Wrong two\nAnswer4=Wrong three\nSolution=2\nPhoto={photo}\n")
    return "".join(out).encode("latin-1")


def answers_shown(img):
    return bright_pixels(img, TEXT[2]) > 15


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


def shows(s, picture, at, box, share=0.8):
    """A test of a screenshot: it shows that part of a picture of gfx/."""
    return lambda img: matches_picture(img, os.path.join(s.res, "gfx", picture), at, box, share=share)


def to_first_question(s):
    """Starts the game and walks from the launcher to the first question of a
    one-player game, waiting for each screen before clicking on it."""
    s.start()
    s.wait_for("the launcher", shows(s, "launcher.png", (0, 0), (0, 0, 400, 120)))
    s.click(199, 282)  # Start
    s.window = s.wait_window(800, 600)
    s.wait_for("the title", shows(s, "back.jpg", (560, 150), (560, 150, 800, 400)))
    s.click(393, 235)  # New game
    s.wait_for("the players screen", shows(s, "back.jpg", (0, 151), (0, 601, 800, 638)))
    s.click(280, 242)  # one player
    s.wait_for("the skill screen", shows(s, "skill.jpg", (0, 0), (0, 0, 800, 140)))
    s.click(392, 466)  # skill: various
    s.wait_for("the level start screen", shows(s, "newlevel.jpg", (0, 150), (0, 150, 800, 450)))
    s.screenshot("level-start")
    s.click(400, 300)
    s.move(790, 300)
    s.wait_for("the first question", answers_shown)


def main(s):
    def shows_here(picture, at, box, share=0.8):
        return shows(s, picture, at, box, share)

    s.write_resource("prefs", bytes([0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1]) + bytes(68))
    s.write_resource("data/eng.ini", question_file())
    to_first_question(s)
    q1 = s.screenshot("question1")
    check(shows_here("ingame.jpg", (0, 0), (0, 0, 180, 60), 0.9)(q1), "not on the game screen")

    s.click(*BOX[2])  # right
    s.wait_for("the right answer's picture", lambda img: shows_here("welldone.jpg", (191, 28), (0, 0, 400, 230))(img) or
               shows_here("wow.jpg", (191, 28), (0, 0, 400, 230))(img))
    right = s.screenshot("right")
    check(crop_differs(q1, right, SCORE), "the score did not change after a right answer")
    check(not crop_differs(q1, right, LIVES), "the lives changed after a right answer")

    next_question(s)
    q2 = s.screenshot("question2")
    check(crop_differs(right, q2, NUMBER), "the question number did not advance")
    s.click(*BOX[1])  # wrong
    s.wait_for("the wrong answer's picture", shows_here("incorrect.jpg", (191, 28), (0, 0, 400, 230)))
    wrong = s.screenshot("wrong")
    check(crop_differs(q2, wrong, LIVES), "the lives did not change after a wrong answer")
    check(not crop_differs(q2, wrong, SCORE), "the score changed after a wrong answer")

    started = next_question(s)
    q3 = s.screenshot("question3")
    timeout = s.wait_for("the time-out", lambda img: crop_differs(q3, img, LIVES), timeout=30)
    waited = time.time() - started
    s.screenshot("time-out")
    check(waited > 14.5, f"the question timed out after {waited:.1f} s")
    check(not crop_differs(q3, timeout, SCORE), "the score changed after a time-out")

    next_question(s)
    q4 = s.screenshot("question4")
    s.key("j", hold=0.3)  # the jolly

    def two_gone(img):
        return len([b for b in (1, 3, 4) if bright_pixels(img, TEXT[b]) <= 15]) == 2

    jolly = s.wait_for("two answers removed by the jolly", two_gone)
    s.screenshot("jolly")
    check(not crop_differs(q4, jolly, TEXT[2]), "the jolly removed the right answer")
    s.click(*BOX[2])
    s.wait_for("the right answer's picture", lambda img: not answers_shown(img) or
               shows_here("welldone.jpg", (191, 28), (0, 0, 400, 230))(img) or
               shows_here("wow.jpg", (191, 28), (0, 0, 400, 230))(img))
    s.screenshot("jolly-right")

    s.key("Escape", hold=0.3)
    status = s.wait_exit(5)
    check(status == 0, f"Escape: exit status {status}")


if __name__ == "__main__":
    sys.exit(run("play", main))
