"""Start-up: the first start, the window's standing and layout, the
command-line switches, one instance at a time."""

from __future__ import annotations

import re
import time

from clock import (EXIT_TIMEOUT, WINDOW_TIMEOUT, WS_BORDER, WS_CAPTION,
                   WS_EX_TOOLWINDOW, WS_EX_TOPMOST, WS_MAXIMIZEBOX,
                   WS_MINIMIZEBOX, WS_POPUP, WS_SYSMENU, WS_THICKFRAME,
                   SETTING_NAMES, Run, expect_position, layout_dpi, pixels,
                   position, twips)
from common import DEFAULT_LEFT_TWIPS, DEFAULT_TOP_TWIPS
from registry import scenario
from session import check, log


# Fonts are sized in points, so one line of text is about as many twips
# high at every DPI.
LINE_TWIPS = 195
# A second instance has to end "at once"; Wine's own start-up of a process
# takes part of this.
SECOND_INSTANCE_TIMEOUT = 10.0


@scenario("e2e,startup")
def first_start_defaults(run: Run) -> None:
    """Empty store, no arguments: a window without title bar at the default
    place, showing the time without seconds in 12-hour form, that screen
    readers, MSAA and UI Automation alike, call "Quorvo". (Its topmost
    standing is checked on its own.)"""
    run.start()
    state, _, _ = run.read()
    clock = state["clock"]
    style, exstyle = clock["style"], clock["exstyle"]
    log(f"style {style:#010x} exstyle {exstyle:#010x} rect {clock['rect']} "
        f"dpi {layout_dpi(state)} process {state['processes']}")
    check(style & WS_CAPTION != WS_CAPTION, "the window has a title bar")
    check(style & WS_POPUP, "the window is not a popup window")
    check(style & WS_BORDER, "the window has no border")
    check(not style & (WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX |
                       WS_THICKFRAME),
          f"system menu, buttons or a sizing frame in style {style:#x}")
    log(f"tool window: {bool(exstyle & WS_EX_TOOLWINDOW)}, topmost: "
        f"{bool(exstyle & WS_EX_TOPMOST)}")
    check(clock["text"] == "", f"the caption is {clock['text']!r}")
    _screen_readers_hear_quorvo(run)
    check(layout_dpi(state) == 96,
          f"the display runs at {layout_dpi(state)} DPI")
    expect_position(state, DEFAULT_LEFT_TWIPS, DEFAULT_TOP_TWIPS)
    state = run.expect_text("time", seconds=False, hour24=False)
    run.check_geometry(state)
    run.expect_tooltip("time", False)
    # Start-up reads the store but writes nothing back.
    check(not run.probe.reg_dump()["exists"],
          "start-up wrote to the settings store")
    shot = run.screenshot("clock", state["clock"]["rect"])
    check(run.desktop.distinct_colours(shot) >= 2,
          "the clock window shows a single colour: nothing drawn")


def _screen_readers_hear_quorvo(run: Run) -> None:
    """Screen readers say what the clock is, though it has no caption: MSAA
    clients (NVDA, JAWS) from its accessible objects, UI Automation clients
    (Narrator) through the provider UI Automation makes of the client
    object, which it refuses to make of an object that says it is one of
    oleacc's stock proxies. Wine 10 has all of UI Automation; an older Wine
    may lack the client, or have a provider that knows no Name."""
    names = run.probe.accessible_name()
    version = run.session.run_native(["wine", "--version"]).stdout.strip()
    log(f"accessible names under {version}: {names}")
    check(names["window"] == "Quorvo" and names["client"] == "Quorvo",
          f"MSAA names {names}")
    provider, client = names["uia_provider"], names["uia_client"]
    major = int(re.match(r"wine-(\d+)", version).group(1))
    check(major < 10 or (provider is not None and client is not None),
          f"{version} has UI Automation, yet the probe found none: {names}")
    check(provider is None or provider["result"] == "0x00000000",
          f"UI Automation refused the clock's object: {provider}")
    check(provider is None or provider["name"] == "Quorvo" or
          (major < 10 and provider["name"] is None),
          f"the UI Automation provider's Name: {provider}")
    check(client is None or client["name"] == "Quorvo",
          f"a UI Automation client reads the Name {client}")


