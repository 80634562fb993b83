// The functions bound at run time, each group bound once.
#include "platform/win32/system_functions.h"

#include <bit>

namespace quorvo::platform::win32 {

namespace {

template <typename Function>
void bind(Function& function, HMODULE module, const char* name) noexcept {
  const FARPROC address =
      module != nullptr ? GetProcAddress(module, name) : nullptr;
  function = address != nullptr ? std::bit_cast<Function>(address) : nullptr;
}

// Kept loaded for the life of the process: its functions are used until
// the end.
HMODULE fromSystem32(const wchar_t* name) noexcept {
  return LoadLibraryExW(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
}

}  // namespace

const LoadedSystemFunctions& loadedSystemFunctions() noexcept {
  static const LoadedSystemFunctions functions = [] {
    LoadedSystemFunctions f{};
    const HMODULE user32 = GetModuleHandleW(L"user32.dll");
    bind(f.setProcessDpiAwarenessContext, user32,
         "SetProcessDpiAwarenessContext");
    bind(f.setProcessDpiAware, user32, "SetProcessDPIAware");
    bind(f.getDpiForWindow, user32, "GetDpiForWindow");
    bind(f.getDpiForSystem, user32, "GetDpiForSystem");
    bind(f.systemParametersInfoForDpi, user32, "SystemParametersInfoForDpi");
    bind(f.setDefaultDllDirectories, GetModuleHandleW(L"kernel32.dll"),
         "SetDefaultDllDirectories");
    return f;
  }();
  return functions;
}

const DwmFunctions& dwmFunctions() noexcept {
  static const DwmFunctions functions = [] {
    DwmFunctions f{};
    bind(f.setWindowAttribute, fromSystem32(L"dwmapi.dll"),
         "DwmSetWindowAttribute");
    return f;
  }();
  return functions;
}

const CommonControlsFunctions& commonControlsFunctions() noexcept {
  static const CommonControlsFunctions functions = [] {
    CommonControlsFunctions f{};
    bind(f.initCommonControlsEx, LoadLibraryW(L"comctl32.dll"),
         "InitCommonControlsEx");
    return f;
  }();
  return functions;
}

const AccessibilityFunctions& accessibilityFunctions() noexcept {
  static const AccessibilityFunctions functions = [] {
    AccessibilityFunctions f{};
    const HMODULE oleacc = fromSystem32(L"oleacc.dll");
    bind(f.createStdAccessibleObject, oleacc, "CreateStdAccessibleObject");
    bind(f.lresultFromObject, oleacc, "LresultFromObject");
    bind(f.coInitializeEx, fromSystem32(L"ole32.dll"), "CoInitializeEx");
    bind(f.sysAllocString, fromSystem32(L"oleaut32.dll"), "SysAllocString");
    return f;
  }();
  return functions;
}

}  // namespace quorvo::platform::win32
