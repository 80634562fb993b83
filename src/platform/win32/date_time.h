// The local clock and the formatter, with names, designators, separators and
// the long time format taken from the system's locale data.
#pragma once

#include <windows.h>

#include <array>
#include <string>

#include "platform/services.h"

namespace quorvo::platform::win32 {

// Where the readings come from: the system's millisecond tick count, its
// time (UTC) and its local time. Tests put their own clock here.
struct SystemClock {
  ULONGLONG (*tickCount)() noexcept;
  void (*systemTime)(FILETIME* time) noexcept;
  void (*localTime)(SYSTEMTIME* time) noexcept;
};
SystemClock systemClock() noexcept;

class Win32DateTime : public DateTimeService {
 public:
  // `localeName` is a locale name such as "de-DE"; empty means the user's
  // own locale with the user's customisations (LOCALE_NAME_USER_DEFAULT,
  // which is a null pointer and so cannot live in a string).
  explicit Win32DateTime(std::wstring localeName = {},
                         SystemClock clock = systemClock());

  // The local time to the second. The system is asked again only once the
  // second of the last reading can have ended (by the tick count, which
  // costs next to nothing to read), or after forgetReading(). Within the
  // minute of the last local-time reading, a new second is the system time
  // plus that reading's offset from it; a new minute, where daylight saving
  // time begins or ends, reads the local time itself, which costs many
  // times more (it consults the time zone).
  LocalDateTime now() override;
  // The system's time or time zone was changed: the next reading asks for
  // the local time.
  void forgetReading() noexcept { readingValid_ = offsetValid_ = false; }
  // How many readings were asked of the system so far, and how many of
  // them were of the local time.
  std::size_t systemReadCount() const noexcept { return systemReads_; }
  std::size_t localTimeReadCount() const noexcept { return localReads_; }
  std::string_view format(const LocalDateTime& value,
                          std::string_view pattern) override;

  // The locale's time separator, e.g. ":" or ".".
  std::wstring timeSeparator() const;

  // Forgets every kept text: the user changed the regional formats.
  void forgetTexts() noexcept;
  // How many texts were asked of the system so far.
  std::size_t systemFormatCount() const noexcept { return systemFormats_; }

 private:
  std::string formatDate(const SYSTEMTIME& time, const wchar_t* picture) const;
  std::string formatTime(const SYSTEMTIME& time, const wchar_t* picture) const;
  const wchar_t* locale() const noexcept;

  std::string formatUncached(const SYSTEMTIME& time, std::string_view pattern);

  std::wstring locale_;
  SystemClock clock_;

  // The local time and its offset from the system time, in 100 ns units.
  SYSTEMTIME readLocalTime();
  // The time as of the system time and the offset; false when that lands
  // outside the minute of the last local-time reading.
  bool readByOffset(SYSTEMTIME& time);
  void keep(const SYSTEMTIME& time, ULONGLONG tick);

  LocalDateTime reading_;
  ULONGLONG readAt_ = 0;      // tick count of the last reading
  ULONGLONG secondEnds_ = 0;  // tick count when its second is over
  bool readingValid_ = false;
  LONGLONG offset_ = 0;        // local time minus system time
  SYSTEMTIME offsetMinute_{};  // the local time the offset was taken at
  bool offsetValid_ = false;
  std::size_t systemReads_ = 0;
  std::size_t localReads_ = 0;

  // The last text of each pattern and the reading it was made from. The
  // clock ticks ten times a second, but a date changes once a day and hours
  // and minutes once a minute: a text is asked of the system again only
  // when a field its pattern shows has changed (only the long time shows
  // seconds), or after forgetTexts().
  struct CachedText {
    LocalDateTime reading;
    std::string text;
    bool valid = false;
  };
  std::array<CachedText, 5> cache_;
  std::string other_;  // the text of a pattern that is not kept
  std::size_t systemFormats_ = 0;
};

// Encloses text in single quotes for a date or time picture, doubling any
// quote inside, so the system copies it literally.
std::wstring quotedPictureText(std::wstring_view text);

// The GetTimeFormatEx picture of "Medium Time", "h:m:s" or "h:m" with the
// given time separator; throws RuntimeError for any other pattern.
std::wstring timePicture(std::string_view pattern, std::wstring_view separator);

}  // namespace quorvo::platform::win32
