"""The clock stays reachable: stored places that show too little, a clock
moved off every screen, a clock docked at the right edge; and on two
monitors side by side, a place on the second kept, the second unplugged and
plugged in again."""

from __future__ import annotations

from clock import (TICK_TIMEOUT, Run, expect_position, inside, pixels,
                   position, visible_share)
from common import DEFAULT_LEFT_TWIPS, DEFAULT_TOP_TWIPS
from registry import scenario
from session import E2EFailure, check, log, poll


def work_areas(state: dict) -> list[dict]:
    return [monitor["work"] for monitor in state["screen"]["monitors"]]


def text_whole_on_screen(state: dict) -> bool:
    return any(inside(state["label"]["rect"], work)
               for work in work_areas(state))


@scenario("e2e,settings,reach", timeout=300)
def stored_slivers_start_whole(run: Run) -> None:
    """A stored place that leaves only a sliver of the clock on screen, at
    any edge, starts with the whole text on screen; a place that shows the
    clock whole, or partly above the top edge like the default, starts
    exactly there; a place on no screen at all starts at the default
    place."""
    cases = [  # name, Left px, Top px, where it starts
        ("sliver at the right edge", 1278, 0, "whole"),
        # The right 10 px of a clock as wide as the last one, whatever the
        # hour: a fixed place would show half of a wide text ("10:05 PM"),
        # which is kept.
        ("sliver at the left edge", lambda width: 10 - width, 500, "whole"),
        ("sliver at the bottom edge", 600, 1022, "whole"),
        ("sliver above the top edge", 600, -19, "whole"),
        ("whole on screen", 400, 300, "kept"),
        ("partly above the top edge", 600, -6, "kept"),
        ("far right of every screen", 66666, -1, "default"),
        ("far below every screen", 362, 66666, "default"),
        ("far above and left of every screen", -66666, -66666, "default"),
    ]
    for name, left, top, where in cases:
        if callable(left):
            left = left(width)
        log(f"case: {name} ({left}, {top})")
        run.clean_start()
        run.probe.reg_set([("Left", "sz", str(left * 15)),
                           ("Top", "sz", str(top * 15))])
        state = run.start()
        rect = state["clock"]["rect"]
        width = rect["width"]
        if where == "kept":
            check((rect["left"], rect["top"]) == (left, top),
                  f"{name}: started at {rect}, stored at {left},{top}")
        elif where == "default":
            expect_position(state, DEFAULT_LEFT_TWIPS, DEFAULT_TOP_TWIPS)
        else:
            check(text_whole_on_screen(state),
                  f"{name}: the text is not whole on screen: "
                  f"{state['label']['rect']}")
        run.end_clocks()


@scenario("e2e,reach", timeout=180)
def off_screen_clock_comes_back_on_display_change(run: Run) -> None:
    """A clock taken off every screen while it runs (moved by another
    program, or a resolution lowered under it) comes back whole when the
    display change is announced; without the announcement it stays."""
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
    back = run.state_where(text_whole_on_screen, "the clock to come back")
    run.screenshot("back-on-screen", back["clock"]["rect"])
    label = back["label"]["rect"]
    check(label["right"] == screen["width"] and
          label["bottom"] == screen["height"],
          f"moved further than needed: text at {label} on {screen}")
    if lowered:
        run.probe.set_mode(current["width"], current["height"])
    run.expect_text("time", seconds=True, hour24=False)


def _docked_grows_left(run: Run, edge: int, gaps: tuple[int, ...]) -> None:
    """A clock at the right edge (x = edge) of its monitor switched to Date
    & Time grows to the left and keeps its right edge; one a little away
    from the edge keeps at least half its text on screen."""
    for gap in gaps:
        log(f"case: {gap} pixels from the right edge at {edge}")
        run.clean_start()
        state = run.start()
        width = state["clock"]["rect"]["width"]
        run.probe.move(edge - width - gap, 200)
        state = run.probe.state()
        check(state["clock"]["rect"]["right"] == edge - gap,
              f"the clock's right edge is at {state['clock']['rect']}")
        run.open_menu("right")
        run.choose("e")
        state = run.expect_text("datetime", seconds=False, hour24=False)
        rect = state["clock"]["rect"]
        run.screenshot(f"date-and-time-{edge}-{gap}", rect)
        check(rect["width"] > width + 50, f"the clock did not grow: {rect}")
        if gap == 0:
            check(rect["right"] == edge,
                  f"the docked clock's right edge moved: {rect}")
            check(text_whole_on_screen(state),
                  f"text cut off: {state['label']['rect']}")
        else:
            check(visible_share(state["label"]["rect"],
                                work_areas(state)) >= 0.5,
                  f"less than half the text on screen: "
                  f"{state['label']['rect']}")
        run.end_clocks()


# ============================================================ two monitors


