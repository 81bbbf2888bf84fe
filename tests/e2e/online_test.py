#!/usr/bin/python3
"""End-to-end test of the online top ten: the game (its end-to-end build,
which reads its server's address from its resource folder) plays until a
qualifying score, the player types a name with a blank and an accent, the
score goes to a real trivello-scores on a free loopback port, and both the
game's top-ten view and the server's web page (headless Chromium) show it.

Usage: online_test.py APP_DIR OUT_DIR GAME_E2E_BINARY SCORES_BINARY
"""
import os
import re
import shutil
import subprocess
import sys
import time
import urllib.request

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from driver import bright_pixels, check, crop_differs, run  # noqa: E402
from play_test import BOX, next_question, question_file, shows, to_first_question  # noqa: E402

GAME_E2E, SCORES = sys.argv[3], sys.argv[4]
NAME = "Zoé Ann"


def start_server(work):
    out = open(os.path.join(work, "server.out"), "w+")
    server = subprocess.Popen([SCORES, "--address", "127.0.0.1", "--port", "0", "--db",
                               os.path.join(work, "scores.sqlite")], stdout=out, stderr=subprocess.STDOUT)
    deadline = time.time() + 10
    while time.time() < deadline:
        out.seek(0)
        m = re.search(r"127\.0\.0\.1:(\d+)", out.read())
        if m:
            return server, f"http://127.0.0.1:{m.group(1)}"
        check(server.poll() is None, "the score server did not start")
        time.sleep(0.05)
    raise AssertionError("no port from the score server")




def form_shown(img):
    """The name form: the picture area black, with its two big lines of text."""
    area = img.crop((200, 40, 580, 320)).getdata()
    dark = sum(1 for p in area if max(p) < 30)
    return dark > 0.6 * len(area) and bright_pixels(img, (250, 75, 550, 140)) > 100


def main(s):
    server, base = start_server(s.tmp)
    try:
        shutil.copy(GAME_E2E, os.path.join(s.app, "trivello"))
        s.write_resource("score-server", (base + "\n").encode())
        # Windowed, online submission on.
        prefs = bytearray(80)
        prefs[11] = 1
        prefs[23] = 1
        s.write_resource("prefs", bytes(prefs))
        s.write_resource("data/eng.ini", question_file())
        to_first_question(s)
        # F9 makes every later question a hard one, so three right answers
        # score well above 500 however slow the machine is.
        s.key("F9", hold=0.3)
        for _ in range(3):
            s.click(*BOX[2])  # right: every right answer is box 2
            next_question(s)
        for i in range(3):
            s.click(*BOX[1])  # wrong
            if i < 2:
                next_question(s)
        form = s.wait_for("the name form", form_shown, timeout=20)
        s.screenshot("name-form")
        s.type_text(NAME)
        time.sleep(0.5)
        s.screenshot("name-typed")
        s.key("Return", hold=0.3)
        deadline = time.time() + 15
        reply = b""
        while time.time() < deadline and not reply.startswith(NAME.encode("latin-1")):
            reply = urllib.request.urlopen(base + "/highscores/trivello/shown.php", timeout=5).read()
            time.sleep(0.2)
        m = re.match(re.escape(NAME.encode("latin-1")) + rb",(\d+)", reply)
        check(m is not None and int(m.group(1)) > 500, f"the server's top ten is {reply!r}")
        score = int(m.group(1))

        title = s.wait_for("the title", shows(s, "back.jpg", (560, 150), (560, 150, 800, 400)))
        s.screenshot("title")
        s.click(393, 300)  # High scores
        view = s.wait_for("the top-ten view", lambda img: crop_differs(title, img, (210, 200, 600, 228), 60))
        s.screenshot("top-ten")
        check(crop_differs(title, view, (210, 200, 600, 228), min_pixels=60), "the top-ten view shows no first row")
        check(crop_differs(form, view, (210, 200, 600, 228), min_pixels=60), "the top-ten view did not open")

        dom = subprocess.run(["chromium", "--headless", "--no-sandbox", "--disable-gpu", "--no-first-run",
                              f"--user-data-dir={s.tmp}/chrome", "--dump-dom", base + "/highscores/trivello/"],
                             capture_output=True, timeout=60).stdout.decode("utf-8", "replace")
        check(f'<td class="name">{NAME}</td><td class="score">{score}</td>' in dom, "the web page does not show the name")
        subprocess.run(["chromium", "--headless", "--no-sandbox", "--disable-gpu", "--no-first-run",
                        f"--user-data-dir={s.tmp}/chrome", "--window-size=800,600",
                        f"--screenshot={os.path.join(s.out_dir, 'page.png')}", base + "/highscores/trivello/"],
                       capture_output=True, timeout=60)
        s.key("Escape")
        check(s.wait_exit(3) == 0, "the game did not end cleanly")
    finally:
        server.terminate()
        server.wait()


if __name__ == "__main__":
    sys.exit(run("online", main))
