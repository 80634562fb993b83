"""The register of scenarios that the end-to-end and installer runners
share: each scenario with its ctest labels and time limit, listed for
quorvo_add_scenarios (tests/windows_side.cmake), and the loop that runs
the named ones in the live session that --state-file names."""

from __future__ import annotations

import argparse
import sys
import time
import traceback
from pathlib import Path

from session import WineHung, WineSession, log

# name -> (function, labels, time limit in seconds)
SCENARIOS: dict[str, tuple] = {}

# A scenario that cannot run here (no session it needs) says why and exits
# with this code, which ctest counts as skipped, not passed.
EXIT_SKIPPED = 77


def scenario(labels: str, timeout: int = 120, name: str = ""):
    """Registers a scenario under its function's name, or under name (a row
    of a table that is a scenario of its own)."""
    def register(function):
        SCENARIOS[name or function.__name__] = (function, labels, timeout)
        return function
    return register


def run_scenarios(session: WineSession, names: list[str], prepare) -> int:
    """Runs each scenario on what the context manager prepare(name) gives
    it; leaving that ends what the scenario started, and may fail it."""
    failed = []
    for name in names:
        started = time.monotonic()
        log(f"=== {name}")
        try:
            try:
                with prepare(name) as it:
                    SCENARIOS[name][0](it)
            except WineHung as hang:
                if not session.monitors:
                    raise
                # Wine 10 can stall for good after an output of the
                # two-monitor layout goes off or on: every Wine program
                # started afterwards waits forever, the clock's state unread.
                # A new Wine session and the scenario once more tell that
                # from a fault of the clock, which fails again.
                log(f"{name}: {hang}; a new Wine session, and the scenario "
                    f"once more")
                session.restart_wine()
                with prepare(name) as it:
                    SCENARIOS[name][0](it)
            log(f"PASS {name} ({time.monotonic() - started:.1f}s)")
        except Exception as error:  # report every failure the same way
            failed.append(name)
            log(f"FAIL {name}: {error}")
            traceback.print_exc(file=sys.stdout)
    print(f"{len(names) - len(failed)} passed, {len(failed)} failed")
    return 1 if failed else 0


def main(doc: str, options: tuple[str, ...], prepare) -> int:
    """The command line of a runner: --list, or the scenarios named, each
    run on prepare(session, args, name) (see run_scenarios)."""
    parser = argparse.ArgumentParser(description=doc.splitlines()[0])
    for option in ("--exe", "--work-dir", "--state-file", *options):
        parser.add_argument(option, default="")
    parser.add_argument("--list", action="store_true")
    parser.add_argument("names", nargs="*")
    args = parser.parse_args()
    if args.list:
        for name, (_, labels, timeout) in SCENARIOS.items():
            print(f"{name}|{labels}|{timeout}")
        return 0
    unknown = [n for n in args.names if n not in SCENARIOS]
    if unknown or not args.names or not args.state_file:
        parser.error(f"unknown scenarios {unknown} or no --state-file; "
                     f"known: {list(SCENARIOS)}")
    if not Path(args.exe).is_file():
        print(f"--exe {args.exe}: no such file (is the Windows build done?)",
              file=sys.stderr)
        return 1
    state_file = Path(args.state_file)
    session = WineSession.load(state_file)
    if session is None:
        reason = state_file.with_suffix(".unavailable")
        if reason.exists():
            print(f"skipped: {reason.read_text().strip()}")
            return EXIT_SKIPPED
        log(f"no live session in {state_file}: run `session.py start` first")
        return 1
    return run_scenarios(session, args.names,
                         lambda name: prepare(session, args, name))
