"""What the saver costs while it runs, thread by thread, under Wine in Xvfb.

    bench_cost.py --scr velmora.scr --photos DIR --driver power_driver.exe [--minutes 10]

One saver over the photos of DIR (the cache full, every server address a
closed local port and the gallery fresh, so nothing is downloaded) at the
default hold: first the show for MINUTES, then the same with the display off
for MINUTES (tests/e2e/power_driver.cpp delivers the notification). The
threads are told apart by their names: the main thread, the builder threads,
the download threads (downloads, refresh, weather), the graphics driver's
threads (llvmpipe and Mesa's queues) and the rest, Wine's own. Each second
the per-thread CPU times and the main thread's voluntary context switches (its
wakeups) are read from /proc. A second in which neither the builders nor the
driver used any CPU is a held slide. Prints figures beside their goals; a
benchmark, not a test: it fails only when the saver does not run.
"""

import argparse
import glob
import os
import shutil
import subprocess
import sys
import time

import harness

OFFLINE = dict(photo_site="http://127.0.0.1:1", image_prefix="http://127.0.0.1:1/images/",
               weather_host="http://127.0.0.1:1", update_host="http://127.0.0.1:1", web_host="127.0.0.1:1",
               show_weather="0", show_newver="0")
TICKS = os.sysconf("SC_CLK_TCK")
KINDS = ["main", "builders", "downloads", "driver", "wine"]
LABELS = {"main": "main thread", "builders": "builder threads", "downloads": "download threads",
          "driver": "graphics driver's threads", "wine": "Wine's own and unnamed threads"}


def kind(pid, tid, name):
    if tid == pid:
        return "main"
    if name == "velmora builder":
        return "builders"
    if name in ("velmora download", "velmora refresh", "velmora weather"):
        return "downloads"
    if name.startswith("llvmpipe") or ":" in name:
        return "driver"
    return "wine"


def sample(pid):
    """CPU seconds by kind of thread, the main thread's voluntary switches, the whole process's CPU."""
    cpu = dict.fromkeys(KINDS, 0.0)
    wakeups = 0
    for task in glob.glob(f"/proc/{pid}/task/*"):
        tid = int(os.path.basename(task))
        try:
            with open(os.path.join(task, "comm")) as f:
                name = f.read().strip()
            with open(os.path.join(task, "stat")) as f:
                fields = f.read().rsplit(")", 1)[1].split()
            k = kind(pid, tid, name)
            cpu[k] += (int(fields[11]) + int(fields[12])) / TICKS
            if k == "main":
                with open(os.path.join(task, "status")) as f:
                    wakeups = int(next(x for x in f if x.startswith("voluntary_ctxt_switches")).split()[1])
        except (OSError, StopIteration):
            continue
    with open(f"/proc/{pid}/stat") as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return cpu, wakeups, (int(fields[11]) + int(fields[12])) / TICKS


def measure(pid, seconds):
    """Samples once a second for `seconds`: a list of (duration, cpu delta by kind, wakeups, process cpu)."""
    out = []
    last, last_wake, last_total, last_time = *sample(pid), time.monotonic()
    end = last_time + seconds
    while time.monotonic() < end:
        time.sleep(1.0)
        cpu, wake, total = sample(pid)
        now = time.monotonic()
        out.append((now - last_time, {k: cpu[k] - last[k] for k in KINDS}, wake - last_wake, total - last_total))
        last, last_wake, last_total, last_time = cpu, wake, total, now
    return out


def share(samples, key):
    seconds = sum(s[0] for s in samples)
    return 100 * sum(key(s) for s in samples) / seconds if seconds > 0 else 0.0


def verdict(value, goal):
    return "met" if value <= goal else "NOT met"


def report(title, samples):
    print(title)
    seconds = sum(s[0] for s in samples)
    for k in KINDS:
        print(f"  {LABELS[k]:34s} {share(samples, lambda s: s[1][k]):6.2f} % of a core")
    whole = share(samples, lambda s: s[3])
    print(f"  {'whole process':34s} {whole:6.2f} % of a core")
    print(f"  main thread wakeups                {sum(s[2] for s in samples) / seconds:6.1f} per second")
    return whole


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--scr", required=True)
    parser.add_argument("--photos", required=True)
    parser.add_argument("--driver", required=True)
    parser.add_argument("--minutes", type=float, default=10.0)
    parser.add_argument("--decode-ms", type=float, default=0.0, help="djpeg's time for one photo")
    args = parser.parse_args()
    seconds = args.minutes * 60
    names = sorted(n for n in os.listdir(args.photos) if n.lower().endswith(".jpg"))
    with harness.Scenario("bench-cost", args.scr, time_limit=int(2 * seconds + 180)) as s:
        os.makedirs(s.data_folder)
        for name in names:
            shutil.copy2(os.path.join(args.photos, name), s.data_path(name))
        s.put_file("index.htm", b"<html></html>")  # written now: the gallery is not due
        s.write_settings(**OFFLINE)
        process = s.start("/s")
        harness.wait_until(lambda: s.find_windows(harness.SAVER_TITLE), 60, 0.05, "the saver window")
        time.sleep(5.0)  # the first photo built and faded in
        show = measure(process.pid, seconds)
        harness.check(process.running(), "the saver ended by itself")
        done = subprocess.run(["wine", args.driver, "display", "off"], env=s.env, stdin=subprocess.DEVNULL,
                              capture_output=True, text=True, timeout=30, check=False)
        harness.check(done.returncode == 0, f"display off not delivered: {done.stdout.strip()}")
        time.sleep(2.0)
        off = measure(process.pid, seconds)
        harness.check(process.running(), "the saver ended by itself")
        s.key("space")
        process.wait(20)

    print(f"{len(names)} photos of 12 megapixels, default hold, no downloads, {args.minutes:g} min each run; "
          f"{args.scr}")
    report("The show:", show)
    held = [x for x in show if x[1]["builders"] == 0 and x[1]["driver"] == 0]
    held_main = share(held, lambda s: s[1]["main"])
    held_wakeups = sum(s[2] for s in held) / max(sum(s[0] for s in held), 1e-9)
    print(f"  held slide ({len(held)} s of {len(show)}): main thread {held_main:.3f} % of a core, "
          f"{held_wakeups:.1f} wakeups/s; goal at most 0.1 %: {verdict(held_main, 0.1)}")
    own = share(show, lambda s: s[1]["main"] + s[1]["builders"] + s[1]["downloads"])
    print(f"  the saver's own threads (main, builders, downloads): {own:.2f} % of a core; goal at most 2 %: "
          f"{verdict(own, 2.0)}")
    codec = 0.0
    if args.decode_ms > 0:
        # Every slide change builds one photo; a hold and a fade take 10 + 1.02 s.
        codec = 100 * (len(show) / 11.02) * args.decode_ms / 1000 / sum(s[0] for s in show)
        print(f"    of which JPEG decoding, estimated from djpeg ({args.decode_ms:.0f} ms a photo, one photo "
              f"every 11.02 s): about {codec:.2f} %, all of it in the builder threads")
    if own > 2.0:
        builders = share(show, lambda s: s[1]["builders"])
        print(f"    where it goes: builder threads {builders:.2f} % (the decoding above, then fitting the photo "
              f"onto the canvas and converting it), main thread {share(show, lambda s: s[1]['main']):.2f} % "
              f"(uploads and drawing the fades); without the decoding {own - codec:.2f} %")
    whole_off = report("Display off:", off)
    print(f"  goal for the whole process at most 0.2 %: {verdict(whole_off, 0.2)}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
