// The cost of one clock tick over the in-memory runtime: reading the display
// options, composing the clock text and tooltip, setting the caption and
// refitting the window's width. The clock ticks ten times a second for as
// long as the program runs, so this is the program's steady-state cost.
//
// Two cases per display mode: a tick whose text equals the previous one (most
// ticks: the text changes once a second at most) and a tick whose text
// differs (the label takes a new caption every time).
#include <benchmark/benchmark.h>

#include <string>

#include "started_clock.h"

namespace {

using quorvo::bench::kModes;
using quorvo::bench::kReadings;
using quorvo::bench::StartedClock;

void BM_TickUnchangedText(benchmark::State& state, const char* arguments) {
  StartedClock clock(arguments);
  const int changesBefore = clock.captionChanges();
  for (auto _ : state) {
    clock.tick();
  }
  if (clock.captionChanges() != changesBefore) {
    state.SkipWithError("the text changed between ticks");
  }
  state.SetLabel(clock.caption());
}

void BM_TickChangedText(benchmark::State& state, const char* arguments) {
  StartedClock clock(arguments);
  const int changesBefore = clock.captionChanges();
  std::size_t i = 0;
  for (auto _ : state) {
    clock.setReading(kReadings[++i % kReadings.size()]);
    clock.tick();
  }
  if (clock.captionChanges() - changesBefore !=
      static_cast<int>(state.iterations())) {
    state.SkipWithError("some tick left the text unchanged");
  }
  state.SetLabel(clock.caption());
}

void registerBenchmarks() {
  for (const auto& mode : kModes) {
    const std::string name(mode.name);
    benchmark::RegisterBenchmark(("BM_TickUnchangedText/" + name).c_str(),
                                 BM_TickUnchangedText, mode.arguments);
    benchmark::RegisterBenchmark(("BM_TickChangedText/" + name).c_str(),
                                 BM_TickChangedText, mode.arguments);
  }
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  registerBenchmarks();
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
