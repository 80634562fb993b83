#!/usr/bin/python3
"""Quorvo.exe under Wine at one DPI: the window's margins, the label's place
and the font follow the DPI, and a position stored in twips lands on the
same pixel and is written back so that it lands there again.

    dpi_check.py --dpi N --exe Quorvo.exe --probe quorvo_probe.exe
                 --work-dir DIR --prefix DIR
    dpi_check.py --compare --work-dir DIR

The first form starts a Wine session at N DPI on the prefix and leaves
DIR/dpi-N/result.json and a screenshot DIR/dpi-N/quorvo-N-dpi.png. The
second compares the results of 96, 120, 144 and 192 DPI: the font grows
with the DPI.

The clock lays itself out for its monitor's DPI where it is per-monitor
aware (Wine 10, Windows 10 and 11) and for the system's where it is system
aware (Wine 8); the checks use the one it obtained, and the session starts
anew at each DPI so that the two agree.

A twip is 1/1440 inch, so a pixel is 1440/N twips at N DPI. Lengths in
twips become whole pixels, so a length may be the exact value rounded
either way: fewer than one pixel off.
"""

from __future__ import annotations

import argparse
import json
import subprocess
import sys
from pathlib import Path

sys.dont_write_bytecode = True  # no bytecode files in the source tree
sys.path.insert(0, str(Path(__file__).resolve().parents[1] / "wine"))

from clock import Desktop, Probe, Quorvo, layout_dpi  # noqa: E402
from session import E2EFailure, WineSession, check, log, poll  # noqa: E402

DPIS = (96, 120, 144, 192)
TWIPS_PER_INCH = 1440

# The clock's layout, in twips.
WIDTH_MARGIN = 90    # window width minus label width, after a tick
HEIGHT_MARGIN = 65   # window height minus label height
LABEL_INSET = 15     # label from the client area's top-left corner
# The label's design-time height: one line of the default font. Fonts are
# sized in points, so one line is about as many twips high at every DPI.
LINE_HEIGHT = 195
LINE_HEIGHT_TOLERANCE = 0.15

# The stored position the check starts from: the default left edge, and a
# top edge one inch down so that the whole window is on the screen.
STORED_LEFT = 5430
STORED_TOP = 1440

WINDOW_TIMEOUT = 30.0
TICK_TIMEOUT = 5.0
STABLE_TIMEOUT = 5.0
EXIT_TIMEOUT = 15.0
SCREENSHOT_MARGIN = 16


def pixels(twips: float, dpi: int) -> float:
    return twips * dpi / TWIPS_PER_INCH


def within_a_pixel(actual: int, exact: float) -> bool:
    """A whole-pixel length that is the exact one rounded either way."""
    return abs(actual - exact) < 1


