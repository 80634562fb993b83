// Text conversions of stored values and reading them with a fallback.
#include "settings/settings.h"

#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace quorvo::settings {

namespace {

std::string_view trimBlanks(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) {
    text.remove_prefix(1);
  }
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) {
    text.remove_suffix(1);
  }
  return text;
}

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// Plain decimal or exponent notation only: strtof alone would also take
// "inf", "nan" and hexadecimal forms.
bool isDecimalNumber(std::string_view text) {
  std::size_t i = 0;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) ++i;
  std::size_t digits = 0;
  while (i < text.size() && isDigit(text[i])) ++i, ++digits;
  if (i < text.size() && text[i] == '.') {
    ++i;
    while (i < text.size() && isDigit(text[i])) ++i, ++digits;
  }
  if (digits == 0) return false;
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    ++i;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) ++i;
    std::size_t expDigits = 0;
    while (i < text.size() && isDigit(text[i])) ++i, ++expDigits;
    if (expDigits == 0) return false;
  }
  return i == text.size();
}

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    char x = a[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
    if (x != b[i]) return false;
  }
  return true;
}

}  // namespace

std::string singleText(float value) {
  if (value == 0.0f) value = 0.0f;  // no "-0"
  // The fewest significant digits that read back to the same value (nine
  // always do for a single-precision number), then the shorter of plain and
  // exponent notation, plain on a tie: 5430 is "5430", 1e10 is "1e+10".
  // printf and strtof rather than to_chars and from_chars, which would cost
  // the program file two hundred kilobytes. The program never changes the C
  // locale, so the decimal separator is always ".".
  const auto promoted = static_cast<double>(value);
  std::array<char, 48> scientific{};
  int digits = 1;
  for (; digits <= 9; ++digits) {
    std::snprintf(scientific.data(), scientific.size(), "%.*e", digits - 1,
                  promoted);
    if (std::strtof(scientific.data(), nullptr) == value) break;
  }
  if (!std::isfinite(value)) return scientific.data();
  const char* exponentText = std::strchr(scientific.data(), 'e');
  const int exponent = exponentText ? std::atoi(exponentText + 1) : 0;
  const int decimals = digits - 1 - exponent > 0 ? digits - 1 - exponent : 0;
  std::array<char, 64> plain{};
  std::snprintf(plain.data(), plain.size(), "%.*f", decimals, promoted);
  return std::strlen(plain.data()) <= std::strlen(scientific.data())
             ? plain.data()
             : scientific.data();
}

std::optional<float> parseSingle(std::string_view text) {
  if (text.size() > kMaxValueText) return std::nullopt;
  text = trimBlanks(text);
  if (!isDecimalNumber(text)) return std::nullopt;
  const std::string digits(text);  // strtof wants a terminated string
  char* end = nullptr;
  const float value = std::strtof(digits.c_str(), &end);
  if (end != digits.c_str() + digits.size() || !std::isfinite(value)) {
    return std::nullopt;  // out of range: a stored text we never wrote
  }
  return value;
}

std::string booleanText(bool value) { return value ? "True" : "False"; }

std::optional<bool> parseBoolean(std::string_view text) {
  if (text.size() > kMaxValueText) return std::nullopt;
  text = trimBlanks(text);
  if (equalsIgnoringCase(text, "true")) return true;
  if (equalsIgnoringCase(text, "false")) return false;
  if (const auto number = parseSingle(text)) return *number != 0.0f;
  return std::nullopt;
}

float readPosition(platform::SettingsStore& store, const char* key,
                   std::int16_t defaultValue) {
  const std::string text =
      store.getSetting(kAppName, kSection, key, std::to_string(defaultValue));
  return parseSingle(text).value_or(static_cast<float>(defaultValue));
}

bool readFlag(platform::SettingsStore& store, const char* key,
              bool defaultValue) {
  const std::string text =
      store.getSetting(kAppName, kSection, key, booleanText(defaultValue));
  return parseBoolean(text).value_or(defaultValue);
}

void writeSetting(platform::SettingsStore& store, const char* key,
                  const std::string& text) {
  store.saveSetting(kAppName, kSection, key, text);
}

}  // namespace quorvo::settings
