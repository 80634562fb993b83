// MemoryProcessStarter: a start noted, or refused when the test says so.
#include "memory_process_starter.h"

namespace quorvo::testing {

std::uint32_t MemoryProcessStarter::shell(const std::string& commandLine,
                                          int showWindow) {
  journal_.push_back("shell " + commandLine + ", show " +
                     std::to_string(showWindow));
  if (fail) throw platform::RuntimeError("file not found");
  return 4242;
}

}  // namespace quorvo::testing
