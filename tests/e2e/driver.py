"""Drives the real trivello binary as a person would: a private X server
(Xvfb), a copy of the application folder, xdotool for the mouse and the
keyboard, ImageMagick's import for screenshots.

Every session starts its own Xvfb on a free display and stops it, and the
game, when the session ends. Screenshots are kept in the output folder so a
failure can be looked at. Every wait is for a picture, a window or a file,
never for a fixed time, so a loaded machine only makes the test slower.
"""
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time

from PIL import Image

# The screens the tests wait for, each known by a part of a picture of gfx/
# that it shows as it is: (picture, where on screen, the part of the picture).
SCREENS = {
    "the launcher": ("launcher.png", (0, 0), (0, 0, 400, 120)),
    "the title": ("back.jpg", (560, 150), (560, 150, 800, 400)),
    # The options panel's top, which no hover on the title can draw.
    "the options panel": ("back.jpg", (143, 154), (275, 638, 780, 700)),
    "the players screen": ("back.jpg", (0, 151), (0, 601, 800, 638)),
    "the skill screen": ("skill.jpg", (0, 0), (0, 0, 800, 140)),
    "the level start screen": ("newlevel.jpg", (0, 150), (0, 150, 800, 450)),
    "the playing-help page": ("access.png", (143, 154), (0, 0, 505, 60)),
    "the game screen": ("ingame.jpg", (0, 0), (0, 0, 180, 60)),
    "the well-done picture": ("welldone.jpg", (191, 28), (0, 0, 400, 230)),
    "the wow picture": ("wow.jpg", (191, 28), (0, 0, 400, 230)),
    "the wrong answer's picture": ("incorrect.jpg", (191, 28), (0, 0, 400, 230)),
}


class Failure(Exception):
    pass


def check(condition, message):
    if not condition:
        raise Failure(message)


def prefs_bytes(windowed=True, volumes=(0, 0), online=False):
    """A prefs file with everything as new but the effects and music volumes
    (bytes 1 and 3), the window mode (byte 11) and online scores (byte 23)."""
    prefs = bytearray(80)
    prefs[1], prefs[3], prefs[11], prefs[23] = *volumes, windowed, online
    return bytes(prefs)


