"""Runs the real velmora.scr under Wine the way a user's machine would, one
isolated scenario at a time.

Every scenario gets its own X display (Xvfb, or Xorg for two monitors), its
own HOME and its own Wine prefix, copied from the base prefix that
tests/e2e/wine_env.sh makes once per run (VELMORA_BASE_PREFIX). The Pictures
folder of the copy points at the new HOME, so the data folder is
HOME/Corvath/VelmoraSaver. A scenario is a `with`
block; leaving it, normally or by its time bound, kills everything it started.

Standard library only: run with /usr/bin/python3.
"""

import argparse
import os
import re
import shutil
import signal
import struct
import subprocess
import sys
import tempfile
import time
import traceback
import zlib

SAVER_TITLE = "Corvath Velmora Saver"
SETUP_TITLE = "Velmora - Screensaver Setup"
DATA_SUBFOLDER = os.path.join("Corvath", "VelmoraSaver")
SETUP_VERSION_FILE = ".velmora-ready"

# The two-monitor display: (width, height) of the primary monitor at 0,0 and
# of the one right of it, on Xorg's dummy driver.
TWO_MONITORS = ((1280, 720), (1024, 768))
SECOND_MONITOR_MODE = "65.00 1024 1048 1184 1344 768 771 777 806 -hsync -vsync"
TWO_MONITOR_CONF = """Section "Device"
  Identifier "dummy"
  Driver "dummy"
  VideoRam 256000
EndSection
Section "Monitor"
  Identifier "mon"
  HorizSync 5.0-1000.0
  VertRefresh 5.0-200.0
  Modeline "1280x720" 74.25 1280 1390 1430 1650 720 725 730 750 +hsync +vsync
EndSection
Section "Screen"
  Identifier "screen"
  Device "dummy"
  Monitor "mon"
  DefaultDepth 24
  SubSection "Display"
    Depth 24
    Virtual 4096 2160
    Modes "1280x720"
  EndSubSection
EndSection
"""

# The seven lines a first run writes, in file order; None stands for the
# generated installation id.
DEFAULT_SETTINGS = [
    ("dloption", "0"),
    ("guid", None),
    ("newver", "1.0"),
    ("show_weather", "1"),
    ("weather_loc_id", "RSXX0091"),
    ("weather_loc", "Saint-Petersburg, Russia"),
    ("show_newver", "1"),
]

# Messages the preview host can post, by the names its protocol uses.
HOST_MESSAGES = ("keydown", "keyup", "syskeydown", "syskeyup", "lbuttondown", "rbuttondown", "mbuttondown",
                 "mousemove", "close", "displaychange")


class HarnessError(Exception):
    """The environment or a scenario step failed; the message says what."""


class ScenarioTimeout(HarnessError):
    pass


def check(condition, message):
    """Fails the scenario with `message` unless `condition` holds."""
    if not condition:
        raise HarnessError(message)


def wait_until(predicate, timeout, interval=0.05, what="condition"):
    """Polls `predicate` until it returns a true value, which is returned."""
    deadline = time.monotonic() + timeout
    while True:
        value = predicate()
        if value:
            return value
        if time.monotonic() >= deadline:
            raise HarnessError(f"timed out after {timeout:.1f} s waiting for {what}")
        time.sleep(interval)


def base_prefix():
    """The base prefix made by wine_env.sh, or a clear failure."""
    prefix = os.environ.get("VELMORA_BASE_PREFIX", "")
    hint = ("run the end-to-end tests through scripts/test.sh, or `source tests/e2e/wine_env.sh && "
            "wine_env_start build/win/wine-run` before ctest")
    if not prefix:
        raise HarnessError("VELMORA_BASE_PREFIX is not set: " + hint)
    if not os.path.isfile(os.path.join(prefix, SETUP_VERSION_FILE)):
        raise HarnessError(f"{prefix} is not a finished base prefix: " + hint)
    return prefix


def windows_path(unix_path):
    """The path as Wine programs see it through drive Z:."""
    return "Z:" + os.path.abspath(unix_path).replace("/", "\\")


