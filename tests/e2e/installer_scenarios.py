"""The Windows installer and its uninstaller, and the MSI with msiexec, run silently in a
scenario's own prefix.

The installer is the one the build made (VELMORA_INSTALLER), the MSIs are the build's
(VELMORA_MSI) and the same package of a later version (VELMORA_LATER_MSI). Registry values
are read back with Wine's reg.exe in the 64-bit view, where Add or Remove
Programs and the screensaver settings look.
"""

import os
import re
import subprocess
import time

import harness
from harness import SAVER_TITLE, Scenario, check, wait_until

DESKTOP_KEY = r"HKCU\Control Panel\Desktop"
UNINSTALL_ROOT = "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\"
UNINSTALL_KEY = UNINSTALL_ROOT + "Velmora"
INSTALLED = r"C:\windows\system32\velmora.scr"
OTHER_SAVER = r"C:\windows\system32\other.scr"
# The fake services are unreachable: the saver runs on the photos it has.
CLOSED = "http://127.0.0.1:9"


def installer():
    path = os.environ.get("VELMORA_INSTALLER", "")
    check(os.path.isfile(path), f"no installer at VELMORA_INSTALLER={path!r}; build the velmora_installer target")
    return path


def unix_path(s, windows):
    """Where a C:\\ path of the scenario's prefix lives on this side."""
    check(windows[:3].upper() == "C:\\", f"{windows} is not on drive C:")
    return os.path.join(s.prefix, "drive_c", *windows[3:].split("\\"))


def reg_values(s, key):
    """{name: data} of the values of `key` in the 64-bit view; None when the key is missing."""
    code, out = s.run_windows_program(["reg", "query", key, "/reg:64"])
    if code != 0:
        return None
    found = re.findall(r"^ {4}(.+?) {4}(REG_\w+) {4}(.*?)\r?$", out, re.M)
    return {name: int(data, 16) if kind == "REG_DWORD" else data for name, kind, data in found}


def install(s, *options):
    process = s.start_program([installer(), "/S", *options], "setup")
    check(process.wait(60) == 0, f"the silent install failed; see {process.log_path}")
    # Under load a reg query right after the installer ended has once found no
    # entry yet: give the registry a moment before the checks read it.
    wait_until(lambda: reg_values(s, UNINSTALL_KEY) is not None, 20, 0.2, "the uninstall entry")


def uninstall(s, entry):
    """Runs the entry's quiet uninstall command and waits until the uninstaller is done: it
    starts a copy of itself and returns at once, and the copy removes the original last."""
    match = re.fullmatch(r'"([^"]+)" (.*)', entry["QuietUninstallString"])
    check(match is not None, f"QuietUninstallString {entry['QuietUninstallString']!r} is not \"PATH\" ARGS")
    program, args = match.groups()
    s.start_program([program, *args.split()], "uninstall")
    wait_until(lambda: not os.path.exists(unix_path(s, program)) and reg_values(s, UNINSTALL_KEY) is None, 60, 0.2,
               "the uninstaller to remove itself and its entry")


def check_installed(s, scr):
    with open(scr, "rb") as built, open(unix_path(s, INSTALLED), "rb") as installed:
        check(installed.read() == built.read(), f"{INSTALLED} differs from the built velmora.scr")
    check(not os.path.exists(unix_path(s, r"C:\windows\syswow64\velmora.scr")), "velmora.scr went into SysWOW64")
    entry = reg_values(s, UNINSTALL_KEY)
    check(entry is not None, f"no {UNINSTALL_KEY} in the 64-bit registry view")
    expected = {"DisplayName": "Corvath Velmora", "DisplayVersion": "1.0", "Publisher": "Corvath",
                "NoModify": 1, "NoRepair": 1}
    for name, value in expected.items():
        check(entry.get(name) == value, f"uninstall entry {name} = {entry.get(name)!r}, expected {value!r}")
    check(entry.get("DisplayIcon", "").lower() == INSTALLED.lower(), f"DisplayIcon {entry.get('DisplayIcon')!r}")
    check(entry.get("EstimatedSize", 0) >= os.path.getsize(scr) // 1024,
          f"EstimatedSize {entry.get('EstimatedSize')!r} KB is smaller than velmora.scr")
    uninstaller = entry.get("UninstallString", "").strip('"')
    check(os.path.isfile(unix_path(s, uninstaller)), f"the uninstaller {uninstaller!r} is not there")
    check(entry.get("QuietUninstallString") == f'"{uninstaller}" /S',
          f"QuietUninstallString {entry.get('QuietUninstallString')!r}")
    check(entry.get("InstallLocation", "").lower() == uninstaller.rsplit("\\", 1)[0].lower(),
          f"InstallLocation {entry.get('InstallLocation')!r} is not the uninstaller's folder")
    return entry


