// RunProgram: start a program and forget about it.
#include "menu/mod_quorvo.h"

namespace quorvo::menu {

void RunProgram(platform::ProcessStarter& processes,
                const std::string& commandLine) noexcept {
  try {
    (void)processes.shell(commandLine, kShowNormalActivated);
  } catch (...) {  // a settings panel that will not start is not our failure
  }
}

}  // namespace quorvo::menu
