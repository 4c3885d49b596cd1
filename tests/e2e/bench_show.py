"""What the running saver costs and how soon it shows a photo, under Wine in Xvfb.

    bench_show.py --scr velmora.scr --photos DIR [--runs 3] [--hold-seconds 5]
                  [--screen WxH | --two-monitors]

Each run puts the photos of DIR into a fresh data folder (every server address
a closed local port, so nothing arrives), starts `velmora.scr /s` and prints:
- the time from the saver window's appearance (polled with xdotool) to the
  first screenshot that shows a photo fading in (any channel above 8), an
  upper bound by the time one screenshot takes;
- the CPU time the saver process (all its threads) and the X server used while
  the first slide is held, from 2.5 s after it appeared on, as a share of one
  core.
Then the medians over the runs. A benchmark, not a test: it judges nothing.
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
TICKS = os.sysconf("SC_CLK_TCK")


def cpu_seconds(pid):
    """User plus system time of the process and all its threads."""
    with open(f"/proc/{pid}/stat") as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / TICKS


def lit(s):
    """True when the screen shows anything but black."""
    done = subprocess.run(["xwd", "-root", "-silent"], env=s.env, stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                          stderr=subprocess.DEVNULL, timeout=30, check=False)
    image = harness.parse_xwd(done.stdout)
    return max(image.pixels) > 8


def one_run(args, run):
    scr, photos, hold_seconds = args.scr, args.photos, args.hold_seconds
    names = sorted(n for n in os.listdir(photos) if n.lower().endswith(".jpg"))
    with harness.Scenario(f"bench-show-{run}", scr, time_limit=120, **bench_display.scenario_options(args)) as s:
        os.makedirs(s.data_folder)
        for name in names:
            shutil.copy2(os.path.join(photos, name), s.data_path(name))
        s.write_settings(**OFFLINE, **bench_display.settings(args))
        # Warm the file cache, as a saver that starts over its own cache finds it.
        for name in names:
            with open(s.data_path(name), "rb") as f:
                f.read()
        process = s.start("/s")
        harness.wait_until(lambda: s.find_windows(harness.SAVER_TITLE), 60, 0.01, "the saver window")
        appeared = time.monotonic()
        harness.wait_until(lambda: lit(s), 60, 0.0, "a photo on screen")
        first_photo = time.monotonic() - appeared
        time.sleep(2.5)
        pid, xvfb = process.pid, s.xvfb.pid
        saver_before, x_before, started = cpu_seconds(pid), cpu_seconds(xvfb), time.monotonic()
        time.sleep(hold_seconds)
        elapsed = time.monotonic() - started
        saver = (cpu_seconds(pid) - saver_before) / elapsed * 100
        x_server = (cpu_seconds(xvfb) - x_before) / elapsed * 100
        harness.check(process.running(), "the saver ended by itself")
        s.key("space")
        process.wait(20)
    print(f"run {run}: first photo {first_photo * 1000:6.0f} ms after the window appeared; held slide: saver "
          f"{saver:5.1f} % of a core, X server {x_server:5.1f} %", flush=True)
    return first_photo, saver, x_server


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--scr", required=True)
    parser.add_argument("--photos", required=True)
    parser.add_argument("--runs", type=int, default=3)
    parser.add_argument("--hold-seconds", type=float, default=5.0)
    bench_display.add_options(parser)
    args = parser.parse_args()
    results = [one_run(args, run) for run in range(1, args.runs + 1)]
    first, saver, x_server = (statistics.median(r[i] for r in results) for i in range(3))
    print(f"window to first photo: median {first * 1000:.0f} ms, max {max(r[0] for r in results) * 1000:.0f} ms "
          f"over {len(results)} runs")
    print(f"held slide: saver median {saver:.1f} % of a core, X server median {x_server:.1f} %")
    return 0


if __name__ == "__main__":
    sys.exit(main())
