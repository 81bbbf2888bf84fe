#!/usr/bin/python3
"""End-to-end test of the top ten: the game, pointed through its
"scores-server" file at a real trivello-scores on a free loopback port, plays
until a qualifying score, the player types a name with a blank and an accent,
and both the game's top-ten view and the server's web page (headless
Chromium) show it. Then a game pointed at a server that accepts and never
answers keeps its title animating while it waits, says the server cannot be
reached and shows the top ten of this computer; with no server at all that
table shows at once.

Usage: online_test.py APP_DIR OUT_DIR SCORES_BINARY
"""
import os
import re
import socket
import subprocess
import sys
import time
import urllib.request

from driver import Session, bright_pixels, check, crop_differs, run
from play_test import BOX, next_question, question_file, to_first_question

NAME = "Zoé Ann"
HIGH_SCORES = (393, 300)     # the title's second button
BAND = (0, 0, 800, 30)       # the network line along the top
LOGO = (255, 11, 545, 160)   # the turning title logo
FIRST_ROW = (210, 200, 600, 228)


def start_server(s):
    """A trivello-scores on a free loopback port over a fresh database, until
    the session closes; returns its base address."""
    out = open(os.path.join(s.tmp, "server.out"), "w+")
    server = subprocess.Popen([sys.argv[3], "--address", "127.0.0.1", "--port", "0", "--db",
                               os.path.join(s.tmp, "scores.sqlite")], stdout=out, stderr=subprocess.STDOUT)

    s.cleanups += [server.terminate, server.wait]

    def port():
        check(server.poll() is None, "the score server did not start")
        out.seek(0)
        return re.search(r"127\.0\.0\.1:(\d+)", out.read())

    return f"http://127.0.0.1:{s.wait_until('the score server port', port, timeout=10).group(1)}"


def form_shown(img):
    """The name form: the picture area black, with its two big lines of text."""
    area = img.crop((200, 40, 580, 320)).getdata()
    dark = sum(1 for p in area if max(p) < 30)
    return dark > 0.6 * len(area) and bright_pixels(img, (250, 75, 550, 140)) > 100


def band_lit(img):
    """The network line's white text on its dark band (the logo alone lights
    a few dozen pixels there)."""
    return bright_pixels(img, BAND) > 300


def table_shown(title):
    """A test of a picture: a top-ten table's first row where the title has none."""
    return lambda img: crop_differs(title, img, FIRST_ROW, min_pixels=60)


def main(s):
    online(s, start_server(s))
    # The rest on a fresh copy of the game, as a player who never played online.
    offline = Session(sys.argv[1], os.path.join(sys.argv[2], "offline"))
    try:
        silent_server(offline)
    finally:
        offline.close()


def online(s, base):
    page = base + "/highscores/trivello/"
    # A copy the player can write keeps its config and data in its
    # resource folder, so "scores-server" goes there.
    s.write_resource("scores-server", (base + "\n").encode())
    s.write_prefs(online=True)
    s.write_resource("data/eng.ini", question_file())
    to_first_question(s)
    # F9 makes every later question a hard one, so three right answers
    # score well above 500 however slow the machine is.
    s.key("F9", hold=0.3)
    for n, box in enumerate([2, 2, 2, 1, 1, 1]):  # every right answer is box 2
        s.click(*BOX[box])
        if n < 5:  # the third wrong answer ends the game
            next_question(s)
    form = s.wait_for("the name form", form_shown, timeout=20)
    s.type_text(NAME)
    time.sleep(0.5)
    s.key("Return", hold=0.3)

    def listed():
        reply = urllib.request.urlopen(page + "shown.php", timeout=5).read()
        return re.match(re.escape(NAME.encode("latin-1")) + rb",(\d+)", reply)

    score = int(s.wait_until("the name in the server's top ten", listed, timeout=15).group(1))
    check(score > 500, f"the server's top ten has {NAME} with {score}")

    title = s.wait_screen("the title")
    s.click(*HIGH_SCORES)
    view = s.wait_for("the top-ten view", table_shown(title))
    check(table_shown(form)(view), "the top-ten view did not open")
    # The web page as headless Chromium reads it, and a picture of it for a look.
    chromium = ["chromium", "--headless", "--no-sandbox", "--disable-gpu", "--no-first-run",
                f"--user-data-dir={s.tmp}/chrome", "--window-size=800,600"]
    dom = subprocess.run(chromium + ["--dump-dom", page], capture_output=True, timeout=60).stdout.decode()
    check(f'<td class="name">{NAME}</td><td class="score">{score}</td>' in dom, "the web page does not show the name")
    subprocess.run(chromium + [f"--screenshot={s.out_dir}/page.png", page], capture_output=True, timeout=60)
    s.escape()


def silent_server(s):
    # A server that takes every connection (the kernel accepts them into the
    # listen queue) and never answers; once closed, nothing listens there.
    silent = socket.create_server(("127.0.0.1", 0), backlog=16)
    s.cleanups.append(silent.close)
    s.write_resource("scores-server", f"http://127.0.0.1:{silent.getsockname()[1]}\n".encode())
    s.write_resource("local-scores", b"4321\tLocal Hero\n")
    s.write_prefs()
    s.launcher()
    title = s.enter_title()
    s.click(*HIGH_SCORES)
    # While the server holds the request the title goes on: the line says
    # what is awaited and the logo turns, until the request gives up.
    logos = []

    def table_or_line():
        img = s.grab()
        if table_shown(title)(img):
            return img
        if band_lit(img):
            logos.append(img.crop(LOGO).tobytes())
            if len(logos) == 1:
                s.screenshot("connecting")

    view = s.wait_until("the end of the request to the silent server", table_or_line, timeout=40)
    check(len(logos) >= 2, "the connecting line did not show while the server said nothing")
    check(len(set(logos)) >= 2, "the title froze while the server said nothing")
    # The request gave up: the line says why and this computer's table shows.
    s.screenshot("cannot-be-reached")
    check(band_lit(view), "no line says the server cannot be reached")
    time.sleep(5)
    gone = s.screenshot("line-gone")
    check(not band_lit(gone), "the line stays for good")
    check(table_shown(title)(gone), "the table closed by itself")
    # No server at all: the table shows at once.
    s.click(400, 300)
    s.wait_for("the title again", lambda img: not table_shown(title)(img))
    silent.close()
    s.click(*HIGH_SCORES)
    s.wait_for("this computer's top ten", table_shown(title), timeout=5)
    s.escape()


if __name__ == "__main__":
    run("online", main)
