"""What the whole-program benchmark and the growth check share: a Wine
session of tests/wine/session.py with the clock driver of the tests on top,
the probe's resource counts, and the Linux side of a Wine process (/proc).

A Windows program started with `wine PROGRAM.exe` runs in the very Linux
process that `wine` was started as, so the PID that subprocess hands back is
the one whose /proc entry holds the program's CPU time and memory.
"""

from __future__ import annotations

import sys
from dataclasses import dataclass
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[2] / "tests" / "wine"))

from clock import (EXIT_TIMEOUT, MENU_TIMEOUT,  # noqa: E402,F401
                   TICK_TIMEOUT, WINDOW_TIMEOUT, Probe, Run)
from session import (BASE_DPI, E2EFailure, WineSession,  # noqa: E402,F401
                     check, end_pid, log, pid_alive, poll)


def start_session(prefix: Path, work_dir: Path,
                  probe_exe: Path) -> WineSession:
    """A session of its own at 96 DPI, warm, for one measurement."""
    return WineSession.start(prefix, work_dir, probe_exe, dpi=BASE_DPI)


def usage(probe: Probe) -> dict:
    """The one running process of the probe's program, as the probe counts
    it, with proof that the counts were read at all."""
    processes = probe.usage(probe.exe_name)["processes"]
    check(len(processes) == 1,
          f"expected one {probe.exe_name} process, found {processes}")
    found = processes[0]
    check(found.get("gdi_table") is not None,
          f"the GDI handle table of {probe.exe_name} could not be read: "
          f"{found}")
    # Every process holds the stock objects; none seen means the table was
    # not read right, and a count of 0 would prove nothing.
    check(found["gdi_table"]["stock"] > 0,
          f"no stock objects in the GDI table of {probe.exe_name}: {found}")
    check(found["private_committed"] > 0,
          f"no private memory counted for {probe.exe_name}: {found}")
    return found


@dataclass
class LinuxProcess:
    """The Linux process that hosts a Windows program under Wine."""

    pid: int

    def comm(self) -> str:
        return Path(f"/proc/{self.pid}/comm").read_text().strip()

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


def wait_visible_window(session: WineSession, pid: int,
                        timeout: float) -> None:
    """Polls the X server until pid has a viewable window."""
    def shown() -> bool:
        if not pid_alive(pid):
            raise E2EFailure(f"process {pid} ended before it showed a window")
        return bool(session.run_native(
            ["xdotool", "search", "--onlyvisible", "--pid", str(pid)],
            check_ok=False).stdout.split())
    poll(shown, timeout, interval=0.01, what=f"a window of process {pid}")
