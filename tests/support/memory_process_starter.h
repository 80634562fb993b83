// MemoryProcessStarter: programs the test's program would have started.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "journal.h"
#include "platform/services.h"

namespace quorvo::testing {

class MemoryProcessStarter : public platform::ProcessStarter {
 public:
  explicit MemoryProcessStarter(Journal& journal) : journal_(journal) {}
  std::uint32_t shell(const std::string& commandLine, int showWindow) override;
  struct Start {
    std::string commandLine;
    int showWindow;
  };
  std::vector<Start> starts;
  bool fail = false;

 private:
  Journal& journal_;
};

}  // namespace quorvo::testing
