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
from driver import check, run, crop_differs, matches_picture  # noqa: E402

BOX = {1: (183, 480), 2: (603, 480), 3: (183, 553), 4: (603, 553)}
# Where each box's answer text is drawn (screen rectangles).
TEXT = {1: (95, 470, 295, 492), 2: (504, 470, 704, 492), 3: (95, 542, 295, 564), 4: (504, 542, 704, 564)}
LIVES, SCORE, NUMBER = (650, 62, 785, 92), (650, 131, 785, 161), (650, 228, 785, 258)


def question_file():
    cats = ["Lett", "Sci", "Sp", "Geo", "St", "Att"]
    records = []
    for level in ["E-", "M-", "H-"]:
        for i in range(30):
            records.append((level + cats[i % 6], f"Test question {len(records) + 1}?", "0"))
    puzzles = [("Puzzl", "Which country has this flag?", stem) for stem in ["italy", "france", "japan", "brazil"]]
    out = [f"[GENERAL]\nMaxQuestions={len(records)}\nMaxPuzzles={len(puzzles)}\n"]
    for n, (qid, text, photo) in enumerate(records + puzzles, 1):
        out.append(f"\n[{n}]\nID={qid}\nText={text}\nAnswer1=Wrong one\nAnswer2=Right one\n"
                   f"Answer3=Wrong two\nAnswer4=Wrong three\nSolution=2\nPhoto={photo}\n")
    return "".join(out).encode("latin-1")


def next_question(s):
    time.sleep(3.3)  # the result, then the next-question panel
    s.click(400, 300)
    time.sleep(0.4)


def main(s):
    gfx = os.path.join(s.res, "gfx")
    s.write_resource("prefs", bytes([0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1]) + bytes(68))
    s.write_resource("data/eng.ini", question_file())
    s.start()
    time.sleep(0.5)
    s.click(199, 282)  # Start
    s.window = s.wait_window(800, 600)
    time.sleep(0.8)
    s.click(393, 235)  # New game
    s.click(280, 242)  # one player
    s.click(392, 236)  # skill: letters
    time.sleep(0.3)
    check(matches_picture(s.screenshot("level-start"), os.path.join(gfx, "newlevel.jpg"), (0, 150),
                          (0, 150, 800, 450), share=0.8), "the level start screen is not shown")
    s.click(400, 300)
    s.move(790, 300)
    time.sleep(0.5)
    q1 = s.screenshot("question1")
    check(matches_picture(q1, os.path.join(gfx, "ingame.jpg"), (0, 0), (0, 0, 180, 60)), "not on the game screen")

    s.click(*BOX[2])  # right
    time.sleep(0.4)
    right = s.screenshot("right")
    check(matches_picture(right, os.path.join(gfx, "welldone.jpg"), (191, 28), (0, 0, 400, 230)) or
          matches_picture(right, os.path.join(gfx, "wow.jpg"), (191, 28), (0, 0, 400, 230)),
          "a right answer does not show its picture")
    check(crop_differs(q1, right, SCORE), "the score did not change after a right answer")
    check(not crop_differs(q1, right, LIVES), "the lives changed after a right answer")

    next_question(s)
    q2 = s.screenshot("question2")
    check(crop_differs(right, q2, NUMBER), "the question number did not advance")
    s.click(*BOX[1])  # wrong
    time.sleep(0.4)
    wrong = s.screenshot("wrong")
    check(matches_picture(wrong, os.path.join(gfx, "incorrect.jpg"), (191, 28), (0, 0, 400, 230)),
          "a wrong answer does not show its picture")
    check(crop_differs(q2, wrong, LIVES), "the lives did not change after a wrong answer")
    check(not crop_differs(q2, wrong, SCORE), "the score changed after a wrong answer")

    next_question(s)
    q3 = s.screenshot("question3")
    time.sleep(15.6)  # let the clock run out
    timeout = s.screenshot("time-out")
    check(crop_differs(q3, timeout, LIVES), "the lives did not change after a time-out")
    check(not crop_differs(q3, timeout, SCORE), "the score changed after a time-out")

    next_question(s)
    q4 = s.screenshot("question4")
    s.key("j")  # the jolly
    time.sleep(0.4)
    jolly = s.screenshot("jolly")
    gone = [b for b in (1, 3, 4) if crop_differs(q4, jolly, TEXT[b])]
    check(len(gone) == 2, f"the jolly removed boxes {gone}, not two wrong ones")
    check(not crop_differs(q4, jolly, TEXT[2]), "the jolly removed the right answer")
    s.click(*BOX[2])
    time.sleep(0.4)
    s.screenshot("jolly-right")

    s.key("Escape")
    status = s.wait_exit(3)
    check(status == 0, f"Escape: exit status {status}")


if __name__ == "__main__":
    sys.exit(run("play", main))