def _monitors(run: Run, count: int) -> list[dict]:
    """The monitors, left to right, once Wine sees this many."""
    seen: list[dict] = []

    def counted():
        seen[:] = run.probe.state()["screen"]["monitors"]
        return len(seen) == count
    try:
        poll(counted, TICK_TIMEOUT, what=f"Wine to see {count} monitor(s)")
    except E2EFailure as failure:
        raise type(failure)(f"{failure}; monitors seen: {seen}") from None
    return sorted(seen, key=lambda m: m["rect"]["left"])


def _onto_second_monitor(run: Run) -> dict:
    """A clock dragged from the first monitor onto the second; its state
    there."""
    first, second = _monitors(run, 2)
    log(f"monitors: {first['rect']} and {second['rect']}")
    state = run.start("-timesec")
    start = run.label_point(state)
    target = (second["rect"]["left"] + 150, second["rect"]["top"] + 200)
    moved = run.drag(start, (target[0] - start[0], target[1] - start[1]))
    check(inside(moved["label"]["rect"], second["work"]),
          f"the clock's text is not on the second monitor: {moved['label']}")
    log(f"on the second monitor at {moved['clock']['rect']}, laid out for "
        f"{moved['clock']['monitor_dpi']} DPI, "
        f"{moved['clock']['awareness']} aware")
    return moved


@scenario("e2e,reach,monitors", timeout=180)
def place_on_second_monitor_comes_back(run: Run) -> None:
    """A clock dragged onto the second monitor, closed and started again,
    stands on the same pixel."""
    moved = _onto_second_monitor(run)
    run.exit_by_menu(run.quorvo.processes[-1])
    log(f"stored {run.stored()}")
    state = run.start()
    check(position(state) == position(moved),
          f"started at {position(state)}, closed at {position(moved)}")
    run.screenshot("second-monitor", state["clock"]["rect"])


def _switch_monitors(run: Run, layout: list) -> list[dict]:
    """Switches the dummy driver's outputs to these monitors and tells the
    clock, as Windows tells every top-level window; Wine sends nothing when
    an output goes off or on. The monitors, left to right."""
    run.session.set_monitors(layout)
    monitors = _monitors(run, len(layout))
    run.probe.display_change()
    return monitors


@scenario("e2e,reach,monitors", timeout=360)
def unplugged_monitor_brings_the_text_back(run: Run) -> None:
    """The second monitor unplugged while the clock is on it brings the
    clock's text whole onto the first; plugged in again, the clock goes back
    to its pixel on the second. Closed while the second is gone, it stores
    its place on the second: started again while the second is still gone
    it starts on the first, and goes back when the second comes."""
    layout = list(run.session.monitors)
    moved = _onto_second_monitor(run)
    place = position(moved)
    try:
        (first,) = _switch_monitors(run, layout[:1])

        def on_first(state: dict) -> bool:
            return inside(state["label"]["rect"], first["work"])

        def at_place(state: dict) -> bool:
            return position(state) == place

        back = run.state_where(on_first,
                               "the clock's text on the remaining monitor")
        run.screenshot("after-unplugging", back["clock"]["rect"])
        _switch_monitors(run, layout)
        again = run.state_where(at_place, f"the clock back at {place} on "
                                          f"the second monitor")
        run.screenshot("plugged-in-again", again["clock"]["rect"])
        _switch_monitors(run, layout[:1])
        run.state_where(on_first, "the clock's text on the first monitor "
                                  "once more")
        run.exit_by_menu(run.quorvo.processes[-1])
        stored = run.stored()
        log(f"closed on the first monitor; stored {stored}")
        check(place[0] in pixels(float(stored["Left"][1]), 96) and
              place[1] in pixels(float(stored["Top"][1]), 96),
              f"stored {stored['Left']}, {stored['Top']}, not the place "
              f"{place} on the second monitor")
        state = run.start()
        check(on_first(state),
              f"a place on the unplugged monitor started at "
              f"{state['label']['rect']}, not on {first['work']}")
        _switch_monitors(run, layout)
        run.state_where(at_place, f"the clock started while its monitor was "
                                  f"gone, back at {place} when it came")
    finally:
        run.quorvo.end_all()
        run.session.set_monitors(layout)
        _monitors(run, 2)


# On the one screen, at its right edge and 80 pixels from it; at the right
# edge of the left monitor, beside the second one.
for _name, _labels, _count, _gaps in (
        ("docked_right_keeps_its_edge", "e2e,reach", 1, (0, 80)),
        ("docked_right_of_left_monitor_keeps_its_edge", "e2e,reach,monitors",
         2, (0,))):
    scenario(_labels, timeout=180, name=_name)(
        lambda run, count=_count, gaps=_gaps: _docked_grows_left(
            run, _monitors(run, count)[0]["work"]["right"], gaps))
