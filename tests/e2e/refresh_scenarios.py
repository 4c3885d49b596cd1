#!/usr/bin/python3
"""End-to-end scenarios of the photo cache refresh and the version check: the real
velmora.scr under Wine, fed by tests/e2e/fake_site.py on 127.0.0.1."""

import os
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import harness  # noqa: E402
from fake_site import COLOURS, FakeSiteProcess  # noqa: E402
from harness import Scenario, check, wait_until  # noqa: E402

USER_AGENT = "Mozilla/4.0 (compatible; MSIE 7.0; Win32)"
LISTING = "/showphotos.php"
UPDATE = "/screensavers/update.php"
TWO_DAYS = 2 * 86400


def point_at(s, site):
    """settings.cfg that sends every server request of the saver to the fake site."""
    s.write_settings(photo_site=site.base, image_prefix=site.image_prefix, update_host=site.base,
                     weather_host=site.base)


def settings_value(s, key):
    return dict(s.read_settings() or []).get(key)


def make_old(s, name):
    """Gives a data folder file a last-write time two days back, so the saver finds the cache due."""
    old = time.time() - TWO_DAYS
    os.utime(s.data_path(name), (old, old))
    return os.stat(s.data_path(name)).st_mtime_ns


def rgb(hex_colour):
    return tuple(int(hex_colour[i:i + 2], 16) for i in (1, 3, 5))


def photo_share(image):
    """Share of the screen covered by one of the fake site's photo colours."""
    return max(image.fraction_near(rgb(c), tolerance=24, step=8) for c in COLOURS)


def jpg_files(s):
    return [n for n in s.data_files() if n.endswith(".jpg")]


def tree(root, skip):
    """Every file and folder under `root` except the subtree `skip`."""
    found = set()
    for folder, dirs, files in os.walk(root):
        if os.path.abspath(folder) == os.path.abspath(skip):
            dirs[:] = []
            continue
        found.update(os.path.join(folder, n) for n in dirs + files)
    return found


def empty_cache_fills_from_the_site(scr, host):
    # The listing answers late, so the show demonstrably starts without photos.
    with Scenario("refresh-fills", scr, host, time_limit=150) as s, \
            FakeSiteProcess(os.path.join(s.root, "site"), generate=4, version="1.2",
                            config={"faults": {LISTING: {"mode": "delay", "seconds": "6"}}}) as site:
        point_at(s, site)
        saver = s.start("/s")
        s.wait_window(harness.SAVER_TITLE)
        wait_until(lambda: site.requests(LISTING), 20, 0.1, "the listing request")
        time.sleep(2.0)
        first = s.screenshot(os.path.join(s.root, "before.png"))
        check(first.fraction_near((0, 0, 0), tolerance=8, step=8) > 0.95, "the screen is not black before photos arrive")

        names = ["1000.jpg", "1001.jpg", "1002.jpg", "1003.jpg"]
        wait_until(lambda: sorted(jpg_files(s)) == names, 60, 0.2, "the four photos in the data folder")
        wait_until(lambda: photo_share(s.screenshot()) > 0.3, 60, 0.5, "a photo on the screen")
        s.screenshot(os.path.join(s.root, "after.png"))

        check(s.read_file("index.htm") is not None, "index.htm was not written")
        check(b"/images/x/y/1000.tb.jpg" in s.read_file("index.htm"), "index.htm is not the listing page")
        check(s.read_file("update.xml") is None, "update.xml was left behind")
        check(not [n for n in s.data_files() if n.endswith(".tmp")], f"temporary files left: {s.data_files()}")
        for name in names:
            with open(s.data_path(name), "rb") as f:
                check(f.read(2) == b"\xff\xd8", f"{name} is not the JPEG the site served")
        wait_until(lambda: settings_value(s, "newver") == "1.2", 10, 0.2, "newver=1.2 in settings.cfg")

        guid = settings_value(s, "guid")
        updates = site.requests(UPDATE)
        check(len(updates) >= 1, "the update service was not asked")
        query = updates[0]["query"]
        check(query.startswith(f"app=velmora&ver=1.0&uid={guid}&os=win&osver="), f"update query {query!r}")
        osver = query.rsplit("=", 1)[1]
        print(f"update query: {query}")
        check(osver == "Unknown" or (osver.count(".") == 3 and osver.replace(".", "").isdigit()),
              f"Windows version text {osver!r}")
        listings = site.requests(LISTING)
        check(listings and listings[0]["query"] == "offset=0&where=|||||||90|2|||||||||||||||90|||||||||1|2||||&newsort=1",
              f"listing request {listings[:1]}")
        check(updates[0]["time"] <= listings[0]["time"], "the version check did not run before the gallery refresh")
        photos = site.requests()
        check(all(r["user_agent"] == USER_AGENT for r in photos), "a request without the saver's user agent")
        check(len([r for r in photos if r["path"].startswith("/images/")]) == 4, "each photo fetched exactly once")
        check(saver.running(), "the saver ended on its own")


