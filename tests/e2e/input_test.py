#!/usr/bin/python3
"""End-to-end test of input as other programs send it: key presses whose
release comes at once (xdotool key, remote desktops, on-screen keyboards)
and pointer moves that are not clicks (xdotool mousemove, accessibility
tools). An instant Escape ends the launcher every time; moving the pointer
over a title button, without a click, lights it and moving away darkens it.

Usage: input_test.py APP_DIR OUT_DIR
"""
import os
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from driver import check, run, matches_picture, write_prefs, instant_key, lit_pixels  # noqa: E402

NEW_GAME = (280, 222, 505, 246)  # inside the title's first button, in window pixels
TRIES = 5


def main(s):
    gfx = os.path.join(s.res, "gfx")
    write_prefs(s, windowed=True)
    launcher_art = os.path.join(gfx, "launcher.png")

    for attempt in range(1, TRIES + 1):
        s.start()
        s.wait_for("the launcher's artwork", lambda img: matches_picture(img, launcher_art, (0, 0), (0, 0, 400, 120)))
        s.move(200, 150)  # the keyboard goes to the window under the pointer
        instant_key(s, "Escape")
        status = s.wait_exit(5)
        check(status == 0, f"try {attempt}: an instant Escape left the launcher running (status {status})")

    s.start()
    s.wait_for("the launcher's artwork", lambda img: matches_picture(img, launcher_art, (0, 0), (0, 0, 400, 120)))
    s.click(199, 282)  # Start
    s.window = s.wait_window(800, 600)
    s.wait_for("the title's background",
               lambda img: matches_picture(img, os.path.join(gfx, "back.jpg"), (560, 150), (560, 150, 800, 400)))
    s.move(100, 300)
    time.sleep(0.3)
    dark = s.screenshot("title-dark")
    check(lit_pixels(dark, NEW_GAME) < 200, "New game is lit before the pointer reaches it")

    s.move(393, 233)  # onto New game, no button pressed
    s.wait_for("New game lit by the pointer alone", lambda img: lit_pixels(img, NEW_GAME) > 1500, timeout=5)
    s.screenshot("title-hover")
    s.move(100, 300)
    s.wait_for("New game dark again", lambda img: lit_pixels(img, NEW_GAME) < 200, timeout=5)
    s.screenshot("title-dark-again")

    s.move(393, 300)
    instant_key(s, "Escape")
    status = s.wait_exit(5)
    check(status == 0, f"an instant Escape left the game running (status {status})")


if __name__ == "__main__":
    sys.exit(run("input", main))
