#!/usr/bin/env python3
"""Draws the weather condition icons (resources 2000..2029, 250 x 180) and the
new-version warning icon (2100, 240 x 200).

    scripts/make_weather_icons.py                    # writes res/icons/src/*.svg, res/icons/*.png
    scripts/make_weather_icons.py --sheet /tmp/s.png  # and a contact sheet over the panel colours
    scripts/make_weather_icons.py --check            # only checks the PNGs in res/icons

Run by hand when an icon changes, like scripts/make_icon.sh; the build only
embeds the committed PNGs. Needs python3 and rsvg-convert (Debian package
librsvg2-bin); the contact sheet also needs ImageMagick's montage and convert.

Every icon is composed from the shared parts below (cloud, sun, moon, stars,
drops, pellets, flakes, bolt, bands, wind), so the set keeps one outline
width, one palette and one light from the upper left with its shadow to the
lower right. The PNGs are cut down to IHDR, IDAT and IEND: 8-bit RGBA without
resolution or any other ancillary chunk, so they blend over the panel's sky.
"""
import argparse
import math
import pathlib
import struct
import subprocess
import sys
import tempfile
import zlib

ROOT = pathlib.Path(__file__).resolve().parent.parent
OUT_DIR = ROOT / "res" / "icons"
SRC_DIR = OUT_DIR / "src"

LINE = 3.0  # visible outline width of every part, in icon pixels

CLOUDS = {  # top, bottom of the fill; outline
    "light": ("#ffffff", "#bcc8d8", "#4a586e"),
    "grey": ("#dde2ea", "#98a4b6", "#3f4a5c"),
    "dark": ("#a9b2c1", "#5f6a7d", "#232a36"),
    "muted": ("#c9ced6", "#9aa1ad", "#5b6270"),
}
SUN = ("#fff7b8", "#ffd03a", "#f59a12", "#b25400")  # centre, middle, rim; outline
SUN_DUSTY = ("#ffe2a8", "#f4b060", "#d8803a", "#8a4414")
RAY = "#ffb42a"
MOON = ("#fffbea", "#f0db9c", "#8a7640")
STAR = ("#fffbe8", "#8a7640")
DROP = ("#f2f8ff", "#9ccaf6", "#1f4c82")
FLAKE = ("#ffffff", "#3c5a82")
PELLET = ("#ffffff", "#cfe3f7", "#2c5a8a")
BOLT = ("#fff27a", "#ffc21a", "#7a4300")
FOG = ("#eef2f6", "#4a586e")
HAZE = ("#f6ecd6", "#7a6a4e")
DUST = ("#e0c08e", "#6e5030")
WIND = ("#f4f8fc", "#4a586e")
WARN = ("#ffe08a", "#ffb52e", "#e8860c", "#5e3000")
MARK = "#3a2206"


