// The local clock and the formatter, with names, designators, separators and
// the long time format taken from the system's locale data.
#pragma once

#include <windows.h>

#include <array>
#include <string>

#include "platform/services.h"

namespace quorvo::platform::win32 {

class Win32DateTime : public DateTimeService {
 public:
  // `localeName` is a locale name such as "de-DE"; empty means the user's
  // own locale with the user's customisations (LOCALE_NAME_USER_DEFAULT,
  // which is a null pointer and so cannot live in a string).
  explicit Win32DateTime(std::wstring localeName = {});

  LocalDateTime now() override;
  std::string format(const LocalDateTime& value,
                     std::string_view pattern) override;

  // The locale's time separator, e.g. ":" or ".".
  std::wstring timeSeparator() const;

 private:
  std::string formatDate(const SYSTEMTIME& time, const wchar_t* picture) const;
  std::string formatTime(const SYSTEMTIME& time, const wchar_t* picture) const;
  const wchar_t* locale() const noexcept;

  std::string formatUncached(const SYSTEMTIME& time,
                             std::string_view pattern) const;

  std::wstring locale_;

  // The last text of each pattern and the reading it was made from. The
  // clock ticks ten times a second but its readings change once a second,
  // so nine ticks in ten reuse the text instead of asking the system again;
  // a change of the user's formats shows within a second.
  struct CachedText {
    LocalDateTime reading;
    std::string text;
    bool valid = false;
  };
  std::array<CachedText, 5> cache_;
};

// Encloses text in single quotes for a date or time picture, doubling any
// quote inside, so the system copies it literally.
std::wstring quotedPictureText(std::wstring_view text);

// The GetTimeFormatEx picture of "Medium Time", "h:m:s" or "h:m" with the
// given time separator; throws RuntimeError for any other pattern.
std::wstring timePicture(std::string_view pattern, std::wstring_view separator);

}  // namespace quorvo::platform::win32
