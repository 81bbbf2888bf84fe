#!/usr/bin/python3
"""Rules the two installable parts keep, checked on what `cmake --install`
lays out for each component: every program has its manual page beside it,
each package has its copyright, no file is in both; the server's manual page
lists exactly the options the server takes; the service keeps its database
where it may write.

Usage: packaging_test.py BUILD_DIR SOURCE_DIR TRIVELLO_SCORES_BINARY
"""
import configparser
import os
import re
import shlex
import shutil
import subprocess
import sys
import tempfile
import unittest

BUILD, SOURCE, SCORES = (os.path.abspath(p) for p in sys.argv[1:4])
# The install components and the Debian packages CPack makes of them.
PACKAGES = {"game": "trivello", "scores": "trivello-scores"}
MAN_PAGES = ["trivello.6", "trivello-scores.1"]


def installed(component, prefix):
    """The files the component installs under prefix, relative to it."""
    subprocess.run(["cmake", "--install", BUILD, "--component", component, "--prefix", prefix],
                   check=True, capture_output=True)
    return {os.path.relpath(os.path.join(root, f), prefix) for root, _, files in os.walk(prefix) for f in files}


class Components(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.tmp = tempfile.mkdtemp(prefix="trivello-packaging-")
        cls.files = {c: installed(c, os.path.join(cls.tmp, c)) for c in PACKAGES}

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.tmp, ignore_errors=True)

    def test_every_program_has_its_manual_page_in_the_same_package(self):
        for component, files in self.files.items():
            programs = [f for f in files if f.split("/")[0] in ("bin", "games")]
            self.assertTrue(programs, component)
            for program in programs:
                name = os.path.basename(program)
                with self.subTest(component=component, program=name):
                    pages = [f for f in files if re.fullmatch(rf"share/man/man\d/{re.escape(name)}\.\d\.gz", f)]
                    self.assertEqual(len(pages), 1, f"manual pages of {name}: {pages}")

    def test_each_package_has_its_copyright_and_changelog(self):
        for component, package in PACKAGES.items():
            for doc in ("copyright", "changelog.gz"):
                with self.subTest(package=package, doc=doc):
                    self.assertIn(f"share/doc/{package}/{doc}", self.files[component])

    def test_no_file_is_in_both_packages(self):
        self.assertEqual(self.files["game"] & self.files["scores"], set())

    def test_the_unit_starts_the_program_of_its_own_package(self):
        unit = os.path.join(self.tmp, "scores", "lib", "systemd", "system", "trivello-scores.service")
        program = service(unit)["execstart"].split()[0]
        self.assertIn("bin/" + os.path.basename(program), self.files["scores"])
        self.assertNotIn("lib/systemd/system/trivello-scores.service", self.files["game"])


def service(path):
    parser = configparser.ConfigParser(interpolation=None, strict=False)
    parser.read(path)
    return parser["Service"]


class ScoresService(unittest.TestCase):
    def test_the_database_lies_in_the_state_folder(self):
        # Under ProtectSystem=strict the state folder is the only place the
        # service may write, and a dynamic user has no home folder for the
        # server's own default.
        s = service(os.path.join(SOURCE, "packaging", "trivello-scores.service"))
        words = shlex.split(s["execstart"])
        self.assertIn("--db", words)
        db = words[words.index("--db") + 1]
        self.assertEqual(os.path.dirname(db), "/var/lib/" + s["statedirectory"])
        self.assertEqual(s["protectsystem"], "strict")

    def test_resources_are_bounded(self):
        s = service(os.path.join(SOURCE, "packaging", "trivello-scores.service"))
        for key in ("MemoryMax", "TasksMax", "LimitNOFILE"):
            with self.subTest(key=key):
                self.assertRegex(s.get(key.lower(), ""), r"^\d+[KMG]?$")


def manual_options(page):
    """The long options the manual page's OPTIONS section has entries for."""
    text = open(os.path.join(SOURCE, "packaging", page), encoding="utf-8").read()
    section = text.split(".SH OPTIONS", 1)[1].split("\n.SH ", 1)[0]
    return sorted(re.findall(r"^\.BI? \\-\\-([a-z][a-z\\-]*)", section, re.M))


class ManualPages(unittest.TestCase):
    def test_the_server_manual_lists_the_options_the_server_takes(self):
        usage = subprocess.run([SCORES, "--no-such-option"], capture_output=True, text=True)
        self.assertEqual(usage.returncode, 2)
        taken = sorted(set(re.findall(r"\[--([a-z][a-z-]*)", usage.stderr)))
        self.assertTrue(taken, usage.stderr)
        self.assertEqual([o.replace("\\-", "-") for o in manual_options("trivello-scores.1")], taken)

    @unittest.skipUnless(shutil.which("man"), "man-db is not installed")
    def test_pages_format_without_warnings(self):
        for page in MAN_PAGES:
            with self.subTest(page=page):
                result = subprocess.run(["man", "--warnings", "-E", "UTF-8", "-l", "-Tutf8", "-Z",
                                         os.path.join(SOURCE, "packaging", page)],
                                        capture_output=True, text=True, env=dict(os.environ, LC_ALL="C.UTF-8"))
                self.assertEqual(result.returncode, 0)
                self.assertEqual(result.stderr, "")


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1], verbosity=2)
