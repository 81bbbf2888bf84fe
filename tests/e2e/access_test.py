#!/usr/bin/python3
"""End-to-end test of the playing help on the real binary: reading aloud
and the no-limit clock are chosen on the options screen's MORE page, kept in
the "access" file, and a one-player game is played with them: no time-out
however long a question waits, R reads again without harm, and the right and
wrong answers carry a tick and a cross beside their colours.

Usage: access_test.py APP_DIR OUT_DIR
"""
import os
import time

from driver import bright_pixels, check, crop_differs, run
from play_test import BOX, LIVES, SCORE, answers_shown, new_game, next_question, question_file

# The 23 x 23 box of each answer strip's mark.
MARK = {b: (x - 120 + 9, y - 19 + 9, x - 120 + 32, y - 19 + 32) for b, (x, y) in BOX.items()}


def main(s):
    s.write_prefs(volumes=(90, 60))
    s.write_resource("data/eng.ini", question_file())
    access = os.path.join(s.res, "access")
    s.launcher()
    s.enter_title()
    # options, MORE, read aloud on, no time limit, OK, OK
    s.goto((393, 375), "the options panel")
    s.goto((570, 453), "the playing-help page", share=0.7)
    s.click(185, 235)
    s.click(563, 325)
    s.move(700, 560)
    time.sleep(0.3)
    check(bright_pixels(s.screenshot("playing-help"), (170, 222, 200, 252)) > 30, "no tick in the read-aloud box")
    s.goto((399, 453), "the options panel")  # OK: saved, back to the options page
    saved = open(access).read()
    check("read_aloud=1" in saved and "clock=3" in saved, f"settings not saved: {saved!r}")
    check(not [n for n in os.listdir(s.res) if n.startswith("access.")], "a temporary file was left")
    s.goto((399, 453), "the title")  # OK

    # Back on the title: the game, with R reading the level start again.
    q1 = new_game(s, at_level_start="r")
    # No time limit: a question left for longer than the standard 15 s
    # (and the reading before it) costs no life.
    s.key("r")
    time.sleep(19)
    waited = s.screenshot("after-19s")
    check(answers_shown(waited), "the question went away without an answer")
    check(not crop_differs(q1, waited, LIVES), "a life was lost with no time limit")

    s.click(*BOX[2])  # right
    right = s.wait_for("the right answer's mark", lambda img: bright_pixels(img, MARK[2]) > 20)
    check(crop_differs(q1, right, SCORE), "the score did not change after a right answer")
    check(bright_pixels(right, MARK[1]) < 5, "a mark on an answer that was not given")

    next_question(s)
    q2 = s.screenshot("question2")
    s.click(*BOX[1])  # wrong
    wrong = s.wait_for("the wrong answer's mark", lambda img: bright_pixels(img, MARK[1]) > 20)
    check(crop_differs(q2, wrong, LIVES), "the lives did not change after a wrong answer")
    s.escape()
    check(open(access).read() == saved, "the settings file changed without a change of settings")


if __name__ == "__main__":
    run("access", main)
