"""A long show over photos that keep arriving, under Wine in Xvfb.

    bench_soak.py --scr velmora.scr --counts process_counts.exe --photos DIR [--minutes 30]

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
"""

import argparse
import os
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

    def listing(self):  # called under self.lock
        for _ in range(2):
            self.photos["soak%05d" % self.made] = self.pool[self.made % len(self.pool)]
            self.made += 1
        return super().listing()


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


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--scr", required=True)
    parser.add_argument("--counts", required=True)
    parser.add_argument("--photos", required=True)
    parser.add_argument("--minutes", type=float, default=30)
    args = parser.parse_args()
    sources = sorted(os.path.join(args.photos, n) for n in os.listdir(args.photos) if n.lower().endswith(".jpg"))
    pool = [open(p, "rb").read() for p in sources]
    site = ArrivingPhotos(pool)
    fake_site.Handler.site = site
    server = ThreadingHTTPServer(("127.0.0.1", 0), fake_site.Handler)
    server.daemon_threads = True
    site.port = server.server_address[1]
    threading.Thread(target=server.serve_forever, daemon=True).start()
    base = "http://127.0.0.1:%d" % site.port
    rows = []
    try:
        with harness.Scenario("bench-soak", args.scr, time_limit=int(args.minutes * 60) + 180) as s:
            os.makedirs(s.data_folder)
            now = time.time()
            for i in range(96):
                path = s.data_path("start%03d.jpg" % i)
                os.link(sources[i % len(sources)], path)
            for i in range(96):
                os.utime(s.data_path("start%03d.jpg" % i), (now - 7200 + i, now - 7200 + i))
            s.write_settings(photo_site=base, image_prefix=site.prefix(), update_host=base, weather_host=base,
                             web_host="127.0.0.1:1", dloption=5, show_weather=1, show_newver=0)
            process = s.start("/s")
            s.wait_window(harness.SAVER_TITLE, timeout=60)
            started = time.monotonic()
            print(f"soak of {args.minutes:g} minutes on a {s.screen[0]} x {s.screen[1]} screen, photos from "
                  f"{len(sources)} files", flush=True)
            print("minute  resident MiB  handles  GDI objects  USER objects  photos on disk  listings", flush=True)
            minute = 1
            index = s.data_path("index.htm")
            while minute <= args.minutes:
                harness.check(process.running(), "the saver ended by itself")
                if os.path.exists(index) and os.stat(index).st_mtime > time.time() - 3600:
                    old = time.time() - KEEP_DATED_BACK
                    os.utime(index, (old, old))
                if time.monotonic() - started >= minute * 60:
                    handles, gdi, user = counts(s, args.counts)
                    on_disk = len([n for n in s.data_files() if n.endswith(".jpg")])
                    with site.lock:
                        listings = sum(1 for r in site.requests if r["path"] == fake_site.LISTING_PATH)
                    rows.append((minute, resident_mib(process.pid), handles, gdi, user))
                    print(f"{minute:6d}  {rows[-1][1]:12.1f}  {handles!s:>7}  {gdi!s:>11}  {user!s:>12}  "
                          f"{on_disk:14d}  {listings:8d}", flush=True)
                    minute += 1
                time.sleep(1.0)
            s.key("space")
            process.wait(20)
    finally:
        server.shutdown()
    for column, name in ((1, "resident size"), (2, "handle count"), (3, "GDI objects"), (4, "USER objects")):
        values = [r[column] for r in rows]
        rise = growth(values)
        if rise is None:
            print(f"{name}: no growth figure ({values[:1]} at minute 1)")
        else:
            print(f"{name}: minute 1 {values[0]:g}, at most {max(values):g}, growth after minute 1 {rise[0]:+.1f} %, "
                  f"median of the last five minutes against the first five {rise[1]:+.1f} %")
    return 0


if __name__ == "__main__":
    sys.exit(main())
