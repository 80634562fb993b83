"""The end-to-end harness: a private Wine prefix on a private virtual X
display, the real Quorvo.exe started in it, and the means to drive it like a
user (xdotool) and read back what a user would see (the probe, xwininfo,
screenshots, the registry).

Every process the harness starts is remembered by its PID and ended by that
PID; the only broad stop is `wineserver -k` of the harness's own prefix.
Wine's background servers inherit the standard handles of the program that
started them, so every Wine program here writes to files, never to pipes.
"""

from __future__ import annotations

import contextlib
import fcntl
import json
import os
import shutil
import signal
import subprocess
import time
from dataclasses import dataclass, field
from pathlib import Path

SCREEN_WIDTH = 1280
SCREEN_HEIGHT = 1024
TWIPS_PER_PIXEL_AT_96_DPI = 15

# Window styles, as the probe reports them.
WS_POPUP = 0x80000000
WS_CAPTION = 0x00C00000
WS_BORDER = 0x00800000
WS_DLGFRAME = 0x00400000
WS_SYSMENU = 0x00080000
WS_THICKFRAME = 0x00040000
WS_MINIMIZEBOX = 0x00020000
WS_MAXIMIZEBOX = 0x00010000
WS_EX_TOPMOST = 0x00000008
WS_EX_TOOLWINDOW = 0x00000080

SETTINGS_KEY = (r"HKEY_CURRENT_USER\Software\VB and VBA Program Settings"
                r"\Velmora Software\Quorvo")
SETTING_NAMES = ("Left", "Top", "JTime", "DateTime", "Seconds", "JDate",
                 "24 Hour")

# How long a Wine program may take before the harness gives up on it. Cold
# starts of a prefix's servers take a few seconds on a loaded machine.
WINE_COMMAND_TIMEOUT = 60.0
KEEPER_SECONDS = 1800


class E2EFailure(AssertionError):
    """A scenario's check that did not hold."""


def check(condition: bool, message: str) -> None:
    if not condition:
        raise E2EFailure(message)


def poll(predicate, timeout: float, interval: float = 0.05,
         what: str = "condition"):
    """Calls predicate until it returns a true value or the deadline passes;
    returns that value, or raises E2EFailure with the last value seen."""
    deadline = time.monotonic() + timeout
    last = None
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


def _pid_alive(pid: int) -> bool:
    try:
        os.kill(pid, 0)
    except ProcessLookupError:
        return False
    except PermissionError:
        return True
    # A zombie is dead for every purpose here.
    try:
        with open(f"/proc/{pid}/stat", encoding="ascii") as stat:
            return stat.read().split(") ", 1)[1][0] != "Z"
    except (OSError, IndexError):
        return False


def _end_pid(pid: int, timeout: float = 5.0) -> None:
    """Ends one process the harness started: TERM, then KILL."""
    if not _pid_alive(pid):
        return
    with contextlib.suppress(ProcessLookupError):
        os.kill(pid, signal.SIGTERM)
    deadline = time.monotonic() + timeout
    while _pid_alive(pid) and time.monotonic() < deadline:
        time.sleep(0.05)
    if _pid_alive(pid):
        with contextlib.suppress(ProcessLookupError):
            os.kill(pid, signal.SIGKILL)
        deadline = time.monotonic() + timeout
        while _pid_alive(pid) and time.monotonic() < deadline:
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
        if wanted in environ.split(b"\0") and _pid_alive(int(entry.name)):
            found.append(int(entry.name))
    return found


@dataclass
class RunResult:
    returncode: int
    stdout: str
    stderr: str


