// Version 6 of the common controls, activated only where Quorvo shows them.
//
// The process manifest does not ask for them: with it, creating the clock's
// STATIC label would load comctl32 at start, and a clock nobody points at
// would carry it for nothing. The tooltip and message boxes are created
// inside a CommonControlsScope instead, which activates the context made
// from the program's own resource ISOLATIONAWARE_MANIFEST_RESOURCE_ID.
#pragma once

#include <windows.h>
// windows.h first: commctrl.h relies on its types.
#include <commctrl.h>

#include <cstddef>

namespace quorvo::platform::win32 {

// The size of TOOLINFOW that comctl32 5 and 6 both accept.
inline constexpr UINT kToolInfoSize =
    static_cast<UINT>(offsetof(TTTOOLINFOW, lParam) + sizeof(LPARAM));

class CommonControlsScope {
 public:
  // Where the context cannot be made (no such resource, as in the tests'
  // program) nothing is activated and the system's default controls apply.
  CommonControlsScope() noexcept;
  ~CommonControlsScope();
  CommonControlsScope(const CommonControlsScope&) = delete;
  CommonControlsScope& operator=(const CommonControlsScope&) = delete;

 private:
  ULONG_PTR cookie_ = 0;
  bool active_ = false;
};

// The tooltip class, with comctl32 loaded (once, for the life of the
// process) and initialised. Call inside a CommonControlsScope.
bool toolTipClassReady() noexcept;

}  // namespace quorvo::platform::win32
