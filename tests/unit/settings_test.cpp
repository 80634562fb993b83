// The text forms of stored numbers and flags.
#include "settings/settings.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <optional>
#include <string>
#include <vector>

namespace quorvo::settings {
namespace {

TEST(SettingsTextTest, NumbersAreWrittenInTheirShortestForm) {
  const std::vector<std::pair<float, std::string>> rows = {
      {5430, "5430"},    {-15, "-15"},           {0, "0"},
      {-0.0f, "0"},      {12.5f, "12.5"},        {-1234.75f, "-1234.75"},
      {0.1f, "0.1"},     {16777216, "16777216"}, {1e10f, "1e+10"},
      {0.001f, "0.001"}, {1.5e-7f, "1.5e-07"},   {-2.5e20f, "-2.5e+20"}};
  for (const auto& [value, text] : rows) {
    EXPECT_EQ(singleText(value), text) << value;
  }
}

TEST(SettingsTextTest, EveryWrittenNumberReadsBackExactly) {
  for (float value : {5430.0f, -15.0f, 0.1f, 3.4e38f, -3.4e38f, 1e-40f,
                      std::numeric_limits<float>::denorm_min(), 123456.7f,
                      std::nextafter(1.0f, 2.0f)}) {
    const auto back = parseSingle(singleText(value));
    ASSERT_TRUE(back.has_value()) << singleText(value);
    EXPECT_EQ(*back, value) << singleText(value);
  }
}

TEST(SettingsTextTest, ParsesNumbersAndRejectsEverythingElse) {
  const std::vector<std::pair<std::string, float>> numbers = {
      {"5430", 5430.0f}, {"-15", -15.0f},  {"+7", 7.0f},
      {" 42 ", 42.0f},   {"\t1.5", 1.5f},  {".5", 0.5f},
      {"5.", 5.0f},      {"1E3", 1000.0f}, {"2e-1", 0.2f}};
  for (const auto& [text, expected] : numbers) {
    EXPECT_EQ(parseSingle(text), expected) << '"' << text << '"';
  }
  std::vector<std::string> refused = {
      "",     " ",     "-",   ".",   "abc",       "12abc",
      "1e",   "1e+",   "nan", "inf", "-infinity", "0x1p3",
      "1e39", "-1e39", "1,5", "1 5", "--1",       "+-1"};
  refused.push_back(std::string(65, '1'));
  refused.push_back(std::string{'1', '\0', '2'});
  for (const std::string& text : refused) {
    EXPECT_EQ(parseSingle(text), std::nullopt) << '"' << text << '"';
  }
}

TEST(SettingsTextTest, FlagsAreTheWordsTrueAndFalse) {
  EXPECT_EQ(booleanText(true), "True");
  EXPECT_EQ(booleanText(false), "False");
  const std::vector<std::pair<std::string, bool>> flags = {
      {"True", true},   {"False", false}, {"TRUE", true},
      {"false", false}, {" True ", true}, {"-1", true},
      {"0", false},     {"1", true},      {"0.0", false}};
  for (const auto& [text, expected] : flags) {
    EXPECT_EQ(parseBoolean(text), expected) << '"' << text << '"';
  }
  for (const std::string& text : std::vector<std::string>{
           "", "yes", "Truee", "T", "nan", std::string(65, 'x')}) {
    EXPECT_EQ(parseBoolean(text), std::nullopt) << '"' << text << '"';
  }
}

}  // namespace
}  // namespace quorvo::settings
