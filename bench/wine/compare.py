#!/usr/bin/python3
"""Quorvo.exe against the least clock anyone could write, under Wine, side
by side on one prefix and one display. Run by hand; see bench/README.md.

    compare.py --windows-dir DIR [--quorvo EXE] [--switch -timesec|-time]
               [--rounds 5] [--seconds 30] [--settle 5] [--work-dir DIR]
               [--prefix DIR]

minimal_clock.exe (built beside Quorvo.exe, with the same compiler flags)
reads the local time every 100 ms, formats it with the user's time format
and, only when the text changed, sets a STATIC label's text and fits its
window. Both programs are started with the same switch, so they show the
same text: the time with seconds (-timesec) or without (-time); the script
checks that they do.

Each round starts both programs afresh (in turns), lets them settle, then
takes the CPU time each spends over --seconds from the scheduler's
nanosecond count (/proc/PID/task/*/schedstat). The verdict is the median of
the rounds' ratios: a round in which a neighbour on the host took the caches
from both programs moves a sum far more than a ratio. Memory (VmHWM, and
private committed memory counted by the probe) is read at the end of the
last round.
"""

from __future__ import annotations

import argparse
import json
import statistics
import subprocess
import sys
import time
from pathlib import Path

sys.dont_write_bytecode = True  # no bytecode files in the source tree

from wine_bench import (  # noqa: E402
    WINDOW_TIMEOUT, E2EFailure, LinuxProcess, Probe, check, end_pid, log,
    pid_alive, start_session, usage, wait_visible_window)

TEXT_TIMEOUT = 5.0
CPU_TARGET = 1.10  # Quorvo / minimal clock


class Program:
    def __init__(self, exe: Path, args: list[str]):
        self.exe = exe
        self.name = exe.name
        self.args = args
        self.process: subprocess.Popen | None = None
        self.linux: LinuxProcess | None = None


class Comparison:
    def __init__(self, args):
        windows = Path(args.windows_dir).resolve()
        self.args = args
        self.work = Path(args.work_dir).resolve()
        self.session = start_session(Path(args.prefix), self.work / "session",
                                     windows / "quorvo_probe.exe")
        self.quorvo = Program(Path(args.quorvo or windows / "Quorvo.exe")
                              .resolve(), [args.switch])
        self.minimal = Program(windows / "minimal_clock.exe", [args.switch])
        self.probes = {p.name: Probe(self.session, p.name)
                       for p in (self.quorvo, self.minimal)}

    def start(self, program: Program) -> None:
        out = self.work / f"{program.name}.log"
        program.process = self.session.spawn(
            [str(program.exe), *program.args], out)
        wait_visible_window(self.session, program.process.pid, WINDOW_TIMEOUT)
        program.linux = LinuxProcess(program.process.pid)

    def stop(self, program: Program) -> None:
        if program.process is None:
            return
        end_pid(program.process.pid)
        program.process.wait(timeout=10)
        program.process = None
        # One clock at a time per program: the next start must not find this
        # one still there.
        self.probes[program.name].require("no-process", 10,
                                          f"{program.name} to be gone")

    def texts(self) -> dict[str, str]:
        """Both clock texts, read at one moment."""
        return self.probes[self.quorvo.name].texts(
            self.quorvo.name, self.minimal.name)["texts"]

    def same_text(self) -> str:
        """Waits until both show the same text (a second may begin between
        the two readings) and returns it."""
        deadline = time.monotonic() + TEXT_TIMEOUT
        while True:
            texts = self.texts()
            if len(set(texts.values())) == 1:
                return next(iter(texts.values()))
            if time.monotonic() >= deadline:
                raise E2EFailure(f"the two clocks show different texts: "
                                 f"{texts}")
            time.sleep(0.2)

    def round(self, number: int) -> dict:
        order = [self.quorvo, self.minimal]
        if number % 2:
            order.reverse()
        for program in order:
            self.stop(program)
        for program in order:
            self.start(program)
        time.sleep(self.args.settle)
        text = self.same_text()
        programs = (self.quorvo, self.minimal)
        begin = {p.name: p.linux.cpu_ms_exact() for p in programs}
        began = time.monotonic()
        while time.monotonic() - began < self.args.seconds:
            for program in programs:
                check(pid_alive(program.linux.pid), f"{program.name} ended")
            time.sleep(0.5)
        cpu = {p.name: p.linux.cpu_ms_exact() - begin[p.name]
               for p in programs}
        span = time.monotonic() - began
        self.same_text()
        ratio = cpu[self.quorvo.name] / cpu[self.minimal.name]
        log(f"round {number + 1}: {text!r}; CPU Quorvo.exe "
            f"{cpu[self.quorvo.name]:.1f} ms, minimal_clock.exe "
            f"{cpu[self.minimal.name]:.1f} ms over {span:.1f}s: {ratio:.2f}")
        return {"text": text, "span": span, "cpu_ms": cpu, "ratio": ratio}

    def run(self) -> dict:
        self.probes[self.quorvo.name].require("no-process", 10,
                                              "no Quorvo.exe running")
        self.probes[self.quorvo.name].reg_clear()
        rounds = [self.round(n) for n in range(self.args.rounds)]
        memory = {}
        for program in (self.quorvo, self.minimal):
            counted = usage(self.probes[program.name])
            memory[program.name] = {
                "vmhwm_kib": program.linux.memory_kib()["VmHWM"],
                "private_committed_kib": counted["private_committed"] // 1024,
                "gdi_objects": counted["gdi_table"]["used"],
                "windows": counted["windows"],
            }
        return {"switch": self.args.switch, "rounds": rounds,
                "median_ratio": statistics.median(r["ratio"] for r in rounds),
                "memory": memory}

    def finish(self) -> None:
        for program in (self.quorvo, self.minimal):
            if program.process is not None and program.process.poll() is None:
                end_pid(program.process.pid)
        left = self.session.stop()
        if left:
            log(f"processes of the prefix still alive: {left}")


