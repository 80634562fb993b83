// MemoryWindowManager: the window calls the program made, noted.
#pragma once

#include <cstdint>

#include "journal.h"
#include "platform/services.h"

namespace quorvo::testing {

class MemoryWindowManager : public platform::WindowManager {
 public:
  explicit MemoryWindowManager(Journal& journal) : journal_(journal) {}
  // Calls are noted as "SendMessage 0x1000 0xa1 2 0xc02bc" (window,
  // message, wParam, lParam) and "SetWindowPos 0x1000 -1 3" (window,
  // insertAfter, flags).
  bool releaseCapture() override;
  std::intptr_t sendMessage(platform::WindowHandle window,
                            std::uint32_t message, std::uintptr_t wParam,
                            std::intptr_t lParam) override;
  std::int32_t setWindowPos(platform::WindowHandle window,
                            platform::WindowHandle insertAfter, int x, int y,
                            int cx, int cy, std::uint32_t flags) override;
  platform::ScreenPoint messagePointerPosition() override { return pointer; }

  std::int32_t setWindowPosResult = 1;
  platform::ScreenPoint pointer{};

 private:
  Journal& journal_;
};

}  // namespace quorvo::testing
