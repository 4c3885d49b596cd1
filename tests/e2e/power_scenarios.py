#!/usr/bin/python3
"""End-to-end scenario of the saver while nobody looks: the display-state
notifications, which Wine never sends, are delivered by tests/e2e/power_driver.cpp
(VELMORA_POWER_DRIVER) as Windows would."""

import glob
import os
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import harness  # noqa: E402
from fake_site import FakeSiteProcess  # noqa: E402
from harness import Scenario, check, wait_until  # noqa: E402

RED, BLUE = (200, 40, 40), (40, 60, 200)
TWO_DAYS = 2 * 86400


def near(pixel, colour, tolerance=24):
    return all(abs(a - b) <= tolerance for a, b in zip(pixel, colour))


def shown(s):
    """RED or BLUE when that photo is fully on screen, else None."""
    pixel = s.screenshot().pixel(640, 360)
    return next((c for c in (RED, BLUE) if near(pixel, c)), None)


def wakeups(pid):
    """Voluntary context switches of the saver's own threads, by name and thread id: the main thread,
    the builder, download, refresh and weather threads and the graphics driver's, not Wine's own."""
    found = {}
    for task in glob.glob(f"/proc/{pid}/task/*"):
        tid = int(os.path.basename(task))
        try:
            with open(os.path.join(task, "comm")) as f:
                name = f.read().strip()
            with open(os.path.join(task, "status")) as f:
                line = next(x for x in f if x.startswith("voluntary_ctxt_switches"))
        except (OSError, StopIteration):
            continue
        if tid == pid:
            name = "main"
        elif name == "velmora.scr" or name.startswith("wine_"):
            continue
        found[f"{name} {tid}"] = int(line.split()[1])
    return found


def deliver(s, *args):
    driver = os.environ.get("VELMORA_POWER_DRIVER", "")
    check(os.path.isfile(driver), f"VELMORA_POWER_DRIVER names no file: {driver!r}")
    done = subprocess.run(["wine", driver] + list(args), env=s.env, stdin=subprocess.DEVNULL, capture_output=True,
                          text=True, timeout=30, check=False)
    check(done.returncode == 0, f"power_driver {' '.join(args)}: {done.stdout.strip()} ({done.returncode})")


def display_off_spends_nothing_until_on(scr, host):
    """20 photos alternating red and blue, 3-second holds and an overdue gallery: while the display is
    off no thread of the saver wakes, the slide stays, no request is made; once on, the photo is drawn
    at once, held anew, and the refresh that fell due runs."""
    with Scenario("display-off", scr, host, time_limit=150) as s, \
            FakeSiteProcess(os.path.join(s.root, "site"), generate=2) as site:
        s.write_settings(photo_site=site.base, image_prefix=site.image_prefix, update_host=site.base,
                         weather_host=site.base, slide_seconds="3")
        with tempfile.TemporaryDirectory() as scratch:
            for colour in (RED, BLUE):
                path = os.path.join(scratch, "photo.jpg")
                subprocess.run(["convert", "-size", "1280x720", f"xc:rgb{colour}".replace(" ", ""), path],
                               check=True, timeout=60)
                with open(path, "rb") as f:
                    data = f.read()
                for i in range(10):
                    name = f"{'rb'[colour == BLUE]}{i}.jpg"
                    s.put_file(name, data)
                    when = time.time() - 3600 + 2 * i + (colour == BLUE)  # by age: red, blue, red, ...
                    os.utime(s.data_path(name), (when, when))
        s.put_file("index.htm", b"<html></html>")
        old = time.time() - TWO_DAYS
        os.utime(s.data_path("index.htm"), (old, old))

        saver = s.start("/s")
        s.wait_window(harness.SAVER_TITLE)
        wait_until(lambda: shown(s) is not None, 20, 0.1, "the first photo")
        deliver(s, "display", "off")
        before_off = shown(s)
        requests = len(site.requests())
        time.sleep(0.5)
        woke = wakeups(saver.pid)
        time.sleep(8.0)  # two holds and a fade, and the first periodic check, would have come
        woke_after = wakeups(saver.pid)
        check(saver.running(), "the saver ended while the display was off")
        busy = {t: woke_after[t] - n for t, n in woke.items() if woke_after.get(t, n) - n > 1}
        check(not busy, f"threads woke while the display was off: {busy}")
        check(shown(s) == before_off, "the slide changed while the display was off")
        check(len(site.requests()) == requests, f"requests while the display was off: {site.requests()[requests:]}")
        # Paints the screen black over the saver and exposes its window, which asks for a frame.
        subprocess.run(["xrefresh", "-solid", "black"], env=s.env, check=True, timeout=10)
        time.sleep(1.0)
        check(shown(s) is None, "a frame was drawn while the display was off")

        deliver(s, "display", "on")
        on = time.monotonic()
        wait_until(lambda: shown(s) is not None, 2, 0.05, "the photo after the display came on")
        check(shown(s) == before_off, "not the photo that was on screen")
        wait_until(lambda: shown(s) not in (before_off, None), 10, 0.1, "the next photo")
        check(time.monotonic() - on > 3.0, "the hold did not start over when the display came on")
        wait_until(lambda: site.requests("/showphotos.php"), 15, 0.2, "the refresh that fell due")


if __name__ == "__main__":
    sys.exit(harness.main({f.__name__: f for f in [display_off_spends_nothing_until_on]}))
