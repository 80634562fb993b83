#!/usr/bin/python3
"""The installer under Wine: Quorvo's setup installed, updated and removed
in a fresh prefix, as winget and a user would.

    dist_scenarios.py --list     name|labels|time limit, for CMake
    dist_scenarios.py --state-file FILE --work-dir DIR --exe Quorvo.exe
                      --dist-dir DIR --release FILE SCENARIO...

Each scenario first removes whatever an earlier one installed. Exit codes
are checked with the rest: a command that returns 0 must be done by then.
"""

from __future__ import annotations

import contextlib
import json
import os
import re
import shutil
import signal
import subprocess
import sys
import time
import zipfile
from pathlib import Path

sys.dont_write_bytecode = True
sys.path.insert(0, str(Path(__file__).resolve().parents[1] / "wine"))
from check_release import SOURCE, run_dist  # noqa: E402
from clock import Desktop, Probe, Run, pixels, position  # noqa: E402
from registry import main, scenario  # noqa: E402
from session import (WineSession, check, log, poll,  # noqa: E402
                     processes_of_prefix)

HKLM, HKCU = "HKEY_LOCAL_MACHINE", "HKEY_CURRENT_USER"
UNINSTALL = HKCU + r"\Software\Microsoft\Windows\CurrentVersion\Uninstall\Quorvo"
RUN = HKCU + r"\Software\Microsoft\Windows\CurrentVersion\Run"
# The on/off marks of Task Manager's Startup tab: 03 and a time is off.
APPROVED = (HKCU + r"\Software\Microsoft\Windows\CurrentVersion\Explorer"
            r"\StartupApproved\Run")
OFF = "hex:03,00,00,00,d4,0d,43,8d,c8,3b,d9,01"
VB_ROOT = HKCU + r"\Software\VB and VBA Program Settings"
VELMORA = VB_ROOT + r"\Velmora Software"
SETTINGS = VELMORA + r"\Quorvo"
UNINSTALLER = "Uninstall Quorvo.exe"
LICENSE = "Quorvo License.txt"
CUSTOM = r"C:\Quorvo Test Dir"
# A folder of another program's that /D= names: its files must stay.
SHARED = r"C:\Shared Tools"
# The uninstaller is large enough to show in an EstimatedSize counted in KB.
THEIRS = {"Uninstall.exe": b"MZ another program's uninstaller" + bytes(65536),
          "readme.txt": b"Another program's notes\r\n",
          "LICENSE.txt": b"Another program's terms\r\n"}
# Other spellings of one folder: a link to it, and another drive letter for
# C:\users, made the way Wine maps drives.
LINK = r"C:\Quorvo Link"
USERS_DRIVE = "q:"
# Where a clock runs from that was not installed (the zip's, Scoop's).
ELSEWHERE = r"C:\Unzipped Quorvo"
# How long the copy of the uninstaller in %TEMP% may take to delete the one
# in the install folder once the uninstaller has ended.
CLEANUP_TIMEOUT = 30
WS_DISABLED = 0x08000000
SETUP_RUNNING = 6
BS_TYPEMASK = 0x0F
BS_DEFPUSHBUTTON = 0x01


def winpath(path: Path) -> str:
    return "Z:" + str(path).replace("/", "\\")


def command_line(setup: Path, *args: str) -> str:
    return " ".join([f'"{winpath(setup)}"', *args])


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
    """The keys that differ; Wine's own bookkeeping (such as the mouse
    settings it keeps once a program shows a window) is not setup's."""
    return sorted(k for k in set(before) | set(after)
                  if before.get(k) != after.get(k) and
                  not k.startswith(HKCU + r"\Software\Wine"))


def buttons_to_click(state: dict, answer: str) -> list[dict]:
    """In each dialog of a probe state that takes input now (not one a
    message box has disabled), the button named answer, or else its default
    push button."""
    found = []
    for dialog in state["dialogs"]:
        buttons = [child for child in dialog["children"] if dialog["enabled"] and
                   child["class"].lower() == "button" and child["visible"] and
                   not child["style"] & WS_DISABLED]
        named = [b for b in buttons if answer and b["text"] == answer]
        found += (named or [b for b in buttons if b["style"] & BS_TYPEMASK ==
                            BS_DEFPUSHBUTTON])[:1]
    return found


def controls(state: dict, kind: str) -> list[dict]:
    """A probe state's visible controls of that window class."""
    return [child for dialog in state["dialogs"] for child in dialog["children"]
            if child["class"].lower() == kind.lower() and child["visible"]]


