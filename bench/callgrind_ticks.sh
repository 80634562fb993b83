#!/bin/sh
# Counts the instructions of one clock tick with callgrind, for each display
# mode with an unchanged and with a changed text. The counts are exact and
# the same on every run of the same build, so they show a change in the
# tick's cost that a timing would hide in noise.
#
#   bench/callgrind_ticks.sh BUILD_DIR
#
# BUILD_DIR is a native build (configured with -DCMAKE_BUILD_TYPE=Release for
# numbers worth comparing) in which bench/tick_count has been built.
#
# Each case runs tick_count twice, with 1000 and 2000 ticks, counting only
# inside runTicks; the difference divided by 1000 is the cost of one tick
# without the first ticks' one-off work.
set -eu

build=${1:?usage: callgrind_ticks.sh BUILD_DIR}
program=$build/bench/tick_count
[ -x "$program" ] || { echo "no $program; build the tick_count target" >&2; exit 2; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Instructions counted inside runTicks for one run.
count() {
  valgrind --tool=callgrind --toggle-collect='*runTicks*' \
    --callgrind-out-file="$work/out" "$program" "$1" "$2" "$3" \
    >/dev/null 2>"$work/log" || { cat "$work/log" >&2; exit 1; }
  sed -n 's/^totals: *\([0-9]*\).*/\1/p' "$work/out"
}

printf '%-14s %-10s %s\n' mode text instructions/tick
for mode in just_time just_date date_and_time; do
  for text in unchanged changed; do
    short=$(count "$mode" "$text" 1000)
    long=$(count "$mode" "$text" 2000)
    printf '%-14s %-10s %s\n' "$mode" "$text" $(( (long - short) / 1000 ))
  done
done
