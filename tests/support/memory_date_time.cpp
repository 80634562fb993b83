// MemoryDateTime: the day of the week of a date, and its texts by pattern.
#include "memory_date_time.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <tuple>

namespace quorvo::testing {

namespace {

std::string twoDigits(int value) {
  std::array<char, 8> buffer{};
  std::snprintf(buffer.data(), buffer.size(), "%02d", value);
  return buffer.data();
}

int hour12(int hour) { return hour % 12 == 0 ? 12 : hour % 12; }

}  // namespace

void MemoryDateTime::set(int year, int month, int day, int hour, int minute,
                         int second) {
  // Day of week by Sakamoto's method.
  static constexpr std::array<int, 12> kMonthOffsets{0, 3, 2, 5, 0, 3,
                                                     5, 1, 4, 6, 2, 4};
  const int y = month < 3 ? year - 1 : year;
  const int dayOfWeek =
      (y + y / 4 - y / 100 + y / 400 +
       kMonthOffsets[static_cast<std::size_t>(month - 1)] + day) %
      7;
  current = {year, month, day, dayOfWeek, hour, minute, second};
}

std::string_view MemoryDateTime::format(const platform::LocalDateTime& value,
                                        std::string_view pattern) {
  if (failFormat) throw platform::RuntimeError("formatter failed");
  auto found = std::ranges::find(composed_, pattern, &Composed::pattern);
  if (found == composed_.end()) {
    found = composed_.insert(composed_.end(), Composed{});
    found->pattern = pattern;
  }
  const auto fields = [](const platform::LocalDateTime& v) {
    return std::tie(v.year, v.month, v.day, v.dayOfWeek, v.hour, v.minute,
                    v.second);
  };
  if (!found->value || fields(*found->value) != fields(value) ||
      found->longTime24 != longTime24) {
    found->text = compose(value, pattern);
    found->value = value;
    found->longTime24 = longTime24;
  }
  text_ = found->text;
  return text_;
}

std::string MemoryDateTime::compose(const platform::LocalDateTime& v,
                                    std::string_view pattern) const {
  static constexpr std::array<const char*, 7> kDays{
      "Sunday",   "Monday", "Tuesday", "Wednesday",
      "Thursday", "Friday", "Saturday"};
  static constexpr std::array<const char*, 12> kMonths{
      "January", "February", "March",     "April",   "May",      "June",
      "July",    "August",   "September", "October", "November", "December"};
  const std::string amPm = v.hour < 12 ? " AM" : " PM";
  if (pattern == platform::kLongDatePattern) {
    return std::string(kDays.at(static_cast<std::size_t>(v.dayOfWeek))) + ", " +
           kMonths.at(static_cast<std::size_t>(v.month - 1)) + " " +
           std::to_string(v.day) + " " + std::to_string(v.year);
  }
  if (pattern == platform::kLongTimePattern) {
    if (longTime24) {
      return twoDigits(v.hour) + ":" + twoDigits(v.minute) + ":" +
             twoDigits(v.second);
    }
    return std::to_string(hour12(v.hour)) + ":" + twoDigits(v.minute) + ":" +
           twoDigits(v.second) + amPm;
  }
  if (pattern == platform::kMediumTimePattern) {
    return twoDigits(hour12(v.hour)) + ":" + twoDigits(v.minute) + amPm;
  }
  if (pattern == platform::kHourMinuteSecondPattern) {
    return std::to_string(v.hour) + ":" + std::to_string(v.minute) + ":" +
           std::to_string(v.second);
  }
  if (pattern == platform::kHourMinutePattern) {
    return std::to_string(v.hour) + ":" + std::to_string(v.minute);
  }
  throw platform::RuntimeError("unknown pattern " + std::string(pattern));
}

}  // namespace quorvo::testing
