#!/usr/bin/python3
"""End-to-end scenarios of the weather: the real velmora.scr under Wine against the fake
weather service of tests/e2e/fake_site.py, its cache file, and the two weather slides and the
new-version notice that come after the twentieth slide change, on a 1280 x 720 screen."""

import os
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import harness  # noqa: E402
from fake_site import FakeSiteProcess, weather_document  # noqa: E402
from harness import Scenario, check, wait_until  # noqa: E402

WEATHER = "/weather/local/RSXX0091"
QUERY = "cc=*&prod=xoap&par=5512093847&key=9b0d41e7c2a5f386&dayf=5&unit=m"
SKY = (0x66, 0x98, 0xDA)
GRADIENT_BOTTOM = (0x00, 0x10, 0x30)
PHOTO_COLOURS = {"a.jpg": (200, 40, 40), "b.jpg": (40, 160, 40)}
NOTICE_TEXT_COLOUR = (0x80, 0xD0, 0xE0)
CHANGES_BEFORE_WEATHER = 21  # the first slide and twenty photo changes
# Short holds bring the twentieth change within a minute and a half; a slide
# still stays long enough for a screenshot or two, and for the next build.
SLIDE_SECONDS = 3


def point_at(s, site, **extra):
    """Only the weather goes to the fake site; photo site and update service are a closed port,
    so newver stays as written. The notice is off unless `extra` says otherwise."""
    closed = "http://127.0.0.1:1"
    s.write_settings(photo_site=closed, image_prefix=closed + "/images/", update_host=closed,
                     web_host="127.0.0.1:1", weather_host=site.base, **{"show_newver": "0", **extra})


def put_photos(s):
    """Two flat photos a few hours old, so the show alternates them."""
    old = time.time() - 3 * 3600
    for name, colour in PHOTO_COLOURS.items():
        path = s.data_path(name)
        os.makedirs(s.data_folder, exist_ok=True)
        subprocess.run(["convert", "-size", "1280x720", "xc:rgb(%d,%d,%d)" % colour, "-quality", "95", path],
                       check=True, timeout=60)
        os.utime(path, (old, old))


def put_weather(s, age_seconds, config=None):
    s.put_file("weather.xml", weather_document(config or {}))
    then = time.time() - age_seconds
    os.utime(s.data_path("weather.xml"), (then, then))
    return s.read_file("weather.xml"), os.stat(s.data_path("weather.xml")).st_mtime_ns


def weather_requests(site):
    return site.requests(WEATHER)


def end_saver(s, saver):
    s.key("space")
    check(saver.wait(10) == 0, "the saver did not end with 0")


def near(pixel, colour, tolerance=12):
    return all(abs(a - b) <= tolerance for a, b in zip(pixel, colour))


