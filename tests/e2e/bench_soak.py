"""A long show over photos that keep arriving, under Wine in Xvfb.

    bench_soak.py --scr velmora.scr --counts process_counts.exe --photos DIR [--minutes 30] [--hostile]

The data folder starts with 96 photos (hard links to the photos of DIR, taken
in turn), so the cache limit of 100 is soon reached and each photo build
deletes the oldest. A fake photo site of our own lists two new photos more at
every listing request, and the listing page is dated back after each refresh,
so every rescan finds the gallery overdue: a refresh runs about every slide
or two, new photos arrive, the show fades to black and starts over, and the
weather slides come every twentieth change. Once a minute it prints the
saver's resident size, its handle count and its GDI and USER object counts
(process_counts.exe), then how much each grew after the first minute. A
benchmark, not a test: it judges nothing.

    bench_soak.py ... --hostile

The site misbehaves by a fixed timetable instead (scheduled_fault): for each of
the listing, the photos, the weather and the version check, slots of 45 seconds
of correct answers and of one fault in turn, the faults in an order shuffled by
a fixed seed. The listing only misbehaves in ways that still deliver its newest
thumbnails, since a listing that cannot be fetched makes the saver wait the
gallery's whole interval (three hours) for its next refresh; it lists the 24
newest photos, newest first, and the older of the two that arrive with it is
the photo that misbehaves. Its answers are held back to about one a minute
(LISTING_PACE). A stall sends one byte, which the saver abandons at its lowest
rate, but under Wine its read returns only when the server closes, after 40
seconds (200 for the version check); a delay of 200 seconds outlasts the
saver's 180 seconds without progress. The settings start with values that
differ from the defaults. Once a minute it prints the resident size, the handle
count, what the data folder holds (photos, temporary files, update.xml, anything
else, its size), the requests of the minute and the temporary files older than
a minute; at the end the growth after minute 10, the most photos seen, every
temporary file that outlived its minute, whether settings.cfg still holds what
it held at the start (newver aside) and how often each fault was served.
"""

import argparse
import collections
import os
import random
import statistics
import sys
import threading
import time
from http.server import ThreadingHTTPServer

import fake_site
import harness

KEEP_DATED_BACK = 7 * 24 * 3600  # the listing page looks a week old


class ArrivingPhotos(fake_site.Site):
    """Lists two photos more at every listing request, their bytes taken in turn from `pool`."""

    def __init__(self, pool):
        super().__init__({}, "1.0", None, None, {})
        self.pool, self.made = pool, 0

    def name(self, number):
        return "soak%05d" % number

    def arrive(self):
        """Adds two photos; returns their names."""
        names = []
        for _ in range(2):
            names.append(self.name(self.made))
            self.photos[names[-1]] = self.pool[self.made % len(self.pool)]
            self.made += 1
        return names

    def listing(self):  # called under self.lock
        self.arrive()
        return super().listing()


