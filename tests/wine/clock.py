"""The clock as a person meets it under Wine, in a session of session.py:
Quorvo.exe started and ended by PID, the mouse and keyboard (xdotool), and
what can be seen of it through the probe, the X server and screenshots."""

from __future__ import annotations

import contextlib
import datetime as dt
import json
import math
import re
import shutil
import subprocess
import time
from dataclasses import dataclass
from pathlib import Path

import clock_texts
from session import (WINE_COMMAND_TIMEOUT, E2EFailure, WineSession, check,
                     end_pid, log, poll)

TWIPS_PER_INCH = 1440
# What a probe says when its process came up without the window system.
NO_SCREEN = '{"no_screen":true}'

# Window styles, as the probe reports them.
WS_POPUP = 0x80000000
WS_CAPTION = 0x00C00000
WS_BORDER = 0x00800000
WS_SYSMENU = 0x00080000
WS_THICKFRAME = 0x00040000
WS_MINIMIZEBOX = 0x00020000
WS_MAXIMIZEBOX = 0x00010000
WS_EX_TOPMOST = 0x00000008
WS_EX_TOOLWINDOW = 0x00000080

SETTINGS_KEY = (r"HKEY_CURRENT_USER\Software\VB and VBA Program Settings"
                r"\Velmora Software\Quorvo")
SETTING_NAMES = ("Left", "Top", "JTime", "DateTime", "Seconds", "JDate",
                 "24 Hour")

# How long the program gets for things a person would wait for.
WINDOW_TIMEOUT = 30.0   # a start, cold session included
TICK_TIMEOUT = 5.0      # a choice to show at the next tick (100 ms)
MENU_TIMEOUT = 10.0
EXIT_TIMEOUT = 15.0
# How long "nothing happens" is watched for.
QUIET_PERIOD = 1.5


