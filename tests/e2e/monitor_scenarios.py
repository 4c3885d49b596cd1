"""The "monitors" setting on two monitors side by side (harness.TWO_MONITORS):
the primary 1280 x 720 at 0,0 and a 1024 x 768 right of it, read back from
screenshots of the whole screen."""

import sys
import time

import harness
from harness import SAVER_TITLE, TWO_MONITORS, Scenario, check
from slideshow_scenarios import BLACK, OFFLINE, near, put_photo

# Photos of 1024 x 768, each with a top half of its own colour: on the primary
# monitor the top half covers PROBES[0], on the other one PROBES[1].
GREY = (90, 90, 90)
PHOTOS = [dict(name=f"p{i}.jpg", size=(1024, 768), split="vertical", first=colour, second=GREY)
          for i, colour in enumerate([(200, 40, 40), (40, 200, 40), (40, 60, 200), (200, 200, 40)])]
(W0, H0), (W1, H1) = TWO_MONITORS
PROBES = [(W0 // 2, H0 // 4), (W0 + W1 // 2, H1 // 4)]
MARK = (200, 0, 200)  # the root window's colour: what no saver window covers


def shown(shot, monitor):
    """The photo whose colour the monitor's probe shows, None for anything else."""
    pixel = shot.pixel(*PROBES[monitor])
    return next((p["name"] for p in PHOTOS if near(pixel, p["first"])), None)


def run_saver(s, photos, wait=True, **settings):
    s.write_settings(**OFFLINE, **settings)
    now = time.time()
    for age, photo in enumerate(PHOTOS[:photos]):
        put_photo(s, photo, now - 3600 * (age + 1))
    code, out = harness.run_quiet(["xsetroot", "-solid", "rgb:c8/00/c8"], s.env, 10)
    check(code == 0, f"xsetroot failed: {out}")
    process = s.start("/s")
    s.wait_window(SAVER_TITLE)
    if wait:
        harness.wait_until(lambda: shown(s.screenshot(), 0), 30, 0.2, "a photo on the primary monitor")
    return process


def saver_window_on(s, monitor):
    """The saver's X window over `monitor`."""
    for window in s.find_windows(SAVER_TITLE):
        x, y, w, h = s.geometry(window)
        if (x >= W0) == (monitor == 1):
            return window
    raise harness.HarnessError(f"no saver window on monitor {monitor}")


def key_ends_saver(s, process, monitor):
    s.xdotool("windowfocus", "--sync", saver_window_on(s, monitor))
    s.key("space")
    process.wait(5)


def second_monitor_colour(shot, colour):
    return shot.crop(W0, 0, W1, H1).fraction_near(colour, tolerance=4, step=8)


def primary_leaves_the_other_monitor_as_it_was(scr, host):
    with Scenario("monitors-primary", scr, host, time_limit=150, two_monitors=True) as s:
        process = run_saver(s, 2)
        shot = s.screenshot()
        check(second_monitor_colour(shot, MARK) == 1.0, "the saver drew on the second monitor")
        check(len(s.find_windows(SAVER_TITLE)) == 1, "more than one saver window")
        key_ends_saver(s, process, 0)


def black_covers_the_other_monitor(scr, host):
    with Scenario("monitors-black", scr, host, time_limit=150, two_monitors=True) as s:
        process = run_saver(s, 2, monitors="black")
        for _ in range(3):
            shot = s.screenshot()
            check(second_monitor_colour(shot, BLACK) == 1.0, "the second monitor is not all black")
            time.sleep(1.0)
        key_ends_saver(s, process, 1)


def all_shows_different_photos_on_each(scr, host):
    with Scenario("monitors-all", scr, host, time_limit=180, two_monitors=True) as s:
        process = run_saver(s, 4, monitors="all", slide_seconds=3)
        seen = []
        end = time.monotonic() + 15
        while time.monotonic() < end:
            shot = s.screenshot()
            seen.append((shown(shot, 0), shown(shot, 1)))
        both = [pair for pair in seen if None not in pair]
        check(len(both) >= len(seen) // 2, f"photos on both monitors in only {len(both)} of {len(seen)} screenshots")
        same = [a for a, b in both if a == b]
        check(not same, f"one photo on both monitors at once in {len(same)} screenshots: {sorted(set(same))}")
        check(len({b for _, b in both}) >= 2, f"the second monitor did not change photos: {set(both)}")
        key_ends_saver(s, process, 1)


def change_displays(s, xrandr, what, ready):
    """xrandr, then WM_DISPLAYCHANGE as Windows (not Wine) sends it, until `ready()`."""
    code, out = harness.run_quiet(["xrandr"] + xrandr.split(), s.env, 20)
    check(code == 0, f"xrandr {xrandr} failed: {out}")
    harness.wait_until(lambda: s.post_to_saver("displaychange") or ready(), 30, 0.5, what)


def saver_rects(s):
    """The saver windows' rectangles; None while one goes as it is looked at."""
    try:
        return sorted(s.geometry(w) for w in s.find_windows(SAVER_TITLE))
    except harness.HarnessError:
        return None


def follow_monitors_off_back_and_resized(scr, host, mode):
    with Scenario(f"monitors-{mode}-change", scr, host, time_limit=240, two_monitors=True) as s:
        process = run_saver(s, 4, monitors=mode, slide_seconds=3)
        covered = (lambda: shown(s.screenshot(), 1)) if mode == "all" else \
            (lambda: second_monitor_colour(s.screenshot(), BLACK) == 1.0)
        harness.wait_until(covered, 30, 0.2, "the second monitor covered")
        change_displays(s, "--output DUMMY1 --off", "the second monitor's window closed",
                        lambda: saver_rects(s) == [(0, 0, W0, H0)])
        harness.wait_until(lambda: shown(s.screenshot(), 0), 10, 0.2, "the primary's show going on")
        change_displays(s, "--output DUMMY1 --mode M --right-of DUMMY0", "a window on the second monitor again",
                        lambda: saver_rects(s) == [(0, 0, W0, H0), (W0, 0, W1, H1)])
        harness.wait_until(covered, 30, 0.2, "the second monitor covered again")
        change_displays(s, "--output DUMMY0 --mode 1024x768", "the primary's window at 1024 x 768",
                        lambda: (0, 0, 1024, 768) in (saver_rects(s) or []))
        # A 1024 x 768 photo fills the resized window: its own colour on top, grey below.
        fills = lambda shot: any(near(shot.pixel(512, 192), p["first"]) for p in PHOTOS) and \
            near(shot.pixel(512, 576), GREY)
        harness.wait_until(lambda: fills(s.screenshot()), 30, 0.3, "a photo filling the resized primary")
        key_ends_saver(s, process, 0)


def all_follows_the_monitors(scr, host):
    follow_monitors_off_back_and_resized(scr, host, "all")


def black_follows_the_monitors(scr, host):
    follow_monitors_off_back_and_resized(scr, host, "black")


def no_gl_context_leaves_the_screen_black(scr, host):
    """No OpenGL context to be had: the screen is black until a key ends the saver."""
    with Scenario("monitors-no-gl", scr, host, time_limit=120, gl=False) as s:
        process = run_saver(s, 1, wait=False)
        time.sleep(2.0)
        check(s.screenshot().crop(0, 0, W0, H0).fraction_near(BLACK, tolerance=4, step=8) == 1.0, "not all black")
        key_ends_saver(s, process, 0)


SCENARIOS = {f.__name__: f for f in [
    primary_leaves_the_other_monitor_as_it_was,
    black_covers_the_other_monitor,
    all_shows_different_photos_on_each,
    all_follows_the_monitors,
    black_follows_the_monitors,
    no_gl_context_leaves_the_screen_black,
]}

if __name__ == "__main__":
    sys.exit(harness.main(SCENARIOS))
