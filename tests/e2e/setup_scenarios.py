#!/usr/bin/python3
"""End-to-end scenarios of the setup dialog and the location search:
the real velmora.scr under Wine, its dialogs worked with window messages by
tests/e2e/setup_driver.cpp (VELMORA_SETUP_DRIVER), the searches answered by
tests/e2e/fake_site.py on 127.0.0.1."""

import json
import os
import select
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import harness  # noqa: E402
from fake_site import SEARCH_PATH, FakeSiteProcess  # noqa: E402
from harness import SETUP_TITLE, Scenario, check, wait_until  # noqa: E402

LOCATION_TITLE = "Weather Location"
WARNING_TITLE = "Cannot search"
IDOK, IDCANCEL = 1, 2
PROGRAM_ICON, GALLERY, HOME_WEBSITE, NOTICE_ICON, NOTICE_TEXT = 1000, 1001, 1002, 1004, 1005
SHOW_WEATHER, CHANGE, SHOW_NEWVER, LOCATION_LABEL, LOCATION_NAME = 1010, 1012, 1013, 1014, 1015
RESULTS, SEARCH, SEARCH_TEXT = 1015, 1016, 1017
VK_ESCAPE, VK_RETURN = 0x1B, 0x0D
MORE_TITLE = "Velmora - More Settings"
MORE, SLIDE_SECONDS = 1020, 1101
MONITOR_BUTTONS, UNIT_BUTTONS = (1102, 1103, 1104), (1105, 1106)

GALLERY_TITLES = [
    "Photos of the week - 150K daily traffic, 1 new photo every week",
    "People's Choice - 400K daily traffic, 3-4 new photos every week",
    "Screener's Choice - 250K daily traffic, 1-2 new photos every week",
    "Best of last 30 days - 2M daily traffic, 3-5 new photos every day",
    "Best of last 7 days - 8M daily traffic, 15-20 new photos every day",
    "Best of last 24 hours - 60M daily traffic, 5-10 new photos every hour",
]
NOTICE_FORMAT = 'New version %s is available!\nPlease, click "Home Website" for upgrade details.'
SEARCHING = "Searching, please wait..."
NOT_FOUND = "Could not find this location."
CONNECTION_FAILED = "Could not find the location. Looks like connection problems..."
WARNING_TEXT = "Please, enter city name or ZIP code to search for."
DASH = " \u2014 "

NEW_YORK_ANSWER = ('<?xml version="1.0" encoding="ISO-8859-1"?>\n<search ver="3.0">\n'
                   '  <loc id="USNY0996" type="1">New York, NY</loc>\n'
                   '  <loc id="USNY0998" type="1">New York Mills, NY</loc>\n'
                   '  <loc id="UKXX0085" type="1">York, United Kingdom</loc>\n</search>\n')
NEW_YORK_LINES = ["New York, NY" + DASH + "USNY0996", "New York Mills, NY" + DASH + "USNY0998",
                  "York, United Kingdom" + DASH + "UKXX0085"]
PARIS_ANSWER = '<search ver="3.0"><loc id="FRXX0076" type="1">Paris, France</loc></search>'
PARIS_LINE = "Paris, France" + DASH + "FRXX0076"
LYON_ANSWER = '<search ver="3.0"><loc id="FRXX0052" type="1">Lyon, France</loc></search>'
LYON_LINE = "Lyon, France" + DASH + "FRXX0052"


