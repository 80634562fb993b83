// Clock text pieces: which pattern gives which text, and the leading-zero trim.
#include "clock/clock_text.h"

namespace quorvo::clock {

std::string_view trimLeadingZero(std::string_view text) {
  if (!text.empty() && text.front() == '0') text.remove_prefix(1);
  return text;
}

std::string_view timeText(platform::DateTimeService& dateTime,
                          const platform::LocalDateTime& now, bool seconds,
                          bool hours24) {
  if (hours24) {
    return dateTime.format(now, seconds ? platform::kHourMinuteSecondPattern
                                        : platform::kHourMinutePattern);
  }
  return trimLeadingZero(
      dateTime.format(now, seconds ? platform::kLongTimePattern
                                   : platform::kMediumTimePattern));
}

std::string_view longDateText(platform::DateTimeService& dateTime,
                              const platform::LocalDateTime& now) {
  return dateTime.format(now, platform::kLongDatePattern);
}

std::string_view shortTimeText(platform::DateTimeService& dateTime,
                               const platform::LocalDateTime& now,
                               bool hours24) {
  return hours24 ? dateTime.format(now, platform::kHourMinutePattern)
                 : trimLeadingZero(
                       dateTime.format(now, platform::kMediumTimePattern));
}

}  // namespace quorvo::clock