class Icon:
    """One SVG document: shared definitions, then the parts in drawing order."""

    def __init__(self, width, height):
        self.width, self.height = width, height
        self.defs, self.body, self.next_id = [], [], 0

    def new_id(self, stem):
        self.next_id += 1
        return f"{stem}{self.next_id}"

    def linear(self, stops, x1, y1, x2, y2):
        gid = self.new_id("g")
        s = "".join(f'<stop offset="{o}" stop-color="{c}"/>' for o, c in stops)
        self.defs.append(f'<linearGradient id="{gid}" gradientUnits="userSpaceOnUse" '
                         f'x1="{x1:.1f}" y1="{y1:.1f}" x2="{x2:.1f}" y2="{y2:.1f}">{s}</linearGradient>')
        return f"url(#{gid})"

    def radial(self, stops, cx, cy, r, fx, fy):
        gid = self.new_id("g")
        s = "".join(f'<stop offset="{o}" stop-color="{c}"/>' for o, c in stops)
        self.defs.append(f'<radialGradient id="{gid}" gradientUnits="userSpaceOnUse" cx="{cx:.1f}" '
                         f'cy="{cy:.1f}" r="{r:.1f}" fx="{fx:.1f}" fy="{fy:.1f}">{s}</radialGradient>')
        return f"url(#{gid})"

    def add(self, text):
        self.body.append(text)

    def filled(self, d, fill, outline):
        """A closed shape with the outline around it (drawn beneath the fill)."""
        self.add(f'<path d="{d}" fill="{outline}" stroke="{outline}" stroke-width="{2 * LINE}" '
                 f'stroke-linejoin="round"/>')
        self.add(f'<path d="{d}" fill="{fill}"/>')

    def stroked(self, d, width, colour, outline, opacity=1.0):
        """An open line of the given width with the outline around it."""
        group = f'<g opacity="{opacity}">' if opacity < 1 else "<g>"
        self.add(group + f'<path d="{d}" fill="none" stroke="{outline}" stroke-width="{width + 2 * LINE}" '
                 f'stroke-linecap="round" stroke-linejoin="round"/>'
                 f'<path d="{d}" fill="none" stroke="{colour}" stroke-width="{width}" '
                 f'stroke-linecap="round" stroke-linejoin="round"/></g>')

    def svg(self):
        w, h = self.width, self.height
        return (f'<svg xmlns="http://www.w3.org/2000/svg" width="{w}" height="{h}" viewBox="0 0 {w} {h}">\n'
                '<defs>\n'
                f'<filter id="shadow" filterUnits="userSpaceOnUse" x="0" y="0" width="{w}" height="{h}" '
                'color-interpolation-filters="sRGB">'
                '<feGaussianBlur in="SourceAlpha" stdDeviation="2.2"/>'
                '<feOffset dx="2" dy="3" result="blur"/>'
                '<feFlood flood-color="#081228" flood-opacity="0.4"/>'
                '<feComposite in2="blur" operator="in" result="shade"/>'
                '<feMerge><feMergeNode in="shade"/><feMergeNode in="SourceGraphic"/></feMerge></filter>\n'
                + "\n".join(self.defs) +
                '\n</defs>\n<g filter="url(#shadow)">\n' + "\n".join(self.body) + '\n</g>\n</svg>\n')


def f(*values):
    return " ".join(f"{v:.1f}" for v in values)


# ---- parts ------------------------------------------------------------------

# A cloud of width 100: bumps (x, y, r) over a flat-bottomed body ending at y 60.
CLOUD_BUMPS = ((20, 44, 16), (38, 31, 19), (62, 26, 25), (83, 42, 18))
CLOUD_BODY = (20, 40, 83, 60)


def cloud(ic, x, y, w, kind="light", flip=False, opacity=1.0):
    """Cloud with its top-left corner at (x, y), w wide and 0.6 w high."""
    top, bottom, outline = CLOUDS[kind]
    k = w / 100.0

    def px(u):
        return x + (100 - u if flip else u) * k

    shapes = []
    for u, v, r in CLOUD_BUMPS:
        shapes.append(f'<circle cx="{px(u):.1f}" cy="{y + v * k:.1f}" r="{r * k:.1f}"/>')
    l, t, r, b = CLOUD_BODY
    x0, x1 = sorted((px(l), px(r)))
    shapes.append(f'<rect x="{x0:.1f}" y="{y + t * k:.1f}" width="{x1 - x0:.1f}" height="{(b - t) * k:.1f}"/>')
    shade = ic.linear((("0", top), ("0.5", top), ("1", bottom)), x + 0.35 * w, y, x + 0.55 * w, y + 0.6 * w)
    group = f'<g opacity="{opacity}">' if opacity < 1 else "<g>"
    ic.add(group + f'<g fill="{outline}" stroke="{outline}" stroke-width="{2 * LINE}">' + "".join(shapes)
           + f'</g><g fill="{shade}">' + "".join(shapes) + "</g></g>")


