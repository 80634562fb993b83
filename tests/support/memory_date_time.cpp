// MemoryDateTime: a reading from a point in time, and its texts by pattern.
#include "memory_date_time.h"

#include <algorithm>
#include <array>

namespace quorvo::testing {

namespace {

std::string twoDigits(int value) {
  return (value < 10 ? "0" : "") + std::to_string(value);
}

int hour12(int hour) { return hour % 12 == 0 ? 12 : hour % 12; }

}  // namespace

void MemoryDateTime::set(std::chrono::sys_seconds at) {
  using namespace std::chrono;
  const sys_days day = floor<days>(at);
  const year_month_day date{day};
  const hh_mm_ss<seconds> time{at - day};
  current = {static_cast<int>(date.year()),
             static_cast<int>(static_cast<unsigned>(date.month())),
             static_cast<int>(static_cast<unsigned>(date.day())),
             static_cast<int>(weekday{day}.c_encoding()),
             static_cast<int>(time.hours().count()),
             static_cast<int>(time.minutes().count()),
             static_cast<int>(time.seconds().count())};
}

std::string_view MemoryDateTime::format(const platform::LocalDateTime& value,
                                        std::string_view pattern) {
  if (failFormat) throw platform::RuntimeError("formatter failed");
  const std::array<int, 8> made{value.year,      value.month, value.day,
                                value.dayOfWeek, value.hour,  value.minute,
                                value.second,    longTime24};
  auto found = std::ranges::find(composed_, pattern, &Composed::pattern);
  if (found == composed_.end()) {
    found = composed_.insert(composed_.end(), {std::string(pattern), {}, {}});
  }
  if (found->text.empty() || found->made != made) {
    found->text = compose(value, pattern);
    found->made = made;
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
