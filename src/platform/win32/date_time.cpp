// Formatting through GetDateFormatEx and GetTimeFormatEx.
#include "platform/win32/date_time.h"

#include <array>
#include <utility>

#include "platform/win32/errors.h"
#include "platform/win32/text.h"

namespace quorvo::platform::win32 {

namespace {

// "dddd, mmmm d yyyy" in the system's picture letters: full weekday, full
// month name, day without leading zero, four-digit year.
constexpr const wchar_t* kLongDatePicture = L"dddd, MMMM d yyyy";
// Twelve-hour clock with leading zero and the AM/PM designator.
constexpr const wchar_t* kHours12 = L"hh";
constexpr const wchar_t* kMinutes2AmPm = L"mm tt";
// Twenty-four-hour clock, no leading zeros.
constexpr const wchar_t* kHours24 = L"H";
constexpr const wchar_t* kMinutes = L"m";
constexpr const wchar_t* kSeconds = L"s";

WORD checkedField(int value, int low, int high, const char* name) {
  if (value < low || value > high) {
    throw RuntimeError(std::string("invalid ") + name + " " +
                       std::to_string(value));
  }
  return static_cast<WORD>(value);
}

SYSTEMTIME toSystemTime(const LocalDateTime& value) {
  SYSTEMTIME time{};
  time.wYear = checkedField(value.year, 1601, 30827, "year");
  time.wMonth = checkedField(value.month, 1, 12, "month");
  time.wDay = checkedField(value.day, 1, 31, "day");
  time.wDayOfWeek = checkedField(value.dayOfWeek, 0, 6, "day of week");
  time.wHour = checkedField(value.hour, 0, 23, "hour");
  time.wMinute = checkedField(value.minute, 0, 59, "minute");
  time.wSecond = checkedField(value.second, 0, 59, "second");
  return time;
}

// Runs a GetDateFormatEx / GetTimeFormatEx call, given as
// format(buffer, size), into a buffer that holds any ordinary text at once;
// the size query only for longer texts.
template <typename Format>
std::string formatted(const char* call, const Format& format) {
  std::array<wchar_t, 128> buffer{};
  int length = format(buffer.data(), static_cast<int>(buffer.size()));
  if (length > 0) {
    return toUtf8(
        std::wstring_view(buffer.data(), static_cast<std::size_t>(length - 1)));
  }
  length = format(nullptr, 0);
  if (length <= 0) throwLastError(call);
  std::wstring text(static_cast<std::size_t>(length), L'\0');
  if (format(text.data(), length) <= 0) throwLastError(call);
  text.resize(static_cast<std::size_t>(length - 1));  // the final null
  return toUtf8(text);
}

// Encloses text in single quotes for a date or time picture, doubling any
// quote inside, so the system copies it literally. No text is no quotes:
// two quotes side by side are the picture of one quote.
std::wstring quotedPictureText(std::wstring_view text) {
  if (text.empty()) return {};
  std::wstring quoted = L"'";
  for (const wchar_t c : text) {
    quoted += c;
    if (c == L'\'') quoted += c;
  }
  quoted += L'\'';
  return quoted;
}

}  // namespace

Win32DateTime::Win32DateTime(std::wstring localeName)
    : locale_(std::move(localeName)) {}

const wchar_t* Win32DateTime::locale() const noexcept {
  return locale_.empty() ? LOCALE_NAME_USER_DEFAULT : locale_.c_str();
}

LocalDateTime Win32DateTime::now() {
  SYSTEMTIME time{};
  GetLocalTime(&time);
  return {time.wYear, time.wMonth,  time.wDay,   time.wDayOfWeek,
          time.wHour, time.wMinute, time.wSecond};
}

std::wstring Win32DateTime::timeSeparator() const {
  const int length = GetLocaleInfoEx(locale(), LOCALE_STIME, nullptr, 0);
  if (length <= 0) throwLastError("GetLocaleInfoEx(LOCALE_STIME)");
  std::wstring separator(static_cast<std::size_t>(length), L'\0');
  if (GetLocaleInfoEx(locale(), LOCALE_STIME, separator.data(), length) <= 0) {
    throwLastError("GetLocaleInfoEx(LOCALE_STIME)");
  }
  separator.resize(static_cast<std::size_t>(length - 1));  // the final null
  return separator;
}

std::wstring timePicture(std::string_view pattern,
                         std::wstring_view separator) {
  const std::wstring literal = quotedPictureText(separator);
  if (pattern == kMediumTimePattern) {
    return kHours12 + literal + kMinutes2AmPm;
  }
  if (pattern == kHourMinuteSecondPattern) {
    return kHours24 + literal + kMinutes + literal + kSeconds;
  }
  if (pattern == kHourMinutePattern) return kHours24 + literal + kMinutes;
  throw RuntimeError("unknown date/time pattern \"" + std::string(pattern) +
                     "\"");
}

namespace {

// The patterns the formatter keeps a text of, and which fields each shows.
enum Fields : unsigned { kDate = 1, kHourMinute = 2, kSecond = 4 };
struct KeptPattern {
  std::string_view pattern;
  unsigned fields;
};
constexpr std::array<KeptPattern, 5> kKeptPatterns{{
    {kLongDatePattern, kDate},
    {kLongTimePattern, kHourMinute | kSecond},
    {kMediumTimePattern, kHourMinute},
    {kHourMinuteSecondPattern, kHourMinute | kSecond},
    {kHourMinutePattern, kHourMinute},
}};

bool sameFields(const LocalDateTime& a, const LocalDateTime& b,
                unsigned fields) {
  if ((fields & kDate) != 0 && (a.year != b.year || a.month != b.month ||
                                a.day != b.day || a.dayOfWeek != b.dayOfWeek)) {
    return false;
  }
  if ((fields & kHourMinute) != 0 &&
      (a.hour != b.hour || a.minute != b.minute)) {
    return false;
  }
  return (fields & kSecond) == 0 || a.second == b.second;
}

}  // namespace

std::string_view Win32DateTime::format(const LocalDateTime& value,
                                       std::string_view pattern) {
  const SYSTEMTIME time = toSystemTime(value);
  for (std::size_t slot = 0; slot < kKeptPatterns.size(); ++slot) {
    if (pattern != kKeptPatterns[slot].pattern) continue;
    KeptText& cached = kept_[slot];
    if (!cached.valid ||
        !sameFields(cached.reading, value, kKeptPatterns[slot].fields)) {
      cached.valid = false;  // stays so if formatting throws
      cached.text = formatUncached(time, pattern);
      cached.reading = value;
      cached.valid = true;
    }
    return cached.text;
  }
  other_ = formatUncached(time, pattern);  // throws for an unknown pattern
  return other_;
}

void Win32DateTime::forgetTexts() noexcept {
  for (KeptText& cached : kept_) cached.valid = false;
}

std::string Win32DateTime::formatUncached(const SYSTEMTIME& time,
                                          std::string_view pattern) {
  ++systemFormats_;
  const wchar_t* locale = this->locale();
  if (pattern == kLongDatePattern) {
    return formatted("GetDateFormatEx", [&](wchar_t* out, int size) {
      return GetDateFormatEx(locale, 0, &time, kLongDatePicture, out, size,
                             nullptr);
    });
  }
  // The user's long time format takes no picture at all; ":" in the other
  // patterns stands for the locale's own time separator.
  const std::wstring picture = pattern == kLongTimePattern
                                   ? std::wstring()
                                   : timePicture(pattern, timeSeparator());
  return formatted("GetTimeFormatEx", [&](wchar_t* out, int size) {
    return GetTimeFormatEx(locale, 0, &time,
                           picture.empty() ? nullptr : picture.c_str(), out,
                           size);
  });
}

}  // namespace quorvo::platform::win32
