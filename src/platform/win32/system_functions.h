// Every function Quorvo binds at run time rather than imports, with its DLL
// and where that DLL comes from. Functions of newer Windows versions are
// bound so the program still starts where they are missing (older Windows,
// older Wine); the DLLs Quorvo.exe does not import at all are loaded only
// when first needed, so a clock nobody points at or reads never loads them,
// and always from the system, so no copy planted beside the program is
// loaded in their place. resources/check_resources.py checks that Quorvo.exe
// imports none of the DLLs loaded here.
//
// Each group below is bound once, at its first use; a function that cannot
// be had is null, and its caller goes without it.
#pragma once

#include <windows.h>
// windows.h first: the headers below rely on its types.
#include <commctrl.h>
#include <dwmapi.h>
#include <ole2.h>
#include <oleacc.h>

namespace quorvo::platform::win32 {

// From user32.dll and kernel32.dll, which every process of the program has
// loaded already (GetModuleHandleW: nothing is loaded here).
struct LoadedSystemFunctions {
  // user32.dll. Windows 10 1703:
  decltype(&SetProcessDpiAwarenessContext) setProcessDpiAwarenessContext;
  // Vista:
  decltype(&SetProcessDPIAware) setProcessDpiAware;
  // Windows 10 1607:
  decltype(&GetDpiForWindow) getDpiForWindow;
  decltype(&GetDpiForSystem) getDpiForSystem;
  decltype(&SystemParametersInfoForDpi) systemParametersInfoForDpi;
  // kernel32.dll. Windows 8, and 7 with update KB2533623:
  decltype(&SetDefaultDllDirectories) setDefaultDllDirectories;
};
const LoadedSystemFunctions& loadedSystemFunctions() noexcept;

// From dwmapi.dll, loaded from System32 only (LoadLibraryExW with
// LOAD_LIBRARY_SEARCH_SYSTEM32) when the first form is made.
struct DwmFunctions {
  decltype(&DwmSetWindowAttribute) setWindowAttribute;
};
const DwmFunctions& dwmFunctions() noexcept;

// From comctl32.dll, loaded when the first tooltip is made, with
// LoadLibraryW: the activation context active at that moment picks the
// DLL, as it would for a program that imports it. Called the first time
// inside a CommonControlsScope, that is version 6 of the common controls,
// which is not in System32; without such a context, the system's version 5
// from System32, the only folder the process searches (prepareProcess).
struct CommonControlsFunctions {
  decltype(&InitCommonControlsEx) initCommonControlsEx;
};
const CommonControlsFunctions& commonControlsFunctions() noexcept;

// From oleacc.dll (accessibility), ole32.dll (COM) and oleaut32.dll (OLE
// automation), loaded from System32 only when a screen reader or other
// client first asks a window for its accessible object.
struct AccessibilityFunctions {
  decltype(&CreateStdAccessibleObject) createStdAccessibleObject;
  decltype(&LresultFromObject) lresultFromObject;
  decltype(&CoInitializeEx) coInitializeEx;
  decltype(&SysAllocString) sysAllocString;
};
const AccessibilityFunctions& accessibilityFunctions() noexcept;

}  // namespace quorvo::platform::win32
