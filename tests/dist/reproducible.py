#!/usr/bin/python3
"""Two release builds in two folders give the same bytes.

    reproducible.py --source-dir DIR --exe Quorvo.exe --release release.json
                    --work-dir DIR

One build is the tested one: its Quorvo.exe (built in the build tree)
packed by dist.py. The other is `make dist` in a copy of the source under
a different, longer path, with another time zone, locale and umask. Both
take the packed files' time from the source (its last commit), as
`make dist` in the source itself would. Quorvo.exe, the zip, the installer
and every other release file must be equal.
"""

from __future__ import annotations

import argparse
import os
import shutil
import subprocess
import sys
from pathlib import Path

sys.dont_write_bytecode = True
sys.path.insert(0, str(Path(__file__).resolve().parents[2] / "installer"))
import dist  # noqa: E402


def source_files(source: Path) -> list[Path]:
    """The checkout's files, edited and new ones included."""
    listed = subprocess.run(
        ["git", "-C", str(source), "ls-files", "-z", "--cached", "--others",
         "--exclude-standard"], capture_output=True, check=True).stdout
    return [Path(name) for name in listed.decode().split("\0")
            if name and (source / name).is_file()]


def tree(root: Path) -> dict[str, str]:
    return {str(path.relative_to(root)): dist.sha256(path)
            for path in sorted(root.rglob("*")) if path.is_file()}


def main() -> int:
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    for option in ("--source-dir", "--exe", "--release", "--work-dir"):
        parser.add_argument(option, required=True)
    args = parser.parse_args()
    source, work = Path(args.source_dir).resolve(), Path(args.work_dir)
    shutil.rmtree(work, ignore_errors=True)
    copy = work / "another-checkout-in-a-folder-with-a-longer-name" / "quorvo"
    for name in source_files(source):
        (copy / name).parent.mkdir(parents=True, exist_ok=True)
        shutil.copy2(source / name, copy / name)
    epoch = str(dist.source_date_epoch(source)[0])

    first = work / "tested-build"
    subprocess.run([sys.executable, dist.__file__, "--exe", args.exe,
                    "--release", args.release, "--source-dir", str(source),
                    "--out-dir", str(first)], check=True,
                   stdin=subprocess.DEVNULL,
                   env=dict(os.environ, SOURCE_DATE_EPOCH=epoch, TZ="UTC"))
    second = subprocess.run(
        ["make", "dist", "JOBS=1"], cwd=copy, stdin=subprocess.DEVNULL,
        env=dict(os.environ, SOURCE_DATE_EPOCH=epoch,
                 TZ="Pacific/Kiritimati", LC_ALL="C.UTF-8", LANG="C.UTF-8"),
        preexec_fn=lambda: os.umask(0o077))
    if second.returncode != 0:
        print(f"make dist in {copy} failed ({second.returncode})")
        return 1

    mine = tree(first)
    mine["Quorvo.exe"] = dist.sha256(Path(args.exe))
    theirs = tree(copy / "build" / "dist")
    theirs["Quorvo.exe"] = dist.sha256(copy / "build/release/Quorvo.exe")
    for name in sorted(set(mine) | set(theirs)):
        same = "same" if mine.get(name) == theirs.get(name) else "DIFFERENT"
        print(f"{same:9} {mine.get(name)} {theirs.get(name)} {name}")
    differ = [n for n in set(mine) | set(theirs) if mine.get(n) != theirs.get(n)]
    print(f"{len(mine) - len(differ)} passed, {len(differ)} failed")
    return 1 if differ else 0


if __name__ == "__main__":
    sys.exit(main())
