#!/usr/bin/python3
"""End-to-end test of the playing help on the real binary: reading aloud
and the no-limit clock are chosen on the options screen's MORE page, kept in
the "access" file, and a one-player game is played with them: no time-out
however long a question waits, R reads again without harm, and the right and
wrong answers carry a tick and a cross beside their colours.

Usage: access_test.py APP_DIR OUT_DIR
"""
import os
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from driver import bright_pixels, check, crop_differs, matches_picture, run  # noqa: E402
from play_test import BOX, LIVES, SCORE, TEXT, answers_shown, next_question, question_file  # noqa: E402

# The 23 x 23 box of each answer strip's mark.
MARK = {b: (x - 120 + 9, y - 19 + 9, x - 120 + 32, y - 19 + 32) for b, (x, y) in BOX.items()}


def shows(s, picture, at, box, share=0.8):
    return lambda img: matches_picture(img, os.path.join(s.res, "gfx", picture), at, box, share=share)


def main(s):
    s.write_resource("prefs", bytes([0, 90, 0, 60, 0, 0, 0, 0, 0, 0, 0, 1]) + bytes(68))
    s.write_resource("data/eng.ini", question_file())
    s.start()
    s.wait_for("the launcher", shows(s, "launcher.png", (0, 0), (0, 0, 400, 120)))
    s.click(199, 282)  # Start
    s.window = s.wait_window(800, 600)
    s.wait_for("the title", shows(s, "back.jpg", (560, 150), (560, 150, 800, 400)))

    # options, MORE, read aloud on, no time limit, OK, OK
    s.click(393, 375)
    s.wait_for("the options screen", shows(s, "back.jpg", (143, 154), (275, 638, 780, 700)))
    s.click(570, 453)
    s.wait_for("the playing-help page", shows(s, "access.png", (143, 154), (0, 0, 505, 60), share=0.7))
    s.click(185, 235)
    s.click(563, 325)
    s.move(700, 560)
    time.sleep(0.3)
    page = s.screenshot("playing-help")
    check(bright_pixels(page, (170, 222, 200, 252)) > 30, "no tick in the read-aloud box")
    s.click(399, 453)  # OK: saved, back to the options page
    s.wait_for("the options page again", shows(s, "back.jpg", (143, 154), (275, 638, 780, 700)))
    saved = open(os.path.join(s.res, "access")).read()
    check("read_aloud=1" in saved and "clock=3" in saved, f"settings not saved: {saved!r}")
    check(not [n for n in os.listdir(s.res) if n.startswith("access.")], "a temporary file was left")
    s.click(399, 453)  # OK: the title
    s.wait_for("the title", shows(s, "back.jpg", (560, 150), (560, 150, 800, 400)))

    s.click(393, 235)  # New game
    s.wait_for("the players screen", shows(s, "back.jpg", (0, 151), (0, 601, 800, 638)))
    s.click(280, 242)  # one player
    s.wait_for("the skill screen", shows(s, "skill.jpg", (0, 0), (0, 0, 800, 140)))
    s.click(392, 466)  # skill: various
    s.wait_for("the level start screen", shows(s, "newlevel.jpg", (0, 150), (0, 150, 800, 450)))
    s.key("r")  # reads the level start again
    s.click(400, 300)
    s.move(790, 300)
    q1 = s.wait_for("the first question", answers_shown)
    s.screenshot("question1")

    # No time limit: a question left for longer than the standard 15 s
    # (and the reading before it) costs no life.
    s.key("r")
    time.sleep(19)
    waited = s.screenshot("after-19s")
    check(answers_shown(waited), "the question went away without an answer")
    check(not crop_differs(q1, waited, LIVES), "a life was lost with no time limit")

    s.click(*BOX[2])  # right
    right = s.wait_for("the right answer's mark", lambda img: bright_pixels(img, MARK[2]) > 20)
    s.screenshot("right-with-tick")
    check(crop_differs(q1, right, SCORE), "the score did not change after a right answer")
    check(bright_pixels(right, MARK[1]) < 5, "a mark on an answer that was not given")

    next_question(s)
    q2 = s.screenshot("question2")
    s.click(*BOX[1])  # wrong
    wrong = s.wait_for("the wrong answer's mark", lambda img: bright_pixels(img, MARK[1]) > 20)
    s.screenshot("wrong-with-cross")
    check(crop_differs(q2, wrong, LIVES), "the lives did not change after a wrong answer")
    check(bright_pixels(wrong, TEXT[2]) >= 0, "")

    s.key("Escape", hold=0.3)
    status = s.wait_exit(5)
    check(status == 0, f"Escape: exit status {status}")
    again = open(os.path.join(s.res, "access")).read()
    check(again == saved, "the settings file changed without a change of settings")


if __name__ == "__main__":
    sys.exit(run("access", main))
