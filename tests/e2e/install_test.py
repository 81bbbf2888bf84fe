#!/usr/bin/python3
"""End-to-end test of an installed Trivello: `cmake --install` into a
temporary prefix, then the installed game, started as its desktop entry says,
by a player who cannot write the installed files (the user `nobody` when the
test runs as root, else the same user with the tree made read-only). The
settings must go to and come back from the player's config folder, and a
screenshot to the data folder, whose "export ok" box the player closes with
its button before leaving with Escape; nothing may be written into the
install. Every step waits for the screen or the file it needs, never for a
fixed time.

Usage: install_test.py BUILD_DIR OUT_DIR
       install_test.py PACKAGE.deb OUT_DIR   (the package unpacked instead)
"""
import configparser
import os
import shlex
import stat
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from driver import check, run, crop_differs, matches_picture  # noqa: E402

APP_ID = "org.trivello.Trivello"
NOBODY = 65534
WINDOWED = bytes([0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1]) + bytes(68)
EXPORT_OK = "export ok"  # the box the screenshot key opens
EXIT_TIMEOUT = 20
# Boxes of the screens, in window pixels: the launcher's English tick, and
# the options screen's show-correct tick.
ENGLISH_TICK = (26, 225, 50, 249)
SHOW_CORRECT_TICK = (165, 309, 202, 346)


def install(source, prefix):
    """Installs from a build folder with cmake --install, or unpacks a .deb
    (whose /usr becomes the prefix, its launcher found in games/)."""
    if source.endswith(".deb"):
        root = os.path.join(os.path.dirname(prefix), "deb-root")
        result = subprocess.run(["dpkg-deb", "-x", source, root], capture_output=True, text=True)
        check(result.returncode == 0, f"dpkg-deb -x failed: {result.stderr.strip()}")
        os.rename(os.path.join(root, "usr"), prefix)
        launcher = "games/trivello"
    else:
        result = subprocess.run(["cmake", "--install", source, "--prefix", prefix], capture_output=True, text=True)
        check(result.returncode == 0, f"cmake --install failed: {result.stderr.strip()}")
        launcher = "bin/trivello"
    for path in [launcher, "lib/trivello/Trivello/trivello", "lib/trivello/Trivello/Contents/Resources/gfx/back.jpg",
                 f"share/applications/{APP_ID}.desktop", f"share/metainfo/{APP_ID}.metainfo.xml",
                 f"share/icons/hicolor/48x48/apps/{APP_ID}.png", "share/man/man6/trivello.6.gz",
                 "share/doc/trivello/copyright", os.path.join(os.path.dirname(launcher), "trivello-questions"),
                 "share/man/man6/trivello-questions.6.gz"]:
        check(os.path.exists(os.path.join(prefix, path)), f"{path} is not installed")
    return os.path.dirname(launcher)


def desktop_command(prefix, bin_dir):
    """The installed desktop entry's command line, its program found in the
    prefix's launcher folder as the menu would find it on PATH."""
    entry = configparser.ConfigParser(interpolation=None)
    entry.read(os.path.join(prefix, "share", "applications", APP_ID + ".desktop"))
    words = shlex.split(entry["Desktop Entry"]["Exec"])
    check(words[0] == "trivello", f"the desktop entry starts {words[0]}")
    return [os.path.join(prefix, bin_dir, words[0])] + words[1:]


def as_player(s, prefix, home):
    """Runs the game as someone who cannot write the installed files."""
    for folder in (s.tmp, prefix):
        os.chmod(folder, 0o755)
    if os.getuid() == 0:
        os.makedirs(home)
        os.chown(home, NOBODY, NOBODY)
        s.command = ["setpriv", f"--reuid={NOBODY}", f"--regid={NOBODY}", "--clear-groups", "--"] + s.command
    else:
        os.makedirs(home)
        for root, dirs, files in os.walk(prefix):
            for name in dirs + files:
                path = os.path.join(root, name)
                if not os.path.islink(path):
                    os.chmod(path, os.stat(path).st_mode & ~(stat.S_IWUSR | stat.S_IWGRP | stat.S_IWOTH))
    os.chdir(s.tmp)  # the game starts where the player may be, wherever the build folder is
    s.game_env = {"HOME": home, "XDG_CONFIG_HOME": os.path.join(home, "config"),
                  "XDG_DATA_HOME": os.path.join(home, "data")}


def files_under(folder):
    return sorted(os.path.relpath(os.path.join(r, f), folder) for r, _, fs in os.walk(folder) for f in fs)


def wait_until(what, condition, timeout=20):
    """Waits until condition() holds; a file being written may not be whole yet."""
    deadline = time.time() + timeout
    while True:
        try:
            if condition():
                return
        except OSError:
            pass
        check(time.time() < deadline, f"no {what} within {timeout} s")
        time.sleep(0.1)


def main(s):
    try:
        play_installed(s)
    finally:
        if os.getuid() != 0:  # give the tree back its write bits so it can be removed
            for root, dirs, _ in os.walk(os.path.join(s.tmp, "prefix")):
                for name in dirs:
                    os.chmod(os.path.join(root, name), 0o755)


