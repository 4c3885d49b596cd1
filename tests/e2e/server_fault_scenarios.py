#!/usr/bin/python3
"""Servers that fail, stall or never stop sending, end to end: the real velmora.scr under Wine
against tests/e2e/fake_site.py. In every one nothing the saver keeps is lost, and no
half-written file stays behind."""

import os
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import harness  # noqa: E402
from fake_site import FakeSiteProcess, weather_document  # noqa: E402
from harness import Scenario, check, wait_until  # noqa: E402

LISTING = "/showphotos.php"
UPDATE = "/screensavers/update.php"
PHOTO = "/images/x/y/1000.jpg"
WEATHER = "/weather/local/RSXX0091"
MIB = 1024 * 1024


def point_at(s, site, **extra):
    s.write_settings(photo_site=site.base, image_prefix=site.image_prefix, update_host=site.base,
                     weather_host=site.base, web_host="127.0.0.1:1", **extra)


def end_with_key(s, saver):
    pressed = time.monotonic()
    s.key("space")
    check(saver.wait(10) == 0, "the saver did not end with 0")
    return time.monotonic() - pressed


def leftovers(s):
    return [n for n in s.data_files() if n.endswith(".tmp") or n == "update.xml" or n.startswith("weather_search")]


def version_check_failures_keep_the_settings(scr, host):
    """404, 500, a cut body, a 5 MiB answer and a stall ended by a key press: settings.cfg stays
    byte for byte and no update.xml remains."""
    with Scenario("fault-version", scr, host, time_limit=180) as s, \
            FakeSiteProcess(os.path.join(s.root, "site"), generate=1,
                            config={"faults": {LISTING: {"mode": "404"}}}) as site:
        point_at(s, site, show_weather="0")
        settings = s.read_file("settings.cfg")
        for fault in ({"mode": "404"}, {"mode": "500"}, {"mode": "cut"}, {"mode": "big", "mib": "5"},
                      {"mode": "flood", "mib": "5"}, {"mode": "stall"}):
            before, listings = len(site.requests(UPDATE)), len(site.requests(LISTING))
            site.control(path=UPDATE, **fault)
            saver = s.start("/s")
            wait_until(lambda: len(site.requests(UPDATE)) > before, 30, 0.1, f"the version check ({fault})")
            if fault["mode"] == "stall":
                wait_until(lambda: s.read_file("update.xml") is not None, 10, 0.1, "the stalled update.xml")
            else:
                wait_until(lambda: len(site.requests(LISTING)) > listings, 30, 0.1, "the listing after the check")
            took = end_with_key(s, saver)
            check(took < 5.0, f"the saver took {took:.1f} s to end during {fault}")
            check(s.read_file("settings.cfg") == settings, f"settings.cfg changed after {fault}")
            check(not leftovers(s), f"left after {fault}: {leftovers(s)}")


def abandoned_listing_leaves_no_index(scr, host):
    """A listing fetch abandoned by a key press leaves no index.htm, so the next start
    refreshes at once."""
    with Scenario("fault-listing", scr, host, time_limit=120) as s, \
            FakeSiteProcess(os.path.join(s.root, "site"), generate=1,
                            config={"faults": {LISTING: {"mode": "stall"}}}) as site:
        point_at(s, site, show_weather="0")
        saver = s.start("/s")
        wait_until(lambda: s.read_file("index.htm") is not None, 30, 0.1, "the stalled index.htm")
        end_with_key(s, saver)
        check(s.read_file("index.htm") is None, "an abandoned listing fetch left index.htm")
        site.control(path=LISTING, mode="ok")
        s.start("/s")
        wait_until(lambda: len(site.requests(LISTING)) == 2, 20, 0.2, "a refresh at the next start")


