"""The slideshow on screen: photos of known colours and sizes, read back from
screenshots of the real velmora.scr on a 1280 x 720 virtual screen."""

import os
import subprocess
import sys
import tempfile
import time

import harness
from harness import SAVER_TITLE, Scenario, check

BLACK = (0, 0, 0)
TOLERANCE = 14  # JPEG and the GL pipeline may move a colour a little

# Every server address points at a closed local port: the refresh the show
# starts fails at once and nothing leaves the machine.
OFFLINE = dict(photo_site="http://127.0.0.1:1", image_prefix="http://127.0.0.1:1/images/",
               weather_host="http://127.0.0.1:1", update_host="http://127.0.0.1:1", web_host="127.0.0.1:1",
               show_weather="0", show_newver="0")

# Two photos, each of two colours so an upside-down or mirrored picture shows.
# On 1280 x 720 the 1024 x 768 one is drawn 960 x 720 with bars left and right,
# the 1600 x 400 one 1280 x 320 with bars above and below.
TALL = dict(name="tall.jpg", size=(1024, 768), split="vertical", first=(200, 40, 40), second=(200, 200, 40),
            box=(160, 0, 1120, 720))
WIDE = dict(name="wide.jpg", size=(1600, 400), split="horizontal", first=(40, 60, 200), second=(40, 200, 200),
            box=(0, 200, 1280, 520))
PROBE = (480, 300)  # inside both pictures: the top half of TALL, the left half of WIDE


def make_jpeg(path, photo):
    """A JPEG of photo["size"], top/bottom (vertical) or left/right (horizontal) halves."""
    width, height = photo["size"]
    first, second = (f"rgb{c}".replace(" ", "") for c in (photo["first"], photo["second"]))
    if photo["split"] == "vertical":
        half = ["-size", f"{width}x{height // 2}", f"xc:{first}", "-size", f"{width}x{height // 2}", f"xc:{second}",
                "-append"]
    else:
        half = ["-size", f"{width // 2}x{height}", f"xc:{first}", "-size", f"{width // 2}x{height}", f"xc:{second}",
                "+append"]
    subprocess.run(["convert"] + half + ["-quality", "95", path], check=True, timeout=60)


def put_photo(s, photo, mtime):
    with tempfile.TemporaryDirectory() as scratch:
        path = os.path.join(scratch, photo["name"])
        make_jpeg(path, photo)
        with open(path, "rb") as f:
            s.put_file(photo["name"], f.read())
    os.utime(s.data_path(photo["name"]), (mtime, mtime))


def near(pixel, colour):
    return all(abs(a - b) <= TOLERANCE for a, b in zip(pixel, colour))


def probe_colour(photo):
    return photo["first"]  # PROBE lies in the first half of both photos


def classify(shot, photos):
    """Name of the photo fully on screen, "black", or "between" (a fade)."""
    p = shot.pixel(*PROBE)
    for photo in photos:
        if near(p, probe_colour(photo)):
            return photo["name"]
    if near(p, BLACK) and shot.fraction_near(BLACK, tolerance=4, step=16) == 1.0:
        return "black"
    return "between"


def watch(s, photos, seconds):
    """Screenshots as fast as they come for `seconds`: a list of (time, state, image)."""
    timeline = []
    end = time.monotonic() + seconds
    while time.monotonic() < end:
        shot = s.screenshot()
        timeline.append((time.monotonic(), classify(shot, photos), shot))
    return timeline


def runs(timeline):
    """Consecutive stretches of one state: [(state, first time, last time, first index)]."""
    out = []
    for i, (t, state, _) in enumerate(timeline):
        if out and out[-1][0] == state:
            out[-1][2] = t
        else:
            out.append([state, t, t, i])
    return out


