// Version 6 of the common controls, activated only where Quorvo shows them.
#include "platform/win32/common_controls.h"

#include <string>

#include "platform/win32/application.h"
#include "platform/win32/system_functions.h"

namespace quorvo::platform::win32 {

namespace {

// Made once, on first use, and kept for the life of the process.
HANDLE commonControlsContext() noexcept {
  static const HANDLE context = []() noexcept {
    try {
      const std::wstring path = programPath();
      if (path.empty()) return INVALID_HANDLE_VALUE;
      ACTCTXW request{};
      request.cbSize = sizeof(request);
      request.dwFlags =
          ACTCTX_FLAG_HMODULE_VALID | ACTCTX_FLAG_RESOURCE_NAME_VALID;
      request.lpSource = path.c_str();
      request.hModule = GetModuleHandleW(nullptr);
      request.lpResourceName = ISOLATIONAWARE_MANIFEST_RESOURCE_ID;
      return CreateActCtxW(&request);
    } catch (...) {  // no memory for the path
      return INVALID_HANDLE_VALUE;
    }
  }();
  return context;
}

}  // namespace

CommonControlsScope::CommonControlsScope() noexcept {
  const HANDLE context = commonControlsContext();
  if (context != INVALID_HANDLE_VALUE) {
    active_ = ActivateActCtx(context, &cookie_) != FALSE;
  }
}

CommonControlsScope::~CommonControlsScope() {
  if (active_) (void)DeactivateActCtx(0, cookie_);
}

bool toolTipClassReady() noexcept {
  // Bound here first, inside the caller's scope: version 6.
  static const bool ready = []() noexcept {
    const auto initialize = commonControlsFunctions().initCommonControlsEx;
    if (initialize == nullptr) return false;
    INITCOMMONCONTROLSEX controls{};
    controls.dwSize = sizeof(controls);
    controls.dwICC = ICC_BAR_CLASSES;
    return initialize(&controls) != FALSE;
  }();
  return ready;
}

}  // namespace quorvo::platform::win32
