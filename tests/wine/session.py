#!/usr/bin/python3
"""One Wine session for every test that runs a Windows program: a private X
server (Xvfb, or Xorg's dummy driver for several monitors), a Wine prefix
and the DPI its programs see, started and stopped in one place.

    session.py boot    makes the prefix sessions copy, once per Wine version
    session.py start   starts a shared session on a copy of it
    session.py exec    runs one program in that session, with its exit code
    session.py stop    ends it; fails when a process of the prefix outlives it

Every process started here is ended by its PID; the only broad stop is
`wineserver -k` of the session's own prefix. Wine's background servers
inherit the standard handles of the program that started them, so every
Wine program here writes to files, never to pipes.
"""

from __future__ import annotations

import argparse
import contextlib
import fcntl
import json
import os
import re
import shutil
import signal
import subprocess
import sys
import time
from dataclasses import dataclass, field, fields
from pathlib import Path

SCREEN = (1280, 1024)
# How long a Wine program may take before it is given up on. Cold starts of
# a prefix's servers take a few seconds on a loaded machine.
WINE_COMMAND_TIMEOUT = 60.0
KEEPER_SECONDS = 1800
# Less time than any Windows program takes to start and end under Wine (a
# warm `cmd /c exit` takes about a tenth of a second).
NOT_STARTED_SECONDS = 0.05
# What Wine's launcher says when it could not start a program at all.
NOT_STARTED_WORDS = "ShellExecuteEx failed"
BASE_DPI = 96


class E2EFailure(AssertionError):
    """A check that did not hold."""


class WineHung(E2EFailure):
    """A Wine program that did not finish in its time."""


def check(condition: bool, message: str) -> None:
    if not condition:
        raise E2EFailure(message)


def poll(predicate, timeout: float, interval: float = 0.05,
         what: str = "condition"):
    """predicate's first true value, else E2EFailure with its last."""
    deadline = time.monotonic() + timeout
    while True:
        last = predicate()
        if last:
            return last
        if time.monotonic() >= deadline:
            raise E2EFailure(f"timed out after {timeout:.1f}s waiting for "
                             f"{what}; last seen: {last!r}")
        time.sleep(interval)


def log(message: str) -> None:
    print(f"[{time.strftime('%H:%M:%S')}] {message}", flush=True)


def pid_alive(pid: int) -> bool:
    try:
        os.kill(pid, 0)
    except ProcessLookupError:
        return False
    except PermissionError:
        return True
    # A zombie is dead for every purpose here.
    try:
        with open(f"/proc/{pid}/stat", encoding="ascii") as stat:
            return stat.read().rsplit(") ", 1)[1][0] != "Z"
    except (OSError, IndexError):
        return False


def end_pid(pid: int, timeout: float = 5.0) -> None:
    """TERM, then KILL."""
    for sig in (signal.SIGTERM, signal.SIGKILL):
        if not pid_alive(pid):
            return
        with contextlib.suppress(ProcessLookupError):
            os.kill(pid, sig)
        deadline = time.monotonic() + timeout
        while pid_alive(pid) and time.monotonic() < deadline:
            time.sleep(0.05)


def processes_of_prefix(prefix: Path) -> list[int]:
    """PIDs of live processes whose environment names this prefix."""
    wanted = f"WINEPREFIX={prefix}".encode()
    found = []
    for entry in Path("/proc").iterdir():
        if not entry.name.isdigit() or int(entry.name) == os.getpid():
            continue
        try:
            environ = (entry / "environ").read_bytes()
        except OSError:
            continue
        if wanted in environ.split(b"\0") and pid_alive(int(entry.name)):
            found.append(int(entry.name))
    return found