SLOT_SECONDS = 45
# Each kind's timetable starts this many seconds into its first slot, so the
# kinds change at different moments.
PHASES = {"listing": 0, "photo": 11, "weather": 22, "update": 34}
HOSTILE_FAULTS = {
    # No trickle: the saver measures its rate in whole bytes per whole second
    # from the request on, so a body that starts just before a second ends
    # looks too slow, and the refreshes would end.
    "listing": [{"mode": "delay", "seconds": "20"}, {"mode": "delay", "seconds": "90"}, {"mode": "pad", "mib": "4"},
                {"mode": "cut_nolength"}],
    "photo": [{"mode": "404"}, {"mode": "500"}, {"mode": "empty"}, {"mode": "cut"}, {"mode": "cut_nolength"},
              {"mode": "reset"}, {"mode": "stall", "seconds": "40"}, {"mode": "trickle", "rate": "5"},
              {"mode": "delay", "seconds": "20"}, {"mode": "delay", "seconds": "200"}, {"mode": "big", "mib": "5"}, {"mode": "flood", "mib": "100"},
              {"mode": "pad", "mib": "3"}],
    "weather": [{"mode": "404"}, {"mode": "500"}, {"mode": "empty"}, {"mode": "cut"}, {"mode": "cut_nolength"},
                {"mode": "reset"}, {"mode": "stall", "seconds": "40"}, {"mode": "trickle", "rate": "5"},
                {"mode": "delay", "seconds": "20"}, {"mode": "delay", "seconds": "200"}, {"mode": "big", "mib": "5"}, {"mode": "flood", "mib": "100"},
                {"mode": "pad", "mib": "0.25"}, {"mode": "pad", "mib": "2"}],
    # update.xml is no temporary file, so its stall may hold the saver's read
    # for longer.
    "update": [{"mode": "404"}, {"mode": "500"}, {"mode": "empty"}, {"mode": "cut"}, {"mode": "cut_nolength"},
               {"mode": "reset"}, {"mode": "stall", "seconds": "200"}, {"mode": "trickle", "rate": "5"},
               {"mode": "delay", "seconds": "20"}, {"mode": "delay", "seconds": "200"}, {"mode": "big", "mib": "5"}, {"mode": "flood", "mib": "100"},
               {"mode": "pad", "mib": "0.25"}, {"mode": "pad", "mib": "2"}],
}
LISTED = 24  # photos on the hostile listing page
# Listing answers are held back so that refreshes come about once a minute: at
# a refresh every slide or two, the show would restart for new photos more
# often than it changes slides, and it deletes old photos only then.
LISTING_PACE = 60


def kind_of(path):
    if path == fake_site.LISTING_PATH:
        return "listing"
    if path.startswith(fake_site.IMAGE_DIR):
        return "photo"
    if path.startswith(fake_site.WEATHER_DIR):
        return "weather"
    if path == fake_site.UPDATE_PATH:
        return "update"
    return None


