#!/usr/bin/env python3
"""Checks the link map of Quorvo.exe: every function listed in the tick code
list was placed, and all of them lie together at the start of the code.

usage: check_tick_layout.py QUORVO_MAP TICK_CODE_LIST
"""
from __future__ import annotations

import re
import sys
from pathlib import Path

# All of a tick's code is to fit in two pages at most.
MOST_BYTES = 2 * 4096


def listed_names(path: Path) -> list[str]:
    return [line.strip() for line in path.read_text().splitlines()
            if line.strip() and not line.startswith("#")]


def placed_sections(map_text: str) -> dict[str, tuple[int, int]]:
    """Input sections of .text in the map: name -> (address, size)."""
    placed = {}
    # " .text$NAME" then, on the same or the next line, address and size.
    pattern = re.compile(r"^ (\.text\$\S+)\s+0x([0-9a-f]+)\s+0x([0-9a-f]+)",
                         re.MULTILINE)
    for match in pattern.finditer(map_text):
        name = match.group(1)[len(".text$"):]
        placed.setdefault(name, (int(match.group(2), 16),
                                 int(match.group(3), 16)))
    return placed


def main() -> int:
    map_path, list_path = Path(sys.argv[1]), Path(sys.argv[2])
    names = listed_names(list_path)
    placed = placed_sections(map_path.read_text(errors="replace"))
    text = re.search(r"^\.text\s+0x([0-9a-f]+)", map_path.read_text(
        errors="replace"), re.MULTILINE)
    if not names or not placed or text is None:
        print(f"FAILED: nothing to check in {map_path} / {list_path}")
        return 1
    start = int(text.group(1), 16)
    missing = [name for name in names if name not in placed]
    for name in missing:
        print(f"FAILED: {name} is not in the program (renamed or inlined?)")
    ends = [placed[name][0] + placed[name][1] - start
            for name in names if name in placed]
    end = max(ends, default=0)
    print(f"{len(names) - len(missing)} of {len(names)} listed functions, "
          f"the last ending {end} bytes into the code")
    if end > MOST_BYTES:
        print(f"FAILED: the tick's code spreads past {MOST_BYTES} bytes")
        return 1
    return 1 if missing else 0


if __name__ == "__main__":
    sys.exit(main())