def play_installed(s):
    source = sys.argv[1]
    prefix = os.path.join(s.tmp, "prefix")
    home = os.path.join(s.tmp, "home")
    bin_dir = install(source, prefix)
    installed = files_under(prefix)
    # The question tool, started through its link, finds the game's own
    # files and their pictures.
    data = os.path.join(prefix, "lib", "trivello", "Trivello", "Contents", "Resources", "data", "eng.ini")
    result = subprocess.run([os.path.join(prefix, bin_dir, "trivello-questions"), "check", data],
                            capture_output=True, text=True)
    check(result.returncode == 0, f"trivello-questions check of the installed questions: {result.stdout[-300:]}")
    s.command = desktop_command(prefix, bin_dir)
    as_player(s, prefix, home)
    prefs_path = os.path.join(home, "config", "trivello", "prefs")
    # A windowed start is read from the config folder, or the game window
    # would open full screen and never be found at 800x600.
    if os.getuid() == 0:
        os.makedirs(os.path.dirname(prefs_path))
        for folder in (os.path.join(home, "config"), os.path.dirname(prefs_path)):
            os.chown(folder, NOBODY, NOBODY)
    else:
        os.makedirs(os.path.dirname(prefs_path))
    with open(prefs_path, "wb") as f:
        f.write(WINDOWED)
    if os.getuid() == 0:
        os.chown(prefs_path, NOBODY, NOBODY)

    res = os.path.join(prefix, "lib", "trivello", "Trivello", "Contents", "Resources")

    def shows(picture, at, box, share=0.9):
        return lambda img: matches_picture(img, os.path.join(res, "gfx", picture), at, box, share=share)

    def launcher():
        s.start()
        # The first frame can take a while when the program is cold.
        return s.wait_for("the installed launcher's artwork", shows("launcher.png", (0, 0), (0, 0, 400, 120)))

    def title():
        s.window = s.wait_window(800, 600)
        return s.wait_for("the title", shows("back.jpg", (560, 150), (560, 150, 800, 400), share=0.8))

    def read_prefs():
        return open(prefs_path, "rb").read()

    def chosen(prefs):
        """Italian, and the correct answer shown."""
        return len(prefs) == 80 and prefs[16:18] == bytes([0, 1]) and prefs[24:28] == bytes([0, 0, 0, 1])

    # First run: Italian, show the correct answer, OK, Quit. Each click waits
    # for the screen it acts on, and for what it changes.
    before = launcher()
    s.click(163, 243)  # Italiano
    s.wait_for("the English tick to go", lambda img: crop_differs(before, img, ENGLISH_TICK, 10))
    s.click(199, 282)  # Start
    title()
    s.screenshot("title")
    s.click(393, 374)  # Options
    # The options panel's top, which no hover on the title can draw.
    options = s.wait_for("the options panel", shows("back.jpg", (143, 154), (275, 638, 780, 700), share=0.8))
    s.click(185, 325)  # show the correct answer
    s.wait_for("the show-correct tick", lambda img: crop_differs(options, img, SHOW_CORRECT_TICK))
    s.click(400, 453)  # OK
    wait_until("the choices in the config folder's prefs", lambda: chosen(read_prefs()))
    title()
    s.click(393, 512)  # Quit
    check(s.wait_exit(EXIT_TIMEOUT) == 0, "the first run did not end cleanly")

    # Second run: straight to the title; the choices come back from the config
    # folder and are written again when the launcher closes. A screenshot
    # goes to the data folder.
    launcher()
    s.click(199, 282)  # Start
    title()
    # The keys stay down until the game has written the picture and shows
    # "export ok": a busy machine may draw a frame only now and then, and a
    # quick press could fall between two.
    shots_dir = os.path.join(home, "data", "trivello")
    s.xdotool("keydown", "--window", s.window, "Shift_L")
    s.xdotool("keydown", "--window", s.window, "F12")
    box = s.wait_message_box(EXPORT_OK)
    s.xdotool("keyup", "--window", s.window, "F12")
    s.xdotool("keyup", "--window", s.window, "Shift_L")
    shots = [n for n in os.listdir(shots_dir) if n.startswith("screenshot")]
    check(shots == ["screenshot1.tga"], f"the data folder holds {shots} while the box is up")
    # The box holds the game until a player presses its button; then Escape
    # reaches the game again (it stays down until the game has ended).
    s.dismiss_message_box(box)
    s.xdotool("keydown", "--window", s.window, "Escape")
    status = s.wait_exit(EXIT_TIMEOUT)
    s.xdotool("keyup", "Escape")
    check(status == 0, f"the second run did not end cleanly (status {status})")
    prefs = read_prefs()
    check(chosen(prefs) and prefs[8:12] == bytes([0, 0, 0, 1]),
          f"the settings did not survive a second run: {prefs[:28].hex()}")
    shots = [n for n in os.listdir(shots_dir) if n.startswith("screenshot")]
    check(shots == ["screenshot1.tga"], f"the data folder holds {shots}")
    # The engine's diagnostics go to the log in the data folder: the box is there.
    with open(os.path.join(shots_dir, "trivello.log"), encoding="latin-1") as log:
        check("message box" in log.read(), "the screenshot's box is not in trivello.log")
    check(files_under(prefix) == installed, "the game wrote into the installed files")


if __name__ == "__main__":
    sys.exit(run("install", main, app_dir="", out_dir=sys.argv[2]))
