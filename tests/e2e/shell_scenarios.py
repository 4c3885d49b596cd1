"""Run modes, the saver window and what ends it, against the real velmora.scr."""

import re
import sys
import time

import harness
from harness import SAVER_TITLE, SETUP_TITLE, Scenario, check

BLACK = (0, 0, 0)
VK_SPACE, VK_MENU = 0x20, 0x12
KEY_UP_BITS = 0xC0000001  # previous state down, transition to up, repeat 1
SETTLE = 0.6  # lets Wine deliver the first mouse move of a new window


def start_saver(s):
    """Starts /s and waits until its window is on screen and has seen the first mouse move."""
    process = s.start("/s")
    window = s.wait_window(SAVER_TITLE)
    time.sleep(SETTLE)
    check(process.running(), "the saver ended by itself right after start")
    return process, window


def check_covers_screen_in_black(s, window):
    width, height = s.screen_size()
    geometry = s.geometry(window)
    check(geometry == (0, 0, width, height),
          f"saver window is {geometry}, the screen is {width}x{height} at (0, 0)")
    shot = s.screenshot()
    black = shot.fraction_near(BLACK, tolerance=2, step=8)
    check(black == 1.0, f"only {black:.1%} of the screen is black")


def first_run_writes_settings_and_covers_screen(scr, host):
    with Scenario("first-run", scr, host) as s:
        check(s.read_settings() is None, "settings.cfg exists before the first run")
        process, window = start_saver(s)
        check_covers_screen_in_black(s, window)

        raw = s.read_file("settings.cfg")
        check(raw is not None, f"no settings.cfg after the first start; data folder holds {s.data_files()}")
        pairs = harness.parse_settings(raw)
        keys = [k for k, _ in pairs]
        expected_keys = [k for k, _ in harness.DEFAULT_SETTINGS]
        check(keys == expected_keys, f"settings keys {keys}, expected {expected_keys}")
        check(not raw.endswith("\n".encode("utf-16-le")), "settings.cfg ends with a line feed")
        check("\r".encode("utf-16-le") not in raw, "settings.cfg holds a carriage return")
        for (key, value), (_, default) in zip(pairs, harness.DEFAULT_SETTINGS):
            if default is None:
                check(re.fullmatch(r"[0-9A-F]{32}", value or "") is not None,
                      f"guid {value!r} is not 32 upper-case hex digits")
            else:
                check(value == default, f"{key}={value!r}, expected {default!r}")

        s.key("space")
        check(process.wait(10) == 0, "the saver did not exit with code 0")
        # A second run keeps the id it generated the first time.
        guid = dict(pairs)["guid"]
        process, _ = start_saver(s)
        s.key("space")
        process.wait(10)
        check(dict(s.read_settings())["guid"] == guid, "the second run replaced the installation id")


def full_hd_screen_is_covered(scr, host):
    with Scenario("full-hd", scr, host, screen=(1920, 1080)) as s:
        process, window = start_saver(s)
        check_covers_screen_in_black(s, window)
        s.click(1)
        check(process.wait(10) == 0, "the saver did not exit with code 0 after a click")


def _away(s):
    x, y = s.mouse_location()
    s.mouse_move(x + 1, y)


def _post(message, wparam=0, lparam=0):
    return lambda s: s.post_to_saver(message, wparam, lparam)


def _post_move_from_first(dx, dy):
    def post(s):
        x, y = s.mouse_location()
        s.post_to_saver("mousemove", 0, ((y + dy) << 16) | (x + dx))
    return post


def _release_alone(s):
    # X drops the release of a key that is not down, so the release comes from a
    # Windows program as a bare WM_KEYUP.
    s.post_to_saver("keyup", VK_SPACE, KEY_UP_BITS | (0x39 << 16))


# Each row: what the user does, and how. Every one must end the saver with 0.
ENDING_INPUTS = [
    ("key press (space)", lambda s: s.key("space")),
    ("key press (a)", lambda s: s.key("a")),
    ("key release alone", _release_alone),
    ("left click", lambda s: s.click(1)),
    ("right click", lambda s: s.click(3)),
    ("middle click", lambda s: s.click(2)),
    ("mouse move one pixel right", _away),
    ("mouse move far away", lambda s: s.mouse_move(10, 10)),
    ("posted move one pixel down", _post_move_from_first(0, 1)),
    ("WM_CLOSE", _post("close")),
]


def _exit_problem(process, timeout=10):
    """None when the process ends with code 0 within `timeout`, else what went wrong."""
    try:
        code = process.wait(timeout)
    except harness.HarnessError:
        return "still running"
    return None if code == 0 else f"exit code {code}"


def input_ends_saver(scr, host):
    failures = []
    with Scenario("ending-input", scr, host, time_limit=150) as s:
        for name, act in ENDING_INPUTS:
            process, _ = start_saver(s)
            act(s)
            problem = _exit_problem(process)
            if problem:
                failures.append(f"{name}: {problem}")
            if problem == "still running":
                s.post_to_saver("close")
                process.wait(10)
    check(not failures, "; ".join(failures))


def _alt_combination(s):
    # Alt stays down, so the x arrives as a system key.
    s.key_down("alt")
    s.key("x")


def _repeat_first_position(s):
    x, y = s.mouse_location()
    for _ in range(3):
        s.post_to_saver("mousemove", 0, (y << 16) | x)
    s.mouse_move(x, y)


