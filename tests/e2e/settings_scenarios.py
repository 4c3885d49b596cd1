#!/usr/bin/python3
"""settings.cfg shared by several saver processes, end to end: a file another program holds open
while the saver starts is never overwritten, and a preview's version check and the setup dialog's
OK keep each other's values, and policies lock what they set. The real saver under Wine against tests/e2e/fake_site.py; the dialog
and the held file are worked by tests/e2e/setup_driver.cpp (VELMORA_SETUP_DRIVER)."""

import os
import re
import sys
import time
import xml.etree.ElementTree as ElementTree

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import harness  # noqa: E402
from fake_site import FakeSiteProcess  # noqa: E402
from harness import SETUP_TITLE, Scenario, check, wait_until  # noqa: E402
from setup_scenarios import (GALLERY, IDOK, MORE, MORE_TITLE, NOTICE_TEXT, SHOW_NEWVER, SHOW_WEATHER,  # noqa: E402
                             UNIT_BUTTONS, Driver, ends_with_zero, settings_dict, start_setup)

LISTING = "/showphotos.php"
UPDATE = "/screensavers/update.php"
POLICY_KEY = r"SOFTWARE\Policies\Corvath\Velmora"
POLICY_NOTE = 1021
POLICY_VALUES = {"dloption", "show_weather", "weather_loc_id", "weather_loc", "show_newver", "slide_seconds",
                 "monitors", "weather_unit", "check_version"}
ADMX = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "policies", "velmora.admx")


def held_file_is_never_overwritten(scr, host):
    """settings.cfg held open without sharing by another program while the saver starts, and
    released before the version answer (1.2) comes: the saver runs on its defaults and never
    writes the file. Run with velmora_loopback.scr (VELMORA_LOOPBACK_SCR), whose compiled-in
    addresses are the fake site on VELMORA_LOOPBACK_PORT."""
    loopback = os.environ.get("VELMORA_LOOPBACK_SCR", "")
    port = int(os.environ.get("VELMORA_LOOPBACK_PORT", "0"))
    check(os.path.isfile(loopback) and port > 0, f"no loopback saver: {loopback!r} on port {port}")
    with Scenario("held-settings", loopback, host) as s, \
            FakeSiteProcess(os.path.join(s.root, "site"), generate=1, size="8x8", port=port,
                            config={"faults": {UPDATE: {"mode": "delay", "seconds": "3"}}}) as site:
        s.write_settings(dloption="4", newver="1.1", show_weather="0", weather_loc_id="UKXX0085",
                         weather_loc="London", show_newver="0")
        raw = s.read_file("settings.cfg")
        driver = Driver(s)
        held = driver.ask("hold", harness.windows_path(s.data_path("settings.cfg")))
        check(held == "held", f"settings.cfg could not be held: {held}")
        saver = s.start("/s")
        wait_until(lambda: site.requests(UPDATE), 30, 0.1, "the version check")
        check(driver.ask("release") == "released", "settings.cfg could not be released")
        # The refresh thread asks for the listing once the answer has been handled,
        # then stores the one photo; its download's temporary file is gone by then.
        wait_until(lambda: site.requests(LISTING), 30, 0.1, "the listing after the version answer")
        wait_until(lambda: "1000.jpg" in s.data_files(), 30, 0.1, "the listed photo")
        check(s.read_file("settings.cfg") == raw, f"settings.cfg was overwritten: {s.read_settings()}")
        check(not [n for n in s.data_files() if n.endswith(".tmp")], f"left behind: {s.data_files()}")
        s.key("space")
        check(saver.wait(10) == 0, "the saver did not end with 0")


def preview_check_and_setup_ok_keep_each_others_values(scr, host):
    """A preview (/p) runs while the setup dialog (/c) is open. Its version check answers 1.2 after
    OK stored gallery row 4; then another preview's check answers 1.3 before OK stores row 2. Each
    time the file ends with both values."""
    with Scenario("shared-settings", scr, host, time_limit=180) as s, \
            FakeSiteProcess(os.path.join(s.root, "site"), generate=1, size="8x8", version="1.2",
                            config={"faults": {LISTING: {"mode": "404"},
                                               UPDATE: {"mode": "delay", "seconds": "6"}}}) as site:
        s.write_settings(photo_site=site.base, image_prefix=site.image_prefix, update_host=site.base,
                         weather_host=site.base, web_host="127.0.0.1:1", show_weather="0")
        driver = Driver(s)

        def stored():
            values = settings_dict(s)
            return values.get("dloption"), values.get("newver")

        preview = s.start_preview()
        wait_until(lambda: site.requests(UPDATE), 30, 0.1, "the first preview's version check")
        setup = start_setup(s, driver)
        driver.select(SETUP_TITLE, GALLERY, 4)
        driver.click(SETUP_TITLE, IDOK)
        ends_with_zero(setup)
        check(stored()[0] == "4", f"OK stored {stored()}")
        wait_until(lambda: stored()[1] != "1.0", 30, 0.1, "the first answer in settings.cfg")
        check(stored() == ("4", "1.2"), f"after OK, then the answer, settings.cfg holds {stored()}")
        preview.quit()

        site.control(version="1.3")
        site.control(path=UPDATE, mode="ok")
        setup = start_setup(s, driver)
        preview = s.start_preview()
        wait_until(lambda: stored()[1] != "1.2", 30, 0.1, "the second answer in settings.cfg")
        driver.select(SETUP_TITLE, GALLERY, 2)
        driver.click(SETUP_TITLE, IDOK)
        ends_with_zero(setup)
        check(stored() == ("2", "1.3"), f"after the answer, then OK, settings.cfg holds {stored()}")
        preview.quit()


