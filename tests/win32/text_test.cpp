// UTF-8 / UTF-16 conversion at the API boundary.
#include "platform/win32/text.h"

#include <gtest/gtest.h>

#include <string_view>

namespace quorvo::platform::win32 {
namespace {

TEST(TextConversionTest, EmptyStaysEmpty) {
  EXPECT_EQ(toUtf16(""), L"");
  EXPECT_EQ(toUtf8(L""), "");
}

TEST(TextConversionTest, AsciiAndBeyondRoundTrip) {
  const std::string texts[] = {
      "9:05:03 PM", "Montag, M\xC3\xA4rz 4 2024",
      "\xE6\x99\x82\xE8\xA8\x88",  // two CJK characters
      "\xF0\x9F\x95\x98",          // a clock face outside the BMP
      "Copyright \xC2\xA9 2004"};
  for (const std::string& text : texts) {
    EXPECT_EQ(toUtf8(toUtf16(text)), text);
  }
  EXPECT_EQ(toUtf16("M\xC3\xA4rz"), L"M\u00E4rz");
  EXPECT_EQ(toUtf16("\xF0\x9F\x95\x98").size(), 2u);  // a surrogate pair
}

TEST(TextConversionTest, InvalidUtf8BecomesReplacementCharacter) {
  const std::wstring converted = toUtf16(
      "a\xFF"
      "b");
  EXPECT_EQ(converted, L"a\uFFFDb");
}

TEST(TextConversionTest, UnpairedSurrogateBecomesReplacementCharacter) {
  const std::wstring lone = {L'a', static_cast<wchar_t>(0xD800), L'b'};
  EXPECT_EQ(toUtf8(lone),
            "a\xEF\xBF\xBD"
            "b");
}

TEST(TextConversionTest, EmbeddedNullsAreKept) {
  const std::string text("a\0b", 3);
  EXPECT_EQ(toUtf16(text).size(), 3u);
  EXPECT_EQ(toUtf8(toUtf16(text)), text);
}

}  // namespace
}  // namespace quorvo::platform::win32
