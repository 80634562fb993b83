// MemoryWindowManager: each call journalled, messages and placements kept.
#include "memory_window_manager.h"

namespace quorvo::testing {

bool MemoryWindowManager::releaseCapture() {
  journal_.push_back("ReleaseCapture");
  return true;
}

std::intptr_t MemoryWindowManager::sendMessage(platform::WindowHandle window,
                                               std::uint32_t message,
                                               std::uintptr_t wParam,
                                               std::intptr_t lParam) {
  journal_.push_back("SendMessage");
  messages.push_back({window, message, wParam, lParam});
  return 0;
}

std::int32_t MemoryWindowManager::setWindowPos(
    platform::WindowHandle window, platform::WindowHandle insertAfter,
    int /*x*/, int /*y*/, int /*cx*/, int /*cy*/, std::uint32_t flags) {
  journal_.push_back("SetWindowPos");
  placements.push_back({window, insertAfter, flags});
  return setWindowPosResult;
}

}  // namespace quorvo::testing
