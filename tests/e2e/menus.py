"""The mouse and the options menu: moving the clock, opening the menu by mouse
and keyboard, the choices, the tooltip, About and Adjust Date/Time."""

from __future__ import annotations

from clock import MENU_TIMEOUT, TICK_TIMEOUT, Probe, Run, moved_by, position
from registry import scenario
from session import check, log, poll


ABOUT_TITLE = "About Quorvo"
# The version part of the first line comes from the build (--version).
ABOUT_TEXT = ("Quorvo {version}\r\n"
              "Build date: September 8, 2004\r\n\r\n"
              "Freeware: use it, share it, keep it ticking.\r\n\r\n"
              "http://www.velmora-software.example/quorvo/\r\n\r\n"
              "Copyright \u00a9 2004 Velmora Software. All rights reserved.")


def _drag_check(run: Run, where: str) -> None:
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


# A left drag on the label, or on the window's own surface beside it, moves
# the window by the pointer's travel.
for _name, _where in (("drag_by_label", "label"),
                      ("drag_by_window_margin", "margin")):
    scenario("e2e,mouse", name=_name)(
        lambda run, where=_where: _drag_check(run, where))


@scenario("e2e,menu")
def double_click_menu_just_date_by_click(run: Run) -> None:
    """A double-click opens the menu; a click on its first item, Just Date,
    shows the date at the next tick."""
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


def _geometry(run: Run, started: dict, state: dict) -> None:
    run.check_geometry(state)


def _tooltip(mode: str, hour24: bool):
    return lambda run, started, state: run.expect_tooltip(mode, hour24)


def _tooltip_turns_12_hour(run: Run, started: dict, state: dict) -> None:
    poll(lambda: run.tooltip_reads("date", hour24=False), TICK_TIMEOUT,
         interval=0.1, what="the 12-hour time as tooltip")


def _hover(mode: str, shows: str = ""):
    """Rests the pointer on the label until a tooltip that shows `shows` is
    shown, reading as mode gives."""
    def hover(run: Run, started: dict, state: dict) -> None:
        tip = run.hover_tooltip(mode, lambda text: shows in text)
        run.screenshot(f"tooltip-{mode}", tip["rect"])
    return hover


def _no_tooltip(run: Run, started: dict, state: dict) -> None:
    run.hover_label()
    run.observe_quietly(
        lambda s: not any(tip["visible"] for tip in s["tooltips"]),
        "a tooltip showed in date-and-time mode")


def _nothing_changed(run: Run, started: dict, state: dict) -> None:
    run.observe_quietly(
        lambda s: s["menus"] == [] and s["dialogs"] == [] and
        position(s) == position(started),
        "a menu or dialog is open, or the window moved")
    check(len(run.probe.state()["processes"]) == 1, "the clock ended")


def _middle_click(run: Run) -> None:
    run.desktop.move(*run.label_point(run.probe.state()))
    run.desktop.click(2)


def _margin_menu_escaped(run: Run) -> None:
    run.open_menu("right", "margin")
    run.choose("Escape")


# Scripts of menu choices, each a scenario of its own: labels, switch, and
# steps of keys pressed in the menu opened by a right click on the label
# (none for the start) or an action of their own, the display they give
# (mode, seconds, 24-hour) and checks of the state then (given the state at
# the start too).
MENU_SCRIPTS = {
    # A right click opens the menu at the pointer, on the window's own
    # surface beside the label as well as on the label; "d" chooses Just
    # Date, which shows at the next tick, with the time as tooltip.
    "right_click_menu_just_date_by_key": ("e2e,menu", (), [
        (_margin_menu_escaped, "time", False, False),
        ("d", "date", False, False, _geometry, _tooltip("date", False))]),
    # "e" chooses Date & Time: time, two blanks, date; then "s" turns on
    # seconds and "t" goes back to just the time, seconds kept.
    "menu_date_and_time": ("e2e,menu", (), [
        ("", "time", False, False),
        ("e", "datetime", False, False, _geometry,
         _tooltip("datetime", False)),
        ("s", "datetime", True, False),
        ("t", "time", True, False, _geometry)]),
    # 24 hour time (no access key: three steps up from the bottom) toggles
    # the form: hours 0-23, minutes without a leading zero, in the tooltip
    # of just-date mode too; again gives the 12-hour form back.
    "menu_24_hour": ("e2e,menu", (), [
        ("", "time", False, False),
        ("Up Up Up Return", "time", False, True),
        ("s", "time", True, True),
        ("d", "date", False, True, _tooltip("date", True)),
        ("Up Up Up Return", "date", False, False, _tooltip_turns_12_hour)]),
    # -date hides the Seconds item but keeps its design-time mark: its key
    # does nothing then ("s" matches no visible item, so the menu stays open
    # for "t"), and Just Time shows the time with seconds. Just Date chosen
    # from the menu hides the item again, mark kept.
    "hidden_seconds_item_keeps_its_mark": ("e2e,menu,switches", ("-date",), [
        ("", "date", False, False),
        ("s t", "time", True, False),
        ("d", "date", False, False),
        ("s e", "datetime", True, False)]),
    "menu_escape_changes_nothing": ("e2e,menu", ("-timesec",), [
        ("", "time", True, False),
        ("Escape", "time", True, False, _nothing_changed)]),
    "middle_click_does_nothing": ("e2e,mouse", ("-timesec",), [
        (_middle_click, "time", True, False, _nothing_changed)]),
    # -noadjust: the menu has no Adjust Date/Time item and no line above
    # it: "a" matches no item, so "s" then turns the seconds off; four steps
    # up from the bottom (Exit, About, 24 hour time) reach Seconds.
    "switch_noadjust": ("e2e,switches,menu", ("-noadjust",), [
        ("", "time", True, False),
        ("a s", "time", False, False),
        ("Up Up Up Up Return", "time", True, False)]),
    # "-date -noadjust" matches no switch: the Adjust item stays, so five
    # steps up from the bottom reach Seconds.
    "switch_two_switches": ("e2e,switches,menu", ("-date", "-noadjust"), [
        ("", "time", True, False),
        ("Up Up Up Up Up Return", "time", False, False)]),
    # Resting the pointer on the clock shows the long date in just-time mode
    # and the time in just-date mode (the date's tooltip may still show for
    # a moment); date-and-time mode shows none.
    "tooltip_on_hover": ("e2e,menu", (), [
        ("", "time", False, False, _hover("time")),
        ("d", "date", False, False, _hover("date", ":")),
        ("e", "datetime", False, False, _no_tooltip)]),
}