def run_quiet(args, env, timeout):
    """Runs a helper command to its end with no terminal attached; returns (code, stdout)."""
    done = subprocess.run(args, env=env, stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                          stderr=subprocess.DEVNULL, timeout=timeout, check=False)
    return done.returncode, done.stdout.decode("utf-8", "replace")


# ---------------------------------------------------------------------------
# Prefix copies


def copy_prefix(base, target, home):
    """Copies the base prefix into `target` cheaply and points its user folders at `home`.

    The Windows folder (about 700 MB of programs and libraries that Wine only
    reads) is hard-linked; the registry files, the users folder and the few
    text files Wine may rewrite in place are real copies, so nothing a
    scenario does reaches the base prefix or another scenario.
    """
    os.makedirs(target)
    for name in os.listdir(base):
        if name == "wineserver":
            continue  # names the base's socket folder; the copy gets its own
        src, dst = os.path.join(base, name), os.path.join(target, name)
        if name != "drive_c":
            if os.path.isdir(src) and not os.path.islink(src):
                shutil.copytree(src, dst, symlinks=True)
            else:
                shutil.copy2(src, dst, follow_symlinks=False)
    drive = os.path.join(base, "drive_c")
    os.makedirs(os.path.join(target, "drive_c"))
    for name in os.listdir(drive):
        src, dst = os.path.join(drive, name), os.path.join(target, "drive_c", name)
        if name == "windows":
            subprocess.run(["cp", "-al", src, dst], check=True)
            for text in os.listdir(dst):
                path = os.path.join(dst, text)
                if text.lower().endswith((".ini", ".log", ".txt")) and os.path.isfile(path):
                    os.unlink(path)
                    shutil.copy2(os.path.join(src, text), path)
        else:
            shutil.copytree(src, dst, symlinks=True)
    users = os.path.join(target, "drive_c", "users")
    for user in os.listdir(users):
        folder = os.path.join(users, user)
        for entry in os.listdir(folder):
            link = os.path.join(folder, entry)
            if os.path.islink(link) and not os.readlink(link).startswith((".", "/dev")):
                os.unlink(link)
                os.symlink(home, link)


# ---------------------------------------------------------------------------
# Screenshots


class Image:
    """An RGB picture: `pixels` holds width * height * 3 bytes, row by row."""

    def __init__(self, width, height, pixels):
        self.width, self.height, self.pixels = width, height, pixels

    def pixel(self, x, y):
        i = (y * self.width + x) * 3
        return tuple(self.pixels[i:i + 3])

    def crop(self, x, y, w, h):
        rows = [self.pixels[((y + r) * self.width + x) * 3:((y + r) * self.width + x + w) * 3] for r in range(h)]
        return Image(w, h, b"".join(rows))

    def colours(self, step=1):
        """The set of colours found on a grid of every `step`-th pixel."""
        found = set()
        for y in range(0, self.height, step):
            row = self.pixels[y * self.width * 3:(y + 1) * self.width * 3]
            for x in range(0, self.width, step):
                found.add(tuple(row[x * 3:x * 3 + 3]))
        return found

    def fraction_near(self, colour, tolerance=8, step=4):
        """Share of sampled pixels within `tolerance` of `colour` in every channel."""
        total = near = 0
        for y in range(0, self.height, step):
            for x in range(0, self.width, step):
                total += 1
                p = self.pixel(x, y)
                if all(abs(a - b) <= tolerance for a, b in zip(p, colour)):
                    near += 1
        return near / total if total else 0.0

    def save_png(self, path):
        raw = b"".join(b"\0" + self.pixels[y * self.width * 3:(y + 1) * self.width * 3] for y in range(self.height))

        def chunk(kind, data):
            return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))

        with open(path, "wb") as out:
            out.write(b"\x89PNG\r\n\x1a\n")
            out.write(chunk(b"IHDR", struct.pack(">IIBBBBB", self.width, self.height, 8, 2, 0, 0, 0)))
            out.write(chunk(b"IDAT", zlib.compress(raw, 6)))
            out.write(chunk(b"IEND", b""))

    def save_ppm(self, path):
        with open(path, "wb") as out:
            out.write(b"P6\n%d %d\n255\n" % (self.width, self.height))
            out.write(self.pixels)