class Probe:
    """quorvo_probe.exe in the session: probe.reg_dump() runs `reg-dump` and
    returns what it printed; the methods below take apart what a command
    printed, or accept its failures."""

    def __init__(self, session: WineSession, exe_name: str = "Quorvo.exe"):
        self.session = session
        self.exe_name = exe_name

    def _call(self, args: list[str], timeout: float = WINE_COMMAND_TIMEOUT,
              ok_codes: tuple[int, ...] = (0,)) -> tuple[int, dict]:
        command = [str(self.session.probe_exe), "--exe", self.exe_name, *args]
        result = self.session.run(command, timeout=timeout, name="probe")
        if result.returncode not in ok_codes and (
                NO_SCREEN in result.stdout
                or not (result.stdout.strip() or result.stderr.strip())):
            # A probe that failed before writing anything, or whose process
            # came up without its window system, never got to look or act
            # (each seen once on a loaded machine): one more try, on the
            # record.
            log(f"probe {args} ended with {result.returncode} before it"
                f" began ({result.stdout.strip()!r}); running it again")
            result = self.session.run(command, timeout=timeout, name="probe")
        text = result.stdout.strip()
        try:
            data = json.loads(text.splitlines()[-1]) if text else {}
        except ValueError as error:
            raise E2EFailure(f"probe {args}: unreadable output {text!r}"
                             ) from error
        if result.returncode not in ok_codes:
            raise E2EFailure(f"probe {args} failed ({result.returncode}): "
                             f"{text} {result.stderr.strip()}")
        return result.returncode, data

    def __getattr__(self, command: str):
        if command.startswith("_"):
            raise AttributeError(command)
        return lambda *args: self._call(
            [command.replace("_", "-"), *map(str, args)])[1]

    def state(self) -> dict:
        return self._call(["state"])[1]["state"]

    def wait(self, condition: str, timeout: float) -> tuple[bool, dict]:
        """Whether the condition held within timeout, and the last state."""
        code, data = self._call(
            ["state", "--wait", condition, "--timeout",
             str(int(timeout * 1000))],
            timeout=timeout + WINE_COMMAND_TIMEOUT, ok_codes=(0, 3))
        return code == 0, data["state"]

    def require(self, condition: str, timeout: float, why: str = "") -> dict:
        held, state = self.wait(condition, timeout)
        check(held, f"{why or condition}: not seen within {timeout:.0f}s; "
                    f"last state: {summarize(state)}")
        return state

    def _background(self, args: list[str], timeout: float,
                    ready_text: str) -> "ProbeWatch":
        """A probe started in the background, once it says ready_text."""
        def start() -> ProbeWatch:
            out = (self.session.work_dir / "tmp" /
                   f"bg-{time.monotonic_ns()}.out")
            out.parent.mkdir(parents=True, exist_ok=True)
            process = self.session.spawn(
                [str(self.session.probe_exe), "--exe", self.exe_name, *args],
                out)
            watch = ProbeWatch(process, out, timeout, ready_text)
            poll(watch.ready, WINE_COMMAND_TIMEOUT,
                 what=f"the probe {args[0]}")
            return watch

        watch = start()
        if NO_SCREEN in watch.text():
            log(f"probe {args[0]} came up without its screen; again")
            watch.end()
            watch.out.unlink(missing_ok=True)
            watch = start()
        return watch

    def watch(self, condition: str, timeout: float) -> "ProbeWatch":
        """Waits for a condition in the background, so that an event that
        comes and goes quickly is not missed before the first look."""
        return self._background(["state", "--wait", condition, "--timeout",
                                 str(int(timeout * 1000))], timeout,
                                "watching")

    def end_leftovers(self, timeout: float) -> None:
        """Ends the program's processes left from before, by Windows PID."""
        for process in self.state()["processes"]:
            log(f"ending a {self.exe_name} left from before (Windows pid "
                f"{process['pid']})")
            self._call(["kill", str(process["pid"])], ok_codes=(0, 1))
        self.require("no-process", timeout, f"no {self.exe_name} running")

    def set_mode(self, width: int, height: int) -> bool:
        """Whether the system took the screen resolution."""
        code, _ = self._call(["set-mode", str(width), str(height)],
                             ok_codes=(0, 1))
        return code == 0

    def hold_focus(self, timeout: float) -> tuple["ProbeWatch", int]:
        """A window of another program that has the keyboard until a window
        takes it or timeout passes: the watch, whose result() says who took
        it, and the window's handle."""
        watch = self._background(["hold-focus", str(int(timeout * 1000))],
                                 timeout, '"holding"')
        first = json.loads(watch.out.read_text().splitlines()[0])
        if not first.get("holding"):
            watch.end()
            raise E2EFailure(f"no window of another program got the "
                             f"keyboard: {first}")
        return watch, first["hwnd"]

    def menus_alive(self, windows_pid: int, menus: list[int]) -> list[bool]:
        alive = self._call(["menu-alive", str(windows_pid),
                            *[str(m) for m in menus]])[1]["alive"]
        check(len(alive) == len(menus),
              f"asked about {len(menus)} menus, got {len(alive)} answers")
        return alive

    def reg_set(self, values: list[tuple[str, str, str]]) -> None:
        self._call(["reg-set", *[part for row in values for part in row]])


@dataclass
class ProbeWatch:
    process: subprocess.Popen
    out: Path
    timeout: float
    ready_text: str  # what the probe says once it is at work

    def text(self) -> str:
        return self.out.read_text(errors="replace") if self.out.exists() \
            else ""

    def ready(self) -> bool:
        return self.ready_text in self.text() or \
            self.process.poll() is not None

    def end(self) -> None:
        if self.process.poll() is None:
            end_pid(self.process.pid)
        self.process.wait()

    def result(self) -> tuple[bool, dict]:
        try:
            self.process.wait(timeout=self.timeout + WINE_COMMAND_TIMEOUT)
        except subprocess.TimeoutExpired:
            self.end()
            raise E2EFailure("a watching probe did not finish") from None
        text = self.text().strip()
        self.out.unlink(missing_ok=True)
        data = json.loads(text.splitlines()[-1])
        return self.process.returncode == 0, data["state"]


def summarize(state: dict) -> str:
    """A short line about a probe state for failure messages."""
    clock, label = state["clock"], state["label"]
    return (f"processes={[p['pid'] for p in state['processes']]} "
            f"clock rect={clock and clock['rect']} "
            f"text={label and label['text']!r} menus={len(state['menus'])} "
            f"dialogs={[d['text'] for d in state['dialogs']]}")