# Each row: input that must leave the saver running, then what ends it after.
# Releasing Alt after a combination is a plain key release (WM_KEYUP), as on
# Windows, so it ends the saver; every other row ends with a move one pixel
# away from the first position.
HARMLESS_INPUTS = [
    ("moves repeating the first position", _repeat_first_position, _post_move_from_first(1, 0)),
    ("Alt combination", _alt_combination, lambda s: s.key_up("alt")),
    ("Alt tapped alone", lambda s: s.key("alt"), _post_move_from_first(1, 0)),
    ("WM_SYSKEYDOWN", _post("syskeydown", VK_MENU, 0x20380001), _post_move_from_first(1, 0)),
]


def input_that_does_not_end_saver(scr, host):
    failures = []
    with Scenario("harmless-input", scr, host, time_limit=120) as s:
        for name, act, finish in HARMLESS_INPUTS:
            process, _ = start_saver(s)
            act(s)
            if not process.stays_running(1.5):
                failures.append(f"{name} ended the saver")
                s.key_up("alt")
                continue
            finish(s)
            try:
                check(process.wait(10) == 0, "exit code not 0")
            except harness.HarnessError as error:
                failures.append(f"after {name}: {error}")
    check(not failures, "; ".join(failures))


def preview_fills_host_and_ignores_input(scr, host):
    failures = []
    with Scenario("preview", scr, host, time_limit=150) as s:
        for width, height in [(152, 112), (320, 200)]:
            preview = s.start_preview(width, height)
            child = preview.child()
            if child is None:
                failures.append(f"{width}x{height}: no child window of class CorvathVelmora")
                preview.quit()
                continue
            _, x, y, w, h = child
            check(preview.client() == (width, height), "the host's client area has the wrong size")
            if (x, y, w, h) != (0, 0, width, height):
                failures.append(f"{width}x{height}: child at ({x}, {y}) size {w}x{h}")
            # No pixel check here: Wine keeps the GL surface of a child window whose
            # parent belongs to another process off screen, so the host shows its own
            # background where Windows would show the slideshow.
            time.sleep(SETTLE)
            sx, sy, sw, sh = preview.screen_rect()

            for message, wparam, lparam in [("keydown", VK_SPACE, 0x00390001), ("keyup", VK_SPACE, 0xC0390001),
                                             ("lbuttondown", 1, 0), ("rbuttondown", 2, 0), ("mbuttondown", 16, 0),
                                             ("mousemove", 0, (5 << 16) | 5), ("mousemove", 0, (9 << 16) | 9)]:
                preview.post(message, wparam, lparam)
            s.mouse_move(sx + sw // 2, sy + sh // 2)
            s.click(1)
            s.key("space")
            if preview.saver_exit(1.5) is not None:
                failures.append(f"{width}x{height}: keys, clicks or moves ended the preview")
                preview.quit()
                continue
            preview.post("close")
            code = preview.saver_exit(10)
            if code != 0:
                failures.append(f"{width}x{height}: WM_CLOSE gave {'no exit' if code is None else code}")
            preview.quit()
    check(not failures, "; ".join(failures))


def preview_ends_with_its_host_window(scr, host):
    """Hosts end a preview by destroying the preview window: the saver's child then gets
    WM_DESTROY, not WM_CLOSE, and must end instead of drawing into a dead window."""
    with Scenario("preview-destroyed", scr, host) as s:
        preview = s.start_preview()
        check(preview.child() is not None, "no child window of class CorvathVelmora")
        time.sleep(SETTLE)
        preview.destroy()
        code = preview.saver_exit(10)
        check(code == 0, f"destroying the preview window gave {'no exit' if code is None else code}")
        preview.quit()


def setup_dialog_shows_and_closes(scr, host):
    failures = []
    with Scenario("setup-dialog", scr, host, time_limit=120) as s:
        for args, button in [(["/c:1234"], "OK"), (["/c:1234"], "Cancel"), (["/C"], "Cancel")]:
            process = s.start(*args)
            try:
                s.wait_window("^" + re.escape(SETUP_TITLE) + "$")
            except harness.HarnessError:
                failures.append(f"{' '.join(args)}: no window titled {SETUP_TITLE!r}")
                continue
            if s.find_windows(SAVER_TITLE):
                failures.append(f"{' '.join(args)}: a saver window is open")
            s.click_control(SETUP_TITLE, button)
            problem = _exit_problem(process)
            if problem:
                failures.append(f"{' '.join(args)} {button}: {problem}")
    check(not failures, "; ".join(failures))


def bogus_preview_handle_exits_at_once(scr, host):
    failures = []
    with Scenario("bogus-preview", scr, host) as s:
        for args in (["/p", "12345"], ["/p", "0"], ["/p"], ["/P5"]):
            started = time.monotonic()
            process = s.start(*args)
            saw_window = False
            while process.running() and time.monotonic() - started < 10:
                saw_window = saw_window or bool(s.find_windows(SAVER_TITLE, visible=False))
            problem = _exit_problem(process, 0.1)
            if problem:
                failures.append(f"{' '.join(args)}: {problem}")
            if saw_window:
                failures.append(f"{' '.join(args)}: a saver window appeared")
    check(not failures, "; ".join(failures))


SCENARIOS = {f.__name__: f for f in [
    first_run_writes_settings_and_covers_screen,
    full_hd_screen_is_covered,
    input_ends_saver,
    input_that_does_not_end_saver,
    preview_fills_host_and_ignores_input,
    preview_ends_with_its_host_window,
    setup_dialog_shows_and_closes,
    bogus_preview_handle_exits_at_once,
]}

if __name__ == "__main__":
    sys.exit(harness.main(SCENARIOS))