def data_snapshot(s):
    return {name: (s.read_file(name), os.stat(s.data_path(name)).st_mtime_ns) for name in s.data_files()}


def msi_product(path):
    """(ProductCode, ProductVersion) of an MSI, read with msitools."""
    out = subprocess.run(["msiinfo", "export", path, "Property"], check=True, stdout=subprocess.PIPE,
                         timeout=30).stdout.decode()
    values = dict(line.split("\t", 1) for line in out.splitlines() if "\t" in line)
    return values["ProductCode"], values["ProductVersion"]


def msiexec(s, *args):
    code, out = s.run_windows_program(["msiexec", *args], timeout=120)
    check(code == 0, f"msiexec {' '.join(args)} ended with {code}: {out}")


def msi_installs_runs_upgrades_and_uninstalls(scr, _host):
    """msiexec /i /qn puts velmora.scr into the 64-bit system folder with an Add or Remove Programs
    entry; the installed saver runs; the package of a later version replaces it, leaving one entry;
    msiexec /x /qn removes the file and the entry and leaves the data folder as it was."""
    packages = [os.environ.get(name, "") for name in ("VELMORA_MSI", "VELMORA_LATER_MSI")]
    check(all(os.path.isfile(p) for p in packages), f"no MSI at VELMORA_MSI, VELMORA_LATER_MSI={packages}")
    (first, first_version), (later, later_version) = map(msi_product, packages)
    with Scenario("msi", scr, time_limit=200) as s:
        s.write_settings(photo_site=CLOSED, weather_host=CLOSED, update_host=CLOSED)
        msiexec(s, "/i", harness.windows_path(packages[0]), "/qn")
        with open(scr, "rb") as built, open(unix_path(s, INSTALLED), "rb") as installed:
            check(installed.read() == built.read(), f"{INSTALLED} differs from the built velmora.scr")
        check(not os.path.exists(unix_path(s, r"C:\windows\syswow64\velmora.scr")), "velmora.scr went into SysWOW64")
        expected = {"DisplayName": "Corvath Velmora", "DisplayVersion": first_version, "Publisher": "Corvath",
                    "NoModify": 1, "NoRepair": 1}
        seen = {name: (reg_values(s, UNINSTALL_ROOT + first) or {}).get(name) for name in expected}
        check(seen == expected, f"the entry {UNINSTALL_ROOT + first} holds {seen}, expected {expected}")
        saver = s.start_program([INSTALLED, "/s"], "installed-saver")
        s.wait_window(SAVER_TITLE)
        time.sleep(0.6)  # lets Wine deliver the new window's first mouse move
        s.key("space")
        check(saver.wait(10) == 0, "the installed saver did not end with code 0 on a key")

        msiexec(s, "/i", harness.windows_path(packages[1]), "/qn")
        after = (reg_values(s, UNINSTALL_ROOT + first), (reg_values(s, UNINSTALL_ROOT + later) or {}).get("DisplayVersion"),
                 os.path.isfile(unix_path(s, INSTALLED)))
        check(after == (None, later_version, True), f"after the upgrade: entries and velmora.scr {after}")
        before = data_snapshot(s)
        check("settings.cfg" in before, f"data folder before uninstalling: {sorted(before)}")
        msiexec(s, "/x", harness.windows_path(packages[1]), "/qn")
        check(not os.path.exists(unix_path(s, INSTALLED)), "velmora.scr is still in the system folder")
        check(reg_values(s, UNINSTALL_ROOT + later) is None, "the entry is still there")
        check(data_snapshot(s) == before, "uninstalling changed the data folder")


