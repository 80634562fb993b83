// The accessible name of a window: the system's standard accessible object
// behind a thin object of ours that answers only the question of its name,
// for MSAA and UI Automation clients alike.
#include "platform/win32/accessible_name.h"

#include <ole2.h>
// ole2.h first: oleacc.h relies on its types.
#include <oleacc.h>

#include <atomic>
#include <utility>

#include "platform/win32/system_functions.h"

namespace quorvo::platform::win32 {

namespace {

// The interface ids used here, written out so that nothing of COM's or
// oleacc's import libraries is linked: both are loaded only when asked for.
constexpr IID kIidUnknown = {
    0x00000000, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
constexpr IID kIidDispatch = {
    0x00020400, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
constexpr IID kIidOleWindow = {
    0x00000114, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

// Whether every function used here can be had.
bool available(const AccessibilityFunctions& f) {
  return f.createStdAccessibleObject != nullptr &&
         f.lresultFromObject != nullptr && f.coInitializeEx != nullptr &&
         f.sysAllocString != nullptr;
}

// Whether COM can be used on this thread, initialising it the first time.
// The window's thread answers for its objects as a single-threaded
// apartment, pumped by its message loop; where the thread already is in the
// multithreaded apartment COM serves all the same. A failure is tried again
// at the next request.
bool comReady(const AccessibilityFunctions& f) {
  thread_local bool ready = false;
  if (!ready) {
    const HRESULT result = f.coInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    ready = SUCCEEDED(result) || result == RPC_E_CHANGED_MODE;
  }
  return ready;
}

bool isSelf(const VARIANT& child) {
  return child.vt == VT_I4 && child.lVal == CHILDID_SELF;
}

// The standard object with a name of its own; every other question of
// IAccessible and IDispatch goes to the standard object unchanged. It is
// one COM object of its own: it answers for IUnknown, IDispatch,
// IAccessible and IOleWindow itself and hands out no interface of the
// standard object, so every interface leads back to it, and COM marshals it,
// not the standard object. It offers no IServiceProvider: oleacc's own
// objects answer IIS_IsOleaccProxy there, and UI Automation serves a window
// whose object says so with proxies of its own, which read the window's
// empty text. COM objects go only by their interfaces and end themselves at
// their last Release, so the interfaces are private bases and there is no
// public destructor.
class NamedAccessible final : private IAccessible, private IOleWindow {
 public:
  NamedAccessible(HWND window, IAccessible* standard, std::wstring name)
      : window_(window), standard_(standard), name_(std::move(name)) {}
  NamedAccessible(const NamedAccessible&) = delete;
  NamedAccessible& operator=(const NamedAccessible&) = delete;

  IAccessible* accessible() { return this; }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID id, void** out) override {
    if (out == nullptr) return E_POINTER;
    if (IsEqualIID(id, kIidUnknown) || IsEqualIID(id, kIidDispatch) ||
        IsEqualIID(id, kIidAccessible)) {
      *out = static_cast<IAccessible*>(this);
    } else if (IsEqualIID(id, kIidOleWindow)) {
      *out = static_cast<IOleWindow*>(this);
    } else {
      *out = nullptr;
      return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG left = --references_;
    if (left == 0) delete this;
    return left;
  }

  // IOleWindow: how a client finds the window of an accessible object.
  HRESULT STDMETHODCALLTYPE GetWindow(HWND* window) override {
    if (window == nullptr) return E_POINTER;
    *window = window_;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL /*enter*/) override {
    return E_NOTIMPL;
  }

  HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* name) override {
    if (!isSelf(child)) return standard_->get_accName(child, name);
    if (name == nullptr) return E_INVALIDARG;
    *name = accessibilityFunctions().sysAllocString(name_.c_str());
    return *name != nullptr ? S_OK : E_OUTOFMEMORY;
  }

  // IDispatch, and the rest of IAccessible: the standard object's answers.
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    return standard_->GetTypeInfoCount(count);
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID locale,
                                        ITypeInfo** info) override {
    return standard_->GetTypeInfo(index, locale, info);
  }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID id, LPOLESTR* names,
                                          UINT count, LCID locale,
                                          DISPID* ids) override {
    return standard_->GetIDsOfNames(id, names, count, locale, ids);
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID member, REFIID id, LCID locale,
                                   WORD flags, DISPPARAMS* params,
                                   VARIANT* result, EXCEPINFO* exception,
                                   UINT* argument) override {
    return standard_->Invoke(member, id, locale, flags, params, result,
                             exception, argument);
  }
  HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** parent) override {
    return standard_->get_accParent(parent);
  }
  HRESULT STDMETHODCALLTYPE get_accChildCount(long* count) override {
    return standard_->get_accChildCount(count);
  }
  HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child,
                                         IDispatch** object) override {
    return standard_->get_accChild(child, object);
  }
  HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR* value) override {
    return standard_->get_accValue(child, value);
  }
  HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT child,
                                               BSTR* description) override {
    return standard_->get_accDescription(child, description);
  }
  HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* role) override {
    return standard_->get_accRole(child, role);
  }
  HRESULT STDMETHODCALLTYPE get_accState(VARIANT child,
                                         VARIANT* state) override {
    return standard_->get_accState(child, state);
  }
  HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT child, BSTR* help) override {
    return standard_->get_accHelp(child, help);
  }
  HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT child,
                                             long* topic) override {
    return standard_->get_accHelpTopic(file, child, topic);
  }
  HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT child,
                                                    BSTR* shortcut) override {
    return standard_->get_accKeyboardShortcut(child, shortcut);
  }
  HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* focus) override {
    return standard_->get_accFocus(focus);
  }
  HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* selection) override {
    return standard_->get_accSelection(selection);
  }
  HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child,
                                                 BSTR* action) override {
    return standard_->get_accDefaultAction(child, action);
  }
  HRESULT STDMETHODCALLTYPE accSelect(long flags, VARIANT child) override {
    return standard_->accSelect(flags, child);
  }
  HRESULT STDMETHODCALLTYPE accLocation(long* left, long* top, long* width,
                                        long* height, VARIANT child) override {
    return standard_->accLocation(left, top, width, height, child);
  }
  HRESULT STDMETHODCALLTYPE accNavigate(long direction, VARIANT start,
                                        VARIANT* end) override {
    return standard_->accNavigate(direction, start, end);
  }
  HRESULT STDMETHODCALLTYPE accHitTest(long left, long top,
                                       VARIANT* child) override {
    return standard_->accHitTest(left, top, child);
  }
  HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) override {
    return standard_->accDoDefaultAction(child);
  }
  HRESULT STDMETHODCALLTYPE put_accName(VARIANT child, BSTR name) override {
    return standard_->put_accName(child, name);
  }
  HRESULT STDMETHODCALLTYPE put_accValue(VARIANT child, BSTR value) override {
    return standard_->put_accValue(child, value);
  }

 private:
  ~NamedAccessible() { standard_->Release(); }

  const HWND window_;
  IAccessible* standard_;
  const std::wstring name_;
  std::atomic<ULONG> references_{1};
};

}  // namespace

