"""Runs velmora.scr in saver mode in an isolated HOME and prefix, saves screenshots
at given seconds after start, then ends the saver by moving the mouse, as a user
would (a key press could land in another program on a desktop whose focus
the saver does not hold).

    demo_run.py --scr velmora.scr --shots DIR [--at 2,5,12] [--site-photos DIR]
                [--site-version V] [--setting key=value]... [--display :N] [--weather-slides]

With --site-photos the saver starts from an empty data folder against the fake
photo site (tests/e2e/fake_site.py) on 127.0.0.1, which lists and serves the
JPEG files of that folder and answers the version check with --site-version:
settings.cfg sends every server request there. --setting adds or replaces a
settings.cfg line. Without --display the run gets its own Xvfb. With
--weather-slides the run then waits for the current-weather and forecast slides
(the twenty-first and twenty-second slide changes of the show) and saves one
screenshot of each. At the end a summary tells what reached the data folder and
what the site was asked.
"""

import argparse
import contextlib
import os
import sys
import time

import harness
from fake_site import FakeSiteProcess
from weather_scenarios import weather_slide

LISTING_PATH = "/showphotos.php"
UPDATE_PATH = "/screensavers/update.php"
IMAGE_PATH = "/images/"
WEATHER_PATH = "/weather/local/"
# Twenty-one holds of ten seconds and their fades, after the restart that the
# arriving photos cause.
WEATHER_WAIT = 420
# A fade runs 51 frames, one to two seconds under Wine; a shot this far into
# one shows both pictures (or a picture and black) at once.
FADE_SHOT_AFTER = 0.5
FADE_GAP = 0.6


def prepare_data_folder(scenario, settings, site):
    """Everything the saver should find in its data folder when it starts: only a
    settings.cfg, so the photos have to come from the site."""
    if site is not None:
        settings = {"photo_site": site.base, "image_prefix": site.image_prefix, "update_host": site.base,
                    "weather_host": site.base, **settings}
    if settings:
        scenario.write_settings(**settings)


def peak_memory_kib(pid):
    """VmHWM of a process in KiB, or None once it is gone."""
    try:
        with open(f"/proc/{pid}/status") as f:
            for line in f:
                if line.startswith("VmHWM:"):
                    return int(line.split()[1])
    except OSError:
        pass
    return None


