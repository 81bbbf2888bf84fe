#!/usr/bin/python3
"""End-to-end test of full screen on an X server without a window manager
(a kiosk or a quiz cabinet started with xinit): the game window covers the
1024x768 screen, the whole title shows scaled to it, and real keys sent
through XTest reach the game there.

Usage: fullscreen_test.py APP_DIR OUT_DIR
"""
import os

from PIL import Image

from driver import check, matches_picture, run

# Parts of the title that show the background picture as it is, in the
# game's 800x600 pixels: both sides, down to the bottom corners, which a
# window left at the game's size in the middle of the screen cuts off.
BACKGROUND_BOXES = [(0, 0, 240, 200), (600, 0, 800, 200), (0, 400, 240, 600), (600, 400, 800, 600)]


def main(s):
    back = os.path.join(s.res, "gfx", "back.jpg")

    def title_fills_the_screen(shot):
        game = shot.resize((800, 600), Image.BILINEAR)
        return all(matches_picture(game, back, box[:2], box, share=0.85) for box in BACKGROUND_BOXES)

    s.write_prefs(windowed=False)
    s.launcher(share=0.9)
    s.click(199, 282)  # Start
    s.window = s.wait_window(1024, 768)
    geometry = s.xdotool("getwindowgeometry", s.window)
    check("Position: 0,0" in geometry, f"the full-screen window is not at the screen's corner: {geometry}")
    s.wait_for("the title over the whole screen", title_fills_the_screen)
    check(title_fills_the_screen(s.screenshot("title-full-screen", "root")), "the whole screen does not show the title")
    s.move(512, 700)  # the keyboard goes to the window under the pointer
    s.instant_key("Escape")
    s.expect_exit("Escape through XTest")


if __name__ == "__main__":
    run("fullscreen", main)
