// Runs a fixed number of clock ticks in one display mode, for counting
// instructions under callgrind (bench/callgrind_ticks.sh). Only
// runTicks is measured, so start-up is left out; the instruction count of a
// run is the same on every run, unlike a time.
//
//   tick_count MODE CASE TICKS
//     MODE  just_time | just_date | date_and_time
//     CASE  unchanged | changed
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "started_clock.h"

namespace {

using quorvo::bench::kModes;
using quorvo::bench::kReadings;
using quorvo::bench::StartedClock;

// Not inlined, so callgrind can start and stop counting at its edges.
[[gnu::noinline]] void runTicks(StartedClock& clock, long ticks,
                                bool changeText) {
  for (long i = 1; i <= ticks; ++i) {
    if (changeText) clock.setReading(kReadings[i % 2]);
    clock.tick();
  }
}

int usage() {
  std::fprintf(stderr,
               "usage: tick_count just_time|just_date|date_and_time "
               "unchanged|changed TICKS\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) return usage();
  const std::string_view modeName = argv[1];
  const std::string_view caseName = argv[2];
  const long ticks = std::strtol(argv[3], nullptr, 10);
  const char* arguments = nullptr;
  for (const auto& mode : kModes) {
    if (mode.name == modeName) arguments = mode.arguments;
  }
  if (arguments == nullptr || ticks <= 0 ||
      (caseName != "unchanged" && caseName != "changed")) {
    return usage();
  }
  const bool changeText = caseName == "changed";
  StartedClock clock(arguments);
  const int changesBefore = clock.captionChanges();
  runTicks(clock, ticks, changeText);
  const long changes = clock.captionChanges() - changesBefore;
  if (changes != (changeText ? ticks : 0)) {
    std::fprintf(stderr, "tick_count: %ld of %ld ticks changed the text\n",
                 changes, ticks);
    return 1;
  }
  std::printf("%s %s: %ld ticks, last text \"%s\"\n", argv[1], argv[2], ticks,
              clock.caption().c_str());
  return 0;
}
