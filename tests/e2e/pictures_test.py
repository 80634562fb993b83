#!/usr/bin/python3
"""The pictures `make pictures` takes for the README, taken into a folder of
this test's own: each one there, a PNG of a plausible size, not blank, on
the plain desktop colour; the 150 % ones about half as large again as the
100 % ones, and the display modes as wide as their texts are long.

    pictures_test.py --windows-dir DIR --work-dir DIR [--state-file FILE]

With --state-file, in that live session (session.py start).
"""

from __future__ import annotations

import argparse
import shutil
import subprocess
import sys
from pathlib import Path

sys.dont_write_bytecode = True
ROOT = Path(__file__).resolve().parents[2]
sys.path.insert(0, str(ROOT / "scripts"))
import pictures  # noqa: E402

# Width and height at 100 %, in pixels, that a picture of each kind may have.
PLAUSIBLE = {"clock": ((40, 500), (20, 80)), "menu": ((100, 400), (100, 400)),
             "about": ((200, 700), (80, 400))}


def look(path: Path) -> tuple[int, int, int, str]:
    """Width, height, number of colours and the top-left pixel's colour."""
    kind, *seen = subprocess.run(
        ["convert", str(path), "-format", "%m %w %h %k %[hex:p{0,0}]",
         "info:"],
        capture_output=True, text=True, check=True, timeout=60).stdout.split()
    if kind != "PNG":
        return 0, 0, 0, f"not a PNG but {kind}"
    return int(seen[0]), int(seen[1]), int(seen[2]), "#" + seen[3][:6].lower()


def main() -> int:
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--windows-dir", required=True)
    parser.add_argument("--work-dir", required=True, type=Path)
    parser.add_argument("--state-file")
    args = parser.parse_args()
    out = args.work_dir / "out"
    shutil.rmtree(out, ignore_errors=True)
    made = subprocess.run(
        [sys.executable, str(ROOT / "scripts" / "pictures.py"), "--windows-dir",
         args.windows_dir, "--work-dir", str(args.work_dir), "--out", str(out),
         *(["--state-file", args.state_file] if args.state_file else [])],
        stdin=subprocess.DEVNULL)
    failures = [] if made.returncode == 0 else [
        f"pictures.py ended with {made.returncode}"]
    sizes = {}
    for name in pictures.picture_names():
        path = out / name
        if not path.is_file():
            failures.append(f"{name} is missing")
            continue
        width, height, colours, corner = sizes[name] = look(path)
        scale = int(name.rsplit("-", 1)[1][:-4])
        (low_w, high_w), (low_h, high_h) = PLAUSIBLE[name.split("-")[0]]
        if not (low_w * scale <= width * 100 <= high_w * scale and
                low_h * scale <= height * 100 <= high_h * scale):
            failures.append(f"{name} is {width}x{height} at {scale} %")
        # The window and its text on the desktop's colour: at least three.
        if colours < 3 or corner != pictures.DESKTOP:
            failures.append(f"{name}: {colours} colours, corner {corner}")
    if len(sizes) == len(pictures.picture_names()):
        for name in pictures.picture_names():
            if name.endswith("-150.png"):
                large, small = sizes[name], sizes[name[:-8] + "-100.png"]
                # About's text wraps where it fits, so not exactly 1.5.
                if not all(1.2 <= large[i] / small[i] <= 1.9 for i in (0, 1)):
                    failures.append(f"{name} is {large[:2]}, at 100 % "
                                    f"{small[:2]}")
        width = {n[:-4]: sizes[n][0] for n in sizes}
        if not (width["clock-time-100"] < width["clock-time-seconds-100"] <
                width["clock-date-time-100"] > width["clock-date-100"]):
            failures.append(f"the modes' widths at 100 %: {width}")
    for failure in failures:
        print(f"FAIL: {failure}")
    print(f"{'FAILED' if failures else 'passed'}: {len(failures)} failures")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
