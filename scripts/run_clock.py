#!/usr/bin/python3
"""Runs Quorvo.exe on a private virtual display for a few seconds, saves a
screenshot of the screen as PNG and prints the picture's path as the last
line of its output: the clock looked at on a machine without a display.
Everything it starts ends with it.

    run_clock.py --build DIR [--seconds N] [-- QUORVO-ARGUMENTS...]

The programs are looked for in DIR/windows; the Wine prefix is
DIR/e2e/run-prefix and the screenshot DIR/quorvo-clock.png. Exit status 0
with the path printed; non-zero when the clock window did not appear.
"""

from __future__ import annotations

import argparse
import sys
import time
from pathlib import Path

sys.dont_write_bytecode = True  # no bytecode files in the source tree
sys.path.insert(0, str(Path(__file__).resolve().parents[1] / "tests" / "wine"))
from clock import (EXIT_TIMEOUT, WINDOW_TIMEOUT, Desktop,  # noqa: E402
                   Probe, Quorvo)
from session import E2EFailure, WineSession  # noqa: E402


def main() -> int:
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--build", default="build")
    parser.add_argument("--seconds", type=float, default=3)
    parser.add_argument("arguments", nargs="*")
    args = parser.parse_args()
    build = Path(args.build).resolve()
    windows = build / "windows"
    for program in ("Quorvo.exe", "quorvo_probe.exe"):
        if not (windows / program).is_file():
            print(f"{windows / program} is missing; build first",
                  file=sys.stderr)
            return 1
    session = WineSession.start(build / "e2e" / "run-prefix",
                                build / "e2e" / "run", windows /
                                "quorvo_probe.exe")
    quorvo = Quorvo(session, windows / "Quorvo.exe", session.work_dir)
    try:
        process = quorvo.start(*args.arguments)
        probe = Probe(session)
        probe.require("clock", WINDOW_TIMEOUT, "the clock window")
        time.sleep(args.seconds)  # let it tick, as a person would watch it
        shot = Desktop(session, build).screenshot("quorvo-clock")
        # Closed the way the system would close it, so it saves its place.
        probe.close()
        quorvo.wait_exit(process, EXIT_TIMEOUT)
    except E2EFailure as failure:
        print(f"run_clock.py: {failure}", file=sys.stderr)
        return 1
    finally:
        quorvo.end_all()
        session.stop()
    print(shot)
    return 0


if __name__ == "__main__":
    sys.exit(main())
