// Composing the pieces of the clock text from the local clock.
#pragma once

#include <string>

#include "platform/services.h"

namespace quorvo::clock {

// Drops one leading "0", so "09:05 PM" reads "9:05 PM".
std::string trimLeadingZero(std::string text);

// The time as the Seconds and 24-hour options ask for it, from a fresh
// reading of the clock.
std::string timeText(platform::DateTimeService& dateTime, bool seconds,
                     bool hours24);

// Today's long date, e.g. "Monday, March 4 2024".
std::string longDateText(platform::DateTimeService& dateTime);

// The time in hours and minutes for the tooltip of the date-only display.
std::string shortTimeText(platform::DateTimeService& dateTime, bool hours24);

}  // namespace quorvo::clock
