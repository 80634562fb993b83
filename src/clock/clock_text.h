// Composing the pieces of the clock text from the local clock.
#pragma once

#include <string_view>

#include "platform/services.h"

namespace quorvo::clock {

// Each text is the formatter's own (see DateTimeService::format) and holds
// until the clock's next text: copy what is kept.

// Drops one leading "0", so "09:05 PM" reads "9:05 PM".
std::string_view trimLeadingZero(std::string_view text);

// The time as the Seconds and 24-hour options ask for it, from a fresh
// reading of the clock.
std::string_view timeText(platform::DateTimeService& dateTime, bool seconds,
                          bool hours24);

// Today's long date, e.g. "Monday, March 4 2024".
std::string_view longDateText(platform::DateTimeService& dateTime);

// The time in hours and minutes for the tooltip of the date-only display.
std::string_view shortTimeText(platform::DateTimeService& dateTime,
                               bool hours24);

}  // namespace quorvo::clock