def xorg_config(monitors: list[tuple[int, int]]) -> str:
    """Room for the monitors side by side; xrandr switches them on."""
    width = sum(w for w, _ in monitors)
    height = max(h for _, h in monitors)
    return f"""Section "Device"
  Identifier "dummy"
  Driver "dummy"
  VideoRam 256000
EndSection
Section "Monitor"
  Identifier "monitor"
  HorizSync 5.0-1000.0
  VertRefresh 5.0-200.0
EndSection
Section "Screen"
  Identifier "screen"
  Device "dummy"
  Monitor "monitor"
  DefaultDepth 24
  SubSection "Display"
    Depth 24
    Virtual {max(width, 2048)} {max(height, 1024)}
  EndSubSection
EndSection
Section "ServerFlags"
  Option "AutoAddDevices" "false"
  Option "DontVTSwitch" "true"
EndSection
"""


def boot_prefix(prefix: Path) -> None:
    """Makes the prefix under a lock, unless this Wine and recipe made it
    and its wineboot finished."""
    prefix.parent.mkdir(parents=True, exist_ok=True)
    ready = prefix / ".quorvo-ready"
    wine = subprocess.run(["wine", "--version"], capture_output=True,
                          text=True, stdin=subprocess.DEVNULL).stdout.strip()
    version = f"{wine}, windows unmanaged"
    with open(prefix.parent / (prefix.name + ".lock"), "w") as lock:
        fcntl.flock(lock, fcntl.LOCK_EX)
        if ready.exists() and ready.read_text() == version:
            return
        shutil.rmtree(prefix, ignore_errors=True)
        prefix.mkdir()
        log(f"creating the Wine prefix {prefix} ({version})")
        booter = WineSession(prefix=prefix, work_dir=prefix.parent)
        with open(prefix.parent / (prefix.name + ".wineboot.log"), "w") as out:
            booted = subprocess.run(
                ["wineboot", "-i"], env=booter.env(), stdin=subprocess.DEVNULL,
                stdout=out, stderr=subprocess.STDOUT, timeout=300)
        check(booted.returncode == 0, "wineboot failed: " + Path(
            out.name).read_text(errors="replace"))
        # No window manager runs on these X servers, so Wine is told to hand
        # no window to one. Otherwise Wine turns a window that was shown
        # without activation, as the clock is, into another X window the
        # first time it is activated, and a move begun in that same press
        # stops after its first step.
        result = booter.run(["reg", "add", r"HKCU\Software\Wine\X11 Driver",
                             "/v", "Managed", "/t", "REG_SZ", "/d", "N", "/f"],
                            name="reg")
        check(result.returncode == 0,
              f"reg add Managed=N failed: {result.stdout} {result.stderr}")
        booter._wineserver("-w", timeout=120)
        ready.write_text(version)