class Driver:
    """tests/e2e/setup_driver.cpp: one command line in, one answer line out."""

    def __init__(self, s):
        path = os.environ.get("VELMORA_SETUP_DRIVER", "")
        check(os.path.isfile(path), f"VELMORA_SETUP_DRIVER names no file: {path!r}")
        self.process = s.start_program([path], "setup_driver", pipes=True)

    def ask(self, verb, *args, timeout=10.0):
        words = [verb] + [json.dumps(a) if isinstance(a, str) else str(a) for a in args]
        self.process.popen.stdin.write((" ".join(words) + "\n").encode())
        self.process.popen.stdin.flush()
        ready, _, _ = select.select([self.process.popen.stdout], [], [], timeout)
        check(ready, f"the setup driver gave no answer to {verb} within {timeout:.0f} s")
        line = self.process.popen.stdout.readline().decode("utf-8", "replace").strip()
        check(line, f"the setup driver ended; see {self.process.log_path}")
        return line

    def _value(self, verb, title, *args):
        line = self.ask(verb, title, *args)
        check(line.startswith(verb + " "), f"{verb} {title!r} {args}: {line}")
        return line[len(verb) + 1:]

    def exists(self, title):
        return self.ask("find", title).startswith("window ")

    def wait_window(self, title, timeout=20.0):
        wait_until(lambda: self.exists(title), timeout, 0.1, f"a window titled {title!r}")

    def wait_gone(self, title, timeout=10.0):
        wait_until(lambda: not self.exists(title), timeout, 0.1, f"the window {title!r} to close")

    def text(self, title, control):
        return json.loads(self._value("text", title, control))

    def texts(self, title):
        return json.loads(self._value("texts", title))

    def state(self, title, control):
        """(visible, enabled, checked)"""
        return tuple(w == "1" for w in self._value("state", title, control).split())

    def enabled(self, title, control):
        return self.state(title, control)[1]

    def has_icon(self, title, control):
        return self._value("icon", title, control) == "1"

    def items(self, title, control):
        """(selected index, lines) of a combo or list box."""
        selected, lines = self._value("items", title, control).split(" ", 1)
        return int(selected), json.loads(lines)

    def _do(self, expected, verb, *args):
        line = self.ask(verb, *args)
        check(line == expected, f"{verb} {args}: {line}")

    def select(self, title, control, index):
        self._do("selected", "select", title, control, index)

    def set_text(self, title, control, text):
        self._do("set", "settext", title, control, text)

    def click(self, title, control):
        self._do("posted", "click", title, control)

    def double_click(self, title, control):
        self._do("posted", "dblclick", title, control)

    def key(self, title, control, vk):
        self._do("posted", "key", title, control, vk)

    def close(self, title):
        self._do("posted", "close", title)


def shows_location(driver, name):
    """True once the setup dialog shows `name` (it sets it when the search dialog has gone)."""
    try:
        wait_until(lambda: driver.text(SETUP_TITLE, LOCATION_NAME) == name, 5, 0.05, "the location text")
        return True
    except harness.HarnessError:
        return False


def start_setup(s, driver):
    process = s.start("/c")
    driver.wait_window(SETUP_TITLE)
    return process


def ends_with_zero(process):
    check(process.wait(10) == 0, "the setup did not end with 0")


def settings_dict(s):
    return dict(s.read_settings() or [])


def open_location_dialog(driver):
    driver.click(SETUP_TITLE, CHANGE)
    driver.wait_window(LOCATION_TITLE)


def search(driver, text):
    driver.set_text(LOCATION_TITLE, SEARCH_TEXT, text)
    driver.click(LOCATION_TITLE, SEARCH)


def wait_results(driver, lines):
    """Waits until the search has ended (Search enabled again) with `lines` in the list; returns
    the selected index."""
    last = []

    def ended():
        selected, seen = driver.items(LOCATION_TITLE, RESULTS)
        last[:] = [seen]
        return [selected] if seen == lines and driver.enabled(LOCATION_TITLE, SEARCH) else None
    try:
        return wait_until(ended, 45, 0.1, "the search")[0]
    except harness.HarnessError:
        raise harness.HarnessError(f"the list shows {last}, expected {lines}") from None


def search_answer_files(s):
    return [n for n in s.data_files() if n.startswith("weather_search")]


def search_queries(site):
    return [r["query"] for r in site.requests(SEARCH_PATH)]


# ---------------------------------------------------------------------------
# The setup dialog


