// The window-manager calls behind moving the clock and keeping it on top.
#pragma once

#include <windows.h>

#include "platform/services.h"

namespace quorvo::platform::win32 {

// A position as GetMessagePos packs it: signed 16-bit x and y, negative left
// of or above the primary monitor.
ScreenPoint screenPointFromMessagePos(DWORD position) noexcept;

class Win32WindowManager : public WindowManager {
 public:
  bool releaseCapture() override;
  std::intptr_t sendMessage(WindowHandle window, std::uint32_t message,
                            std::uintptr_t wParam,
                            std::intptr_t lParam) override;
  std::int32_t setWindowPos(WindowHandle window, WindowHandle insertAfter,
                            int x, int y, int cx, int cy,
                            std::uint32_t flags) override;
  ScreenPoint messagePointerPosition() override;
};

}  // namespace quorvo::platform::win32
