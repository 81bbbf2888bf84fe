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


def installed(component, prefix):
    """The files the component installs under prefix, relative to it."""
    subprocess.run(["cmake", "--install", BUILD, "--component", component, "--prefix", prefix],
                   check=True, capture_output=True)
    return {os.path.relpath(os.path.join(root, f), prefix) for root, _, files in os.walk(prefix) for f in files}


def service(path):
    parser = configparser.ConfigParser(interpolation=None, strict=False)
    parser.read(path)
    return parser["Service"]


class Components(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.tmp = tempfile.mkdtemp(prefix="trivello-packaging-")
        cls.addClassCleanup(shutil.rmtree, cls.tmp, ignore_errors=True)
        cls.files = {c: installed(c, os.path.join(cls.tmp, c)) for c in PACKAGES}

    def test_each_package_has_its_programs_manual_pages_copyright_and_changelog(self):
        for component, package in PACKAGES.items():
            files = self.files[component]
            programs = [os.path.basename(f) for f in files if f.split("/")[0] in ("bin", "games")]
            self.assertTrue(programs, component)
            for name in programs:
                pages = [f for f in files if re.fullmatch(rf"share/man/man\d/{re.escape(name)}\.\d\.gz", f)]
                self.assertEqual(len(pages), 1, f"manual pages of {name} in {package}: {pages}")
            for doc in ("copyright", "changelog.gz"):
                self.assertIn(f"share/doc/{package}/{doc}", files)

    def test_no_file_is_in_both_packages_and_the_unit_starts_its_own_packages_program(self):
        self.assertEqual(self.files["game"] & self.files["scores"], set())
        unit = os.path.join(self.tmp, "scores", "lib", "systemd", "system", "trivello-scores.service")
        program = service(unit)["execstart"].split()[0]
        self.assertIn("bin/" + os.path.basename(program), self.files["scores"])


class UnitAndManualPages(unittest.TestCase):
    def test_the_database_lies_in_the_state_folder_and_resources_are_bounded(self):
        # Under ProtectSystem=strict the state folder is the only place the
        # service may write, and a dynamic user has no home folder for the
        # server's own default.
        s = service(os.path.join(SOURCE, "packaging", "trivello-scores.service"))
        words = shlex.split(s["execstart"])
        self.assertIn("--db", words)
        self.assertEqual(os.path.dirname(words[words.index("--db") + 1]), "/var/lib/" + s["statedirectory"])
        self.assertEqual(s["protectsystem"], "strict")
        for key in ("MemoryMax", "TasksMax", "LimitNOFILE"):
            self.assertRegex(s.get(key.lower(), ""), r"^\d+[KMG]?$", key)

    def test_the_server_manual_lists_the_options_the_server_takes(self):
        usage = subprocess.run([SCORES, "--no-such-option"], capture_output=True, text=True)
        self.assertEqual(usage.returncode, 2)
        taken = sorted(set(re.findall(r"\[--([a-z][a-z-]*)", usage.stderr)))
        self.assertTrue(taken, usage.stderr)
        text = open(os.path.join(SOURCE, "packaging", "trivello-scores.1"), encoding="utf-8").read()
        section = text.split(".SH OPTIONS", 1)[1].split("\n.SH ", 1)[0]  # the entries of the OPTIONS section
        listed = re.findall(r"^\.BI? \\-\\-([a-z][a-z\\-]*)", section, re.M)
        self.assertEqual(sorted(o.replace("\\-", "-") for o in listed), taken)

    @unittest.skipUnless(shutil.which("man"), "man-db is not installed")
    def test_pages_format_without_warnings(self):
        for page in ["trivello.6", "trivello-scores.1"]:
            result = subprocess.run(["man", "--warnings", "-E", "UTF-8", "-l", "-Tutf8", "-Z",
                                     os.path.join(SOURCE, "packaging", page)],
                                    capture_output=True, text=True, env=dict(os.environ, LC_ALL="C.UTF-8"))
            self.assertEqual((result.returncode, result.stderr), (0, ""), page)


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1], verbosity=2)
