"""The stored settings: every way the clock closes saves them, the next start
restores them, and unusable stored values give the defaults."""

from __future__ import annotations

from clock import (EXIT_TIMEOUT, MENU_TIMEOUT, SETTING_NAMES, Run,
                   expect_position, layout_dpi, twips, wine_reg_query)
from common import DEFAULT_LEFT_TWIPS, DEFAULT_TOP_TWIPS, scenario
from session import E2EFailure, check, log, poll


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
    run.start()
    run.open_menu("right")
    run.choose("e")
    run.open_menu("right")
    run.choose("Up", "Up", "Up", "Return")
    state = run.expect_text("datetime", seconds=False, hour24=True)
    moved = run.drag(run.label_point(state), (-200, 300))
    rect = moved["clock"]["rect"]
    dpi = layout_dpi(moved)
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


def _close_saves(run: Run, switch: str, close, stored: dict) -> None:
    """Starts the clock with switch, closes it with close(state) and finds
    the seven keys stored as given."""
    run.clean_start()
    state = run.start(switch)
    process = run.quorvo.processes[-1]
    close(state)
    run.quorvo.wait_exit(process, EXIT_TIMEOUT)
    _expect_all_seven(run, stored)


@scenario("e2e,settings")
def close_message_saves(run: Run) -> None:
    """A close asked for by another program (WM_CLOSE) saves all seven
    keys and ends the clock. -date leaves Date & Time unchecked and Seconds
    checked, as designed."""
    _close_saves(run, "-date", lambda state: run.probe.close(), {
        "Left": "5430", "Top": "-15", "JTime": "False", "DateTime": "False",
        "Seconds": "True", "JDate": "True", "24 Hour": "False"})


@scenario("e2e,settings")
def alt_f4_saves(run: Run) -> None:
    """Alt+F4 on the clock closes it through the system and saves."""
    def alt_f4(state: dict) -> None:
        # A click on the clock gives it the keyboard (a press of no
        # distance is a move of no distance).
        run.desktop.move(*run.label_point(state))
        run.desktop.click(1)
        run.probe.require("not-moving", MENU_TIMEOUT, "the click to end")
        run.desktop.key("alt+F4")

    _close_saves(run, "-noadjust", alt_f4, {
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
        run.end_clocks()


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
        run.end_clocks()
