// Turning Win32 failures into the runtime's errors, and where the errors of
// event handlers are reported.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

#include "platform/services.h"

namespace quorvo::platform::win32 {

// The system's description of an error code, e.g. "Access is denied. (5)".
std::string errorText(DWORD error);

// Throws RuntimeError naming the call and the error code. Take the code with
// GetLastError right after the failing call, before any cleanup runs.
[[noreturn]] void throwError(std::string_view call, DWORD error);
// The same with GetLastError read at once.
[[noreturn]] void throwLastError(std::string_view call);

// Sends handler errors to the debugger's output (DebugView, a debugger, or
// Wine's debug channel). A message box would be the classic choice, but a
// failing tick would then raise a new box every 100 ms and bury the screen;
// the clock instead goes on with its next event.
class DebugOutputReporter : public ErrorReporter {
 public:
  void report(std::string_view handler, std::string_view what) override;
};

}  // namespace quorvo::platform::win32
