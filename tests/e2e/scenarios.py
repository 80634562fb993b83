#!/usr/bin/python3
"""End-to-end scenarios: the real Quorvo.exe under Wine, driven with the
mouse and keyboard, read back through the probe, the X server and the
registry.

    scenarios.py --exe Quorvo.exe --probe quorvo_probe.exe --work-dir DIR
                 [--state-file FILE] SCENARIO...
    scenarios.py --list          names, labels and time limits, for CMake

With --state-file naming a live shared session (started by e2e_env.py) the
scenario runs in it; otherwise it starts its own prefix and display and
ends them afterwards. Each scenario starts from an empty settings key and
ends every Quorvo.exe it started.
"""

from __future__ import annotations

import argparse
import datetime as dt
import math
import shutil
import sys
import time
import traceback
from pathlib import Path

# The harness modules are imported from the source tree, which stays
# clean of compiled files.
sys.dont_write_bytecode = True

import clock_texts
from harness import (SCREEN_HEIGHT, SCREEN_WIDTH, SETTING_NAMES, WS_BORDER, WS_CAPTION, WS_EX_TOOLWINDOW,
                     WS_EX_TOPMOST, WS_MAXIMIZEBOX, WS_MINIMIZEBOX, WS_POPUP,
                     WS_SYSMENU, WS_THICKFRAME, Desktop, E2EFailure, Probe,
                     Quorvo, WineSession, check, log, poll, wine_reg_query)

# How long the program gets for things a person would wait for.
WINDOW_TIMEOUT = 30.0   # a start, cold session included
TICK_TIMEOUT = 5.0      # a choice to show at the next tick (100 ms)
MENU_TIMEOUT = 10.0
EXIT_TIMEOUT = 15.0
# A second instance has to end "at once"; Wine's own start-up of a process
# takes part of this.
SECOND_INSTANCE_TIMEOUT = 10.0
# How long "nothing happens" is watched for.
QUIET_PERIOD = 1.5

DEFAULT_LEFT_TWIPS = 5430
DEFAULT_TOP_TWIPS = -15

ABOUT_TITLE = "About Quorvo"
# The version part of the first line comes from the build (--version).
ABOUT_TEXT = ("Quorvo {version}\r\n"
              "Build date: September 8, 2004\r\n\r\n"
              "Freeware: use it, share it, keep it ticking.\r\n\r\n"
              "http://www.velmora-software.example/quorvo/\r\n\r\n"
              "Copyright \u00a9 2004 Velmora Software. All rights reserved.")

SCENARIOS: dict[str, tuple] = {}


def scenario(labels: str, timeout: int = 120):
    def register(function):
        SCENARIOS[function.__name__] = (function, labels, timeout)
        return function
    return register