@dataclass
class WineSession:
    """One Wine prefix with one X server, started here (start) or shared
    by a suite's set-up step (load)."""

    prefix: Path
    work_dir: Path
    probe_exe: Path | None = None
    display: str = ""
    x_pid: int = 0
    keeper_pid: int = 0
    # Several monitors side by side (Xorg's dummy driver); empty: one
    # Xvfb screen of SCREEN's size.
    monitors: list = field(default_factory=list)
    # Where a shared session is described, kept up to date as it changes.
    state_file: Path | None = None
    _counter: int = field(default=0, repr=False)

    def __post_init__(self) -> None:
        # The same types whether given here or read back from a state file.
        self.prefix, self.work_dir = Path(self.prefix), Path(self.work_dir)
        self.probe_exe = self.probe_exe and Path(self.probe_exe)
        self.monitors = [tuple(m) for m in self.monitors]

    # ------------------------------------------------------------ lifecycle

    @classmethod
    def start(cls, prefix: Path, work_dir: Path, probe_exe: Path | None = None,
              dpi: int | None = None, monitors: list | None = None,
              base: Path | None = None) -> "WineSession":
        """A running session on a copy of the booted prefix base, or else on
        prefix booted on first use; with a probe, kept warm by an idle
        one."""
        session = cls(prefix=prefix.resolve(), work_dir=work_dir.resolve(),
                      probe_exe=probe_exe and probe_exe.resolve(),
                      monitors=monitors or [])
        session.work_dir.mkdir(parents=True, exist_ok=True)
        try:
            if base:
                # Cheaper than a wineboot, and the same start for every
                # session.
                check((base / ".quorvo-ready").exists(), f"{base} is not a "
                      "booted prefix (run `session.py boot` first)")
                shutil.rmtree(session.prefix, ignore_errors=True)
                session.prefix.parent.mkdir(parents=True, exist_ok=True)
                subprocess.run(["cp", "-a", str(base), str(session.prefix)],
                               check=True, stdin=subprocess.DEVNULL)
            else:
                boot_prefix(session.prefix)
            session._start_x()
            if dpi is not None:
                session.set_dpi(dpi)
            session._start_keeper()
            if session.monitors and session.probe_exe:
                session._expect_monitors()
        except BaseException:
            session.stop()
            raise
        return session

    @classmethod
    def load(cls, state_file: Path,
             require_live: bool = True) -> "WineSession | None":
        """The shared session of state_file if it is up (or, with
        require_live false, what is left of it)."""
        try:
            state = json.loads(state_file.read_text())
        except (OSError, ValueError):
            return None
        session = cls(**state, state_file=state_file)
        if require_live and not pid_alive(session.x_pid):
            return None
        return session

    def save(self, state_file: Path) -> None:
        self.state_file = state_file
        state = {f.name: getattr(self, f.name) for f in fields(self)
                 if f.name not in ("state_file", "_counter")}
        state_file.write_text(json.dumps(state, default=str, indent=1))

    def stop(self) -> list[int]:
        """Ends the keeper, the prefix's wineserver and the X server; the
        PIDs of the prefix's processes still alive afterwards."""
        self._end_wine()
        if self.x_pid:
            end_pid(self.x_pid)
            self.x_pid = 0
        deadline = time.monotonic() + 10
        while ((left := processes_of_prefix(self.prefix))
               and time.monotonic() < deadline):
            time.sleep(0.1)
        return left

    def _end_wine(self) -> None:
        if self.keeper_pid:
            end_pid(self.keeper_pid)
            self.keeper_pid = 0
        if self.prefix.exists():
            self._wineserver("-k")
            self._wineserver("-w")

    def _wineserver(self, flag: str, timeout: float = 30) -> None:
        with contextlib.suppress(subprocess.TimeoutExpired, OSError):
            subprocess.run(["wineserver", flag], env=self.env(),
                           stdin=subprocess.DEVNULL,
                           stdout=subprocess.DEVNULL,
                           stderr=subprocess.DEVNULL, timeout=timeout)

    def _start_x(self) -> None:
        if self.monitors:
            config = self.work_dir / "xorg.conf"
            config.write_text(xorg_config(self.monitors))
            command = ["Xorg", "-config", str(config), "-noreset",
                       "-novtswitch", "-sharevts",
                       "-logfile", str(self.work_dir / "xorg.log")]
        else:
            command = ["Xvfb", "-screen", "0", f"{SCREEN[0]}x{SCREEN[1]}x24",
                       "-dpi", str(BASE_DPI)]
        read_fd, write_fd = os.pipe()
        with open(self.work_dir / "x.log", "w") as x_log:
            try:
                process = subprocess.Popen(
                    [*command, "-displayfd", str(write_fd), "-nolisten", "tcp"],
                    pass_fds=(write_fd,), stdin=subprocess.DEVNULL,
                    stdout=x_log, stderr=subprocess.STDOUT,
                    start_new_session=True)
            finally:
                os.close(write_fd)
        self.x_pid = process.pid
        number = b""
        deadline = time.monotonic() + 30
        with os.fdopen(read_fd, "rb", buffering=0) as pipe:
            while not number.endswith(b"\n") and time.monotonic() < deadline:
                chunk = pipe.read(16)
                if not chunk:
                    break
                number += chunk
        check(number.strip().isdigit(), f"{command[0]} did not report a "
              f"display: {(self.work_dir / 'x.log').read_text()[-2000:]}")
        self.display = ":" + number.decode().strip()
        poll(lambda: self.run_native(["xdpyinfo"], check_ok=False)
             .returncode == 0, 30, what=f"X display {self.display}")
        if self.monitors:
            self.set_monitors(self.monitors)
        log(f"{command[0]} on {self.display} (pid {self.x_pid})")

    def set_monitors(self, monitors: list) -> None:
        """The dummy driver's outputs as these monitors, side by side, the
        first primary; the others off, as unplugged."""
        check(bool(self.monitors), "one Xvfb screen has no monitors to set")
        command, left = ["xrandr"], 0
        outputs = re.findall(r"^(DUMMY\d+) ", self.run_native(
            ["xrandr", "--query"]).stdout, re.MULTILINE)
        check(len(outputs) >= len(monitors), f"outputs {outputs}")
        for index, output in enumerate(outputs):
            if index >= len(monitors):
                command += ["--output", output, "--off"]
                continue
            mode = "{}x{}".format(*monitors[index])
            self.run_native(["xrandr", "--addmode", output, mode],
                            check_ok=False)
            command += ["--output", output, "--mode", mode,
                        "--pos", f"{left}x0"]
            command += ["--primary"] if index == 0 else []
            left += monitors[index][0]
        self.run_native(command)
        # The dummy driver reports an output connected once it has a mode,
        # but only to a client that asks it to look again (a full query);
        # Wine only reads what the server already knows.
        self.run_native(["xrandr", "--query"])
        self.monitors = list(monitors)

    def _start_keeper(self) -> None:
        # One idle Wine program keeps the prefix's servers running, so each
        # later program starts in a warm session; it ends by itself too.
        if self.probe_exe is None:
            return
        out = self.work_dir / "keeper.out"
        process = self.spawn([str(self.probe_exe), "idle",
                              str(KEEPER_SECONDS)], out, new_session=True)
        self.keeper_pid = process.pid
        poll(lambda: out.exists() and '"idle"' in out.read_text(), 120,
             what="the Wine session to come up")
        log(f"Wine session up in {self.prefix} (keeper pid {self.keeper_pid})")

    def _expect_monitors(self) -> None:
        # Wine takes the monitors when its session starts; one that started
        # before the server had the layout (seen under load) starts again.
        def seen() -> int:
            state = self.run([str(self.probe_exe), "state"], name="probe")
            return len(json.loads(state.stdout.splitlines()[-1])["state"]
                       ["screen"]["monitors"])
        for attempt in (1, 2):
            try:
                poll(lambda: seen() == len(self.monitors), 10,
                     what=f"Wine to see {len(self.monitors)} monitors")
                return
            except E2EFailure:
                if attempt == 2:
                    raise
                log("Wine does not see the monitors; a new Wine session")
                self._end_wine()
                self._start_keeper()

    def restart_wine(self) -> None:
        """A new Wine session on the same prefix and X server, its monitors
        seen; the state file names the new keeper."""
        self._end_wine()
        self._start_keeper()
        if self.monitors:
            self._expect_monitors()
        if self.state_file is not None:
            self.save(self.state_file)

    # ------------------------------------------------------------------ DPI

    def dpi(self) -> int:
        """LogPixels: the DPI of the next session."""
        registry = (self.prefix / "user.reg").read_text(errors="replace")
        desktop = registry.split("[Control Panel\\\\Desktop]", 1)[-1]
        found = re.search(r'^"LogPixels"=dword:([0-9a-f]+)',
                          desktop.split("\n[", 1)[0], re.MULTILINE)
        return int(found[1], 16) if found else BASE_DPI

    def set_dpi(self, dpi: int) -> None:
        """Sets the DPI and starts a new Wine session: Wine 10 takes a
        monitor's DPI only then, and the monitors and system must agree."""
        keeper = self.keeper_pid != 0
        self._end_wine()
        if self.dpi() != dpi:
            result = self.run(["reg", "add", r"HKCU\Control Panel\Desktop",
                               "/v", "LogPixels", "/t", "REG_DWORD", "/d",
                               str(dpi), "/f"], name="reg")
            check(result.returncode == 0,
                  f"setting the DPI to {dpi} failed: {result.stdout}"
                  f"{result.stderr}")
            self._end_wine()
            check(self.dpi() == dpi, f"LogPixels is not {dpi} after the set")
        log(f"new Wine session at {dpi} DPI")
        if keeper:
            self._start_keeper()
        if self.state_file is not None:
            self.save(self.state_file)

    # ------------------------------------------------------------- running

    def env(self) -> dict[str, str]:
        env = {k: v for k, v in os.environ.items()
               if not k.startswith(("LC_", "WINE", "DISPLAY", "LANG"))}
        env["WINEPREFIX"] = str(self.prefix)
        env["WINEDEBUG"] = "-all"
        # No Mono or Gecko installers, and no desktop entries made in the
        # real home for shortcuts the installer makes.
        env["WINEDLLOVERRIDES"] = "mscoree,mshtml=;winemenubuilder.exe=d"
        env["LANG"] = "en_US.UTF-8"
        if self.display:
            env["DISPLAY"] = self.display
        return env

    def run(self, args: list[str], timeout: float = WINE_COMMAND_TIMEOUT,
            name: str = "wine") -> subprocess.CompletedProcess:
        """Runs a Wine program to its end. One that never ran (seen under
        load: it fails silently sooner than any program starts, or Wine's
        launcher says it could not start it) runs again, on the record."""
        started = time.monotonic()
        result = self._run_once(args, timeout, name)
        silent = (not result.stdout + result.stderr and
                  time.monotonic() - started < NOT_STARTED_SECONDS)
        if result.returncode != 0 and (
                silent or NOT_STARTED_WORDS in result.stdout + result.stderr):
            log(f"wine {args[0]} ended with {result.returncode} without "
                f"running: {result.stderr.strip()!r}; running it again")
            result = self._run_once(args, timeout, name)
        return result

    def _run_once(self, args: list[str], timeout: float,
                  name: str) -> subprocess.CompletedProcess:
        self._counter += 1
        stem = self.work_dir / "tmp" / f"{os.getpid()}-{self._counter}-{name}"
        stem.parent.mkdir(parents=True, exist_ok=True)
        out_path, err_path = stem.with_suffix(".out"), stem.with_suffix(".err")
        with open(out_path, "w") as out, open(err_path, "w") as err:
            process = subprocess.Popen(["wine", *args], env=self.env(),
                                       stdin=subprocess.DEVNULL, stdout=out,
                                       stderr=err, cwd=self.work_dir)
            try:
                returncode = process.wait(timeout=timeout)
            except subprocess.TimeoutExpired:
                end_pid(process.pid)
                process.wait()
                raise WineHung(f"wine {' '.join(args)} did not finish in "
                                 f"{timeout:.0f}s") from None
        result = subprocess.CompletedProcess(
            args, returncode, out_path.read_text(errors="replace"),
            err_path.read_text(errors="replace"))
        out_path.unlink(missing_ok=True)
        err_path.unlink(missing_ok=True)
        return result

    def spawn(self, args: list[str], out_path: Path,
              new_session: bool = False) -> subprocess.Popen:
        with open(out_path, "w") as out:
            return subprocess.Popen(["wine", *args], env=self.env(),
                                    stdin=subprocess.DEVNULL, stdout=out,
                                    stderr=subprocess.STDOUT,
                                    cwd=self.work_dir,
                                    start_new_session=new_session)

    def run_native(self, args: list[str], timeout: float = 30,
                   check_ok: bool = True) -> subprocess.CompletedProcess:
        """Runs an X client (xdotool, xwininfo, xrandr) on the display."""
        result = subprocess.run(args, env=self.env(), stdin=subprocess.DEVNULL,
                                capture_output=True, text=True,
                                timeout=timeout)
        if check_ok and result.returncode != 0:
            raise E2EFailure(f"{' '.join(args)} failed ({result.returncode}):"
                             f" {result.stderr.strip()}")
        return result


