// DLL search path and DPI awareness of the process.
#include "platform/win32/process_setup.h"

#include <windows.h>

#include "platform/win32/dpi.h"
#include "platform/win32/system_functions.h"
#include "platform/win32/text.h"

namespace quorvo::platform::win32 {

void restrictDllSearchToSystem() noexcept {
  if (const auto setDefault =
          loadedSystemFunctions().setDefaultDllDirectories) {
    if (setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32)) return;
  }
  // Systems without it: at least take the current directory off the path.
  (void)SetDllDirectoryW(L"");
}

void prepareProcess() noexcept {
  restrictDllSearchToSystem();
  enablePerMonitorDpiAwareness();
}

void registerForRestart(std::string_view arguments) noexcept {
  // Fails for an argument string longer than the system keeps; the program
  // then only misses its restart.
  try {
    (void)RegisterApplicationRestart(toUtf16(arguments).c_str(),
                                     RESTART_NO_CRASH | RESTART_NO_HANG);
  } catch (...) {
  }
}

}  // namespace quorvo::platform::win32