@dataclass
class WineSession:
    """One Wine prefix with one virtual display. `owned` sessions were
    started by this process and are stopped by it; shared ones were started
    by the suite's set-up step and are only used."""

    prefix: Path
    work_dir: Path
    probe_exe: Path
    display: str = ""
    xvfb_pid: int = 0
    keeper_pid: int = 0
    owned: bool = True
    lang: str = "en_US.UTF-8"
    _counter: int = field(default=0, repr=False)

    # ------------------------------------------------------------ lifecycle

    @classmethod
    def start(cls, prefix: Path, work_dir: Path, probe_exe: Path,
              lang: str = "en_US.UTF-8") -> "WineSession":
        session = cls(prefix=prefix.resolve(), work_dir=work_dir.resolve(),
                      probe_exe=probe_exe.resolve(), lang=lang)
        session.work_dir.mkdir(parents=True, exist_ok=True)
        try:
            session._ensure_prefix()
            session._start_xvfb()
            session._start_keeper()
        except BaseException:
            session.stop()
            raise
        return session

    @classmethod
    def load(cls, state_file: Path,
             require_live: bool = True) -> "WineSession | None":
        """The shared session described by state_file, if it is still up
        (or, with require_live false, whatever is left of it)."""
        try:
            state = json.loads(state_file.read_text())
        except (OSError, ValueError):
            return None
        session = cls(prefix=Path(state["prefix"]),
                      work_dir=Path(state["work_dir"]),
                      probe_exe=Path(state["probe_exe"]),
                      display=state["display"],
                      xvfb_pid=state["xvfb_pid"],
                      keeper_pid=state.get("keeper_pid", 0), owned=False,
                      lang=state.get("lang", "en_US.UTF-8"))
        if require_live and not _pid_alive(session.xvfb_pid):
            return None
        return session

    def save(self, state_file: Path) -> None:
        state_file.write_text(json.dumps({
            "prefix": str(self.prefix), "work_dir": str(self.work_dir),
            "probe_exe": str(self.probe_exe), "display": self.display,
            "xvfb_pid": self.xvfb_pid, "keeper_pid": self.keeper_pid,
            "lang": self.lang}, indent=1))

    def stop(self) -> list[int]:
        """Ends the keeper, this prefix's wineserver (and with it every Wine
        process of the prefix) and the X server; returns the PIDs of any
        process of the prefix still alive afterwards."""
        if self.keeper_pid:
            _end_pid(self.keeper_pid)
            self.keeper_pid = 0
        if self.prefix.exists():
            self._wineserver("-k")
            self._wineserver("-w")
        if self.xvfb_pid:
            _end_pid(self.xvfb_pid)
            self.xvfb_pid = 0
        deadline = time.monotonic() + 10
        left = processes_of_prefix(self.prefix)
        while left and time.monotonic() < deadline:
            time.sleep(0.1)
            left = processes_of_prefix(self.prefix)
        return left

    def _wineserver(self, flag: str) -> None:
        with contextlib.suppress(subprocess.TimeoutExpired, OSError):
            subprocess.run(["wineserver", flag], env=self.env(),
                           stdin=subprocess.DEVNULL,
                           stdout=subprocess.DEVNULL,
                           stderr=subprocess.DEVNULL, timeout=30)

    def _ensure_prefix(self) -> None:
        self.prefix.mkdir(parents=True, exist_ok=True)
        ready = self.prefix / ".quorvo-ready"
        lock_path = self.prefix.parent / (self.prefix.name + ".lock")
        with open(lock_path, "w") as lock:
            fcntl.flock(lock, fcntl.LOCK_EX)
            if ready.exists():
                return
            log(f"creating the Wine prefix {self.prefix}")
            env = self.env(with_display=False)
            with open(self.prefix / ".wineboot.log", "w") as out:
                subprocess.run(["wineboot", "-i"], env=env,
                               stdin=subprocess.DEVNULL, stdout=out,
                               stderr=subprocess.STDOUT, timeout=300,
                               check=True)
            subprocess.run(["wineserver", "-w"], env=env, timeout=120,
                           stdin=subprocess.DEVNULL,
                           stdout=subprocess.DEVNULL,
                           stderr=subprocess.DEVNULL)
            ready.touch()

    def _start_xvfb(self) -> None:
        read_fd, write_fd = os.pipe()
        log_file = open(self.work_dir / "xvfb.log", "w")
        try:
            process = subprocess.Popen(
                ["Xvfb", "-displayfd", str(write_fd), "-screen", "0",
                 f"{SCREEN_WIDTH}x{SCREEN_HEIGHT}x24", "-nolisten", "tcp",
                 "-dpi", "96"],
                pass_fds=(write_fd,), stdin=subprocess.DEVNULL,
                stdout=log_file, stderr=subprocess.STDOUT,
                start_new_session=True)
        finally:
            os.close(write_fd)
            log_file.close()
        self.xvfb_pid = process.pid
        number = b""
        deadline = time.monotonic() + 30
        with os.fdopen(read_fd, "rb", buffering=0) as pipe:
            while not number.endswith(b"\n") and time.monotonic() < deadline:
                chunk = pipe.read(16)
                if not chunk:
                    break
                number += chunk
        check(number.strip().isdigit(), "Xvfb did not report a display")
        self.display = ":" + number.decode().strip()
        poll(lambda: subprocess.run(
            ["xdpyinfo", "-display", self.display], stdin=subprocess.DEVNULL,
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL
        ).returncode == 0, 30, what=f"X display {self.display}")
        log(f"Xvfb on {self.display} (pid {self.xvfb_pid})")

    def _start_keeper(self) -> None:
        # One idle Wine program keeps the prefix's servers running, so each
        # later program starts in a warm session; it ends by itself too.
        out = self.work_dir / "keeper.out"
        process = self.spawn([str(self.probe_exe), "idle",
                              str(KEEPER_SECONDS)], out, new_session=True)
        self.keeper_pid = process.pid
        poll(lambda: out.exists() and '"idle"' in out.read_text(), 120,
             what="the Wine session to come up")
        log(f"Wine session up in {self.prefix} (keeper pid {self.keeper_pid})")

    # ------------------------------------------------------------- running

    def env(self, with_display: bool = True) -> dict[str, str]:
        env = {k: v for k, v in os.environ.items()
               if not k.startswith(("LC_", "WINE", "DISPLAY", "LANG"))}
        env["WINEPREFIX"] = str(self.prefix)
        env["WINEDEBUG"] = "-all"
        env["WINEDLLOVERRIDES"] = "mscoree,mshtml="
        env["LANG"] = self.lang
        if with_display and self.display:
            env["DISPLAY"] = self.display
        return env

    def _next_files(self, name: str) -> tuple[Path, Path]:
        self._counter += 1
        tmp = self.work_dir / "tmp"
        tmp.mkdir(parents=True, exist_ok=True)
        stem = f"{os.getpid()}-{self._counter}-{name}"
        return tmp / f"{stem}.out", tmp / f"{stem}.err"

    def run(self, args: list[str], timeout: float = WINE_COMMAND_TIMEOUT,
            name: str = "wine") -> RunResult:
        """Runs a Wine program to its end; its output goes through files."""
        out_path, err_path = self._next_files(name)
        with open(out_path, "w") as out, open(err_path, "w") as err:
            process = subprocess.Popen(["wine", *args], env=self.env(),
                                       stdin=subprocess.DEVNULL, stdout=out,
                                       stderr=err, cwd=self.work_dir)
            try:
                returncode = process.wait(timeout=timeout)
            except subprocess.TimeoutExpired:
                _end_pid(process.pid)
                process.wait()
                raise E2EFailure(f"wine {' '.join(args)} did not finish in "
                                 f"{timeout:.0f}s")
        result = RunResult(returncode, out_path.read_text(errors="replace"),
                           err_path.read_text(errors="replace"))
        out_path.unlink(missing_ok=True)
        err_path.unlink(missing_ok=True)
        return result

    def spawn(self, args: list[str], out_path: Path,
              new_session: bool = False,
              lang: str | None = None) -> subprocess.Popen:
        """Starts a Wine program and returns at once; its output goes to
        out_path. lang overrides the session's language for this program."""
        env = self.env()
        if lang:
            env["LANG"] = lang
        with open(out_path, "w") as out:
            return subprocess.Popen(["wine", *args], env=env,
                                    stdin=subprocess.DEVNULL, stdout=out,
                                    stderr=subprocess.STDOUT,
                                    cwd=self.work_dir,
                                    start_new_session=new_session)

    def run_native(self, args: list[str], timeout: float = 30,
                   check_ok: bool = True) -> RunResult:
        """Runs an X client (xdotool, xwininfo, import) on the display."""
        result = subprocess.run(args, env=self.env(), stdin=subprocess.DEVNULL,
                                capture_output=True, text=True,
                                timeout=timeout)
        if check_ok and result.returncode != 0:
            raise E2EFailure(f"{' '.join(args)} failed ({result.returncode}):"
                             f" {result.stderr.strip()}")
        return RunResult(result.returncode, result.stdout, result.stderr)