def setup_dialog_shows_the_stored_choices(scr, host):
    """Gallery row, boxes, location and the new-version line as stored; the weather box switches
    the location controls."""
    cases = [
        ({"dloption": "3", "show_weather": "1", "show_newver": "0", "weather_loc": "Hollin, Velmora",
          "newver": "1.1"}, "1.1"),
        ({"dloption": "5", "show_weather": "0", "show_newver": "1", "newver": "1.0"}, None),
        ({"dloption": "0", "show_weather": "0", "newver": ""}, None),
    ]
    failures = []
    with Scenario("setup-shows", scr, host, time_limit=150) as s:
        driver = Driver(s)
        for overrides, newer in cases:
            s.write_settings(**overrides)
            stored = settings_dict(s)
            process = start_setup(s, driver)
            name = f"settings {overrides}"
            seen = {
                "gallery": driver.items(SETUP_TITLE, GALLERY),
                "weather box": driver.state(SETUP_TITLE, SHOW_WEATHER)[2],
                "notice box": driver.state(SETUP_TITLE, SHOW_NEWVER)[2],
                "location": driver.text(SETUP_TITLE, LOCATION_NAME),
                "location enabled": [driver.enabled(SETUP_TITLE, c) for c in (LOCATION_LABEL, LOCATION_NAME, CHANGE)],
                "program icon": driver.has_icon(SETUP_TITLE, PROGRAM_ICON),
                "warning shown": driver.state(SETUP_TITLE, NOTICE_ICON)[0] and driver.has_icon(SETUP_TITLE, NOTICE_ICON),
                "notice shown": driver.state(SETUP_TITLE, NOTICE_TEXT)[0],
            }
            weather_on = stored["show_weather"] == "1"
            expected = {
                "gallery": (int(stored["dloption"]), GALLERY_TITLES),
                "weather box": weather_on,
                "notice box": stored["show_newver"] == "1",
                "location": stored["weather_loc"],
                "location enabled": [weather_on] * 3,
                "program icon": True,
                "warning shown": newer is not None,
                "notice shown": newer is not None,
            }
            for key, value in expected.items():
                if seen[key] != value:
                    failures.append(f"{name}: {key} is {seen[key]!r}, expected {value!r}")
            if newer is not None and driver.text(SETUP_TITLE, NOTICE_TEXT) != NOTICE_FORMAT % newer:
                failures.append(f"{name}: notice text {driver.text(SETUP_TITLE, NOTICE_TEXT)!r}")
            # The weather box switches the location controls, both ways.
            for _ in range(2):
                driver.click(SETUP_TITLE, SHOW_WEATHER)
                weather_on = not weather_on
                wait_until(lambda: driver.state(SETUP_TITLE, SHOW_WEATHER)[2] == weather_on, 5, 0.05, "the weather box")
                states = [driver.enabled(SETUP_TITLE, c) for c in (LOCATION_LABEL, LOCATION_NAME, CHANGE)]
                if states != [weather_on] * 3:
                    failures.append(f"{name}: weather box {weather_on}, location controls enabled {states}")
            if newer is not None:
                s.screenshot(os.path.join(s.root, "setup.png"))
            driver.click(SETUP_TITLE, IDCANCEL)
            ends_with_zero(process)
    check(not failures, "; ".join(failures))


def ok_stores_the_gallery_and_the_boxes(scr, host):
    """OK stores gallery row 4 and both boxes unchecked, keeps the location and its weather, ends with 0."""
    with Scenario("setup-ok", scr, host) as s:
        s.write_settings(weather_loc="Hollin, Velmora", weather_loc_id="VLXX0001")
        s.put_file("weather.xml", "<weather/>")
        before = settings_dict(s)
        driver = Driver(s)
        process = start_setup(s, driver)
        driver.select(SETUP_TITLE, GALLERY, 4)
        driver.click(SETUP_TITLE, SHOW_NEWVER)
        driver.click(SETUP_TITLE, SHOW_WEATHER)
        wait_until(lambda: not driver.state(SETUP_TITLE, SHOW_WEATHER)[2], 5, 0.05, "the weather box unchecked")
        driver.click(SETUP_TITLE, IDOK)
        ends_with_zero(process)
        after = settings_dict(s)
        expected = dict(before, dloption="4", show_newver="0", show_weather="0")
        check(after == expected, f"settings.cfg holds {after}, expected {expected}")
        check(s.read_file("weather.xml") is not None, "weather.xml is gone though the location stayed")


