// The desktop window manager's corner preference, asked for at run time.
#include "platform/win32/window_corners.h"

#include <bit>

namespace quorvo::platform::win32 {

namespace {

// The documented values, named here: older SDK headers lack them.
constexpr DWORD kWindowCornerPreference = 33;  // DWMWA_WINDOW_CORNER_PREFERENCE
constexpr int kDoNotRound = 1;                 // DWMWCP_DONOTROUND

using SetWindowAttribute = HRESULT(WINAPI*)(HWND, DWORD, LPCVOID, DWORD);

}  // namespace

void requestSquareCorners(HWND window) noexcept {
  // Loaded from System32 only and not imported, so no dwmapi.dll beside the
  // program can be loaded in its place, and a system without it starts.
  static const SetWindowAttribute setAttribute = [] {
    const HMODULE dwm =
        LoadLibraryExW(L"dwmapi.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    const FARPROC address =
        dwm != nullptr ? GetProcAddress(dwm, "DwmSetWindowAttribute") : nullptr;
    return address != nullptr ? std::bit_cast<SetWindowAttribute>(address)
                              : nullptr;
  }();
  if (setAttribute == nullptr) return;
  // Windows 10 answers E_INVALIDARG: it has no rounded corners to leave off.
  (void)setAttribute(window, kWindowCornerPreference, &kDoNotRound,
                     sizeof kDoNotRound);
}

}  // namespace quorvo::platform::win32
