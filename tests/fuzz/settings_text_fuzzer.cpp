// Fuzzes the text forms of stored values. Whatever a settings store hands
// back, reading it must not crash and may only give a finite number or a
// flag; and every number the program writes must read back as exactly the
// same single-precision value, or a window would creep across the screen
// from one start to the next.
#include <bit>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "fuzz_check.h"
#include "settings/settings.h"

namespace {

using quorvo::settings::booleanText;
using quorvo::settings::kMaxValueText;
using quorvo::settings::parseBoolean;
using quorvo::settings::parseSingle;
using quorvo::settings::singleText;

// The text written for `value` reads back as `value`, also with the blanks
// an editor of the store might leave around it.
void checkRoundTrip(float value) {
  const std::string text = singleText(value);
  QUORVO_FUZZ_CHECK(text.size() <= kMaxValueText, "value %a wrote \"%s\"",
                    static_cast<double>(value), text.c_str());
  QUORVO_FUZZ_CHECK(text != "-0", "zero written with a sign");
  for (const std::string& stored : {text, " " + text + "\t"}) {
    const auto back = parseSingle(stored);
    QUORVO_FUZZ_CHECK(back.has_value(), "\"%s\" (from %a) did not read back",
                      stored.c_str(), static_cast<double>(value));
    // Equal as numbers, and bit for bit apart from the sign of zero.
    QUORVO_FUZZ_CHECK(
        *back == value &&
            (value == 0.0f || std::bit_cast<std::uint32_t>(*back) ==
                                  std::bit_cast<std::uint32_t>(value)),
        "\"%s\" read back as %a, not %a", stored.c_str(),
        static_cast<double>(*back), static_cast<double>(value));
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* /*argc*/, char*** /*argv*/) {
  for (const bool flag : {false, true}) {
    const auto back = parseBoolean(booleanText(flag));
    QUORVO_FUZZ_CHECK(back.has_value() && *back == flag,
                      "\"%s\" did not read back", booleanText(flag).c_str());
  }
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data,
                                      std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);

  // Any stored text: a finite number or nothing, and a flag or nothing,
  // never a crash; a text that is a number is a flag by whether it is zero.
  const auto flag = parseBoolean(text);
  if (const auto number = parseSingle(text)) {
    QUORVO_FUZZ_CHECK(std::isfinite(*number), "\"%.*s\" gave %a",
                      static_cast<int>(size), text.data(),
                      static_cast<double>(*number));
    QUORVO_FUZZ_CHECK(size <= kMaxValueText,
                      "a %zu-character text was taken as a number", size);
    QUORVO_FUZZ_CHECK(flag.has_value() && *flag == (*number != 0.0f),
                      "number \"%.*s\" gave no or the wrong flag",
                      static_cast<int>(size), text.data());
    checkRoundTrip(*number);
  }

  // The first four bytes as any single-precision value the window position
  // could hold.
  if (size >= sizeof(float)) {
    float value = 0;
    std::memcpy(&value, data, sizeof value);
    if (std::isfinite(value)) checkRoundTrip(value);
  }
  return 0;
}
