#!/usr/bin/env python3
"""check_layers.py on two small trees: folders that include each other around
a circle fail and are named; the same folders including only downward pass."""
import pathlib
import subprocess
import sys
import tempfile
import unittest

SCRIPT = pathlib.Path(__file__).resolve().with_name("check_layers.py")


def check(files):
    with tempfile.TemporaryDirectory() as root:
        for name, text in files.items():
            path = pathlib.Path(root, name)
            path.parent.mkdir(parents=True, exist_ok=True)
            path.write_text(text)
        return subprocess.run([sys.executable, str(SCRIPT), "--root", root], capture_output=True, text=True)


DOWNWARD = {
    "base/text.h": '#include "resource.h"\n',
    "drawing/canvas_win.h": '#include "base/text.h"\n',
    "weather/panel_win.cpp": '#include "drawing/canvas_win.h"\n',
}


class CheckLayers(unittest.TestCase):
    def test_a_circle_fails_and_is_named(self):
        tree = dict(DOWNWARD)
        tree["base/text.cpp"] = '#include "base/text.h"\n#include "weather/panel_win.h"\n'
        result = check(tree)
        self.assertEqual(result.returncode, 1, result.stdout)
        self.assertIn("base -> weather -> drawing -> base", result.stdout)
        self.assertIn("base/text.cpp:2 includes weather/", result.stdout)

    def test_downward_includes_pass(self):
        result = check(DOWNWARD)
        self.assertEqual(result.returncode, 0, result.stdout)


if __name__ == "__main__":
    unittest.main()
