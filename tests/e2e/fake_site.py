#!/usr/bin/python3
"""A stand-in for the photo site, the update service and the weather service, for tests and the demo.

Serves on 127.0.0.1 (a free port unless --port is given):
  /showphotos.php?...            the listing page (any of the six galleries' queries)
  /images/x/y/NAME.jpg           the photos, NAME.tb.jpg the same bytes as thumbnails
  /screensavers/update.php?...   the update answer with <appver>VERSION</appver>
  /weather/local/ID?...          the weather document (see WEATHER_DEFAULTS; config "weather" changes
                                 fields, "weather_body" replaces the whole answer, "weather_encoding"
                                 chooses "utf-8" or "iso-8859-1", declared and used)
  /search/search?where=TEXT      the location search answer for TEXT (config "search": {TEXT: answer,
                                 "*": for any other text}; otherwise an answer without entries),
                                 sent as ISO-8859-1
  /__requests                    JSON list of every request so far (path, query, user_agent)
  /__control?path=P&mode=M[&to=T][&rate=R][&seconds=S]
                                 sets how P misbehaves from now on (mode "ok" clears it)
  /__control?version=V           changes the version of the update answer
  /__stop                        ends the server

Misbehaviour modes, per path (path alone, or path?query for one exact query):
  404, 500       that status with a short body
  empty          200 with an empty body
  trickle        200, declared length, the body at `rate` bytes a second (default 5)
  stall          200, declared length, a few bytes, then nothing until the server ends
  cut            200, declared length, half the body, then the connection is closed
  cut_nolength   200 without a length, half the body, then the connection is closed
  reset          200, declared length, half the body, then a TCP reset
  delay          the normal answer, after `seconds` (default 3)
  hold           200, declared length, nothing for `seconds` (default 3), then the whole body
  redirect       302 to `to`
  loop           302 back to the same path, for ever
  big            200 with a declared length of `mib` MiB (default 5), then that many bytes
  flood          200 without a length, `mib` MiB (default 100) of bytes, then the connection is closed
  pad            200, declared length, the normal answer followed by `mib` MiB (default 4) of spaces
Every mode but "ok" also takes `after`: seconds to wait before answering at all.

The port goes to stdout (one line) and to --port-file. The server ends by itself
after --lifetime seconds, on /__stop, or on SIGTERM/SIGINT.
"""

import argparse
import json
import os
import shutil
import signal
import socket
import struct
import subprocess
import sys
import tempfile
import threading
import time
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer
from urllib.parse import parse_qs, unquote, urlsplit

LISTING_PATH = "/showphotos.php"
UPDATE_PATH = "/screensavers/update.php"
IMAGE_DIR = "/images/x/y/"
SEARCH_PATH = "/search/search"
NO_LOCATIONS = '<?xml version="1.0" encoding="ISO-8859-1"?>\n<search ver="3.0">\n</search>\n'
WEATHER_DIR = "/weather/local/"

# A day-time observation: sky fill on the current panel, and five forecast days.
WEATHER_DEFAULTS = {
    "unit": "C", "place": "Saint-Petersburg, Russia", "sunrise": "7:30 AM", "sunset": "4:30 PM",
    "observed": "12/7/2010 1:00 PM Local Time", "temp": "-4", "text": "Light Snow", "icon": "14",
    "days": [
        {"dt": "Dec 7", "hi": "-2", "low": "-9", "day_icon": "14", "day_text": "Snow Showers",
         "night_icon": "29", "night_text": "Partly Cloudy"},
        {"dt": "Dec 8", "hi": "-5", "low": "-12", "day_icon": "30", "day_text": "Partly Cloudy",
         "night_icon": "31", "night_text": "Clear"},
        {"dt": "Dec 9", "hi": "-1", "low": "-7", "day_icon": "26", "day_text": "Cloudy",
         "night_icon": "27", "night_text": "Mostly Cloudy"},
        {"dt": "Dec 10", "hi": "1", "low": "-3", "day_icon": "11", "day_text": "Showers",
         "night_icon": "33", "night_text": "Fair"},
        {"dt": "Dec 11", "hi": "3", "low": "0", "day_icon": "32", "day_text": "Sunny",
         "night_icon": "31", "night_text": "Clear"},
    ],
}

