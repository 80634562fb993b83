// MemoryWindowManager: each call noted in the journal with its arguments.
#include "memory_window_manager.h"

#include <array>
#include <charconv>
#include <string>

namespace quorvo::testing {

namespace {

std::string hex(std::uintmax_t value) {
  std::array<char, 24> digits{};
  char* const end =
      std::to_chars(digits.data(), digits.data() + digits.size(), value, 16)
          .ptr;
  return "0x" + std::string(digits.data(), end);
}

}  // namespace

bool MemoryWindowManager::releaseCapture() {
  journal_.push_back("ReleaseCapture");
  return true;
}

std::intptr_t MemoryWindowManager::sendMessage(platform::WindowHandle window,
                                               std::uint32_t message,
                                               std::uintptr_t wParam,
                                               std::intptr_t lParam) {
  journal_.push_back("SendMessage " + hex(window) + " " + hex(message) + " " +
                     std::to_string(wParam) + " " +
                     hex(static_cast<std::uintptr_t>(lParam)));
  return 0;
}

std::int32_t MemoryWindowManager::setWindowPos(
    platform::WindowHandle window, platform::WindowHandle insertAfter,
    int /*x*/, int /*y*/, int /*cx*/, int /*cy*/, std::uint32_t flags) {
  journal_.push_back("SetWindowPos " + hex(window) + " " +
                     std::to_string(static_cast<std::intptr_t>(insertAfter)) +
                     " " + std::to_string(flags));
  return setWindowPosResult;
}

}  // namespace quorvo::testing
