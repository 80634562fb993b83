// The accessibility command of quorvo_probe: what screen readers are told
// the clock window is called, asked from this other process the way MSAA
// clients (NVDA, JAWS) and UI Automation clients (Narrator) ask.
#include <windows.h>
// windows.h first: the headers below rely on its types.
#include <ole2.h>
#include <oleacc.h>
#include <uiautomationcore.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "commands.h"
#include "platform/win32/accessible_name.h"
#include "probe_common.h"

namespace probe {

namespace {

using quorvo::platform::win32::kIidAccessible;

// Written out: mingw-w64's import libraries have them only as imports, or
// its headers not at all.
constexpr CLSID kClsidCUIAutomation = {
    0xFF48DBA4,
    0x60EF,
    0x4201,
    {0xAA, 0x87, 0x54, 0x10, 0x3E, 0xEF, 0x59, 0x4E}};
constexpr IID kIidUIAutomation = {
    0x30CBE57D,
    0xD9D0,
    0x452A,
    {0xAB, 0x13, 0x7A, 0xC5, 0xAC, 0x48, 0x25, 0xEE}};

constexpr PROPERTYID kUiaNamePropertyId = 30005;
// Places in the vtables of IUIAutomation and IUIAutomationElement, counted
// from QueryInterface (UIAutomationClient.idl): mingw-w64's headers lack
// UI Automation's client interfaces.
constexpr std::size_t kElementFromHandleSlot = 6;
constexpr std::size_t kGetCurrentNameSlot = 23;

// Calls the method in the COM object's vtable at `slot`, which takes args.
template <typename... Args>
HRESULT callSlot(IUnknown* object, std::size_t slot, Args... args) {
  using Method = HRESULT(STDMETHODCALLTYPE*)(IUnknown*, Args...);
  void* const entry = (*reinterpret_cast<void* const* const*>(object))[slot];
  Method method = nullptr;
  std::memcpy(&method, &entry, sizeof method);
  return method(object, args...);
}

using UiaProviderFromIAccessibleFn =
    HRESULT(WINAPI*)(IAccessible*, long, DWORD, IRawElementProviderSimple**);

std::string hresultText(HRESULT result) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08lX",
                static_cast<unsigned long>(result));
  return quoted(std::string(text));
}

// A name as JSON, and frees it; null where the call failed.
std::string nameJson(HRESULT result, BSTR name) {
  std::string json = "null";
  if (SUCCEEDED(result)) {
    json = quoted(std::wstring(name != nullptr ? name : L""));
  }
  SysFreeString(name);
  return json;
}

IAccessible* accessibleOf(HWND window, LONG id) {
  IAccessible* accessible = nullptr;
  if (FAILED(AccessibleObjectFromWindow(
          window, static_cast<DWORD>(id), kIidAccessible,
          reinterpret_cast<void**>(&accessible)))) {
    return nullptr;
  }
  return accessible;
}

// The MSAA name of the window's object `id`, as a JSON string, or null.
std::string nameOf(HWND window, LONG id) {
  IAccessible* accessible = accessibleOf(window, id);
  if (accessible == nullptr) return "null";
  VARIANT self{};
  self.vt = VT_I4;
  self.lVal = CHILDID_SELF;
  BSTR name = nullptr;
  const HRESULT result = accessible->get_accName(self, &name);
  accessible->Release();
  return nameJson(result, name);
}

// What UI Automation makes of the window's client object:
// {"result":HRESULT,"name":...}. It refuses oleacc's own stock objects
// (E_INVALIDARG), which it serves with proxies of its own instead.
std::string providerOf(HWND window) {
  const HMODULE core = LoadLibraryExW(L"uiautomationcore.dll", nullptr,
                                      LOAD_LIBRARY_SEARCH_SYSTEM32);
  const auto fromAccessible =
      core == nullptr ? nullptr
                      : reinterpret_cast<UiaProviderFromIAccessibleFn>(
                            reinterpret_cast<void*>(GetProcAddress(
                                core, "UiaProviderFromIAccessible")));
  if (fromAccessible == nullptr) return "null";
  IAccessible* accessible = accessibleOf(window, OBJID_CLIENT);
  if (accessible == nullptr) return "null";
  IRawElementProviderSimple* provider = nullptr;
  const HRESULT result = fromAccessible(accessible, CHILDID_SELF,
                                        0 /*UIA_PFIA_DEFAULT*/, &provider);
  accessible->Release();
  std::string name = "null";
  if (SUCCEEDED(result) && provider != nullptr) {
    VARIANT value{};
    if (SUCCEEDED(provider->GetPropertyValue(kUiaNamePropertyId, &value)) &&
        value.vt == VT_BSTR) {
      name =
          quoted(std::wstring(value.bstrVal != nullptr ? value.bstrVal : L""));
    }
    VariantClear(&value);
    provider->Release();
  }
  return "{\"result\":" + hresultText(result) + ",\"name\":" + name + "}";
}

// The Name a UI Automation client reads for the window:
// {"result":HRESULT,"name":...}, or null without UI Automation.
std::string automationNameOf(HWND window) {
  IUnknown* automation = nullptr;
  if (FAILED(CoCreateInstance(kClsidCUIAutomation, nullptr,
                              CLSCTX_INPROC_SERVER, kIidUIAutomation,
                              reinterpret_cast<void**>(&automation))) ||
      automation == nullptr) {
    return "null";
  }
  IUnknown* element = nullptr;
  HRESULT result =
      callSlot(automation, kElementFromHandleSlot, window, &element);
  BSTR name = nullptr;
  if (SUCCEEDED(result) && element != nullptr) {
    result = callSlot(element, kGetCurrentNameSlot, &name);
    element->Release();
  }
  automation->Release();
  return "{\"result\":" + hresultText(result) +
         ",\"name\":" + nameJson(result, name) + "}";
}

}  // namespace

int commandAccessibleName(const Call& call) {
  const HWND clock = findClock(call.exe);
  if (clock == nullptr) {
    std::printf("{\"error\":\"no clock window\"}\n");
    return kExitFailed;
  }
  // A client in the multithreaded apartment, as Microsoft advises for UI
  // Automation clients.
  (void)CoInitializeEx(nullptr, COINIT_MULTITHREADED);
  std::printf(
      "{\"window\":%s,\"client\":%s,\"uia_provider\":%s,\"uia_client\":%s}\n",
      nameOf(clock, OBJID_WINDOW).c_str(), nameOf(clock, OBJID_CLIENT).c_str(),
      providerOf(clock).c_str(), automationNameOf(clock).c_str());
  CoUninitialize();
  return 0;
}

}  // namespace probe
