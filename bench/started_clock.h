// A Quorvo started on the in-memory runtime as the unit tests start it, for
// measuring its ticks: a clock the benchmark sets, ticks it fires, a label
// it can read.
#pragma once

#include <array>
#include <stdexcept>
#include <string>
#include <string_view>

#include "test_program.h"

namespace quorvo::bench {

// Two readings of the clock that differ in the day, the minute and the
// second, so the clock text differs between them in every display mode.
inline constexpr std::array<platform::LocalDateTime, 2> kReadings{{
    {.year = 2024,
     .month = 3,
     .day = 4,
     .dayOfWeek = 1,
     .hour = 21,
     .minute = 5,
     .second = 3},
    {.year = 2024,
     .month = 3,
     .day = 5,
     .dayOfWeek = 2,
     .hour = 21,
     .minute = 6,
     .second = 4},
}};

// The display modes measured, by the switch that chooses each.
struct Mode {
  std::string_view name;
  const char* arguments;
};
inline constexpr std::array<Mode, 3> kModes{{
    {"just_time", "-timesec"},
    {"just_date", "-date"},
    {"date_and_time", "-timedatesec"},
}};

class StartedClock {
 public:
  // Starts the program with `arguments` and handles its first tick.
  explicit StartedClock(const char* arguments) {
    program_.runtime.dateTime().current = kReadings[0];
    program_.start(arguments);
    window_ = &program_.window();
    window_->tick();
    if (window_->label().caption().empty() ||
        !program_.runtime.app().errors.empty()) {
      throw std::runtime_error("the clock did not start");
    }
  }
  StartedClock(const StartedClock&) = delete;
  StartedClock& operator=(const StartedClock&) = delete;

  void tick() { window_->tick(); }
  void setReading(const platform::LocalDateTime& reading) {
    program_.runtime.dateTime().current = reading;
  }
  std::string caption() { return window_->label().caption(); }
  // Captions set that differed from the one before.
  int captionChanges() { return window_->label().repaints; }

 private:
  testing::TestProgram program_;
  // Kept, so a measured tick does not look the form up.
  testing::MemoryForm* window_ = nullptr;
};

}  // namespace quorvo::bench