class Desktop:
    """The X side: the pointer, the keyboard, top-level X windows and
    screenshots."""

    def __init__(self, session: WineSession, artifacts: Path):
        self.session = session
        self.artifacts = artifacts
        artifacts.mkdir(parents=True, exist_ok=True)

    def xdotool(self, *args: str) -> None:
        self.session.run_native(["xdotool", *args])

    def move(self, x: int, y: int) -> None:
        # No --sync: it stalls while a Wine move loop holds the pointer. One
        # xdotool run ends before the next starts, so the X server still
        # sees the events in order.
        self.xdotool("mousemove", str(x), str(y))

    def click(self, button: int, repeat: int = 1, delay_ms: int = 60) -> None:
        self.xdotool("click", "--repeat", str(repeat), "--delay",
                     str(delay_ms), str(button))

    def key(self, *keys: str) -> None:
        self.xdotool("key", "--delay", "40", *keys)

    def viewable_windows(self) -> list[dict]:
        """The root window's viewable children larger than a pixel, with
        their geometry and override-redirect flag."""
        tree = self.session.run_native(["xwininfo", "-root", "-children"])
        windows = []
        for window_id in re.findall(r"^\s+(0x[0-9a-f]+)", tree.stdout,
                                    re.MULTILINE):
            info = self.session.run_native(
                ["xwininfo", "-id", window_id], check_ok=False)
            fields = dict(re.findall(r"^\s*([^:\n]+):[ \t]*(.*)$",
                                     info.stdout, re.MULTILINE))
            if (info.returncode != 0 or
                    fields.get("Map State") != "IsViewable"):
                continue
            size = {key: int(fields.get(name, "0")) for key, name in (
                ("x", "Absolute upper-left X"), ("y", "Absolute upper-left Y"),
                ("width", "Width"), ("height", "Height"))}
            if size["width"] > 1 and size["height"] > 1:
                windows.append({"id": window_id, **size,
                                "override_redirect": fields.get(
                                    "Override Redirect State") == "yes"})
        return windows

    def screenshot(self, name: str, rect: dict | None = None) -> Path:
        """The screen, or a rectangle of it, as PNG in the artifacts."""
        path = self.artifacts / f"{name}.png"
        self.session.run_native(
            ["import", "-display", self.session.display, "-window", "root",
             str(path)], timeout=60)
        if rect is not None:
            left, top = max(rect["left"], 0), max(rect["top"], 0)
            size = f"{rect['right'] - left}x{rect['bottom'] - top}"
            self.session.run_native(
                ["convert", str(path), "-crop", f"{size}+{left}+{top}",
                 "+repage", str(path)], timeout=60)
        return path

    def distinct_colours(self, path: Path) -> int:
        """A drawn window with text has several colours, an undrawn one
        one."""
        return int(self.session.run_native(
            ["convert", str(path), "-format", "%k", "info:"],
            timeout=60).stdout)


class Quorvo:
    """Quorvo.exe processes started in a session, each ended by its PID."""

    def __init__(self, session: WineSession, exe: Path, artifacts: Path):
        self.session = session
        self.exe = exe
        self.artifacts = artifacts
        self.processes: list[subprocess.Popen] = []

    def start(self, *args: str) -> subprocess.Popen:
        out = self.artifacts / f"quorvo-{len(self.processes) + 1}.log"
        process = self.session.spawn([str(self.exe), *args], out)
        self.processes.append(process)
        log(f"started Quorvo.exe {' '.join(args)!r} (pid {process.pid})")
        return process

    def wait_exit(self, process: subprocess.Popen, timeout: float) -> int:
        try:
            return process.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            raise E2EFailure(f"Quorvo.exe (pid {process.pid}) still runs "
                             f"after {timeout:.0f}s") from None

    def end_all(self) -> None:
        for process in self.processes:
            if process.poll() is None:
                log(f"ending Quorvo.exe pid {process.pid}")
                end_pid(process.pid)
            with contextlib.suppress(subprocess.TimeoutExpired):
                process.wait(timeout=10)
        self.processes.clear()