def cancel_close_and_escape_store_nothing(scr, host):
    """Cancel, the close box and Escape after changes (a new location too) leave settings.cfg byte
    for byte and end with 0."""
    failures = []
    with Scenario("setup-cancel", scr, host, time_limit=150) as s, \
            FakeSiteProcess(os.path.join(s.root, "site"), generate=1, size="8x8",
                            config={"search": {"*": PARIS_ANSWER}}) as site:
        s.write_settings(weather_host=site.base)
        s.put_file("weather.xml", "<weather/>")
        raw = s.read_file("settings.cfg")
        driver = Driver(s)
        ways = [("Cancel", lambda: driver.click(SETUP_TITLE, IDCANCEL)),
                ("close box", lambda: driver.close(SETUP_TITLE)),
                ("Escape", lambda: driver.key(SETUP_TITLE, GALLERY, VK_ESCAPE))]
        for way, end in ways:
            process = start_setup(s, driver)
            driver.select(SETUP_TITLE, GALLERY, 2)
            driver.click(SETUP_TITLE, SHOW_WEATHER)
            driver.click(SETUP_TITLE, SHOW_NEWVER)
            if way == "Cancel":
                open_location_dialog(driver)
                search(driver, "Paris")
                wait_results(driver, [PARIS_LINE])
                driver.click(LOCATION_TITLE, IDOK)
                driver.wait_gone(LOCATION_TITLE)
                if not shows_location(driver, "Paris, France"):
                    failures.append(f"{way}: the chosen location is not shown")
            end()
            try:
                ends_with_zero(process)
            except harness.HarnessError as error:
                failures.append(f"{way}: {error}")
                driver.close(SETUP_TITLE)
                process.wait(10)
            if s.read_file("settings.cfg") != raw:
                failures.append(f"{way}: settings.cfg changed to {s.read_settings()}")
            if s.read_file("weather.xml") is None:
                failures.append(f"{way}: weather.xml was deleted")
    check(not failures, "; ".join(failures))


def more_page_stores_its_three_settings(scr, host):
    """More... shows the stored values; 2 seconds is refused and the page stays open; 45 seconds, a
    slideshow on the other monitors and Fahrenheit, then OK: settings.cfg holds them with every other
    line as it was (an unknown key too), and the cached weather is gone. Escape then stores nothing,
    Enter stores like OK, and Cancel in the setup dialog undoes nothing."""
    with Scenario("setup-more", scr, host, time_limit=150) as s:
        s.write_settings(weather_loc="Hollin, Velmora", weather_loc_id="VLXX0001", monitors="black", colour="blue")
        s.put_file("weather.xml", "<weather/>")
        before = s.read_settings()
        driver = Driver(s)
        process = start_setup(s, driver)

        def more(seconds, *buttons, key=None, shown=None):
            driver.click(SETUP_TITLE, MORE)
            driver.wait_window(MORE_TITLE)
            seen = (driver.text(MORE_TITLE, SLIDE_SECONDS),
                    [driver.state(MORE_TITLE, b)[2] for b in MONITOR_BUTTONS + UNIT_BUTTONS])
            check(shown is None or seen == shown, f"the page shows {seen}, expected {shown}")
            driver.set_text(MORE_TITLE, SLIDE_SECONDS, seconds)
            for b in buttons:
                driver.click(MORE_TITLE, b)
            driver.key(MORE_TITLE, SLIDE_SECONDS, key) if key else driver.click(MORE_TITLE, IDOK)

        more("2", shown=("10", [False, True, False, True, False]))
        time.sleep(1.0)
        check(driver.exists(MORE_TITLE) and s.read_settings() == before, "2 seconds was taken")
        driver.set_text(MORE_TITLE, SLIDE_SECONDS, "45")
        driver.click(MORE_TITLE, MONITOR_BUTTONS[2])
        driver.click(MORE_TITLE, UNIT_BUTTONS[1])
        driver.click(MORE_TITLE, IDOK)
        driver.wait_gone(MORE_TITLE)
        stored = [p for p in before if p[0] not in ("monitors", "colour")] + [
            ("slide_seconds", "45"), ("monitors", "all"), ("weather_unit", "s"), ("colour", "blue")]
        check(s.read_settings() == stored, f"settings.cfg holds {s.read_settings()}, expected {stored}")
        check(s.read_file("weather.xml") is None, "weather.xml in the old units is still there")
        more("3600", key=VK_ESCAPE, shown=("45", [False, False, True, False, True]))
        driver.wait_gone(MORE_TITLE)
        more("3600", key=VK_RETURN, shown=("45", [False, False, True, False, True]))
        driver.wait_gone(MORE_TITLE)
        stored[-4] = ("slide_seconds", "3600")
        driver.click(SETUP_TITLE, IDCANCEL)
        ends_with_zero(process)
        check(s.read_settings() == stored, f"after Enter and Cancel settings.cfg holds {s.read_settings()}")