def sun(ic, cx, cy, r, rays=True, colours=SUN):
    centre, middle, rim, outline = colours
    if rays:
        for i in range(8):
            a = math.radians(i * 45 - 22.5)
            inner, outer = r + 0.3 * r, r + (0.68 if i % 2 else 0.55) * r
            ic.stroked(f"M{f(cx + inner * math.cos(a), cy + inner * math.sin(a))} "
                       f"L{f(cx + outer * math.cos(a), cy + outer * math.sin(a))}",
                       0.2 * r, RAY, outline)
    fill = ic.radial((("0", centre), ("0.55", middle), ("1", rim)), cx, cy, r, cx - 0.35 * r, cy - 0.4 * r)
    ic.filled(f"M{f(cx - r, cy)} A{f(r, r)} 0 1 1 {f(cx + r, cy)} A{f(r, r)} 0 1 1 {f(cx - r, cy)} Z",
              fill, outline)


def moon(ic, cx, cy, r):
    """Crescent lit from the upper left: the disc minus a disc moved to the lower right."""
    dx, dy, rc = 0.42 * r, -0.3 * r, 0.85 * r  # the cut disc, up and right of the centre
    d = math.hypot(dx, dy)
    a = (r * r - rc * rc + d * d) / (2 * d)
    h = math.sqrt(r * r - a * a)
    ux, uy = dx / d, dy / d
    p1 = (cx + a * ux - h * uy, cy + a * uy + h * ux)
    p2 = (cx + a * ux + h * uy, cy + a * uy - h * ux)
    body = f"M{f(*p1)} A{f(r, r)} 0 1 1 {f(*p2)} A{f(rc, rc)} 0 0 0 {f(*p1)} Z"
    top, bottom, outline = MOON
    ic.filled(body, ic.linear((("0", top), ("1", bottom)), cx - r, cy - r, cx + 0.3 * r, cy + r), outline)


def star(ic, cx, cy, s):
    pts = []
    for i in range(8):
        rr = s if i % 2 == 0 else 0.38 * s
        a = math.radians(i * 45 - 90)
        pts.append(f(cx + rr * math.cos(a), cy + rr * math.sin(a)))
    ic.filled("M" + " L".join(pts) + " Z", STAR[0], STAR[1])


def drop(ic, cx, cy, s, tilt=15):
    """Rain drop s wide at its round end, leaning with the wind."""
    d = (f"M0 {-1.7 * s:.1f} C{f(0.3 * s, -1.0 * s, s, -0.35 * s, s, 0.2 * s)} "
         f"A{f(s, s)} 0 0 1 {f(-s, 0.2 * s)} C{f(-s, -0.35 * s, -0.3 * s, -1.0 * s, 0, -1.7 * s)} Z")
    top, bottom, outline = DROP
    fill = ic.linear((("0", top), ("1", bottom)), 0, -1.7 * s, 0, 1.2 * s)
    ic.add(f'<g transform="translate({cx:.1f} {cy:.1f}) rotate({tilt})">')
    ic.filled(d, fill, outline)
    ic.add("</g>")


def pellet(ic, cx, cy, s):
    """Ice pellet: a small rounded square turned on its corner."""
    top, bottom, outline = PELLET
    fill = ic.linear((("0", top), ("1", bottom)), cx, cy - s, cx, cy + s)
    ic.add('<g stroke-linejoin="round">')
    ic.add(f'<path d="M{f(cx, cy - s)} L{f(cx + s, cy)} L{f(cx, cy + s)} L{f(cx - s, cy)} Z" fill="{outline}" '
           f'stroke="{outline}" stroke-width="{2 * LINE + 3}"/>')
    ic.add(f'<path d="M{f(cx, cy - s)} L{f(cx + s, cy)} L{f(cx, cy + s)} L{f(cx - s, cy)} Z" fill="{fill}" '
           f'stroke="{fill}" stroke-width="3"/>')
    ic.add("</g>")


def flake(ic, cx, cy, s, turn=0):
    """Six-armed snowflake of radius s with a pair of twigs on each arm."""
    parts = []
    for i in range(6):
        a = math.radians(turn + i * 60 - 90)
        ex, ey = cx + s * math.cos(a), cy + s * math.sin(a)
        parts.append(f"M{f(cx, cy)} L{f(ex, ey)}")
        bx, by = cx + 0.58 * s * math.cos(a), cy + 0.58 * s * math.sin(a)
        for side in (-1, 1):
            b = a + side * math.radians(50)
            parts.append(f"M{f(bx, by)} L{f(bx + 0.32 * s * math.cos(b), by + 0.32 * s * math.sin(b))}")
    ic.stroked(" ".join(parts), max(2.5, 0.17 * s), FLAKE[0], FLAKE[1])