class Probe:
    """quorvo_probe.exe, run inside the session."""

    def __init__(self, session: WineSession, exe_name: str = "Quorvo.exe"):
        self.session = session
        self.exe_name = exe_name

    def _call(self, args: list[str], timeout: float = WINE_COMMAND_TIMEOUT,
              ok_codes: tuple[int, ...] = (0,)) -> tuple[int, dict]:
        command = [str(self.session.probe_exe), "--exe", self.exe_name, *args]
        result = self.session.run(command, timeout=timeout, name="probe")
        if (result.returncode not in ok_codes and not result.stdout.strip()
                and not result.stderr.strip()):
            # A probe that failed before writing anything never got to look
            # (seen once on a loaded machine): one more try, on the record.
            log(f"probe {args} ended with {result.returncode} and no output;"
                " running it again")
            result = self.session.run(command, timeout=timeout, name="probe")
        text = result.stdout.strip()
        try:
            data = json.loads(text.splitlines()[-1]) if text else {}
        except ValueError as error:
            raise E2EFailure(f"probe {args}: unreadable output {text!r}"
                             ) from error
        if result.returncode not in ok_codes:
            raise E2EFailure(f"probe {args} failed ({result.returncode}): "
                             f"{text} {result.stderr.strip()}")
        return result.returncode, data

    def state(self) -> dict:
        return self._call(["state"])[1]["state"]

    def wait(self, condition: str, timeout: float) -> tuple[bool, dict]:
        """Waits inside the probe for a condition; returns whether it held
        and the last state seen."""
        code, data = self._call(
            ["state", "--wait", condition, "--timeout",
             str(int(timeout * 1000))],
            timeout=timeout + WINE_COMMAND_TIMEOUT, ok_codes=(0, 3))
        return code == 0, data["state"]

    def require(self, condition: str, timeout: float, why: str = "") -> dict:
        held, state = self.wait(condition, timeout)
        check(held, f"{why or condition}: not seen within {timeout:.0f}s; "
                    f"last state: {summarize(state)}")
        return state

    def watch(self, condition: str, timeout: float) -> "ProbeWatch":
        """Starts waiting for a condition in the background, so that an
        event that comes and goes quickly (a short-lived process) is not
        missed between an action and the first look."""
        out = self.session.work_dir / "tmp" / f"watch-{time.monotonic_ns()}.out"
        out.parent.mkdir(parents=True, exist_ok=True)
        process = self.session.spawn(
            [str(self.session.probe_exe), "--exe", self.exe_name, "state",
             "--wait", condition, "--timeout", str(int(timeout * 1000))], out)
        watch = ProbeWatch(process, out, timeout)
        poll(watch.ready, WINE_COMMAND_TIMEOUT, what="the probe to start")
        return watch

    def close(self) -> dict:
        return self._call(["close"])[1]

    def kill(self, windows_pid: int) -> None:
        self._call(["kill", str(windows_pid)], ok_codes=(0, 1))

    def move(self, x: int, y: int) -> None:
        """Moves the clock window as another program might."""
        self._call(["move", str(x), str(y)])

    def display_change(self) -> None:
        """Sends the clock the message of a changed display."""
        self._call(["display-change"])

    def modes(self) -> dict:
        """The screen's current mode and the modes it offers."""
        return self._call(["modes"])[1]

    def set_mode(self, width: int, height: int) -> bool:
        """Changes the screen's resolution; whether the system took it."""
        code, _ = self._call(["set-mode", str(width), str(height)],
                             ok_codes=(0, 1))
        return code == 0

    def set_dpi(self, dpi: int) -> None:
        """The system DPI for Wine programs started from now on."""
        self._call(["set-dpi", str(dpi)])

    def reg_dump(self) -> dict:
        return self._call(["reg-dump"])[1]

    def reg_clear(self) -> None:
        self._call(["reg-clear"])

    def reg_set(self, values: list[tuple[str, str, str]]) -> None:
        args = ["reg-set"]
        for name, kind, data in values:
            args += [name, kind, data]
        self._call(args)


