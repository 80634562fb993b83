// FormDrag and FormOnTop: the window-manager calls behind moving the clock
// and keeping it above ordinary windows.
#include "clock/window_calls.h"

#include <cstdint>

namespace quorvo::clock {

namespace {

constexpr std::uint32_t kWmNcLButtonDown = 0xA1;
constexpr std::uintptr_t kHtCaption = 2;
const platform::WindowHandle kHwndTopmost =
    static_cast<platform::WindowHandle>(std::intptr_t{-1});
const platform::WindowHandle kHwndNoTopmost =
    static_cast<platform::WindowHandle>(std::intptr_t{-2});
// SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE: into the band without taking
// the foreground, so a clock started while the user types elsewhere does not
// take the keys.
constexpr std::uint32_t kSwpNoSizeNoMoveNoActivate = 0x1 | 0x2 | 0x10;

// The pointer position as a button message carries it: x in the low word,
// y in the high word.
std::intptr_t pointLParam(platform::ScreenPoint point) {
  const auto x = static_cast<std::uint16_t>(point.x);
  const auto y = static_cast<std::uint16_t>(point.y);
  return static_cast<std::intptr_t>(static_cast<std::uint32_t>(x) |
                                    (static_cast<std::uint32_t>(y) << 16));
}

}  // namespace

void FormDrag(platform::WindowManager& windows, platform::WindowHandle hWnd) {
  (void)windows.releaseCapture();
  // The caption-press message expects the pointer's screen position.
  (void)windows.sendMessage(hWnd, kWmNcLButtonDown, kHtCaption,
                            pointLParam(windows.messagePointerPosition()));
}

void FormOnTop(platform::WindowManager& windows, platform::Form& frm,
               std::int16_t& onTop) {
  const platform::WindowHandle hWnd = frm.hWnd();
  const std::int32_t result =
      windows.setWindowPos(hWnd, onTop != 0 ? kHwndTopmost : kHwndNoTopmost, 0,
                           0, 0, 0, kSwpNoSizeNoMoveNoActivate);
  onTop = static_cast<std::int16_t>(result);
}

}  // namespace quorvo::clock