COLOURS = ["#8b1e1e", "#1e5b8b", "#2e7d32", "#b8860b", "#6a1b9a", "#00695c", "#ad1457", "#4e342e"]


class Site:
    """Everything the handlers share; every field is read and written under `lock`."""

    def __init__(self, photos, version, listing_template, update_body, faults, serve_any=False, weather=None):
        self.lock = threading.Lock()
        self.serve_any = serve_any  # any other name under /images/ gets the first photo
        self.photos = photos  # name -> bytes
        self.version = version
        self.listing_template = listing_template
        self.update_body = update_body
        self.faults = dict(faults)
        self.weather = dict(weather or {})
        self.search_answers = {}  # decoded search text -> answer text (config "search")
        self.requests = []
        self.port = 0
        self.stopping = threading.Event()

    def prefix(self):
        return "http://127.0.0.1:%d/images/" % self.port

    def listing(self):
        prefix = self.prefix()
        if self.listing_template is not None:
            return self.listing_template.replace("{prefix}", prefix).encode("latin-1")
        rows = "".join(
            '<td><a href="/photo/%s"><img src="%sx/y/%s.tb.jpg" alt="%s"></a></td>\n' % (n, prefix, n, n)
            for n in sorted(self.photos))
        return ("<html><head><title>Gallery</title></head><body><table><tr>\n%s</tr></table></body></html>\n"
                % rows).encode("latin-1")

    def update_answer(self):
        if self.update_body is not None:
            return self.update_body.encode("latin-1")
        return ('<?xml version="1.0"?>\n<update>\n<appver>%s</appver>\n</update>\n' % self.version).encode("latin-1")

    def weather_answer(self):
        return weather_document(self.weather)


def weather_document(config):
    """The weather answer for a config with optional "weather", "weather_body" and "weather_encoding"."""
    encoding = config.get("weather_encoding", "utf-8")
    if config.get("weather_body") is not None:
        return config["weather_body"].encode(encoding)
    w = dict(WEATHER_DEFAULTS, **config.get("weather", {}))
    days = "".join(
        '  <day d="%d" t="Day%d" dt="%s">\n    <hi>%s</hi>\n    <low>%s</low>\n    <sunr>7:3%d AM</sunr>\n'
        '    <suns>4:2%d PM</suns>\n    <part p="d">\n      <icon>%s</icon>\n      <t>%s</t>\n'
        '      <wind><s>10</s><t>NW</t></wind>\n    </part>\n    <part p="n">\n      <icon>%s</icon>\n'
        '      <t>%s</t>\n    </part>\n  </day>\n'
        % (i, i, d["dt"], d["hi"], d["low"], i, i, d["day_icon"], d["day_text"], d["night_icon"], d["night_text"])
        for i, d in enumerate(w["days"]))
    text = ('<?xml version="1.0" encoding="%s"?>\n<!--This document is intended only for use by authorized '
            'licensees. "Unauthorized" use is prohibited.-->\n<weather ver="2.0">\n'
            '<head>\n  <locale>en_US</locale>\n  <form>MEDIUM</form>\n  <ut>%s</ut>\n  <ud>km</ud>\n</head>\n'
            '<loc id="X">\n  <dnam>%s</dnam>\n  <tm>1:05 PM</tm>\n  <sunr>%s</sunr>\n  <suns>%s</suns>\n</loc>\n'
            '<cc>\n  <lsup>%s</lsup>\n  <obst>%s</obst>\n  <tmp>%s</tmp>\n  <flik>-9</flik>\n  <t>%s</t>\n'
            '  <icon>%s</icon>\n  <wind>\n    <s>18</s>\n    <gust>N/A</gust>\n    <d>300</d>\n    <t>WNW</t>\n'
            '  </wind>\n  <uv>\n    <i>0</i>\n    <t>Low</t>\n  </uv>\n  <moon>\n    <icon>12</icon>\n'
            '    <t>Waning Crescent</t>\n  </moon>\n</cc>\n<dayf>\n  <lsup>%s</lsup>\n%s</dayf>\n</weather>\n'
            % (encoding.upper(), w["unit"], w["place"], w["sunrise"], w["sunset"], w["observed"], w["place"],
               w["temp"], w["text"], w["icon"], w["observed"], days))
    return text.encode(encoding)


