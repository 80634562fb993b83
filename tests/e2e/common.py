"""What the end-to-end scenario files share: the register of scenarios, with
the ctest labels and time limit of each, and the clock's default place."""

from __future__ import annotations

# name -> (function, labels, time limit in seconds)
SCENARIOS: dict[str, tuple] = {}

DEFAULT_LEFT_TWIPS = 5430
DEFAULT_TOP_TWIPS = -15


def scenario(labels: str, timeout: int = 120, name: str = ""):
    """Registers a scenario under its function's name, or under name (a row
    of a table that is a scenario of its own). Scenarios labelled "monitors"
    run on a session with two monitors."""
    def register(function):
        SCENARIOS[name or function.__name__] = (function, labels, timeout)
        return function
    return register