def bolt(ic, x, y, k=1.0):
    """Lightning bolt with its top-left at (x, y), about 46 k wide and 70 k high."""
    pts = ((16, 0), (40, 0), (28, 24), (44, 24), (8, 70), (18, 36), (2, 36))
    d = "M" + " L".join(f(x + u * k, y + v * k) for u, v in pts) + " Z"
    top, bottom, outline = BOLT
    ic.filled(d, ic.linear((("0", top), ("1", bottom)), x, y, x + 30 * k, y + 70 * k), outline)


def bands(ic, rows, colours, width=8, opacity=1.0):
    """Horizontal rounded bands (fog, haze, dust): rows of (x0, x1, y)."""
    d = " ".join(f"M{f(x0, y)} H{x1:.1f}" for x0, x1, y in rows)
    ic.stroked(d, width, colours[0], colours[1], opacity)


def specks(ic, points, r=3.2):
    for x, y in points:
        ic.filled(f"M{f(x - r, y)} A{f(r, r)} 0 1 1 {f(x + r, y)} A{f(r, r)} 0 1 1 {f(x - r, y)} Z",
                  DUST[0], DUST[1])


def gust(ic, x0, y, x1, curl, up=True, width=7):
    """Wind streak from x0 to x1 at height y, ending in a curl of radius curl."""
    s = -1 if up else 1
    d = (f"M{f(x0, y)} H{x1:.1f} A{f(curl, curl)} 0 1 {0 if up else 1} {f(x1, y + 2 * s * curl)} "
         f"A{f(curl * 0.55, curl * 0.55)} 0 0 {0 if up else 1} {f(x1 - curl * 0.9, y + s * curl * 1.4)}")
    ic.stroked(d, width, WIND[0], WIND[1])


# ---- compositions -----------------------------------------------------------
# Shared placements: a cloud raining from the upper part of the icon, a sun or
# moon peeking from behind a cloud's upper left. Everything keeps about 5
# pixels from the top and left edges and 10 from the others, for the shadow.

RAIN_CLOUD = (36, 6, 178)     # x, y, width: bottom at y 113
PEEK_CLOUD = (68, 18, 164)    # beside a sun or moon at the upper left: bottom at y 116


def rain(ic, xs, y, s=10):
    for i, x in enumerate(xs):
        drop(ic, x, y + (14 if i % 2 else 0), s)


def snow(ic, xs, y, s=16):
    for i, x in enumerate(xs):
        flake(ic, x, y + (14 if i % 2 else 0), s, turn=i * 15)


def peek(ic, night):
    if night:
        moon(ic, 60, 50, 38)
        star(ic, 22, 104, 8)
    else:
        sun(ic, 62, 58, 28)


def icon_thunderstorm(ic):
    cloud(ic, *RAIN_CLOUD, kind="dark")
    bolt(ic, 102, 90, 1.1)
    rain(ic, (66, 172, 206), 138)


def icon_fog(ic):
    cloud(ic, *RAIN_CLOUD)
    bands(ic, ((24, 196, 100), (48, 226, 119), (20, 170, 138), (62, 214, 157)), FOG, width=9)


def icon_blowing_snow(ic):
    gust(ic, 26, 70, 150, 18, up=True)
    gust(ic, 44, 104, 196, 20, up=False)
    flake(ic, 200, 38, 17, turn=10)
    flake(ic, 104, 144, 16, turn=25)
    flake(ic, 40, 138, 13)


def icon_not_available(ic):
    cloud(ic, 40, 30, 170, kind="muted")


def icon_clear_night(ic):
    moon(ic, 112, 92, 62)
    star(ic, 190, 40, 13)
    star(ic, 214, 98, 9)
    star(ic, 168, 140, 7)
    star(ic, 40, 30, 8)