def click(desktop: Desktop, control: dict) -> None:
    rect = control["rect"]
    desktop.move((rect["left"] + rect["right"]) // 2,
                 (rect["top"] + rect["bottom"]) // 2)
    desktop.click(1)


def marked_pixels(picture: Path) -> int:
    """How many pixels of a picture are dark: a check mark's and a box's
    frame, not the shades inside a box."""
    result = subprocess.run(
        ["convert", str(picture), "-colorspace", "gray", "-threshold", "60%",
         "-format", "%[fx:round((1-mean)*w*h)]", "info:"], check=True,
        capture_output=True, text=True, stdin=subprocess.DEVNULL)
    return int(result.stdout.strip())


def page_says(state: dict, said: str) -> bool:
    """Whether the folder page says said below the folder, or no refusal
    when said is empty, with Install off exactly while it refuses."""
    texts = [c["text"] for c in controls(state, "Static")]
    install = [c for c in controls(state, "Button") if c["id"] == 1]
    refusals = [text for text in texts if text.startswith("Setup cannot")]
    return (refusals == ([said] if said else []) and len(install) == 1 and
            bool(install[0]["style"] & WS_DISABLED) == bool(said))


class Test:
    def __init__(self, session: WineSession, args):
        self.session, self.args = session, args
        self.work = Path(args.work_dir) / "scenario"
        shutil.rmtree(self.work, ignore_errors=True)
        self.work.mkdir(parents=True)
        release = json.loads(Path(args.release).read_text())
        self.homepage, self.version = release["homepage"], release["file_version"]
        self.setup_exe = Path(args.dist_dir) / f"Quorvo-{self.version}-setup.exe"
        self.program = Path(args.exe).read_bytes()
        self.probe = Probe(session)
        local, roaming, self.temp = session.run(
            ["cmd", "/c", "echo", "%LOCALAPPDATA%;%APPDATA%;%TEMP%"]
        ).stdout.strip().split(";")
        self.default = local + r"\Programs\Quorvo"
        self.shortcut = (roaming +
                         r"\Microsoft\Windows\Start Menu\Programs\Quorvo.lnk")
        self.runs: list[Run] = []

    def linux(self, windows_path: str) -> Path:
        """The file a drive path names, through the prefix's drive links,
        its names matched without regard to case as Windows does."""
        check(re.fullmatch(r"[A-Za-z]:\\.*", windows_path) is not None, windows_path)
        path = self.session.prefix / "dosdevices" / windows_path[:2].lower()
        for name in filter(None, windows_path[3:].split("\\")):
            same = [p for p in path.iterdir() if p.name.lower() == name.lower()] \
                if path.is_dir() else []
            path = same[0] if same else path / name
        return path

    def reg(self, key: str) -> dict[str, dict[str, object]]:
        out = self.work / "export.reg"
        out.unlink(missing_ok=True)
        result = self.session.run(["reg", "export", key, winpath(out), "/y"])
        said = result.stdout + result.stderr
        # Only a key that is not there reads as empty: an export that
        # failed otherwise must not pass for "removed".
        if result.returncode != 0 and "Unable to find" in said:
            return {}
        check(result.returncode == 0, f"reg export {key}: exit "
              f"{result.returncode}: {said}")
        return parse_reg(out.read_bytes().decode("utf-16"))

    def values(self, key: str) -> dict[str, object]:
        return self.reg(key).get(key, {})

    def bat(self, name: str, command: str) -> list[str]:
        """cmd running command from a batch file, returning its exit code:
        Wine quotes the arguments it passes on, and setup takes /D= only
        unquoted."""
        bat = self.work / f"{name}.bat"
        bat.write_text(f"@echo off\r\n{command}\r\nexit /b %ERRORLEVEL%\r\n")
        return ["cmd", "/c", winpath(bat)]

    def batch(self, command: str) -> int:
        started = time.monotonic()
        result = self.session.run(self.bat("command", command), timeout=90)
        code = result.returncode
        log(f"{command}: exit {code} after {time.monotonic() - started:.1f}s"
            + (f"; it said {result.stdout}{result.stderr}".rstrip()
               if code and result.stdout + result.stderr else ""))
        return code

    def interactive(self, command: str, program: str, answer: str = "",
                    first=None) -> int:
        """Runs a command that shows windows and clicks, in each window of
        program that takes input, the button named answer or else the
        default button, as a user who accepts everything would, until the
        command ends; returns its exit code. first(windows, desktop), if
        given, runs once the first window takes input, before any click."""
        process = self.session.spawn(self.bat("interactive", command),
                                     self.work / "interactive.out")
        windows = Probe(self.session, program)
        desktop = Desktop(self.session, self.work)
        deadline = time.monotonic() + 90
        while process.poll() is None:
            if time.monotonic() > deadline:
                shot = desktop.screenshot("interactive-timeout")
                os.kill(process.pid, signal.SIGKILL)
                process.wait()
                check(False, f"{command} still runs after 90s; the screen "
                             f"then: {shot}")
            buttons = buttons_to_click(windows.state(), answer)
            if first and buttons:
                first(windows, desktop)
                first = None
                continue
            for button in buttons:
                click(desktop, button)
                log(f"clicked {button['text']!r}")
            with contextlib.suppress(subprocess.TimeoutExpired):
                process.wait(timeout=1)
        log(f"{command} (answered in its windows): exit {process.returncode}")
        return process.returncode

    def setup(self, setup: Path, *args: str, code: int = 0) -> None:
        """Runs setup with args, which must return code."""
        ran = command_line(setup, *args)
        got = self.batch(ran)
        check(got == code, f"{ran}: exit {got}, not {code}")

    def uninstaller(self, name: str, *args: str, **answers) -> int:
        """The exit code of a registered uninstall command, args put before
        the _?=<folder> it ends with: the quiet one run as winget would, the
        other answering its pages; or of a silent setup, named "setup"."""
        if name == "setup":
            return self.batch(command_line(self.setup_exe, "/S", *args))
        entry = self.values(UNINSTALL)
        command, folder = entry[name].rsplit(" _?=", 1)
        check(folder == entry["InstallLocation"], f"{name}: {entry[name]}")
        ran = " ".join([command, *args, "_?=" + folder])
        if name == "UninstallString":
            return self.interactive(ran, UNINSTALLER, **answers)
        return self.batch(ran)

    def uninstall(self, *args: str, name: str = "QuietUninstallString") -> None:
        """Runs a registered uninstall command as winget (the quiet one) or
        a user (the other, accepting each page) would: it returns 0 with
        Quorvo gone, and only the uninstaller, which cannot delete itself
        while it runs, goes a moment later; then nothing of Quorvo is
        left."""
        folder = self.values(UNINSTALL)["InstallLocation"]
        files = self.linux(folder)
        code = self.uninstaller(name, *args)
        check(code == 0, f"{name}: exit {code}")
        check(not self.reg(UNINSTALL) and not (files / "Quorvo.exe").exists(),
              "the uninstaller returned before it had removed Quorvo")
        # Then the folder too, unless other files are kept there.
        poll(lambda: not files.exists() or (
                 not (files / UNINSTALLER).exists() and any(files.iterdir())),
             CLEANUP_TIMEOUT, interval=0.2, what=f"{UNINSTALLER} to go")
        # And the copy of the uninstaller that deleted it.
        poll(lambda: not self.leftovers(), CLEANUP_TIMEOUT, interval=0.2,
             what="the uninstaller's copy in %TEMP% to go")
        self.check_removed()

    def leftovers(self) -> list[str]:
        return [p.name for p in self.linux(self.temp).glob("Quorvo-uninstall-*")]

    def clocks(self) -> list[list[str]]:
        """The command lines of the clocks running in the prefix, as Wine
        passed them on: the program, then each argument."""
        found = []
        for pid in processes_of_prefix(self.session.prefix):
            with contextlib.suppress(OSError):
                argv = Path(f"/proc/{pid}/cmdline").read_bytes().split(b"\0")
                words = [w.decode(errors="replace") for w in argv if w]
                if words and words[0].lower().endswith("\\quorvo.exe"):
                    found.append([words[0].lower(), *words[1:]])
        return found

    def others_must_wait(self) -> None:
        """While a setup or uninstaller runs, another of either stops at
        once with exit code 6 and changes nothing."""
        before = self.reg(HKCU)
        for name in ("setup", "QuietUninstallString"):
            code = self.uninstaller(name)
            check(code == SETUP_RUNNING, f"{name} beside another: exit {code}")
        changed = changed_keys(before, self.reg(HKCU))
        check(not changed, f"the setups that had to wait changed {changed}")

    def start_clock(self, folder: str, *args: str) -> tuple[Run, dict]:
        """Starts the Quorvo.exe in folder, which must be the one clock."""
        run = Run(self.session, Path(folder + r"\Quorvo.exe"),
                  self.work / f"clock-{len(self.runs)}")
        self.runs.append(run)
        state = run.start(*args)
        check([p["exe"] for p in state["processes"]] == ["Quorvo.exe"],
              f"the clock from {folder}: {state['processes']}")
        return run, state

    def old_build(self) -> tuple[Path, bytes]:
        """A setup of an earlier build: the program with bytes after its
        end, which Windows ignores."""
        old = self.work / "old"
        old.mkdir(exist_ok=True)
        (old / "Quorvo.exe").write_bytes(self.program + b"\0earlier build\0")
        made = run_dist(old / "Quorvo.exe", self.args.release, old)
        check(made.returncode == 0, f"dist.py: {made.stdout}{made.stderr}")
        return old / self.setup_exe.name, (old / "Quorvo.exe").read_bytes()

    def check_installed(self, folder: str, program: bytes, autostart: bool,
                        others: dict[str, bytes] | None = None) -> None:
        files = self.linux(folder)
        licence = (SOURCE / "LICENSE.txt").read_bytes()
        contents = {"Quorvo.exe": program, **(others or {}),
                    LICENSE: licence.replace(b"\n", b"\r\n")}
        names = sorted(p.name for p in files.glob("*"))
        check(names == sorted([UNINSTALLER, *contents]),
              f"{folder} holds {names}")
        wrong = [name for name, data in contents.items()
                 if (files / name).read_bytes() != data]
        check(not wrong, f"in {folder}, not the expected contents: {wrong}")
        exe = folder + r"\Quorvo.exe"
        link = self.linux(self.shortcut)
        data = link.read_bytes().lower() if link.exists() else b""
        check(exe.lower().encode("utf-16-le") in data or exe.lower().encode() in data,
              f"the shortcut does not lead to {exe}")
        entry = self.values(UNINSTALL)
        size = sum((files / name).stat().st_size
                   for name in ("Quorvo.exe", UNINSTALLER, LICENSE)) // 1024
        estimated = entry.pop("EstimatedSize", None)
        check(estimated in range(size - 8, size + 9),
              f"EstimatedSize {estimated} KB for {size} KB of files")
        expected = {
            "DisplayName": "Quorvo", "DisplayVersion": self.version,
            "Publisher": "Velmora Software", "DisplayIcon": exe + ",0",
            "InstallLocation": folder,
            "UninstallString": f'"{folder}\\{UNINSTALLER}" _?={folder}',
            "QuietUninstallString": f'"{folder}\\{UNINSTALLER}" /S _?={folder}',
            "URLInfoAbout": self.homepage, "NoModify": 1, "NoRepair": 1}
        check(entry == expected, f"uninstall entry {entry}, expected {expected}")
        run_value = self.values(RUN).get("Quorvo")
        check(run_value == (f'"{exe}"' if autostart else None),
              f"Run value {run_value!r}")

    def mark(self) -> str | None:
        """Quorvo's on/off mark in Task Manager's Startup tab, if any."""
        return self.values(APPROVED).get("Quorvo")

    def set_mark(self, mark: str | None) -> None:
        if mark is None:
            self.session.run(["reg", "delete", APPROVED, "/v", "Quorvo", "/f"])
        else:
            self.session.run(["reg", "add", APPROVED, "/v", "Quorvo", "/t",
                              "REG_BINARY", "/d", mark[4:].replace(",", ""), "/f"])
        check(self.mark() == mark, f"the mark is {self.mark()!r}, not {mark!r}")

    def check_removed(self) -> None:
        check(not self.reg(UNINSTALL), "the uninstall entry is left")
        check("Quorvo" not in self.values(RUN), "the Run value is left")
        check(self.mark() is None, f"the Startup tab's mark is left: {self.mark()}")
        left = [path for path in (self.shortcut, self.default, CUSTOM, LINK)
                if self.linux(path).exists()]
        check(not left, f"left behind: {left}")
        shared = self.linux(SHARED)
        kept = sorted(p.name for p in shared.glob("*"))
        check(not shared.exists() or kept == sorted(THEIRS),
              f"{SHARED} holds {kept}")

    def reset(self) -> None:
        """No clock running and no trace of an earlier install."""
        for run in self.runs:
            run.finish()
        self.probe.end_leftovers(15)
        self.linux(LINK).unlink(missing_ok=True)
        (self.session.prefix / "dosdevices" / USERS_DRIVE).unlink(missing_ok=True)
        for folder in (self.default, CUSTOM, SHARED, ELSEWHERE):
            shutil.rmtree(self.linux(folder), ignore_errors=True)
        self.linux(self.shortcut).unlink(missing_ok=True)
        for name in self.leftovers():
            (self.linux(self.temp) / name).unlink()
        for key, *value in ((UNINSTALL,), (RUN, "/v", "Quorvo"),
                            (APPROVED, "/v", "Quorvo"), (VB_ROOT,)):
            self.session.run(["reg", "delete", key, *value, "/f"])
        self.check_removed()


@contextlib.contextmanager
def unwritable(path: Path):
    """The file cannot be replaced, renamed or deleted, even by root, for as
    long as the block runs: what a program holding it open does on
    Windows."""
    subprocess.run(["chattr", "+i", str(path)], check=True,
                   stdin=subprocess.DEVNULL, capture_output=True)
    try:
        yield
    finally:
        subprocess.run(["chattr", "-i", str(path)], check=True,
                       stdin=subprocess.DEVNULL, capture_output=True)


@scenario("dist", timeout=240)
def fresh_install(t: Test) -> None:
    """A silent install: the files, the shortcut and every uninstall value;
    nothing in HKLM and nothing of the clock's settings changes; the
    installed program is the clock."""
    t.probe.reg_set([("Left", "sz", "1500"), ("Top", "sz", "3000")])
    hklm, hkcu = t.reg(HKLM), t.reg(HKCU)
    t.setup(t.setup_exe, "/S")
    t.check_installed(t.default, t.program, autostart=False)
    check(t.reg(HKLM) == hklm, "the install changed HKLM")
    after = t.reg(HKCU)
    # Besides the entry, only its parent key where there was none: empty.
    made = [k for k in changed_keys(hkcu, after) if k in hkcu or after[k] or
            not UNINSTALL.startswith(k + "\\")]
    check(made == [UNINSTALL], f"the install changed {made}")
    run, state = t.start_clock(t.default)
    shot = run.screenshot("installed-clock", state["clock"]["rect"])
    check(run.desktop.distinct_colours(shot) >= 2, "the clock shows nothing")


@scenario("dist", timeout=300)
def start_with_windows_and_folder(t: Test) -> None:
    """/AUTOSTART and /D= in turn: the Run value names the installed program
    or is absent, an update keeps folder and choice (an entry switched off
    in the Startup tab stays off), /AUTOSTART=1 switches it on and =0
    removes it with its mark, another folder replaces the old one; a wrong
    value, an unknown switch and a folder setup cannot use (which NSIS would
    swap for the installed one) change nothing and say so in the exit code.
    With its pages, setup shows Start with Windows cleared for an entry
    switched off, and keeps it so; on the folder page each refused folder
    shows why, with Install off; while the page shows, another setup or
    uninstaller stops at once; its finish page starts the clock."""
    steps = [  # arguments, mark before, folder after, Run value, mark after, exit code, why
        (["/S"], None, t.default, False, None, 0, ""),
        (["/S", "/AUTOSTART=1", f"/D={CUSTOM}"], None, CUSTOM, True, None, 0, ""),
        (["/S"], None, CUSTOM, True, None, 0, ""),
        (["/S"], OFF, CUSTOM, True, OFF, 0, ""),
        (["/S", "/AUTOSTART=1"], OFF, CUSTOM, True, None, 0, ""),
        (["/S", "/AUTOSTART=0"], OFF, CUSTOM, False, None, 0, ""),
        (["/S", "/AUTOSTART=1"], None, CUSTOM, True, None, 0, ""),
        (["/S", "/AUTOSTART=yes"], OFF, CUSTOM, True, OFF, 2, ""),
        (["/S", "/AUTOSTRAT=0"], OFF, CUSTOM, True, OFF, 2, ""),
        (["/S", "/AUTOSTART=0", "/D=C:\\"], OFF, CUSTOM, True, OFF, 5,
         "it is the top folder of a drive"),
        (["/S", "/AUTOSTART=0", "/D=Quorvo"], OFF, CUSTOM, True, OFF, 5,
         "it is not a full path such as C:\\Apps\\Quorvo"),
        (["/S", "/AUTOSTART=0", f"/D={CUSTOM}\\Quorvo.exe"], OFF, CUSTOM, True,
         OFF, 5, "it is a file"),
        (["/S", "/AUTOSTART=0", "/D="], OFF, CUSTOM, True, OFF, 5,
         "no folder was named"),
    ]
    for args, mark, folder, autostart, mark_after, code, _ in steps:
        t.set_mark(mark)
        before = t.reg(HKCU)
        t.setup(t.setup_exe, *args, code=code)
        t.check_installed(folder, t.program, autostart)
        check(t.mark() == mark_after, f"{args}: the Startup tab's mark {t.mark()}")
        other = t.default if folder == CUSTOM else CUSTOM
        check(not t.linux(other).exists(), f"{args} left {other}")
        check(not code or not changed_keys(before, t.reg(HKCU)), f"{args} changed HKCU")

    def pages(windows: Probe, desktop: Desktop) -> None:
        # The entry is there and switched off: its box is the one that
        # gains the check mark when toggled, its own state cleared.
        tree = poll(lambda: controls(windows.state(), "SysTreeView32"), 30,
                    what="the Components page")[0]["rect"]
        boxes = dict(tree, left=tree["left"] + 1, right=tree["left"] + 18)
        desktop.move(tree["right"] - 4, tree["bottom"] - 4)
        desktop.key("Down")
        time.sleep(1)
        shown = marked_pixels(desktop.screenshot("autostart-shown", boxes))
        desktop.key("space")
        toggled = poll(lambda: marked_pixels(desktop.screenshot(
            "autostart-toggled", boxes)) - shown, 10, what="the box to toggle")
        check(toggled > 0, f"Start with Windows shows ticked for an entry switched "
                           f"off: {shown} dark pixels, {shown + toggled} toggled")
        desktop.key("space")
        click(desktop, poll(lambda: [  # once it takes clicks
            b for b in controls(windows.state(), "Button")
            if b["text"].replace("&", "") == "Next >" and
            not b["style"] & WS_DISABLED], 30, what="the button Next")[0])
        refused = [(arg[3:], why) for args, *_, why in steps if why
                   for arg in args if arg.startswith("/D=")]
        for folder, why in [*refused, (CUSTOM, "")]:
            edit = poll(lambda: controls(windows.state(), "Edit"), 30,
                        what="the folder page")[0]
            click(desktop, edit)
            desktop.key("End", "shift+Home", "BackSpace")
            if folder:
                desktop.xdotool("type", folder)
            said = f"Setup cannot install into this folder: {why}." if why else ""
            poll(lambda: page_says(windows.state(), said), 10,
                 what=f"the folder page to say {said!r} for {folder!r}")
        t.others_must_wait()

    code = t.interactive(command_line(t.setup_exe), t.setup_exe.name,
                         first=pages)
    check(code == 0, f"setup with its pages: exit {code}")
    t.check_installed(CUSTOM, t.program, autostart=True)
    check(t.mark() == OFF, f"the pages changed the Startup tab's mark: {t.mark()}")
    t.probe.require("clock", 30, "the clock the finish page starts")
    check(t.clocks() == [[(CUSTOM + r"\Quorvo.exe").lower()]], f"{t.clocks()}")


@scenario("dist", timeout=300)
def reinstall_under_another_spelling(t: Test) -> None:
    """Setup again into the installed folder, named another way: through
    .\\, a link to it, another drive letter for it. The program stays (it is
    not taken for an old install elsewhere), and the shortcut, Run value and
    entry lead to it under the name given, from which the clock starts."""
    t.linux(LINK).symlink_to(t.linux(t.default))
    users = t.session.prefix / "dosdevices" / USERS_DRIVE
    users.symlink_to("../drive_c/users")
    parent, name = t.default.rsplit("\\", 1)
    drive = USERS_DRIVE.upper() + t.default[len(r"C:\users"):]
    cases = [  # the folder named as, the location recorded
        (f"{parent}\\.\\{name}", t.default),
        (LINK, LINK),
        (drive, drive),
        (t.default.upper(), t.default),
    ]
    for spelling, recorded in cases:
        t.setup(t.setup_exe, "/S", "/AUTOSTART=1", f"/D={t.default}")
        t.check_installed(t.default, t.program, autostart=True)
        t.setup(t.setup_exe, "/S", f"/D={spelling}")
        t.check_installed(recorded, t.program, autostart=True)
        t.start_clock(recorded)[0].end_clocks()


@scenario("dist", timeout=300)
def folder_shared_with_another_program(t: Test) -> None:
    """/D= a folder that holds another program's Uninstall.exe and files:
    they stay as they were through install, a move elsewhere and back, and
    the uninstall, which leaves the folder to them; EstimatedSize counts
    Quorvo's files only."""
    folder = t.linux(SHARED)
    folder.mkdir(parents=True)
    for name, data in THEIRS.items():
        (folder / name).write_bytes(data)
    for target, others in [(SHARED, THEIRS), (CUSTOM, {}), (SHARED, THEIRS)]:
        t.setup(t.setup_exe, "/S", f"/D={target}")
        t.check_installed(target, t.program, autostart=False, others=others)
        left = sorted(p.name for p in folder.glob("*"))
        check(target == SHARED or left == sorted(THEIRS),
              f"the move to {target} left {left} in {SHARED}")
        check(target == CUSTOM or not t.linux(CUSTOM).exists(),
              f"the move to {target} left {CUSTOM}")
    t.uninstall()
    check(sorted(p.name for p in folder.glob("*")) == sorted(THEIRS),
          f"{SHARED} after the uninstall: {list(folder.glob('*'))}")


@scenario("dist", timeout=400)
def update_while_clock_runs(t: Test) -> None:
    """An update over a running, dragged clock: the clock saves its new
    place as it closes, the program is replaced, the same clock runs again
    where it was, started as it was (-noadjust), and Start with Windows
    stays chosen; so too from an elevated setup. When the program cannot be
    replaced, setup says so with exit code 4 and the old clock runs again,
    as it was. A clock run from another folder is left running, untouched,
    through install, update and uninstall."""
    old_setup, old_program = t.old_build()
    cases = [  # the clock's folder, replaceable, elevated, exit code, program after
        (t.default, True, False, 0, t.program),
        (t.default, False, False, 4, old_program),
        (t.default, True, True, None, t.program),
        (ELSEWHERE, True, False, 0, t.program),
    ]
    for folder, replaceable, elevated, code, program in cases:
        t.reset()
        own = folder == t.default
        if not own:
            t.linux(folder).mkdir(parents=True)
            (t.linux(folder) / "Quorvo.exe").write_bytes(t.program)
            run, state = t.start_clock(folder, "-noadjust")
        t.setup(old_setup, "/S", "/AUTOSTART=1")
        t.check_installed(t.default, old_program, autostart=True)
        if own:
            run, state = t.start_clock(t.default, "-noadjust")
        rect = run.drag(run.label_point(state), (137, 211))["clock"]["rect"]
        started = [(folder + r"\Quorvo.exe").lower(), "-noadjust"]
        check(t.clocks() == [started], f"the clock runs as {t.clocks()}")
        with (contextlib.nullcontext() if replaceable else
              unwritable(t.linux(t.default) / "Quorvo.exe")):
            if elevated:
                # As from an administrator's terminal: the shell's runas
                # verb, which Wine grants without asking, returns at once.
                script = t.work / "elevated.js"
                script.write_text(
                    'new ActiveXObject("Shell.Application").ShellExecute('
                    f'{json.dumps(winpath(t.setup_exe))}, "/S", "", "runas",'
                    ' 1);\r\n')
                t.session.run(["cscript", "//nologo", winpath(script)])
                poll(lambda: (t.linux(t.default) / "Quorvo.exe").read_bytes()
                     == program and t.clocks() == [started], 90,
                     what="the elevated update to replace the program and "
                          "start the clock again")
                Probe(t.session, t.setup_exe.name).require("no-process", 30)
            else:
                t.setup(t.setup_exe, "/S", code=code)
        if own:
            run.quorvo.wait_exit(run.quorvo.processes[-1], 5)
            stored = run.stored()
            check(rect["left"] in pixels(float(stored["Left"][1]), 96) and
                  rect["top"] in pixels(float(stored["Top"][1]), 96),
                  f"stored {stored} for a clock left at {rect}")
        again = run.probe.require("clock", 30, "the clock to run again")
        check((again["processes"][0]["pid"] != state["processes"][0]["pid"]) == own,
              f"the clock was {'not ' if own else ''}started anew")
        check(position(again) == (rect["left"], rect["top"]),
              f"the clock came back at {position(again)}, not {rect}")
        check(t.clocks() == [started], f"the clock runs as {t.clocks()}, not {started}")
        t.check_installed(t.default, program, autostart=True)
        if not own:
            t.uninstall()
            check(run.quorvo.processes[-1].poll() is None and t.clocks() == [started],
                  f"the uninstall ended the clock from {folder}: {t.clocks()}")


@scenario("dist", timeout=300)
def update_stops_when_clock_hangs(t: Test) -> None:
    """A clock that does not answer (its process stopped): the update and
    both registered uninstall commands, the silent one and the one that
    shows its pages, give up with exit code 3, leaving the old program and
    the registry as they were, and the clock exactly as it was: running on
    when it can again, with no request to close waiting for it."""
    old_setup, old_program = t.old_build()
    t.setup(old_setup, "/S")
    run, state = t.start_clock(t.default, "-timesec")
    process = run.quorvo.processes[-1]
    check(b"Quorvo.exe" in Path(f"/proc/{process.pid}/cmdline").read_bytes(),
          "the process started is not Quorvo.exe")
    before = t.reg(HKCU)
    os.kill(process.pid, signal.SIGSTOP)
    try:
        for what in ("setup", "QuietUninstallString", "UninstallString"):
            code = t.uninstaller(what)
            check(code == 3, f"{what}: exit {code}, not 3")
            t.check_installed(t.default, old_program, autostart=False)
            changed = changed_keys(before, t.reg(HKCU))
            check(not changed, f"{what} changed {changed}")
    finally:
        os.kill(process.pid, signal.SIGCONT)
    # Its input comes after any message waiting for it: a clock that still
    # follows a drag had no close request waiting.
    current = run.probe.state()
    check(current["label"] is not None, "the clock closed once it ran again")
    moved = run.drag(run.label_point(current), (60, 40))
    check(process.poll() is None and moved["processes"][0]["pid"] ==
          state["processes"][0]["pid"], "the clock did not go on running")


@scenario("dist", timeout=300)
def uninstall_keeps_or_purges_settings(t: Test) -> None:
    """The silent uninstaller, and the one with pages, closes the clock and
    removes program, shortcut, Run value, its mark in the Startup tab and
    entry, and leaves no copy of itself; the settings the clock saved stay
    unless /PURGE=1, which leaves other programs' values beside them.
    Cancelled on its first page, it returns 1 with nothing removed; while
    that page shows, another setup or uninstaller stops at once."""
    cases = [  # command, arguments, another program's value, keys left
        ("QuietUninstallString", [], False, [VB_ROOT, VELMORA, SETTINGS]),
        ("QuietUninstallString", ["/PURGE=1"], True, [VB_ROOT, VELMORA]),
        ("QuietUninstallString", ["/PURGE=1"], False, []),
        ("UninstallString", [], False, [VB_ROOT, VELMORA, SETTINGS]),
    ]
    for name, args, neighbour, left in cases:
        t.reset()
        t.setup(t.setup_exe, "/S", "/AUTOSTART=1")
        t.set_mark(OFF)
        if neighbour:
            t.session.run(["reg", "add", VELMORA, "/v", "Other", "/d", "kept", "/f"])
        if name == "UninstallString":
            cancelled = t.uninstaller(name, answer="Cancel",
                                      first=lambda *_: t.others_must_wait())
            check(cancelled == 1, f"{name} cancelled: exit {cancelled}")
            t.check_installed(t.default, t.program, autostart=True)
        run, _ = t.start_clock(t.default)
        t.uninstall(*args, name=name)
        run.quorvo.wait_exit(run.quorvo.processes[-1], 5)
        keys = t.reg(VB_ROOT)
        check(sorted(keys) == left, f"uninstall {args}: keys {sorted(keys)}")
        check(SETTINGS not in keys or {"Left", "Top", "JTime"} <= set(keys[SETTINGS]),
              f"the closing clock saved {keys.get(SETTINGS)}")
        check(not neighbour or keys[VELMORA] == {"Other": "kept"}, f"{keys}")


@scenario("dist", timeout=240)
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
    made = run_dist(t.args.exe, t.args.release, out, env=dict(
        os.environ, QUORVO_SIGN_CERT=str(cert), QUORVO_SIGN_KEY=str(key)))
    check(made.returncode == 0 and "signed with" in made.stdout,
          made.stdout + made.stderr)
    with zipfile.ZipFile(out / f"Quorvo-{t.version}-win64.zip") as archive:
        (t.work / "zipped.exe").write_bytes(archive.read("Quorvo.exe"))

    def verifies(path: Path, *ca: str) -> bool:
        return subprocess.run(
            ["osslsigncode", "verify", *ca, "-in", str(path)],
            capture_output=True, stdin=subprocess.DEVNULL).returncode == 0

    setup, ca = out / t.setup_exe.name, ("-CAfile", str(cert))
    check(verifies(setup, *ca) and verifies(t.work / "zipped.exe", *ca),
          "the signed installer or zipped program does not verify")
    check(not verifies(setup), "it verifies without the test certificate")
    t.setup(setup, "/S", f"/D={CUSTOM}")
    for name in ("Quorvo.exe", UNINSTALLER):
        check(verifies(t.linux(CUSTOM) / name, *ca), f"installed {name}")
    t.uninstall()


@contextlib.contextmanager
def installer_test(session: WineSession, args, name: str):
    """A Test with nothing of an earlier install, as it leaves the prefix."""
    test = Test(session, args)
    try:
        test.reset()
        yield test
    finally:
        test.reset()


if __name__ == "__main__":
    sys.exit(main(__doc__, ("--dist-dir", "--release"), installer_test))
