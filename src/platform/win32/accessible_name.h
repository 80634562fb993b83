// An accessible name for a window whose text is empty: what Narrator, NVDA
// and other MSAA or UI Automation clients say for it, with no change to the
// window's text or looks.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

namespace quorvo::platform::win32 {

// The answer to WM_GETOBJECT for a window with an accessible name of its
// own: for its window and client objects, the system's standard object
// with `name` as its name and everything else left as it is. Nothing (the
// caller passes the message on to DefWindowProc) for other objects, or
// where the system's accessibility library cannot be had.
//
// The library (oleacc.dll, from System32 only) is loaded the first time a
// client asks, so a window nobody reads never loads it.
std::optional<LRESULT> answerGetObject(HWND window, WPARAM flags,
                                       LPARAM objectId,
                                       const std::wstring& name) noexcept;

}  // namespace quorvo::platform::win32