def search_answer(answers, query):
    """The answer to the raw query of a search: the entry for its decoded `where` text (UTF-8,
    "+" taken literally), else the "*" entry, else an answer without entries."""
    where = ""
    for part in query.split("&"):
        if part.startswith("where="):
            where = unquote(part[len("where="):], errors="replace")
    return answers.get(where, answers.get("*", NO_LOCATIONS)).encode("latin-1")


def make_photos(count, size):
    """Solid-colour JPEGs made by ImageMagick, one per colour in turn."""
    folder = tempfile.mkdtemp(prefix="fake_site_")
    photos = {}
    try:
        for i in range(count):
            path = os.path.join(folder, "%d.jpg" % i)
            subprocess.run(["convert", "-size", size, "xc:" + COLOURS[i % len(COLOURS)], "-quality", "85", path],
                           check=True)
            with open(path, "rb") as f:
                photos["%d" % (1000 + i)] = f.read()
    finally:
        shutil.rmtree(folder, ignore_errors=True)
    return photos


def read_photos(folder):
    photos = {}
    for entry in sorted(os.listdir(folder)):
        stem, ext = os.path.splitext(entry)
        if ext.lower() in (".jpg", ".jpeg") and stem:
            with open(os.path.join(folder, entry), "rb") as f:
                photos[stem] = f.read()
    return photos