@dataclass
class ProbeWatch:
    process: subprocess.Popen
    out: Path
    timeout: float

    def ready(self) -> bool:
        """True once the probe has begun to look."""
        return (self.out.exists() and "watching" in self.out.read_text()) \
            or self.process.poll() is not None

    def result(self) -> tuple[bool, dict]:
        try:
            self.process.wait(timeout=self.timeout + WINE_COMMAND_TIMEOUT)
        except subprocess.TimeoutExpired:
            _end_pid(self.process.pid)
            self.process.wait()
            raise E2EFailure("a watching probe did not finish") from None
        text = self.out.read_text(errors="replace").strip()
        self.out.unlink(missing_ok=True)
        data = json.loads(text.splitlines()[-1])
        return self.process.returncode == 0, data["state"]


def summarize(state: dict | None) -> str:
    """A short line about a probe state for failure messages."""
    if not state:
        return "no state"
    clock = state.get("clock")
    label = state.get("label")
    parts = [f"processes={[p['pid'] for p in state.get('processes', [])]}"]
    if clock:
        parts.append(f"clock rect={clock['rect']}")
    if label:
        parts.append(f"text={label['text']!r}")
    parts.append(f"menus={len(state.get('menus', []))}")
    parts.append(f"dialogs={[d.get('text') for d in state.get('dialogs', [])]}")
    return " ".join(parts)


