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

  // The local time to the second, asked of the system at every call: a clock
  // shows the time the system has, across daylight-saving changes and clock
  // adjustments alike.
  LocalDateTime now() override;
  std::string_view format(const LocalDateTime& value,
                          std::string_view pattern) override;

  // The locale's time separator, e.g. ":" or ".".
  std::wstring timeSeparator() const;

  // Forgets every kept text: the user changed the regional formats.
  void forgetTexts() noexcept;
  // How many texts were asked of the system so far.
  std::size_t systemFormatCount() const noexcept { return systemFormats_; }

 private:
  const wchar_t* locale() const noexcept;
  std::string formatUncached(const SYSTEMTIME& time, std::string_view pattern);

  std::wstring locale_;

  // The last text of each pattern and the reading it was made from. The
  // clock ticks ten times a second, but a date changes once a day and hours
  // and minutes once a minute: a text is asked of the system again only
  // when a field its pattern shows has changed (only the long time shows
  // seconds), or after forgetTexts().
  struct KeptText {
    LocalDateTime reading;
    std::string text;
    bool valid = false;
  };
  std::array<KeptText, 5> kept_;
  std::string other_;  // the text of a pattern that is not kept
  std::size_t systemFormats_ = 0;
};

// The GetTimeFormatEx picture of "Medium Time", "h:m:s" or "h:m" with the
// given time separator; throws RuntimeError for any other pattern.
std::wstring timePicture(std::string_view pattern, std::wstring_view separator);

}  // namespace quorvo::platform::win32
