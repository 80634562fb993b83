// UTF-8 inside the program, UTF-16 at the Win32 API: the two conversions.
#pragma once

#include <string>
#include <string_view>

namespace quorvo::platform::win32 {

// Invalid sequences become U+FFFD; throws RuntimeError when the system
// refuses the conversion (for instance a text longer than 2 GiB).
std::wstring toUtf16(std::string_view text);
std::string toUtf8(std::wstring_view text);

}  // namespace quorvo::platform::win32
