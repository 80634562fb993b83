"""What the clock should read at a given moment, in English (United States)
settings, written out independently of the program: the long date, the
12-hour long and medium times with their leading zero trimmed, and the
24-hour forms without leading zeros on minutes and seconds."""

from __future__ import annotations

import datetime as dt

WEEKDAYS = ("Monday", "Tuesday", "Wednesday", "Thursday", "Friday",
            "Saturday", "Sunday")
MONTHS = ("January", "February", "March", "April", "May", "June", "July",
          "August", "September", "October", "November", "December")


def long_date(moment: dt.datetime) -> str:
    """"Monday, March 4 2024"."""
    return (f"{WEEKDAYS[moment.weekday()]}, {MONTHS[moment.month - 1]} "
            f"{moment.day} {moment.year}")


def _hour12(moment: dt.datetime) -> tuple[int, str]:
    hour = moment.hour % 12 or 12
    return hour, "AM" if moment.hour < 12 else "PM"


def time_text(moment: dt.datetime, seconds: bool, hour24: bool) -> str:
    """The time as the clock shows it in just-time and date-and-time modes:
    "9:05 PM", "9:05:03 PM", "21:5", "21:5:3"."""
    if hour24:
        text = f"{moment.hour}:{moment.minute}"
        return text + f":{moment.second}" if seconds else text
    hour, designator = _hour12(moment)
    text = f"{hour}:{moment.minute:02d}"
    if seconds:
        text += f":{moment.second:02d}"
    return f"{text} {designator}"


def tooltip_time(moment: dt.datetime, hour24: bool) -> str:
    """The tooltip in just-date mode: the time without seconds."""
    return time_text(moment, seconds=False, hour24=hour24)


def clock_text(mode: str, moment: dt.datetime, seconds: bool,
               hour24: bool) -> str:
    if mode == "time":
        return time_text(moment, seconds, hour24)
    if mode == "date":
        return long_date(moment)
    if mode == "datetime":
        return time_text(moment, seconds, hour24) + "  " + long_date(moment)
    raise ValueError(mode)


def moments_between(start: dt.datetime, end: dt.datetime,
                    slack_seconds: int = 1) -> list[dt.datetime]:
    """Every whole second from start - slack to end + slack: the moments a
    text read between start and end may show (the label lags the clock by
    up to one tick, and a probe call takes a moment)."""
    first = start.replace(microsecond=0) - dt.timedelta(seconds=slack_seconds)
    last = end + dt.timedelta(seconds=slack_seconds)
    moments = []
    moment = first
    while moment <= last:
        moments.append(moment)
        moment += dt.timedelta(seconds=1)
    return moments


def possible_texts(mode: str, start: dt.datetime, end: dt.datetime,
                   seconds: bool, hour24: bool) -> set[str]:
    return {clock_text(mode, m, seconds, hour24)
            for m in moments_between(start, end)}


def possible_tooltips(mode: str, start: dt.datetime, end: dt.datetime,
                      hour24: bool) -> set[str]:
    """The tooltip of each mode: the long date in just-time mode, the time
    in just-date mode, none in date-and-time mode."""
    moments = moments_between(start, end)
    if mode == "time":
        return {long_date(m) for m in moments}
    if mode == "date":
        return {tooltip_time(m, hour24) for m in moments}
    return {""}
