#!/usr/bin/python3
"""End-to-end test of the program's shell, as a new user meets it: the
launcher, the language and Start, the title's animated logo, the options
screen writing the prefs file, and Quit.

Usage: shell_test.py APP_DIR OUT_DIR
"""
import os
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from driver import check, run, crop_differs, matches_picture  # noqa: E402


def main(s):
    gfx = os.path.join(s.res, "gfx")
    # Windowed, so the 800x600 window can be found, and the player's own
    # volumes (effects 40, music 70), which must survive the start; everything
    # else as new.
    s.write_resource("prefs", bytes([0, 40, 0, 70, 0, 0, 0, 0, 0, 0, 0, 1]) + bytes(68))
    s.start()
    s.wait_for("the launcher's artwork",
               lambda img: matches_picture(img, os.path.join(gfx, "launcher.png"), (0, 0), (0, 0, 400, 120)))
    s.screenshot("launcher")

    s.click(163, 243)  # Italiano
    s.click(199, 282)  # Start
    s.window = s.wait_window(800, 600)
    s.wait_for("the title's background",
               lambda img: matches_picture(img, os.path.join(gfx, "back.jpg"), (560, 150), (560, 150, 800, 400)))
    title = s.screenshot("title")
    logo_box = (255, 11, 316, 81)
    frames = [title]
    for i in range(8):
        time.sleep(0.5)
        frames.append(s.screenshot(f"logo{i}"))
    check(any(crop_differs(frames[0], f, logo_box) for f in frames[1:]), "the title's logo does not animate")

    s.click(393, 374)  # Options
    options = s.wait_for("the options panel", lambda img: matches_picture(
        img, os.path.join(gfx, "back.jpg"), (143, 154), (275, 638, 780, 700), share=0.8))
    s.screenshot("options")
    s.click(185, 325)  # show the correct answer
    s.wait_for("the show-correct tick", lambda img: crop_differs(options, img, (165, 309, 202, 346)))
    s.screenshot("options-ticked")
    s.click(400, 453)  # OK
    deadline = time.time() + 10
    while s.prefs() is None and time.time() < deadline:
        time.sleep(0.1)
    prefs = s.prefs()
    check(prefs is not None and len(prefs) == 80, f"prefs is {None if prefs is None else len(prefs)} bytes")
    check(prefs[0:4] == bytes([0, 40, 0, 70]), f"the saved volumes did not stand: {prefs[0:4].hex()}")
    check(prefs[8:12] == bytes([0, 0, 0, 1]), "windowed")
    check(prefs[16:18] == bytes([0, 1]), "Italian")
    check(prefs[24:28] == bytes([0, 0, 0, 1]), "show the correct answer")
    check(prefs[20:24] == bytes(4), "online stays off")
    s.screenshot("title-again")

    s.move(393, 512)
    s.click(393, 512, hold=0.05)  # Quit
    released = time.time()
    status = s.wait_exit(3)
    check(status == 0, f"Quit: exit status {status}")
    check(time.time() - released < 1.0, f"Quit took {time.time() - released:.2f} s after the click")


if __name__ == "__main__":
    sys.exit(run("shell", main))
