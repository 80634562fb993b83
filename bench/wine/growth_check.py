#!/usr/bin/python3
"""No growth over a long run: Quorvo.exe under Wine holds the same GDI
objects and windows, and about the same private memory, after a long run of
ticks and a hundred popup menus as after its first second, and every popup
menu it built is destroyed again.

    growth_check.py --windows-dir DIR --work-dir DIR --state-file FILE
                    [--seconds S] [--menus N] [--memory-tolerance-kib K]
                    [--trace-every M]

Runs in the live Wine session named by --state-file (started with
`session.py start`). The clock shows the time with seconds, so
its text and width change every second. Counts come from the probe
(GetGuiResources and private bytes read 0 under Wine); see bench/README.md.

Readings:
  A  after the first ten ticks or so, with the pointer on the clock (which
     makes its tooltip then);
  B  after one more popup menu: the first menu of a process makes Wine
     build lasting things of its own (cached device contexts, the menu's
     bitmaps), so this is the reference;
  C  after N more menus (opened with a right-click, closed with Escape) and
     at least S seconds of ticks.
C must equal B in GDI objects and windows; private memory may differ by the
tolerance at most. A is shown beside them.
"""

from __future__ import annotations

import argparse
import json
import sys
import time
from pathlib import Path

sys.dont_write_bytecode = True  # no bytecode files in the source tree

from wine_bench import (  # noqa: E402
    EXIT_TIMEOUT, MENU_TIMEOUT, TICK_TIMEOUT, E2EFailure, LinuxProcess, Run,
    WineSession, check, log, usage)

TICK_SECONDS = 0.1
# Every this many menus, the meter confirms that it sees the open menu as a
# live menu: the proof that "no longer a menu" afterwards means something.
LIVE_MENU_CONTROL_EVERY = 25


