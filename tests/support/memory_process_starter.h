// MemoryProcessStarter: programs the test's program would have started.
#pragma once

#include <cstdint>
#include <string>

#include "journal.h"
#include "platform/services.h"

namespace quorvo::testing {

class MemoryProcessStarter : public platform::ProcessStarter {
 public:
  explicit MemoryProcessStarter(Journal& journal) : journal_(journal) {}
  // Noted as "shell <command line>, show 5", also when it fails.
  std::uint32_t shell(const std::string& commandLine, int showWindow) override {
    journal_.push_back("shell " + commandLine + ", show " +
                       std::to_string(showWindow));
    if (fail) throw platform::RuntimeError("file not found");
    return 4242;
  }
  bool fail = false;

 private:
  Journal& journal_;
};

}  // namespace quorvo::testing
