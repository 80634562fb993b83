// The About text.
#include "menu/about.h"

#include "quorvo_version.h"

namespace quorvo::menu {

std::string aboutText() {
  const std::string lineBreak = "\r\n";
  return std::string("Quorvo " QUORVO_DISPLAY_VERSION) + lineBreak +
         "Build date: September 8, 2004" + lineBreak + lineBreak +
         "Freeware: use it, share it, keep it ticking." + lineBreak +
         lineBreak + QUORVO_HOMEPAGE_URL + lineBreak + lineBreak +
         "Copyright \xC2\xA9 2004 Velmora Software. All rights reserved.";
}

}  // namespace quorvo::menu