class DpiCheck:
    def __init__(self, args):
        self.dpi = args.dpi
        self.out = Path(args.work_dir).resolve() / f"dpi-{self.dpi}"
        self.out.mkdir(parents=True, exist_ok=True)
        self.session = WineSession.start(Path(args.prefix), self.out,
                                         Path(args.probe), dpi=self.dpi)
        self.probe = Probe(self.session)
        self.desktop = Desktop(self.session, self.out)
        self.quorvo = Quorvo(self.session, Path(args.exe).resolve(), self.out)
        self.failures: list[str] = []

    def expect(self, condition: bool, message: str) -> None:
        """Records a failed expectation and goes on, so that one run shows
        every difference."""
        if not condition:
            self.failures.append(message)
            log(f"MISMATCH: {message}")

    # ----------------------------------------------------------- reading

    def stable_state(self) -> dict:
        """A state seen twice in a row: the label and the window are read at
        slightly different moments, and a tick between the two reads would
        show a label already resized beside a window not yet refitted."""
        def geometry(state: dict) -> tuple:
            return (state["label"]["text"], state["label"]["rect"],
                    state["clock"]["rect"], state["clock"]["client"])
        previous = [None]

        def settled():
            state = self.probe.state()
            check(state["clock"] is not None and state["label"] is not None,
                  "the clock window is gone")
            same = previous[0] is not None and \
                geometry(previous[0]) == geometry(state)
            previous[0] = state
            return state if same else False
        return poll(settled, STABLE_TIMEOUT, interval=0.02,
                    what="two equal readings of the clock's geometry")

    def start(self) -> dict:
        self.quorvo.start("-timesec")
        self.probe.require("clock", WINDOW_TIMEOUT, "the clock window")
        _, state = self.probe.wait("text-not:Time", TICK_TIMEOUT)
        check(state["label"] is not None and state["label"]["text"] != "Time",
              "the first tick never came")
        return self.stable_state()

    # ------------------------------------------------------------ checks

    def check_dpi_applied(self) -> None:
        screen = self.probe.state()["screen"]
        seen = [screen["system_dpi"]] + [m["dpi"] for m in screen["monitors"]]
        check(set(seen) == {self.dpi},
              f"the Wine session runs at {seen} DPI (system, monitors), not "
              f"{self.dpi}: the prefix's LogPixels did not take")

    def check_layout(self, state: dict) -> None:
        clock, label = state["clock"], state["label"]
        log(f"the clock is {clock['awareness']} DPI aware; window "
            f"{clock['dpi']}, monitor {clock['monitor_dpi']} DPI")
        self.expect(layout_dpi(state) == self.dpi,
                    f"the clock lays itself out for {layout_dpi(state)} DPI")
        rect, client, lrect = clock["rect"], clock["client"], label["rect"]
        exact = pixels(WIDTH_MARGIN, self.dpi)
        got = rect["width"] - lrect["width"]
        self.expect(within_a_pixel(got, exact),
                    f"window width {rect['width']} = label "
                    f"{lrect['width']} + {got}, not + {exact:g} px "
                    f"({WIDTH_MARGIN} twips)")
        exact = pixels(HEIGHT_MARGIN, self.dpi)
        got = rect["height"] - lrect["height"]
        self.expect(within_a_pixel(got, exact),
                    f"window height {rect['height']} = label "
                    f"{lrect['height']} + {got}, not + {exact:g} px "
                    f"({HEIGHT_MARGIN} twips)")
        exact = pixels(LABEL_INSET, self.dpi)
        for side in ("left", "top"):
            got = lrect[side] - client[side]
            self.expect(within_a_pixel(got, exact),
                        f"label {side} edge {got} px inside the client "
                        f"area, not {exact:g} px ({LABEL_INSET} twips)")
        self.expect(lrect["right"] <= client["right"] and
                    lrect["bottom"] <= client["bottom"],
                    f"the label {lrect} does not fit the client area "
                    f"{client}")
        height_twips = lrect["height"] * TWIPS_PER_INCH / self.dpi
        self.expect(abs(height_twips - LINE_HEIGHT) <=
                    LINE_HEIGHT * LINE_HEIGHT_TOLERANCE,
                    f"one line of the label is {lrect['height']} px = "
                    f"{height_twips:.0f} twips high, not about {LINE_HEIGHT}: "
                    "the font does not follow the DPI")

    def check_position(self, state: dict, what: str) -> None:
        rect = state["clock"]["rect"]
        for side, twips in (("left", STORED_LEFT), ("top", STORED_TOP)):
            exact = pixels(twips, self.dpi)
            self.expect(within_a_pixel(rect[side], exact),
                        f"{what}: window {side} edge at {rect[side]} px, "
                        f"stored {twips} twips is {exact:g} px")

    def check_text_drawn(self, state: dict) -> Path:
        """Keeps a screenshot of the clock with some desktop around it, and
        checks that the label shows more than one colour: text drawn."""
        rect = state["clock"]["rect"]
        around = {"left": rect["left"] - SCREENSHOT_MARGIN,
                  "top": rect["top"] - SCREENSHOT_MARGIN,
                  "right": rect["right"] + SCREENSHOT_MARGIN,
                  "bottom": rect["bottom"] + SCREENSHOT_MARGIN}
        shot = self.desktop.screenshot(f"quorvo-{self.dpi}-dpi", around)
        label = self.desktop.screenshot(f"label-{self.dpi}-dpi",
                                        state["label"]["rect"])
        colours = self.desktop.distinct_colours(label)
        self.expect(colours >= 2, f"the label area shows {colours} colour: "
                                  f"no text drawn ({label})")
        return shot

    def check_round_trip(self, shown: dict) -> dict:
        """Closes the clock (it saves its position), checks the stored
        texts, starts it again and checks that it stands on the same pixel."""
        process = self.quorvo.processes[-1]
        self.probe.close()
        self.quorvo.wait_exit(process, EXIT_TIMEOUT)
        values = self.probe.reg_dump()["values"]
        rect = shown["clock"]["rect"]
        stored = {}
        for name, side in (("Left", "left"), ("Top", "top")):
            check(name in values, f"no stored {name} after the close: "
                                  f"{values}")
            text = values[name]["data"]
            stored[name] = text
            try:
                twips = float(text)
            except (TypeError, ValueError):
                self.expect(False, f"stored {name} {text!r} is no number")
                continue
            back = pixels(twips, self.dpi)
            # Exactly on the pixel or less than half a pixel off: the same
            # pixel however the next start rounds.
            self.expect(abs(back - rect[side]) < 0.5,
                        f"stored {name} {text} twips is {back:g} px, the "
                        f"window stood at {rect[side]} px")
        log(f"stored Left {stored.get('Left')}, Top {stored.get('Top')} for "
            f"a window at {rect['left']},{rect['top']} px")
        again = self.start()
        moved = (again["clock"]["rect"]["left"] - rect["left"],
                 again["clock"]["rect"]["top"] - rect["top"])
        self.expect(moved == (0, 0),
                    f"after a restart the window moved by {moved} px")
        return stored

    # -------------------------------------------------------------- run

    def run(self) -> int:
        result_file = self.out / "result.json"
        result_file.unlink(missing_ok=True)
        self.check_dpi_applied()
        state = self.probe.state()
        for process in state["processes"]:
            self.probe.kill(process["pid"])
        self.probe.require("no-process", 10, "no Quorvo.exe running")
        self.probe.reg_clear()
        self.probe.reg_set([("Left", "sz", str(STORED_LEFT)),
                            ("Top", "sz", str(STORED_TOP))])
        state = self.start()
        clock, label = state["clock"], state["label"]
        log(f"{self.dpi} DPI: window {clock['rect']}, client "
            f"{clock['client']}, label {label['rect']} {label['text']!r}")
        self.check_layout(state)
        self.check_position(state, "at start")
        shot = self.check_text_drawn(state)
        print(f"screenshot: {shot}", flush=True)
        stored = self.check_round_trip(state)
        if self.failures:
            print(f"FAIL at {self.dpi} DPI:\n  " + "\n  ".join(self.failures))
            return 1
        result_file.write_text(json.dumps({
            "dpi": self.dpi, "label": label, "window": clock["rect"],
            "client": clock["client"], "stored": stored,
            "screenshot": str(shot)}, indent=1))
        print(f"PASS at {self.dpi} DPI: window {clock['rect']['width']}x"
              f"{clock['rect']['height']} px, label "
              f"{label['rect']['width']}x{label['rect']['height']} px")
        return 0

    def finish(self) -> None:
        self.quorvo.end_all()
        left = self.session.stop()
        check(not left, f"processes of the prefix still alive: {left}")


