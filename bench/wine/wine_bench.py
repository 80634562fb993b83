"""What the whole-program benchmark and the growth check share: the Wine
session that tests/tools/wine-run provides, the end-to-end harness on top of
it, the probe's resource counts, and the Linux side of a Wine process (/proc).

A Windows program started with `wine PROGRAM.exe` runs in the very Linux
process that `wine` was started as, so the PID that subprocess hands back is
the one whose /proc entry holds the program's CPU time and memory.
"""

from __future__ import annotations

import fcntl
import json
import os
import subprocess
import sys
import time
from dataclasses import dataclass
from pathlib import Path

SOURCE_ROOT = Path(__file__).resolve().parents[2]
sys.path.insert(0, str(SOURCE_ROOT / "tests" / "e2e"))

# The harness of the end-to-end tests: session, probe, desktop, processes.
from harness import (E2EFailure, Probe, WineSession, _end_pid,  # noqa: E402
                     check, log)

WINE_RUN = SOURCE_ROOT / "tests" / "tools" / "wine-run"
CLOCK_TICKS_PER_SECOND = os.sysconf("SC_CLK_TCK")
BENCH_DPI = 96


def end_pid(pid: int) -> None:
    """Ends one process this program started: TERM, then KILL."""
    _end_pid(pid)


def ensure_wine_run(prefix: Path) -> None:
    """Runs this script again inside wine-run (its own prefix, a private
    display, 96 DPI) unless it already runs in one."""
    if os.environ.get("QUORVO_SCREEN") and os.environ.get("WINEPREFIX") \
            and os.environ.get("DISPLAY"):
        return
    prefix.parent.mkdir(parents=True, exist_ok=True)
    script = Path(sys.argv[0]).resolve()
    os.execv(str(WINE_RUN), [str(WINE_RUN), "--prefix", str(prefix),
                             "--dpi", str(BENCH_DPI), "--",
                             sys.executable, str(script), *sys.argv[1:]])


_prefix_lock = None


def hold_prefix() -> None:
    """Takes the prefix for this process until it ends: the growth check
    and the benchmark share one prefix, and two clocks in one prefix would
    make the second end at once as a second instance."""
    global _prefix_lock
    prefix = Path(os.environ["WINEPREFIX"])
    _prefix_lock = open(prefix.parent / (prefix.name + ".bench-lock"), "w")
    try:
        fcntl.flock(_prefix_lock, fcntl.LOCK_EX | fcntl.LOCK_NB)
    except BlockingIOError:
        log(f"waiting for another benchmark run on {prefix}")
        fcntl.flock(_prefix_lock, fcntl.LOCK_EX)


def session_from_environment(work_dir: Path, probe_exe: Path) -> WineSession:
    """The harness's view of the prefix and display that wine-run set up;
    wine-run, not this session, ends them."""
    work_dir.mkdir(parents=True, exist_ok=True)
    return WineSession(prefix=Path(os.environ["WINEPREFIX"]),
                       work_dir=work_dir, probe_exe=probe_exe,
                       display=os.environ["DISPLAY"], owned=False)


