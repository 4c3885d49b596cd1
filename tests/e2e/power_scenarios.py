#!/usr/bin/python3
"""The saver while nobody looks: Wine sends no display-state notification, so
tests/e2e/power_driver.cpp (VELMORA_POWER_DRIVER) delivers it as Windows would."""

import glob
import os
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import harness  # noqa: E402
from fake_site import FakeSiteProcess  # noqa: E402
from harness import Scenario, check, wait_until  # noqa: E402

RED, BLUE = (200, 40, 40), (40, 60, 200)


def shown(s):
    """RED or BLUE when that photo is fully on screen, else None."""
    pixel = s.screenshot().pixel(640, 360)
    return next((c for c in (RED, BLUE) if all(abs(a - b) <= 24 for a, b in zip(pixel, c))), None)


def wakeups(pid):
    """Voluntary context switches of the saver's own threads and the driver's, not Wine's."""
    found = {}
    for task in glob.glob(f"/proc/{pid}/task/*"):
        try:
            name = open(os.path.join(task, "comm")).read().strip()
            status = open(os.path.join(task, "status")).read()
        except OSError:
            continue
        if task.endswith(f"/{pid}") or not (name == "velmora.scr" or name.startswith("wine_")):
            found[f"{name} {task}"] = int(status.split("voluntary_ctxt_switches:")[1].split()[0])
    return found


def deliver(s, state):
    done = subprocess.run(["wine", os.environ.get("VELMORA_POWER_DRIVER", ""), "display", state], env=s.env,
                          stdin=subprocess.DEVNULL, capture_output=True, text=True, timeout=30, check=False)
    check(done.returncode == 0, f"display {state} not delivered: {done.stdout.strip()} ({done.returncode})")


def display_off_spends_nothing_until_on(scr, host):
    """20 photos, red and blue in turn, 3-second holds and an overdue gallery; a key ends it all."""
    with Scenario("display-off", scr, host, time_limit=150) as s, \
            FakeSiteProcess(os.path.join(s.root, "site"), generate=2) as site:
        s.write_settings(photo_site=site.base, image_prefix=site.image_prefix, update_host=site.base,
                         weather_host=site.base, slide_seconds="3")
        for colour in (RED, BLUE):
            jpeg = subprocess.run(["convert", "-size", "1280x720", f"xc:rgb{colour}".replace(" ", ""), "jpg:-"],
                                  check=True, capture_output=True, timeout=60).stdout
            for i in range(10):
                name, when = f"{colour[0]}-{i}.jpg", time.time() - 3600 + 2 * i + (colour == BLUE)
                s.put_file(name, jpeg)
                os.utime(s.data_path(name), (when, when))
        s.put_file("index.htm", b"<html></html>")
        os.utime(s.data_path("index.htm"), (time.time() - 2 * 86400,) * 2)

        saver = s.start("/s")
        s.wait_window(harness.SAVER_TITLE)
        wait_until(lambda: shown(s) is not None, 20, 0.1, "the first photo")
        deliver(s, "off")
        before, requests = shown(s), len(site.requests())
        time.sleep(0.5)
        woke = wakeups(saver.pid)
        time.sleep(8.0)  # two holds and their fades, and the first periodic check, would have come
        busy = {t: n - woke.get(t, 0) for t, n in wakeups(saver.pid).items() if n - woke.get(t, 0) > 1}
        check(not busy, f"threads woke while the display was off: {busy}")
        check(shown(s) == before, "the slide changed while the display was off")
        check(len(site.requests()) == requests, f"requests while the display was off: {site.requests()[requests:]}")
        # Paints the screen black and exposes the saver's window, which asks for a frame.
        subprocess.run(["xrefresh", "-solid", "black"], env=s.env, check=True, timeout=10)
        time.sleep(1.0)
        check(shown(s) is None, "a frame was drawn while the display was off")

        deliver(s, "on")
        on = time.monotonic()
        wait_until(lambda: shown(s) == before, 2, 0.05, "the photo that was on screen")
        wait_until(lambda: shown(s) not in (before, None), 10, 0.1, "the next photo")
        check(time.monotonic() - on > 3.0, "the hold did not start over when the display came on")
        wait_until(lambda: site.requests("/showphotos.php"), 15, 0.2, "the refresh that fell due")
        deliver(s, "off")
        s.key("space")
        check(saver.wait(10) == 0, "a key did not end the saver while the display was off")


if __name__ == "__main__":
    sys.exit(harness.main({f.__name__: f for f in [display_off_spends_nothing_until_on]}))