def _menu_by_right_click(run: Run) -> None:
    """Opens the menu with a right click on the label: at the pointer,
    drawn, and seen by the X server as a new override-redirect window where
    the probe says it is."""
    known = {w["id"] for w in run.desktop.viewable_windows()}
    menu = run.open_menu("right")["menus"][0]["rect"]
    point = run.menu_point
    check(abs(menu["left"] - point[0]) <= 2 and
          abs(menu["top"] - point[1]) <= 2,
          f"the menu at {menu} did not open at the pointer {point}")
    new = [w for w in run.desktop.viewable_windows() if w["id"] not in known]
    check(any(w["override_redirect"] and
              (w["x"], w["y"], w["width"], w["height"]) ==
              (menu["left"], menu["top"], menu["width"], menu["height"])
              for w in new),
          f"no new override-redirect X window at the menu's place "
          f"{menu}; new windows: {new}")
    shot = run.screenshot("menu", menu)
    check(run.desktop.distinct_colours(shot) >= 2,
          "the menu's area shows a single colour")


def _menu_script(run: Run, switch: tuple[str, ...], steps: list) -> None:
    started = run.start(*switch)
    for keys, mode, seconds, hour24, *checks in steps:
        if callable(keys):
            keys(run)
        elif keys:
            _menu_by_right_click(run)
            run.choose(*keys.split())
        state = run.expect_text(mode, seconds=seconds, hour24=hour24)
        for check_state in checks:
            check_state(run, started, state)
    check(not run.probe.reg_dump()["exists"],
          "a menu choice wrote to the settings store")


for _name, (_labels, _switch, _steps) in MENU_SCRIPTS.items():
    scenario(_labels, name=_name)(
        lambda run, switch=_switch, steps=_steps:
        _menu_script(run, switch, steps))


@scenario("e2e,menu,reach,startup")
def keyboard_opens_the_menu(run: Run) -> None:
    """Started while another program has the keyboard, the clock leaves it
    there. Once clicked it has the keyboard, and Shift+F10 and the Menu key
    open the options menu below the clock, and the keyboard chooses from
    it."""
    holder, holder_hwnd = run.probe.hold_focus(120)
    try:
        state = run.start()
        run.observe_quietly(
            lambda s: s["foreground"]["hwnd"] == holder_hwnd,
            "the clock took the keyboard from the other program at its start")
        for keys, access, mode in (("shift+F10", "d", "date"),
                                   ("Menu", "t", "time")):
            log(f"case: {keys}")
            run.desktop.move(*run.label_point(state))
            run.desktop.click(1)
            run.probe.require("not-moving", MENU_TIMEOUT, "the click to end")
            run.state_where(
                lambda s: s["foreground"]["hwnd"] == s["clock"]["hwnd"],
                "the clicked clock to have the keyboard", MENU_TIMEOUT)
            if keys == "shift+F10":
                _, seen = holder.result()
                check(not seen["kept"] and
                      seen["lost_to"]["hwnd"] == state["clock"]["hwnd"],
                      f"the other program kept the keyboard or lost it to "
                      f"another window than the clicked clock: {seen}")
            # The pointer stays on the clock: the virtual display has no
            # window manager, so X gives the keys to the window under the
            # pointer. It is not where the menu opens from the keyboard.
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
    finally:
        holder.end()


@scenario("e2e,commands")
def about_box(run: Run) -> None:
    """About (two steps up from the bottom) shows a message box with the
    title, the five-line text, an information icon and one OK button; the
    clock ticks on meanwhile and after Enter closes it."""
    run.start("-timesec")
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
    run.start("-timesec")
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
