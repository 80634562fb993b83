// MemoryDateTime: a clock the test sets, with English (United States) names.
#pragma once

#include <array>
#include <chrono>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/services.h"

namespace quorvo::testing {

class MemoryDateTime : public platform::DateTimeService {
 public:
  // The current reading; the clock then moves on to `nextReading`, if set,
  // as a clock read just before midnight does.
  platform::LocalDateTime now() override {
    const platform::LocalDateTime reading = current;
    if (nextReading) current = *std::exchange(nextReading, std::nullopt);
    return reading;
  }
  // Like the system's formatter, composes a text only for a reading it has
  // not seen with that pattern, so repeated texts cost no allocation. Every
  // text lands in one buffer: a text kept past the next format() reads
  // another text, or freed memory under AddressSanitizer.
  std::string_view format(const platform::LocalDateTime& value,
                          std::string_view pattern) override;

  // Sets the clock to a point in local time.
  void set(std::chrono::sys_seconds at);
  // By default Monday, March 4 2024, 21:05:03.
  platform::LocalDateTime current{2024, 3, 4, 1, 21, 5, 3};
  std::optional<platform::LocalDateTime> nextReading;
  // The system's long time format is a 24-hour one with a leading zero
  // ("09:05:03"), as in many European locales.
  bool longTime24 = false;
  bool failFormat = false;

 private:
  std::string compose(const platform::LocalDateTime& value,
                      std::string_view pattern) const;
  struct Composed {
    std::string pattern;
    std::array<int, 8> made{};  // of these fields and longTime24
    std::string text;           // "": nothing composed yet
  };
  std::vector<Composed> composed_;
  std::string text_;
};

}  // namespace quorvo::testing
