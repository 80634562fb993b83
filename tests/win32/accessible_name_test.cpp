// The accessible name of a window without text: the object handed to
// screen readers is one COM object of its own with the name, whichever
// apartment the window's thread is in.
#include "platform/win32/accessible_name.h"

#include <gtest/gtest.h>
#include <ole2.h>
#include <oleacc.h>
#include <servprov.h>

#include <optional>
#include <string>
#include <thread>

namespace quorvo::platform::win32 {
namespace {

// What a client learns of the object a window hands out for `objectId`,
// asked on a thread whose COM apartment is `apartment`.
struct Seen {
  bool answered = false;
  std::wstring name;
  bool oneIdentity = false;     // every interface leads to the same IUnknown
  bool windowKnown = false;     // IOleWindow names the window
  bool serviceProvider = true;  // where oleacc's proxies say they are ones
  bool enumerator = true;       // the standard object's own interfaces
};

Seen askOnThread(DWORD apartment, LONG objectId) {
  Seen seen;
  std::thread([&] {
    // Failures show as an object never answered.
    if (FAILED(CoInitializeEx(nullptr, apartment))) return;
    const HWND window =
        CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 50, 20, nullptr,
                        nullptr, GetModuleHandleW(nullptr), nullptr);
    const auto answer = window == nullptr
                            ? std::nullopt
                            : answerGetObject(window, 0, objectId, L"Quorvo");
    IAccessible* accessible = nullptr;
    if (answer &&
        SUCCEEDED(ObjectFromLresult(*answer, kIidAccessible, 0,
                                    reinterpret_cast<void**>(&accessible)))) {
      seen.answered = true;
      VARIANT self{};
      self.vt = VT_I4;
      self.lVal = CHILDID_SELF;
      BSTR name = nullptr;
      if (SUCCEEDED(accessible->get_accName(self, &name)) && name) {
        seen.name = name;
      }
      SysFreeString(name);
      IUnknown* identity = nullptr;
      IOleWindow* oleWindow = nullptr;
      IUnknown* again = nullptr;
      HWND named = nullptr;
      if (SUCCEEDED(accessible->QueryInterface(
              IID_IUnknown, reinterpret_cast<void**>(&identity))) &&
          SUCCEEDED(accessible->QueryInterface(
              IID_IOleWindow, reinterpret_cast<void**>(&oleWindow)))) {
        seen.windowKnown =
            SUCCEEDED(oleWindow->GetWindow(&named)) && named == window;
        seen.oneIdentity =
            SUCCEEDED(oleWindow->QueryInterface(
                IID_IUnknown, reinterpret_cast<void**>(&again))) &&
            again == identity;
      }
      for (IUnknown* held : {identity, again}) {
        if (held != nullptr) held->Release();
      }
      if (oleWindow != nullptr) oleWindow->Release();
      void* other = nullptr;
      seen.serviceProvider =
          SUCCEEDED(accessible->QueryInterface(IID_IServiceProvider, &other));
      if (other != nullptr) static_cast<IUnknown*>(other)->Release();
      other = nullptr;
      seen.enumerator =
          SUCCEEDED(accessible->QueryInterface(IID_IEnumVARIANT, &other));
      if (other != nullptr) static_cast<IUnknown*>(other)->Release();
      accessible->Release();
    }
    if (window != nullptr) DestroyWindow(window);
    CoUninitialize();
  }).join();
  return seen;
}

TEST(AccessibleNameTest, OneObjectOfItsOwnWithTheNameInEveryApartment) {
  // The multithreaded apartment first: a thread set up so by someone else
  // before the window was first asked must not cost the name for good.
  struct Row {
    const char* name;
    DWORD apartment;
    LONG objectId;
  };
  for (const Row& row :
       {Row{"multithreaded, client", COINIT_MULTITHREADED, OBJID_CLIENT},
        Row{"single-threaded, client", COINIT_APARTMENTTHREADED, OBJID_CLIENT},
        Row{"single-threaded, window", COINIT_APARTMENTTHREADED,
            OBJID_WINDOW}}) {
    SCOPED_TRACE(row.name);
    const Seen seen = askOnThread(row.apartment, row.objectId);
    EXPECT_TRUE(seen.answered);
    if (!seen.answered) continue;
    EXPECT_EQ(seen.name, L"Quorvo");
    EXPECT_TRUE(seen.oneIdentity);
    EXPECT_TRUE(seen.windowKnown);
    EXPECT_FALSE(seen.serviceProvider)
        << "a stock proxy's IServiceProvider would make UI Automation "
           "ignore the name";
    EXPECT_FALSE(seen.enumerator) << "an interface of the standard object";
  }
}

}  // namespace
}  // namespace quorvo::platform::win32
