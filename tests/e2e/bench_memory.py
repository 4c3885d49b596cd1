"""Peak memory of the saver while it runs a slideshow, under Wine in Xvfb.

    bench_memory.py --scr velmora.scr --photos DIR [--seconds 30] [--floor gl_floor.exe]
                    [--screen WxH | --two-monitors]

The photos of DIR are put into the data folder first, and the fake photo site
(tests/e2e/fake_site.py) lists the same photos, so the refresh the show starts
runs for real but finds every photo on disk. The saver's resident size is read
from /proc/PID/status once a second; at the end the peak (VmHWM) is printed
with the resident sizes seen. With --floor, tests/bench/gl_floor_win.cpp then
runs on the same display (a bare GL window per saver window, two textures of
the photo slot's side each), and its peak is printed beside the saver's as the
floor Wine and the software renderer set. A benchmark, not a test: it judges
nothing.
"""

import argparse
import os
import shutil
import statistics
import sys
import time

import bench_display
import harness
from fake_site import FakeSiteProcess


def status_kib(pid, *fields):
    """The given fields of /proc/PID/status in KiB (None for a missing one)."""
    found = dict.fromkeys(fields)
    with open(f"/proc/{pid}/status") as f:
        for line in f:
            key, _, value = line.partition(":")
            if key in found:
                found[key] = int(value.split()[0])
    return [found[k] for k in fields]


def saver_pid(process):
    """The Linux process that runs velmora.scr: Wine's loader replaces the
    started command in place, so it is the started process itself."""
    with open(f"/proc/{process.pid}/cmdline", "rb") as f:
        command = f.read().replace(b"\0", b" ").decode("utf-8", "replace")
    harness.check("velmora.scr" in command, f"process {process.pid} runs {command!r}, not the saver")
    return process.pid


def floor_kib(s, args):
    """Peak resident size of gl_floor.exe once it has drawn its windows, and the
    texture side of each window."""
    sides = []
    process = s.start_program([args.floor] + (["all"] if args.two_monitors else []), "gl_floor", pipes=True)
    while (line := process.popen.stdout.readline().decode().strip()) != "ready":
        harness.check(line != "", "gl_floor ended before it was ready")
        sides.append(line.split()[-1])
    time.sleep(1.0)
    peak = status_kib(process.pid, "VmHWM")[0]
    process.popen.stdin.close()
    process.wait(20)
    return peak, sides


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--scr", required=True)
    parser.add_argument("--photos", required=True)
    parser.add_argument("--seconds", type=float, default=30.0)
    parser.add_argument("--floor", help="gl_floor.exe, to measure beside the saver")
    bench_display.add_options(parser)
    args = parser.parse_args()
    photos = sorted(n for n in os.listdir(args.photos) if n.lower().endswith(".jpg"))
    with harness.Scenario("bench-memory", args.scr, time_limit=int(args.seconds) + 150,
                          **bench_display.scenario_options(args)) as s, \
            FakeSiteProcess(os.path.join(s.root, "site"), photos=args.photos) as site:
        os.makedirs(s.data_folder)
        for name in photos:
            shutil.copy2(os.path.join(args.photos, name), s.data_path(name))
        s.write_settings(photo_site=site.base, image_prefix=site.image_prefix, update_host=site.base,
                         weather_host=site.base, show_weather=0, **bench_display.settings(args))
        started = time.monotonic()
        process = s.start("/s")
        s.wait_window(harness.SAVER_TITLE, timeout=60)
        pid = saver_pid(process)
        resident = []
        while time.monotonic() - started < args.seconds:
            harness.check(process.running(), "the saver ended by itself")
            resident.append(status_kib(pid, "VmRSS")[0])
            time.sleep(1.0)
        peak, last = status_kib(pid, "VmHWM", "VmRSS")
        x, y = s.mouse_location()
        s.mouse_move(x + 1 if x == 0 else x - 1, y)
        code = process.wait(20)
        shown = len(site.requests("/showphotos.php"))
        floor, floor_sides = floor_kib(s, args) if args.floor else (None, [])
    mib = 1024.0
    print(f"slideshow of {len(photos)} photos for {args.seconds:g} s on {bench_display.describe(args)} "
          f"(listing requests answered: {shown}; exit code {code})")
    print(f"resident size once a second: min {min(resident) / mib:.1f} MiB, median "
          f"{statistics.median(resident) / mib:.1f} MiB, max {max(resident) / mib:.1f} MiB, "
          f"at the end {last / mib:.1f} MiB")
    print(f"peak resident size (VmHWM): {peak / mib:.1f} MiB")
    if floor is not None:
        print(f"peak resident MiB {peak / mib:.1f}, floor MiB {floor / mib:.1f} (bare GL window, textures of side "
              f"{' '.join(floor_sides)}), saver's own {(peak - floor) / mib:.1f} MiB")
    return 0


if __name__ == "__main__":
    sys.exit(main())
