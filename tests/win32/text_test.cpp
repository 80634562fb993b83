// UTF-8 / UTF-16 conversion at the API boundary.
#include "platform/win32/text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace quorvo::platform::win32 {
namespace {

// Each text converts exactly into the other and back; what is not valid
// becomes the replacement character, and embedded nulls are kept.
TEST(TextConversionTest, EachFormConvertsIntoTheOther) {
  struct Row {
    std::string utf8;
    std::wstring utf16;
    bool fromUtf8 = true;   // utf8 gives utf16
    bool fromUtf16 = true;  // utf16 gives utf8
  };
  const wchar_t clockFace[] = {0xD83D, 0xDD58};  // a surrogate pair
  const wchar_t lone[] = {L'a', 0xD800, L'b'};
  const std::vector<Row> rows = {
      {"", L""},
      {"9:05:03 PM", L"9:05:03 PM"},
      {"Montag, M\xC3\xA4rz 4 2024", L"Montag, M\u00E4rz 4 2024"},
      {"\xE6\x99\x82\xE8\xA8\x88", L"\u6642\u8A08"},
      {"\xF0\x9F\x95\x98", std::wstring(clockFace, 2)},
      {"Copyright \xC2\xA9 2004", L"Copyright \u00A9 2004"},
      {std::string("a\0b", 3), std::wstring(L"a\0b", 3)},
      {"a\xFF"
       "b",
       L"a\uFFFDb", true, false},
      {"a\xEF\xBF\xBD"
       "b",
       std::wstring(lone, 3), false, true},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.utf8);
    if (row.fromUtf8) {
      EXPECT_EQ(toUtf16(row.utf8), row.utf16);
    }
    if (row.fromUtf16) {
      EXPECT_EQ(toUtf8(row.utf16), row.utf8);
    }
  }
}

}  // namespace
}  // namespace quorvo::platform::win32