std::optional<LRESULT> answerGetObject(HWND window, WPARAM flags,
                                       LPARAM objectId,
                                       const std::wstring& name) noexcept {
  const auto id = static_cast<LONG>(objectId);
  if (name.empty() || (id != OBJID_CLIENT && id != OBJID_WINDOW)) {
    return std::nullopt;
  }
  const AccessibilityFunctions& library = accessibilityFunctions();
  if (!available(library) || !comReady(library)) return std::nullopt;
  IAccessible* standard = nullptr;
  if (FAILED(library.createStdAccessibleObject(
          window, id, kIidAccessible, reinterpret_cast<void**>(&standard))) ||
      standard == nullptr) {
    return std::nullopt;
  }
  NamedAccessible* named = nullptr;
  try {
    named = new NamedAccessible(window, standard, name);
  } catch (...) {
    standard->Release();
    return std::nullopt;
  }
  // The result holds a reference of its own for the client.
  IAccessible* const accessible = named->accessible();
  const LRESULT result =
      library.lresultFromObject(kIidAccessible, flags, accessible);
  accessible->Release();
  // A reference is a positive value; anything else is an error, and the
  // system's default answer serves the client better than an error does.
  if (result <= 0) return std::nullopt;
  return result;
}

}  // namespace quorvo::platform::win32
