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

import contextlib
import importlib
import re
import sys
import traceback
from pathlib import Path

# The test modules are imported from the source tree, which stays clean of
# compiled files.
sys.dont_write_bytecode = True
sys.path.insert(0, str(Path(__file__).resolve().parents[1] / "wine"))

from clock import EXIT_TIMEOUT, Run  # noqa: E402
from registry import SCENARIOS, main  # noqa: E402
from session import check, log  # noqa: E402

# Each registers its scenarios when imported.
MODULES = ("menus", "reach", "settings", "startup")


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


@contextlib.contextmanager
def clock_run(session, args, name: str):
    """A Run of its own for the scenario, from a clean start; on failure,
    the traceback and a screenshot beside its artifacts. Nothing of it may
    outlive it."""
    artifacts = Path(args.work_dir) / "artifacts" / name
    run = Run(session, Path(args.exe), artifacts, args.version)
    try:
        run.clean_start()
        yield run
    except Exception:
        with open(artifacts / "failure.txt", "w") as report:
            traceback.print_exc(file=report)
        try:
            run.screenshot("at-failure")
        except Exception as shot_error:  # best effort only
            log(f"no screenshot: {shot_error}")
        raise
    finally:
        run.finish()
        held, state = run.probe.wait("no-process", EXIT_TIMEOUT)
        check(held, "Quorvo.exe still runs after the scenario: "
                    f"{state['processes']}")


if __name__ == "__main__":
    import_modules()
    sys.exit(main(__doc__, ("--version",), clock_run))
