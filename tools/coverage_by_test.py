#!/usr/bin/env python3
"""Which lines and branches each test alone reaches, and which no other test
does.

usage: coverage_by_test.py [build-cov] [--tests REGEX] [--budget LINES BRANCHES]

Runs every CTest test of a coverage build (tools/coverage.sh makes one) on its
own, with its gcov counters written to a folder of its own (GCOV_PREFIX), reads
them with gcov's JSON output and prints, for each test, the product lines
(inc, srcs, game, server) and branches it reaches and how many of them no
other test reaches. Run it under xvfb-run where there is no display, as the
suite.

With --budget, it also lists the tests that could go together while losing at
most that many lines and branches which no remaining test reaches, most test
code saved per line or branch lost first. The list only says what the
counters say: a test that reaches nothing of its own may still be the one
that checks a value, so read each before deleting it.
"""
import argparse
import collections
import json
import os
import re
import shutil
import subprocess
import sys
import tempfile
from concurrent.futures import ProcessPoolExecutor

TOP = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
PRODUCT = re.compile(r"^" + re.escape(TOP) + r"/(inc|srcs|game|server)/")


def ctest_names(build, regex):
    args = ["ctest", "--test-dir", build, "-N"] + (["-R", regex] if regex else [])
    out = subprocess.run(args, capture_output=True, text=True, check=True).stdout
    return re.findall(r"Test +#\d+: (\S+)", out)


def run_alone(build, name, counters):
    env = dict(os.environ, GCOV_PREFIX=counters, GCOV_PREFIX_STRIP="0")
    env.setdefault("SDL_AUDIODRIVER", "dummy")
    env.setdefault("LIBGL_ALWAYS_SOFTWARE", "1")
    args = ["ctest", "--test-dir", build, "-R", "^" + re.escape(name) + "$"]
    return subprocess.run(args, env=env, capture_output=True).returncode == 0


def reached(counters):
    """The product lines and branches a folder of counters shows as run."""
    lines, branches = set(), set()
    for folder, _, files in os.walk(counters):
        for f in files:
            if not f.endswith(".gcda"):
                continue
            gcda = os.path.join(folder, f)
            notes = gcda[len(counters):-5] + ".gcno"  # beside the object the build made
            if os.path.exists(notes):
                shutil.copyfile(notes, gcda[:-5] + ".gcno")
            out = subprocess.run(["gcov", "--json-format", "--stdout", "-b", gcda], capture_output=True,
                                 text=True, cwd=counters).stdout
            for doc in out.splitlines():
                if not doc.startswith("{"):
                    continue
                for source in json.loads(doc)["files"]:
                    if not PRODUCT.match(source["file"]):
                        continue
                    path = source["file"][len(TOP) + 1:]
                    for line in source["lines"]:
                        if line["count"] > 0:
                            lines.add((path, line["line_number"]))
                        for k, b in enumerate(line.get("branches", [])):
                            if b["count"] > 0:
                                branches.add((path, line["line_number"], k))
    return lines, branches


def test_sizes():
    """Code lines of each GoogleTest test body, by Suite.Name."""
    sizes = {}
    folder = os.path.join(TOP, "tests")
    for f in sorted(os.listdir(folder)):
        if not f.endswith(".cpp"):
            continue
        text = open(os.path.join(folder, f)).read().split("\n")
        for i, line in enumerate(text):
            m = re.match(r"^TEST(?:_F|_P)?\((\w+),\s*(\w+)\)", line)
            if m:
                end = next((j for j in range(i, len(text)) if text[j] == "}"), len(text) - 1)
                body = [t for t in text[i:end + 1] if t.strip() and not t.strip().startswith("//")]
                sizes[m.group(1) + "." + m.group(2)] = len(body)
    return sizes


def could_go(reach, sizes, line_budget, branch_budget):
    """Tests whose removal together loses at most the budgets, greedily."""
    lines, branches = collections.Counter(), collections.Counter()
    for l, b in reach.values():
        lines.update(l)
        branches.update(b)
    left = {n for n in reach if n in sizes}
    lost_l = lost_b = 0
    chosen = []
    while True:
        best = None
        for n in left:
            l, b = reach[n]
            own_l = sum(1 for k in l if lines[k] == 1)
            own_b = sum(1 for k in b if branches[k] == 1)
            if lost_l + own_l > line_budget or lost_b + own_b > branch_budget:
                continue
            worth = sizes[n] / (1 + own_l / 3 + own_b)
            if best is None or worth > best[0]:
                best = (worth, n, own_l, own_b)
        if best is None:
            return chosen
        _, n, own_l, own_b = best
        left.remove(n)
        lines.subtract(reach[n][0])
        branches.subtract(reach[n][1])
        lost_l += own_l
        lost_b += own_b
        chosen.append((n, own_l, own_b, sizes[n]))


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    ap.add_argument("build", nargs="?", default="build-cov")
    ap.add_argument("--tests", help="only the CTest tests matching this regular expression")
    ap.add_argument("--budget", nargs=2, type=int, metavar=("LINES", "BRANCHES"))
    a = ap.parse_args()
    build = os.path.abspath(a.build)
    names = ctest_names(build, a.tests)
    if not names:
        sys.exit(f"coverage_by_test: no tests in {build}")
    reach = {}
    with tempfile.TemporaryDirectory(prefix="coverage_by_test.") as scratch:
        folders = {}
        for i, name in enumerate(names):
            folders[name] = os.path.join(scratch, str(i))
            if not run_alone(build, name, folders[name]):
                print(f"coverage_by_test: {name} failed; its counters are used as they are", file=sys.stderr)
        with ProcessPoolExecutor() as pool:
            for name, r in zip(names, pool.map(reached, [folders[n] for n in names])):
                reach[name] = r
    lines, branches = collections.Counter(), collections.Counter()
    for l, b in reach.values():
        lines.update(l)
        branches.update(b)
    sizes = test_sizes()
    print(f"{'test':<90} {'lines':>6} {'own':>4} {'branches':>8} {'own':>4} {'code':>5}")
    for name in names:
        l, b = reach[name]
        own_l = sum(1 for k in l if lines[k] == 1)
        own_b = sum(1 for k in b if branches[k] == 1)
        print(f"{name:<90} {len(l):>6} {own_l:>4} {len(b):>8} {own_b:>4} {sizes.get(name, ''):>5}")
    print(f"all tests together: {len(lines)} lines, {len(branches)} branches")
    if a.budget:
        chosen = could_go(reach, sizes, *a.budget)
        print(f"\ncould go together within {a.budget[0]} lines and {a.budget[1]} branches:")
        for n, own_l, own_b, size in chosen:
            print(f"  {n}  (loses {own_l} lines, {own_b} branches; {size} lines of test)")
        print(f"  {sum(c[3] for c in chosen)} lines of test in all")


if __name__ == "__main__":
    main()