# ------------------------------------------------------------------- command

def command_boot(args) -> int:
    boot_prefix(Path(args.prefix).resolve())
    return 0


def command_exec(args) -> int:
    session = WineSession.load(Path(args.state_file))
    check(session is not None, f"no live session in {args.state_file}")
    # The program as the caller names it, whatever folder Wine runs in.
    program = [str(Path(args.program[0]).resolve()), *args.program[1:]]
    result = session.run(program, timeout=args.timeout, name="exec")
    print(result.stdout, end="")
    print(result.stderr, end="", file=sys.stderr)
    return result.returncode


def command_start(args) -> int:
    state_file = Path(args.state_file)
    previous = WineSession.load(state_file, require_live=False)
    if previous is not None:
        log("a shared session from an earlier run is still up; ending it")
        previous.stop()
    state_file.unlink(missing_ok=True)
    unavailable = state_file.with_suffix(".unavailable")
    unavailable.unlink(missing_ok=True)
    if args.monitors and os.geteuid() != 0:
        # Xorg runs its dummy driver only for root; the scenarios that need
        # the monitors say so and count as skipped.
        unavailable.write_text("several monitors need Xorg's dummy driver, "
                               "which runs only as root\n")
        log(unavailable.read_text().strip())
        return 0
    check(Path(args.probe).is_file(),
          f"--probe {args.probe}: no such file (is the Windows build done?)")
    session = WineSession.start(
        Path(args.prefix), Path(args.work_dir), Path(args.probe),
        dpi=args.dpi, base=Path(args.base),
        monitors=[tuple(map(int, size.split("x")))
                  for size in args.monitors.split(",")]
        if args.monitors else None)
    session.save(state_file)
    return 0


