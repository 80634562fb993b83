// MemoryWindowManager: the window calls the program made, noted.
#pragma once

#include <array>
#include <cstdint>
#include <cstdio>

#include "journal.h"
#include "platform/services.h"

namespace quorvo::testing {

class MemoryWindowManager : public platform::WindowManager {
 public:
  explicit MemoryWindowManager(Journal& journal) : journal_(journal) {}
  // Calls are noted as "SendMessage 0x1000 0xa1 2 0xc02bc" (window,
  // message, wParam, lParam) and "SetWindowPos 0x1000 -1 3" (window,
  // insertAfter, flags).
  bool releaseCapture() override {
    journal_.push_back("ReleaseCapture");
    return true;
  }
  std::intptr_t sendMessage(platform::WindowHandle window,
                            std::uint32_t message, std::uintptr_t wParam,
                            std::intptr_t lParam) override {
    std::array<char, 96> text{};
    std::snprintf(text.data(), text.size(), "SendMessage %#jx %#jx %ju %#jx",
                  std::uintmax_t{window}, std::uintmax_t{message},
                  std::uintmax_t{wParam},
                  std::uintmax_t{static_cast<std::uintptr_t>(lParam)});
    journal_.push_back(text.data());
    return 0;
  }
  std::int32_t setWindowPos(platform::WindowHandle window,
                            platform::WindowHandle insertAfter, int /*x*/,
                            int /*y*/, int /*cx*/, int /*cy*/,
                            std::uint32_t flags) override {
    std::array<char, 96> text{};
    std::snprintf(text.data(), text.size(), "SetWindowPos %#jx %jd %ju",
                  std::uintmax_t{window},
                  std::intmax_t{static_cast<std::intptr_t>(insertAfter)},
                  std::uintmax_t{flags});
    journal_.push_back(text.data());
    return setWindowPosResult;
  }
  platform::ScreenPoint messagePointerPosition() override { return pointer; }

  std::int32_t setWindowPosResult = 1;
  platform::ScreenPoint pointer{};

 private:
  Journal& journal_;
};

}  // namespace quorvo::testing