@scenario("e2e,startup")
def stays_on_top(run: Run) -> None:
    """Start-up puts the clock into the topmost band of windows, where it
    stays while it ticks (and its tooltip is set) and after a move."""
    state = run.start("-timesec")
    check(state["clock"]["exstyle"] & WS_EX_TOPMOST,
          f"the clock is not topmost after start-up: exstyle "
          f"{state['clock']['exstyle']:#x}")
    run.expect_text("time", seconds=True, hour24=False)
    moved = run.drag(run.label_point(state), (30, 40))
    check(moved["clock"]["exstyle"] & WS_EX_TOPMOST,
          "the clock left the topmost band after a move")


@scenario("e2e,startup,dpi", timeout=360)
def layout_follows_the_dpi(run: Run) -> None:
    """At 96, 120, 144 and 192 DPI, each in a Wine session started at that
    DPI (so the monitor's DPI and the system's agree): the default place,
    the margins in twips, a line of text about 195 twips high and drawn, and
    a place dragged to and stored comes back on the same pixel. The label
    grows with the DPI, twice as high at 192 as at 96."""
    heights = {}
    try:
        for dpi in (96, 120, 144, 192):
            log(f"case: {dpi} DPI")
            run.session.set_dpi(dpi)
            run.clean_start()
            state = run.start("-timesec")
            clock = state["clock"]
            log(f"the clock is {clock['awareness']} DPI aware; window "
                f"{clock['dpi']}, monitor {clock['monitor_dpi']}, system "
                f"{state['screen']['system_dpi']} DPI")
            check(layout_dpi(state) == dpi,
                  f"the clock lays itself out for {layout_dpi(state)} DPI")
            expect_position(state, DEFAULT_LEFT_TWIPS, DEFAULT_TOP_TWIPS)
            state = run.expect_text("time", seconds=True, hour24=False)
            run.check_geometry(state)
            label = state["label"]["rect"]
            heights[dpi] = label["height"]
            line = twips(label["height"], dpi)
            check(abs(line - LINE_TWIPS) <= LINE_TWIPS * 0.15,
                  f"a line of text is {line:.0f} twips high, not about "
                  f"{LINE_TWIPS}: the font does not follow the DPI")
            shot = run.screenshot(f"clock-{dpi}-dpi", label)
            check(run.desktop.distinct_colours(shot) >= 2,
                  "the label shows one colour: no text drawn")
            moved = run.drag(run.label_point(state), (100, 100))
            run.exit_by_menu(run.quorvo.processes[-1])
            stored = run.stored()
            rect = moved["clock"]["rect"]
            check(rect["left"] in pixels(float(stored["Left"][1]), dpi) and
                  rect["top"] in pixels(float(stored["Top"][1]), dpi),
                  f"stored {stored['Left']}, {stored['Top']} for a window "
                  f"at {position(moved)} px at {dpi} DPI")
            state = run.start()
            check(position(state) == position(moved),
                  f"restarted at {position(state)}, left at "
                  f"{position(moved)}")
            run.end_clocks()
    finally:
        run.quorvo.end_all()
        run.session.set_dpi(96)
    log(f"label heights in px: {heights}")
    check(heights[96] < heights[120] < heights[144] < heights[192] and
          abs(heights[192] / heights[96] - 2) <= 0.3,
          f"the label does not grow with the DPI: {heights} px")


