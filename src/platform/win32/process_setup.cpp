// DLL search path and DPI awareness of the process.
#include "platform/win32/process_setup.h"

#include <windows.h>

#include "platform/win32/dpi.h"
#include "platform/win32/system_functions.h"

namespace quorvo::platform::win32 {

void restrictDllSearchToSystem() noexcept {
  using SetDefaultDirectories = decltype(&SetDefaultDllDirectories);
  if (const auto setDefault = loadedSystemFunction<SetDefaultDirectories>(
          L"kernel32.dll", "SetDefaultDllDirectories")) {
    if (setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32)) return;
  }
  // Systems without it: at least take the current directory off the path.
  (void)SetDllDirectoryW(L"");
}

void prepareProcess() noexcept {
  restrictDllSearchToSystem();
  enablePerMonitorDpiAwareness();
}

}  // namespace quorvo::platform::win32
