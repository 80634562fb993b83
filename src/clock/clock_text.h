// Composing the pieces of the clock text from a reading of the local clock.
#pragma once

#include <string_view>

#include "platform/services.h"

namespace quorvo::clock {

// Each text is the formatter's own (see DateTimeService::format) and holds
// until the clock's next text: copy what is kept.

// Drops one leading "0", so "09:05 PM" reads "9:05 PM".
std::string_view trimLeadingZero(std::string_view text);

// Every piece of a tick is made from the one reading of the clock the tick
// took, so no tick can show a time of one day beside the date of the next.

// The time as the Seconds and 24-hour options ask for it.
std::string_view timeText(platform::DateTimeService& dateTime,
                          const platform::LocalDateTime& now, bool seconds,
                          bool hours24);

// The long date, e.g. "Monday, March 4 2024".
std::string_view longDateText(platform::DateTimeService& dateTime,
                              const platform::LocalDateTime& now);

// The time in hours and minutes for the tooltip of the date-only display.
std::string_view shortTimeText(platform::DateTimeService& dateTime,
                               const platform::LocalDateTime& now,
                               bool hours24);

}  // namespace quorvo::clock
