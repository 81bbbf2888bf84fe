#!/usr/bin/python3
"""End-to-end test of an installed Trivello: `cmake --install` into a
temporary prefix, then the installed game, started as its desktop entry says,
by a player who cannot write the installed files (the user `nobody` when the
test runs as root, else the same user with the tree made read-only). The
settings must go to and come back from the player's config folder, and a
screenshot to the data folder; nothing may be written into the install.

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
from driver import check, run, matches_picture  # noqa: E402

APP_ID = "org.trivello.Trivello"
NOBODY = 65534
WINDOWED = bytes([0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1]) + bytes(68)


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

    # First run: Italian, show the correct answer, OK, Quit.
    s.start()
    res = os.path.join(prefix, "lib", "trivello", "Trivello", "Contents", "Resources")
    # The first frame can take a while when the program is cold.
    for _ in range(10):
        time.sleep(0.5)
        drawn = matches_picture(s.screenshot("launcher"), os.path.join(res, "gfx", "launcher.png"), (0, 0),
                                (0, 0, 400, 120))
        if drawn:
            break
    check(drawn, "the installed launcher does not show its artwork")
    s.click(163, 243)  # Italiano
    s.click(199, 282)  # Start
    s.window = s.wait_window(800, 600)
    time.sleep(1.0)
    s.screenshot("title")
    s.click(393, 374)  # Options
    time.sleep(0.3)
    s.click(185, 325)  # show the correct answer
    time.sleep(0.2)
    s.click(400, 453)  # OK
    time.sleep(0.3)
    prefs = open(prefs_path, "rb").read()
    check(len(prefs) == 80, f"prefs in the config folder is {len(prefs)} bytes")
    check(prefs[16:18] == bytes([0, 1]) and prefs[24:28] == bytes([0, 0, 0, 1]),
          f"the config folder's prefs lacks the choices: {prefs[:28].hex()}")
    s.click(393, 512, hold=0.05)  # Quit
    check(s.wait_exit(5) == 0, "the first run did not end cleanly")

    # Second run: straight to the title; the choices come back from the config
    # folder and are written again when the launcher closes. A screenshot
    # goes to the data folder.
    s.start()
    time.sleep(0.5)
    s.click(199, 282)  # Start
    s.window = s.wait_window(800, 600)
    time.sleep(0.8)
    # The keys stay down until the picture is there: a busy machine may draw
    # a frame only now and then, and a quick press could fall between two.
    shots_dir = os.path.join(home, "data", "trivello")
    s.xdotool("keydown", "--window", s.window, "Shift_L")
    s.xdotool("keydown", "--window", s.window, "F12")
    deadline = time.time() + 10
    while time.time() < deadline and not os.listdir(shots_dir):
        time.sleep(0.1)
    s.xdotool("keyup", "--window", s.window, "F12")
    s.xdotool("keyup", "--window", s.window, "Shift_L")
    time.sleep(0.3)
    s.key("Escape")
    check(s.wait_exit(5) == 0, "the second run did not end cleanly")
    prefs = open(prefs_path, "rb").read()
    check(prefs[16:18] == bytes([0, 1]) and prefs[24:28] == bytes([0, 0, 0, 1]) and prefs[8:12] == bytes([0, 0, 0, 1]),
          f"the settings did not survive a second run: {prefs[:28].hex()}")
    shots = os.listdir(shots_dir)
    check(shots == ["screenshot1.tga"], f"the data folder holds {shots}")
    check(files_under(prefix) == installed, "the game wrote into the installed files")


if __name__ == "__main__":
    sys.exit(run("install", main, app_dir="", out_dir=sys.argv[2]))
