// MemoryApplication: ending, message boxes and reported errors, noted.
#include "memory_application.h"

namespace quorvo::testing {

void MemoryApplication::end() {
  ended_ = true;
  journal_.push_back("end");
}

void MemoryApplication::releaseInstance() {
  journal_.push_back("release instance");
}

int MemoryApplication::msgBox(const std::string& prompt, int style,
                              const std::string& title) {
  journal_.push_back("msgBox " + title + ", style " + std::to_string(style) +
                     ": " + prompt);
  return 1;
}

void MemoryApplication::report(std::string_view handler,
                               std::string_view /*what*/) {
  errors.push_back({std::string(handler)});
}

}  // namespace quorvo::testing
