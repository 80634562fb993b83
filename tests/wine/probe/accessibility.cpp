// The accessibility command of quorvo_probe: what a screen reader is told
// the clock window is called, asked from this other process.
#include <windows.h>
// windows.h first: the headers below rely on its types.
#include <ole2.h>
#include <oleacc.h>

#include <cstdio>
#include <string>

#include "commands.h"
#include "probe_common.h"

namespace probe {

namespace {

// Written out: mingw-w64's oleacc import library has it only as an import.
constexpr IID kIidAccessible = {
    0x618736E0,
    0x3C3D,
    0x11CF,
    {0x81, 0x0C, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71}};

// The name of the window's object `id`, as a JSON string, or null.
std::string nameOf(HWND window, LONG id) {
  IAccessible* accessible = nullptr;
  if (FAILED(AccessibleObjectFromWindow(
          window, static_cast<DWORD>(id), kIidAccessible,
          reinterpret_cast<void**>(&accessible))) ||
      accessible == nullptr) {
    return "null";
  }
  VARIANT self{};
  self.vt = VT_I4;
  self.lVal = CHILDID_SELF;
  BSTR name = nullptr;
  const HRESULT result = accessible->get_accName(self, &name);
  accessible->Release();
  if (FAILED(result)) return "null";
  const std::string text = quoted(std::wstring(name != nullptr ? name : L""));
  SysFreeString(name);
  return text;
}

}  // namespace

int commandAccessibleName(const std::wstring& exeName) {
  const HWND clock = findClock(exeName);
  if (clock == nullptr) {
    std::printf("{\"error\":\"no clock window\"}\n");
    return kExitFailed;
  }
  (void)CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  std::printf("{\"window\":%s,\"client\":%s}\n",
              nameOf(clock, OBJID_WINDOW).c_str(),
              nameOf(clock, OBJID_CLIENT).c_str());
  CoUninitialize();
  return 0;
}

}  // namespace probe