def wine_reg_query(session: WineSession) -> dict[str, tuple[str, str]]:
    """The stored values as `reg query` lists them: name -> (type, data)."""
    result = session.run(["reg", "query", SETTINGS_KEY], name="reg")
    values = {}
    for line in result.stdout.splitlines():
        parts = line.strip().split("    ")
        if len(parts) >= 2 and parts[1].startswith("REG_"):
            values[parts[0]] = (parts[1], parts[2] if len(parts) > 2 else "")
    return values


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
        self.shots = 0

    # ----------------------------------------------------------- set-up

    def clean_start(self) -> None:
        """No Quorvo running, no stored settings, the pointer parked."""
        self.probe.end_leftovers(10)
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
        # The tick sets the text, then fits the window 90 twips wider: a
        # look between the two sees the old width.
        return self.state_where(
            lambda s: s["clock"] and s["label"] and (
                s["clock"]["rect"]["width"] - s["label"]["rect"]["width"] in
                pixels(90, layout_dpi(s))),
            "the window to fit its first text")

    def state_where(self, predicate, what: str,
                    timeout: float = TICK_TIMEOUT) -> dict:
        """The first state predicate accepts."""
        return poll(lambda: (lambda s: s if predicate(s) else False)(
            self.probe.state()), timeout, what=what)

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

    def expect_text(self, mode: str, seconds: bool, hour24: bool,
                    timeout: float = TICK_TIMEOUT) -> dict:
        self.last_mismatch = None

        def matches():
            state, before, after = self.read()
            text = state["label"]["text"]
            allowed = clock_texts.possible_texts(mode, before, after,
                                                 seconds, hour24)
            self.last_mismatch = (text, sorted(allowed))
            return state if text in allowed else False
        try:
            state = poll(matches, timeout, interval=0.1,
                         what=f"the clock text in mode {mode}, seconds="
                              f"{seconds}, 24-hour={hour24}")
        except E2EFailure as failure:
            raise E2EFailure(f"{failure}; text vs expected: "
                             f"{self.last_mismatch}") from None
        log(f"clock reads {state['label']['text']!r}")
        return state

    def hover_label(self, state: dict | None = None) -> None:
        """The pointer off the clock, then on the label (of state, else as
        it is now), with a small move so the window under it notices."""
        rect = (state or self.probe.state())["label"]["rect"]
        self.desktop.move(900, 700)
        self.desktop.move(rect["left"] + 5, rect["top"] + 4)
        self.desktop.move(rect["left"] + 6, rect["top"] + 5)

    def wait_tooltip_window(self) -> None:
        poll(lambda: bool(self.probe.state()["tooltips"]), TICK_TIMEOUT,
             interval=0.1, what="the tooltip window, with the pointer on "
                                "the clock")

    def tooltip_reads(self, mode: str, hour24: bool):
        """A poll predicate: the state when the tooltip's text reads as mode
        and hour24 give (none for date and time), else False."""
        state, before, after = self.read()
        texts = [tool["text"] for tip in state["tooltips"]
                 for tool in tip["tools"] if tool.get("text")]
        allowed = clock_texts.possible_tooltips(mode, before, after, hour24)
        self.last_mismatch = (texts, sorted(allowed))
        held = (not texts if allowed == {""} else
                any(text in allowed for text in texts))
        return state if held else False

    def expect_tooltip(self, mode: str, hour24: bool) -> None:
        # The clock makes its tooltip when the pointer first comes over it.
        if not self.probe.state()["tooltips"]:
            self.hover_label()
            self.wait_tooltip_window()
            self.desktop.move(900, 700)
        check(bool(self.tooltip_reads(mode, hour24)),
              f"tooltip texts vs expected: {self.last_mismatch}")

    def hover_tooltip(self, mode: str, shows=lambda text: True) -> dict:
        """Rests the pointer on the label until a tooltip whose text `shows`
        accepts is shown; it reads as mode gives (12-hour form)."""
        self.hover_label()
        before = dt.datetime.now()

        def shown():
            tip = next((tip for tip in self.probe.state()["tooltips"]
                        if tip["visible"]), None)
            return tip if tip and shows(tip["text"]) else False
        tip = poll(shown, TICK_TIMEOUT, interval=0.1,
                   what=f"the tooltip of mode {mode} over the label")
        after = dt.datetime.now()
        check(tip["text"] in clock_texts.possible_tooltips(
            mode, before, after, False), f"the tooltip shows {tip['text']!r}")
        return tip

    def check_geometry(self, state: dict) -> None:
        """The window is 90 twips wider and 65 twips higher than its label,
        which sits 15 twips inside the client area's corner."""
        dpi = layout_dpi(state)
        rect, client = state["clock"]["rect"], state["clock"]["client"]
        lrect = state["label"]["rect"]
        for what, measured, twips_value in (
                ("the window's extra width", rect["width"] - lrect["width"],
                 90),
                ("the window's extra height",
                 rect["height"] - lrect["height"], 65),
                ("the label's left inset", lrect["left"] - client["left"], 15),
                ("the label's top inset", lrect["top"] - client["top"], 15)):
            check(measured in pixels(twips_value, dpi),
                  f"{what} is {measured} px, not "
                  f"{pixels(twips_value, dpi)} ({twips_value} twips): "
                  f"window {rect}, client {client}, label {lrect}")
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
        self.desktop.xdotool("mousedown", "1")
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
            self.desktop.xdotool("mouseup", "1")
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

    def end_clocks(self) -> None:
        """Ends the clocks started here and waits until none runs."""
        self.quorvo.end_all()
        self.probe.require("no-process", EXIT_TIMEOUT, "Quorvo to end")

    def finish(self) -> None:
        self.quorvo.end_all()