def policies_lock_controls_and_stop_the_version_check(scr, host):
    """policies/velmora.admx names exactly the values the saver reads, and its ADML every string it
    uses. Policies on the machine (gallery row 3, no version check) and the user (Fahrenheit, the
    notice off): the dialogs show those controls disabled with the policy's value and the
    administrator line, and no new-version notice although settings.cfg holds 1.1; OK stores the
    user's own change but no policy value; the saver refreshes without asking the update service."""
    admx_text = open(ADMX, encoding="utf-8").read()
    adml_text = open(os.path.join(os.path.dirname(ADMX), "en-US", "velmora.adml"), encoding="utf-8").read()
    ElementTree.fromstring(admx_text), ElementTree.fromstring(adml_text)
    names = sorted(re.findall(r'valueName="(\w+)"', admx_text))
    check(names == sorted(POLICY_VALUES), f"the ADMX sets {names}")
    check(set(re.findall(r'key="([^"]+)"', admx_text)) == {POLICY_KEY}, "the ADMX writes under another key")
    defined = set(re.findall(r'<(?:string|presentation) id="(\w+)"', adml_text))
    missing = set(re.findall(r"\$\((?:string|presentation)\.(\w+)\)", admx_text)) - defined
    check(not missing, f"the ADML lacks {missing}")
    with Scenario("policies", scr, host, time_limit=150) as s, \
            FakeSiteProcess(os.path.join(s.root, "site"), generate=1, size="8x8") as site:
        for value in ["HKLM dloption REG_DWORD 3", "HKLM check_version REG_DWORD 0", "HKCU weather_unit REG_SZ s",
                      "HKCU show_newver REG_DWORD 0"]:
            root, name, kind, data = value.split()
            code, out = s.run_windows_program(["reg", "add", root + "\\" + POLICY_KEY, "/v", name, "/t", kind,
                                               "/d", data, "/f", "/reg:64"])
            check(code == 0, f"reg add {value} failed: {out}")
        s.write_settings(photo_site=site.base, image_prefix=site.image_prefix, update_host=site.base,
                         weather_host=site.base, web_host="127.0.0.1:1", dloption="1", newver="1.1")
        driver = Driver(s)
        setup = start_setup(s, driver)
        seen = (driver.items(SETUP_TITLE, GALLERY)[0], driver.enabled(SETUP_TITLE, GALLERY),
                driver.state(SETUP_TITLE, SHOW_NEWVER)[1:], driver.enabled(SETUP_TITLE, SHOW_WEATHER),
                driver.state(SETUP_TITLE, NOTICE_TEXT)[0], driver.text(SETUP_TITLE, POLICY_NOTE),
                driver.state(SETUP_TITLE, POLICY_NOTE)[0])
        expected = (3, False, (False, False), True, False, "Settings shown dimmed are set by your administrator.", True)
        check(seen == expected, f"the setup dialog shows {seen}, expected {expected}")
        driver.click(SETUP_TITLE, MORE)
        driver.wait_window(MORE_TITLE)
        seen = [driver.state(MORE_TITLE, b) for b in UNIT_BUTTONS + (POLICY_NOTE,)]
        check(seen == [(True, False, False), (True, False, True), (True, True, False)], f"the More page shows {seen}")
        driver.click(MORE_TITLE, IDOK)
        driver.wait_gone(MORE_TITLE)
        driver.click(SETUP_TITLE, SHOW_WEATHER)
        wait_until(lambda: not driver.state(SETUP_TITLE, SHOW_WEATHER)[2], 5, 0.05, "the weather box unchecked")
        driver.click(SETUP_TITLE, IDOK)
        ends_with_zero(setup)
        stored = settings_dict(s)
        check((stored["dloption"], stored["show_weather"], stored["show_newver"], stored.get("weather_unit"))
              == ("1", "0", "1", None), f"settings.cfg holds {stored}")

        saver = s.start("/s")
        wait_until(lambda: "1000.jpg" in s.data_files(), 30, 0.1, "the listed photo")
        time.sleep(1.0)
        check(not site.requests(UPDATE), f"the update service was asked: {site.requests(UPDATE)}")
        check("|||720|" in site.requests(LISTING)[0]["query"], "the listing asked is not gallery row 3")
        s.key("space")
        check(saver.wait(10) == 0, "the saver did not end with 0")


SCENARIOS = {f.__name__: f for f in [
    held_file_is_never_overwritten,
    preview_check_and_setup_ok_keep_each_others_values,
    policies_lock_controls_and_stop_the_version_check,
]}

if __name__ == "__main__":
    sys.exit(harness.main(SCENARIOS))
