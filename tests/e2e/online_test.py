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
from driver import check, crop_differs, run  # noqa: E402
from play_test import BOX, question_file  # noqa: E402

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


def lose_a_life(s):
    s.click(*BOX[1])  # wrong: every right answer is box 2
    time.sleep(3.3)


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
        s.start()
        time.sleep(0.5)
        s.click(199, 282)  # Start
        s.window = s.wait_window(800, 600)
        time.sleep(0.8)
        s.click(393, 235)  # New game
        s.click(280, 242)  # one player
        s.click(392, 236)  # skill
        s.click(400, 300)  # level start
        time.sleep(0.3)
        s.click(*BOX[2])  # right, within 1.5 s: 550 points
        time.sleep(3.3)
        s.click(400, 300)  # next question
        time.sleep(0.3)
        for i in range(3):
            lose_a_life(s)
            if i < 2:
                s.click(400, 300)
                time.sleep(0.3)
        time.sleep(0.5)
        form = s.screenshot("name-form")
        s.type_text(NAME)
        time.sleep(0.3)
        s.screenshot("name-typed")
        s.key("Return")
        time.sleep(4.0)  # the result picture, then the title
        reply = urllib.request.urlopen(base + "/highscores/trivello/shown.php", timeout=5).read()
        check(reply.startswith(NAME.encode("latin-1") + b",550"), f"the server's top ten is {reply!r}")

        title = s.screenshot("title")
        s.click(393, 300)  # High scores
        time.sleep(0.5)
        view = s.screenshot("top-ten")
        check(crop_differs(title, view, (210, 200, 600, 228), min_pixels=60), "the top-ten view shows no first row")
        check(crop_differs(form, view, (210, 200, 600, 228), min_pixels=60), "the top-ten view did not open")

        dom = subprocess.run(["chromium", "--headless", "--no-sandbox", "--disable-gpu", "--no-first-run",
                              f"--user-data-dir={s.tmp}/chrome", "--dump-dom", base + "/highscores/trivello/"],
                             capture_output=True, timeout=60).stdout.decode("utf-8", "replace")
        check(f'<td class="name">{NAME}</td><td class="score">550</td>' in dom, "the web page does not show the name")
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
