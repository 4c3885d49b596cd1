#!/usr/bin/python3
"""settings.cfg shared by several saver processes, end to end: a file another program holds open
while the saver starts is never overwritten, and a preview's version check and the setup dialog's
OK keep each other's values. The real saver under Wine against tests/e2e/fake_site.py; the dialog
and the held file are worked by tests/e2e/setup_driver.cpp (VELMORA_SETUP_DRIVER)."""

import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import harness  # noqa: E402
from fake_site import FakeSiteProcess  # noqa: E402
from harness import SETUP_TITLE, Scenario, check, wait_until  # noqa: E402
from setup_scenarios import GALLERY, IDOK, Driver, ends_with_zero, settings_dict, start_setup  # noqa: E402

LISTING = "/showphotos.php"
UPDATE = "/screensavers/update.php"


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


SCENARIOS = {f.__name__: f for f in [
    held_file_is_never_overwritten,
    preview_check_and_setup_ok_keep_each_others_values,
]}

if __name__ == "__main__":
    sys.exit(harness.main(SCENARIOS))
