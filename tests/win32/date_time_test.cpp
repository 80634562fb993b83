// The formatter against the system's locale data.
#include "platform/win32/date_time.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/services.h"
#include "platform/win32/text.h"

namespace quorvo::platform::win32 {
namespace {

// 4 March 2024 was a Monday.
LocalDateTime march4(int hour, int minute, int second) {
  return {2024, 3, 4, 1, hour, minute, second};
}

TEST(DateTimeFormatTest, EveryPatternInEnUs) {
  Win32DateTime dateTime(L"en-US");
  struct Row {
    int hour, minute, second;
    const char *longTime, *mediumTime, *hourMinuteSecond, *hourMinute;
  };
  // clang-format off
  for (const Row& row : {
           Row{21, 5, 3, "9:05:03 PM", "09:05 PM", "21:5:3", "21:5"},
           Row{9, 5, 3, "9:05:03 AM", "09:05 AM", "9:5:3", "9:5"},
           Row{0, 5, 3, "12:05:03 AM", "12:05 AM", "0:5:3", "0:5"},
           Row{12, 5, 3, "12:05:03 PM", "12:05 PM", "12:5:3", "12:5"},
           Row{23, 59, 0, "11:59:00 PM", "11:59 PM", "23:59:0", "23:59"}}) {
    // clang-format on
    SCOPED_TRACE(row.longTime);
    const LocalDateTime value = march4(row.hour, row.minute, row.second);
    EXPECT_EQ(dateTime.format(value, kLongDatePattern), "Monday, March 4 2024");
    EXPECT_EQ(dateTime.format(value, kLongTimePattern), row.longTime);
    EXPECT_EQ(dateTime.format(value, kMediumTimePattern), row.mediumTime);
    EXPECT_EQ(dateTime.format(value, kHourMinuteSecondPattern),
              row.hourMinuteSecond);
    EXPECT_EQ(dateTime.format(value, kHourMinutePattern), row.hourMinute);
  }
}

// A text is asked of the system again exactly when a field its pattern shows
// changed: the clock asks for it ten times a second.
TEST(DateTimeFormatTest, AsksTheSystemOnlyWhenAShownFieldChanged) {
  struct Row {
    std::string_view pattern;
    LocalDateTime next;  // after 21:05:03 on Monday, 4 March 2024
    bool asksAgain;
    const char* text;
  };
  // clang-format off
  const std::vector<Row> rows = {
      {kLongDatePattern, march4(21, 5, 4), false, "Monday, March 4 2024"},
      {kLongDatePattern, {2024, 3, 5, 2, 0, 0, 0}, true,
       "Tuesday, March 5 2024"},
      {kLongDatePattern, {2025, 3, 4, 2, 21, 5, 3}, true,
       "Tuesday, March 4 2025"},
      {kMediumTimePattern, march4(21, 5, 4), false, "09:05 PM"},
      {kMediumTimePattern, march4(21, 6, 0), true, "09:06 PM"},
      {kMediumTimePattern, {2024, 3, 5, 2, 21, 5, 3}, false, "09:05 PM"},
      {kLongTimePattern, march4(21, 5, 4), true, "9:05:04 PM"},
      {kHourMinuteSecondPattern, march4(21, 5, 4), true, "21:5:4"},
      {kHourMinutePattern, march4(21, 5, 4), false, "21:5"},
      {kHourMinutePattern, march4(22, 5, 3), true, "22:5"},
  };
  // clang-format on
  for (const Row& row : rows) {
    SCOPED_TRACE(row.text);
    Win32DateTime dateTime(L"en-US");
    (void)dateTime.format(march4(21, 5, 3), row.pattern);
    const std::size_t before = dateTime.systemFormatCount();
    EXPECT_EQ(dateTime.format(row.next, row.pattern), row.text);
    EXPECT_EQ(dateTime.systemFormatCount() - before, row.asksAgain ? 1u : 0u);
  }
}

TEST(DateTimeFormatTest, ForgottenTextsAreAskedAgain) {
  Win32DateTime dateTime(L"en-US");
  (void)dateTime.format(march4(21, 5, 3), kLongDatePattern);
  (void)dateTime.format(march4(21, 5, 3), kMediumTimePattern);
  const std::size_t before = dateTime.systemFormatCount();
  dateTime.forgetTexts();
  EXPECT_EQ(dateTime.format(march4(21, 5, 3), kLongDatePattern),
            "Monday, March 4 2024");
  EXPECT_EQ(dateTime.format(march4(21, 5, 3), kMediumTimePattern), "09:05 PM");
  EXPECT_EQ(dateTime.systemFormatCount() - before, 2u);
}

TEST(DateTimeFormatTest, LongDateNamesEveryWeekdayAndMonth) {
  Win32DateTime dateTime(L"en-US");
  // 1 January 2023 was a Sunday.
  EXPECT_EQ(dateTime.format({2023, 1, 1, 0, 12, 0, 0}, kLongDatePattern),
            "Sunday, January 1 2023");
  EXPECT_EQ(dateTime.format({2024, 12, 31, 2, 12, 0, 0}, kLongDatePattern),
            "Tuesday, December 31 2024");
  EXPECT_EQ(dateTime.format({2024, 2, 29, 4, 12, 0, 0}, kLongDatePattern),
            "Thursday, February 29 2024");
}

TEST(DateTimeFormatTest, GermanNamesAndTwentyFourHourLongTime) {
  Win32DateTime dateTime(L"de-DE");
  EXPECT_EQ(dateTime.format(march4(21, 5, 3), kLongDatePattern),
            "Montag, M\xC3\xA4rz 4 2024");
  EXPECT_EQ(dateTime.format(march4(21, 5, 3), kLongTimePattern), "21:05:03");
  EXPECT_EQ(dateTime.format(march4(9, 5, 3), kLongTimePattern), "09:05:03");
  EXPECT_EQ(dateTime.format(march4(21, 5, 3), kHourMinuteSecondPattern),
            "21:5:3");
  EXPECT_EQ(dateTime.format(march4(0, 5, 3), kHourMinutePattern), "0:5");
  // Twelve-hour clock whatever the locale; the designator is the locale's.
  EXPECT_EQ(
      dateTime.format(march4(21, 5, 3), kMediumTimePattern).rfind("09:05", 0),
      0u);
}

TEST(DateTimeFormatTest, TwentyFourHourPatternsUseTheLocaleTimeSeparator) {
  for (const wchar_t* locale :
       {L"en-US", L"de-DE", L"fi-FI", L"da-DK", L"it-IT", L"fr-CA", L"ja-JP"}) {
    Win32DateTime dateTime(locale);
    const std::string separator = toUtf8(dateTime.timeSeparator());
    ASSERT_FALSE(separator.empty());
    EXPECT_EQ(dateTime.format(march4(21, 5, 3), kHourMinuteSecondPattern),
              "21" + separator + "5" + separator + "3")
        << toUtf8(locale);
    EXPECT_EQ(dateTime.format(march4(21, 5, 3), kHourMinutePattern),
              "21" + separator + "5")
        << toUtf8(locale);
  }
}

// The text of GetTimeFormatEx with `picture` at 21:05:03 on 4 March 2024.
std::string formatWithPicture(const std::wstring& picture) {
  const SYSTEMTIME time{2024, 3, 1, 4, 21, 5, 3, 0};
  wchar_t text[64] = {};
  EXPECT_GT(GetTimeFormatEx(L"en-US", 0, &time, picture.c_str(), text, 64), 0);
  return toUtf8(text);
}

TEST(DateTimeFormatTest, AnySeparatorIsCopiedLiterally) {
  // Separators made of picture letters and quotes would be read as format
  // fields if they went into the picture unquoted.
  struct Row {
    std::string_view pattern;
    const wchar_t* separator;
    const char* text;
  };
  for (const Row& row : {Row{kHourMinuteSecondPattern, L":", "21:5:3"},
                         Row{kHourMinuteSecondPattern, L"h'", "21h'5h'3"},
                         Row{kHourMinutePattern, L".", "21.5"},
                         Row{kMediumTimePattern, L" m ", "09 m 05 PM"},
                         Row{kHourMinuteSecondPattern, L"''", "21''5''3"},
                         Row{kHourMinuteSecondPattern, L"", "2153"}}) {
    EXPECT_EQ(formatWithPicture(timePicture(row.pattern, row.separator)),
              row.text)
        << toUtf8(row.separator);
  }
}

// Unknown patterns and locales, readings that are no time, and a picture
// asked for a pattern without one.
TEST(DateTimeFormatTest, WhatCannotBeFormattedIsAnError) {
  Win32DateTime dateTime(L"en-US");
  Win32DateTime unknown(L"xx-not-a-locale");
  const LocalDateTime value = march4(21, 5, 3);
  const std::vector<std::function<void()>> refused = {
      [&] { (void)dateTime.format(value, "hh:mm"); },
      [&] { (void)dateTime.format(value, ""); },
      [&] { (void)dateTime.format(value, "long time"); },
      [&] {
        (void)dateTime.format({2024, 13, 4, 1, 21, 5, 3}, kLongDatePattern);
      },
      [&] {
        (void)dateTime.format({2024, 3, 4, 1, 24, 0, 0}, kLongTimePattern);
      },
      [&] { (void)unknown.format(value, kLongDatePattern); },
      [] { (void)timePicture(kLongTimePattern, L":"); },
      [] { (void)timePicture(kLongDatePattern, L":"); },
  };
  for (std::size_t i = 0; i < refused.size(); ++i) {
    EXPECT_THROW(refused[i](), RuntimeError) << "row " << i;
  }
}

TEST(DateTimeFormatTest, NowIsTheLocalTime) {
  Win32DateTime dateTime;
  SYSTEMTIME before{};
  GetLocalTime(&before);
  const LocalDateTime now = dateTime.now();
  SYSTEMTIME after{};
  GetLocalTime(&after);
  EXPECT_TRUE(now.year == before.wYear || now.year == after.wYear);
  EXPECT_TRUE(now.day == before.wDay || now.day == after.wDay);
  EXPECT_TRUE(now.dayOfWeek == before.wDayOfWeek ||
              now.dayOfWeek == after.wDayOfWeek);
  const int seconds = now.hour * 3600 + now.minute * 60 + now.second;
  const int first = before.wHour * 3600 + before.wMinute * 60 + before.wSecond;
  const int last = after.wHour * 3600 + after.wMinute * 60 + after.wSecond;
  EXPECT_TRUE((seconds >= first && seconds <= last) || last < first);
}

}  // namespace
}  // namespace quorvo::platform::win32
