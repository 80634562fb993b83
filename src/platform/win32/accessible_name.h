// An accessible name for a window whose text is empty: what Narrator, NVDA
// and other MSAA or UI Automation clients say for it, with no change to the
// window's text or looks.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

namespace quorvo::platform::win32 {

// IAccessible's interface identifier, written out: mingw-w64's oleacc
// import library has it only as an import.
inline constexpr IID kIidAccessible = {
    0x618736E0,
    0x3C3D,
    0x11CF,
    {0x81, 0x0C, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71}};

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
