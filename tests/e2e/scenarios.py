#!/usr/bin/python3
"""End-to-end scenarios: the real Quorvo.exe under Wine, driven with the
mouse and keyboard, read back through the probe, the X server and the
registry. The scenarios live in startup.py, menus.py, settings.py and
reach.py; this file runs them.

    scenarios.py --exe Quorvo.exe --work-dir DIR --state-file FILE
                 [--version V] SCENARIO...
    scenarios.py --list          name|labels|time limit, for CMake

The scenarios run in the live session named by --state-file (started with
`session.py start`). Each starts from an empty settings key and ends every
Quorvo.exe it started. A scenario file that cannot be imported fails its
own scenarios, with its error, and no others.
"""

from __future__ import annotations

import argparse
import importlib
import re
import sys
import time
import traceback
from pathlib import Path

# The test modules are imported from the source tree, which stays clean of
# compiled files.
sys.dont_write_bytecode = True
sys.path.insert(0, str(Path(__file__).resolve().parents[1] / "wine"))

from clock import EXIT_TIMEOUT, Run  # noqa: E402
from common import SCENARIOS  # noqa: E402
from session import WineHung, WineSession, log  # noqa: E402

# Each registers its scenarios when imported.
MODULES = ("menus", "reach", "settings", "startup")

# A scenario that cannot run here (no session it needs) says why and exits
# with this code, which ctest counts as skipped, not passed.
EXIT_SKIPPED = 77


def import_modules() -> None:
    """Imports the scenario files. Of a file that fails, the scenarios its
    source marks @scenario stay registered, and one named after the file
    (for the rows of its tables): each fails with its error."""
    for module in MODULES:
        try:
            importlib.import_module(module)
        except Exception as error:  # one file's error stays that file's
            def fail(run: Run, error=error) -> None:
                raise error
            source = Path(__file__).with_name(f"{module}.py").read_text()
            for labels, timeout, name in [("e2e", "60", module), *re.findall(
                    r'^@scenario\("([^"]*)"(?:, timeout=(\d+))?\)\ndef (\w+)',
                    source, re.MULTILINE)]:
                SCENARIOS[name] = (fail, labels, int(timeout or 120))


def run_scenarios(names: list[str], args) -> int:
    state_file = Path(args.state_file)
    session = WineSession.load(state_file)
    if session is None:
        reason = state_file.with_suffix(".unavailable")
        if reason.exists():
            print(f"skipped: {reason.read_text().strip()}")
            return EXIT_SKIPPED
        log(f"no live session in {state_file}: run `session.py start` first")
        return 1
    work_root = Path(args.work_dir)
    failed: set[str] = set()
    for name in names:
        function = SCENARIOS[name][0]
        artifacts = work_root / "artifacts" / name
        run = Run(session, Path(args.exe), artifacts, args.version)
        started = time.monotonic()
        log(f"=== {name}")
        try:
            try:
                function(run)
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
                run.finish()
                session.restart_wine()
                run = Run(session, Path(args.exe), artifacts, args.version)
                function(run)
            log(f"PASS {name} ({time.monotonic() - started:.1f}s)")
        except Exception as error:  # report every failure the same way
            failed.add(name)
            with open(artifacts / "failure.txt", "w") as report:
                traceback.print_exc(file=report)
            log(f"FAIL {name}: {error}")
            traceback.print_exc(file=sys.stdout)
            try:
                run.screenshot("at-failure")
            except Exception as shot_error:  # best effort only
                log(f"no screenshot: {shot_error}")
        finally:
            run.finish()
        # Nothing of the scenario may outlive it.
        held, state = run.probe.wait("no-process", EXIT_TIMEOUT)
        if not held:
            failed.add(name)
            log(f"FAIL {name}: Quorvo.exe still runs after the scenario: "
                f"{state['processes']}")
    print(f"{len(set(names) - failed)} passed, {len(failed)} failed")
    return 1 if failed else 0


def main() -> int:
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--exe")
    parser.add_argument("--work-dir")
    parser.add_argument("--state-file")
    parser.add_argument("--version", default="",
                        help="the version the About box shows, e.g. 1.62")
    parser.add_argument("--list", action="store_true")
    parser.add_argument("names", nargs="*")
    args = parser.parse_args()
    import_modules()
    if args.list:
        for name, (_, labels, timeout) in SCENARIOS.items():
            print(f"{name}|{labels}|{timeout}")
        return 0
    unknown = [n for n in args.names if n not in SCENARIOS]
    if unknown or not args.names or not args.state_file:
        parser.error(f"unknown scenarios {unknown} or no --state-file; "
                     f"known: {list(SCENARIOS)}")
    if not args.exe or not Path(args.exe).is_file():
        print(f"--exe {args.exe}: no such file (is the Windows build done?)",
              file=sys.stderr)
        return 1
    return run_scenarios(args.names, args)


if __name__ == "__main__":
    sys.exit(main())
