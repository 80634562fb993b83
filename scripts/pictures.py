#!/usr/bin/python3
"""Takes the pictures of Quorvo that the README shows: the real Quorvo.exe
under Wine on a virtual display, at 100 % and 150 %, in each display mode,
with its options menu open and with its About box, each cropped to the
clock (or menu, or box) with a small margin of plain desktop colour.

    pictures.py [--windows-dir build/windows] [--work-dir build/pictures]
                [--out docs/pictures] [--state-file FILE]

Writes OUT/<what>-<scale>.png (clock-time-100.png, about-150.png, ...) and
rewrites those that are there. The clock shows one fixed moment when
libfaketime is installed (Debian: faketime), which only the clock's
processes are started under; without it, the time as it comes. The Wine
prefix and the session's files go under the work folder, unless
--state-file names a live session (session.py start) to take them in.
"""

from __future__ import annotations

import argparse
import contextlib
import os
import subprocess
import sys
from pathlib import Path

sys.dont_write_bytecode = True  # nothing compiled beside the sources
ROOT = Path(__file__).resolve().parents[1]
sys.path.insert(0, str(ROOT / "tests" / "wine"))

from clock import MENU_TIMEOUT, WINDOW_TIMEOUT, Desktop, Run  # noqa: E402
from session import E2EFailure, WineSession, check, log  # noqa: E402

# The moment every picture shows: a weekday and a month of ordinary length,
# the hands of an advertised watch.
MOMENT = "2024-03-04 10:08:24"
FAKETIME = Path("/usr/lib/x86_64-linux-gnu/faketime/libfaketime.so.1")
# Windows' classic desktop blue, and the room around what is shown, in
# pixels at 100 %.
DESKTOP = "#3a6ea5"
MARGIN = 12
# Where the clock stands while it is pictured (twips, as stored), well
# away from the screen's edges and the parked pointer.
PLACE_TWIPS = ("3000", "3000")
# (picture, switch, what its text holds at MOMENT): each display mode; the
# menu and About are opened on the last one, the clock as it first starts.
MODES = [("clock-time-seconds", "-timesec", ("10:08:24",)),
         ("clock-date", "-date", ("March 4",)),
         ("clock-date-time", "-timedate", ("10:08", "March 4")),
         ("clock-time", "-time", ("10:08",))]
SCALES = [(96, 100), (144, 150)]


def picture_names() -> list[str]:
    """Every file the tool writes, for the tests that look at them."""
    return [f"{what}-{scale}.png"
            for _, scale in SCALES
            for what in [mode[0] for mode in MODES] + ["menu", "about"]]


@contextlib.contextmanager
def fixed_moment():
    """The environment of the Wine programs started inside: the clock's
    process reads MOMENT as the local time; the Wine server and every other
    program keep the real one. Wine asks the system's time in each process
    for itself, so only the clock needs the library."""
    if not FAKETIME.is_file():
        yield False
        return
    saved = {k: os.environ.get(k) for k in
             ("LD_PRELOAD", "FAKETIME", "FAKETIME_DONT_FAKE_MONOTONIC")}
    # Frozen wall clock; timers and waits run on the monotonic clock, which
    # stays real.
    os.environ.update(LD_PRELOAD=str(FAKETIME), FAKETIME=MOMENT,
                      FAKETIME_DONT_FAKE_MONOTONIC="1")
    try:
        yield True
    finally:
        for key, value in saved.items():
            if value is None:
                os.environ.pop(key, None)
            else:
                os.environ[key] = value


def open_session(windows: Path, work: Path) -> WineSession:
    """The one Wine session of a run, at the DPI its prefix has (kept under
    work from the last run); the other scale follows after one set_dpi."""
    return WineSession.start(work / "wineprefix", work / "session",
                             windows / "quorvo_probe.exe")


def grown(rect: dict, by: int) -> dict:
    return {"left": rect["left"] - by, "top": rect["top"] - by,
            "right": rect["right"] + by, "bottom": rect["bottom"] + by}


def union(first: dict, second: dict) -> dict:
    return {"left": min(first["left"], second["left"]),
            "top": min(first["top"], second["top"]),
            "right": max(first["right"], second["right"]),
            "bottom": max(first["bottom"], second["bottom"])}


