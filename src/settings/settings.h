// Where Quorvo keeps its settings, the keys and their defaults, the text forms
// of numbers and flags, and reading a value back with a sound fallback.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/services.h"

namespace quorvo::settings {

inline constexpr const char* kAppName = "Velmora Software";
inline constexpr const char* kSection = "Quorvo";

inline constexpr const char* kLeftKey = "Left";
inline constexpr const char* kTopKey = "Top";
inline constexpr const char* kJTimeKey = "JTime";
inline constexpr const char* kDateTimeKey = "DateTime";
inline constexpr const char* kSecondsKey = "Seconds";
inline constexpr const char* kJDateKey = "JDate";
inline constexpr const char* k24HourKey = "24 Hour";

// Defaults of a first start, in twips and flags.
inline constexpr std::int16_t kDefaultLeft = 5430;
inline constexpr std::int16_t kDefaultTop = -15;
inline constexpr bool kDefaultJTime = true;
inline constexpr bool kDefaultDateTime = false;
inline constexpr bool kDefaultSeconds = false;
inline constexpr bool kDefaultJDate = false;
inline constexpr bool kDefault24Hour = false;

// Stored texts longer than this are not a value the program wrote.
inline constexpr std::size_t kMaxValueText = 64;

// The shortest decimal text that reads back to the same single-precision
// value: "5430", "-15", "12.5".
std::string singleText(float value);
// A finite single-precision number in plain or exponent form, blanks around
// it allowed; nothing for any other text.
std::optional<float> parseSingle(std::string_view text);

// "True" or "False".
std::string booleanText(bool value);
// "True" / "False" in any letter case, or a number (non-zero is true).
std::optional<bool> parseBoolean(std::string_view text);

// Reads a position; a missing key gives the default, and so does a stored
// text that is not a number.
float readPosition(platform::SettingsStore& store, const char* key,
                   std::int16_t defaultValue);
// Reads a flag; a missing key or a text that is not a boolean gives the
// default.
bool readFlag(platform::SettingsStore& store, const char* key,
              bool defaultValue);

void writeSetting(platform::SettingsStore& store, const char* key,
                  const std::string& text);

}  // namespace quorvo::settings
