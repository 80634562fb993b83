// Shared helpers of the Win32 tests.
#include "win32_test_support.h"

#include <commctrl.h>

#include <atomic>
#include <stdexcept>
#include <utility>

#include "platform/win32/handles.h"
#include "platform/win32/monitors.h"
#include "platform/win32/text.h"

namespace quorvo::win32_testing {

std::wstring uniqueName(const std::wstring& prefix) {
  static std::atomic<int> counter{0};
  return prefix + L"." + std::to_wstring(GetCurrentProcessId()) + L"." +
         std::to_wstring(GetTickCount64()) + L"." + std::to_wstring(++counter);
}

std::wstring tempPath(const std::wstring& prefix) {
  wchar_t directory[MAX_PATH] = {};
  EXPECT_GT(GetTempPathW(MAX_PATH, directory), 0u);
  return directory + uniqueName(prefix);
}

DWORD exitCode(HANDLE process) {
  EXPECT_EQ(WaitForSingleObject(process, 30000), WAIT_OBJECT_0);
  DWORD code = 0xFFFFFFFF;
  EXPECT_TRUE(GetExitCodeProcess(process, &code));
  return code;
}

std::string windowText(HWND window) {
  const int length = GetWindowTextLengthW(window);
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  const int copied = GetWindowTextW(window, text.data(), length + 1);
  text.resize(static_cast<std::size_t>(copied));
  return platform::win32::toUtf8(text);
}

platform::Rect windowRect(HWND window) {
  RECT r{};
  EXPECT_TRUE(GetWindowRect(window, &r));
  return platform::win32::toRect(r);
}

SIZE textExtent(HWND window, HFONT font, const std::string& text) {
  const std::wstring wide = platform::win32::toUtf16(text);
  const platform::win32::WindowDc dc(window);
  const platform::win32::SelectedObject selected(dc.get(), font);
  SIZE size{};
  if (wide.empty()) {
    TEXTMETRICW metrics{};
    EXPECT_TRUE(GetTextMetricsW(dc.get(), &metrics));
    size.cy = metrics.tmHeight;
  } else {
    EXPECT_TRUE(GetTextExtentPoint32W(dc.get(), wide.c_str(),
                                      static_cast<int>(wide.size()), &size));
  }
  return size;
}

std::unique_ptr<platform::win32::Win32Runtime> testRuntime(
    RecordingReporter& reporter) {
  platform::win32::RuntimeOptions options;
  options.instanceMutex = L"Local\\" + uniqueName(L"Quorvo.Test");
  options.locale = L"en-US";
  options.errors = &reporter;
  return std::make_unique<platform::win32::Win32Runtime>(
      GetModuleHandleW(nullptr), options);
}

FormFixture::~FormFixture() {
  form.reset();
  runtime.reset();
  (void)takeQuitMessage();
}

void FormFixture::placeAt(float width, float height) {
  form->setWidth(width);
  form->setHeight(height);
  form->move(1500, 1500);
}

platform::win32::Win32Label& FormFixture::addLabel(const std::string& caption) {
  return static_cast<platform::win32::Win32Label&>(
      form->addLabel({caption, 15, 15, "lblTime"}, labelEvents));
}

bool pumpUntil(const std::function<bool()>& done,
               std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (!done()) {
    if (std::chrono::steady_clock::now() >= deadline) return false;
    MSG message{};
    bool any = false;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      any = true;
      if (message.message == WM_QUIT) {
        // Put it back for the test to see.
        PostQuitMessage(static_cast<int>(message.wParam));
        return done();
      }
      (void)TranslateMessage(&message);
      (void)DispatchMessageW(&message);
      if (done()) return true;
    }
    if (!any) {
      (void)MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    }
  }
  return true;
}

void pumpFor(std::chrono::milliseconds duration) {
  const auto deadline = std::chrono::steady_clock::now() + duration;
  (void)pumpUntil(
      [deadline] { return std::chrono::steady_clock::now() >= deadline; },
      duration + std::chrono::seconds(1));
}

bool takeQuitMessage() {
  MSG message{};
  return PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) != FALSE;
}

MessageCounter::MessageCounter(HWND window) : window_(window) {
  if (!SetWindowSubclass(window, Proc, reinterpret_cast<UINT_PTR>(this),
                         reinterpret_cast<DWORD_PTR>(this))) {
    throw std::runtime_error("SetWindowSubclass failed");
  }
}

MessageCounter::~MessageCounter() {
  if (!removed_ && IsWindow(window_)) {
    (void)RemoveWindowSubclass(window_, Proc, reinterpret_cast<UINT_PTR>(this));
  }
}

int MessageCounter::count(UINT message) const {
  const auto found = counts_.find(message);
  return found == counts_.end() ? 0 : found->second;
}

LRESULT CALLBACK MessageCounter::Proc(HWND window, UINT message, WPARAM wParam,
                                      LPARAM lParam, UINT_PTR id,
                                      DWORD_PTR self) noexcept {
  auto* counter = reinterpret_cast<MessageCounter*>(self);
  ++counter->counts_[message];
  if (counter->onMessage) counter->onMessage(message, lParam);
  if (message == WM_NCDESTROY) {
    (void)RemoveWindowSubclass(window, Proc, id);
    counter->removed_ = true;
  }
  return DefSubclassProc(window, message, wParam, lParam);
}

namespace {

// What whenOpen waits for, and what it does then.
const wchar_t* gOpenClass = nullptr;
std::function<void(HWND)> gOnOpen;

BOOL CALLBACK findOpen(HWND window, LPARAM found) {
  wchar_t className[16] = {};
  if (GetClassNameW(window, className, 16) == 0 ||
      std::wstring(className) != gOpenClass || !IsWindowVisible(window)) {
    return TRUE;
  }
  *reinterpret_cast<HWND*>(found) = window;
  return FALSE;
}

void CALLBACK actWhenOpen(HWND, UINT, UINT_PTR timer, DWORD) {
  HWND window = nullptr;
  EnumThreadWindows(GetCurrentThreadId(), findOpen,
                    reinterpret_cast<LPARAM>(&window));
  if (window == nullptr) return;  // not open yet
  KillTimer(nullptr, timer);
  gOnOpen(window);
}

void CALLBACK closeStuckMenu(HWND, UINT, UINT_PTR timer, DWORD) {
  KillTimer(nullptr, timer);
  EndMenu();
}

}  // namespace

void whenOpen(const wchar_t* className, std::function<void(HWND)> onOpen,
              const std::function<void()>& modal) {
  gOpenClass = className;
  gOnOpen = std::move(onOpen);
  const UINT_PTR timer = SetTimer(nullptr, 0, 50, actWhenOpen);
  modal();
  KillTimer(nullptr, timer);
  gOnOpen = nullptr;  // it may refer to the caller's locals
}

void popupTyping(platform::win32::Win32Form& form, platform::MenuItem& menu,
                 const std::vector<WPARAM>& keys) {
  const UINT_PTR closer = SetTimer(nullptr, 0, 10000, closeStuckMenu);
  whenOpen(
      L"#32768",
      [&form, &keys](HWND) {
        for (const WPARAM key : keys) {
          PostMessageW(form.window(), WM_KEYDOWN, key, 0);
          PostMessageW(form.window(), WM_KEYUP, key, 0);
        }
      },
      [&] {
        form.popupMenu(menu, platform::kPopupMenuRightButton,
                       platform::PopupPlace::kAtPointer);
      });
  KillTimer(nullptr, closer);
}

}  // namespace quorvo::win32_testing