def icon_wind(ic):
    gust(ic, 24, 62, 150, 20, up=True)
    gust(ic, 40, 98, 200, 22, up=False, width=8)
    gust(ic, 56, 130, 130, 14, up=False, width=6)


def icon_fair_night(ic):
    moon(ic, 96, 78, 58)
    star(ic, 190, 32, 11)
    star(ic, 214, 80, 7)
    cloud(ic, 120, 94, 112)


def icon_overcast(ic):
    cloud(ic, 74, 8, 160, kind="grey")
    cloud(ic, 16, 52, 190)


def icon_sunny(ic):
    sun(ic, 125, 88, 42)


def icon_flurries(ic):
    cloud(ic, *RAIN_CLOUD)
    flake(ic, 84, 146, 13)
    flake(ic, 166, 138, 15, turn=20)


def icon_cloudy_night(ic):
    moon(ic, 74, 56, 46)
    star(ic, 24, 112, 7)
    cloud(ic, 92, 14, 140, kind="grey")
    cloud(ic, 30, 58, 180)


def icon_drizzle(ic):
    cloud(ic, *RAIN_CLOUD)
    for x, y in ((70, 136), (102, 152), (134, 136), (166, 152), (198, 136)):
        drop(ic, x, y, 7)


def icon_dust_night(ic):
    moon(ic, 104, 66, 48)
    star(ic, 190, 30, 9)
    bands(ic, ((40, 200, 116), (68, 220, 136), (30, 150, 156)), DUST, width=8)
    specks(ic, ((190, 158), (210, 100), (36, 96)))


def icon_scattered_snow(ic):
    cloud(ic, *RAIN_CLOUD)
    snow(ic, (78, 128, 178), 136)


def icon_snow(ic):
    cloud(ic, *RAIN_CLOUD, kind="grey")
    snow(ic, (58, 102, 146, 190), 136)


def icon_scattered_thundershowers(ic, night):
    peek(ic, night)
    cloud(ic, *PEEK_CLOUD, kind="dark")
    bolt(ic, 132, 102, 0.9)
    rain(ic, (106, 204), 138, s=9)


def icon_fair_day(ic):
    sun(ic, 100, 84, 40)
    cloud(ic, 130, 108, 96)


def icon_sleet(ic):
    cloud(ic, *RAIN_CLOUD)
    for i, x in enumerate((62, 106, 150, 194)):
        if i % 2:
            pellet(ic, x, 154, 9)
        else:
            drop(ic, x, 142, 10)


def icon_dust_day(ic):
    sun(ic, 120, 62, 40, rays=False, colours=SUN_DUSTY)
    bands(ic, ((36, 196, 110), (62, 220, 132), (26, 160, 154)), DUST, width=8)
    specks(ic, ((198, 158), (210, 84), (36, 74), (184, 96)))


def icon_haze(ic):
    sun(ic, 125, 76, 38)
    bands(ic, ((30, 220, 106), (54, 196, 128), (34, 214, 150)), HAZE, width=9, opacity=0.92)


def icon_heavy_showers(ic):
    cloud(ic, *RAIN_CLOUD, kind="grey")
    rain(ic, (54, 90, 126, 162, 198), 138, s=9)


def icon_mixed_showers(ic, night):
    peek(ic, night)
    cloud(ic, *PEEK_CLOUD)
    drop(ic, 114, 144, 9)
    flake(ic, 160, 150, 14)
    drop(ic, 206, 144, 9)


def icon_rain_and_snow(ic):
    cloud(ic, *RAIN_CLOUD)
    for i, x in enumerate((62, 106, 150, 194)):
        if i % 2:
            flake(ic, x, 150, 15, turn=i * 10)
        else:
            drop(ic, x, 142, 10)


def icon_partly_cloudy(ic):
    sun(ic, 92, 76, 38)
    cloud(ic, 94, 76, 140)


def icon_partly_mostly_cloudy(ic):
    sun(ic, 80, 70, 34)
    cloud(ic, 54, 58, 178)


