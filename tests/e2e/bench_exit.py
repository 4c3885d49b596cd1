"""Time from a key press to the end of the saver process, under Wine in Xvfb.

    bench_exit.py --scr velmora.scr [--runs 7]

Each run starts `velmora.scr /s`, waits until its window is up, then times
from just before the key press (xdotool) until the process is gone. Prints
every run and the median. A benchmark, not a test: it judges nothing.
"""

import argparse
import statistics
import sys
import time

import harness


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--scr", required=True)
    parser.add_argument("--runs", type=int, default=7)
    args = parser.parse_args()
    times = []
    with harness.Scenario("bench-exit", args.scr, time_limit=60 + 20 * args.runs) as s:
        for run in range(1, args.runs + 1):
            process = s.start("/s")
            s.wait_window(harness.SAVER_TITLE, timeout=30)
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
