#!/usr/bin/env bash
# Runs Quorvo.exe on a private virtual X display for a few seconds, saves a
# screenshot of the screen as PNG and prints the picture's path as the last
# line of its output. For looking at the clock on a machine without a
# display; everything it starts ends with it.
#
#   run_clock.sh [--build DIR] [--exe EXE] [--probe EXE] [--prefix DIR]
#                [--seconds N] [--out FILE.png] [-- QUORVO-ARGUMENTS...]
#
# --build DIR   the native build directory (default: build); the programs
#               are looked for in DIR/windows
# --exe EXE     Quorvo.exe to run (default: DIR/windows/Quorvo.exe)
# --probe EXE   the tests' probe, used to wait for the clock window and to
#               close it (default: DIR/windows/quorvo_probe.exe)
# --prefix DIR  the Wine prefix (default: DIR/e2e/run-prefix, made on first
#               use)
# --seconds N   how long the clock runs before the screenshot (default: 3)
# --out FILE    where the screenshot goes (default: DIR/quorvo-clock.png)
# Arguments after -- go to Quorvo.exe (for example -timedatesec).
#
# Exit status 0 with the path printed; non-zero when the clock window did not
# appear or the screenshot failed.
set -euo pipefail

here="$(cd "$(dirname "$0")" && pwd)"
build=build
exe=""
probe=""
prefix=""
seconds=3
out=""
while [ $# -gt 0 ]; do
  case "$1" in
    --build) build="$2"; shift 2 ;;
    --exe) exe="$2"; shift 2 ;;
    --probe) probe="$2"; shift 2 ;;
    --prefix) prefix="$2"; shift 2 ;;
    --seconds) seconds="$2"; shift 2 ;;
    --out) out="$2"; shift 2 ;;
    --) shift; break ;;
    *) echo "run_clock.sh: unknown option $1" >&2; exit 2 ;;
  esac
done
mkdir -p "$build"
build="$(cd "$build" && pwd)"
exe="${exe:-$build/windows/Quorvo.exe}"
probe="${probe:-$build/windows/quorvo_probe.exe}"
prefix="${prefix:-$build/e2e/run-prefix}"
out="${out:-$build/quorvo-clock.png}"
for file in "$exe" "$probe"; do
  [ -f "$file" ] || { echo "run_clock.sh: $file is missing; build first" >&2; exit 1; }
done
mkdir -p "$(dirname "$out")" "$prefix"
out="$(cd "$(dirname "$out")" && pwd)/$(basename "$out")"
rm -f "$out"

"$here/../tools/wine-run" --prefix "$prefix" -- bash -c '
  set -u
  exe="$1"; probe="$2"; seconds="$3"; out="$4"; shift 4
  logs="$WINEPREFIX/.run-clock"
  mkdir -p "$logs"
  # Wine programs write to files: its servers would hold a pipe open.
  wine "$exe" "$@" >"$logs/quorvo.log" 2>&1 </dev/null &
  pid=$!
  if ! wine "$probe" state --wait clock --timeout 60000 >"$logs/probe.json" 2>&1 </dev/null; then
    echo "run_clock.sh: the clock window did not appear" >&2
    kill "$pid" 2>/dev/null; wait "$pid" 2>/dev/null
    exit 1
  fi
  # Let it tick, as a person would watch it.
  sleep "$seconds"
  import -window root "$out"
  # Close it the way the system would (it saves into this prefix), and end
  # it by its PID if it does not go.
  wine "$probe" close >"$logs/close.json" 2>&1 </dev/null || true
  for _ in $(seq 1 100); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
  kill "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
  [ -s "$out" ]
' run_clock "$exe" "$probe" "$seconds" "$out" "$@"
echo "$out"
