// MemoryWindowManager: the window calls the program made, noted.
#pragma once

#include <cstdint>
#include <vector>

#include "journal.h"
#include "platform/services.h"

namespace quorvo::testing {

class MemoryWindowManager : public platform::WindowManager {
 public:
  explicit MemoryWindowManager(Journal& journal) : journal_(journal) {}
  bool releaseCapture() override;
  std::intptr_t sendMessage(platform::WindowHandle window,
                            std::uint32_t message, std::uintptr_t wParam,
                            std::intptr_t lParam) override;
  std::int32_t setWindowPos(platform::WindowHandle window,
                            platform::WindowHandle insertAfter, int x, int y,
                            int cx, int cy, std::uint32_t flags) override;
  platform::ScreenPoint messagePointerPosition() override { return pointer; }

  struct Message {
    platform::WindowHandle window;
    std::uint32_t message;
    std::uintptr_t wParam;
    std::intptr_t lParam;
  };
  struct Placement {
    platform::WindowHandle window;
    platform::WindowHandle insertAfter;
    std::uint32_t flags;
  };
  std::vector<Message> messages;
  std::vector<Placement> placements;
  std::int32_t setWindowPosResult = 1;
  platform::ScreenPoint pointer{};

 private:
  Journal& journal_;
};

}  // namespace quorvo::testing
