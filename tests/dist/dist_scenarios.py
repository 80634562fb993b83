#!/usr/bin/python3
"""The installer under Wine: Quorvo's setup installed, updated and removed
silently in a fresh prefix, as winget and a user would.

    dist_scenarios.py --list
    dist_scenarios.py --state-file FILE --work-dir DIR --exe Quorvo.exe
                      --dist-dir DIR --release FILE SCENARIO...

The scenarios run in the session named by --state-file, started on a new
prefix (`session.py start --fresh`); each scenario first removes whatever
an earlier one installed.
"""

from __future__ import annotations

import argparse
import json
import os
import re
import shutil
import signal
import subprocess
import sys
import time
import traceback
import zipfile
from pathlib import Path

sys.dont_write_bytecode = True
sys.path.insert(0, str(Path(__file__).resolve().parents[1] / "wine"))
from clock import Probe, Run, pixels, position  # noqa: E402
from session import WineSession, check, log, poll  # noqa: E402

DIST_PY = Path(__file__).resolve().parents[2] / "installer" / "dist.py"
HKLM, HKCU = "HKEY_LOCAL_MACHINE", "HKEY_CURRENT_USER"
UNINSTALL = HKCU + r"\Software\Microsoft\Windows\CurrentVersion\Uninstall\Quorvo"
RUN = HKCU + r"\Software\Microsoft\Windows\CurrentVersion\Run"
VB_ROOT = HKCU + r"\Software\VB and VBA Program Settings"
VELMORA = VB_ROOT + r"\Velmora Software"
SETTINGS = VELMORA + r"\Quorvo"
CUSTOM = r"C:\Quorvo Test Dir"


def winpath(path: Path) -> str:
    return "Z:" + str(path).replace("/", "\\")


def parse_reg(text: str) -> dict[str, dict[str, object]]:
    """A `reg export` file as {key: {value name: text or number}}."""
    keys: dict[str, dict[str, object]] = {}
    unescape = lambda s: re.sub(r"\\(.)", r"\1", s)  # noqa: E731
    for line in re.sub(r"\\\r?\n\s*", "", text).splitlines():
        if line.startswith("[") and line.endswith("]"):
            current = keys.setdefault(line[1:-1], {})
        elif match := re.match(r'^(@|"(?:[^"\\]|\\.)*")=(.*)$', line):
            raw = match[2]
            current["" if match[1] == "@" else unescape(match[1][1:-1])] = (
                unescape(raw[1:-1]) if raw.startswith('"') else
                int(raw[6:], 16) if raw.startswith("dword:") else raw)
    return keys


def changed_keys(before: dict, after: dict) -> list[str]:
    return sorted(k for k in set(before) | set(after)
                  if before.get(k) != after.get(k))


