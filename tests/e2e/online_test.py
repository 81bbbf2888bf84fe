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
import threading
import urllib.request

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from driver import Session, bright_pixels, check, crop_differs, run  # noqa: E402
from play_test import BOX, next_question, question_file, shows, to_first_question  # noqa: E402

SCORES = sys.argv[3]
NAME = "Zoé Ann"
HIGH_SCORES = (393, 300)     # the title's second button
BAND = (0, 0, 800, 30)       # the network line along the top
LOGO = (255, 11, 545, 160)   # the turning title logo
FIRST_ROW = (210, 200, 600, 228)


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
        # A copy the player can write keeps its config and data in its
        # resource folder, so "scores-server" goes there.
        s.write_resource("scores-server", (base + "\n").encode())
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
        s.click(*HIGH_SCORES)
        view = s.wait_for("the top-ten view", lambda img: crop_differs(title, img, FIRST_ROW, 60))
        s.screenshot("top-ten")
        check(crop_differs(title, view, FIRST_ROW, min_pixels=60), "the top-ten view shows no first row")
        check(crop_differs(form, view, FIRST_ROW, min_pixels=60), "the top-ten view did not open")

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
    offline(sys.argv[1], os.path.join(sys.argv[2], "offline"))


class SilentServer:
    """A server on a free loopback port that accepts every connection and
    never answers; once closed, nothing listens on its port."""

    def __init__(self):
        self.sock = socket.socket()
        self.sock.bind(("127.0.0.1", 0))
        self.sock.listen(16)
        self.sock.settimeout(0.1)
        self.port = self.sock.getsockname()[1]
        self.held = []
        self.stop = threading.Event()
        self.thread = threading.Thread(target=self._accept, daemon=True)
        self.thread.start()

    def _accept(self):
        while not self.stop.is_set():
            try:
                self.held.append(self.sock.accept()[0])
            except OSError:
                pass

    def close(self):
        self.stop.set()
        self.thread.join()
        for c in self.held:
            c.close()
        self.sock.close()


def band_lit(img):
    """The network line's white text on its dark band (the logo alone lights
    a few dozen pixels there)."""
    return bright_pixels(img, BAND) > 300


def offline(app_dir, out_dir):
    silent = SilentServer()
    s = Session(app_dir, out_dir)
    try:
        s.write_resource("scores-server", f"http://127.0.0.1:{silent.port}\n".encode())
        s.write_resource("local-scores", b"4321\tLocal Hero\n")
        prefs = bytearray(80)
        prefs[11] = 1  # windowed
        s.write_resource("prefs", bytes(prefs))
        s.start()
        s.wait_for("the launcher", shows(s, "launcher.png", (0, 0), (0, 0, 400, 120)))
        s.click(199, 282)  # Start
        s.window = s.wait_window(800, 600)
        title = s.wait_for("the title", shows(s, "back.jpg", (560, 150), (560, 150, 800, 400)))
        clicked = time.time()
        s.click(*HIGH_SCORES)
        # While the server holds the request the title goes on: the line says
        # what is awaited and the logo turns, until the request gives up.
        logos, view = [], None
        while view is None:
            check(time.time() - clicked < 40, "the request to the silent server never ended")
            check(s.game.poll() is None, "the game ended while waiting")
            img = s.grab()
            if crop_differs(title, img, FIRST_ROW, 60):
                view = img
            elif band_lit(img):
                if not logos:
                    s.screenshot("connecting")
                logos.append(img.crop(LOGO).tobytes())
            time.sleep(0.1)
        check(len(logos) >= 2, "the connecting line did not show while the server said nothing")
        check(len(set(logos)) >= 2, "the title froze while the server said nothing")
        # The request gave up: the line says why and this computer's table shows.
        s.screenshot("cannot-be-reached")
        check(band_lit(view), "no line says the server cannot be reached")
        time.sleep(5)
        gone = s.screenshot("line-gone")
        check(not band_lit(gone), "the line stays for good")
        check(crop_differs(title, gone, FIRST_ROW, 60), "the table closed by itself")
        # No server at all: the table shows at once.
        s.click(400, 300)
        s.wait_for("the title again", lambda img: not crop_differs(title, img, FIRST_ROW, 60))
        silent.close()
        s.click(*HIGH_SCORES)
        s.wait_for("this computer's top ten", lambda img: crop_differs(title, img, FIRST_ROW, 60), timeout=5)
        s.screenshot("no-server")
        s.key("Escape")
        check(s.wait_exit(3) == 0, "the game did not end cleanly")
    finally:
        if not silent.stop.is_set():
            silent.close()
        s.close()


if __name__ == "__main__":
    sys.exit(run("online", main))
