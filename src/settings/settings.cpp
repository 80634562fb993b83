// Text conversions of stored values and reading them with a fallback.
#include "settings/settings.h"

#include <array>
#include <charconv>
#include <cmath>
#include <system_error>

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

// Plain decimal or exponent notation only: from_chars alone would also take
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
  std::array<char, 32> buffer{};
  const auto result =
      std::to_chars(buffer.data(), buffer.data() + buffer.size(), value);
  return std::string(buffer.data(), result.ptr);
}

std::optional<float> parseSingle(std::string_view text) {
  if (text.size() > kMaxValueText) return std::nullopt;
  text = trimBlanks(text);
  if (!isDecimalNumber(text)) return std::nullopt;
  if (text.front() == '+') text.remove_prefix(1);
  float value = 0;
  const auto result =
      std::from_chars(text.data(), text.data() + text.size(), value);
  if (result.ec != std::errc() || result.ptr != text.data() + text.size() ||
      !std::isfinite(value)) {
    return std::nullopt;
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
