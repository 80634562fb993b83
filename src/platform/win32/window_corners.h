// Square corners for a small bordered window on Windows 11.
#pragma once

#include <windows.h>

namespace quorvo::platform::win32 {

// Asks the desktop window manager not to round the window's corners, which
// Windows 11 does to every top-level window with a border, cutting into a
// window a few lines high. Where the request is unknown (Windows 10, Wine)
// or dwmapi.dll is missing, nothing changes.
void requestSquareCorners(HWND window) noexcept;

}  // namespace quorvo::platform::win32