def flooding_photo_is_refused_at_its_limit(scr, host):
    """A photo answer that streams 100 MiB without a length is refused at 64 MiB: no .jpg and no
    .jpg.tmp remain, and the temporary file never grew past the limit."""
    with Scenario("fault-flood", scr, host, time_limit=180) as s, \
            FakeSiteProcess(os.path.join(s.root, "site"), generate=1,
                            config={"faults": {PHOTO: {"mode": "flood", "mib": "100"}}}) as site:
        point_at(s, site, show_weather="0")
        saver = s.start("/s")
        temp = s.data_path("1000.jpg.tmp")
        wait_until(lambda: os.path.exists(temp), 60, 0.05, "the photo's temporary file")
        largest = 0
        deadline = time.monotonic() + 120
        while os.path.exists(temp) and time.monotonic() < deadline:
            try:
                largest = max(largest, os.path.getsize(temp))
            except OSError:
                pass
            time.sleep(0.05)
        print(f"largest temporary file seen: {largest / MIB:.1f} MiB")
        check(not os.path.exists(temp), "the flooding download was never given up")
        check(largest <= 64 * MIB, f"the temporary file grew to {largest} bytes")
        check(s.read_file("1000.jpg") is None, "the flooding photo was stored")
        check(saver.running(), "the saver ended")


def huge_weather_answer_keeps_the_old_document(scr, host):
    """A weather answer of 5 MiB, declared or streamed, keeps the old weather.xml as it was."""
    with Scenario("fault-weather", scr, host, time_limit=120) as s, \
            FakeSiteProcess(os.path.join(s.root, "site"), generate=1,
                            config={"faults": {LISTING: {"mode": "404"}}}) as site:
        point_at(s, site)
        s.put_file("weather.xml", weather_document({"weather": {"place": "Old Place"}}))
        stale = time.time() - 3600
        os.utime(s.data_path("weather.xml"), (stale, stale))
        old = s.read_file("weather.xml")
        for mode in ("big", "flood"):
            before = len(site.requests(WEATHER))
            site.control(path=WEATHER, mode=mode, mib="5")
            saver = s.start("/s")
            wait_until(lambda: len(site.requests(WEATHER)) > before, 30, 0.1, f"the weather request ({mode})")
            wait_until(lambda: s.read_file("weather.xml.tmp") is None, 30, 0.2, "the temporary file to go")
            time.sleep(1.0)
            check(s.read_file("weather.xml") == old, f"a 5 MiB answer ({mode}) changed weather.xml")
            end_with_key(s, saver)


def read_only_settings_keep_the_show_running(scr, host):
    """settings.cfg that cannot be written (it lacks keys, so the saver wants to complete it, and
    the update answer brings a new version): the saver runs and shows its photos."""
    with Scenario("fault-readonly", scr, host, time_limit=120) as s, \
            FakeSiteProcess(os.path.join(s.root, "site"), generate=2, size="1280x720", version="1.3") as site:
        s.put_file("settings.cfg", harness.settings_bytes([
            ("dloption", "0"), ("photo_site", site.base), ("image_prefix", site.image_prefix),
            ("update_host", site.base), ("weather_host", site.base), ("web_host", "127.0.0.1:1")]))
        settings = s.read_file("settings.cfg")
        os.chmod(s.data_path("settings.cfg"), 0o444)
        # Root may write any file: Wine's read-only attribute is what the saver meets here.
        saver = s.start("/s")
        wait_until(lambda: len([n for n in s.data_files() if n.endswith(".jpg")]) == 2, 60, 0.2, "the photos")
        shown = wait_until(lambda: (lambda shot: shot.fraction_near((0, 0, 0), 8, 8) < 0.5)(s.screenshot()), 60,
                           0.5, "a photo on the screen")
        check(shown and saver.running(), "the saver does not show its photos")
        check(s.read_file("settings.cfg") == settings, "the read-only settings.cfg was changed")
        check(not [n for n in s.data_files() if n.endswith(".tmp")], f"temporary files left: {s.data_files()}")


SCENARIOS = {f.__name__: f for f in [
    version_check_failures_keep_the_settings,
    abandoned_listing_leaves_no_index,
    flooding_photo_is_refused_at_its_limit,
    huge_weather_answer_keeps_the_old_document,
    read_only_settings_keep_the_show_running,
]}

if __name__ == "__main__":
    sys.exit(harness.main(SCENARIOS))