def parse_ppm(data):
    """Reads a binary (P6, 8-bit) PPM."""
    fields, pos = [], 2
    check(data[:2] == b"P6", "not a binary PPM")
    while len(fields) < 3:
        match = re.compile(rb"\s*(#[^\n]*\n\s*)*(\d+)").match(data, pos)
        check(match is not None, "malformed PPM header")
        fields.append(int(match.group(2)))
        pos = match.end()
    width, height, maxval = fields
    check(maxval == 255, "only 8-bit PPM is read")
    pos += 1
    return Image(width, height, bytes(data[pos:pos + width * height * 3]))


def parse_xwd(data):
    """Reads the ZPixmap dump `xwd -root` writes for a 24- or 32-bit TrueColor screen."""
    check(len(data) >= 100, "short xwd dump")
    header = struct.unpack(">25I", data[:100])
    (header_size, _version, pixmap_format, _depth, width, height, _xoffset, byte_order, _unit, _bit_order, _pad,
     bits_per_pixel, bytes_per_line, _visual, red_mask, green_mask, blue_mask, _bits_rgb, _entries, ncolors,
     *_rest) = header
    check(pixmap_format == 2 and bits_per_pixel in (24, 32), f"unsupported xwd format {pixmap_format}/{bits_per_pixel}")
    offset = header_size + ncolors * 12
    step = bits_per_pixel // 8
    masks = (red_mask, green_mask, blue_mask)
    # For the usual 8-bit channel masks the bytes can be picked directly.
    shifts = [(m & -m).bit_length() - 1 for m in masks]
    simple = all(m >> s == 0xFF and s % 8 == 0 for m, s in zip(masks, shifts))
    out = bytearray(width * height * 3)
    for y in range(height):
        row = data[offset + y * bytes_per_line:offset + y * bytes_per_line + width * step]
        if simple:
            for c, s in enumerate(shifts):
                index = s // 8 if byte_order == 0 else step - 1 - s // 8
                out[y * width * 3 + c:(y + 1) * width * 3:3] = row[index::step]
        else:
            for x in range(width):
                value = int.from_bytes(row[x * step:(x + 1) * step], "little" if byte_order == 0 else "big")
                for c, (m, s) in enumerate(zip(masks, shifts)):
                    out[(y * width + x) * 3 + c] = ((value & m) >> s) * 255 // (m >> s)
    return Image(width, height, bytes(out))


# ---------------------------------------------------------------------------
# Settings file


def settings_bytes(pairs):
    """The settings.cfg bytes for (key, value) pairs: UTF-16LE, no BOM, LF between lines."""
    return "\n".join(f"{k}={v}" for k, v in pairs).encode("utf-16-le")


def parse_settings(raw):
    """(key, value) pairs of a settings.cfg; fails on a byte-order mark or odd length."""
    check(len(raw) % 2 == 0, "settings.cfg has an odd number of bytes")
    check(not raw.startswith(b"\xff\xfe"), "settings.cfg starts with a byte-order mark")
    text = raw.decode("utf-16-le")
    return [tuple(line.split("=", 1)) if "=" in line else (line, None) for line in text.split("\n")]


# ---------------------------------------------------------------------------
# Processes started inside a scenario


class WineProcess:
    """A Windows program started by a scenario; its output goes to a log file."""

    def __init__(self, popen, name, log_path):
        self.popen, self.name, self.log_path = popen, name, log_path

    @property
    def pid(self):
        return self.popen.pid

    def running(self):
        return self.popen.poll() is None

    def wait(self, timeout):
        """The exit code; fails if the process is still running after `timeout` seconds."""
        try:
            return self.popen.wait(timeout)
        except subprocess.TimeoutExpired:
            raise HarnessError(f"{self.name} still running after {timeout:.1f} s") from None

    def stays_running(self, seconds):
        """True when the process is still alive `seconds` from now."""
        try:
            self.popen.wait(seconds)
            return False
        except subprocess.TimeoutExpired:
            return True