def command_stop(args) -> int:
    state_file = Path(args.state_file)
    session = WineSession.load(state_file, require_live=False)
    state_file.unlink(missing_ok=True)
    if session is None:
        log("no shared session was running")
        return 0
    left = session.stop()
    if left:
        log(f"processes of the prefix still alive after the stop: {left}")
        return 1
    # A copy of the booted prefix, made anew at the next start.
    shutil.rmtree(session.prefix, ignore_errors=True)
    log("shared session ended; no process of the prefix is left, nor the "
        "prefix")
    return 0


def main() -> int:
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    commands = parser.add_subparsers(dest="command", required=True)
    commands.add_parser("boot").add_argument("--prefix", required=True)
    start = commands.add_parser("start")
    for option in ("--state-file", "--base", "--prefix", "--work-dir",
                   "--probe"):
        start.add_argument(option, required=True)
    start.add_argument("--dpi", type=int, default=BASE_DPI)
    start.add_argument("--monitors", help="e.g. 1280x1024,1024x768")
    run = commands.add_parser("exec")
    run.add_argument("--state-file", required=True)
    run.add_argument("--timeout", type=float, default=540)
    run.add_argument("program", nargs="+")
    commands.add_parser("stop").add_argument("--state-file", required=True)
    args = parser.parse_args()
    try:
        return {"boot": command_boot, "start": command_start,
                "exec": command_exec, "stop": command_stop}[args.command](args)
    except E2EFailure as failure:
        print(f"session.py {args.command}: {failure}", file=sys.stderr)
        return 1


if __name__ == "__main__":
    sys.exit(main())