class Desktop:
    """The X side: the pointer, the keyboard, top-level X windows and
    screenshots."""

    def __init__(self, session: WineSession, artifacts: Path):
        self.session = session
        self.artifacts = artifacts
        artifacts.mkdir(parents=True, exist_ok=True)

    def xdotool(self, *args: str) -> None:
        self.session.run_native(["xdotool", *args])

    def move(self, x: int, y: int) -> None:
        # No --sync: it stalls while a Wine move loop holds the pointer. One
        # xdotool run ends before the next starts, so the X server still
        # sees the events in order.
        self.xdotool("mousemove", str(x), str(y))

    def click(self, button: int, repeat: int = 1, delay_ms: int = 60) -> None:
        if repeat == 1:
            self.xdotool("click", str(button))
        else:
            self.xdotool("click", "--repeat", str(repeat), "--delay",
                         str(delay_ms), str(button))

    def down(self, button: int) -> None:
        self.xdotool("mousedown", str(button))

    def up(self, button: int) -> None:
        self.xdotool("mouseup", str(button))

    def key(self, *keys: str) -> None:
        self.xdotool("key", "--delay", "40", *keys)

    def top_level_windows(self) -> list[dict]:
        """Mapped children of the root window with their geometry and
        override-redirect flag."""
        tree = self.session.run_native(["xwininfo", "-root", "-children"])
        windows = []
        for line in tree.stdout.splitlines():
            line = line.strip()
            if not line.startswith("0x"):
                continue
            window_id = line.split()[0]
            info = self.session.run_native(
                ["xwininfo", "-id", window_id], check_ok=False)
            if info.returncode != 0:
                continue
            fields = {}
            for info_line in info.stdout.splitlines():
                if ":" in info_line:
                    key, _, value = info_line.strip().partition(":")
                    fields[key.strip()] = value.strip()
            windows.append({
                "id": window_id,
                "viewable": fields.get("Map State") == "IsViewable",
                "override_redirect":
                    fields.get("Override Redirect State") == "yes",
                "x": int(fields.get("Absolute upper-left X", "0")),
                "y": int(fields.get("Absolute upper-left Y", "0")),
                "width": int(fields.get("Width", "0")),
                "height": int(fields.get("Height", "0")),
            })
        return windows

    def viewable_windows(self) -> list[dict]:
        return [w for w in self.top_level_windows()
                if w["viewable"] and w["width"] > 1 and w["height"] > 1]

    def screenshot(self, name: str, rect: dict | None = None) -> Path:
        """Saves the screen (or a rectangle of it, in screen pixels) as PNG
        under the test's artifacts."""
        path = self.artifacts / f"{name}.png"
        self.session.run_native(
            ["import", "-display", self.session.display, "-window", "root",
             str(path)], timeout=60)
        if rect is not None:
            left = max(rect["left"], 0)
            top = max(rect["top"], 0)
            width = rect["right"] - left
            height = rect["bottom"] - top
            subprocess.run(
                ["convert", str(path), "-crop",
                 f"{width}x{height}+{left}+{top}", "+repage", str(path)],
                check=True, timeout=60, stdin=subprocess.DEVNULL,
                capture_output=True)
        return path

    def distinct_colours(self, path: Path) -> int:
        """How many colours a picture holds: a drawn window with text has
        several, an empty or undrawn area one."""
        result = subprocess.run(
            ["convert", str(path), "-format", "%k", "info:"], check=True,
            timeout=60, stdin=subprocess.DEVNULL, capture_output=True,
            text=True)
        return int(result.stdout.strip())