class Meter:
    """The probe's resource counts (quorvo_probe.exe usage, menus,
    menu-alive), run inside the session."""

    def __init__(self, session: WineSession, probe_exe: Path):
        self.session = session
        self.exe = probe_exe

    def _call(self, *args: str) -> dict:
        result = self.session.run([str(self.exe), *args], name="meter")
        text = result.stdout.strip()
        try:
            data = json.loads(text.splitlines()[-1]) if text else {}
        except ValueError as error:
            raise E2EFailure(f"probe {args}: unreadable output "
                             f"{text!r}") from error
        if result.returncode != 0 or "error" in data:
            raise E2EFailure(f"probe {args} failed "
                             f"({result.returncode}): {text} "
                             f"{result.stderr.strip()}")
        return data

    def usage(self, exe_name: str) -> dict:
        """The one running process of exe_name, as the probe counts it."""
        processes = self._call("usage", exe_name)["processes"]
        check(len(processes) == 1,
              f"expected one {exe_name} process, found {processes}")
        usage = processes[0]
        check(usage.get("gdi_table") is not None,
              f"the GDI handle table of {exe_name} could not be read: "
              f"{usage}")
        # Every process holds the stock objects; none seen means the table
        # was not read right, and a count of 0 would prove nothing.
        check(usage["gdi_table"]["stock"] > 0,
              f"no stock objects in the GDI table of {exe_name}: {usage}")
        check(usage["private_committed"] > 0,
              f"no private memory counted for {exe_name}: {usage}")
        return usage

    def open_menus(self, exe_name: str) -> list[dict]:
        return self._call("--exe", exe_name, "menus")["menus"]

    def menus_alive(self, windows_pid: int, menus: list[int]) -> list[bool]:
        alive = self._call("menu-alive", str(windows_pid),
                           *[str(m) for m in menus])["alive"]
        check(len(alive) == len(menus),
              f"asked about {len(menus)} menus, got {len(alive)} answers")
        return alive


@dataclass
class LinuxProcess:
    """The Linux process that hosts a Windows program under Wine."""

    pid: int

    def alive(self) -> bool:
        try:
            stat = Path(f"/proc/{self.pid}/stat").read_text()
        except OSError:
            return False
        return stat.rsplit(") ", 1)[1][0] != "Z"

    def comm(self) -> str:
        return Path(f"/proc/{self.pid}/comm").read_text().strip()

    def cpu_seconds(self) -> float:
        """User plus system time of all its threads so far."""
        fields = Path(f"/proc/{self.pid}/stat").read_text() \
            .rsplit(") ", 1)[1].split()
        # utime and stime are fields 14 and 15 of stat; the split starts at
        # field 3.
        return (int(fields[11]) + int(fields[12])) / CLOCK_TICKS_PER_SECOND

    def cpu_ms_exact(self) -> float:
        """Time on a CPU of all its threads so far, in milliseconds, from
        the scheduler's nanosecond count (/proc/PID/task/*/schedstat):
        utime and stime come in 10 ms steps, too coarse for a program that
        uses a tenth of a second a minute."""
        total_ns = 0
        for task in Path(f"/proc/{self.pid}/task").iterdir():
            try:
                total_ns += int((task / "schedstat").read_text().split()[0])
            except (OSError, ValueError, IndexError):
                continue  # a thread that ended meanwhile
        return total_ns / 1e6

    def memory_kib(self) -> dict[str, int]:
        """VmRSS, VmHWM and RssAnon in KiB."""
        wanted = {"VmRSS", "VmHWM", "RssAnon"}
        found = {}
        for line in Path(f"/proc/{self.pid}/status").read_text().splitlines():
            key, _, value = line.partition(":")
            if key in wanted:
                found[key] = int(value.split()[0])
        check(set(found) == wanted, f"/proc/{self.pid}/status lacks "
                                    f"{wanted - set(found)}")
        return found


def visible_x_windows(session: WineSession, pid: int) -> list[str]:
    """Viewable X windows that Wine made for the Linux process pid."""
    result = subprocess.run(
        ["xdotool", "search", "--onlyvisible", "--pid", str(pid)],
        env=session.env(), stdin=subprocess.DEVNULL, capture_output=True,
        text=True, timeout=30)
    return result.stdout.split() if result.returncode == 0 else []


def wait_visible_window(session: WineSession, pid: int, timeout: float,
                        interval: float = 0.01) -> float:
    """Polls the X server until pid has a viewable window; returns the
    monotonic time it was first seen."""
    deadline = time.monotonic() + timeout
    while True:
        if visible_x_windows(session, pid):
            return time.monotonic()
        if not LinuxProcess(pid).alive():
            raise E2EFailure(f"process {pid} ended before it showed a window")
        if time.monotonic() >= deadline:
            raise E2EFailure(f"process {pid} showed no window within "
                             f"{timeout:.0f}s")
        time.sleep(interval)