def icon_mostly_cloudy(ic):
    sun(ic, 62, 58, 28)
    cloud(ic, 88, 10, 140, kind="grey")
    cloud(ic, 24, 58, 180)


def icon_isolated_thunderstorms(ic, night):
    peek(ic, night)
    cloud(ic, *PEEK_CLOUD, kind="dark")
    bolt(ic, 134, 100, 0.95)


WEATHER = {
    2000: icon_thunderstorm,
    2001: icon_fog,
    2002: icon_blowing_snow,
    2003: icon_not_available,
    2004: icon_clear_night,
    2005: icon_wind,
    2006: icon_fair_night,
    2007: icon_overcast,
    2008: icon_sunny,
    2009: icon_flurries,
    2010: icon_cloudy_night,
    2011: icon_drizzle,
    2012: icon_dust_night,
    2013: icon_scattered_snow,
    2014: icon_snow,
    2015: lambda ic: icon_scattered_thundershowers(ic, night=True),
    2016: icon_fair_day,
    2017: icon_sleet,
    2018: icon_dust_day,
    2019: icon_haze,
    2020: icon_heavy_showers,
    2021: lambda ic: icon_mixed_showers(ic, night=True),
    2022: icon_rain_and_snow,
    2023: icon_partly_cloudy,
    2024: icon_partly_mostly_cloudy,
    2025: icon_mostly_cloudy,
    2026: lambda ic: icon_scattered_thundershowers(ic, night=False),
    2027: lambda ic: icon_isolated_thunderstorms(ic, night=True),
    2028: lambda ic: icon_mixed_showers(ic, night=False),
    2029: lambda ic: icon_isolated_thunderstorms(ic, night=False),
}


def weather_icon(draw):
    ic = Icon(250, 180)
    draw(ic)
    return ic


def warning_icon():
    """Rounded amber triangle with an exclamation mark, 240 x 200."""
    ic = Icon(240, 200)
    round_ = 12  # corner rounding: the triangle is stroked this wide in its own fill
    tri = f"M{f(120, 24)} L{f(212, 172)} L{f(28, 172)} Z"
    top, middle, bottom, outline = WARN
    fill = ic.linear((("0", top), ("0.45", middle), ("1", bottom)), 90, 10, 150, 190)
    ic.add(f'<path d="{tri}" fill="{outline}" stroke="{outline}" stroke-width="{2 * round_ + 2 * LINE}" '
           f'stroke-linejoin="round"/>')
    ic.add(f'<path d="{tri}" fill="{fill}" stroke="{fill}" stroke-width="{2 * round_}" stroke-linejoin="round"/>')
    ic.add(f'<path d="M{f(120, 74)} L{f(120, 128)}" stroke="{MARK}" stroke-width="17" stroke-linecap="round"/>')
    ic.add(f'<circle cx="120" cy="156" r="10" fill="{MARK}"/>')
    return ic


# ---- output -----------------------------------------------------------------

KEEP = {b"IHDR", b"IDAT", b"IEND"}


def png_chunks(data):
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        raise ValueError("not a PNG")
    pos = 8
    while pos < len(data):
        length, kind = struct.unpack(">I4s", data[pos:pos + 8])
        yield kind, data[pos + 8:pos + 8 + length], data[pos:pos + 12 + length]
        pos += 12 + length


def strip_png(data):
    return data[:8] + b"".join(raw for kind, _, raw in png_chunks(data) if kind in KEEP)


