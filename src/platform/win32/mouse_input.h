// Mouse messages as the program's mouse events take them: which button a
// message presses, the Shift argument, and the point in twips.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>

#include "platform/forms.h"
#include "platform/twips.h"

namespace quorvo::platform::win32 {

// The point a mouse message (client) or GetMessagePos (screen) packs into
// two signed 16-bit halves.
inline POINT mousePoint(LPARAM lParam) noexcept {
  const auto bits = static_cast<std::uint32_t>(lParam);
  return {static_cast<std::int16_t>(bits & 0xFFFF),
          static_cast<std::int16_t>((bits >> 16) & 0xFFFF)};
}

// The Shift argument of mouse events: 1 Shift, 2 Ctrl, 4 Alt.
inline std::int16_t shiftState(WPARAM mouseKeys) noexcept {
  constexpr std::int16_t kShiftMask = 1;
  constexpr std::int16_t kCtrlMask = 2;
  constexpr std::int16_t kAltMask = 4;
  std::int16_t shift = 0;
  if ((mouseKeys & MK_SHIFT) != 0) shift |= kShiftMask;
  if ((mouseKeys & MK_CONTROL) != 0) shift |= kCtrlMask;
  if (GetKeyState(VK_MENU) < 0) shift |= kAltMask;
  return shift;
}

// A button press as a MouseDown event carries it.
struct MousePress {
  std::int16_t button = 0;
  std::int16_t shift = 0;
  float x = 0;  // twips in the window's client area
  float y = 0;
};

// The press a message makes, if it is one. A second right or middle press
// within the double-click time is a press like any other; a left
// double-click is an event of its own.
inline std::optional<MousePress> mousePress(UINT message, WPARAM wParam,
                                            LPARAM lParam, unsigned dpi) {
  std::int16_t button = 0;
  switch (message) {
    case WM_LBUTTONDOWN:
      button = kLeftButton;
      break;
    case WM_RBUTTONDOWN:
    case WM_RBUTTONDBLCLK:
      button = kRightButton;
      break;
    case WM_MBUTTONDOWN:
    case WM_MBUTTONDBLCLK:
      button = kMiddleButton;
      break;
    default:
      return std::nullopt;
  }
  const POINT point = mousePoint(lParam);
  return MousePress{button, shiftState(wParam), pixelsToTwips(point.x, dpi),
                    pixelsToTwips(point.y, dpi)};
}

}  // namespace quorvo::platform::win32
