// One window procedure for the windows that objects of the runtime stand
// behind (a form's window, a label's STATIC control): it finds the object
// in the window's user data and runs the object's OnMessage under the
// runtime's one exception firewall. Program events are guarded where they
// are raised (Win32Form::raise), so an exception that reaches this firewall
// is the runtime's own; the message then gets the answer it would have had
// without the object (its passOn), and no exception ever crosses into the
// system's message dispatch.
#pragma once

#include <windows.h>

namespace quorvo::platform::win32 {

// Makes `object` the one behind `window`; false, with GetLastError set,
// where the system refuses.
inline bool attachObject(HWND window, void* object) noexcept {
  SetLastError(ERROR_SUCCESS);
  return SetWindowLongPtrW(window, GWLP_USERDATA,
                           reinterpret_cast<LONG_PTR>(object)) != 0 ||
         GetLastError() == ERROR_SUCCESS;
}

// The window procedure of T's windows. A window made with its object as the
// creation parameter (CreateWindowExW's last) has the object attached at
// WM_NCCREATE, before CreateWindowExW returns; T::OnMessage then sees that
// message too.
template <typename T>
LRESULT CALLBACK windowProcedure(HWND window, UINT message, WPARAM wParam,
                                 LPARAM lParam) noexcept {
  if (message == WM_NCCREATE) {
    void* const object =
        reinterpret_cast<const CREATESTRUCTW*>(lParam)->lpCreateParams;
    if (object != nullptr && !attachObject(window, object)) return FALSE;
  }
  T* const self =
      reinterpret_cast<T*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (self == nullptr) return DefWindowProcW(window, message, wParam, lParam);
  try {
    return self->OnMessage(window, message, wParam, lParam);
  } catch (...) {
    return self->passOn(window, message, wParam, lParam);
  }
}

}  // namespace quorvo::platform::win32
