// The desktop window manager's corner preference, asked for at run time.
#include "platform/win32/window_corners.h"

#include "platform/win32/system_functions.h"

namespace quorvo::platform::win32 {

namespace {

// The documented values, named here: older SDK headers lack them.
constexpr DWORD kWindowCornerPreference = 33;  // DWMWA_WINDOW_CORNER_PREFERENCE
constexpr int kDoNotRound = 1;                 // DWMWCP_DONOTROUND

}  // namespace

void requestSquareCorners(HWND window) noexcept {
  // dwmapi.dll is not imported: a system without it starts all the same.
  const auto setAttribute = dwmFunctions().setWindowAttribute;
  if (setAttribute == nullptr) return;
  // Windows 10 answers E_INVALIDARG: it has no rounded corners to leave off.
  (void)setAttribute(window, kWindowCornerPreference, &kDoNotRound,
                     sizeof kDoNotRound);
}

}  // namespace quorvo::platform::win32
