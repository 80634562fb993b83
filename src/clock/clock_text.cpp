// Clock text pieces: which pattern gives which text, and the leading-zero trim.
#include "clock/clock_text.h"

namespace quorvo::clock {

namespace {

std::string_view formatNow(platform::DateTimeService& dateTime,
                           std::string_view pattern) {
  return dateTime.format(dateTime.now(), pattern);
}

}  // namespace

std::string_view trimLeadingZero(std::string_view text) {
  if (!text.empty() && text.front() == '0') text.remove_prefix(1);
  return text;
}

std::string_view timeText(platform::DateTimeService& dateTime, bool seconds,
                          bool hours24) {
  if (hours24) {
    return formatNow(dateTime, seconds ? platform::kHourMinuteSecondPattern
                                       : platform::kHourMinutePattern);
  }
  return trimLeadingZero(
      formatNow(dateTime, seconds ? platform::kLongTimePattern
                                  : platform::kMediumTimePattern));
}

std::string_view longDateText(platform::DateTimeService& dateTime) {
  return formatNow(dateTime, platform::kLongDatePattern);
}

std::string_view shortTimeText(platform::DateTimeService& dateTime,
                               bool hours24) {
  return hours24 ? formatNow(dateTime, platform::kHourMinutePattern)
                 : trimLeadingZero(
                       formatNow(dateTime, platform::kMediumTimePattern));
}

}  // namespace quorvo::clock