def home_website_opens_the_home_page_each_time(scr, host):
    """Each press of Home Website hands the home page to the browser; the dialog stays open. A
    web_host without scheme gets "http://", one with its scheme is used as it stands."""
    with Scenario("home-website", scr, host) as s:
        record = os.path.join(s.root, "browser.log")
        browser = os.path.join(s.root, "browser.sh")
        with open(browser, "w") as f:
            f.write('#!/bin/sh\necho "$@" >> %s\n' % record)
        os.chmod(browser, 0o755)
        code, out = s.run_windows_program(["reg", "add", r"HKCU\Software\Wine\WineBrowser", "/v", "Browsers",
                                           "/d", browser, "/f"])
        check(code == 0, f"could not set the browser: {out}")
        driver = Driver(s)

        def opened():
            try:
                with open(record) as f:
                    return f.read().splitlines()
            except FileNotFoundError:
                return []

        expected = []
        for web_host, presses, page in (("www.velmora.example", 3, "http://www.velmora.example/screensavers"),
                                        ("https://secure.velmora.example", 1,
                                         "https://secure.velmora.example/screensavers")):
            s.write_settings(web_host=web_host)
            process = start_setup(s, driver)
            for press in range(1, presses + 1):
                expected.append(page)
                driver.click(SETUP_TITLE, HOME_WEBSITE)
                wait_until(lambda: len(opened()) >= len(expected), 20, 0.1, f"press {press} to reach the browser")
                check(process.running() and driver.exists(SETUP_TITLE), f"the dialog closed after press {press}")
            time.sleep(1.0)
            check(opened() == expected, f"the browser was given {opened()}, expected {expected}")
            driver.click(SETUP_TITLE, IDCANCEL)
            ends_with_zero(process)


# ---------------------------------------------------------------------------
# The location search


