#!/usr/bin/env python3
"""Fails when source folders include each other, directly or around a circle.

The folders are layers, each including only those below it:

    app
    slideshow
    weather
    net
    settings, drawing
    base, res

base holds the general helpers (handles, text, paths, files, threads, the
shared run state), drawing the helpers every slide draws with (GDI+ owners and
session, canvas, text font, embedded images). Only a circle fails the check:
an include that goes up makes one with an include that goes down.

Reads the `#include "..."` lines of every source in these folders (tests/ are
not read); an include names a folder by its first path part, and one without
a folder stays in its own. Prints the circle and the includes that make it.

Usage: scripts/check_layers.py [--root DIR]   (DIR: the tree, by default this one)
"""
import argparse
import pathlib
import re
import sys

FOLDERS = ["base", "res", "drawing", "settings", "net", "weather", "slideshow", "app"]
SOURCE_SUFFIXES = {".h", ".cpp", ".rc", ".in"}
INCLUDE = re.compile(r'^\s*#\s*include\s*"([^"]+)"', re.M)


def folder_edges(root):
    """{folder: {included folder: "file:line" of its first include}}."""
    edges = {folder: {} for folder in FOLDERS}
    for folder in FOLDERS:
        for path in sorted((root / folder).glob("*")):
            if path.suffix not in SOURCE_SUFFIXES or not path.is_file():
                continue
            text = path.read_text(encoding="utf-8", errors="replace")
            for match in INCLUDE.finditer(text):
                target = match.group(1).split("/")[0]
                if "/" in match.group(1) and target in FOLDERS and target != folder:
                    line = text.count("\n", 0, match.start()) + 1
                    edges[folder].setdefault(target, f"{folder}/{path.name}:{line}")
    return edges


def find_circle(edges):
    """The folders of one circle, first folder repeated at the end; [] when none."""
    state = {}  # folder -> "open" while on the path, "done" after

    def visit(folder, path):
        state[folder] = "open"
        path.append(folder)
        for target in edges[folder]:
            if state.get(target) == "open":
                return path[path.index(target):] + [target]
            if target not in state:
                circle = visit(target, path)
                if circle:
                    return circle
        path.pop()
        state[folder] = "done"
        return []

    for folder in FOLDERS:
        if folder not in state:
            circle = visit(folder, [])
            if circle:
                return circle
    return []


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--root", type=pathlib.Path, default=pathlib.Path(__file__).resolve().parent.parent)
    root = parser.parse_args().root
    edges = folder_edges(root)
    circle = find_circle(edges)
    if not circle:
        print("layers: no folders include each other")
        return 0
    print("layers: FAILED, these folders include each other: " + " -> ".join(circle))
    for a, b in zip(circle, circle[1:]):
        print(f"  {edges[a][b]} includes {b}/")
    return 1


if __name__ == "__main__":
    sys.exit(main())
