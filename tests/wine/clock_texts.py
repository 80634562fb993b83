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


def time_text(moment: dt.datetime, seconds: bool, hour24: bool) -> str:
    """"9:05 PM", "9:05:03 PM", "21:5", "21:5:3"."""
    if hour24:
        text = f"{moment.hour}:{moment.minute}"
        return text + f":{moment.second}" if seconds else text
    text = f"{moment.hour % 12 or 12}:{moment.minute:02d}"
    if seconds:
        text += f":{moment.second:02d}"
    return f"{text} {'AM' if moment.hour < 12 else 'PM'}"


def clock_text(mode: str, moment: dt.datetime, seconds: bool,
               hour24: bool) -> str:
    if mode == "time":
        return time_text(moment, seconds, hour24)
    if mode == "date":
        return long_date(moment)
    if mode == "datetime":
        return time_text(moment, seconds, hour24) + "  " + long_date(moment)
    raise ValueError(mode)


def moments_between(start: dt.datetime,
                    end: dt.datetime) -> list[dt.datetime]:
    """Every whole second from a second before start to a second after end:
    the label lags the clock by up to one tick, and a look takes a
    moment."""
    second = dt.timedelta(seconds=1)
    first = start.replace(microsecond=0) - second
    return [first + n * second
            for n in range((end + second - first) // second + 1)]


def possible_texts(mode: str, start: dt.datetime, end: dt.datetime,
                   seconds: bool, hour24: bool) -> set[str]:
    return {clock_text(mode, m, seconds, hour24)
            for m in moments_between(start, end)}


def possible_tooltips(mode: str, start: dt.datetime, end: dt.datetime,
                      hour24: bool) -> set[str]:
    """The long date in just-time mode, the time without seconds in
    just-date mode, none in date-and-time mode."""
    moments = moments_between(start, end)
    if mode == "time":
        return {long_date(m) for m in moments}
    if mode == "date":
        return {time_text(m, False, hour24) for m in moments}
    return {""}
