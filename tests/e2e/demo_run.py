"""Runs velmora.scr in saver mode in an isolated HOME and prefix, saves screenshots
at given seconds after start, then ends the saver by moving the mouse, as a user
would (a key press could land in another program on a desktop whose focus
the saver does not hold).

    demo_run.py --scr velmora.scr --shots DIR [--at 2,5,12] [--setting key=value]...
                [--file SRC]... [--display :N]

--setting adds or replaces a settings.cfg line before the start (for example
photo_site=http://127.0.0.1:PORT); --file copies a file into the data folder
first. Without --display the run gets its own Xvfb.
"""

import argparse
import os
import shutil
import sys
import time

import harness


def prepare_data_folder(scenario, settings, files):
    """Everything the saver should find in its data folder when it starts."""
    if settings:
        scenario.write_settings(**settings)
    for path in files:
        os.makedirs(scenario.data_folder, exist_ok=True)
        shutil.copy2(path, scenario.data_path(os.path.basename(path)))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--scr", required=True)
    parser.add_argument("--shots", required=True)
    parser.add_argument("--at", default="2,5,12")
    parser.add_argument("--setting", action="append", default=[])
    parser.add_argument("--file", action="append", default=[])
    parser.add_argument("--display")
    args = parser.parse_args()

    moments = sorted(float(t) for t in args.at.split(","))
    settings = dict(item.split("=", 1) for item in args.setting)
    os.makedirs(args.shots, exist_ok=True)
    limit = int(moments[-1]) + 120
    with harness.Scenario("demo", args.scr, display=args.display, time_limit=limit) as s:
        prepare_data_folder(s, settings, args.file)
        print(f"display {s.display}, data folder {s.data_folder}")
        started = time.monotonic()
        process = s.start("/s")
        window = s.wait_window(harness.SAVER_TITLE, timeout=60)
        print(f"saver window {s.geometry(window)} on a {s.screen_size()} screen")
        for moment in moments:
            time.sleep(max(0.0, started + moment - time.monotonic()))
            if not process.running():
                print(f"the saver ended by itself before {moment:g} s", file=sys.stderr)
                return 1
            path = os.path.join(args.shots, f"saver-{moment:05.1f}s.png")
            s.screenshot(path)
            print(f"saved {path}")
        x, y = s.mouse_location()
        s.mouse_move(x + 1 if x == 0 else x - 1, y)
        code = process.wait(20)
        print(f"the saver ended on a mouse move with exit code {code}")
        for name in s.data_files():
            print(f"data folder: {name}")
        return 0 if code == 0 else 1


if __name__ == "__main__":
    sys.exit(main())
