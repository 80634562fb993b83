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

}  // namespace

std::wstring quotedPictureText(std::wstring_view text) {
  std::wstring quoted = L"'";
  for (const wchar_t c : text) {
    quoted += c;
    if (c == L'\'') quoted += c;
  }
  quoted += L'\'';
  return quoted;
}

SystemClock systemClock() noexcept {
  return {[]() noexcept { return GetTickCount64(); },
          [](FILETIME* time) noexcept { GetSystemTimeAsFileTime(time); },
          [](SYSTEMTIME* time) noexcept { GetLocalTime(time); }};
}

Win32DateTime::Win32DateTime(std::wstring localeName, SystemClock clock)
    : locale_(std::move(localeName)), clock_(clock) {}

const wchar_t* Win32DateTime::locale() const noexcept {
  return locale_.empty() ? LOCALE_NAME_USER_DEFAULT : locale_.c_str();
}

namespace {

constexpr LONGLONG kUnitsPerMinute = 60LL * 1000 * 1000 * 10;  // of 100 ns

LONGLONG fileTimeUnits(const FILETIME& time) {
  return static_cast<LONGLONG>(
      (static_cast<ULONGLONG>(time.dwHighDateTime) << 32) | time.dwLowDateTime);
}

bool sameMinute(const SYSTEMTIME& a, const SYSTEMTIME& b) {
  return a.wYear == b.wYear && a.wMonth == b.wMonth && a.wDay == b.wDay &&
         a.wHour == b.wHour && a.wMinute == b.wMinute;
}

}  // namespace

LocalDateTime Win32DateTime::now() {
  const ULONGLONG tick = clock_.tickCount();
  // A tick count that went back is not trusted to measure anything.
  const bool ticksForward = tick >= readAt_;
  if (readingValid_ && ticksForward && tick < secondEnds_) return reading_;
  SYSTEMTIME time{};
  if (!(offsetValid_ && ticksForward && readByOffset(time))) {
    time = readLocalTime();
  }
  keep(time, tick);
  return reading_;
}

SYSTEMTIME Win32DateTime::readLocalTime() {
  FILETIME system{};
  clock_.systemTime(&system);
  SYSTEMTIME local{};
  clock_.localTime(&local);
  ++systemReads_;
  ++localReads_;
  FILETIME localUnits{};
  if (SystemTimeToFileTime(&local, &localUnits)) {
    // Offsets are whole minutes in every time zone; the two readings are
    // a moment and less than a millisecond of rounding apart.
    const LONGLONG apart = fileTimeUnits(localUnits) - fileTimeUnits(system);
    const LONGLONG half =
        apart < 0 ? -kUnitsPerMinute / 2 : kUnitsPerMinute / 2;
    offset_ = (apart + half) / kUnitsPerMinute * kUnitsPerMinute;
    offsetMinute_ = local;
    offsetValid_ = true;
  } else {
    offsetValid_ = false;
  }
  return local;
}

bool Win32DateTime::readByOffset(SYSTEMTIME& time) {
  FILETIME system{};
  clock_.systemTime(&system);
  ++systemReads_;
  const LONGLONG units = fileTimeUnits(system) + offset_;
  if (units < 0) return false;
  const auto local = static_cast<ULONGLONG>(units);
  const FILETIME localUnits{static_cast<DWORD>(local & 0xFFFFFFFFU),
                            static_cast<DWORD>(local >> 32)};
  // Past the minute (or a clock set without notice): the local time
  // itself, with the time zone's offset of that moment.
  return FileTimeToSystemTime(&localUnits, &time) &&
         sameMinute(time, offsetMinute_);
}

void Win32DateTime::keep(const SYSTEMTIME& time, ULONGLONG tick) {
  reading_ = {time.wYear, time.wMonth,  time.wDay,   time.wDayOfWeek,
              time.wHour, time.wMinute, time.wSecond};
  // The tick count moves in steps of up to 16 ms, so a new second may show
  // that much later; an early reading only finds the same second again.
  const WORD milliseconds = time.wMilliseconds < 1000 ? time.wMilliseconds : 0;
  readAt_ = tick;
  secondEnds_ = tick + (1000U - milliseconds);
  readingValid_ = true;
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

std::string Win32DateTime::formatDate(const SYSTEMTIME& time,
                                      const wchar_t* picture) const {
  // One call into a buffer that holds any ordinary text; the size query
  // only for longer ones.
  std::array<wchar_t, 128> buffer{};
  int length = GetDateFormatEx(locale(), 0, &time, picture, buffer.data(),
                               static_cast<int>(buffer.size()), nullptr);
  if (length > 0)
    return toUtf8(
        std::wstring_view(buffer.data(), static_cast<std::size_t>(length - 1)));
  length = GetDateFormatEx(locale(), 0, &time, picture, nullptr, 0, nullptr);
  if (length <= 0) throwLastError("GetDateFormatEx");
  std::wstring text(static_cast<std::size_t>(length), L'\0');
  if (GetDateFormatEx(locale(), 0, &time, picture, text.data(), length,
                      nullptr) <= 0) {
    throwLastError("GetDateFormatEx");
  }
  text.resize(static_cast<std::size_t>(length - 1));
  return toUtf8(text);
}

std::string Win32DateTime::formatTime(const SYSTEMTIME& time,
                                      const wchar_t* picture) const {
  std::array<wchar_t, 128> buffer{};
  int length = GetTimeFormatEx(locale(), 0, &time, picture, buffer.data(),
                               static_cast<int>(buffer.size()));
  if (length > 0)
    return toUtf8(
        std::wstring_view(buffer.data(), static_cast<std::size_t>(length - 1)));
  length = GetTimeFormatEx(locale(), 0, &time, picture, nullptr, 0);
  if (length <= 0) throwLastError("GetTimeFormatEx");
  std::wstring text(static_cast<std::size_t>(length), L'\0');
  if (GetTimeFormatEx(locale(), 0, &time, picture, text.data(), length) <= 0) {
    throwLastError("GetTimeFormatEx");
  }
  text.resize(static_cast<std::size_t>(length - 1));
  return toUtf8(text);
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
    if (!sameText(pattern, kKeptPatterns[slot].pattern)) continue;
    CachedText& cached = cache_[slot];
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
  for (CachedText& cached : cache_) cached.valid = false;
}

std::string Win32DateTime::formatUncached(const SYSTEMTIME& time,
                                          std::string_view pattern) {
  ++systemFormats_;
  if (pattern == kLongDatePattern) return formatDate(time, kLongDatePicture);
  // The user's long time format: no picture at all.
  if (pattern == kLongTimePattern) return formatTime(time, nullptr);
  // ":" in the other patterns stands for the locale's own time separator.
  return formatTime(time, timePicture(pattern, timeSeparator()).c_str());
}

}  // namespace quorvo::platform::win32