class Test:
    def __init__(self, session: WineSession, args):
        self.session, self.args = session, args
        self.work = Path(args.work_dir) / "scenario"
        shutil.rmtree(self.work, ignore_errors=True)
        self.work.mkdir(parents=True)
        self.homepage = json.loads(Path(args.release).read_text())["homepage"]
        self.setup_exe = Path(args.dist_dir) / "Quorvo-1.62-setup.exe"
        self.program = Path(args.exe).read_bytes()
        self.probe = Probe(session)
        folder = {name: session.run(["cmd", "/c", "echo", f"%{name}%"])
                  .stdout.strip() for name in ("LOCALAPPDATA", "APPDATA")}
        self.default = folder["LOCALAPPDATA"] + r"\Programs\Quorvo"
        self.shortcut = (folder["APPDATA"] +
                         r"\Microsoft\Windows\Start Menu\Programs\Quorvo.lnk")
        self.runs: list[Run] = []

    def linux(self, windows_path: str) -> Path:
        check(windows_path[:3].upper() == "C:\\", windows_path)
        return self.session.prefix / "drive_c" / windows_path[3:].replace("\\", "/")

    def reg(self, key: str) -> dict[str, dict[str, object]]:
        out = self.work / "export.reg"
        out.unlink(missing_ok=True)
        result = self.session.run(["reg", "export", key, winpath(out), "/y"])
        if result.returncode != 0:
            return {}
        return parse_reg(out.read_bytes().decode("utf-16"))

    def batch(self, command: str) -> int:
        # Through cmd: Wine quotes the arguments it passes on, and setup
        # takes /D= only unquoted.
        bat = self.work / "command.bat"
        bat.write_text(f"@echo off\r\n{command}\r\nexit /b %ERRORLEVEL%\r\n")
        return self.session.run(["cmd", "/c", winpath(bat)], timeout=90).returncode

    def setup(self, setup: Path, *args: str) -> int:
        return self.batch(f'"{winpath(setup)}" ' + " ".join(args))

    def uninstall(self, *args: str) -> None:
        """Runs the QuietUninstallString, as winget does; the uninstaller
        hands over to a copy of itself and returns at once."""
        entry = self.reg(UNINSTALL)[UNINSTALL]
        folder = self.linux(entry["InstallLocation"])
        check(self.batch(" ".join([entry["QuietUninstallString"], *args])) == 0,
              "the uninstaller failed")
        poll(lambda: not self.reg(UNINSTALL) and not folder.exists(), 60,
             interval=0.5, what="the uninstaller to finish")
        Probe(self.session, "Un.exe").require("no-process", 30, "uninstaller")

    def start_clock(self, folder: str, *args: str) -> tuple[Run, dict]:
        run = Run(self.session, Path(folder + r"\Quorvo.exe"),
                  self.work / f"clock-{len(self.runs)}")
        self.runs.append(run)
        return run, run.start(*args)

    def old_build(self) -> tuple[Path, bytes]:
        """A setup of an earlier build: the program with bytes after its
        end, which Windows ignores."""
        old = self.work / "old"
        old.mkdir(exist_ok=True)
        (old / "Quorvo.exe").write_bytes(self.program + b"\0earlier build\0")
        subprocess.run([sys.executable, str(DIST_PY), "--exe", str(old / "Quorvo.exe"),
                        "--release", self.args.release, "--source-dir",
                        str(DIST_PY.parents[1]), "--out-dir", str(old)],
                       check=True, stdout=subprocess.DEVNULL, stdin=subprocess.DEVNULL)
        return old / self.setup_exe.name, (old / "Quorvo.exe").read_bytes()

    def check_installed(self, folder: str, program: bytes, autostart: bool) -> None:
        files = self.linux(folder)
        names = sorted(p.name for p in files.glob("*"))
        check(names == ["Quorvo.exe", "Uninstall.exe"], f"{folder} holds {names}")
        check((files / "Quorvo.exe").read_bytes() == program,
              f"{folder}\\Quorvo.exe is not the expected build")
        exe = folder + r"\Quorvo.exe"
        link = self.linux(self.shortcut)
        data = link.read_bytes().lower() if link.exists() else b""
        check(exe.lower().encode("utf-16-le") in data or exe.lower().encode() in data,
              f"the shortcut does not lead to {exe}")
        entry = self.reg(UNINSTALL).get(UNINSTALL, {})
        size = sum(p.stat().st_size for p in files.glob("*")) // 1024
        estimated = entry.pop("EstimatedSize", None)
        check(estimated in range(size - 8, size + 9),
              f"EstimatedSize {estimated} KB for {size} KB of files")
        expected = {
            "DisplayName": "Quorvo", "DisplayVersion": "1.62",
            "Publisher": "Velmora Software", "DisplayIcon": exe + ",0",
            "InstallLocation": folder, "UninstallString": f'"{folder}\\Uninstall.exe"',
            "QuietUninstallString": f'"{folder}\\Uninstall.exe" /S',
            "URLInfoAbout": self.homepage, "NoModify": 1, "NoRepair": 1}
        check(entry == expected, f"uninstall entry {entry}, expected {expected}")
        run_value = self.reg(RUN).get(RUN, {}).get("Quorvo")
        check(run_value == (f'"{exe}"' if autostart else None),
              f"Run value {run_value!r}")

    def check_removed(self) -> None:
        check(not self.reg(UNINSTALL), "the uninstall entry is left")
        check("Quorvo" not in self.reg(RUN).get(RUN, {}), "the Run value is left")
        left = [path for path in (self.shortcut, self.default, CUSTOM)
                if self.linux(path).exists()]
        check(not left, f"left behind: {left}")

    def reset(self) -> None:
        """No clock running and no trace of an earlier install."""
        for run in self.runs:
            run.finish()
        for process in self.probe.state()["processes"]:
            self.probe.kill(process["pid"])
        self.probe.require("no-process", 15, "no Quorvo.exe running")
        for folder in (self.default, CUSTOM):
            shutil.rmtree(self.linux(folder), ignore_errors=True)
        self.linux(self.shortcut).unlink(missing_ok=True)
        for key, *value in ((UNINSTALL,), (RUN, "/v", "Quorvo"), (VB_ROOT,)):
            self.session.run(["reg", "delete", key, *value, "/f"])
        self.check_removed()


SCENARIOS: dict = {}


def scenario(timeout: int):
    def register(function):
        SCENARIOS[function.__name__] = (function, timeout)
        return function
    return register


