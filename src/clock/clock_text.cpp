// Clock text pieces: which pattern gives which text, and the leading-zero trim.
#include "clock/clock_text.h"

namespace quorvo::clock {

namespace {

std::string formatNow(platform::DateTimeService& dateTime,
                      std::string_view pattern) {
  return dateTime.format(dateTime.now(), pattern);
}

}  // namespace

std::string trimLeadingZero(std::string text) {
  if (!text.empty() && text.front() == '0') text.erase(0, 1);
  return text;
}

std::string timeText(platform::DateTimeService& dateTime, bool seconds,
                     bool hours24) {
  if (hours24) {
    return formatNow(dateTime, seconds ? platform::kHourMinuteSecondPattern
                                       : platform::kHourMinutePattern);
  }
  return trimLeadingZero(
      formatNow(dateTime, seconds ? platform::kLongTimePattern
                                  : platform::kMediumTimePattern));
}

std::string longDateText(platform::DateTimeService& dateTime) {
  return formatNow(dateTime, platform::kLongDatePattern);
}

std::string shortTimeText(platform::DateTimeService& dateTime, bool hours24) {
  return hours24 ? formatNow(dateTime, platform::kHourMinutePattern)
                 : trimLeadingZero(
                       formatNow(dateTime, platform::kMediumTimePattern));
}

}  // namespace quorvo::clock