def a_new_location_is_searched_and_stored(scr, host):
    """Change, a search for "  New York": the service sees the text trimmed and encoded, three
    results with the first selected; OK and OK store the new location and drop weather.xml."""
    with Scenario("search-new", scr, host) as s, \
            FakeSiteProcess(os.path.join(s.root, "site"), generate=1, size="8x8",
                            config={"search": {"New York": NEW_YORK_ANSWER},
                                    "faults": {SEARCH_PATH: {"mode": "delay", "seconds": "2"}}}) as site:
        s.write_settings(weather_host=site.base)
        s.put_file("weather.xml", "<weather/>")
        driver = Driver(s)
        process = start_setup(s, driver)
        open_location_dialog(driver)
        check(not driver.enabled(LOCATION_TITLE, IDOK), "OK is enabled before any search")

        search(driver, "  New York")
        wait_until(lambda: driver.items(LOCATION_TITLE, RESULTS)[1] == [SEARCHING], 5, 0.05, "the searching line")
        check(not driver.enabled(LOCATION_TITLE, SEARCH) and not driver.enabled(LOCATION_TITLE, IDOK),
              "Search or OK enabled while searching")
        check(wait_results(driver, NEW_YORK_LINES) == 0, "the first result is not selected")
        check(driver.enabled(LOCATION_TITLE, IDOK), "OK is disabled after results arrived")
        check(search_queries(site) == ["where=New%20York"], f"the service saw {search_queries(site)}")
        check(search_answer_files(s) == [], f"answer files left in the data folder: {search_answer_files(s)}")
        s.screenshot(os.path.join(s.root, "location.png"))

        driver.click(LOCATION_TITLE, IDOK)
        driver.wait_gone(LOCATION_TITLE)
        check(shows_location(driver, "New York, NY"), "the setup dialog shows another location")
        check(s.read_file("weather.xml") is not None, "weather.xml went before OK")
        driver.click(SETUP_TITLE, IDOK)
        ends_with_zero(process)
        stored = settings_dict(s)
        check((stored["weather_loc"], stored["weather_loc_id"]) == ("New York, NY", "USNY0996"),
              f"stored location {stored['weather_loc']!r} / {stored['weather_loc_id']!r}")
        check(s.read_file("weather.xml") is None, "weather.xml of the old location is still there")


def choosing_the_stored_location_keeps_the_weather(scr, host):
    """Double-clicking the location already stored (in another letter case) and OK change nothing."""
    with Scenario("search-same", scr, host) as s, \
            FakeSiteProcess(os.path.join(s.root, "site"), generate=1, size="8x8",
                            config={"search": {"new york": NEW_YORK_ANSWER}}) as site:
        s.write_settings(weather_host=site.base, weather_loc="NEW YORK, NY", weather_loc_id="usny0996")
        s.put_file("weather.xml", "<weather/>")
        driver = Driver(s)
        process = start_setup(s, driver)
        open_location_dialog(driver)
        search(driver, "new york")
        wait_results(driver, NEW_YORK_LINES)
        driver.double_click(LOCATION_TITLE, RESULTS)
        driver.wait_gone(LOCATION_TITLE)
        check(shows_location(driver, "New York, NY"), "the double-clicked line was not chosen")
        driver.click(SETUP_TITLE, IDOK)
        ends_with_zero(process)
        stored = settings_dict(s)
        check((stored["weather_loc"], stored["weather_loc_id"]) == ("NEW YORK, NY", "usny0996"),
              f"the stored location changed to {stored['weather_loc']!r} / {stored['weather_loc_id']!r}")
        check(s.read_file("weather.xml") is not None, "weather.xml was dropped for the same location")


def search_problems_are_shown_in_the_dialog(scr, host):
    """An empty search warns and sends nothing; a failing service shows the connection line, an
    answer without entries the not-found line, OK disabled both times; OK on a status line
    closes like Cancel."""
    with Scenario("search-problems", scr, host) as s, \
            FakeSiteProcess(os.path.join(s.root, "site"), generate=1, size="8x8") as site:
        s.write_settings(weather_host=site.base, weather_loc="Hollin, Velmora")
        driver = Driver(s)
        process = start_setup(s, driver)
        open_location_dialog(driver)

        search(driver, " \t ")
        driver.wait_window(WARNING_TITLE)
        check(WARNING_TEXT in driver.texts(WARNING_TITLE), f"the warning box says {driver.texts(WARNING_TITLE)}")
        driver.click(WARNING_TITLE, IDOK)
        driver.wait_gone(WARNING_TITLE)
        check(search_queries(site) == [], f"an empty search was sent: {search_queries(site)}")

        site.control(path=SEARCH_PATH, mode="500")
        search(driver, "Paris")
        check(wait_results(driver, [CONNECTION_FAILED]) == -1, "the connection line is selected")
        check(not driver.enabled(LOCATION_TITLE, IDOK), "OK is enabled after a failed search")

        site.control(path=SEARCH_PATH, mode="ok")
        search(driver, "Z\u00fcrich & Co #1+2?")
        check(wait_results(driver, [NOT_FOUND]) == -1, "the not-found line is selected")
        check(not driver.enabled(LOCATION_TITLE, IDOK), "OK is enabled after a search without results")
        check(search_queries(site)[-1] == "where=Z%C3%BCrich%20%26%20Co%20%231%2B2%3F",
              f"the service saw {search_queries(site)[-1]!r}")

        # A double-click posts OK even while OK is disabled.
        driver.select(LOCATION_TITLE, RESULTS, 0)
        driver.double_click(LOCATION_TITLE, RESULTS)
        driver.wait_gone(LOCATION_TITLE)
        check(driver.text(SETUP_TITLE, LOCATION_NAME) == "Hollin, Velmora", "a status line became the location")
        driver.click(SETUP_TITLE, IDOK)
        ends_with_zero(process)
        check(settings_dict(s)["weather_loc"] == "Hollin, Velmora", "a status line was stored")