@scenario(timeout=240)
def fresh_install(t: Test) -> None:
    """A silent install: the files, the shortcut and every uninstall value;
    nothing in HKLM and nothing of the clock's settings changes; the
    installed program is the clock."""
    t.probe.reg_set([("Left", "sz", "1500"), ("Top", "sz", "3000")])
    hklm, hkcu = t.reg(HKLM), t.reg(HKCU)
    check(t.setup(t.setup_exe, "/S") == 0, "the silent install failed")
    t.check_installed(t.default, t.program, autostart=False)
    check(t.reg(HKLM) == hklm, "the install changed HKLM")
    after = t.reg(HKCU)
    # Besides the entry, only its parent key where there was none: empty.
    made = [k for k in changed_keys(hkcu, after) if k in hkcu or after[k] or
            not UNINSTALL.startswith(k + "\\")]
    check(made == [UNINSTALL], f"the install changed {made}")
    run, state = t.start_clock(t.default)
    check([p["exe"] for p in state["processes"]] == ["Quorvo.exe"],
          f"{state['processes']}")
    shot = run.screenshot("installed-clock", state["clock"]["rect"])
    check(run.desktop.distinct_colours(shot) >= 2, "the clock shows nothing")


@scenario(timeout=240)
def start_with_windows_and_folder(t: Test) -> None:
    """/AUTOSTART and /D= in turn: the Run value names the installed program
    or is absent, an update keeps folder and choice, another folder replaces
    the old one, and a wrong value changes nothing."""
    steps = [  # arguments, folder after, Run value, exit code
        (["/S"], t.default, False, 0),
        (["/S", "/AUTOSTART=1", f"/D={CUSTOM}"], CUSTOM, True, 0),
        (["/S"], CUSTOM, True, 0),
        (["/S", "/AUTOSTART=0"], CUSTOM, False, 0),
        (["/S", "/AUTOSTART=1"], CUSTOM, True, 0),
        (["/S", "/AUTOSTART=yes"], CUSTOM, True, 2),
    ]
    for args, folder, autostart, code in steps:
        before = t.reg(HKCU)
        check(t.setup(t.setup_exe, *args) == code, f"setup {args}: not exit {code}")
        t.check_installed(folder, t.program, autostart)
        other = t.default if folder == CUSTOM else CUSTOM
        check(not t.linux(other).exists(), f"{args} left {other}")
        check(not code or not changed_keys(before, t.reg(HKCU)), f"{args} changed HKCU")


@scenario(timeout=240)
def update_while_clock_runs(t: Test) -> None:
    """An update over a running, dragged clock: the clock saves its new
    place as it closes, the program is replaced, the clock runs again where
    it was, and Start with Windows stays chosen."""
    old_setup, old_program = t.old_build()
    check(t.setup(old_setup, "/S", "/AUTOSTART=1") == 0, "installing the old build")
    t.check_installed(t.default, old_program, autostart=True)
    run, state = t.start_clock(t.default, "-timesec")
    rect = run.drag(run.label_point(state), (137, 211))["clock"]["rect"]
    check(t.setup(t.setup_exe, "/S") == 0, "the update failed")
    run.quorvo.wait_exit(run.quorvo.processes[-1], 5)
    stored = run.stored()
    check(rect["left"] in pixels(float(stored["Left"][1]), 96) and
          rect["top"] in pixels(float(stored["Top"][1]), 96),
          f"stored {stored} for a clock left at {rect}")
    again = run.probe.require("clock", 30, "the clock to run again")
    check(again["processes"][0]["pid"] != state["processes"][0]["pid"],
          "the old clock still runs")
    check(position(again) == (rect["left"], rect["top"]),
          f"the clock came back at {position(again)}, not {rect}")
    t.check_installed(t.default, t.program, autostart=True)


@scenario(timeout=240)
def update_stops_when_clock_hangs(t: Test) -> None:
    """A clock that cannot close (its process stopped): the update gives up
    with exit code 3, leaving the old program and the registry as they
    were."""
    old_setup, old_program = t.old_build()
    check(t.setup(old_setup, "/S") == 0, "installing the old build")
    run, _ = t.start_clock(t.default)
    process = run.quorvo.processes[-1]
    check(b"Quorvo.exe" in Path(f"/proc/{process.pid}/cmdline").read_bytes(),
          "the process started is not Quorvo.exe")
    before = t.reg(HKCU)
    os.kill(process.pid, signal.SIGSTOP)
    try:
        started = time.monotonic()
        result = t.setup(t.setup_exe, "/S")
        took = time.monotonic() - started
        log(f"setup ended with {result} after {took:.1f}s")
        check(result == 3 and took >= 14, f"setup: {result} after {took:.1f}s")
        t.check_installed(t.default, old_program, autostart=False)
        check(not changed_keys(before, t.reg(HKCU)), "the failed update changed HKCU")
    finally:
        os.kill(process.pid, signal.SIGCONT)
    # Asked once, it closes when it runs again.
    run.quorvo.wait_exit(process, 30)