class Handler(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    server_version = "FakeSite/1.0"
    site = None  # set by main

    def log_message(self, *args):
        pass

    def do_GET(self):
        try:
            self.serve()
        except (BrokenPipeError, ConnectionResetError):
            self.close_connection = True  # the client gave up; nothing left to answer

    def serve(self):
        parts = urlsplit(self.path)
        path, query = parts.path, parts.query
        site = self.site
        if path == "/__requests":
            with site.lock:
                body = json.dumps(site.requests).encode()
            return self.answer(200, body, "application/json")
        if path == "/__control":
            return self.control(parse_qs(query))
        if path == "/__stop":
            self.answer(200, b"stopping\n", "text/plain")
            site.stopping.set()
            return

        with site.lock:
            site.requests.append({"path": path, "query": query, "user_agent": self.headers.get("User-Agent", ""),
                                  "time": time.time()})
            fault = site.faults.get(path + "?" + query) or site.faults.get(path)

        if path == SEARCH_PATH:
            status, body, kind = self.search(query)
        else:
            status, body, kind = self.content(path)
        if fault and fault.get("mode", "ok") != "ok":
            return self.misbehave(fault, path, body, kind)
        self.answer(status, body, kind)

    def content(self, path):
        site = self.site
        with site.lock:
            if path == LISTING_PATH:
                return 200, site.listing(), "text/html"
            if path == UPDATE_PATH:
                return 200, site.update_answer(), "text/xml"
            if path.startswith(WEATHER_DIR):
                return 200, site.weather_answer(), "text/xml"
            if path.startswith(IMAGE_DIR):
                name = path[len(IMAGE_DIR):]
                for suffix in (".tb.jpg", ".jpg"):
                    if name.endswith(suffix) and name[:-len(suffix)] in site.photos:
                        return 200, site.photos[name[:-len(suffix)]], "image/jpeg"
                if site.serve_any and site.photos:
                    return 200, next(iter(site.photos.values())), "image/jpeg"
        return 404, b"<html><body>Not found</body></html>\n", "text/html"

    def search(self, query):
        with self.site.lock:
            return 200, search_answer(self.site.search_answers, query), "text/xml"

    def control(self, params):
        fault = {k: v[0] for k, v in params.items()}
        path = fault.pop("path", None)
        version = fault.pop("version", None)
        if not path and version is None:
            return self.answer(400, b"path or version missing\n", "text/plain")
        with self.site.lock:
            if version is not None:
                self.site.version = version
            if path and fault.get("mode", "ok") == "ok":
                self.site.faults.pop(path, None)
            elif path:
                self.site.faults[path] = fault
        self.answer(200, b"ok\n", "text/plain")

    def answer(self, status, body, kind, extra=()):
        self.send_response(status)
        self.send_header("Content-Type", kind)
        self.send_header("Content-Length", str(len(body)))
        for name, value in extra:
            self.send_header(name, value)
        self.end_headers()
        self.wfile.write(body)

    def head_only(self, kind, length=None):
        self.send_response(200)
        self.send_header("Content-Type", kind)
        if length is None:
            self.send_header("Connection", "close")
        else:
            self.send_header("Content-Length", str(length))
        self.end_headers()
        self.wfile.flush()

    def stream(self, kind, size, declared):
        """`size` bytes of "x" in 64 KiB writes, until the client stops reading."""
        self.head_only(kind, size if declared else None)
        block = b"x" * 65536
        sent = 0
        while sent < size and not self.site.stopping.is_set():
            part = block[:min(len(block), size - sent)]
            self.wfile.write(part)
            sent += len(part)
        self.close_connection = True

    def pad(self, kind, body, padding):
        """`body`, then `padding` spaces in 64 KiB writes, until the client stops reading."""
        self.head_only(kind, len(body) + padding)
        self.wfile.write(body)
        block = b" " * 65536
        while padding > 0 and not self.site.stopping.is_set():
            self.wfile.write(block[:min(len(block), padding)])
            padding -= min(len(block), padding)
        self.close_connection = True

    def misbehave(self, fault, path, body, kind):
        mode = fault["mode"]
        if "after" in fault:
            self.site.stopping.wait(float(fault["after"]))
        if mode in ("404", "500"):
            return self.answer(int(mode), b"<html><body>Error %s</body></html>\n" % mode.encode(), "text/html")
        if mode == "empty":
            return self.answer(200, b"", kind)
        if mode == "delay":
            self.site.stopping.wait(float(fault.get("seconds", "3")))
            return self.answer(200 if body else 404, body, kind)
        if mode == "hold":
            self.head_only(kind, len(body))
            if not self.site.stopping.wait(float(fault.get("seconds", "3"))):
                self.wfile.write(body)
            return
        if mode == "redirect":
            return self.answer(302, b"", "text/html", [("Location", fault.get("to", "/"))])
        if mode == "loop":
            return self.answer(302, b"", "text/html", [("Location", path)])
        if mode in ("big", "flood"):
            return self.stream(kind, int(float(fault.get("mib", "5" if mode == "big" else "100")) * 1024 * 1024),
                               declared=mode == "big")
        if mode == "pad":
            return self.pad(kind, body, int(float(fault.get("mib", "4")) * 1024 * 1024))
        if len(body) < 2:
            body = body + b" " * (2 - len(body))
        if mode == "trickle":
            rate = max(1, int(fault.get("rate", "5")))
            self.head_only(kind, len(body))
            for b in body:
                if self.site.stopping.wait(1.0 / rate):
                    break
                self.wfile.write(bytes([b]))
                self.wfile.flush()
            self.close_connection = True
            return
        if mode == "stall":
            self.head_only(kind, len(body))
            self.wfile.write(body[:1])
            self.wfile.flush()
            self.site.stopping.wait(float(fault.get("seconds", "1e9")))
            self.close_connection = True
            return
        half = body[:len(body) // 2]
        if mode == "cut":
            self.head_only(kind, len(body))
        elif mode == "cut_nolength":
            self.head_only(kind, None)
        elif mode == "reset":
            self.head_only(kind, len(body))
        else:
            return self.answer(500, b"unknown fault mode\n", "text/plain")
        self.wfile.write(half)
        self.wfile.flush()
        if mode == "reset":
            self.connection.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))
        self.close_connection = True


