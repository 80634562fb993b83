"""The stored settings: every way the clock closes saves them, the next start
restores them, and unusable stored values give the defaults. (Stored places
that show too little or nothing are in reach.py.)"""

from __future__ import annotations

from clock import (EXIT_TIMEOUT, MENU_TIMEOUT, SETTING_NAMES, Run,
                   expect_position, layout_dpi, position, twips,
                   wine_reg_query)
from common import DEFAULT_LEFT_TWIPS, DEFAULT_TOP_TWIPS
from registry import scenario
from session import E2EFailure, check, log, poll


# Each way closes the clock of `process` and waits for it to end.
def _by_exit(run: Run, process) -> None:
    run.exit_by_menu(process)
    run.probe.require("no-process", EXIT_TIMEOUT, "Quorvo to end")


def _by_close_message(run: Run, process) -> None:
    run.probe.close()  # WM_CLOSE, as another program asks for it
    run.quorvo.wait_exit(process, EXIT_TIMEOUT)


def _by_alt_f4(run: Run, process) -> None:
    # A click on the clock gives it the keyboard (a press of no distance is
    # a move of no distance); Alt+F4 then closes it through the system.
    run.desktop.move(*run.label_point(run.probe.state()))
    run.desktop.click(1)
    run.probe.require("not-moving", MENU_TIMEOUT, "the click to end")
    run.desktop.key("alt+F4")
    run.quorvo.wait_exit(process, EXIT_TIMEOUT)


def _by_session_end(run: Run, process) -> None:
    result = run.session.run(["wineboot", "--end-session"], name="wineboot")
    log(f"wineboot --end-session returned {result.returncode}")
    poll(lambda: "Left" in run.stored(), EXIT_TIMEOUT,
         what="the settings to be written")
    try:
        run.quorvo.wait_exit(process, EXIT_TIMEOUT)
        log("Quorvo ended with the session")
    except E2EFailure:
        log("Quorvo still runs after the session end; it is ended by PID")


# Every way the clock closes saves all seven keys; each way is a scenario of
# its own: labels, switch, menu choices by key, drag, the display they give
# (mode, seconds, 24-hour), the close, and the options it stores (JTime,
# DateTime, Seconds, JDate, 24 Hour). -date leaves Date & Time unchecked and
# Seconds checked, as designed.
CLOSE_WAYS = {
    "exit_saves_and_next_start_restores": (
        "e2e,settings,commands", (), ("e", "Up Up Up Return"), (-200, 300),
        ("datetime", False, True), _by_exit, "False True False False True"),
    "close_message_saves": (
        "e2e,settings", ("-date",), (), None, ("date", False, False),
        _by_close_message, "False False True True False"),
    "alt_f4_saves": (
        "e2e,settings", ("-noadjust",), (), None, ("time", True, False),
        _by_alt_f4, "True False True False False"),
    "session_end_saves": (
        "e2e,settings", ("-timedatesec",), (), (50, 60),
        ("datetime", True, False), _by_session_end,
        "False True True False False"),
}


def _close_saves(run: Run, switch, choices, drag, display, close,
                 options) -> None:
    run.start(*switch)
    for keys in choices:
        run.open_menu("right")
        run.choose(*keys.split())
    state = run.expect_text(*display)
    if drag:
        state = run.drag(run.label_point(state), drag)
    else:
        expect_position(state, DEFAULT_LEFT_TWIPS, DEFAULT_TOP_TWIPS)
    rect, dpi = state["clock"]["rect"], layout_dpi(state)
    close(run, run.quorvo.processes[-1])
    expected = {"Left": f"{twips(rect['left'], dpi):g}",
                "Top": f"{twips(rect['top'], dpi):g}",
                **dict(zip(SETTING_NAMES[2:], options.split()))}
    stored = run.stored()
    check(set(stored) == set(SETTING_NAMES),
          f"stored keys {sorted(stored)} are not the seven "
          f"{sorted(SETTING_NAMES)}")
    for name in SETTING_NAMES:
        check(stored[name][0] == "REG_SZ",
              f"{name} is stored as {stored[name][0]}")
    got = {name: stored[name][1] for name in SETTING_NAMES}
    check(got == expected, f"stored {got}, expected {expected}")
    if close is _by_exit:
        # reg.exe reads the same store independently, and the next start
        # without arguments comes back to the same place and options.
        listed = wine_reg_query(run.session)
        check({name: data for name, (_, data) in listed.items()} == expected,
              f"reg query lists {listed}")
        state = run.start()
        check(position(state) == (rect["left"], rect["top"]),
              f"restarted at {state['clock']['rect']}, left at {rect}")
        run.expect_text(*display)


for _name, (_labels, *_row) in CLOSE_WAYS.items():
    scenario(_labels, name=_name)(
        lambda run, row=_row: _close_saves(run, *row))


@scenario("e2e,settings,commands")
def partly_above_top_edge_comes_back(run: Run) -> None:
    """A window dragged partly above the screen's top edge is stored with a
    negative Top and comes back to the same place."""
    state = run.start("-timesec")
    point = run.label_point(state)
    # Down first, then up past the top edge by more than the window's
    # height above the pointer.
    moved = run.drag(point, (0, 300))
    point = (point[0], point[1] + 300)
    moved = run.drag(point, (-40, -(point[1] - 2)))
    rect = moved["clock"]["rect"]
    check(rect["top"] < 0, f"the window did not go above the edge: {rect}")
    run.exit_by_menu(run.quorvo.processes[-1])
    stored = run.stored()
    check(float(stored["Top"][1]) == twips(rect["top"], 96),
          f"stored Top {stored['Top']} for a window at {rect['top']} px")
    state = run.start()
    check(position(state) == position(moved),
          f"restarted at {state['clock']['rect']}, left at {rect}")


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
        run.end_clocks()