@scenario("e2e,startup", timeout=240)
def larger_text_is_never_cut(run: Run) -> None:
    """Text size from 100 % to 225 %: the message font enlarged while the
    clock runs, and a clock started at each size. The label lies wholly
    inside the window, 65 twips lower than the window's height."""
    normal = run.probe.message_font()["height"]
    try:
        run.start("-timedatesec")
        first = run.expect_text("datetime", seconds=True, hour24=False)
        for scale in (1.5, 2.25):
            run.probe.message_font(round(normal * scale))
            state = run.expect_text("datetime", seconds=True, hour24=False)
            log(f"running clock at {scale:.0%} text: label "
                f"{state['label']['rect']} in {state['clock']['client']}")
            run.check_geometry(state)
        if state["label"]["rect"]["height"] == first["label"]["rect"]["height"]:
            # Windows keeps these settings for the whole system; Wine keeps
            # them per process, so the announcement reaches the running clock
            # but the font it then asks for is still the one it had.
            log("the running clock kept its font: this Wine does not hand a "
                "running program a changed message font")
        run.end_clocks()
        heights = {}
        for scale in (1.0, 1.5, 2.25):
            run.probe.message_font(round(normal * scale))
            run.start("-timedatesec")
            state = run.expect_text("datetime", seconds=True, hour24=False)
            heights[scale] = state["label"]["rect"]["height"]
            log(f"started at {scale:.0%} text: label {state['label']['rect']}")
            run.check_geometry(state)
            run.screenshot(f"text-{round(scale * 100)}", state["clock"]["rect"])
            run.end_clocks()
        check(heights[2.25] >= 1.8 * heights[1.0],
              f"the label did not grow with the text size: {heights} px")
    finally:
        run.probe.message_font(normal)


@scenario("e2e,switches,startup", timeout=180)
def switches_choose_the_display(run: Run) -> None:
    """Each switch shows its display whatever the store says, which it does
    not read, and leaves the stored place and 24-hour option in force;
    "-DATE" is no switch and shows the design-time display, the time with
    seconds. Where there is one, the tooltip fits the display; time and
    date are joined by exactly two blanks; seconds tick on, the window
    fitting each text."""
    rows = [  # switch, stored options, mode, seconds
        ("-date", {"JTime": "True", "Seconds": "True"}, "date", False),
        ("-time", {"JDate": "True", "Seconds": "True"}, "time", False),
        ("-timesec", {"Left": "1500", "Top": "3000", "24 Hour": "True",
                      "JDate": "True"}, "time", True),
        ("-timedate", {}, "datetime", False),
        ("-timedatesec", {}, "datetime", True),
        ("-DATE", {"JDate": "True", "JTime": "False", "Seconds": "False"},
         "time", True),
    ]
    for switch, stored, mode, seconds in rows:
        log(f"case: {switch}")
        run.clean_start()
        run.probe.reg_set([(name, "sz", data) for name, data in
                           stored.items()])
        state = run.start(switch)
        expect_position(state, float(stored.get("Left", DEFAULT_LEFT_TWIPS)),
                        float(stored.get("Top", DEFAULT_TOP_TWIPS)))
        hour24 = stored.get("24 Hour") == "True"
        state = run.expect_text(mode, seconds=seconds, hour24=hour24)
        run.check_geometry(state)
        run.expect_tooltip(mode, hour24)
        text = state["label"]["text"]
        check(mode != "datetime" or ("  " in text and "   " not in text),
              f"{text!r} does not join time and date with exactly two "
              f"blanks")
        if seconds:
            run.probe.require("text-not:" + text, 3.0, "the next second")
            run.check_geometry(run.expect_text(mode, seconds, hour24))
        run.screenshot(switch.lstrip("-"), state["clock"]["rect"])
        run.end_clocks()


@scenario("e2e,startup,settings")
def second_instance_ends_at_once(run: Run) -> None:
    """A second start ends at once, shows no window and leaves the store
    as it was; the first clock keeps running."""
    run.probe.reg_set([(name, "sz", data) for name, data in zip(
        SETTING_NAMES, "3000 1500 True False True False False".split())])
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


@scenario("e2e,startup,reach")
def start_right_after_exit(run: Run) -> None:
    """A start 0.3 s after Exit gets a clock, although the closing one may
    still be taking its window down; it is not a second instance."""
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
