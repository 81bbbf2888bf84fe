"""Drives the real trivello binary as a person would: a private X server
(Xvfb), a copy of the application folder, xdotool for the mouse and the
keyboard, ImageMagick's import for screenshots.

Every session starts its own Xvfb on a free display and stops it, and the
game, when the session ends. Screenshots are kept in the output folder so a
failure can be looked at.
"""
import os
import shutil
import subprocess
import tempfile
import time

from PIL import Image


class Failure(Exception):
    pass


def check(condition, message):
    if not condition:
        raise Failure(message)


class Session:
    """A game on its own X server. By default it runs from a fresh copy of
    app_dir; with app_dir None the caller sets `command` (and may add to
    `game_env`) before start(), e.g. to run an installed copy."""

    def __init__(self, app_dir, out_dir, screen="1024x768x24"):
        self.out_dir = os.path.abspath(out_dir)
        os.makedirs(out_dir, exist_ok=True)
        self.tmp = tempfile.mkdtemp(prefix="trivello-e2e-")
        self.app = self.res = None
        self.command = None
        if app_dir:
            self.app = os.path.join(self.tmp, "Trivello")
            shutil.copytree(app_dir, self.app, symlinks=False)
            self.res = os.path.join(self.app, "Contents", "Resources")
            prefs = os.path.join(self.res, "prefs")
            if os.path.exists(prefs):
                os.remove(prefs)
            # Nor the player's own questions, which the game would play
            # instead of the test's.
            shutil.rmtree(os.path.join(self.res, "questions"), ignore_errors=True)
            self.command = [os.path.join(self.app, "trivello")]
        self.game_env = {}
        self.xvfb = None
        self.game = None
        self.window = None
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
        self.xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(write_end), "-screen", "0", screen, "-nolisten", "tcp",
                                      "-noreset"],
                                     pass_fds=(write_end,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write_end)
        number = b""
        deadline = time.time() + 10
        while not number.endswith(b"\n") and time.time() < deadline:
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

    def prefs(self):
        path = os.path.join(self.res, "prefs")
        return open(path, "rb").read() if os.path.exists(path) else None

    def start(self):
        self.game = subprocess.Popen(self.command, env=dict(self.env, **self.game_env),
                                     stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
        self.window = self.wait_window(400, 300)

    # ---- the window -------------------------------------------------------------
    def xdotool(self, *args):
        return subprocess.run(["xdotool", *map(str, args)], env=self.env, capture_output=True, text=True).stdout

    def wait_window(self, width, height, timeout=30):
        """The id of the game's window once it is mapped at width x height."""
        deadline = time.time() + timeout
        while time.time() < deadline:
            for wid in self.xdotool("search", "--onlyvisible", "--name", "Trivello").split():
                geometry = self.xdotool("getwindowgeometry", wid)
                if f"Geometry: {width}x{height}" in geometry:
                    return wid
            check(self.game.poll() is None, f"the game ended (status {self.game.returncode})")
            time.sleep(0.1)
        raise Failure(f"no {width}x{height} Trivello window within {timeout} s; on screen: {self.windows_shown()}")

    def windows_shown(self):
        """The top-level windows' names and geometries, for a failure message."""
        listing = subprocess.run(["xwininfo", "-root", "-children"], env=self.env, capture_output=True, text=True)
        shown = "; ".join(line.strip() for line in listing.stdout.splitlines() if line.strip().startswith("0x"))
        xvfb = "running" if self.xvfb.poll() is None else f"ended with {self.xvfb.returncode}"
        return f"[{shown}] (xwininfo: {listing.stderr.strip() or 'ok'}; Xvfb {xvfb})"

    def top_windows(self, name):
        """The ids of the mapped top-level windows called `name`. SDL names
        its message boxes in UTF-8 only, which `xdotool search` does not
        read, so the windows are listed with xwininfo and named by xdotool."""
        listing = subprocess.run(["xwininfo", "-root", "-children"], env=self.env, capture_output=True,
                                 text=True).stdout
        ids = [line.split()[0] for line in listing.splitlines() if line.strip().startswith("0x")]
        return [wid for wid in ids if self.xdotool("getwindowname", wid).rstrip("\n") == name and self.viewable(wid)]

    def viewable(self, wid):
        """Whether the window exists and is on screen."""
        info = subprocess.run(["xwininfo", "-id", wid], env=self.env, capture_output=True, text=True).stdout
        return "IsViewable" in info

    def wait_message_box(self, title, timeout=20):
        """The id of the message box titled `title` once it is on screen. The
        box runs its own loop: while it is up the game draws nothing and
        reads no input."""
        deadline = time.time() + timeout
        while time.time() < deadline:
            found = self.top_windows(title)
            if found:
                return found[0]
            check(self.game.poll() is None, f"the game ended while waiting for the box \"{title}\"")
            time.sleep(0.1)
        raise Failure(f"no message box \"{title}\" within {timeout} s (SDL draws it with the X core fonts "
                      "of xfonts-base)")

    def dismiss_message_box(self, box, timeout=20):
        """Closes the box as a player does: the box takes the keyboard, and
        Return presses its button. Returns once the box has gone."""
        self.xdotool("windowfocus", "--sync", box)
        self.xdotool("key", "Return")
        deadline = time.time() + timeout
        while self.viewable(box):
            check(time.time() < deadline, "the message box is still up after Return")
            time.sleep(0.1)

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

    def type_text(self, text):
        self.xdotool("type", "--window", self.window, "--delay", "120", text)

    def screenshot(self, name):
        """The window's pixels, also saved as <out>/<nn>-<name>.png."""
        self.shots += 1
        path = os.path.join(self.out_dir, f"{self.shots:02d}-{name}.png")
        subprocess.run(["import", "-window", self.window, path], env=self.env, check=True,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        return Image.open(path).convert("RGB")

    def grab(self):
        """The window's pixels now, not kept."""
        path = os.path.join(self.tmp, "grab.png")
        subprocess.run(["import", "-window", self.window, path], env=self.env, check=True,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        return Image.open(path).convert("RGB")

    def wait_for(self, what, predicate, timeout=20):
        """Waits until the window shows what predicate(picture) accepts, so a
        slow machine does not make the test click too early; returns that picture."""
        deadline = time.time() + timeout
        while time.time() < deadline:
            img = self.grab()
            if predicate(img):
                return img
            check(self.game.poll() is None, f"the game ended while waiting for {what}")
            time.sleep(0.1)
        raise Failure(f"{what} did not show within {timeout} s")

    def wait_exit(self, timeout):
        try:
            return self.game.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            return None

    def close(self):
        if self.game and self.game.poll() is None:
            self.game.kill()
            self.game.wait()
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


def crop_differs(img1, img2, box, min_pixels=20, tolerance=40):
    """Whether the two pictures differ in at least min_pixels of the box."""
    a, b = img1.crop(box), img2.crop(box)
    count = 0
    for p, q in zip(a.getdata(), b.getdata()):
        if not near(p, q, tolerance):
            count += 1
    return count >= min_pixels


def matches_picture(shot, picture_path, at, box, tolerance=48, share=0.9):
    """Whether the screenshot shows the picture's box (in picture pixels) at
    screen position `at`: the share of pixels within tolerance."""
    pic = Image.open(picture_path).convert("RGB").crop(box)
    x, y = at
    region = shot.crop((x, y, x + pic.width, y + pic.height))
    good = sum(1 for p, q in zip(pic.getdata(), region.getdata()) if near(p, q, tolerance))
    return good >= share * pic.width * pic.height


# ---- input as other programs send it, and the whole screen ---------------------
def write_prefs(s, windowed):
    """A prefs file with everything as new but the window mode (bytes 8-11)."""
    s.write_resource("prefs", bytes(8) + bytes([0, 0, 0, 1 if windowed else 0]) + bytes(68))


def instant_key(s, name):
    """A press and release sent together through XTest to the window that has
    the keyboard (on a server without a window manager: the one under the
    pointer), as remote desktops and on-screen keyboards send them."""
    s.xdotool("key", "--delay", "0", name)


def screen_shot(s, name):
    """The whole screen's pixels, also saved as <out>/<nn>-<name>.png."""
    s.shots += 1
    path = os.path.join(s.out_dir, f"{s.shots:02d}-{name}.png")
    subprocess.run(["import", "-window", "root", path], env=s.env, check=True,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    return Image.open(path).convert("RGB")


def lit_pixels(img, box):
    """How many pixels of the box have the orange of a lit button."""
    return sum(1 for r, g, b in img.crop(box).getdata() if r >= 200 and r - b >= 80)


def run(name, body, app_dir=None, out_dir=None):
    """Runs body(session) on a new session of APP_DIR OUT_DIR (by default
    sys.argv[1:3]; an empty app_dir makes a session without a copy) and prints
    the closing line CTest reads; the exit status says the same."""
    import sys
    s = Session(app_dir if app_dir is not None else sys.argv[1], out_dir or sys.argv[2])
    try:
        body(s)
        print(f"e2e {name}: 1 passed, 0 failed")
        return 0
    except Failure as e:
        print(f"e2e {name} failed: {e}")
        print(f"e2e {name}: 0 passed, 1 failed")
        return 1
    finally:
        s.close()