@scenario(timeout=300)
def uninstall_keeps_or_purges_settings(t: Test) -> None:
    """The silent uninstaller closes the clock and removes program,
    shortcut, Run value and entry; the settings the clock saved stay unless
    /PURGE=1, which leaves other programs' values beside them."""
    cases = [  # arguments, another program's value, keys left
        ([], False, [VB_ROOT, VELMORA, SETTINGS]),
        (["/PURGE=1"], True, [VB_ROOT, VELMORA]),
        (["/PURGE=1"], False, []),
    ]
    for args, neighbour, left in cases:
        t.reset()
        check(t.setup(t.setup_exe, "/S", "/AUTOSTART=1") == 0, "installing")
        if neighbour:
            t.session.run(["reg", "add", VELMORA, "/v", "Other", "/d", "kept", "/f"])
        run, _ = t.start_clock(t.default)
        t.uninstall(*args)
        run.quorvo.wait_exit(run.quorvo.processes[-1], 5)
        t.check_removed()
        keys = t.reg(VB_ROOT)
        check(sorted(keys) == left, f"uninstall {args}: keys {sorted(keys)}")
        check(SETTINGS not in keys or {"Left", "Top", "JTime"} <= set(keys[SETTINGS]),
              f"the closing clock saved {keys.get(SETTINGS)}")
        check(not neighbour or keys[VELMORA] == {"Other": "kept"}, f"{keys}")


@scenario(timeout=240)
def signed_release(t: Test) -> None:
    """With a throwaway certificate, the installer and the zipped program
    verify against it, and so do the installed program and uninstaller;
    the signed setup installs and uninstalls."""
    cert, key, out = t.work / "cert.pem", t.work / "key.pem", t.work / "signed"
    subprocess.run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes",
                    "-keyout", str(key), "-out", str(cert), "-days", "2",
                    "-subj", "/CN=Quorvo Test Signing",
                    "-addext", "extendedKeyUsage=codeSigning"],
                   check=True, capture_output=True, stdin=subprocess.DEVNULL)
    made = subprocess.run(
        [sys.executable, str(DIST_PY), "--exe", t.args.exe, "--release",
         t.args.release, "--source-dir", str(DIST_PY.parents[1]),
         "--out-dir", str(out)],
        env=dict(os.environ, QUORVO_SIGN_CERT=str(cert), QUORVO_SIGN_KEY=str(key)),
        capture_output=True, text=True, stdin=subprocess.DEVNULL)
    check(made.returncode == 0 and "signed with" in made.stdout,
          made.stdout + made.stderr)
    with zipfile.ZipFile(out / "Quorvo-1.62-win64.zip") as archive:
        (t.work / "zipped.exe").write_bytes(archive.read("Quorvo.exe"))

    def verifies(path: Path, *ca: str) -> bool:
        return subprocess.run(
            ["osslsigncode", "verify", *ca, "-in", str(path)],
            capture_output=True, stdin=subprocess.DEVNULL).returncode == 0

    setup, ca = out / t.setup_exe.name, ("-CAfile", str(cert))
    check(verifies(setup, *ca) and verifies(t.work / "zipped.exe", *ca),
          "the signed installer or zipped program does not verify")
    check(not verifies(setup), "it verifies without the test certificate")
    check(t.setup(setup, "/S", f"/D={CUSTOM}") == 0, "the signed setup failed")
    for name in ("Quorvo.exe", "Uninstall.exe"):
        check(verifies(t.linux(CUSTOM) / name, *ca), f"installed {name}")
    t.uninstall()
    t.check_removed()


def main() -> int:
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    for option in ("--state-file", "--work-dir", "--exe", "--dist-dir",
                   "--release"):
        parser.add_argument(option)
    parser.add_argument("--list", action="store_true")
    parser.add_argument("names", nargs="*")
    args = parser.parse_args()
    if args.list:
        for name, (_, timeout) in SCENARIOS.items():
            print(f"{name}|{timeout}")
        return 0
    wine = WineSession.load(Path(args.state_file))
    check(wine is not None, "no session: run `session.py start` first")
    failed = []
    for name in args.names:
        log(f"=== {name}")
        test = Test(wine, args)
        try:
            test.reset()
            SCENARIOS[name][0](test)
        except Exception:  # every failure is reported the same way
            failed.append(name)
            traceback.print_exc(file=sys.stdout)
        finally:
            test.reset()
    print(f"{len(args.names) - len(failed)} passed, {len(failed)} failed")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
