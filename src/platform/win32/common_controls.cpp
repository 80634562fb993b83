// Version 6 of the common controls, activated only where Quorvo shows them.
#include "platform/win32/common_controls.h"

#include <string>

#include "platform/win32/system_functions.h"

namespace quorvo::platform::win32 {

namespace {

// The full path of the running program; empty when it cannot be had.
std::wstring programPath() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = GetModuleFileNameW(nullptr, path.data(),
                                            static_cast<DWORD>(path.size()));
    if (length == 0) return {};
    if (length < path.size()) {
      path.resize(length);
      return path;
    }
    if (path.size() >= 32768) return {};  // longer than any Windows path
    path.resize(path.size() * 2);
  }
}

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