def report(results: dict) -> str:
    rounds = results["rounds"]
    q, m = "Quorvo.exe", "minimal_clock.exe"
    lines = [f"Quorvo.exe {results['switch']} against minimal_clock.exe "
             f"{results['switch']}, {len(rounds)} rounds of "
             f"{rounds[0]['span']:.0f}s, showing e.g. {rounds[0]['text']!r}",
             "",
             "| round | Quorvo.exe CPU ms | minimal_clock.exe CPU ms | ratio |",
             "|---:|---:|---:|---:|"]
    for number, r in enumerate(rounds, 1):
        lines.append(f"| {number} | {r['cpu_ms'][q]:.1f} | "
                     f"{r['cpu_ms'][m]:.1f} | {r['ratio']:.2f} |")
    median = results["median_ratio"]
    lines.append("")
    lines.append(f"CPU, median ratio: {median:.2f} (target <= "
                 f"{CPU_TARGET:.2f}: "
                 f"{'met' if median <= CPU_TARGET else 'missed'})")
    for key, label in (("vmhwm_kib", "VmHWM, KiB"),
                       ("private_committed_kib", "private committed, KiB"),
                       ("gdi_objects", "GDI objects"),
                       ("windows", "windows")):
        qv, mv = results["memory"][q][key], results["memory"][m][key]
        lines.append(f"{label}: Quorvo.exe {qv}, minimal_clock.exe {mv}")
    return "\n".join(lines)


def main() -> int:
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--windows-dir", required=True,
                        help="where Quorvo.exe, minimal_clock.exe and "
                             "quorvo_probe.exe were built")
    parser.add_argument("--quorvo", help="another Quorvo.exe to measure")
    parser.add_argument("--switch", default="-timesec",
                        choices=("-timesec", "-time"))
    parser.add_argument("--rounds", type=int, default=5)
    parser.add_argument("--seconds", type=float, default=30)
    parser.add_argument("--settle", type=float, default=5)
    parser.add_argument("--work-dir",
                        help="default: WINDOWS_DIR/../bench-wine/compare")
    parser.add_argument("--prefix",
                        help="default: WINDOWS_DIR/../bench-wine/"
                             "compare-prefix")
    args = parser.parse_args()
    build = Path(args.windows_dir).resolve().parent
    args.work_dir = args.work_dir or str(build / "bench-wine" / "compare")
    args.prefix = args.prefix or str(build / "bench-wine" / "compare-prefix")
    comparison = Comparison(args)
    try:
        results = comparison.run()
    except E2EFailure as failure:
        print(f"FAILED: {failure}")
        return 1
    finally:
        comparison.finish()
    (comparison.work / "results.json").write_text(json.dumps(results,
                                                             indent=1))
    print(report(results))
    return 0


if __name__ == "__main__":
    sys.exit(main())