def grid(image):
    """A 9 x 5 grid of pixels across the screen: enough to see a fade move."""
    return [image.pixel(image.width * (2 * i + 1) // 18, image.height * (2 * j + 1) // 10)
            for i in range(9) for j in range(5)]


def moved(a, b):
    return any(abs(x - y) > 2 for p, q in zip(a, b) for x, y in zip(p, q))


def watch(scenario, process, started, moments, shots):
    """Saves a screenshot at each moment (seconds after the start) and, between
    them, one in the middle of every fade: the screen is sampled about ten times
    a second, and a picture that has kept changing for FADE_SHOT_AFTER seconds is
    saved once per fade. A fade stalled by a slide build for a few frames is still
    the same fade. False when the saver ended by itself."""
    pending = list(moments)
    previous = None
    fade_start = last_change = None
    fade_saved = False
    while pending:
        now = time.monotonic() - started
        if not process.running():
            print(f"the saver ended by itself after {now:.1f} s", file=sys.stderr)
            return False
        if now >= pending[0]:
            save(scenario, os.path.join(shots, f"saver-{pending.pop(0):05.1f}s.png"), None)
            continue
        image = scenario.screenshot()
        now = time.monotonic() - started
        sample = grid(image)
        if previous is not None and moved(sample, previous):
            if fade_start is None or now - last_change > FADE_GAP:
                fade_start, fade_saved = now, False
            last_change = now
            if not fade_saved and now - fade_start >= FADE_SHOT_AFTER:
                save(scenario, os.path.join(shots, f"saver-{now:05.1f}s-fading.png"), image)
                fade_saved = True
        previous = sample
        time.sleep(min(0.1, max(0.0, started + pending[0] - time.monotonic())))
    return True


def watch_weather(scenario, process, started, shots):
    """Waits for the two weather slides and saves a screenshot of each. False when the
    saver ended by itself or the slides did not come."""
    print(f"waiting for the weather slides: they follow the twentieth slide change, about four "
          f"minutes into the show ({time.monotonic() - started:.0f} s so far)", flush=True)
    wanted = ["current", "forecast"]
    deadline = time.monotonic() + WEATHER_WAIT
    while wanted:
        if not process.running():
            print("the saver ended by itself while waiting for the weather", file=sys.stderr)
            return False
        if time.monotonic() > deadline:
            print(f"no {wanted[0]} weather slide within {WEATHER_WAIT} s", file=sys.stderr)
            return False
        image = scenario.screenshot()
        if weather_slide(image) == wanted[0]:
            time.sleep(1.5)  # the fade-in of a slide takes about a second and a half
            save(scenario, os.path.join(shots, f"weather-{wanted.pop(0)}.png"), None)
        time.sleep(0.5)
    return True


def save(scenario, path, image):
    if image is None:
        scenario.screenshot(path)
    else:
        image.save_png(path)
    photos = sum(1 for n in scenario.data_files() if n.lower().endswith(".jpg"))
    print(f"saved {path} (photos in the data folder: {photos})", flush=True)


def summary(scenario, site, peak_kib):
    files = scenario.data_files()
    photos = [n for n in files if n.lower().endswith(".jpg")]
    print("== summary")
    print(f"data folder {scenario.data_folder}: {len(files)} files")
    for name in files:
        print(f"  {name:48} {os.path.getsize(scenario.data_path(name)):>10} bytes")
    print(f"photos arrived: {len(photos)}")
    print(f"index.htm present: {'yes' if 'index.htm' in files else 'no'}")
    print(f"update.xml left behind: {'yes' if 'update.xml' in files else 'no'}")
    print(f"newver stored: {dict(scenario.read_settings() or []).get('newver')}")
    if peak_kib is not None:
        print(f"saver peak memory (VmHWM): {peak_kib / 1024:.1f} MiB")
    if site is not None:
        requests = site.requests()
        listing = [r for r in requests if r["path"] == LISTING_PATH]
        images = [r for r in requests if r["path"].startswith(IMAGE_PATH)]
        updates = [r for r in requests if r["path"] == UPDATE_PATH]
        weather = [r for r in requests if r["path"].startswith(WEATHER_PATH)]
        print(f"site requests: {len(listing)} listing page, {len(images)} photos, {len(updates)} version check, "
              f"{len(weather)} weather, {len(requests) - len(listing) - len(images) - len(updates) - len(weather)} other")
        for r in listing + updates + weather:
            print(f"  {r['path']}?{r['query']}")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--scr", required=True)
    parser.add_argument("--shots", required=True)
    parser.add_argument("--at", default="2,5,12")
    parser.add_argument("--site-photos")
    parser.add_argument("--site-version", default="1.1")
    parser.add_argument("--setting", action="append", default=[])
    parser.add_argument("--display")
    parser.add_argument("--weather-slides", action="store_true")
    args = parser.parse_args()

    moments = sorted(float(t) for t in args.at.split(","))
    settings = dict(item.split("=", 1) for item in args.setting)
    os.makedirs(args.shots, exist_ok=True)
    limit = int(moments[-1]) + 120 + (WEATHER_WAIT if args.weather_slides else 0)
    with harness.Scenario("demo", args.scr, display=args.display, time_limit=limit) as s, \
            contextlib.ExitStack() as stack:
        site = None
        if args.site_photos:
            site = stack.enter_context(FakeSiteProcess(os.path.join(s.root, "site"), photos=args.site_photos,
                                                       version=args.site_version, lifetime=limit))
            print(f"sample photo site on {site.base}, serving {args.site_photos}")
        prepare_data_folder(s, settings, site)
        print(f"display {s.display}, data folder {s.data_folder}")
        started = time.monotonic()
        process = s.start("/s")
        window = s.wait_window(harness.SAVER_TITLE, timeout=60)
        print(f"saver window {s.geometry(window)} on a {s.screen_size()} screen")
        if not watch(s, process, started, moments, args.shots):
            return 1
        if args.weather_slides and not watch_weather(s, process, started, args.shots):
            return 1
        peak_kib = peak_memory_kib(process.pid)
        x, y = s.mouse_location()
        s.mouse_move(x + 1 if x == 0 else x - 1, y)
        code = process.wait(20)
        print(f"the saver ended on a mouse move with exit code {code}")
        summary(s, site, peak_kib)
        return 0 if code == 0 else 1


if __name__ == "__main__":
    sys.exit(main())