class PreviewHost(WineProcess):
    """tests/e2e/preview_host.cpp: owns a window, runs `velmora.scr /p <hwnd>` in it and
    answers one line per command on its standard output."""

    def __init__(self, popen, name, log_path):
        super().__init__(popen, name, log_path)
        self.hwnd = None
        self.saver_pid = None

    def _line(self, timeout):
        import select
        ready, _, _ = select.select([self.popen.stdout], [], [], timeout)
        if not ready:
            raise HarnessError(f"preview host gave no answer within {timeout:.1f} s")
        line = self.popen.stdout.readline().decode("utf-8", "replace").strip()
        if not line:
            raise HarnessError(f"preview host ended (code {self.popen.poll()}); see {self.log_path}")
        return line

    def command(self, text, timeout=10.0):
        """Sends one command line and returns the host's one-line answer."""
        self.popen.stdin.write((text + "\n").encode())
        self.popen.stdin.flush()
        return self._line(timeout)

    def handshake(self, timeout):
        words = self._line(timeout).split()
        check(words[:1] == ["host"], f"unexpected first line from the preview host: {words}")
        self.hwnd = int(words[1])
        words = self._line(timeout).split()
        check(words[:1] == ["started"], f"the preview host could not start the saver: {words}")
        self.saver_pid = int(words[1])

    def child(self, timeout=15.0):
        """(hwnd, x, y, width, height) of the saver's child window relative to the host's
        client area, or None when the host saw none within `timeout` seconds."""
        words = self.command(f"child {int(timeout * 1000)}", timeout + 5).split()
        if words == ["child", "none"]:
            return None
        check(words[0] == "child" and len(words) == 6, f"bad answer to child: {words}")
        return tuple(int(w) for w in words[1:])

    def client(self):
        """(width, height) of the host's client area."""
        words = self.command("client").split()
        return int(words[1]), int(words[2])

    def screen_rect(self):
        """(x, y, width, height) of the child window on the screen."""
        words = self.command("screen").split()
        check(words[0] == "screen", f"bad answer to screen: {words}")
        return tuple(int(w) for w in words[1:])

    def post(self, message, wparam=0, lparam=0):
        """Posts `message` (one of HOST_MESSAGES) to the child window."""
        check(message in HOST_MESSAGES, f"unknown message {message}")
        words = self.command(f"post {message} {wparam} {lparam}").split()
        check(words == ["posted"], f"post {message} failed: {words}")

    def destroy(self):
        """Destroys the host window with the saver's child in it, as a host ends a preview."""
        check(self.command("destroy") == "destroyed", "the host could not destroy its window")

    def saver_exit(self, timeout):
        """The saver's exit code, or None if it still runs after `timeout` seconds."""
        words = self.command(f"wait {int(timeout * 1000)}", timeout + 5).split()
        if words == ["running"]:
            return None
        check(words[0] == "exit", f"bad answer to wait: {words}")
        return int(words[1])

    def quit(self, timeout=10.0):
        try:
            self.command("quit", timeout)
        except HarnessError:
            pass
        return self.popen.wait(timeout)


# ---------------------------------------------------------------------------
# The scenario


