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
  const std::vector<std::pair<std::string, std::optional<float>>> rows = {
      {"5430", 5430.0f},
      {"-15", -15.0f},
      {"+7", 7.0f},
      {" 42 ", 42.0f},
      {"\t1.5", 1.5f},
      {".5", 0.5f},
      {"5.", 5.0f},
      {"1E3", 1000.0f},
      {"2e-1", 0.2f},
      {"", std::nullopt},
      {" ", std::nullopt},
      {"-", std::nullopt},
      {".", std::nullopt},
      {"abc", std::nullopt},
      {"12abc", std::nullopt},
      {"1e", std::nullopt},
      {"1e+", std::nullopt},
      {"nan", std::nullopt},
      {"inf", std::nullopt},
      {"-infinity", std::nullopt},
      {"0x1p3", std::nullopt},
      {"1e39", std::nullopt},
      {"-1e39", std::nullopt},
      {"1,5", std::nullopt},
      {"1 5", std::nullopt},
      {"--1", std::nullopt},
      {"+-1", std::nullopt},
      {std::string(65, '1'), std::nullopt},
      {std::string("1\0"
                   "2",
                   3),
       std::nullopt}};
  for (const auto& [text, expected] : rows) {
    EXPECT_EQ(parseSingle(text), expected) << '"' << text << '"';
  }
}

TEST(SettingsTextTest, FlagsAreTheWordsTrueAndFalse) {
  EXPECT_EQ(booleanText(true), "True");
  EXPECT_EQ(booleanText(false), "False");
  const std::vector<std::pair<std::string, std::optional<bool>>> rows = {
      {"True", true},
      {"False", false},
      {"TRUE", true},
      {"false", false},
      {" True ", true},
      {"-1", true},
      {"0", false},
      {"1", true},
      {"0.0", false},
      {"", std::nullopt},
      {"yes", std::nullopt},
      {"Truee", std::nullopt},
      {"T", std::nullopt},
      {"nan", std::nullopt},
      {std::string(65, 'x'), std::nullopt}};
  for (const auto& [text, expected] : rows) {
    EXPECT_EQ(parseBoolean(text), expected) << '"' << text << '"';
  }
}

}  // namespace
}  // namespace quorvo::settings
