#!/usr/bin/env python3
"""Checks that the game's files depend on one another without a circle.

A file depends on another when it includes that file's header (game/x.cpp or
game/x.h including "y.h" makes x depend on y). The one way back allowed is the
screen switch: any screen may include "screens.h" to move to another screen,
and the dispatcher in screens.cpp includes every screen. Every other circle
is reported with the files on it, and the check fails.

usage: check_game_layers.py [game folder]   (default: game/ beside tools/)
"""
import os
import re
import sys

SWITCH = "screens"  # the screen switch: edges into it are not followed
INCLUDE = re.compile(r'^\s*#\s*include\s+"([A-Za-z_0-9]+)\.h"', re.M)


def graph(folder):
    """Module name -> names of the game modules it includes."""
    files = [f for f in os.listdir(folder) if f.endswith((".cpp", ".h"))]
    modules = {os.path.splitext(f)[0] for f in files}
    edges = {m: set() for m in modules}
    for f in files:
        with open(os.path.join(folder, f), encoding="utf-8") as src:
            text = src.read()
        me = os.path.splitext(f)[0]
        for target in INCLUDE.findall(text):
            if target in modules and target != me:
                edges[me].add(target)
    return edges


def find_circle(edges):
    """One circle as a list of modules (first repeated at the end), or None."""
    state = {}  # absent: unseen, 1: on the current path, 2: done
    path = []

    def visit(m):
        state[m] = 1
        path.append(m)
        for n in sorted(edges[m]):
            if n == SWITCH:
                continue
            if state.get(n) == 1:
                return path[path.index(n):] + [n]
            if n not in state:
                found = visit(n)
                if found:
                    return found
        path.pop()
        state[m] = 2
        return None

    for m in sorted(edges):
        if m not in state:
            found = visit(m)
            if found:
                return found
    return None


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    folder = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..", "game")
    circle = find_circle(graph(folder))
    if circle:
        print("game files in a circle: " + " -> ".join(circle))
        return 1
    print("game files: no circle except through the screen switch")
    return 0


if __name__ == "__main__":
    sys.exit(main())
