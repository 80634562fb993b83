// MemoryWindowManager: each call noted in the journal with its arguments.
#include "memory_window_manager.h"

#include <array>
#include <cstdio>

namespace quorvo::testing {

bool MemoryWindowManager::releaseCapture() {
  journal_.push_back("ReleaseCapture");
  return true;
}

std::intptr_t MemoryWindowManager::sendMessage(platform::WindowHandle window,
                                               std::uint32_t message,
                                               std::uintptr_t wParam,
                                               std::intptr_t lParam) {
  std::array<char, 96> text{};
  std::snprintf(text.data(), text.size(), "SendMessage %#jx %#jx %ju %#jx",
                std::uintmax_t{window}, std::uintmax_t{message},
                std::uintmax_t{wParam},
                std::uintmax_t{static_cast<std::uintptr_t>(lParam)});
  journal_.push_back(text.data());
  return 0;
}

std::int32_t MemoryWindowManager::setWindowPos(
    platform::WindowHandle window, platform::WindowHandle insertAfter,
    int /*x*/, int /*y*/, int /*cx*/, int /*cy*/, std::uint32_t flags) {
  std::array<char, 96> text{};
  std::snprintf(text.data(), text.size(), "SetWindowPos %#jx %jd %ju",
                std::uintmax_t{window},
                std::intmax_t{static_cast<std::intptr_t>(insertAfter)},
                std::uintmax_t{flags});
  journal_.push_back(text.data());
  return setWindowPosResult;
}

}  // namespace quorvo::testing
