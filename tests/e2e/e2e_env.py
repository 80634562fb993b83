#!/usr/bin/python3
"""Starts and stops the end-to-end tests' shared session: one virtual X
display and one warm Wine prefix for the whole suite.

    e2e_env.py start --state-file FILE --prefix DIR --work-dir DIR --probe EXE
    e2e_env.py stop  --state-file FILE

`start` creates the prefix on first use, starts Xvfb and a Wine session in
it, and writes what the scenarios need (display, prefix, PIDs) to FILE.
`stop` ends exactly those processes and the prefix's wineserver, and fails
when any process of the prefix is still alive afterwards.
"""

from __future__ import annotations

import argparse
import sys
from pathlib import Path

# The harness modules are imported from the source tree, which stays
# clean of compiled files.
sys.dont_write_bytecode = True

from harness import WineSession, log


def main() -> int:
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("action", choices=("start", "stop"))
    parser.add_argument("--state-file", required=True)
    parser.add_argument("--prefix")
    parser.add_argument("--work-dir")
    parser.add_argument("--probe")
    args = parser.parse_args()
    state_file = Path(args.state_file)

    if args.action == "start":
        if not args.probe or not Path(args.probe).is_file():
            print(f"--probe {args.probe}: no such file (is the Windows build "
                  "done?)", file=sys.stderr)
            return 1
        previous = WineSession.load(state_file, require_live=False)
        if previous is not None:
            log("a shared session from an earlier run is still up; ending it")
            previous.stop()
        state_file.unlink(missing_ok=True)
        session = WineSession.start(Path(args.prefix), Path(args.work_dir),
                                    Path(args.probe))
        session.save(state_file)
        log(f"shared session: display {session.display}, prefix "
            f"{session.prefix}")
        return 0

    session = WineSession.load(state_file, require_live=False)
    state_file.unlink(missing_ok=True)
    if session is None:
        log("no shared session was running")
        return 0
    left = session.stop()
    if left:
        log(f"processes of the prefix still alive after the stop: {left}")
        return 1
    log("shared session ended; no process of the prefix is left")
    return 0


if __name__ == "__main__":
    sys.exit(main())