class Session:
    """A game on its own X server. By default it runs from a fresh copy of
    app_dir; with app_dir None the caller sets `command` and `res` (and may
    add to `game_env`) before start(), e.g. to run an installed copy."""

    def __init__(self, app_dir, out_dir, screen="1024x768x24"):
        self.out_dir = os.path.abspath(out_dir)
        os.makedirs(out_dir, exist_ok=True)
        self.tmp = tempfile.mkdtemp(prefix="trivello-e2e-")
        self.app = self.res = self.command = self.xvfb = self.game = self.window = None
        if app_dir:
            self.app = os.path.join(self.tmp, "Trivello")
            # Without the player's settings, nor the player's own questions,
            # which the game would play instead of the test's.
            shutil.copytree(app_dir, self.app, ignore=shutil.ignore_patterns("prefs", "questions"))
            self.res = os.path.join(self.app, "Contents", "Resources")
            self.command = [os.path.join(self.app, "trivello")]
        self.game_env = {}
        self.cleanups = []  # called in turn when the session closes, after the game has gone
        self.shots = 0
        self._start_xvfb(screen)

    # ---- set-up -------------------------------------------------------------
    def _start_xvfb(self, screen):
        read_end, write_end = os.pipe()
        # -noreset: by default the server resets whenever its last client
        # leaves, which the driver's short xdotool and import connections
        # make happen all the time, also while a game is connecting. About one
        # start in ten then had the game drawing its launcher while the
        # server showed no window at all; with -noreset none in 22 runs.
        self.xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(write_end), "-screen", "0", screen, "-nolisten",
                                      "tcp", "-noreset"], pass_fds=(write_end,), stdout=subprocess.DEVNULL,
                                     stderr=subprocess.DEVNULL)
        os.close(write_end)
        # Xvfb writes its display number there, once it takes clients, as the
        # number and then a newline, which it cannot write (and so ends) if the
        # pipe has been closed after the number alone.
        number = b""
        while not number.endswith(b"\n"):
            chunk = os.read(read_end, 16)
            if not chunk:
                break
            number += chunk
        os.close(read_end)
        check(number.strip().isdigit(), "Xvfb did not start")
        self.env = dict(os.environ, DISPLAY=":" + number.decode().strip(), SDL_AUDIODRIVER="dummy",
                        LIBGL_ALWAYS_SOFTWARE="1")

    def write_resource(self, name, data):
        path = os.path.join(self.res, name)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(data)

    def write_prefs(self, **settings):
        """The prefs file of prefs_bytes(**settings) in the resource folder."""
        self.write_resource("prefs", prefs_bytes(**settings))

    def start(self):
        self.game = subprocess.Popen(self.command, env=dict(self.env, **self.game_env),
                                     stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
        self.window = self.wait_window(400, 300)

    # ---- waiting ----------------------------------------------------------------
    def wait_until(self, what, probe, timeout=20):
        """Calls probe() until it gives something true, and returns that; a
        file being written may not be whole yet, so OSError means not yet.
        Fails when the game, if started, ends meanwhile."""
        deadline = time.time() + timeout
        while time.time() < deadline:
            try:
                found = probe()
            except OSError:
                found = None
            if found:
                return found
            if self.game and self.game.poll() is not None:
                raise Failure(f"the game ended (status {self.game.returncode}) while waiting for {what}")
            time.sleep(0.1)
        raise Failure(f"{what} did not show within {timeout} s")

    def wait_for(self, what, predicate, timeout=20):
        """Waits until the window shows what predicate(picture) accepts, so a
        slow machine does not make the test click too early; returns that
        picture, also kept as <out>/<nn>-<what>.png."""

        def shown():
            img = self.grab()
            return img if predicate(img) else None

        img = self.wait_until(what, shown, timeout)
        img.save(self._kept(what))
        return img

    def shows(self, screen, share=0.8):
        """A test of a picture of the window: it shows that screen of SCREENS."""
        picture, at, box = SCREENS[screen]
        return lambda img: matches_picture(img, os.path.join(self.res, "gfx", picture), at, box, share=share)

    def wait_screen(self, screen, share=0.8):
        return self.wait_for(screen, self.shows(screen, share))

    def goto(self, point, screen, share=0.8):
        """Clicks at point and waits for the screen that click opens."""
        self.click(*point)
        return self.wait_screen(screen, share)

    def launcher(self, share=0.8):
        """Starts the game and waits for the launcher's artwork; the first
        frame can take a while when the program is cold."""
        self.start()
        return self.wait_screen("the launcher", share)

    def enter_title(self, share=0.8):
        """Start on the launcher, then the title in the 800x600 game window."""
        self.click(199, 282)  # Start
        self.window = self.wait_window(800, 600)
        return self.wait_screen("the title", share)

    def choose_show_correct(self):
        """From the title: Options, the show-correct tick, once it shows, and OK."""
        options = self.goto((393, 374), "the options panel")
        self.click(185, 325)
        self.wait_for("the show-correct tick", lambda img: crop_differs(options, img, (165, 309, 202, 346)))
        self.click(400, 453)

    def wait_exit(self, timeout):
        try:
            return self.game.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            return None

    def expect_exit(self, what, timeout=5):
        """Waits for the game to end, which it must do with status 0."""
        status = self.wait_exit(timeout)
        check(status == 0, f"{what}: exit status {status}")

    def escape(self):
        """Escape held for a few frames, which must end the game cleanly."""
        self.key("Escape", hold=0.3)
        self.expect_exit("Escape")

    # ---- the window -------------------------------------------------------------
    def xdotool(self, *args):
        return subprocess.run(["xdotool", *map(str, args)], env=self.env, capture_output=True, text=True).stdout

    def type_text(self, text):
        """Types `text` into the game's window. A letter beyond ASCII first gets
        a spare key of its own: xdotool would otherwise map a key for it, press
        it and map it back at once, and a game slow to read the press (a loaded
        machine) would look the key up after it was mapped back and lose the
        letter."""
        spare = [line.split()[1] for line in self._run(["xmodmap", "-pke"]).splitlines()
                 if line.split()[2:] == ["="]]
        for letter in sorted({c for c in text if ord(c) > 127}):
            keysym = ord(letter) if ord(letter) < 256 else 0x1000000 + ord(letter)
            self._run(["xmodmap", "-e", f"keycode {spare.pop()} = {keysym:#x}"])
        self.xdotool("type", "--window", self.window, "--delay", "120", text)

    def _run(self, command):
        return subprocess.run(command, env=self.env, capture_output=True, text=True, check=True).stdout

    def wait_window(self, width, height, timeout=30):
        """The id of the game's window once it is mapped at width x height."""

        def mapped():
            for wid in self.xdotool("search", "--onlyvisible", "--name", "Trivello").split():
                if f"Geometry: {width}x{height}" in self.xdotool("getwindowgeometry", wid):
                    return wid

        try:
            return self.wait_until(f"a {width}x{height} Trivello window", mapped, timeout)
        except Failure as e:
            raise Failure(f"{e}; on screen: {self.windows_shown()}")

    def _top_level(self):
        """xwininfo's listing of the top-level windows, and its lines of them."""
        listing = subprocess.run(["xwininfo", "-root", "-children"], env=self.env, capture_output=True, text=True)
        return listing, [line.strip() for line in listing.stdout.splitlines() if line.strip().startswith("0x")]

    def windows_shown(self):
        """The top-level windows' names and geometries, for a failure message."""
        listing, lines = self._top_level()
        xvfb = "running" if self.xvfb.poll() is None else f"ended with {self.xvfb.returncode}"
        return f"[{'; '.join(lines)}] (xwininfo: {listing.stderr.strip() or 'ok'}; Xvfb {xvfb})"

    def viewable(self, wid):
        """Whether the window exists and is on screen."""
        info = subprocess.run(["xwininfo", "-id", wid], env=self.env, capture_output=True, text=True).stdout
        return "IsViewable" in info

    def wait_message_box(self, title, timeout=20):
        """The id of the message box titled `title` once it is on screen. The
        box runs its own loop: while it is up the game draws nothing and
        reads no input. SDL names its message boxes in UTF-8 only, which
        `xdotool search` does not read, so the windows are listed with
        xwininfo and named by xdotool."""

        def shown():
            ids = [line.split()[0] for line in self._top_level()[1]]
            return next((w for w in ids if self.xdotool("getwindowname", w).rstrip("\n") == title and self.viewable(w)),
                        None)

        return self.wait_until(f"the message box \"{title}\" (SDL draws it with the X core fonts of xfonts-base)",
                               shown, timeout)

    def dismiss_message_box(self, box, timeout=20):
        """Closes the box as a player does: the box takes the keyboard, and
        Return presses its button. Returns once the box has gone."""
        self.xdotool("windowfocus", "--sync", box)
        self.xdotool("key", "Return")
        self.wait_until("the message box to go after Return", lambda: not self.viewable(box), timeout)

    def click(self, x, y, hold=0.25):
        """A person's click: the button stays down for a few frames."""
        self.xdotool("mousemove", "--window", self.window, x, y)
        time.sleep(0.05)
        self.xdotool("mousedown", 1)
        time.sleep(hold)
        self.xdotool("mouseup", 1)
        time.sleep(0.15)

    def move(self, x, y):
        self.xdotool("mousemove", "--window", self.window, x, y)
        time.sleep(0.1)

    def key(self, name, hold=0.12):
        self.xdotool("keydown", "--window", self.window, name)
        time.sleep(hold)
        self.xdotool("keyup", "--window", self.window, name)
        time.sleep(0.1)

    def instant_key(self, name):
        """A press and release sent together through XTest to the window that
        has the keyboard (on a server without a window manager: the one under
        the pointer), as remote desktops and on-screen keyboards send them."""
        self.xdotool("key", "--delay", "0", name)

    def _import(self, window, path):
        subprocess.run(["import", "-window", window, path], env=self.env, check=True, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL)
        return Image.open(path).convert("RGB")

    def _kept(self, name):
        """The path of the next picture kept for a look: <out>/<nn>-<name>.png."""
        self.shots += 1
        return os.path.join(self.out_dir, f"{self.shots:02d}-{re.sub(r'[^A-Za-z0-9]+', '-', name).strip('-')}.png")

    def screenshot(self, name, window=None):
        """The window's pixels (with window "root" the whole screen's), also
        kept as <out>/<nn>-<name>.png."""
        return self._import(window or self.window, self._kept(name))

    def grab(self):
        """The window's pixels now, not kept."""
        return self._import(self.window, os.path.join(self.tmp, "grab.png"))

    def close(self):
        if self.game and self.game.poll() is None:
            self.game.kill()
            self.game.wait()
        for cleanup in self.cleanups:
            cleanup()
        if self.xvfb:
            self.xvfb.terminate()
            self.xvfb.wait()
        shutil.rmtree(self.tmp, ignore_errors=True)


# ---- pixels ---------------------------------------------------------------------
def near(a, b, tolerance):
    return all(abs(x - y) <= tolerance for x, y in zip(a, b))


def bright_pixels(img, box, level=200):
    """How many pixels of the box are bright in every channel (white text)."""
    return sum(1 for p in img.crop(box).getdata() if min(p) >= level)


def lit_pixels(img, box):
    """How many pixels of the box have the orange of a lit button."""
    return sum(1 for r, g, b in img.crop(box).getdata() if r >= 200 and r - b >= 80)


def crop_differs(img1, img2, box, min_pixels=20, tolerance=40):
    """Whether the two pictures differ in at least min_pixels of the box."""
    pairs = zip(img1.crop(box).getdata(), img2.crop(box).getdata())
    return sum(1 for p, q in pairs if not near(p, q, tolerance)) >= min_pixels


def matches_picture(shot, picture_path, at, box, tolerance=48, share=0.9):
    """Whether the screenshot shows the picture's box (in picture pixels) at
    screen position `at`: the share of pixels within tolerance."""
    pic = Image.open(picture_path).convert("RGB").crop(box)
    region = shot.crop((at[0], at[1], at[0] + pic.width, at[1] + pic.height))
    good = sum(1 for p, q in zip(pic.getdata(), region.getdata()) if near(p, q, tolerance))
    return good >= share * pic.width * pic.height


def run(name, body, app_dir=None, out_dir=None):
    """Runs body(session) on a new session of APP_DIR OUT_DIR (by default
    sys.argv[1:3]; an empty app_dir makes a session without a copy), prints
    the closing line CTest reads and exits with the status that says the same."""
    s = Session(app_dir if app_dir is not None else sys.argv[1], out_dir or sys.argv[2])
    try:
        body(s)
        print(f"e2e {name}: 1 passed, 0 failed")
    except Failure as e:
        print(f"e2e {name} failed: {e}")
        print(f"e2e {name}: 0 passed, 1 failed")
        sys.exit(1)
    finally:
        s.close()