def a_result_after_closing_is_dropped(scr, host):
    """Cancel during a slow search, then a new dialog's own search while the first answer is still
    arriving: the closed dialog's late answer never shows up in the new one, which gets only its
    own, each from its own file. The start of the setup removes the answer files that killed
    searches left over an hour ago, and no younger one."""
    # Each answer file is open from the head to the late body, so the two downloads overlap.
    with Scenario("search-late", scr, host) as s, \
            FakeSiteProcess(os.path.join(s.root, "site"), generate=1, size="8x8",
                            config={"search": {"Paris": PARIS_ANSWER, "Lyon": LYON_ANSWER},
                                    "faults": {SEARCH_PATH + "?where=Paris": {"mode": "hold", "seconds": "6"},
                                               SEARCH_PATH + "?where=Lyon": {"mode": "hold", "seconds": "8"}}}) as site:
        s.write_settings(weather_host=site.base)
        old_answers = {"weather_search.xml": 7200, "weather_search_4242_4243.xml": 7200,
                       "weather_search_4242_4244.xml": 600}
        for name, age in old_answers.items():
            s.put_file(name, "<search/>")
            then = time.time() - age
            os.utime(s.data_path(name), (then, then))
        driver = Driver(s)
        process = start_setup(s, driver)
        open_location_dialog(driver)
        search(driver, "Paris")
        wait_until(lambda: search_queries(site), 10, 0.05, "the first search request")
        driver.click(LOCATION_TITLE, IDCANCEL)
        driver.wait_gone(LOCATION_TITLE)
        open_location_dialog(driver)
        search(driver, "Lyon")
        # The Paris answer arrives while Lyon is still on its way.
        seen = []

        def own_result():
            selected, lines = driver.items(LOCATION_TITLE, RESULTS)
            seen.append(lines)
            return lines == [LYON_LINE] and driver.enabled(LOCATION_TITLE, SEARCH)
        try:
            wait_until(own_result, 20, 0.1, "the Lyon result")
        except harness.HarnessError:
            raise harness.HarnessError(f"the list shows {seen[-1]}, expected the Lyon result") from None
        check(not any(PARIS_LINE in lines for lines in seen), "the closed dialog's result reached the new one")
        check(search_queries(site) == ["where=Paris", "where=Lyon"], f"the service saw {search_queries(site)}")
        driver.click(LOCATION_TITLE, IDCANCEL)
        driver.wait_gone(LOCATION_TITLE)
        driver.click(SETUP_TITLE, IDCANCEL)
        ends_with_zero(process)
        left = search_answer_files(s)
        check(left == ["weather_search_4242_4244.xml"], f"answer files left: {left}")


SCENARIOS = {f.__name__: f for f in [
    setup_dialog_shows_the_stored_choices,
    ok_stores_the_gallery_and_the_boxes,
    cancel_close_and_escape_store_nothing,
    more_page_stores_its_three_settings,
    home_website_opens_the_home_page_each_time,
    a_new_location_is_searched_and_stored,
    choosing_the_stored_location_keeps_the_weather,
    search_problems_are_shown_in_the_dialog,
    a_result_after_closing_is_dropped,
]}

if __name__ == "__main__":
    sys.exit(harness.main(SCENARIOS))