def install_run_reinstall_and_uninstall(scr, _host):
    with Scenario("installer", scr, time_limit=200) as s:
        s.write_settings(photo_site=CLOSED, weather_host=CLOSED, update_host=CLOSED)
        photo = subprocess.run(["convert", "-size", "320x240", "xc:rgb(90,120,60)", "jpg:-"], check=True,
                               stdout=subprocess.PIPE, timeout=60).stdout
        s.put_file("station.jpg", photo)

        install(s)
        check_installed(s, scr)
        desktop = reg_values(s, DESKTOP_KEY)
        check(desktop.get("SCRNSAVE.EXE", "").lower() == INSTALLED.lower(),
              f"SCRNSAVE.EXE = {desktop.get('SCRNSAVE.EXE')!r}, expected {INSTALLED}")
        check(desktop.get("ScreenSaveActive") == "1", f"ScreenSaveActive = {desktop.get('ScreenSaveActive')!r}")

        saver = s.start_program([INSTALLED, "/s"], "installed-saver")
        s.wait_window(SAVER_TITLE)
        time.sleep(0.6)  # lets Wine deliver the new window's first mouse move
        s.key("space")
        check(saver.wait(10) == 0, "the installed saver did not end with code 0 on a key")

        # A second install over the first puts back a damaged file and keeps one entry.
        with open(unix_path(s, INSTALLED), "r+b") as damaged:
            damaged.truncate(1000)
        install(s)
        entry = check_installed(s, scr)

        before = data_snapshot(s)
        check(set(before) >= {"settings.cfg", "station.jpg"}, f"data folder before uninstalling: {sorted(before)}")
        uninstall(s, entry)
        check(not os.path.exists(unix_path(s, INSTALLED)), "velmora.scr is still in the system folder")
        check(not os.path.exists(os.path.dirname(unix_path(s, entry["InstallLocation"]))),
              f"{entry['InstallLocation']} or its Corvath folder is left")
        check("SCRNSAVE.EXE" not in reg_values(s, DESKTOP_KEY), "SCRNSAVE.EXE still names the removed saver")
        check(data_snapshot(s) == before, "the uninstaller changed the data folder")


def another_screensaver_stays_chosen(scr, _host):
    with Scenario("installer-other-saver", scr, time_limit=120) as s:
        code, out = s.run_windows_program(["reg", "add", DESKTOP_KEY, "/v", "SCRNSAVE.EXE", "/d", OTHER_SAVER, "/f"])
        check(code == 0, f"reg add failed: {out}")

        install(s, "/KEEPCHOICE")
        entry = check_installed(s, scr)
        chosen = reg_values(s, DESKTOP_KEY).get("SCRNSAVE.EXE")
        check(chosen == OTHER_SAVER, f"/KEEPCHOICE: SCRNSAVE.EXE = {chosen!r}, expected {OTHER_SAVER}")

        uninstall(s, entry)
        chosen = reg_values(s, DESKTOP_KEY).get("SCRNSAVE.EXE")
        check(chosen == OTHER_SAVER, f"after uninstalling SCRNSAVE.EXE = {chosen!r}, expected {OTHER_SAVER}")


if __name__ == "__main__":
    raise SystemExit(harness.main({
        "install_run_reinstall_and_uninstall": install_run_reinstall_and_uninstall,
        "another_screensaver_stays_chosen": another_screensaver_stays_chosen,
        "msi_installs_runs_upgrades_and_uninstalls": msi_installs_runs_upgrades_and_uninstalls,
    }))