def weather_slide(shot):
    """"current" for the current conditions on the day sky, "forecast" for the five forecast
    columns, else None. For screens up to 2048 pixels a side, where the panel is the screen."""
    if shot.fraction_near(SKY, tolerance=6, step=16) > 0.5:
        return "current"
    # Five gradient columns W / 5 wide from y 200 to H - 150, black gaps between them.
    width, bottom = shot.width, shot.height - 150
    columns = [i * width // 5 for i in range(5)]
    if all(near(shot.pixel(c + 20, 203), SKY, 16) and near(shot.pixel(c + 20, bottom - 4), GRADIENT_BOTTOM, 16)
           and near(shot.pixel(c + 2, 210), (0, 0, 0), 6) for c in columns):
        return "forecast"
    return None


def notice_slide(shot):
    """The new-version notice: black but for the text below the centre and the icon above it."""
    if shot.fraction_near((0, 0, 0), tolerance=6, step=8) <= 0.8:
        return False
    text = shot.crop(0, shot.height // 2 + 50, shot.width, shot.height // 2 - 50)
    return text.fraction_near(NOTICE_TEXT_COLOUR, 40, 2) > 0.005


def classify(shot):
    """"current", "forecast", "notice", a photo's name, or "between" (a fade or anything else)."""
    panel = weather_slide(shot)
    if panel:
        return panel
    for name, colour in PHOTO_COLOURS.items():
        if shot.fraction_near(colour, tolerance=14, step=16) > 0.95:
            return name
    return "notice" if notice_slide(shot) else "between"


def watch_slides(s, saver, slides):
    """Screenshots several times a slide until `slides` distinct slides have been seen (fades
    left out); returns the slide names in order and the first screenshot of each name."""
    seen, first = [], {}
    time_bound = 30 + slides * (SLIDE_SECONDS + 3)
    end = time.monotonic() + time_bound
    while len(seen) < slides:
        check(time.monotonic() < end, f"only {len(seen)} slides in {time_bound} s: {seen}")
        check(saver.running(), f"the saver ended after {seen}")
        shot = s.screenshot()
        state = classify(shot)
        if state != "between" and (not seen or seen[-1] != state):
            seen.append(state)
            first.setdefault(state, shot)
        time.sleep(0.3)
    return seen, first


def weather_is_fetched_once_then_cached(scr, host):
    """A first run stores the answer with the exact query; a second run within a quarter of an
    hour asks nothing; a stale file gets exactly one new request, even while it is slow."""
    with Scenario("weather-cache", scr, host, time_limit=150) as s, \
            FakeSiteProcess(os.path.join(s.root, "site"), generate=1) as site:
        point_at(s, site)
        put_photos(s)
        saver = s.start("/s")
        wait_until(lambda: s.read_file("weather.xml"), 30, 0.2, "weather.xml")
        requests = weather_requests(site)
        check([r["query"] for r in requests] == [QUERY], f"weather requests: {requests}")
        check(s.read_file("weather.xml") == weather_document({}), "weather.xml is not the answer byte for byte")
        end_saver(s, saver)

        saver = s.start("/s")
        s.wait_window(harness.SAVER_TITLE)
        time.sleep(8.0)  # the start and one periodic check
        check(len(weather_requests(site)) == 1, "a second run within 15 minutes asked again")
        end_saver(s, saver)

        put_weather(s, 16 * 60)
        site.control(path=WEATHER, mode="delay", seconds="8")
        saver = s.start("/s")
        wait_until(lambda: len(weather_requests(site)) == 2, 30, 0.2, "the request for a stale file")
        time.sleep(14.0)  # periodic checks while the slow answer runs, then with the fresh file
        check(len(weather_requests(site)) == 2, f"{len(weather_requests(site)) - 1} requests for one stale file")
        check(abs(os.stat(s.data_path("weather.xml")).st_mtime - time.time()) < 30, "the stale file was not renewed")
        check(saver.running(), "the saver ended")


def bad_answers_keep_the_cached_document(scr, host):
    """An error document, a body cut short and a 500 each leave the stale weather.xml byte for byte
    with its time, and no temporary file."""
    with Scenario("weather-bad-answers", scr, host, time_limit=150) as s, \
            FakeSiteProcess(os.path.join(s.root, "site"), generate=1,
                            config={"weather_body": "<error><err type=\"1\">Invalid</err></error>"}) as site:
        point_at(s, site)
        old, old_time = put_weather(s, 3600, {"weather": {"place": "Old Place"}})
        for fault in (None, "cut", "500"):
            if fault:
                site.control(path=WEATHER, mode=fault)
            before = len(weather_requests(site))
            saver = s.start("/s")
            wait_until(lambda: len(weather_requests(site)) > before, 30, 0.2, f"the weather request ({fault})")
            time.sleep(2.0)
            check(s.read_file("weather.xml") == old, f"weather.xml changed after {fault or 'an error answer'}")
            check(os.stat(s.data_path("weather.xml")).st_mtime_ns == old_time, f"weather.xml touched by {fault}")
            check(s.read_file("weather.xml.tmp") is None, f"weather.xml.tmp left after {fault}")
            end_saver(s, saver)


def weather_and_notice_slides_follow_the_twentieth_change(scr, host):
    """With a newer version known, change 21 shows the current conditions on the day sky, change
    22 the forecast columns, change 23 the notice (text below the centre, the warning icon above
    it), then the photos go on; a key still ends the saver."""
    with Scenario("weather-slides", scr, host, time_limit=220) as s, \
            FakeSiteProcess(os.path.join(s.root, "site"), generate=1, lifetime=240) as site:
        point_at(s, site, show_newver="1", newver="1.1", slide_seconds=SLIDE_SECONDS)
        put_photos(s)
        saver = s.start("/s")
        seen, first = watch_slides(s, saver, CHANGES_BEFORE_WEATHER + 4)
        print("slides:", " ".join(seen))
        photos = seen[:CHANGES_BEFORE_WEATHER]
        check(all(p in PHOTO_COLOURS for p in photos), f"a weather or notice slide before change 21: {seen}")
        check(seen[CHANGES_BEFORE_WEATHER:CHANGES_BEFORE_WEATHER + 3] == ["current", "forecast", "notice"],
              f"changes 21, 22 and 23 are not the weather slides and the notice: {seen}")
        check(seen[-1] in PHOTO_COLOURS, f"the photos did not go on after the notice: {seen}")
        check(len(weather_requests(site)) == 1, "the weather was fetched more than once")
        for name in ("current", "forecast"):
            first[name].save_png(os.path.join(os.environ.get("VELMORA_SCENARIO_ROOT", s.root), f"weather-{name}.png"))
        notice = first["notice"]
        notice.save_png(os.path.join(s.root, "notice.png"))
        icon = notice.crop((notice.width - 240) // 2, notice.height // 2 - 250, 240, 200)
        check(icon.fraction_near((0, 0, 0), tolerance=6, step=2) < 0.9, "no warning icon above the text")
        check(len(icon.colours(step=4)) > 8, "the icon area is flat")
        end_saver(s, saver)


def incomplete_report_and_own_version_show_photos_at_change_21(scr, host):
    """Without a complete report (the service answers an error) change 21 shows a photo, never an
    empty panel, and newver naming the saver's own version brings no notice; the failed fetch is
    tried again, a minute later at the soonest."""
    with Scenario("weather-incomplete", scr, host, time_limit=220) as s, \
            FakeSiteProcess(os.path.join(s.root, "site"), generate=1, lifetime=240,
                            config={"weather_body": "<error><err type=\"2\">No data</err></error>"}) as site:
        point_at(s, site, show_newver="1", newver="1.0", slide_seconds=SLIDE_SECONDS)
        put_photos(s)
        saver = s.start("/s")
        seen, _ = watch_slides(s, saver, CHANGES_BEFORE_WEATHER + 2)
        print("slides:", " ".join(seen))
        check(all(p in PHOTO_COLOURS for p in seen), f"not only photos: {seen}")
        check(s.read_file("weather.xml") is None, "an error answer was stored as weather.xml")
        requests = weather_requests(site)
        gaps = [b["time"] - a["time"] for a, b in zip(requests, requests[1:])]
        check(gaps and all(g >= 59 for g in gaps), f"failed fetches not retried, or retried too soon: {gaps}")
        end_saver(s, saver)


SCENARIOS = {f.__name__: f for f in [
    weather_is_fetched_once_then_cached,
    bad_answers_keep_the_cached_document,
    weather_and_notice_slides_follow_the_twentieth_change,
    incomplete_report_and_own_version_show_photos_at_change_21,
]}

if __name__ == "__main__":
    sys.exit(harness.main(SCENARIOS))
