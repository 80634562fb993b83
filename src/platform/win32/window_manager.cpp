// ReleaseCapture, SendMessageA, SetWindowPos and GetMessagePos.
#include "platform/win32/window_manager.h"

#include "platform/win32/mouse_input.h"

namespace quorvo::platform::win32 {

namespace {

HWND toHwnd(WindowHandle window) { return reinterpret_cast<HWND>(window); }

}  // namespace

ScreenPoint screenPointFromMessagePos(DWORD position) noexcept {
  const POINT point = mousePoint(static_cast<LPARAM>(position));
  return {point.x, point.y};
}

bool Win32WindowManager::releaseCapture() { return ReleaseCapture() != FALSE; }

std::intptr_t Win32WindowManager::sendMessage(WindowHandle window,
                                              std::uint32_t message,
                                              std::uintptr_t wParam,
                                              std::intptr_t lParam) {
  return SendMessageA(toHwnd(window), message, wParam, lParam);
}

std::int32_t Win32WindowManager::setWindowPos(WindowHandle window,
                                              WindowHandle insertAfter, int x,
                                              int y, int cx, int cy,
                                              std::uint32_t flags) {
  return SetWindowPos(toHwnd(window), toHwnd(insertAfter), x, y, cx, cy, flags);
}

ScreenPoint Win32WindowManager::messagePointerPosition() {
  return screenPointFromMessagePos(GetMessagePos());
}

}  // namespace quorvo::platform::win32