class Quorvo:
    """Quorvo.exe processes started in a session, each ended by its PID."""

    def __init__(self, session: WineSession, exe: Path, artifacts: Path):
        self.session = session
        self.exe = exe
        self.artifacts = artifacts
        self.processes: list[subprocess.Popen] = []

    def start(self, *args: str, lang: str | None = None) -> subprocess.Popen:
        out = self.artifacts / f"quorvo-{len(self.processes) + 1}.log"
        process = self.session.spawn([str(self.exe), *args], out, lang=lang)
        self.processes.append(process)
        log(f"started Quorvo.exe {' '.join(args)!r} (pid {process.pid})")
        return process

    def wait_exit(self, process: subprocess.Popen, timeout: float) -> int:
        try:
            return process.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            raise E2EFailure(f"Quorvo.exe (pid {process.pid}) still runs "
                             f"after {timeout:.0f}s") from None

    def end_all(self) -> None:
        for process in self.processes:
            if process.poll() is None:
                log(f"ending Quorvo.exe pid {process.pid}")
                _end_pid(process.pid)
            with contextlib.suppress(subprocess.TimeoutExpired):
                process.wait(timeout=10)
        self.processes.clear()


def wine_reg_query(session: WineSession) -> dict[str, tuple[str, str]]:
    """The stored values as `reg query` lists them: name -> (type, data)."""
    result = session.run(["reg", "query", SETTINGS_KEY], name="reg")
    values = {}
    for line in result.stdout.splitlines():
        parts = line.strip().split("    ")
        if len(parts) >= 2 and parts[1].startswith("REG_"):
            values[parts[0]] = (parts[1], parts[2] if len(parts) > 2 else "")
    return values


def which_or_fail(tool: str) -> str:
    path = shutil.which(tool)
    check(path is not None, f"{tool} is not installed")
    return path