def listing_failures_keep_photos(scr, host):
    """A listing page cut short, then one answered 404: the first leaves no index.htm, the
    second leaves the old one as it was, and neither fetches or touches a photo."""
    for mode in ("cut", "404"):
        with Scenario(f"refresh-listing-{mode}", scr, host, time_limit=90) as s, \
                FakeSiteProcess(os.path.join(s.root, "site"), generate=2,
                                config={"faults": {LISTING: {"mode": mode}}}) as site:
            point_at(s, site)
            s.put_file("1000.jpg", b"\xff\xd8 old photo")
            old_index = b"<html>the page of an earlier run</html>"
            s.put_file("index.htm", old_index)
            photo_time = make_old(s, "1000.jpg")
            index_time = make_old(s, "index.htm")

            s.start("/s")
            wait_until(lambda: site.requests(LISTING), 40, 0.2, "the listing request")
            # The run ends right after the failed listing; give it time to touch anything it would.
            wait_until(lambda: s.read_file("update.xml") is None, 10, 0.2, "update.xml removed")
            time.sleep(3.0)

            index = s.read_file("index.htm")
            if mode == "cut":
                check(index is None, "a listing page cut short was kept as index.htm")
            else:
                check(index == old_index, "a 404 changed the old index.htm")
                check(os.stat(s.data_path("index.htm")).st_mtime_ns == index_time, "a 404 touched index.htm")
            check(os.stat(s.data_path("1000.jpg")).st_mtime_ns == photo_time, "a photo was touched")
            check(not [r for r in site.requests() if r["path"].startswith("/images/")], "a photo was fetched")
            check(sorted(jpg_files(s)) == ["1000.jpg"], f"photos changed: {s.data_files()}")


def listed_photos_on_disk_are_made_young(scr, host):
    """A photo the page still lists is not fetched again but gets a current last-write
    time; a photo the page no longer lists keeps its old one."""
    with Scenario("refresh-young", scr, host, time_limit=90) as s, \
            FakeSiteProcess(os.path.join(s.root, "site"), generate=2) as site:
        point_at(s, site)
        s.put_file("1000.jpg", b"\xff\xd8 kept photo")
        s.put_file("0999.jpg", b"\xff\xd8 gone from the gallery")
        make_old(s, "1000.jpg")
        unlisted_time = make_old(s, "0999.jpg")
        s.start("/s")
        wait_until(lambda: s.read_file("1001.jpg") is not None, 40, 0.2, "the new photo 1001.jpg")
        now = time.time()
        check(abs(os.stat(s.data_path("1000.jpg")).st_mtime - now) < 60, "the listed photo was not made young")
        check(s.read_file("1000.jpg") == b"\xff\xd8 kept photo", "the listed photo was fetched again")
        check(os.stat(s.data_path("0999.jpg")).st_mtime_ns == unlisted_time, "the unlisted photo was touched")
        fetched = [r["path"] for r in site.requests() if r["path"].startswith("/images/")]
        check(fetched == ["/images/x/y/1001.jpg"], f"photo requests: {fetched}")