class Pictures:
    """The clock started, shown and pictured in one session."""

    def __init__(self, session: WineSession, exe: Path, out: Path,
                 work: Path):
        self.session = session
        self.run = Run(session, exe, work / "artifacts")
        self.shots = Desktop(session, out)

    def take(self, name: str, rect: dict, scale: int) -> None:
        # Xvfb forgets the colour whenever its last client goes; while the
        # clock runs, it stays.
        self.session.run_native(["xsetroot", "-solid", DESKTOP])
        path = self.shots.screenshot(
            name, grown(rect, MARGIN * scale // 100))
        # No time stamps or other metadata: the same picture gives the same
        # file, so a run that changes nothing leaves git nothing to show.
        subprocess.run(["convert", str(path), "-strip", "-define",
                        "png:exclude-chunks=date,time", str(path)],
                       check=True, timeout=60, stdin=subprocess.DEVNULL,
                       capture_output=True)
        log(f"wrote {path}")

    def drawn(self, rect: dict) -> dict:
        """The part of a window that the X server shows: with no window
        manager on the virtual display nothing draws a title bar, and the
        box's rectangle would frame an empty strip above it."""
        shown = [w for w in self.shots.viewable_windows()
                 if w["x"] >= rect["left"] and w["y"] >= rect["top"] and
                 w["x"] + w["width"] <= rect["right"] and
                 w["y"] + w["height"] <= rect["bottom"]]
        if not shown:
            return rect
        window = max(shown, key=lambda w: w["width"] * w["height"])
        return {"left": window["x"], "top": window["y"],
                "right": window["x"] + window["width"],
                "bottom": window["y"] + window["height"]}

    def start(self, switch: str, shows: tuple[str, ...]) -> dict:
        self.run.clean_start()
        self.run.probe.reg_set([("Left", "sz", PLACE_TWIPS[0]),
                                ("Top", "sz", PLACE_TWIPS[1])])
        with fixed_moment() as fixed:
            self.run.quorvo.start(switch)
        self.run.probe.require("text-not:Time", WINDOW_TIMEOUT,
                               "the clock's first tick")
        # Read again: the tick sets the text, then fits the window to it.
        state = self.run.probe.state()
        text = state["label"]["text"]
        check(not fixed or all(part in text for part in shows),
              f"the clock reads {text!r}, not the moment {MOMENT}")
        return state

    def at_scale(self, scale: int) -> None:
        for name, switch, shows in MODES:
            state = self.start(switch, shows)
            self.take(f"{name}-{scale}", state["clock"]["rect"], scale)
            if switch != MODES[-1][1]:
                self.run.end_clocks()
        # The menu, opened on the last clock beside its text, and About
        # from it.
        state = self.run.open_menu("right", "margin")
        self.take(f"menu-{scale}",
                  union(state["clock"]["rect"], state["menus"][0]["rect"]),
                  scale)
        self.run.desktop.key("Up", "Up", "Return")
        state = self.run.probe.require("dialog", MENU_TIMEOUT,
                                       "the About box")
        self.take(f"about-{scale}", self.drawn(state["dialogs"][0]["rect"]),
                  scale)
        self.run.desktop.key("Return")
        self.run.probe.require("no-dialog", MENU_TIMEOUT,
                               "the About box to close")
        self.run.end_clocks()


def main() -> int:
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--windows-dir", default=ROOT / "build" / "windows",
                        type=Path, help="where Quorvo.exe and the probe are")
    parser.add_argument("--work-dir", default=ROOT / "build" / "pictures",
                        type=Path)
    parser.add_argument("--out", default=ROOT / "docs" / "pictures",
                        type=Path)
    parser.add_argument("--state-file", type=Path)
    args = parser.parse_args()
    windows, work = args.windows_dir.resolve(), args.work_dir.resolve()
    for program in ("Quorvo.exe", "quorvo_probe.exe"):
        if not (windows / program).is_file():
            print(f"pictures.py: {windows / program} is missing; build "
                  "first", file=sys.stderr)
            return 1
    args.out.mkdir(parents=True, exist_ok=True)
    log(f"the clock shows {MOMENT}" if FAKETIME.is_file() else
        f"no {FAKETIME} (Debian: faketime): the clock shows the time as it "
        "comes")
    shared = args.state_file and WineSession.load(args.state_file)
    if args.state_file and not shared:
        print(f"pictures.py: no live session in {args.state_file}",
              file=sys.stderr)
        return 1
    session = shared or open_session(windows, work)
    pictures = None
    try:
        pictures = Pictures(session, windows / "Quorvo.exe",
                            args.out.resolve(), work)
        # The scale the prefix is at first: one change of DPI a run.
        for dpi, scale in sorted(SCALES, key=lambda s: s[0] != session.dpi()):
            if dpi != session.dpi():
                session.set_dpi(dpi)
            pictures.at_scale(scale)
    except E2EFailure as failure:
        print(f"pictures.py: {failure}", file=sys.stderr)
        return 1
    finally:
        if pictures:
            pictures.run.finish()
        left = [] if shared else session.stop()
        if left:
            print(f"pictures.py: processes still alive: {left}",
                  file=sys.stderr)
    print(f"{len(picture_names())} pictures in {args.out}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