# ------------------------------------------------------------- geometry

def layout_dpi(state: dict) -> int:
    """The DPI the clock lays itself out for: its monitor's when it is per
    monitor aware, the system's when it is system aware, 96 when it is not
    aware at all (the system then scales its pixels)."""
    clock = state["clock"]
    if clock["awareness"].startswith("per-monitor"):
        return clock["monitor_dpi"]
    if clock["awareness"] == "system":
        return state["screen"]["system_dpi"]
    return 96


def pixels(twips_value: float, dpi: int) -> set[int]:
    """The whole pixels a length in twips may become: the nearest, or
    either neighbour when it lies exactly half-way."""
    exact = twips_value * dpi / TWIPS_PER_INCH
    low = math.floor(exact)
    if exact - low == 0.5:
        return {low, low + 1}
    return {round(exact)}


def twips(pixel_count: int, dpi: int) -> float:
    return pixel_count * TWIPS_PER_INCH / dpi


def expect_position(state: dict, left_twips: float, top_twips: float) -> None:
    dpi = layout_dpi(state)
    rect = state["clock"]["rect"]
    left, top = pixels(left_twips, dpi), pixels(top_twips, dpi)
    check(rect["left"] in left and rect["top"] in top,
          f"window at {rect['left']},{rect['top']}, expected {left},{top} "
          f"({left_twips},{top_twips} twips at {dpi} DPI)")


def position(state: dict) -> tuple[int, int]:
    """The window's top-left corner; its width follows the text."""
    rect = state["clock"]["rect"]
    return rect["left"], rect["top"]


def moved_by(before: dict, after: dict) -> tuple[int, int]:
    return (after["clock"]["rect"]["left"] - before["clock"]["rect"]["left"],
            after["clock"]["rect"]["top"] - before["clock"]["rect"]["top"])


def inside(inner: dict, outer: dict) -> bool:
    return (inner["left"] >= outer["left"] and inner["top"] >= outer["top"]
            and inner["right"] <= outer["right"]
            and inner["bottom"] <= outer["bottom"])


def visible_share(inner: dict, areas: list[dict]) -> float:
    """The share of a rectangle that lies on the given areas (which do not
    overlap, as monitors do not)."""
    seen = 0
    for area in areas:
        width = min(inner["right"], area["right"]) - max(inner["left"],
                                                         area["left"])
        height = min(inner["bottom"], area["bottom"]) - max(inner["top"],
                                                            area["top"])
        seen += max(width, 0) * max(height, 0)
    return seen / (inner["width"] * inner["height"])
