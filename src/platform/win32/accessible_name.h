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
// caller passes the message on to DefWindowProc) for other objects, where
// the system's accessibility library or COM cannot be had, or where the
// object cannot be handed to the client.
//
// The libraries (oleacc.dll, ole32.dll and oleaut32.dll, from System32
// only) are loaded the first time a client asks, so a window nobody reads
// never loads them.
std::optional<LRESULT> answerGetObject(HWND window, WPARAM flags,
                                       LPARAM objectId,
                                       const std::wstring& name) noexcept;

}  // namespace quorvo::platform::win32
