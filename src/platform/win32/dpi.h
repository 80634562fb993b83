// DPI of windows and the system's message font at a given DPI.
#pragma once

#include <windows.h>

#include "platform/win32/handles.h"

namespace quorvo::platform::win32 {

// Makes the process per-monitor DPI aware (version 2 where available), so
// windows are drawn sharp at every monitor scale and get WM_DPICHANGED. The
// manifest of Quorvo.exe asks for the same; setting it again is harmless.
void enablePerMonitorDpiAwareness() noexcept;

// The DPI the window is drawn at.
unsigned windowDpi(HWND window) noexcept;

// The system DPI: one scale for the whole desktop, the one positions are
// converted with. 96 where the system cannot tell (before Windows 10 1607).
unsigned systemDpi() noexcept;

// The font of message boxes, the system's default user-interface font, sized
// for `dpi`. Throws RuntimeError when the system has no answer.
UniqueFont createMessageFont(unsigned dpi);

}  // namespace quorvo::platform::win32