class Run:
    """One scenario's session, probe, desktop and Quorvo processes."""

    def __init__(self, session: WineSession, exe: Path, artifacts: Path,
                 version: str = ""):
        shutil.rmtree(artifacts, ignore_errors=True)
        self.version = version
        artifacts.mkdir(parents=True)
        self.session = session
        self.probe = Probe(session)
        self.desktop = Desktop(session, artifacts)
        self.quorvo = Quorvo(session, exe, artifacts)
        self.artifacts = artifacts
        self.shots = 0

    # ----------------------------------------------------------- set-up

    def clean_start(self) -> None:
        """No Quorvo running, no stored settings, the display at 96 DPI; the
        pointer parked."""
        state = self.probe.state()
        if state["screen"]["dpi"] != 96:
            log(f"the display was left at {state['screen']['dpi']} DPI")
            self.probe.set_dpi(96)
        for process in state["processes"]:
            log(f"ending a Quorvo.exe left from before (Windows pid "
                f"{process['pid']})")
            self.probe.kill(process["pid"])
        self.probe.require("no-process", 10, "no Quorvo.exe running")
        self.probe.reg_clear()
        check(not self.probe.reg_dump()["exists"],
              "the settings key is still there after deleting it")
        self.desktop.move(900, 700)

    def start(self, *args: str) -> dict:
        """Starts Quorvo.exe and waits for its window and for the first tick
        to have replaced the design-time caption."""
        self.quorvo.start(*args)
        self.probe.require("clock", WINDOW_TIMEOUT, "the clock window")
        _, state = self.probe.wait("text-not:Time", TICK_TIMEOUT)
        check(state["label"] is not None and state["label"]["text"] != "Time",
              f"the clock text was never set: {state['label']}")
        return state

    def screenshot(self, what: str, rect: dict | None = None) -> Path:
        self.shots += 1
        path = self.desktop.screenshot(f"{self.shots:02d}-{what}", rect)
        log(f"screenshot {path}")
        return path

    # ---------------------------------------------------------- reading

    def read(self) -> tuple[dict, dt.datetime, dt.datetime]:
        before = dt.datetime.now()
        state = self.probe.state()
        after = dt.datetime.now()
        check(state["clock"] is not None, "the clock window is gone")
        return state, before, after

    def text_matches(self, mode: str, seconds: bool, hour24: bool):
        """A poll predicate: the state when the clock text reads as mode,
        seconds and hour24 give, else False."""
        def predicate():
            state, before, after = self.read()
            text = state["label"]["text"]
            allowed = clock_texts.possible_texts(mode, before, after,
                                                 seconds, hour24)
            if text in allowed:
                return state
            self.last_mismatch = (text, sorted(allowed))
            return False
        return predicate

    def expect_text(self, mode: str, seconds: bool, hour24: bool,
                    timeout: float = TICK_TIMEOUT) -> dict:
        self.last_mismatch = None
        try:
            state = poll(self.text_matches(mode, seconds, hour24), timeout,
                         interval=0.1,
                         what=f"the clock text in mode {mode}, seconds="
                              f"{seconds}, 24-hour={hour24}")
        except E2EFailure as failure:
            raise E2EFailure(f"{failure}; text vs expected: "
                             f"{self.last_mismatch}") from None
        log(f"clock reads {state['label']['text']!r}")
        return state

    def ensure_tooltip_window(self) -> None:
        """The clock makes its tooltip the first time the pointer comes
        over it: rests the pointer on the label until the tooltip window
        exists, then moves it away again."""
        if self.probe.state()["tooltips"]:
            return
        rect = self.probe.state()["label"]["rect"]
        self.desktop.move(rect["left"] + 5, rect["top"] + 4)
        self.desktop.move(rect["left"] + 6, rect["top"] + 5)
        poll(lambda: bool(self.probe.state()["tooltips"]), TICK_TIMEOUT,
             interval=0.1, what="the tooltip window, with the pointer on "
                                "the clock")
        self.desktop.move(900, 700)

    def expect_tooltip(self, mode: str, hour24: bool) -> None:
        """The tooltip's text as mode and hour24 give (none at all for
        date and time)."""
        self.ensure_tooltip_window()
        state, before, after = self.read()
        texts = [tool["text"] for tip in state["tooltips"]
                 for tool in tip["tools"] if tool.get("text")]
        allowed = clock_texts.possible_tooltips(mode, before, after, hour24)
        if allowed == {""}:
            check(not texts, f"expected no tooltip, found {texts}")
        else:
            check(any(text in allowed for text in texts),
                  f"tooltip texts {texts} are not among {sorted(allowed)}")

    def tooltip_reads(self, mode: str, hour24: bool):
        """The state when the tooltip reads as mode and hour24 give, else
        False: a poll predicate."""
        state, before, after = self.read()
        allowed = clock_texts.possible_tooltips(mode, before, after, hour24)
        texts = [tool["text"] for tip in state["tooltips"]
                 for tool in tip["tools"] if tool.get("text")]
        return state if any(text in allowed for text in texts) else False

    def check_geometry(self, state: dict) -> None:
        """The window is 90 twips wider and 65 twips higher than its label,
        which sits 15 twips inside the client area's corner."""
        clock, label = state["clock"], state["label"]
        dpi = display_dpi(state)
        width_margin = pixels(90, dpi)
        height_margin = pixels(65, dpi)
        inset = pixels(15, dpi)
        rect, client, lrect = clock["rect"], clock["client"], label["rect"]
        check(rect["width"] - lrect["width"] in width_margin,
              f"window width {rect['width']} is not the label's "
              f"{lrect['width']} + {width_margin} px (90 twips)")
        check(rect["height"] - lrect["height"] in height_margin,
              f"window height {rect['height']} is not the label's "
              f"{lrect['height']} + {height_margin} px (65 twips)")
        check(lrect["left"] - client["left"] in inset and
              lrect["top"] - client["top"] in inset,
              f"label at {lrect} is not {inset} px (15 twips) inside the "
              f"client area {client}")
        check(lrect["right"] <= client["right"] and
              lrect["bottom"] <= client["bottom"],
              f"the label {lrect} does not fit the client area {client}")

    def stored(self) -> dict[str, tuple[str, object]]:
        dump = self.probe.reg_dump()
        return {name: (value["type"], value["data"])
                for name, value in dump["values"].items()}

    # ----------------------------------------------------------- acting

    @staticmethod
    def label_point(state: dict) -> tuple[int, int]:
        rect = state["label"]["rect"]
        return ((rect["left"] + rect["right"]) // 2,
                (rect["top"] + rect["bottom"]) // 2)

    @staticmethod
    def margin_point(state: dict) -> tuple[int, int]:
        """A point in the client area right of the label: the window's own
        surface, not the label."""
        label, client = state["label"]["rect"], state["clock"]["client"]
        check(client["right"] - label["right"] >= 2,
              f"no margin right of the label: label {label}, client {client}")
        return label["right"] + 1, (label["top"] + label["bottom"]) // 2

    def open_menu(self, how: str, where: str = "label") -> dict:
        """Opens the menu with a right click or a double-click on the label
        or on the window's margin, found afresh: the window's width follows
        the text."""
        current = self.probe.state()
        check(current["clock"] is not None, "the clock window is gone")
        at = (self.label_point(current) if where == "label"
              else self.margin_point(current))
        self.menu_point = at
        self.desktop.move(*at)
        if how == "right":
            self.desktop.click(3)
        elif how == "double":
            self.desktop.click(1, repeat=2, delay_ms=80)
        else:
            raise ValueError(how)
        state = self.probe.require("menu", MENU_TIMEOUT,
                                   f"the popup menu after a {how} click")
        log(f"menu open at {state['menus'][0]['rect']}")
        return state

    def choose(self, *keys: str) -> dict:
        """Presses keys in the open menu and waits for it to close."""
        self.desktop.key(*keys)
        return self.probe.require("no-menu", MENU_TIMEOUT,
                                  f"the menu to close after {keys}")

    def drag(self, start: tuple[int, int], travel: tuple[int, int]) -> dict:
        """A left-button drag from start by travel, in steps, waiting for
        the window to follow; returns the state after the release."""
        self.desktop.move(*start)
        self.desktop.down(1)
        try:
            self.probe.require("moving", MENU_TIMEOUT,
                               "the window move to start")
            steps = 4
            for step in range(1, steps + 1):
                self.desktop.move(start[0] + travel[0] * step // steps,
                                  start[1] + travel[1] * step // steps)
            target = {"x": start[0] + travel[0], "y": start[1] + travel[1]}
            poll(lambda: self.probe.state()["cursor"] == target, MENU_TIMEOUT,
                 what=f"the pointer to reach {target}")
        finally:
            self.desktop.up(1)
        return self.probe.require("not-moving", MENU_TIMEOUT,
                                  "the window move to end")

    def exit_by_menu(self, process) -> None:
        self.open_menu("right")
        self.desktop.key("x")
        self.quorvo.wait_exit(process, EXIT_TIMEOUT)

    def observe_quietly(self, predicate, what: str) -> None:
        """Checks that predicate holds throughout a short period: the way to
        see that something does not happen."""
        deadline = time.monotonic() + QUIET_PERIOD
        while True:
            state = self.probe.state()
            check(predicate(state), f"{what}: {state}")
            if time.monotonic() >= deadline:
                return

    def finish(self) -> None:
        self.quorvo.end_all()


def display_dpi(state: dict) -> int:
    """The DPI the clock lays itself out for: the system's, on the one
    screen there is. (Wine answers GetDpiForWindow for another process's
    window with 96 whatever the setting.)"""
    return state["screen"]["dpi"]


def pixels(twips_value: float, dpi: int) -> set[int]:
    """The whole pixels a length in twips may become: the nearest, or
    either neighbour when it lies exactly half-way."""
    exact = twips_value * dpi / 1440
    low = math.floor(exact)
    if exact - low == 0.5:
        return {low, low + 1}
    return {round(exact)}


def expect_position(state: dict, left_twips: float, top_twips: float) -> None:
    dpi = display_dpi(state)
    rect = state["clock"]["rect"]
    left, top = pixels(left_twips, dpi), pixels(top_twips, dpi)
    check(rect["left"] in left and rect["top"] in top,
          f"window at {rect['left']},{rect['top']}, expected {left},{top} "
          f"({left_twips},{top_twips} twips at {dpi} DPI)")


def position(state: dict) -> tuple[int, int]:
    """The window's top-left corner; its width follows the text."""
    rect = state["clock"]["rect"]
    return rect["left"], rect["top"]


def twips(pixel_count: int, dpi: int) -> float:
    return pixel_count * 1440 / dpi


def moved_by(before: dict, after: dict) -> tuple[int, int]:
    return (after["clock"]["rect"]["left"] - before["clock"]["rect"]["left"],
            after["clock"]["rect"]["top"] - before["clock"]["rect"]["top"])


# =============================================================== start-up

@scenario("e2e,startup")
def first_start_defaults(run: Run) -> None:
    """Empty store, no arguments: a window without title bar at the default
    place, showing the time without seconds in 12-hour form. (Its topmost
    standing is checked on its own.)"""
    run.clean_start()
    run.start()
    state, _, _ = run.read()
    clock = state["clock"]
    style, exstyle = clock["style"], clock["exstyle"]
    log(f"style {style:#010x} exstyle {exstyle:#010x} rect {clock['rect']} "
        f"dpi {display_dpi(state)} process {state['processes']}")
    check(style & WS_CAPTION != WS_CAPTION, "the window has a title bar")
    check(style & WS_POPUP, "the window is not a popup window")
    check(style & WS_BORDER, "the window has no border")
    check(not style & (WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX |
                       WS_THICKFRAME),
          f"system menu, buttons or a sizing frame in style {style:#x}")
    log(f"tool window: {bool(exstyle & WS_EX_TOOLWINDOW)}, topmost: "
        f"{bool(exstyle & WS_EX_TOPMOST)}")
    check(clock["text"] == "", f"the caption is {clock['text']!r}")
    check(display_dpi(state) == 96,
          f"the display runs at {display_dpi(state)} DPI")
    expect_position(state, DEFAULT_LEFT_TWIPS, DEFAULT_TOP_TWIPS)
    check((clock["rect"]["left"], clock["rect"]["top"]) == (362, -1),
          f"window at {clock['rect']}")
    state = run.expect_text("time", seconds=False, hour24=False)
    run.check_geometry(state)
    run.expect_tooltip("time", False)
    # Start-up reads the store but writes nothing back.
    check(not run.probe.reg_dump()["exists"],
          "start-up wrote to the settings store")
    shot = run.screenshot("clock", state["clock"]["rect"])
    check(run.desktop.distinct_colours(shot) >= 2,
          "the clock window shows a single colour: nothing drawn")


@scenario("e2e,startup")
def stays_on_top(run: Run) -> None:
    """Start-up puts the clock into the topmost band of windows, where it
    stays while it ticks (and its tooltip is set) and after a move."""
    run.clean_start()
    state = run.start("-timesec")
    check(state["clock"]["exstyle"] & WS_EX_TOPMOST,
          f"the clock is not topmost after start-up: exstyle "
          f"{state['clock']['exstyle']:#x}")
    run.expect_text("time", seconds=True, hour24=False)
    moved = run.drag(run.label_point(state), (30, 40))
    check(moved["clock"]["exstyle"] & WS_EX_TOPMOST,
          "the clock left the topmost band after a move")


@scenario("e2e,startup")
def layout_at_120_dpi(run: Run) -> None:
    """At 120 DPI the default place and the margins in twips come out in
    larger pixels: 5430 twips is 452.5 px, 90 twips 7.5 px, 65 twips about
    5 px."""
    run.clean_start()
    run.probe.set_dpi(120)
    try:
        state = run.start("-timesec")
        check(display_dpi(state) == 120,
              f"the display runs at {display_dpi(state)} DPI, not 120")
        expect_position(state, DEFAULT_LEFT_TWIPS, DEFAULT_TOP_TWIPS)
        state = run.expect_text("time", seconds=True, hour24=False)
        run.check_geometry(state)
        run.screenshot("clock-120-dpi", state["clock"]["rect"])
        moved = run.drag(run.label_point(state), (100, 100))
        process = run.quorvo.processes[-1]
        run.exit_by_menu(process)
        rect = moved["clock"]["rect"]
        stored = run.stored()
        log(f"stored Left {stored['Left']}, Top {stored['Top']} for a "
            f"window at {rect['left']},{rect['top']} px")
        # What was stored leads back to the same pixels.
        check(rect["left"] in pixels(float(stored["Left"][1]), 120) and
              rect["top"] in pixels(float(stored["Top"][1]), 120),
              f"stored {stored['Left']}, {stored['Top']} for a window at "
              f"{rect['left']},{rect['top']} px at 120 DPI")
        state = run.start()
        check(position(state) == (rect["left"], rect["top"]),
              f"restarted at {position(state)}, left at {rect}")
    finally:
        run.quorvo.end_all()
        run.probe.set_dpi(96)


@scenario("e2e,startup")
def seconds_tick(run: Run) -> None:
    """-timesec: the time with seconds, and the text follows the clock."""
    run.clean_start()
    run.start("-timesec")
    first = run.expect_text("time", seconds=True, hour24=False)
    run.check_geometry(first)
    first_text = first["label"]["text"]
    held, state = run.probe.wait("text-not:" + first_text, 3.0)
    check(held, f"the text stayed {first_text!r} for 3 s")
    log(f"text went from {first_text!r} to {state['label']['text']!r}")
    run.expect_text("time", seconds=True, hour24=False)
    # The window keeps fitting its label as the text changes.
    run.check_geometry(run.probe.state())


@scenario("e2e,switches")
def switch_date(run: Run) -> None:
    """-date: the long date, with the time (no seconds) as tooltip; a stored
    Just Time mode is not read."""
    run.clean_start()
    run.probe.reg_set([("JTime", "sz", "True"), ("Seconds", "sz", "True")])
    run.start("-date")
    state = run.expect_text("date", seconds=False, hour24=False)
    run.check_geometry(state)
    run.expect_tooltip("date", False)
    run.screenshot("date", state["clock"]["rect"])


@scenario("e2e,switches")
def switch_time(run: Run) -> None:
    """-time: the time without seconds even when the store says seconds."""
    run.clean_start()
    run.probe.reg_set([("JDate", "sz", "True"), ("Seconds", "sz", "True")])
    run.start("-time")
    state = run.expect_text("time", seconds=False, hour24=False)
    run.check_geometry(state)


@scenario("e2e,switches")
def switch_timedate(run: Run) -> None:
    """-timedate: the time, exactly two blanks, the long date; no tooltip."""
    run.clean_start()
    run.start("-timedate")
    state = run.expect_text("datetime", seconds=False, hour24=False)
    text = state["label"]["text"]
    check("  " in text and "   " not in text,
          f"{text!r} does not join time and date with exactly two blanks")
    run.check_geometry(state)
    run.expect_tooltip("datetime", False)
    run.screenshot("timedate", state["clock"]["rect"])


@scenario("e2e,switches")
def switch_timedatesec(run: Run) -> None:
    """-timedatesec: the time with seconds, two blanks, the long date."""
    run.clean_start()
    run.start("-timedatesec")
    state = run.expect_text("datetime", seconds=True, hour24=False)
    run.check_geometry(state)


@scenario("e2e,switches")
def switch_keeps_stored_position_and_24_hour(run: Run) -> None:
    """A switch leaves the stored position and 24-hour option in force."""
    run.clean_start()
    run.probe.reg_set([("Left", "sz", "1500"), ("Top", "sz", "3000"),
                       ("24 Hour", "sz", "True"), ("JDate", "sz", "True")])
    state = run.start("-timesec")
    expect_position(state, 1500, 3000)
    run.expect_text("time", seconds=True, hour24=True)


@scenario("e2e,switches,menu")
def switch_noadjust(run: Run) -> None:
    """-noadjust: the time with seconds, and the menu has no Adjust
    Date/Time item and no separator above it: its access key does nothing
    and four steps up from the bottom reach Seconds."""
    run.clean_start()
    run.start("-noadjust")
    run.expect_text("time", seconds=True, hour24=False)
    # "a" matches no item, so the menu stays open and "s" then chooses
    # Seconds, which turns the seconds off.
    run.open_menu("right")
    run.screenshot("menu-noadjust")
    run.choose("a", "s")
    run.expect_text("time", seconds=False, hour24=False)
    # Up from the bottom: Exit, About, 24 hour time, then Seconds at once
    # (the Adjust item and its separator are gone): seconds come back.
    run.open_menu("right")
    run.choose("Up", "Up", "Up", "Up", "Return")
    run.expect_text("time", seconds=True, hour24=False)


@scenario("e2e,switches")
def switch_unknown_letter_case(run: Run) -> None:
    """"-DATE" is no switch: design-time display, the time with seconds,
    while the stored options are not read."""
    run.clean_start()
    run.probe.reg_set([("JDate", "sz", "True"), ("JTime", "sz", "False"),
                       ("Seconds", "sz", "False")])
    run.start("-DATE")
    run.expect_text("time", seconds=True, hour24=False)


@scenario("e2e,switches,menu")
def switch_two_switches(run: Run) -> None:
    """"-date -noadjust" matches no switch: the time with seconds, and the
    Adjust item stays, so five steps up from the bottom reach Seconds."""
    run.clean_start()
    run.start("-date", "-noadjust")
    run.expect_text("time", seconds=True, hour24=False)
    run.open_menu("right")
    # Exit, About, 24 hour time, Adjust Date/Time, Seconds.
    run.choose("Up", "Up", "Up", "Up", "Up", "Return")
    run.expect_text("time", seconds=False, hour24=False)


# ================================================================= mouse

def _drag_check(run: Run, where: str) -> None:
    run.clean_start()
    state = run.start("-timesec")
    start = run.label_point(state) if where == "label" else \
        run.margin_point(state)
    travel = (137, 211)
    after = run.drag(start, travel)
    check(moved_by(state, after) == travel,
          f"a drag on the {where} by {travel} moved the window by "
          f"{moved_by(state, after)}")
    check(after["cursor"]["x"] == start[0] + travel[0] and
          after["cursor"]["y"] == start[1] + travel[1],
          f"the pointer ended at {after['cursor']}")
    # And back up by a different travel, to rule out a fixed jump.
    second = run.drag((start[0] + travel[0], start[1] + travel[1]),
                      (-61, -97))
    check(moved_by(after, second) == (-61, -97),
          f"the second drag moved the window by {moved_by(after, second)}")
    check(second["menus"] == [], "a drag opened the menu")
    run.expect_text("time", seconds=True, hour24=False)
    run.screenshot(f"dragged-by-{where}", second["clock"]["rect"])


@scenario("e2e,mouse")
def drag_by_label(run: Run) -> None:
    """A left drag on the label moves the window by the pointer's travel."""
    _drag_check(run, "label")


@scenario("e2e,mouse")
def drag_by_window_margin(run: Run) -> None:
    """A left drag on the window's own surface beside the label moves the
    window the same way."""
    _drag_check(run, "margin")


@scenario("e2e,mouse")
def middle_click_does_nothing(run: Run) -> None:
    run.clean_start()
    state = run.start("-timesec")
    point = run.label_point(state)
    run.desktop.move(*point)
    run.desktop.click(2)
    run.observe_quietly(
        lambda s: s["menus"] == [] and s["dialogs"] == [] and
        s["clock"] is not None and
        position(s) == position(state),
        "a middle click changed something")
    run.expect_text("time", seconds=True, hour24=False)


# ================================================================== menu

def _menu_visible_on_screen(run: Run, before_x: list[dict],
                            menu_rect: dict) -> None:
    """The X server shows a new override-redirect window where the probe
    says the menu is."""
    known = {w["id"] for w in before_x}
    new = [w for w in run.desktop.viewable_windows() if w["id"] not in known]
    check(any(w["override_redirect"] and w["x"] == menu_rect["left"] and
              w["y"] == menu_rect["top"] and
              w["width"] == menu_rect["width"] and
              w["height"] == menu_rect["height"] for w in new),
          f"no new override-redirect X window at the menu's place "
          f"{menu_rect}; new windows: {new}")
    shot = run.screenshot("menu", menu_rect)
    check(run.desktop.distinct_colours(shot) >= 2,
          "the menu's area shows a single colour")


@scenario("e2e,menu")
def right_click_menu_just_date_by_key(run: Run) -> None:
    """A right click opens the menu at the pointer; "d" chooses Just Date,
    which shows at the next tick, with the time as tooltip."""
    run.clean_start()
    state = run.start()
    # On the window's own surface beside the label as well as on the label.
    run.open_menu("right", "margin")
    run.choose("Escape")
    before_x = run.desktop.viewable_windows()
    menu_state = run.open_menu("right")
    point = run.menu_point
    menu_rect = menu_state["menus"][0]["rect"]
    check(abs(menu_rect["left"] - point[0]) <= 2 and
          abs(menu_rect["top"] - point[1]) <= 2,
          f"the menu at {menu_rect} did not open at the pointer {point}")
    _menu_visible_on_screen(run, before_x, menu_rect)
    run.choose("d")
    state = run.expect_text("date", seconds=False, hour24=False)
    run.check_geometry(state)
    run.expect_tooltip("date", False)
    check(not run.probe.reg_dump()["exists"],
          "a menu choice wrote to the settings store")


@scenario("e2e,menu")
def double_click_menu_just_date_by_click(run: Run) -> None:
    """A double-click opens the menu; a click on its first item, Just Date,
    shows the date at the next tick."""
    run.clean_start()
    state = run.start()
    menu_state = run.open_menu("double")
    # The window must not have moved: the press before the double-click
    # started a move of no distance.
    check(position(menu_state) == position(state),
          "the double-click moved the window")
    menu = menu_state["menus"][0]["rect"]
    # The first item's row starts a few pixels below the menu's top edge.
    run.desktop.move(menu["left"] + menu["width"] // 2, menu["top"] + 9)
    run.screenshot("menu-first-item-hovered", menu)
    run.desktop.click(1)
    run.probe.require("no-menu", MENU_TIMEOUT, "the menu to close")
    run.expect_text("date", seconds=False, hour24=False)


@scenario("e2e,menu")
def menu_date_and_time(run: Run) -> None:
    """"e" chooses Date & Time: time, two blanks, date; then "s" turns on
    seconds and "t" goes back to just the time, seconds kept."""
    run.clean_start()
    state = run.start()
    run.open_menu("right")
    run.choose("e")
    state = run.expect_text("datetime", seconds=False, hour24=False)
    run.check_geometry(state)
    run.expect_tooltip("datetime", False)
    run.open_menu("right")
    run.choose("s")
    run.expect_text("datetime", seconds=True, hour24=False)
    run.open_menu("right")
    run.choose("t")
    state = run.expect_text("time", seconds=True, hour24=False)
    run.check_geometry(state)


@scenario("e2e,menu")
def menu_24_hour(run: Run) -> None:
    """24 hour time (no access key: three steps up from the bottom) toggles
    the form: hours 0-23, minutes without a leading zero; again gives the
    12-hour form back."""
    run.clean_start()
    state = run.start()
    run.open_menu("right")
    run.choose("Up", "Up", "Up", "Return")
    run.expect_text("time", seconds=False, hour24=True)
    run.open_menu("right")
    run.choose("s")
    run.expect_text("time", seconds=True, hour24=True)
    # In just-date mode the tooltip takes the 24-hour form too.
    run.open_menu("right")
    run.choose("d")
    run.expect_text("date", seconds=False, hour24=True)
    run.expect_tooltip("date", True)
    run.open_menu("right")
    run.choose("Up", "Up", "Up", "Return")
    poll(lambda: run.tooltip_reads("date", hour24=False), TICK_TIMEOUT,
         interval=0.1, what="the 12-hour time as tooltip")


def _hover_label(run: Run) -> None:
    """Moves the pointer off the clock, then rests it on the label."""
    run.desktop.move(900, 700)
    state = run.probe.state()
    rect = state["label"]["rect"]
    run.desktop.move(rect["left"] + 5, rect["top"] + 4)
    run.desktop.move(rect["left"] + 6, rect["top"] + 5)


def _shown_tooltip(run: Run):
    """A poll predicate: the visible tooltip window's text, else False."""
    shown = [tip for tip in run.probe.state()["tooltips"] if tip["visible"]]
    return shown[0] if shown else False


@scenario("e2e,menu")
def tooltip_on_hover(run: Run) -> None:
    """Resting the pointer on the clock shows the long date in just-time
    mode and the time in just-date mode; date-and-time mode shows none."""
    run.clean_start()
    run.start()
    _hover_label(run)
    before = dt.datetime.now()
    tip = poll(lambda: _shown_tooltip(run), TICK_TIMEOUT, interval=0.1,
               what="a tooltip over the label")
    after = dt.datetime.now()
    run.screenshot("tooltip-date", {
        "left": tip["rect"]["left"] - 40, "top": 0,
        "right": tip["rect"]["right"] + 10, "bottom": tip["rect"]["bottom"]})
    check(tip["text"] in clock_texts.possible_tooltips(
        "time", before, after, False), f"the tooltip shows {tip['text']!r}")
    run.open_menu("right")
    run.choose("d")
    run.expect_text("date", seconds=False, hour24=False)
    _hover_label(run)
    before = dt.datetime.now()
    tip = poll(lambda: (lambda t: t if t and ":" in t["text"] else False)(
        _shown_tooltip(run)), TICK_TIMEOUT, interval=0.1,
        what="the time as tooltip over the label")
    after = dt.datetime.now()
    check(tip["text"] in clock_texts.possible_tooltips(
        "date", before, after, False), f"the tooltip shows {tip['text']!r}")
    run.open_menu("right")
    run.choose("e")
    run.expect_text("datetime", seconds=False, hour24=False)
    _hover_label(run)
    run.observe_quietly(
        lambda s: not any(tip["visible"] for tip in s["tooltips"]),
        "a tooltip showed in date-and-time mode")


@scenario("e2e,menu,switches")
def hidden_seconds_item_keeps_its_mark(run: Run) -> None:
    """-date hides the Seconds item but keeps its design-time mark: its key
    does nothing then, and Just Time shows the time with seconds. Just Date
    chosen from the menu hides the item again, mark kept."""
    run.clean_start()
    run.start("-date")
    run.expect_text("date", seconds=False, hour24=False)
    # "s" matches no visible item, so the menu stays open for "t".
    run.open_menu("right")
    run.choose("s", "t")
    run.expect_text("time", seconds=True, hour24=False)
    run.open_menu("right")
    run.choose("d")
    run.expect_text("date", seconds=False, hour24=False)
    run.open_menu("right")
    run.choose("s", "e")
    run.expect_text("datetime", seconds=True, hour24=False)


@scenario("e2e,menu")
def menu_escape_changes_nothing(run: Run) -> None:
    run.clean_start()
    state = run.start("-timesec")
    run.open_menu("right")
    run.choose("Escape")
    run.observe_quietly(
        lambda s: s["menus"] == [] and s["dialogs"] == [] and
        position(s) == position(state),
        "Escape left a menu or dialog open, or moved the window")
    run.expect_text("time", seconds=True, hour24=False)
    check(not run.probe.reg_dump()["exists"], "Escape wrote settings")
    check(len(run.probe.state()["processes"]) == 1, "the clock ended")


# ============================================================= instances

@scenario("e2e,startup,settings")
def second_instance_ends_at_once(run: Run) -> None:
    """A second start ends at once, shows no window and leaves the store
    as it was; the first clock keeps running."""
    run.clean_start()
    seeded = [("Left", "sz", "3000"), ("Top", "sz", "1500"),
              ("JTime", "sz", "True"), ("DateTime", "sz", "False"),
              ("Seconds", "sz", "True"), ("JDate", "sz", "False"),
              ("24 Hour", "sz", "False")]
    run.probe.reg_set(seeded)
    before_store = run.stored()
    run.start()
    first = run.quorvo.processes[-1]
    first_state = run.expect_text("time", seconds=True, hour24=False)
    started = time.monotonic()
    second = run.quorvo.start("-date")
    run.quorvo.wait_exit(second, SECOND_INSTANCE_TIMEOUT)
    log(f"the second instance ended after {time.monotonic() - started:.1f}s"
        f" with code {second.returncode}")
    state = run.probe.state()
    clocks = [w for w in state["windows"]
              if w["visible"] and w["class"] not in ("IME",)]
    check(len(state["processes"]) == 1,
          f"Quorvo processes now: {state['processes']}")
    check(len(clocks) == 1, f"visible Quorvo windows: {clocks}")
    check(first.poll() is None, "the first instance ended")
    check(run.stored() == before_store,
          f"the store changed: {before_store} -> {run.stored()}")
    check(position(state) == position(first_state),
          "the first clock moved")
    run.expect_text("time", seconds=True, hour24=False)
    held, _ = run.probe.wait("text-not:" + state["label"]["text"], 3.0)
    check(held, "the first clock stopped ticking")


# ============================================================== settings

def _expect_all_seven(run: Run, expected: dict[str, str]) -> None:
    stored = run.stored()
    check(set(stored) == set(SETTING_NAMES),
          f"stored keys {sorted(stored)} are not the seven "
          f"{sorted(SETTING_NAMES)}")
    for name in SETTING_NAMES:
        check(stored[name][0] == "REG_SZ",
              f"{name} is stored as {stored[name][0]}")
    got = {name: stored[name][1] for name in SETTING_NAMES}
    check(got == expected, f"stored {got}, expected {expected}")


@scenario("e2e,settings,commands")
def exit_saves_and_next_start_restores(run: Run) -> None:
    """Date & Time with 24-hour time and the window dragged: Exit ("x")
    writes all seven keys, and the next start without arguments shows the
    same place and options."""
    run.clean_start()
    state = run.start()
    run.open_menu("right")
    run.choose("e")
    run.open_menu("right")
    run.choose("Up", "Up", "Up", "Return")
    state = run.expect_text("datetime", seconds=False, hour24=True)
    moved = run.drag(run.label_point(state), (-200, 300))
    rect = moved["clock"]["rect"]
    dpi = display_dpi(moved)
    process = run.quorvo.processes[-1]
    run.exit_by_menu(process)
    run.probe.require("no-process", EXIT_TIMEOUT, "Quorvo to end")
    expected = {"Left": f"{twips(rect['left'], dpi):g}",
                "Top": f"{twips(rect['top'], dpi):g}",
                "JTime": "False", "DateTime": "True", "Seconds": "False",
                "JDate": "False", "24 Hour": "True"}
    _expect_all_seven(run, expected)
    # reg.exe reads the same store independently.
    listed = wine_reg_query(run.session)
    check({name: data for name, (_, data) in listed.items()} == expected,
          f"reg query lists {listed}")
    state = run.start()
    check(state["clock"]["rect"]["left"] == rect["left"] and
          state["clock"]["rect"]["top"] == rect["top"],
          f"restarted at {state['clock']['rect']}, left at {rect}")
    run.expect_text("datetime", seconds=False, hour24=True)


@scenario("e2e,settings")
def close_message_saves(run: Run) -> None:
    """A close asked for by another program (WM_CLOSE) saves all seven
    keys and ends the clock."""
    run.clean_start()
    state = run.start("-date")
    process = run.quorvo.processes[-1]
    run.probe.close()
    run.quorvo.wait_exit(process, EXIT_TIMEOUT)
    # -date leaves Date & Time unchecked and Seconds checked, as designed.
    _expect_all_seven(run, {
        "Left": "5430", "Top": "-15", "JTime": "False", "DateTime": "False",
        "Seconds": "True", "JDate": "True", "24 Hour": "False"})
    del state


@scenario("e2e,settings")
def alt_f4_saves(run: Run) -> None:
    """Alt+F4 on the clock closes it through the system and saves."""
    run.clean_start()
    state = run.start("-noadjust")
    process = run.quorvo.processes[-1]
    # A click on the clock gives it the keyboard (a press of no distance
    # is a move of no distance).
    run.desktop.move(*run.label_point(state))
    run.desktop.click(1)
    run.probe.require("not-moving", MENU_TIMEOUT, "the click to end")
    run.desktop.key("alt+F4")
    run.quorvo.wait_exit(process, EXIT_TIMEOUT)
    _expect_all_seven(run, {
        "Left": "5430", "Top": "-15", "JTime": "True", "DateTime": "False",
        "Seconds": "True", "JDate": "False", "24 Hour": "False"})


@scenario("e2e,settings,commands")
def partly_above_top_edge_comes_back(run: Run) -> None:
    """A window dragged partly above the screen's top edge is stored with a
    negative Top and comes back to the same place."""
    run.clean_start()
    state = run.start("-timesec")
    point = run.label_point(state)
    # Down first, then up past the top edge by more than the window's
    # height above the pointer.
    moved = run.drag(point, (0, 300))
    point = (point[0], point[1] + 300)
    moved = run.drag(point, (-40, -(point[1] - 2)))
    rect = moved["clock"]["rect"]
    check(rect["top"] < 0, f"the window did not go above the edge: {rect}")
    process = run.quorvo.processes[-1]
    run.exit_by_menu(process)
    stored = run.stored()
    check(float(stored["Top"][1]) == twips(rect["top"], 96),
          f"stored Top {stored['Top']} for a window at {rect['top']} px")
    state = run.start()
    check((state["clock"]["rect"]["left"], state["clock"]["rect"]["top"]) ==
          (rect["left"], rect["top"]),
          f"restarted at {state['clock']['rect']}, left at {rect}")


@scenario("e2e,settings")
def session_end_saves(run: Run) -> None:
    """The end of the Windows session (wineboot --end-session) saves."""
    run.clean_start()
    state = run.start("-timedatesec")
    moved = run.drag(run.label_point(state), (50, 60))
    rect = moved["clock"]["rect"]
    process = run.quorvo.processes[-1]
    result = run.session.run(["wineboot", "--end-session"], name="wineboot")
    log(f"wineboot --end-session returned {result.returncode}")
    poll(lambda: "Left" in run.stored(), EXIT_TIMEOUT,
         what="the settings to be written")
    _expect_all_seven(run, {
        "Left": f"{twips(rect['left'], 96):g}",
        "Top": f"{twips(rect['top'], 96):g}",
        "JTime": "False", "DateTime": "True", "Seconds": "True",
        "JDate": "False", "24 Hour": "False"})
    try:
        run.quorvo.wait_exit(process, EXIT_TIMEOUT)
        log("Quorvo ended with the session")
    except E2EFailure:
        log("Quorvo still runs after the session end; it is ended by PID")


CORRUPT_CASES = [
    ("letters", "sz", "abc"),
    ("empty", "sz", ""),
    ("overflow", "sz", "1e39"),
    ("long text", "sz-repeat", "5000:9"),
    ("dword", "dword", "1"),
]


@scenario("e2e,settings", timeout=240)
def corrupt_values_give_defaults(run: Run) -> None:
    """Each unusable stored value, in every key at once, starts the clock
    with the defaults: default place, just the time, no seconds, 12-hour."""
    for what, kind, data in CORRUPT_CASES:
        log(f"case: {what}")
        run.clean_start()
        run.probe.reg_set([(name, kind, data) for name in SETTING_NAMES])
        state = run.start()
        expect_position(state, DEFAULT_LEFT_TWIPS, DEFAULT_TOP_TWIPS)
        run.expect_text("time", seconds=False, hour24=False)
        run.quorvo.end_all()
        run.probe.require("no-process", EXIT_TIMEOUT, "Quorvo to end")


@scenario("e2e,settings", timeout=180)
def off_screen_position_comes_back(run: Run) -> None:
    """A stored place on no screen at all starts at the default place."""
    for left, top in (("999999", "-15"), ("5430", "999999"),
                      ("-999999", "-999999")):
        log(f"case: Left={left} Top={top}")
        run.clean_start()
        run.probe.reg_set([("Left", "sz", left), ("Top", "sz", top)])
        state = run.start()
        expect_position(state, DEFAULT_LEFT_TWIPS, DEFAULT_TOP_TWIPS)
        run.quorvo.end_all()
        run.probe.require("no-process", EXIT_TIMEOUT, "Quorvo to end")


# ========================================================== reachability

SCREEN = {"left": 0, "top": 0, "right": SCREEN_WIDTH, "bottom": SCREEN_HEIGHT}


def text_whole_on_screen(state: dict) -> bool:
    label = state["label"]["rect"]
    return (label["left"] >= SCREEN["left"] and
            label["top"] >= SCREEN["top"] and
            label["right"] <= SCREEN["right"] and
            label["bottom"] <= SCREEN["bottom"])


def text_share_on_screen(state: dict) -> float:
    label = state["label"]["rect"]
    width = (min(label["right"], SCREEN["right"]) -
             max(label["left"], SCREEN["left"]))
    height = (min(label["bottom"], SCREEN["bottom"]) -
              max(label["top"], SCREEN["top"]))
    return (max(width, 0) * max(height, 0) /
            (label["width"] * label["height"]))


@scenario("e2e,settings,reach", timeout=300)
def stored_slivers_start_whole(run: Run) -> None:
    """A stored place that leaves only a sliver of the clock on screen, at
    any edge, starts with the whole text on screen; a place that shows the
    clock whole, or partly above the top edge like the default, starts
    exactly there."""
    cases = [  # name, Left px, Top px, kept exactly
        ("sliver at the right edge", 1278, 0, False),
        ("sliver at the left edge", -28, 500, False),
        ("sliver at the bottom edge", 600, 1022, False),
        ("sliver above the top edge", 600, -19, False),
        ("whole on screen", 400, 300, True),
        ("partly above the top edge", 600, -6, True),
    ]
    for name, left, top, kept in cases:
        log(f"case: {name} ({left}, {top})")
        run.clean_start()
        run.probe.reg_set([("Left", "sz", str(left * 15)),
                           ("Top", "sz", str(top * 15))])
        state = run.start()
        rect = state["clock"]["rect"]
        if kept:
            check((rect["left"], rect["top"]) == (left, top),
                  f"{name}: started at {rect}, stored at {left},{top}")
        else:
            check(text_whole_on_screen(state),
                  f"{name}: the text is not whole on screen: "
                  f"{state['label']['rect']}")
        run.quorvo.end_all()
        run.probe.require("no-process", EXIT_TIMEOUT, "Quorvo to end")


@scenario("e2e,reach", timeout=180)
def off_screen_clock_comes_back_on_display_change(run: Run) -> None:
    """A clock taken off every screen while it runs (moved by another
    program, or a resolution lowered under it) comes back whole when the
    display change is announced; without the announcement it stays."""
    run.clean_start()
    run.start("-timesec")
    run.probe.move(3000, 2500)
    moved = run.probe.state()
    check(moved["clock"]["rect"]["left"] == 3000,
          f"the clock was not moved away: {moved['clock']['rect']}")
    run.observe_quietly(lambda s: s["clock"]["rect"]["left"] == 3000,
                        "the clock moved by itself")
    modes = run.probe.modes()
    current = modes["current"]
    smaller = [m for m in modes["modes"] if m["width"] < current["width"]]
    lowered = bool(smaller) and run.probe.set_mode(smaller[0]["width"],
                                                   smaller[0]["height"])
    if lowered:
        log(f"the resolution was lowered to {smaller[0]}")
    else:
        log(f"the display offers no smaller mode it takes "
            f"({modes['modes']}); the display change is announced to the "
            f"clock directly")
        run.probe.display_change()
    screen = run.probe.state()["screen"]
    back = poll(lambda: (lambda s: s if text_whole_on_screen(s) else False)(
        run.probe.state()), TICK_TIMEOUT, what="the clock to come back")
    run.screenshot("back-on-screen", back["clock"]["rect"])
    label = back["label"]["rect"]
    check(label["right"] == screen["width"] and
          label["bottom"] == screen["height"],
          f"moved further than needed: text at {label} on {screen}")
    if lowered:
        run.probe.set_mode(current["width"], current["height"])
    run.expect_text("time", seconds=True, hour24=False)


@scenario("e2e,reach", timeout=180)
def docked_right_keeps_its_edge(run: Run) -> None:
    """A clock at the screen's right edge switched to Date & Time grows to
    the left and keeps its right edge; one 80 pixels from the edge keeps at
    least half its text on screen."""
    for gap in (0, 80):
        log(f"case: {gap} pixels from the right edge")
        run.clean_start()
        state = run.start()
        width = state["clock"]["rect"]["width"]
        run.probe.move(SCREEN["right"] - width - gap, 200)
        state = run.probe.state()
        check(state["clock"]["rect"]["right"] == SCREEN["right"] - gap,
              f"the clock's right edge is at {state['clock']['rect']}")
        run.open_menu("right")
        run.choose("e")
        state = run.expect_text("datetime", seconds=False, hour24=False)
        rect = state["clock"]["rect"]
        run.screenshot(f"date-and-time-{gap}", rect)
        check(rect["width"] > width + 50, f"the clock did not grow: {rect}")
        if gap == 0:
            check(rect["right"] == SCREEN["right"],
                  f"the docked clock's right edge moved: {rect}")
            check(text_whole_on_screen(state),
                  f"text cut off: {state['label']['rect']}")
        else:
            check(text_share_on_screen(state) >= 0.5,
                  f"less than half the text on screen: "
                  f"{state['label']['rect']}")
        run.quorvo.end_all()
        run.probe.require("no-process", EXIT_TIMEOUT, "Quorvo to end")


@scenario("e2e,menu,reach")
def keyboard_opens_the_menu(run: Run) -> None:
    """On the clock that has the keyboard (after a click), Shift+F10 and the
    Menu key open the options menu below the clock, and the keyboard
    chooses from it."""
    run.clean_start()
    state = run.start()
    for keys, access, mode in (("shift+F10", "d", "date"),
                               ("Menu", "t", "time")):
        log(f"case: {keys}")
        run.desktop.move(*run.label_point(state))
        run.desktop.click(1)
        run.probe.require("not-moving", MENU_TIMEOUT, "the click to end")
        poll(lambda: (lambda s: s["foreground"]["hwnd"] ==
                      s["clock"]["hwnd"])(run.probe.state()), MENU_TIMEOUT,
             what="the clicked clock to have the keyboard")
        # The pointer stays on the clock: the virtual display has no window
        # manager, so X gives the keys to the window under the pointer. It
        # is not where the menu opens from the keyboard.
        run.desktop.key(keys)
        opened = run.probe.require("menu", MENU_TIMEOUT,
                                   f"the menu after {keys}")
        menu = opened["menus"][0]["rect"]
        clock = opened["clock"]["rect"]
        run.screenshot(f"menu-by-{keys}", menu)
        check(abs(menu["left"] - clock["left"]) <= 2 and
              abs(menu["top"] - clock["bottom"]) <= 2,
              f"the menu at {menu} is not below the clock {clock}")
        run.choose(access)
        state = run.expect_text(mode, seconds=False, hour24=False)


@scenario("e2e,startup,reach")
def start_right_after_exit(run: Run) -> None:
    """A start 0.3 s after Exit gets a clock, although the closing one may
    still be taking its window down; it is not a second instance."""
    run.clean_start()
    run.start()
    first = run.quorvo.processes[-1]
    run.open_menu("right")
    run.desktop.key("x")
    time.sleep(0.3)
    second = run.quorvo.start()
    run.quorvo.wait_exit(first, EXIT_TIMEOUT)
    state = run.probe.require("clock", WINDOW_TIMEOUT, "the new clock")
    check(second.poll() is None,
          f"the new start ended with {second.returncode}: taken for a "
          f"second instance")
    check(len(state["processes"]) == 1,
          f"Quorvo processes now: {state['processes']}")
    run.expect_text("time", seconds=False, hour24=False)


@scenario("e2e,commands")
def about_box(run: Run) -> None:
    """About (two steps up from the bottom) shows a message box with the
    title, the five-line text, an information icon and one OK button; the
    clock ticks on meanwhile and after Enter closes it."""
    run.clean_start()
    state = run.start("-timesec")
    run.open_menu("right")
    run.desktop.key("Up", "Up", "Return")
    state = run.probe.require("dialog", MENU_TIMEOUT, "the About box")
    dialog = state["dialogs"][0]
    run.screenshot("about", dialog["rect"])
    check(dialog["text"] == ABOUT_TITLE, f"title {dialog['text']!r}")
    check(bool(run.version), "no --version given to check the About text")
    about = ABOUT_TEXT.format(version=run.version)
    check(dialog["message"] == about,
          f"About text {dialog['message']!r}, expected {about!r}")
    # Five lines, an empty line between each two of lines 2 to 5.
    lines = dialog["message"].split("\r\n")
    check(len(lines) == 8 and lines[2] == lines[4] == lines[6] == "" and
          all(lines[i] for i in (0, 1, 3, 5, 7)),
          f"About lines {lines}")
    check(dialog["has_icon"], "the About box has no icon")
    check([b["text"] for b in dialog["buttons"]] == ["OK"],
          f"About buttons {dialog['buttons']}")
    held, _ = run.probe.wait("text-not:" + state["label"]["text"], 3.0)
    check(held, "the clock stopped ticking while About was open")
    run.desktop.key("Return")
    run.probe.require("no-dialog", MENU_TIMEOUT, "the About box to close")
    state = run.expect_text("time", seconds=True, hour24=False)
    held, _ = run.probe.wait("text-not:" + state["label"]["text"], 3.0)
    check(held, "the clock stopped ticking after About")


@scenario("e2e,commands")
def adjust_keeps_clock_running(run: Run) -> None:
    """Adjust Date/Time ("a") starts the system's settings and the clock
    goes on, whether or not they can be shown."""
    run.clean_start()
    state = run.start("-timesec")
    run.open_menu("right")
    # The settings program may be gone again quickly when the system has
    # no date/time panel, so the watch for it begins before the choice.
    watch = Probe(run.session, "rundll32.exe").watch("process", 10)
    run.choose("a")
    started, seen = watch.result()
    check(started, "no rundll32.exe was started by Adjust Date/Time")
    log(f"the settings program ran: {seen['processes']}")
    state = run.expect_text("time", seconds=True, hour24=False)
    held, _ = run.probe.wait("text-not:" + state["label"]["text"], 3.0)
    check(held, "the clock stopped ticking after Adjust Date/Time")
    check(len(run.probe.state()["processes"]) == 1, "the clock ended")
    run.screenshot("after-adjust")


# ================================================================ runner

def run_scenarios(names: list[str], args) -> int:
    session = None
    if args.state_file:
        session = WineSession.load(Path(args.state_file))
        if session is None:
            log(f"no live shared session in {args.state_file}; "
                "starting a private one")
    work_root = Path(args.work_dir)
    if session is None:
        session = WineSession.start(work_root / "wineprefix",
                                    work_root / "private-session",
                                    Path(args.probe))
    failed: set[str] = set()
    try:
        for name in names:
            function = SCENARIOS[name][0]
            artifacts = work_root / "artifacts" / name
            run = Run(session, Path(args.exe), artifacts, args.version)
            started = time.monotonic()
            log(f"=== {name}")
            try:
                function(run)
                log(f"PASS {name} ({time.monotonic() - started:.1f}s)")
            except Exception as error:  # report every failure the same way
                failed.add(name)
                with open(artifacts / "failure.txt", "w") as report:
                    traceback.print_exc(file=report)
                log(f"FAIL {name}: {error}")
                traceback.print_exc(file=sys.stdout)
                try:
                    run.screenshot("at-failure")
                except Exception as shot_error:  # best effort only
                    log(f"no screenshot: {shot_error}")
            finally:
                run.finish()
            # Nothing of the scenario may outlive it.
            held, state = run.probe.wait("no-process", EXIT_TIMEOUT)
            if not held:
                failed.add(name)
                log(f"FAIL {name}: Quorvo.exe still runs after the scenario: "
                    f"{state['processes']}")
    finally:
        if session.owned:
            left = session.stop()
            if left:
                log(f"processes of the prefix still alive: {left}")
                failed.add("(session)")
    print(f"{len(set(names) - failed)} passed, {len(failed)} failed")
    return 1 if failed else 0


def main() -> int:
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--exe")
    parser.add_argument("--probe")
    parser.add_argument("--work-dir")
    parser.add_argument("--state-file")
    parser.add_argument("--version", default="",
                        help="the version the About box shows, e.g. 1.62")
    parser.add_argument("--list", action="store_true")
    parser.add_argument("names", nargs="*")
    args = parser.parse_args()
    if args.list:
        for name, (_, labels, timeout) in SCENARIOS.items():
            print(f"{name}|{labels}|{timeout}")
        return 0
    unknown = [n for n in args.names if n not in SCENARIOS]
    if unknown or not args.names:
        parser.error(f"unknown scenarios {unknown}; known: {list(SCENARIOS)}")
    for path, what in ((args.exe, "--exe"), (args.probe, "--probe")):
        if not path or not Path(path).is_file():
            print(f"{what} {path}: no such file (is the Windows build "
                  f"done?)", file=sys.stderr)
            return 1
    return run_scenarios(args.names, args)


if __name__ == "__main__":
    sys.exit(main())