def compare(work_dir: Path) -> int:
    """The label's line height across the DPIs: growing with the DPI, at
    192 DPI about twice that at 96."""
    heights = {}
    for dpi in DPIS:
        result = work_dir / f"dpi-{dpi}" / "result.json"
        if not result.is_file():
            print(f"FAIL: no result for {dpi} DPI ({result}); its test "
                  "failed or did not run")
            return 1
        heights[dpi] = json.loads(result.read_text())["label"]["rect"][
            "height"]
    log(f"label heights in px: {heights}")
    failures = []
    for lower, higher in zip(DPIS, DPIS[1:]):
        if heights[higher] <= heights[lower]:
            failures.append(f"the label is {heights[higher]} px high at "
                            f"{higher} DPI, {heights[lower]} px at {lower}")
    for dpi in DPIS[1:]:
        ratio = heights[dpi] / heights[96]
        expected = dpi / 96
        if abs(ratio - expected) > expected * LINE_HEIGHT_TOLERANCE:
            failures.append(f"{dpi} DPI: label height {ratio:.2f} times that "
                            f"at 96 DPI, expected about {expected:.2f}")
    if failures:
        print("FAIL: " + "; ".join(failures))
        return 1
    print(f"PASS: label heights {heights} px; 192 DPI / 96 DPI = "
          f"{heights[192] / heights[96]:.2f}")
    return 0


def main() -> int:
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--dpi", type=int, choices=DPIS)
    parser.add_argument("--exe")
    parser.add_argument("--probe")
    parser.add_argument("--work-dir", required=True)
    parser.add_argument("--prefix")
    parser.add_argument("--compare", action="store_true")
    args = parser.parse_args()
    if args.compare:
        return compare(Path(args.work_dir).resolve())
    if not (args.dpi and args.exe and args.probe and args.prefix):
        parser.error("--dpi, --exe, --probe and --prefix are needed")
    for path in (args.exe, args.probe):
        if not Path(path).is_file():
            print(f"{path}: no such file (is the Windows build done?)",
                  file=sys.stderr)
            return 1
    run = DpiCheck(args)
    try:
        return run.run()
    except E2EFailure as failure:
        print(f"FAIL at {args.dpi} DPI: {failure}")
        try:
            log(f"screenshot {run.desktop.screenshot('at-failure')}")
        except (E2EFailure, OSError, subprocess.SubprocessError) as error:
            log(f"no screenshot: {error}")
        return 1
    finally:
        run.finish()


if __name__ == "__main__":
    sys.exit(main())
