#!/usr/bin/python3
"""End-to-end test of the program's shell, as a new user meets it: the
launcher, the language and Start, the title's animated logo, the options
screen writing the prefs file, and Quit.

Usage: shell_test.py APP_DIR OUT_DIR
"""
import time

from driver import check, crop_differs, run

LOGO = (255, 11, 316, 81)
# What the options screen's OK saves: (bytes of prefs, their value, what they hold).
SAVED = [((0, 4), bytes([0, 40, 0, 70]), "the player's volumes, which must survive the start"),
         ((8, 12), bytes([0, 0, 0, 1]), "windowed"), ((16, 18), bytes([0, 1]), "Italian"),
         ((24, 28), bytes([0, 0, 0, 1]), "show the correct answer"), ((20, 24), bytes(4), "online stays off")]


def main(s):
    # Windowed, so the 800x600 window can be found, and the player's own
    # volumes (effects 40, music 70); everything else as new.
    s.write_prefs(volumes=(40, 70))
    s.launcher(share=0.9)
    s.click(163, 243)  # Italiano
    frames = [s.enter_title(share=0.9)]
    for i in range(8):
        time.sleep(0.5)
        frames.append(s.screenshot(f"logo{i}"))
    check(any(crop_differs(frames[0], f, LOGO) for f in frames[1:]), "the title's logo does not animate")

    s.choose_show_correct()

    def saved():
        prefs = open(f"{s.res}/prefs", "rb").read()
        return prefs if prefs[24:28] == bytes([0, 0, 0, 1]) else None

    prefs = s.wait_until("the show-correct choice in prefs", saved, timeout=10)
    check(len(prefs) == 80, f"prefs is {len(prefs)} bytes")
    for (begin, end), value, what in SAVED:
        check(prefs[begin:end] == value, f"{what}: bytes {begin}-{end - 1} are {prefs[begin:end].hex()}")

    s.move(393, 512)
    s.click(393, 512, hold=0.05)  # Quit
    released = time.time()
    s.expect_exit("Quit", timeout=3)
    check(time.time() - released < 1.0, f"Quit took {time.time() - released:.2f} s after the click")


if __name__ == "__main__":
    run("shell", main)