class GrowthRun:
    def __init__(self, args):
        windows = Path(args.windows_dir).resolve()
        self.work = Path(args.work_dir).resolve()
        self.session = WineSession.load(Path(args.state_file))
        check(self.session is not None, f"no live session in {args.state_file}")
        self.clock = Run(self.session, windows / "Quorvo.exe",
                         self.work / "artifacts")
        self.probe = self.clock.probe
        self.desktop = self.clock.desktop
        self.args = args
        self.menus: list[int] = []
        self.trace: list[dict] = []
        self.windows_pid = 0
        self.linux: LinuxProcess | None = None

    # ------------------------------------------------------------ reading

    def label_text(self) -> str:
        state = self.probe.state()
        check(state["clock"] is not None and state["label"] is not None,
              "the clock window is gone")
        return state["label"]["text"]

    def wait_text_change(self, since: float, at_least: float = 1.0) -> str:
        """Waits until the clock text has changed and at_least seconds have
        passed since `since`: ten ticks or more in between."""
        text = self.label_text()
        while True:
            _, state = self.probe.wait(f"text-not:{text}", TICK_TIMEOUT)
            check(state["label"] is not None and
                  state["label"]["text"] != text,
                  f"the clock text stayed {text!r} for {TICK_TIMEOUT}s: the "
                  "clock no longer ticks")
            text = state["label"]["text"]
            if time.monotonic() - since >= at_least:
                return text

    def reading(self, name: str) -> dict:
        counted = usage(self.probe)
        memory = self.linux.memory_kib()
        reading = {
            "name": name,
            "gdi": counted["gdi_table"]["used"],
            "gdi_by_type": counted["gdi_table"]["by_type"],
            "windows": counted["windows"],
            "private_committed": counted["private_committed"],
            "gui_resources": counted["gui_resources"],
            "linux": memory,
        }
        log(f"reading {name}: GDI objects {reading['gdi']} "
            f"{reading['gdi_by_type']}, windows {reading['windows']}, "
            f"private committed {reading['private_committed'] // 1024} KiB, "
            f"RssAnon {memory['RssAnon']} KiB, VmRSS {memory['VmRSS']} KiB "
            f"(GetGuiResources says {counted['gui_resources']})")
        return reading

    # ------------------------------------------------------------- acting

    def open_and_escape_menu(self, at: tuple[int, int], control: bool) -> None:
        self.desktop.move(*at)
        self.desktop.click(3)
        self.probe.require("menu", MENU_TIMEOUT, "the popup menu")
        menus = self.probe.state()["menus"]
        check(len(menus) == 1 and menus[0]["hmenu"] != 0,
              f"expected one open popup menu with its handle, got {menus}")
        self.windows_pid = menus[0]["pid"]
        self.menus.append(menus[0]["hmenu"])
        if control:
            alive = self.probe.menus_alive(self.windows_pid,
                                           [menus[0]["hmenu"]])
            check(alive == [True], f"the open menu {menus[0]} does not read "
                                   "as a live menu: the menu check is blind")
        self.desktop.key("Escape")
        self.probe.require("no-menu", MENU_TIMEOUT,
                           "the menu to close on Escape")

    # --------------------------------------------------------------- run

    def run(self) -> dict:
        self.clock.clean_start()
        state = self.clock.start("-timesec")
        process = self.clock.quorvo.processes[-1]
        self.linux = LinuxProcess(process.pid)
        check(self.linux.comm() == "Quorvo.exe",
              f"process {process.pid} is {self.linux.comm()!r}, not "
              "Quorvo.exe")
        first_tick = time.monotonic()
        at = Run.label_point(state)

        # The clock makes its tooltip when the pointer first comes over it,
        # as the right-clicks below will: the pointer rests there first.
        self.clock.hover_label(state)
        self.clock.wait_tooltip_window()
        self.wait_text_change(first_tick)
        reading_a = self.reading("A (about 10 ticks, pointer on the clock)")

        self.open_and_escape_menu(at, control=True)
        self.wait_text_change(time.monotonic())
        reading_b = self.reading("B (after one menu)")

        for number in range(1, self.args.menus + 1):
            self.open_and_escape_menu(
                at, control=number % LIVE_MENU_CONTROL_EVERY == 0)
            if number % 10 == 0:
                log(f"{number} menus opened and closed")
            if self.args.trace_every and number % self.args.trace_every == 0:
                self.trace.append(self.reading(f"after {number} menus"))
        while time.monotonic() - first_tick < self.args.seconds:
            left = self.args.seconds - (time.monotonic() - first_tick)
            log(f"ticking on: {left:.0f}s to go")
            self.wait_text_change(time.monotonic(), at_least=min(left, 10))
        self.wait_text_change(time.monotonic())
        elapsed = time.monotonic() - first_tick
        reading_c = self.reading(f"C (after {len(self.menus)} menus, "
                                 f"{elapsed:.0f}s)")

        alive = self.probe.menus_alive(self.windows_pid, self.menus)
        still_menus = [m for m, a in zip(self.menus, alive) if a]
        log(f"{len(self.menus)} popup menus were built; "
            f"{len(still_menus)} of them are still menus")

        summary = {
            "ticks": round(elapsed / TICK_SECONDS), "seconds": elapsed,
            "menus_opened": len(self.menus),
            "menus_still_alive": len(still_menus),
            "readings": [reading_a, reading_b, reading_c],
            "trace": self.trace,
            "memory_tolerance_kib": self.args.memory_tolerance_kib,
        }
        (self.work / "growth.json").write_text(json.dumps(summary, indent=1))
        log(f"about {summary['ticks']} ticks, {len(self.menus)} menus; "
            f"summary in {self.work / 'growth.json'}")

        failures = []
        if still_menus:
            failures.append(f"{len(still_menus)} popup menus were never "
                            f"destroyed: {still_menus[:10]}")
        if reading_c["gdi"] != reading_b["gdi"]:
            failures.append(
                f"GDI objects went from {reading_b['gdi']} "
                f"{reading_b['gdi_by_type']} to {reading_c['gdi']} "
                f"{reading_c['gdi_by_type']}")
        # B is the reference for windows too: the clock starts without
        # activation, and its first activation (the first menu) makes Wine
        # add a window of its own for the thread, once.
        if reading_c["windows"] != reading_b["windows"]:
            failures.append(f"windows: A {reading_a['windows']}, B "
                            f"{reading_b['windows']}, C "
                            f"{reading_c['windows']}")
        grown = (reading_c["private_committed"] -
                 reading_b["private_committed"]) // 1024
        if grown > self.args.memory_tolerance_kib:
            failures.append(f"private memory grew by {grown} KiB (more than "
                            f"{self.args.memory_tolerance_kib} KiB)")
        check(not failures, "; ".join(failures))
        log(f"no growth: GDI objects {reading_c['gdi']}, windows "
            f"{reading_c['windows']}, private memory {grown:+d} KiB")
        return summary

    def finish(self) -> None:
        self.clock.quorvo.end_all()
        self.probe.require("no-process", EXIT_TIMEOUT, "Quorvo to end")


def main() -> int:
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--windows-dir", required=True,
                        help="where Quorvo.exe and its helpers were built")
    parser.add_argument("--work-dir", required=True)
    parser.add_argument("--state-file", required=True)
    parser.add_argument("--seconds", type=float, default=120,
                        help="run at least this long (10 ticks a second)")
    parser.add_argument("--menus", type=int, default=100)
    parser.add_argument("--memory-tolerance-kib", type=int, default=256)
    parser.add_argument("--trace-every", type=int, default=0,
                        help="take a reading after every this many menus")
    args = parser.parse_args()
    run = GrowthRun(args)
    try:
        run.run()
        print("PASS")
        return 0
    except E2EFailure as failure:
        print(f"FAIL: {failure}")
        try:
            log(f"screenshot {run.desktop.screenshot('at-failure')}")
        except Exception as shot_error:  # best effort only
            log(f"no screenshot: {shot_error}")
        return 1
    finally:
        run.finish()


if __name__ == "__main__":
    sys.exit(main())
