#!/usr/bin/env bash
# Starts the freshly built Quorvo.exe under Wine. With an X display it runs on
# that display until the clock is closed; without one it runs the clock on a
# virtual display for a few seconds and saves a screenshot.
set -euo pipefail

build="${1:-build}"
root="$(cd "$(dirname "$0")/.." && pwd)"
exe="$(cd "$build" && pwd)/windows/Quorvo.exe"
prefix="$(cd "$build" && pwd)/wineprefix-run"  # for a run on a real display
[ -f "$exe" ] || { echo "run-clock: $exe is missing; build first" >&2; exit 1; }

if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
  mkdir -p "$prefix"
  export WINEPREFIX="$prefix" WINEDEBUG=-all
  echo "Quorvo is running on $DISPLAY; right-click it and choose Exit to end it."
  exec wine "$exe" "${@:2}"
fi

echo "No X display: running the clock on a virtual display for a few seconds."
shot="$(/usr/bin/python3 "$root/scripts/run_clock.py" --build "$build" --seconds 3 -- "${@:2}" | tail -n 1)"
echo "Screenshot: $shot"