class FakeSiteProcess:
    """Runs this server as a child process for a test or the demo: `with FakeSiteProcess(...) as site:`."""

    def __init__(self, folder, config=None, photos=None, generate=4, size="640x480", version="1.2", lifetime=300,
                 port=0):
        self.folder = folder
        os.makedirs(folder, exist_ok=True)
        args = [sys.executable, os.path.abspath(__file__), "--lifetime", str(lifetime), "--version", version,
                "--size", size, "--generate", str(generate), "--port", str(port)]
        if photos:
            args += ["--photos", photos]
        if config is not None:
            path = os.path.join(folder, "fake_site.json")
            with open(path, "w", encoding="utf-8") as f:
                json.dump(config, f)
            args += ["--config", path]
        self.log = open(os.path.join(folder, "fake_site.log"), "wb")
        self.proc = subprocess.Popen(args, stdin=subprocess.DEVNULL, stdout=subprocess.PIPE, stderr=self.log)
        line = self.proc.stdout.readline()
        if not line.strip().isdigit():
            self.close()
            raise RuntimeError("the fake site did not start; see " + os.path.join(folder, "fake_site.log"))
        self.port = int(line)
        self.base = "http://127.0.0.1:%d" % self.port
        self.image_prefix = self.base + "/images/"

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()
        return False

    def _get(self, path):
        import urllib.request
        with urllib.request.urlopen(self.base + path, timeout=10) as r:
            return r.read()

    def requests(self, path=None):
        """Every request so far (dicts with path, query, user_agent, time), or those of one path."""
        found = json.loads(self._get("/__requests"))
        return [r for r in found if path is None or r["path"] == path]

    def control(self, **params):
        from urllib.parse import urlencode
        self._get("/__control?" + urlencode(params))

    def close(self):
        if self.proc.poll() is None:
            try:
                self._get("/__stop")
                self.proc.wait(5)
            except Exception:
                self.proc.kill()
                self.proc.wait()
        self.proc.stdout.close()
        self.log.close()


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--port", type=int, default=0)
    parser.add_argument("--port-file")
    parser.add_argument("--photos", help="folder of JPEG files to serve (names without extension)")
    parser.add_argument("--generate", type=int, default=6, help="solid-colour photos to make when --photos is absent")
    parser.add_argument("--size", default="640x480", help="size of generated photos")
    parser.add_argument("--version", default="1.2", help="version text of the update answer")
    parser.add_argument("--config", help="JSON file: listing (with {prefix}), update_body, version, faults "
                                         "({path: {mode: ..., to/rate/seconds: ...}}), serve_any, weather "
                                         "({field: value}), weather_body, weather_encoding")
    parser.add_argument("--lifetime", type=float, default=600.0, help="seconds until the server ends by itself")
    args = parser.parse_args()

    config = {}
    if args.config:
        with open(args.config, encoding="utf-8") as f:
            config = json.load(f)
    photos = read_photos(args.photos) if args.photos else make_photos(args.generate, args.size)
    site = Site(photos, config.get("version", args.version), config.get("listing"), config.get("update_body"),
                config.get("faults", {}), config.get("serve_any", False),
                {k: v for k, v in config.items() if k.startswith("weather")})
    site.search_answers = dict(config.get("search", {}))
    Handler.site = site

    server = ThreadingHTTPServer(("127.0.0.1", args.port), Handler)
    server.daemon_threads = True
    site.port = server.server_address[1]

    signal.signal(signal.SIGTERM, lambda *_: site.stopping.set())
    signal.signal(signal.SIGINT, lambda *_: site.stopping.set())
    threading.Thread(target=server.serve_forever, daemon=True).start()

    if args.port_file:
        with open(args.port_file + ".part", "w") as f:
            f.write("%d\n" % site.port)
        os.replace(args.port_file + ".part", args.port_file)
    print(site.port, flush=True)

    site.stopping.wait(args.lifetime)
    site.stopping.set()  # wakes stalled and trickling answers
    server.shutdown()
    server.server_close()


if __name__ == "__main__":
    sys.exit(main())
