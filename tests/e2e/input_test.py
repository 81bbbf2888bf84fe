#!/usr/bin/python3
"""End-to-end test of input as other programs send it: key presses whose
release comes at once (xdotool key, remote desktops, on-screen keyboards)
and pointer moves that are not clicks (xdotool mousemove, accessibility
tools). An instant Escape ends the launcher every time; moving the pointer
over a title button, without a click, lights it and moving away darkens it.

Usage: input_test.py APP_DIR OUT_DIR
"""
import time

from driver import check, lit_pixels, run

NEW_GAME = (280, 222, 505, 246)  # inside the title's first button, in window pixels
TRIES = 5


def instant_escape(s, at, what):
    s.move(*at)  # the keyboard goes to the window under the pointer
    s.instant_key("Escape")
    s.expect_exit(f"an instant Escape {what}")


def main(s):
    s.write_prefs()
    for attempt in range(1, TRIES + 1):
        s.launcher(share=0.9)
        instant_escape(s, (200, 150), f"on the launcher, try {attempt}")

    s.launcher(share=0.9)
    s.enter_title(share=0.9)
    s.move(100, 300)
    time.sleep(0.3)
    check(lit_pixels(s.screenshot("title-dark"), NEW_GAME) < 200, "New game is lit before the pointer reaches it")
    s.move(393, 233)  # onto New game, no button pressed
    s.wait_for("New game lit by the pointer alone", lambda img: lit_pixels(img, NEW_GAME) > 1500, timeout=5)
    s.move(100, 300)
    s.wait_for("New game dark again", lambda img: lit_pixels(img, NEW_GAME) < 200, timeout=5)
    instant_escape(s, (393, 300), "on the title")


if __name__ == "__main__":
    run("input", main)