def scheduled_fault(kind, seconds):
    """The fault of `kind` at `seconds` into the soak, None for correct answers."""
    slot = int((seconds + PHASES[kind]) // SLOT_SECONDS)
    if slot % 2 == 0:
        return None
    faults = list(HOSTILE_FAULTS[kind])
    turn, position = divmod(slot // 2, len(faults))
    random.Random(f"{kind} {turn}").shuffle(faults)
    return faults[position]


class ScheduledFaults(dict):
    """Stands in for the site's table of faults. The handler asks it, under the
    site's lock, first for "path?query", then for the path: the first always
    finds nothing, the second gets the fault of the timetable from `started`
    on (time.monotonic), for a photo only while it is one of the site's
    `targets`; a listing's answer also waits until LISTING_PACE seconds after
    the one before. `served` counts the answers by kind and mode."""

    def __init__(self, site):
        super().__init__()
        self.site, self.started, self.served = site, None, collections.Counter()
        self.listing_due = float("-inf")

    def get(self, key, default=None):
        kind = kind_of(key)
        if "?" in key or kind is None or self.started is None:
            return default
        now = time.monotonic()
        fault = scheduled_fault(kind, now - self.started)
        if kind == "photo" and key[len(fake_site.IMAGE_DIR):].split(".")[0] not in self.site.targets:
            fault = None
        self.served[kind, fault["mode"] if fault else "ok"] += 1
        if kind == "listing":
            wait = max(0.0, self.listing_due - now)
            self.listing_due = now + wait + LISTING_PACE
            fault = dict(fault or {"mode": "delay", "seconds": "0"}, after=str(wait))
        return fault


class HostileSite(ArrivingPhotos):
    """Lists the LISTED newest photos, newest first, so that even the first half
    of a listing shows the two that arrived with it; the older of those two is
    the one that misbehaves, until the next listing. Answers version 1.1."""

    def __init__(self, pool):
        super().__init__(pool)
        self.version = "1.1"
        self.faults = ScheduledFaults(self)
        self.targets = set()

    def name(self, number):
        return "h%06d" % (999999 - number)  # the newer sorts first

    def listing(self):  # called under self.lock
        arrived = self.arrive()
        for name in sorted(self.photos)[LISTED:]:
            del self.photos[name]
        self.targets = {arrived[0]}
        return fake_site.Site.listing(self)


def resident_mib(pid):
    with open(f"/proc/{pid}/status") as f:
        for line in f:
            if line.startswith("VmRSS:"):
                return int(line.split()[1]) / 1024.0
    return 0.0


def counts(s, counter):
    """(handles, GDI objects, USER objects) of velmora.scr, or Nones."""
    code, out = s.run_windows_program([counter, "velmora.scr"], timeout=60)
    words = out.split()
    if code != 0 or len(words) < 4:
        return None, None, None
    return int(words[1]), int(words[2]), int(words[3])


def growth(values):
    """Largest rise over the first value, and the rise of the median of the
    last five values over that of the first five, in percent: a sample caught
    during a build or a download shows in the first, a steady growth in both.
    None without values."""
    values = [v for v in values if v is not None]
    if len(values) < 2 or values[0] == 0:
        return None
    early, late = statistics.median(values[:5]), statistics.median(values[-5:])
    return (max(values[1:]) - values[0]) / values[0] * 100, (late - early) / early * 100


def growth_after_ten(rows):
    """(first minute of the base, rise of the largest sample from then on, rise
    of the median of the last five samples), against the median of minutes 10
    to 15, or of minutes 1 to 5 in a shorter run; None without values."""
    rows = [(m, v) for m, v in rows if v is not None]
    first = 10 if any(m >= 10 for m, _ in rows) else 1
    base = [v for m, v in rows if first <= m <= first + 5]
    if not base or statistics.median(base) == 0:
        return None
    middle = statistics.median(base)
    largest = max(v for m, v in rows if m >= first)
    late = statistics.median([v for _, v in rows[-5:]])
    return first, (largest - middle) / middle * 100, (late - middle) / middle * 100


def settings_changes(start, end):
    """(key, value at the start, value at the end) of every key whose value changed, newver aside."""
    before = {k.lower(): v for k, v in start}
    after = {k.lower(): v for k, v in end}
    return [(k, before.get(k), after.get(k)) for k in sorted(before.keys() | after.keys())
            if k != "newver" and before.get(k) != after.get(k)]


def seed_data_folder(s, sources):
    """96 photos, hard links to `sources` taken in turn, two hours old."""
    os.makedirs(s.data_folder)
    now = time.time()
    for i in range(96):
        path = s.data_path("start%03d.jpg" % i)
        os.link(sources[i % len(sources)], path)
    for i in range(96):
        os.utime(s.data_path("start%03d.jpg" % i), (now - 7200 + i, now - 7200 + i))


def date_back_listing(s):
    """Makes the listing page look a week old, so the next library scan finds the gallery overdue."""
    index = s.data_path("index.htm")
    try:
        if os.stat(index).st_mtime > time.time() - 3600:
            old = time.time() - KEEP_DATED_BACK
            os.utime(index, (old, old))
    except FileNotFoundError:
        pass


def plain_soak(s, site, process, counter, minutes):
    """Rows of (minute, resident MiB, handles, GDI objects, USER objects)."""
    started = time.monotonic()
    print("minute  resident MiB  handles  GDI objects  USER objects  photos on disk  listings", flush=True)
    rows = []
    minute = 1
    while minute <= minutes:
        harness.check(process.running(), "the saver ended by itself")
        date_back_listing(s)
        if time.monotonic() - started >= minute * 60:
            handles, gdi, user = counts(s, counter)
            on_disk = len([n for n in s.data_files() if n.endswith(".jpg")])
            with site.lock:
                listings = sum(1 for r in site.requests if r["path"] == fake_site.LISTING_PATH)
            rows.append((minute, resident_mib(process.pid), handles, gdi, user))
            print(f"{minute:6d}  {rows[-1][1]:12.1f}  {handles!s:>7}  {gdi!s:>11}  {user!s:>12}  "
                  f"{on_disk:14d}  {listings:8d}", flush=True)
            minute += 1
        time.sleep(1.0)
    return rows


def print_plain_growth(rows):
    for column, name in ((1, "resident size"), (2, "handle count"), (3, "GDI objects"), (4, "USER objects")):
        values = [r[column] for r in rows]
        rise = growth(values)
        if rise is None:
            print(f"{name}: no growth figure ({values[:1]} at minute 1)")
        else:
            print(f"{name}: minute 1 {values[0]:g}, at most {max(values):g}, growth after minute 1 {rise[0]:+.1f} %, "
                  f"median of the last five minutes against the first five {rise[1]:+.1f} %")


def folder_mib(s, names):
    total = 0
    for name in names:
        try:
            total += os.stat(s.data_path(name)).st_size
        except FileNotFoundError:
            pass
    return total / (1024 * 1024)


def hostile_soak(s, site, process, counter, minutes):
    """Polls the data folder every second and prints a line a minute; returns
    (rows of (minute, resident MiB, handles, lowest resident MiB of the minute), most photos seen, longest life in
    seconds of every temporary file name, names of other files seen)."""
    started = time.monotonic()
    print("minute  resident MiB  lowest MiB  handles  photos  temporary  update.xml  other  folder MiB  "
          "requests L/P/W/U  temporary files over a minute old", flush=True)
    rows, since, longest, others = [], {}, {}, set()
    # The resident size is also read every second: a sample taken while a slide
    # is being built holds its canvas and the decoded photo, so the lowest
    # reading of each minute tells growth apart from work in progress.
    lowest = None
    most_photos, seen_requests, minute = 0, 0, 1
    while minute <= minutes:
        if not process.running():
            print("the saver ended by itself", flush=True)
            break
        date_back_listing(s)
        now = time.monotonic()
        names = s.data_files()
        photos = [n for n in names if n.lower().endswith(".jpg")]
        temps = [n for n in names if n.lower().endswith(".tmp")]
        rest = [n for n in names if n not in photos and n not in temps and n != "update.xml"]
        most_photos = max(most_photos, len(photos))
        others.update(rest)
        resident = resident_mib(process.pid)
        lowest = resident if lowest is None else min(lowest, resident)
        since = {n: since.get(n, now) for n in temps}
        for n, first in since.items():
            longest[n] = max(longest.get(n, 0.0), now - first)
        if now - started >= minute * 60:
            handles = counts(s, counter)[0]
            with site.lock:
                recent = [kind_of(r["path"]) for r in site.requests[seen_requests:]]
                seen_requests = len(site.requests)
            requests = "/".join(str(recent.count(k)) for k in PHASES)
            old = " ".join(f"{n} ({now - first:.0f} s)" for n, first in sorted(since.items()) if now - first > 60)
            rows.append((minute, resident_mib(process.pid), handles, lowest))
            print(f"{minute:6d}  {rows[-1][1]:12.1f}  {lowest:10.1f}  {handles!s:>7}  {len(photos):6d}  {len(temps):9d}  "
                  f"{names.count('update.xml'):10d}  {len(rest):5d}  {folder_mib(s, names):10.1f}  "
                  f"{requests:>16}  {old or '-'}", flush=True)
            minute += 1
            lowest = None
        time.sleep(1.0)
    return rows, most_photos, longest, others


def print_hostile_summary(rows, most_photos, longest, others, start_settings, end_settings, served):
    for column, name in ((1, "resident size"), (3, "lowest resident size of each minute"), (2, "handle count")):
        rise = growth_after_ten([(r[0], r[column]) for r in rows])
        if rise is None:
            print(f"{name}: no growth figure")
        else:
            print(f"{name}: growth after minute {rise[0]}, against the median of minutes {rise[0]} to {rise[0] + 5}: "
                  f"largest sample {rise[1]:+.1f} %, median of the last five minutes {rise[2]:+.1f} %")
    print(f"photos on disk: at most {most_photos} (limit 120)")
    outlived = ", ".join(f"{n} ({t:.0f} s)" for n, t in sorted(longest.items()) if t > 60)
    print(f"temporary files that outlived their minute: {outlived or 'none'} (of {len(longest)} seen)")
    print(f"other files seen: {', '.join(sorted(others)) or 'none'}")
    if end_settings is None:
        print("settings.cfg: missing at the end")
    elif isinstance(end_settings, Exception):
        print(f"settings.cfg: unreadable at the end ({end_settings})")
    else:
        changes = settings_changes(start_settings, end_settings)
        newver = [v for k, v in end_settings if k.lower() == "newver"]
        print("settings.cfg: " + ("as at the start" if not changes else "changed: " + ", ".join(
            f"{k} {a!r} -> {b!r}" for k, a, b in changes)) + f" (newver now {newver[0] if newver else 'missing'})")
    for kind in PHASES:
        modes = sorted((m, n) for (k, m), n in served.items() if k == kind)
        print(f"{kind} answers: " + (", ".join(f"{m} {n}" for m, n in modes) or "none"))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--scr", required=True)
    parser.add_argument("--counts", required=True)
    parser.add_argument("--photos", required=True)
    parser.add_argument("--minutes", type=float, default=30)
    parser.add_argument("--hostile", action="store_true")
    args = parser.parse_args()
    sources = sorted(os.path.join(args.photos, n) for n in os.listdir(args.photos) if n.lower().endswith(".jpg"))
    pool = [open(p, "rb").read() for p in sources]
    site = HostileSite(pool) if args.hostile else ArrivingPhotos(pool)
    fake_site.Handler.site = site
    server = ThreadingHTTPServer(("127.0.0.1", 0), fake_site.Handler)
    server.daemon_threads = True
    site.port = server.server_address[1]
    threading.Thread(target=server.serve_forever, daemon=True).start()
    base = "http://127.0.0.1:%d" % site.port
    servers = dict(photo_site=base, image_prefix=site.prefix(), update_host=base, weather_host=base,
                   web_host="127.0.0.1:1")
    try:
        with harness.Scenario("bench-soak", args.scr, time_limit=int(args.minutes * 60) + 180) as s:
            seed_data_folder(s, sources)
            if args.hostile:
                s.write_settings(guid="5EA50A4B1C2D3E4F5A6B7C8D9E0F1A2B", dloption=5, show_weather=1,
                                 weather_loc_id="NOXX0035", weather_loc="Troms\u00f8, Norway", show_newver=0, **servers)
                start_settings = s.read_settings()
                with site.lock:
                    site.faults.started = time.monotonic()
            else:
                s.write_settings(dloption=5, show_weather=1, show_newver=0, **servers)
            process = s.start("/s")
            s.wait_window(harness.SAVER_TITLE, timeout=60)
            print(f"{'hostile ' if args.hostile else ''}soak of {args.minutes:g} minutes on a {s.screen[0]} x "
                  f"{s.screen[1]} screen, photos from {len(sources)} files", flush=True)
            if not args.hostile:
                rows = plain_soak(s, site, process, args.counts, args.minutes)
                s.key("space")
                process.wait(20)
                print_plain_growth(rows)
                return 0
            found = hostile_soak(s, site, process, args.counts, args.minutes)
            s.key("space")
            if process.stays_running(20):
                print("the saver still ran 20 s after a key press")
            try:
                end_settings = s.read_settings()
            except harness.HarnessError as error:
                end_settings = error
            with site.lock:
                served = collections.Counter(site.faults.served)
    finally:
        server.shutdown()
    print_hostile_summary(*found, start_settings, end_settings, served)
    return 0


if __name__ == "__main__":
    sys.exit(main())
