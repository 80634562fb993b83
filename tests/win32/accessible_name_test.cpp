// The accessible name of a window without text: the object handed to
// screen readers is one COM object of its own with the name, whichever
// apartment the window's thread is in.
#include "platform/win32/accessible_name.h"

#include <gtest/gtest.h>
#include <ole2.h>
#include <oleacc.h>
#include <servprov.h>

#include <memory>
#include <string>
#include <thread>
#include <utility>

#include "platform/win32/handles.h"

namespace quorvo::platform::win32 {
namespace {

struct Releaser {
  void operator()(IUnknown* held) const { held->Release(); }
};
template <class Interface>
using ComOwner = std::unique_ptr<Interface, Releaser>;

// Whether `from` answers for `iid`; what it hands out goes to `kept`, if
// given, else is released.
template <class Interface = IUnknown>
bool offers(IUnknown* from, REFIID iid, ComOwner<Interface>* kept = nullptr) {
  void* found = nullptr;
  const bool offered = SUCCEEDED(from->QueryInterface(iid, &found));
  ComOwner<Interface> owner(static_cast<Interface*>(found));
  if (kept != nullptr) *kept = std::move(owner);
  return offered;
}

// What a client learns of the object a window of this thread hands out for
// `objectId`.
void expectNamedObject(LONG objectId) {
  const UniqueWindow window(
      CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 50, 20, nullptr,
                      nullptr, GetModuleHandleW(nullptr), nullptr));
  ASSERT_TRUE(window);
  const auto answer = answerGetObject(window.get(), 0, objectId, L"Quorvo");
  ASSERT_TRUE(answer.has_value());
  IAccessible* answered = nullptr;
  ASSERT_TRUE(SUCCEEDED(ObjectFromLresult(
      *answer, kIidAccessible, 0, reinterpret_cast<void**>(&answered))));
  const ComOwner<IAccessible> accessible(answered);
  VARIANT self{};
  self.vt = VT_I4;
  self.lVal = CHILDID_SELF;
  BSTR name = nullptr;
  EXPECT_TRUE(SUCCEEDED(accessible->get_accName(self, &name)));
  EXPECT_EQ(std::wstring(name != nullptr ? name : L""), L"Quorvo");
  SysFreeString(name);
  // Every interface leads to the same IUnknown, and IOleWindow names the
  // window.
  ComOwner<IUnknown> identity, again;
  ComOwner<IOleWindow> oleWindow;
  ASSERT_TRUE(offers(accessible.get(), IID_IUnknown, &identity));
  ASSERT_TRUE(offers(accessible.get(), IID_IOleWindow, &oleWindow));
  HWND named = nullptr;
  EXPECT_TRUE(SUCCEEDED(oleWindow->GetWindow(&named)));
  EXPECT_EQ(named, window.get());
  EXPECT_TRUE(offers(oleWindow.get(), IID_IUnknown, &again));
  EXPECT_EQ(again, identity);
  EXPECT_FALSE(offers(accessible.get(), IID_IServiceProvider))
      << "a stock proxy's IServiceProvider would make UI Automation ignore "
         "the name";
  EXPECT_FALSE(offers(accessible.get(), IID_IEnumVARIANT))
      << "an interface of the standard object";
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
    std::thread([&row] {
      SCOPED_TRACE(row.name);  // traces are the thread's own
      ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, row.apartment)));
      expectNamedObject(row.objectId);
      CoUninitialize();
    }).join();
  }
}

}  // namespace
}  // namespace quorvo::platform::win32
