"""Time from a key press to the end of the saver process, under Wine in Xvfb.

    bench_exit.py --scr velmora.scr [--runs 7] [--photos DIR] [--screen WxH | --two-monitors]

Each run starts `velmora.scr /s`, waits until its window is up, then times
from just before the key press (xdotool) until the process is gone. Prints
every run, the median and the longest. A benchmark, not a test: it judges
nothing.

With --photos the data folder holds the photos of DIR (every server address a
closed local port) and the key is pressed just as the first cross-fade ends,
when the next slide is being built: the screen is watched until it has
changed and come to rest twice (the fade-in, then the cross-fade), and the
key goes 0.2 s into the second rest.
"""

import argparse
import os
import shutil
import statistics
import subprocess
import sys
import time

import bench_display
import harness

OFFLINE = dict(photo_site="http://127.0.0.1:1", image_prefix="http://127.0.0.1:1/images/",
               weather_host="http://127.0.0.1:1", update_host="http://127.0.0.1:1", web_host="127.0.0.1:1",
               show_weather="0", show_newver="0")


def screen_bytes(s):
    return subprocess.run(["xwd", "-root", "-silent"], env=s.env, stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                          stderr=subprocess.DEVNULL, timeout=30, check=False).stdout


def wait_for_fade_end(s, process, timeout=90):
    """Returns 0.2 s after the second stretch of change (the fade-in, then the
    cross-fade) has come to rest. A stretch counts when it lasted 0.3 s: two
    screenshots of one frame in the middle of a fade are not a rest."""
    deadline = time.monotonic() + timeout
    previous, began, last_change, stretches = screen_bytes(s), None, 0.0, 0
    while True:
        harness.check(time.monotonic() < deadline and process.running(), "no cross-fade was seen")
        current, now = screen_bytes(s), time.monotonic()
        if current != previous:
            began = now if began is None else began
            last_change = now
        elif began is not None and now - last_change >= 0.2:
            stretches += last_change - began >= 0.3
            began = None
            if stretches == 2:
                return
        previous = current


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--scr", required=True)
    parser.add_argument("--runs", type=int, default=7)
    parser.add_argument("--photos")
    bench_display.add_options(parser)
    args = parser.parse_args()
    times = []
    with harness.Scenario("bench-exit", args.scr, time_limit=60 + (120 if args.photos else 20) * args.runs,
                          **bench_display.scenario_options(args)) as s:
        if args.photos:
            os.makedirs(s.data_folder)
            for name in sorted(os.listdir(args.photos)):
                if name.lower().endswith(".jpg"):
                    shutil.copy2(os.path.join(args.photos, name), s.data_path(name))
            s.write_settings(**OFFLINE, **bench_display.settings(args))
        elif args.two_monitors:
            s.write_settings(**bench_display.settings(args))
        for run in range(1, args.runs + 1):
            process = s.start("/s")
            s.wait_window(harness.SAVER_TITLE, timeout=30)
            if args.photos:
                wait_for_fade_end(s, process)
            else:
                time.sleep(1.0)  # past start-up and the first mouse move
            started = time.monotonic()
            s.key("space")
            code = process.wait(30)
            elapsed = (time.monotonic() - started) * 1000
            times.append(elapsed)
            print(f"run {run}: {elapsed:7.1f} ms (exit code {code})")
    print(f"key press to process end: median {statistics.median(times):.1f} ms, "
          f"min {min(times):.1f} ms, max {max(times):.1f} ms over {len(times)} runs")
    return 0


if __name__ == "__main__":
    sys.exit(main())