def alpha_range(data):
    """Lowest and highest alpha of an 8-bit RGBA PNG, and the highest on its border
    (where a part would be cut off by the edge), undoing the row filters."""
    chunks = list(png_chunks(data))
    width, height = struct.unpack(">II", chunks[0][1][:8])
    raw = zlib.decompress(b"".join(body for kind, body, _ in chunks if kind == b"IDAT"))
    stride, bpp = width * 4, 4
    prev, lo, hi, edge, pos = bytearray(stride), 255, 0, 0, 0
    for y in range(height):
        kind, row = raw[pos], bytearray(raw[pos + 1:pos + 1 + stride])
        pos += 1 + stride
        for i in range(stride):
            a = row[i - bpp] if i >= bpp else 0
            b = prev[i]
            c = prev[i - bpp] if i >= bpp else 0
            if kind == 1:
                row[i] = (row[i] + a) & 255
            elif kind == 2:
                row[i] = (row[i] + b) & 255
            elif kind == 3:
                row[i] = (row[i] + (a + b) // 2) & 255
            elif kind == 4:
                p = a + b - c
                pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                row[i] = (row[i] + (a if pa <= pb and pa <= pc else b if pb <= pc else c)) & 255
        alphas = row[3::4]
        lo, hi = min(lo, min(alphas)), max(hi, max(alphas))
        edge = max(edge, max(alphas) if y in (0, height - 1) else max(alphas[0], alphas[-1]))
        prev = row
    return lo, hi, edge


def check(path, size):
    """Problems of one written icon: size, 8-bit RGBA, chunks, real transparency."""
    data = path.read_bytes()
    chunks = list(png_chunks(data))
    kinds = [kind.decode() for kind, _, _ in chunks]
    width, height, depth, colour = struct.unpack(">IIBB", chunks[0][1][:10])
    problems = []
    if (width, height) != size:
        problems.append(f"size {width}x{height}")
    if set(kinds) - {"IHDR", "IDAT", "IEND"}:
        problems.append("chunks " + " ".join(kinds))
    summary = f"{width}x{height} depth {depth} colour {colour} chunks {' '.join(kinds)}"
    if (depth, colour) != (8, 6):
        problems.append(f"bit depth {depth}, colour type {colour}: not 8-bit RGBA")
        return problems, summary
    lo, hi, edge = alpha_range(data)
    summary += f" alpha {lo}..{hi}"
    if lo != 0 or hi != 255:
        problems.append(f"alpha {lo}..{hi}")
    if edge:
        problems.append(f"cut at the border (alpha {edge})")
    return problems, summary


def render(ic, name):
    svg = SRC_DIR / f"{name}.svg"
    png = OUT_DIR / f"{name}.png"
    svg.write_text(ic.svg())
    subprocess.run(["rsvg-convert", "-w", str(ic.width), "-h", str(ic.height), "-o", str(png), str(svg)],
                   check=True)
    png.write_bytes(strip_png(png.read_bytes()))
    return png


def sheet(pngs, target):
    """Every icon over the day sky, the twilight and black, at full size and at forecast size."""
    with tempfile.TemporaryDirectory() as work:
        rows = []
        for geometry in ("250x180+4+4", "180x130+3+3"):
            for colour in ("#6698da", "#615b6a", "#000000"):
                row = f"{work}/row{len(rows)}.png"
                subprocess.run(["montage", *map(str, pngs), "-background", colour, "-tile", "8x",
                                "-geometry", geometry, "-depth", "8", row], check=True)
                rows.append(row)
        subprocess.run(["convert", *rows, "-background", "black", "-append", "+repage", str(target)], check=True)


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--check", action="store_true", help="only check the PNGs already in res/icons")
    parser.add_argument("--sheet", metavar="PNG", help="also write a contact sheet of all icons")
    args = parser.parse_args()
    icons = [(f"weather_{number}", (250, 180), lambda draw=draw: weather_icon(draw))
             for number, draw in WEATHER.items()]
    icons.append(("warning_2100", (240, 200), warning_icon))
    if args.check:
        written = [(OUT_DIR / f"{name}.png", size) for name, size, _ in icons]
    else:
        SRC_DIR.mkdir(parents=True, exist_ok=True)
        written = [(render(build(), name), size) for name, size, build in icons]
    failed = False
    for png, size in written:
        problems, summary = check(png, size)
        failed |= bool(problems)
        print(f"{png.relative_to(ROOT)}: {summary}" + (f"  BAD: {'; '.join(problems)}" if problems else ""))
    if args.sheet:
        sheet([png for png, _ in written], args.sheet)
        print(f"wrote {args.sheet}")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
