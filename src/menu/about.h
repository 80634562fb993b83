// The About box: its title, style and text.
#pragma once

#include <string>

namespace quorvo::menu {

inline constexpr const char* kAboutTitle = "About Quorvo";
// Information icon and a single OK button.
inline constexpr int kAboutStyle = 64;

// Five lines joined by CR LF, with an empty line between all but the first
// two.
std::string aboutText();

}  // namespace quorvo::menu
