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
import subprocess
import sys

from driver import check, crop_differs, prefs_bytes, run

APP_ID = "org.trivello.Trivello"
NOBODY = 65534
EXIT_TIMEOUT = 20
ENGLISH_TICK = (26, 225, 50, 249)  # the launcher's, in window pixels
GAME = "lib/trivello/Trivello"


def install(source, prefix):
    """Installs from a build folder with cmake --install, or unpacks a .deb
    (whose /usr becomes the prefix, its launcher found in games/). Returns
    the launcher's folder."""
    deb = source.endswith(".deb")
    root = os.path.join(os.path.dirname(prefix), "deb-root")
    command = ["dpkg-deb", "-x", source, root] if deb else ["cmake", "--install", source, "--prefix", prefix]
    result = subprocess.run(command, capture_output=True, text=True)
    check(result.returncode == 0, f"{' '.join(command[:2])} failed: {result.stderr.strip()}")
    if deb:
        os.rename(os.path.join(root, "usr"), prefix)
    bin_dir = "games" if deb else "bin"
    for path in [f"{bin_dir}/trivello", f"{bin_dir}/trivello-questions", f"{GAME}/trivello",
                 f"{GAME}/Contents/Resources/gfx/back.jpg", f"share/applications/{APP_ID}.desktop",
                 f"share/metainfo/{APP_ID}.metainfo.xml", f"share/icons/hicolor/48x48/apps/{APP_ID}.png",
                 "share/doc/trivello/copyright", "share/man/man6/trivello.6.gz",
                 "share/man/man6/trivello-questions.6.gz"]:
        check(os.path.exists(os.path.join(prefix, path)), f"{path} is not installed")
    return bin_dir


def desktop_command(prefix, bin_dir):
    """The installed desktop entry's command line, its program found in the
    prefix's launcher folder as the menu would find it on PATH."""
    entry = configparser.ConfigParser(interpolation=None)
    entry.read(os.path.join(prefix, "share", "applications", APP_ID + ".desktop"))
    words = shlex.split(entry["Desktop Entry"]["Exec"])
    check(words[0] == "trivello", f"the desktop entry starts {words[0]}")
    return [os.path.join(prefix, bin_dir, words[0])] + words[1:]


def as_player(s, prefix, home, prefs_path):
    """Runs the game as someone who cannot write the installed files, whose
    config folder holds a windowed start (else the game window would open
    full screen and never be found at 800x600)."""
    os.chmod(s.tmp, 0o755)
    os.chmod(prefix, 0o755)
    os.makedirs(os.path.dirname(prefs_path))
    with open(prefs_path, "wb") as f:
        f.write(prefs_bytes())
    if os.getuid() == 0:
        subprocess.run(["chown", "-R", f"{NOBODY}:{NOBODY}", home], check=True)
        s.command = ["setpriv", f"--reuid={NOBODY}", f"--regid={NOBODY}", "--clear-groups", "--"] + s.command
    else:  # chmod leaves symbolic links as they are
        subprocess.run(["chmod", "-R", "a-w", prefix], check=True)
        s.cleanups.append(lambda: subprocess.run(["chmod", "-R", "u+w", prefix]))  # so that it can be removed
    os.chdir(s.tmp)  # the game starts where the player may be, wherever the build folder is
    s.game_env = {"HOME": home, "XDG_CONFIG_HOME": os.path.join(home, "config"),
                  "XDG_DATA_HOME": os.path.join(home, "data")}


def files_under(folder):
    return sorted(os.path.relpath(os.path.join(r, f), folder) for r, _, fs in os.walk(folder) for f in fs)


def main(s):
    prefix, home = os.path.join(s.tmp, "prefix"), os.path.join(s.tmp, "home")
    bin_dir = install(sys.argv[1], prefix)
    installed = files_under(prefix)
    # The question tool, started through its link, finds the game's own
    # files and their pictures.
    s.res = os.path.join(prefix, GAME, "Contents", "Resources")
    result = subprocess.run([os.path.join(prefix, bin_dir, "trivello-questions"), "check",
                             os.path.join(s.res, "data", "eng.ini")], capture_output=True, text=True)
    check(result.returncode == 0, f"trivello-questions check of the installed questions: {result.stdout[-300:]}")
    s.command = desktop_command(prefix, bin_dir)
    prefs_path = os.path.join(home, "config", "trivello", "prefs")
    as_player(s, prefix, home, prefs_path)

    def read_prefs():
        return open(prefs_path, "rb").read()

    def chosen(prefs):
        """Italian, and the correct answer shown."""
        return len(prefs) == 80 and prefs[16:18] == bytes([0, 1]) and prefs[24:28] == bytes([0, 0, 0, 1])

    # First run: Italian, show the correct answer, OK, Quit. Each click waits
    # for the screen it acts on, and for what it changes.
    before = s.launcher(share=0.9)
    s.click(163, 243)  # Italiano
    s.wait_for("the English tick to go", lambda img: crop_differs(before, img, ENGLISH_TICK, 10))
    s.enter_title()
    s.choose_show_correct()
    s.wait_until("the choices in the config folder's prefs", lambda: chosen(read_prefs()))
    s.wait_screen("the title")
    s.click(393, 512)  # Quit
    s.expect_exit("the first run", EXIT_TIMEOUT)

    # Second run: straight to the title; the choices come back from the config
    # folder and are written again when the launcher closes. A screenshot
    # goes to the data folder.
    s.launcher(share=0.9)
    s.enter_title()
    # The keys stay down until the game has written the picture and shows
    # "export ok": a busy machine may draw a frame only now and then, and a
    # quick press could fall between two.
    shots_dir = os.path.join(home, "data", "trivello")

    def screenshots():
        return [n for n in os.listdir(shots_dir) if n.startswith("screenshot")]

    s.xdotool("keydown", "--window", s.window, "Shift_L", "F12")
    box = s.wait_message_box("export ok")
    s.xdotool("keyup", "--window", s.window, "F12", "Shift_L")
    check(screenshots() == ["screenshot1.tga"], f"the data folder holds {screenshots()} while the box is up")
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
    check(screenshots() == ["screenshot1.tga"], f"the data folder holds {screenshots()}")
    # The engine's diagnostics go to the log in the data folder: the box is there.
    with open(os.path.join(shots_dir, "trivello.log"), encoding="latin-1") as log:
        check("message box" in log.read(), "the screenshot's box is not in trivello.log")
    check(files_under(prefix) == installed, "the game wrote into the installed files")


if __name__ == "__main__":
    run("install", main, app_dir="", out_dir=sys.argv[2])