def edges(shot, photo):
    """Where the picture meets black: (left, top, right, bottom), right and bottom exclusive."""
    x0, y0, x1, y1 = photo["box"]
    cx, cy = x0 + (x1 - x0) // 4, y0 + (y1 - y0) // 4  # inside the first half either way
    row = [not near(shot.pixel(x, cy), BLACK) for x in range(shot.width)]
    column = [not near(shot.pixel(cx, y), BLACK) for y in range(shot.height)]
    check(any(row) and any(column), f"{photo['name']}: no picture found at row {cy} / column {cx}")
    return (row.index(True), column.index(True), len(row) - row[::-1].index(True),
            len(column) - column[::-1].index(True))


def check_placement(shot, photo):
    found = edges(shot, photo)
    expected = photo["box"]
    check(all(abs(a - b) <= 1 for a, b in zip(found, expected)),
          f"{photo['name']} drawn at {found} (left, top, right, bottom), expected {expected}")
    x0, y0, x1, y1 = expected
    # Upright and unmirrored: the first half is on top (or on the left).
    if photo["split"] == "vertical":
        inside = [((x0 + x1) // 2, y0 + 20, photo["first"]), ((x0 + x1) // 2, y1 - 20, photo["second"])]
    else:
        inside = [(x0 + 20, (y0 + y1) // 2, photo["first"]), (x1 - 20, (y0 + y1) // 2, photo["second"])]
    for x, y, colour in inside:
        check(near(shot.pixel(x, y), colour), f"{photo['name']}: pixel ({x}, {y}) is {shot.pixel(x, y)}, "
              f"expected {colour}")


def start_saver(s):
    process = s.start("/s")
    s.wait_window(SAVER_TITLE)
    return process


def photos_fade_in_hold_and_cross_fade_with_bars(scr, host):
    with Scenario("slideshow-two-photos", scr, host, time_limit=150) as s:
        s.write_settings(**OFFLINE)
        now = time.time()
        put_photo(s, TALL, now - 7200)
        put_photo(s, WIDE, now - 3600)
        process = start_saver(s)
        timeline = watch(s, [TALL, WIDE], 32)
        check(process.running(), "the saver ended during the show")
        stretches = runs(timeline)
        story = " -> ".join(f"{st}({b - timeline[0][0]:.1f}..{e - timeline[0][0]:.1f}s)" for st, b, e, _ in stretches)

        photo_runs = [r for r in stretches if r[0] in (TALL["name"], WIDE["name"])]
        check(len(photo_runs) >= 2, f"fewer than two slides seen: {story}")
        first, second = photo_runs[0], photo_runs[1]
        check(first[0] != second[0], f"the same photo twice in a row: {story}")

        # The first photo comes up from black through dimmer versions of itself.
        before = timeline[:first[3]]
        check(any(state == "black" for _, state, _ in before), f"the show did not start black: {story}")
        colour = probe_colour(TALL if first[0] == TALL["name"] else WIDE)
        dim = [shot.pixel(*PROBE) for _, state, shot in before if state == "between"]
        check(any(max(p) > 10 and all(c <= k + TOLERANCE for c, k in zip(p, colour)) and not near(p, colour)
                  for p in dim),
              f"no frame of the fade-in was seen: {story}")

        # Held about ten seconds (the fade-in runs inside the hold), then a
        # cross-fade whose frames show neither photo alone.
        held = first[2] - first[1]
        check(5.0 <= held <= 12.5, f"first photo held {held:.1f} s: {story}")
        between = [r for r in stretches if stretches.index(r) > stretches.index(first)
                   and stretches.index(r) < stretches.index(second)]
        check(between and all(r[0] == "between" for r in between), f"no cross-fade between the photos: {story}")

        for run in (first, second):
            photo = TALL if run[0] == TALL["name"] else WIDE
            check_placement(timeline[run[3]][2], photo)
        print("seen:", story)


def corrupt_photo_shows_black_and_the_show_goes_on(scr, host):
    hold = 3  # seconds; both photos come round again within a few holds
    with Scenario("slideshow-corrupt-photo", scr, host, time_limit=150) as s:
        s.write_settings(slide_seconds=hold, **OFFLINE)
        now = time.time()
        put_photo(s, TALL, now - 7200)
        s.put_file("broken.jpg", b"\xff\xd8\xff\xe0 this is not really a picture" * 40)
        process = start_saver(s)
        timeline = watch(s, [TALL], 22)
        check(process.running(), "the saver ended at the broken photo")
        stretches = runs(timeline)
        story = " -> ".join(f"{st}({b - timeline[0][0]:.1f}..{e - timeline[0][0]:.1f}s)" for st, b, e, _ in stretches)
        # Good photo, then the broken one's hold in black, then the good one again.
        names = [r[0] for r in stretches]
        good = [i for i, n in enumerate(names) if n == TALL["name"]]
        check(len(good) >= 2, f"the good photo did not come back: {story}")
        gap = stretches[good[0] + 1:good[1]]
        black = [r for r in gap if r[0] == "black"]
        check(black, f"no black slide between two showings of the good photo: {story}")
        longest = max(r[2] - r[1] for r in black)
        check(longest >= hold - 1.0, f"the broken photo's black hold lasted only {longest:.1f} s: {story}")
        check_placement(timeline[stretches[good[1]][3]][2], TALL)
        print("seen:", story)


def empty_folder_stays_black(scr, host):
    with Scenario("slideshow-empty", scr, host) as s:
        s.write_settings(**OFFLINE)
        process = start_saver(s)
        for _ in range(6):
            time.sleep(1.0)
            shot = s.screenshot()
            black = shot.fraction_near(BLACK, tolerance=2, step=8)
            check(black == 1.0, f"only {black:.1%} of the screen is black with no photos")
        check(process.running(), "the saver ended with no photos")
        check([f for f in s.data_files() if f.endswith(".jpg")] == [], f"photos appeared: {s.data_files()}")


def make_stripes_jpeg(path, width, height, stripes):
    """A grey (colour) JPEG of width x height whose centre holds a square of `stripes`
    one-pixel columns, black and white in turn, kept sharp by full-resolution
    chroma and the highest quality."""
    rows = []
    left, top = (width - stripes) // 2, (height - stripes) // 2
    plain = bytes([128]) * width
    striped = plain[:left] + bytes(255 * (x % 2) for x in range(stripes)) + plain[left + stripes:]
    for y in range(height):
        rows.append(striped if top <= y < top + stripes else plain)
    raw = path + ".pgm"
    with open(raw, "wb") as f:
        f.write(b"P5 %d %d 255\n" % (width, height) + b"".join(rows))
    subprocess.run(["convert", raw, "-type", "TrueColor", "-sampling-factor", "1x1", "-quality", "100", path], check=True, timeout=120)


def stripe_contrast(shot, size):
    """Mean difference of neighbouring pixels across the screen's centre
    square of `size`, as a share of black to white: 1 for sharp one-pixel
    stripes, 0 for an even grey."""
    x0, y0 = (shot.width - size) // 2, (shot.height - size) // 2
    total = count = 0
    for y in range(y0, y0 + size, 8):
        row = [shot.pixel(x, y)[1] for x in range(x0, x0 + size)]
        total += sum(abs(a - b) for a, b in zip(row, row[1:]))
        count += len(row) - 1
    return total / count / 255.0


def large_screens_draw_photos_texel_for_pixel(scr, host):
    """A 3840 x 2160 photo of one-pixel stripes keeps them on a 3840 x 2160
    screen, whose photo slots are 4096 texels; on 1280 x 720 the slot is
    2048, and the stripes, shrunk on its canvas, average to grey."""
    for screen, expect_sharp in (((3840, 2160), True), ((1280, 720), False)):
        with Scenario(f"slideshow-stripes-{screen[0]}", scr, host, screen=screen, time_limit=180) as s:
            s.write_settings(**OFFLINE)
            with tempfile.TemporaryDirectory() as scratch:
                path = os.path.join(scratch, "stripes.jpg")
                make_stripes_jpeg(path, 3840, 2160, 600)
                with open(path, "rb") as f:
                    s.put_file("stripes.jpg", f.read())
            process = start_saver(s)
            # One photo: it fades in and stays; two equal screenshots in a
            # row that are not black show it whole.
            last, shot, deadline = None, None, time.monotonic() + 90
            while time.monotonic() < deadline:
                shot = s.screenshot()
                if last is not None and shot.pixels == last.pixels and shot.pixel(10, 10) != BLACK:
                    break
                last = shot
                time.sleep(1.0)
            else:
                check(False, f"the photo never stood still on {screen}")
            check(process.running(), "the saver ended during the show")
            contrast = stripe_contrast(shot, 160 * screen[0] // 1280)
            print(f"stripe contrast on {screen[0]} x {screen[1]}: {contrast:.2f}")
            if expect_sharp:
                check(contrast >= 0.8, f"the stripes kept only {contrast:.0%} of their contrast on {screen}")
            else:
                check(contrast <= 0.2, f"the stripes were not averaged on the 2048 canvas: {contrast:.0%}")


def header_bomb_and_odd_photos_neither_exhaust_memory_nor_stop_the_show(scr, host):
    """A small JPEG whose header claims 64250 x 64250 pixels shows black; a
    24-megapixel, a grey and a 1 x 1 photo show whole (the single pixel as a
    square of the screen's height); the peak resident size stays under 400 MiB."""
    photos = [("big.jpg", (200, 40, 40), 100, ["6000x4000", "-interlace", "Plane"]),
              ("grey.jpg", (90, 90, 90), 160, ["1024x768", "-type", "Grayscale"]),
              ("dot.jpg", (40, 150, 220), 280, ["1x1", "-quality", "100"])]
    with Scenario("slideshow-odd-photos", scr, host, time_limit=180) as s, tempfile.TemporaryDirectory() as scratch:
        s.write_settings(slide_seconds=3, **OFFLINE)
        for name, colour, _, (size, *options) in photos + [("bomb.jpg", (128, 128, 128), 0, ["64x48"])]:
            path = os.path.join(scratch, name)
            subprocess.run(["convert", "-size", size, "xc:rgb(%d,%d,%d)" % colour, *options, path], check=True, timeout=120)
            data = bytearray(open(path, "rb").read())
            if name == "bomb.jpg":
                frame = data.index(b"\xff\xc0") + 5
                data[frame:frame + 4] = (64250).to_bytes(2, "big") * 2
            s.put_file(name, bytes(data))
        process = start_saver(s)
        seen, peak, end = set(), 0, time.monotonic() + 30
        while time.monotonic() < end and process.running():
            shot = s.screenshot()
            peak = max(peak, int(open(f"/proc/{process.pid}/status").read().split("VmHWM:")[1].split()[0]))
            seen |= {name for name, colour, left, _ in photos
                     if shot.crop(left + 2, 2, 1276 - 2 * left, 716).fraction_near(colour, 6, 16) == 1.0
                     and shot.crop(0, 0, left - 2, 720).fraction_near(BLACK, 2, 16) == 1.0}
            seen |= {"black"} if shot.fraction_near(BLACK, 2, 16) == 1.0 else set()
        check(process.running(), "the saver ended during the show")
        print(f"seen: {sorted(seen)}; peak resident size {peak / 1024:.0f} MiB")
        check(seen == {"big.jpg", "grey.jpg", "dot.jpg", "black"}, f"not every photo was seen whole: {sorted(seen)}")
        check(peak < 400 * 1024, f"peak resident size {peak / 1024:.0f} MiB")


SCENARIOS = {f.__name__: f for f in [
    large_screens_draw_photos_texel_for_pixel,
    photos_fade_in_hold_and_cross_fade_with_bars,
    corrupt_photo_shows_black_and_the_show_goes_on,
    empty_folder_stays_black,
    header_bomb_and_odd_photos_neither_exhaust_memory_nor_stop_the_show,
]}

if __name__ == "__main__":
    sys.exit(harness.main(SCENARIOS))