class Scenario:
    """One isolated run: `with Scenario("name", scr) as s: ...`.

    Arguments: `scr` the Unix path of velmora.scr; `host` the Unix path of
    preview_host.exe (needed for start_preview and post_to_saver); `screen` the
    (width, height) of the scenario's own Xvfb; `time_limit` in seconds for the
    whole block; `display` an existing X display to use instead of a new Xvfb
    (the demo uses $DISPLAY); `keep` leaves the scenario folder in place.
    `two_monitors` starts an Xorg with the dummy driver instead of Xvfb, with
    two monitors side by side: the primary TWO_MONITORS[0] at 0,0 and
    TWO_MONITORS[1] right of it (`screen` is then not used). `gl=False` starts
    the Xvfb without its GL extension: no window can have an OpenGL context.
    """

    def __init__(self, name, scr, host=None, screen=(1280, 720), time_limit=90, display=None, keep=False,
                 root=None, two_monitors=False, gl=True):
        self.name, self.scr, self.host = name, os.path.abspath(scr), host and os.path.abspath(host)
        self.screen, self.time_limit, self.keep = tuple(screen), time_limit, keep
        self.own_display = display is None
        self.display = display
        self.two_monitors = two_monitors
        self.gl = gl
        self.parent_root = root or os.environ.get("VELMORA_SCENARIO_ROOT") or tempfile.gettempdir()
        self.root = None
        self.processes = []
        self.xvfb = None  # the X server, Xorg for two monitors
        self.timings = {}

    # -- life cycle ---------------------------------------------------------

    def __enter__(self):
        signal.signal(signal.SIGALRM, self._on_alarm)
        signal.signal(signal.SIGTERM, self._on_alarm)
        signal.alarm(self.time_limit)
        try:
            self._set_up()
        except BaseException:
            self._tear_down(failed=True)
            raise
        return self

    def __exit__(self, kind, value, tb):
        signal.alarm(0)
        self._tear_down(failed=kind is not None)
        return False

    def _on_alarm(self, signum, _frame):
        signal.alarm(0)
        what = "time bound" if signum == signal.SIGALRM else "SIGTERM"
        raise ScenarioTimeout(f"scenario {self.name} stopped by its {what} ({self.time_limit} s)")

    def _set_up(self):
        started = time.monotonic()
        base = base_prefix()
        os.makedirs(self.parent_root, exist_ok=True)
        self.root = tempfile.mkdtemp(prefix=f"velmora-{self.name}-", dir=self.parent_root)
        self.home = os.path.join(self.root, "home")
        self.prefix = os.path.join(self.root, "prefix")
        self.data_folder = os.path.join(self.home, DATA_SUBFOLDER)
        os.makedirs(self.home)
        copy_prefix(base, self.prefix, self.home)
        self.timings["copy"] = time.monotonic() - started

        mark = time.monotonic()
        if self.own_display and self.two_monitors:
            self._start_two_monitors()
        elif self.own_display:
            self._start_xvfb()
        self.timings["xvfb"] = time.monotonic() - mark

        self.env = dict(os.environ)
        self.env.update(HOME=self.home, WINEPREFIX=self.prefix, DISPLAY=self.display, WINEDEBUG="-all",
                        WINEDLLOVERRIDES="mscoree,mshtml=")
        # Wine's WinINet honours proxy variables; the fake services on 127.0.0.1
        # must be reached directly.
        for name in ("WINESERVER", "WINELOADER", "http_proxy", "https_proxy", "HTTP_PROXY", "HTTPS_PROXY",
                     "all_proxy", "ALL_PROXY"):
            self.env.pop(name, None)

        # The server and Wine's own services must not hold any pipe of ours (or of
        # CTest's): all their standard streams go to /dev/null, in a new session.
        mark = time.monotonic()
        subprocess.run(["wineserver", "-p"], env=self.env, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL, start_new_session=True, check=True, timeout=30)
        subprocess.run(["wine", "cmd", "/c", "exit"], env=self.env, stdin=subprocess.DEVNULL,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, start_new_session=True, timeout=60,
                       check=False)
        self.timings["wine"] = time.monotonic() - mark
        print(f"scenario {self.name}: prefix copy {self.timings['copy']:.2f} s, display {self.timings['xvfb']:.2f} s, "
              f"wine start {self.timings['wine']:.2f} s", flush=True)

    def _start_xvfb(self):
        width, height = self.screen
        self.display = self._start_server(
            ["Xvfb", "-screen", "0", f"{width}x{height}x24", "-nolisten", "tcp", "-noreset"] +
            ([] if self.gl else ["-extension", "GLX"]), "xvfb.log")

    def _start_two_monitors(self):
        conf = os.path.join(self.root, "xorg.conf")
        with open(conf, "w") as out:
            out.write(TWO_MONITOR_CONF)
        self.display = self._start_server(
            ["Xorg", "-noreset", "-nolisten", "tcp", "-config", conf, "-logfile", os.path.join(self.root, "xorg.log")],
            "xorg.err")
        env = dict(os.environ, DISPLAY=self.display)
        (w0, _), (w1, h1) = TWO_MONITORS
        for args in (["--newmode", "M"] + SECOND_MONITOR_MODE.split(), ["--addmode", "DUMMY1", "M"],
                     ["--output", "DUMMY1", "--mode", "M", "--right-of", "DUMMY0"]):
            code, out = run_quiet(["xrandr"] + args, env, 20)
            check(code == 0, f"xrandr {' '.join(args)} failed: {out}")
        # Asking for the outputs makes the server probe them: Wine, started
        # after, then sees both monitors.
        code, out = run_quiet(["xrandr", "--query"], env, 20)
        check(code == 0 and f"DUMMY1 connected {w1}x{h1}+{w0}+0" in out, f"the second monitor is missing: {out}")

    def _start_server(self, args, log_name):
        """Starts an X server on a display number of its own and returns ":N"."""
        read_end, write_end = os.pipe()
        self.xvfb = subprocess.Popen(
            args[:1] + ["-displayfd", str(write_end)] + args[1:],
            stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=open(os.path.join(self.root, log_name), "wb"),
            pass_fds=(write_end,), start_new_session=True)
        os.close(write_end)
        number = b""
        with os.fdopen(read_end, "rb") as pipe:
            import select
            deadline = time.monotonic() + 20
            while not number.endswith(b"\n") and time.monotonic() < deadline:
                ready, _, _ = select.select([pipe], [], [], 0.5)
                if ready:
                    part = os.read(pipe.fileno(), 16)
                    if not part:
                        break
                    number += part
        check(number.strip().isdigit(), f"{args[0]} did not start; see {self.root}/{log_name}")
        return ":" + number.strip().decode()

    def _tear_down(self, failed):
        signal.alarm(0)
        if getattr(self, "env", None) is not None:
            try:
                run_quiet(["wineserver", "-k"], self.env, 20)
                run_quiet(["wineserver", "-w"], self.env, 20)
            except (subprocess.TimeoutExpired, OSError):
                pass
        for process in self.processes:
            if process.popen.poll() is None:
                process.popen.kill()
            try:
                process.popen.wait(10)
            except subprocess.TimeoutExpired:
                pass
            for stream in (process.popen.stdin, process.popen.stdout):
                if stream:
                    stream.close()
        if self.xvfb is not None:
            self.xvfb.terminate()
            try:
                self.xvfb.wait(10)
            except subprocess.TimeoutExpired:
                self.xvfb.kill()
                self.xvfb.wait()
        if self.root and os.path.isdir(self.root):
            if self.keep or (failed and os.environ.get("VELMORA_KEEP_FAILED")):
                print(f"scenario folder kept: {self.root}", file=sys.stderr)
            else:
                shutil.rmtree(self.root, ignore_errors=True)

    # -- data folder --------------------------------------------------------

    def data_path(self, name):
        return os.path.join(self.data_folder, name)

    def put_file(self, name, data):
        """Writes `data` (bytes or str, UTF-8) as a file of the data folder before or during the run."""
        os.makedirs(self.data_folder, exist_ok=True)
        with open(self.data_path(name), "wb") as out:
            out.write(data.encode() if isinstance(data, str) else data)

    def read_file(self, name):
        """The bytes of a data folder file, or None when it does not exist."""
        try:
            with open(self.data_path(name), "rb") as f:
                return f.read()
        except FileNotFoundError:
            return None

    def data_files(self):
        return sorted(os.listdir(self.data_folder)) if os.path.isdir(self.data_folder) else []

    def write_settings(self, guid="0123456789ABCDEF0123456789ABCDEF", **overrides):
        """Writes a settings.cfg before the saver starts: the default seven lines with
        `overrides` replacing values, and keys the defaults lack (photo_site=...,
        weather_host=...) appended in the order given."""
        pairs = [(k, guid if v is None else v) for k, v in DEFAULT_SETTINGS]
        known = {k for k, _ in pairs}
        pairs = [(k, str(overrides.get(k, v))) for k, v in pairs]
        pairs += [(k, str(v)) for k, v in overrides.items() if k not in known]
        self.put_file("settings.cfg", settings_bytes(pairs))

    def read_settings(self):
        """(key, value) pairs of the data folder's settings.cfg, or None when missing."""
        raw = self.read_file("settings.cfg")
        return None if raw is None else parse_settings(raw)

    # -- programs -----------------------------------------------------------

    def _spawn(self, args, name, pipes=False):
        log_path = os.path.join(self.root, f"{name}-{len(self.processes)}.log")
        log = open(log_path, "wb")
        popen = subprocess.Popen(["wine"] + args, env=self.env, stdin=subprocess.PIPE if pipes else subprocess.DEVNULL,
                                 stdout=subprocess.PIPE if pipes else log, stderr=log, start_new_session=True)
        log.close()
        return popen, log_path

    def start(self, *args):
        """Starts velmora.scr with the given command-line arguments; returns a WineProcess."""
        popen, log_path = self._spawn([self.scr] + list(args), "velmora")
        process = WineProcess(popen, "velmora.scr " + " ".join(args), log_path)
        self.processes.append(process)
        return process

    def start_program(self, args, name, pipes=False):
        """Starts a Windows program (its path, then its arguments) that ends with the scenario;
        with `pipes` its standard input and output are the returned process's pipes."""
        popen, log_path = self._spawn(list(args), name, pipes)
        process = WineProcess(popen, name, log_path)
        self.processes.append(process)
        return process

    def start_preview(self, width=152, height=112, timeout=30.0):
        """Starts the preview host with a client area of width x height; the host starts
        `velmora.scr /p <its hwnd>`. Returns a PreviewHost after its handshake."""
        check(self.host is not None, "this scenario was given no preview host")
        popen, log_path = self._spawn([self.host, windows_path(self.scr), str(width), str(height)], "preview_host",
                                      pipes=True)
        host = PreviewHost(popen, "preview host", log_path)
        self.processes.append(host)
        host.handshake(timeout)
        return host

    def post_to_saver(self, message, wparam=0, lparam=0, timeout=20.0):
        """Posts a window message (one of HOST_MESSAGES) to the top-level window of class
        "CorvathVelmora" from a Windows program; fails when there is no such window."""
        check(self.host is not None, "this scenario was given no preview host")
        check(message in HOST_MESSAGES, f"unknown message {message}")
        code, out = run_quiet(["wine", self.host, "--post", message, str(wparam), str(lparam)], self.env, timeout)
        check(code == 0, f"posting {message} failed ({code}): {out.strip()}")

    def find_control(self, title, text, timeout=20.0):
        """Screen rectangle (x, y, width, height) of the control showing `text` in the
        top-level window titled `title`, waiting up to `timeout` seconds for it."""
        check(self.host is not None, "this scenario was given no preview host")

        def look():
            code, out = run_quiet(["wine", self.host, "--find", title, text], self.env, 20)
            words = out.split()
            return tuple(int(w) for w in words[1:5]) if code == 0 and words[:1] == ["rect"] else None

        return wait_until(look, timeout, 0.2, f"control {text!r} in {title!r}")

    def click_control(self, title, text, button=1):
        """Clicks the middle of a control for real (X pointer and button)."""
        x, y, w, h = self.find_control(title, text)
        self.mouse_move(x + w // 2, y + h // 2)
        self.click(button)

    def run_windows_program(self, args, timeout=30.0):
        """Runs a Windows program in this scenario's prefix to its end; returns (code, stdout)."""
        return run_quiet(["wine"] + list(args), self.env, timeout)

    # -- X side -------------------------------------------------------------

    def xdotool(self, *args, timeout=10.0):
        code, out = run_quiet(["xdotool"] + [str(a) for a in args], self.env, timeout)
        return code, out

    def find_windows(self, title=None, visible=True):
        """X window ids whose title matches the regular expression `title` (any title when None)."""
        args = ["search"] + (["--onlyvisible"] if visible else []) + ["--name", title or "."]
        code, out = self.xdotool(*args)
        return [int(w) for w in out.split()] if code == 0 else []

    def wait_window(self, title, timeout=20.0):
        """The first visible X window whose title matches `title`, waiting up to `timeout` s."""
        found = wait_until(lambda: self.find_windows(title), timeout, 0.1, f"a window titled {title!r}")
        return found[0]

    def geometry(self, window):
        """(x, y, width, height) of an X window on the screen."""
        code, out = self.xdotool("getwindowgeometry", "--shell", window)
        check(code == 0, f"no geometry for window {window}")
        values = dict(line.split("=", 1) for line in out.split() if "=" in line)
        return int(values["X"]), int(values["Y"]), int(values["WIDTH"]), int(values["HEIGHT"])

    def screen_size(self):
        code, out = run_quiet(["xdpyinfo"], self.env, 10)
        match = re.search(r"dimensions:\s+(\d+)x(\d+) pixels", out)
        check(code == 0 and match, "xdpyinfo gave no screen size")
        return int(match.group(1)), int(match.group(2))

    def screenshot(self, save_as=None):
        """The whole screen as an Image; also written as PNG (or PPM) when `save_as` is given."""
        done = subprocess.run(["xwd", "-root", "-silent"], env=self.env, stdin=subprocess.DEVNULL,
                              stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, timeout=30, check=False)
        check(done.returncode == 0, "xwd failed")
        image = parse_xwd(done.stdout)
        if save_as:
            (image.save_ppm if save_as.endswith(".ppm") else image.save_png)(save_as)
        return image

    def mouse_location(self):
        code, out = self.xdotool("getmouselocation", "--shell")
        values = dict(line.split("=", 1) for line in out.split() if "=" in line)
        return int(values["X"]), int(values["Y"])

    def mouse_move(self, x, y):
        """Moves the pointer; waits for the move to happen unless it stays where it is
        (X then reports no motion to wait for)."""
        sync = ["--sync"] if self.mouse_location() != (x, y) else []
        self.xdotool("mousemove", *sync, x, y)

    def click(self, button=1):
        self.xdotool("click", button)

    def key(self, *keys):
        """Presses and releases each key (xdotool names such as space, a, alt+x)."""
        self.xdotool("key", *keys)

    def key_down(self, key):
        self.xdotool("keydown", key)

    def key_up(self, key):
        self.xdotool("keyup", key)


# ---------------------------------------------------------------------------
# Command line for scenario files


def main(scenarios):
    """Entry of a scenario file: `python3 file.py --scr velmora.scr [--host preview_host.exe] NAME`.

    `scenarios` maps names to functions taking (scr, host). `--list` prints the names.
    Exit code 0 when the scenario passed, 1 otherwise.
    """
    parser = argparse.ArgumentParser()
    parser.add_argument("--scr")
    parser.add_argument("--host")
    parser.add_argument("--list", action="store_true")
    parser.add_argument("name", nargs="?")
    args = parser.parse_args()
    if args.list:
        print("\n".join(scenarios))
        return 0
    if args.name not in scenarios or not args.scr:
        parser.error(f"need --scr and one of: {', '.join(scenarios)}")
    started = time.monotonic()
    try:
        scenarios[args.name](args.scr, args.host)
    except Exception as error:  # every failure, including time bounds, fails the test with its story
        traceback.print_exc()
        print(f"FAILED {args.name}: {error}", file=sys.stderr)
        return 1
    print(f"passed {args.name} in {time.monotonic() - started:.1f} s")
    return 0
