#!/usr/bin/python3
"""End-to-end test of full screen on an X server without a window manager
(a kiosk or a quiz cabinet started with xinit): the game window covers the
1024x768 screen, the whole title shows scaled to it, and real keys sent
through XTest reach the game there.

Usage: fullscreen_test.py APP_DIR OUT_DIR
"""
import os
import sys

from PIL import Image

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from driver import check, run, matches_picture, write_prefs, instant_key, screen_shot  # noqa: E402

SCREEN = (1024, 768)

# Parts of the title that show the background picture as it is, in the
# game's 800x600 pixels: both sides, down to the bottom corners, which a
# window left at the game's size in the middle of the screen cuts off.
BACKGROUND_BOXES = [(0, 0, 240, 200), (600, 0, 800, 200), (0, 400, 240, 600), (600, 400, 800, 600)]


def title_fills_the_screen(shot, back):
    game = shot.resize((800, 600), Image.BILINEAR)
    return all(matches_picture(game, back, box[:2], box, share=0.85) for box in BACKGROUND_BOXES)


def main(s):
    back = os.path.join(s.res, "gfx", "back.jpg")
    write_prefs(s, windowed=False)
    s.start()
    s.wait_for("the launcher's artwork", lambda img: matches_picture(
        img, os.path.join(s.res, "gfx", "launcher.png"), (0, 0), (0, 0, 400, 120)))
    s.click(199, 282)  # Start
    s.window = s.wait_window(*SCREEN)
    geometry = s.xdotool("getwindowgeometry", s.window)
    check("Position: 0,0" in geometry, f"the full-screen window is not at the screen's corner: {geometry}")
    s.wait_for("the title over the whole screen", lambda img: title_fills_the_screen(img, back))
    shot = screen_shot(s, "title-full-screen")
    check(title_fills_the_screen(shot, back), "the whole screen does not show the title")

    s.move(512, 700)  # the keyboard goes to the window under the pointer
    instant_key(s, "Escape")
    status = s.wait_exit(5)
    check(status == 0, f"Escape through XTest did not end the game (status {status})")


if __name__ == "__main__":
    sys.exit(run("fullscreen", main))
