#!/usr/bin/python3
"""Takes the README's screenshots by playing the real game: the launcher,
the title screen, a question on the game screen and a photo puzzle, saved as
JPEG files in packaging/screenshots/ (launcher.jpg, title.jpg, game.jpg,
puzzle.jpg). The game runs from a copy of the application folder on a
private Xvfb through the end-to-end driver, windowed, in English. Its
question file is the real one with every right answer moved to box B, so the
script can answer four questions and reach the fifth, a photo puzzle.

Which questions and which puzzle reveal appear is the game's random choice,
so the pictures differ from run to run.
Usage: tools/readme_screenshots.py [APP_DIR [OUT_DIR]]
       (default build/Trivello, as tools/build.sh makes it, and packaging/screenshots)
"""
import os
import re
import shutil
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)
sys.path.insert(0, os.path.join(ROOT, "tests", "e2e"))

from PIL import Image  # noqa: E402

from driver import Session, check  # noqa: E402

# The game reads the pointer's position when a button changes (Xvfb does not
# report xdotool's bare moves to it), so a click on an empty spot places the
# pointer before a picture is taken.
LAUNCHER_EMPTY = (385, 15)
GAME_EMPTY = (775, 440)
TITLE_EMPTY = (700, 560)
LOGO_BOX = (255, 11, 316, 81)
BOX_B = (603, 480)
WINDOWED = bytes([0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1]) + bytes(68)


def title_with_coin_facing(s):
    """Takes a dozen title screenshots and names the one whose flipping logo
    coin shows the most of its face (the most bright pixels)."""
    best, best_name = -1, None
    for i in range(12):
        name = f"title{i}"
        logo = s.screenshot(name).crop(LOGO_BOX).convert("L")
        bright = sum(1 for v in logo.getdata() if v > 150)
        if bright > best:
            best, best_name = bright, name
        time.sleep(0.13)
    return best_name


def right_answers_in_box_b(text):
    """The question file with each record's right answer swapped into
    Answer2 and Solution=2 (the texts are untouched)."""
    def fix(record):
        fields = dict(re.findall(r"^(Answer[1-4]|Solution)=(.*)$", record, re.M))
        if "Solution" not in fields or not fields["Solution"].strip().isdigit():
            return record
        right = "Answer" + fields["Solution"].strip()
        if right not in fields or "Answer2" not in fields:
            return record
        swap = {"Answer2": fields[right], right: fields["Answer2"], "Solution": "2"}
        return re.sub(r"^(Answer[1-4]|Solution)=.*$",
                      lambda m: f"{m.group(1)}={swap.get(m.group(1), fields[m.group(1)])}", record, flags=re.M)
    return "".join(fix(r) for r in re.split(r"(?=^\[)", text, flags=re.M))


def keep(s, shot, name, out_dir):
    """Copies the driver's screenshot `shot` into out_dir as name.jpg: JPEG at
    quality 90 without chroma subsampling keeps the artwork's colours at
    about half a PNG's size (a 256-colour PNG shifts them visibly)."""
    src = next(os.path.join(s.out_dir, f) for f in sorted(os.listdir(s.out_dir)) if f.endswith(f"-{shot}.png"))
    Image.open(src).convert("RGB").save(os.path.join(out_dir, name + ".jpg"), quality=90, subsampling=0,
                                        optimize=True)


def play(s, out_dir):
    with open(os.path.join(s.res, "data", "eng.ini"), encoding="latin-1") as f:
        questions = right_answers_in_box_b(f.read())
    s.write_resource("data/eng.ini", questions.encode("latin-1"))
    s.write_resource("prefs", WINDOWED)
    s.start()
    time.sleep(0.6)
    s.click(*LAUNCHER_EMPTY)
    time.sleep(0.3)
    s.screenshot("launcher")
    keep(s, "launcher", "launcher", out_dir)
    s.click(199, 282)  # Start
    s.window = s.wait_window(800, 600)
    time.sleep(1.0)
    s.click(*TITLE_EMPTY)
    keep(s, title_with_coin_facing(s), "title", out_dir)
    s.click(393, 235)  # New game
    s.click(280, 242)  # one player
    s.click(392, 236)  # skill: letters
    time.sleep(0.3)
    s.click(400, 300)  # the level start screen
    s.click(*GAME_EMPTY)
    time.sleep(2.0)  # a few seconds on the clock
    s.screenshot("game")
    keep(s, "game", "game", out_dir)
    for _ in range(4):  # four right answers; the fifth question is a puzzle
        s.click(*BOX_B)
        time.sleep(3.3)  # the result, then the next-question panel
        s.click(400, 300)
        time.sleep(0.4)
    s.click(*GAME_EMPTY)
    time.sleep(4.0)  # half way through the reveal
    s.screenshot("puzzle")
    keep(s, "puzzle", "puzzle", out_dir)
    s.key("Escape")
    check(s.wait_exit(5) == 0, "the game did not end cleanly")


def main(argv):
    app = argv[1] if len(argv) > 1 else os.path.join(ROOT, "build", "Trivello")
    out = argv[2] if len(argv) > 2 else os.path.join(ROOT, "packaging", "screenshots")
    if not os.path.exists(os.path.join(app, "trivello")):
        print(f"readme_screenshots: no game in {app}; build it first with: bash tools/build.sh", file=sys.stderr)
        return 1
    os.makedirs(out, exist_ok=True)
    work = os.path.join(ROOT, "build", "e2e", "readme")  # every picture taken, for a look
    shutil.rmtree(work, ignore_errors=True)
    s = Session(app, work, screen="1024x768x24")
    try:
        play(s, out)
    finally:
        s.close()
    for name in ("launcher", "title", "game", "puzzle"):
        print(f"{name}.jpg: {os.path.getsize(os.path.join(out, name + '.jpg'))} bytes")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
