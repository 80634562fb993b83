// UTF-8 inside the program, UTF-16 at the Win32 API: the two conversions.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace quorvo::platform::win32 {

// Invalid sequences become U+FFFD; throws RuntimeError when the system
// refuses the conversion (for instance a text longer than 2 GiB).
std::wstring toUtf16(std::string_view text);
std::string toUtf8(std::wstring_view text);

// Whether two texts are the same, compared here rather than by the C
// library's memcmp: the clock compares a few short texts at every tick, and
// that call alone would bring a page of library code back into the caches
// ten times a second.
constexpr bool sameText(std::string_view a, std::string_view b) noexcept {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (a[i] != b[i]) return false;
  }
  return true;
}

}  // namespace quorvo::platform::win32