def key_ends_saver_during_stalled_download(scr, host):
    with Scenario("refresh-stall", scr, host, time_limit=120) as s, \
            FakeSiteProcess(os.path.join(s.root, "site"), generate=2,
                            config={"faults": {"/images/x/y/1000.jpg": {"mode": "stall"}}}) as site:
        point_at(s, site)
        saver = s.start("/s")
        s.wait_window(harness.SAVER_TITLE)
        wait_until(lambda: site.requests("/images/x/y/1000.jpg"), 40, 0.1, "the stalled photo request")
        wait_until(lambda: s.read_file("1000.jpg.tmp") is not None, 10, 0.1, "1000.jpg.tmp")
        time.sleep(0.5)
        pressed = time.monotonic()
        s.key("space")
        code = saver.wait(10)
        took = time.monotonic() - pressed
        print(f"saver ended {took:.2f} s after the key press (exit code {code})")
        # A blocked read would hold the saver for as long as the server stalls (for ever).
        check(took < 5.0, f"the saver took {took:.2f} s to end")
        check(s.read_file("1000.jpg") is None, "the stalled photo was stored")

        # The next run's scan removes a leftover temporary file (if the first run had no
        # time to remove its own, that one; otherwise a planted one).
        if s.read_file("1000.jpg.tmp") is None:
            s.put_file("1000.jpg.tmp", b"\xff\xd8 partial")
        site.control(path=LISTING, mode="404")
        s.start("/s")
        wait_until(lambda: s.read_file("1000.jpg.tmp") is None, 30, 0.2, "the scan to remove 1000.jpg.tmp")


HOSTILE = [
    "..\\..\\..\\velmora_hostile_up",
    "..\\velmora_hostile_parent",
    "c:velmora_hostile_drive",
    "Z:\\tmp\\velmora_hostile_abs",
    "\\\\?\\Z:\\tmp\\velmora_hostile_unc",
    "velmora_hostile%5c..%5cencoded",
    "aux",
    "COM1",
    "lpt1",
    "nul",
    "velmora_hostile_star*",
    "velmora_hostile_ctl\x01",
    "velmora_hostile_quote\"",
    "velmora_hostile_pipe|x",
    "",
    "velmora_hostile_" + "l" * 300,
]


def hostile_names_stay_in_the_data_folder(scr, host):
    page = "<html><body>\n" + "".join('<img src="{prefix}x/y/%s.tb.jpg">\n' % name for name in HOSTILE)
    page += '<img src="{prefix}x/y/safe.tb.jpg">\n</body></html>\n'
    with Scenario("refresh-hostile", scr, host, time_limit=150) as s, \
            FakeSiteProcess(os.path.join(s.root, "site"), generate=1,
                            config={"listing": page, "serve_any": True}) as site:
        point_at(s, site)
        home_before = tree(s.home, s.data_folder)
        saver = s.start("/s")
        wait_until(lambda: "safe.jpg" in s.data_files(), 90, 0.2, "the one safe photo")
        # The safe photo comes last on the page, so the scrape has passed every hostile name.
        check(saver.running(), "the saver ended")

        fetched = [r["path"] for r in site.requests() if r["path"].startswith("/images/")]
        # Only "velmora_hostile%5c..%5cencoded" is a plain name (the escape stays encoded).
        check(sorted(fetched) == ["/images/x/y/safe.jpg", "/images/x/y/velmora_hostile%5c..%5cencoded.jpg"],
              f"photo requests: {fetched}")
        check(sorted(jpg_files(s)) == ["safe.jpg", "velmora_hostile%5c..%5cencoded.jpg"],
              f"data folder: {s.data_files()}")
        new_in_home = tree(s.home, s.data_folder) - home_before
        check(not new_in_home, f"files written outside the data folder: {sorted(new_in_home)}")
        # "Z:\tmp\..." would land in /tmp itself.
        stray = [os.path.join(folder, n) for folder, _, files in os.walk(s.root) for n in files]
        stray += [os.path.join("/tmp", n) for n in os.listdir("/tmp")]
        stray = [p for p in stray if "velmora_hostile" in p and "velmora_hostile%5c" not in p]
        check(not stray, f"stray files: {stray}")


SCENARIOS = {
    "empty_cache_fills_from_the_site": empty_cache_fills_from_the_site,
    "listing_failures_keep_photos": listing_failures_keep_photos,
    "listed_photos_on_disk_are_made_young": listed_photos_on_disk_are_made_young,
    "key_ends_saver_during_stalled_download": key_ends_saver_during_stalled_download,
    "hostile_names_stay_in_the_data_folder": hostile_names_stay_in_the_data_folder,
}

if __name__ == "__main__":
    sys.exit(harness.main(SCENARIOS))
