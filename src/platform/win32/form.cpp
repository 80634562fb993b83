// Forms on Win32 windows.
#include "platform/win32/form.h"

#include <algorithm>
#include <cstddef>
#include <string_view>
#include <utility>

#include "platform/handler_guard.h"
#include "platform/menu_item.h"
#include "platform/twips.h"
#include "platform/win32/accessible_name.h"
#include "platform/win32/dpi.h"
#include "platform/win32/errors.h"
#include "platform/win32/mouse_input.h"
#include "platform/win32/popup_menu.h"
#include "platform/win32/runtime.h"
#include "platform/win32/text.h"
#include "platform/win32/window_corners.h"
#include "resource_ids.h"

namespace quorvo::platform::win32 {

namespace {

// A form window: a one-pixel fixed border, no caption, no system menu, not
// resizable; no taskbar button, since the clock is never meant to be in the
// way; child windows clipped so the label does not flicker.
constexpr DWORD kFormStyle = WS_POPUP | WS_BORDER | WS_CLIPCHILDREN;
constexpr DWORD kFormExStyle = WS_EX_TOOLWINDOW;

HICON loadIcon(HINSTANCE instance, int size) {
  // The icon resource may be missing (a build without resources): the
  // window then has the system's default.
  return static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(IDI_QUORVO),
                                       IMAGE_ICON, size, size, LR_SHARED));
}

}  // namespace

bool Win32Form::registerWindowClass(HINSTANCE instance) noexcept {
  static const ATOM atom = [instance] {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.style = CS_DBLCLKS;
    windowClass.lpfnWndProc = windowProcedure<Win32Form>;
    windowClass.hInstance = instance;
    windowClass.hIcon = loadIcon(instance, GetSystemMetrics(SM_CXICON));
    windowClass.hIconSm = loadIcon(instance, GetSystemMetrics(SM_CXSMICON));
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = GetSysColorBrush(COLOR_3DFACE);
    windowClass.lpszClassName = kFormClassName;
    return RegisterClassExW(&windowClass);
  }();
  return atom != 0;
}

Win32Form::Win32Form(Win32Runtime& runtime, const FormDesign& design,
                     FormEvents& events)
    : runtime_(runtime),
      events_(events),
      accessibleName_(toUtf16(design.accessibleName)) {
  if (!registerWindowClass(runtime.instance())) {
    throwLastError("RegisterClassExW");
  }
  const std::wstring caption = toUtf16(design.caption);
  // The form takes ownership of the handle at WM_NCCREATE.
  if (CreateWindowExW(kFormExStyle, kFormClassName, caption.c_str(), kFormStyle,
                      0, 0, 0, 0, nullptr, nullptr, runtime.instance(),
                      this) == nullptr ||
      !window_) {
    throwLastError("CreateWindowExW(form)");
  }
  requestSquareCorners(window_.get());
  try {
    dpi_ = windowDpi(window_.get());
    font_ = createMessageFont(dpi_);
    measuringDc_.selectFont(font_.get());
    runtime_.addForm(this);
  } catch (...) {
    unload();
    throw;
  }
}

Win32Form::~Win32Form() {
  unload();
  runtime_.removeForm(this);
}

HINSTANCE Win32Form::instance() const noexcept { return runtime_.instance(); }

bool Win32Form::isVisible() const noexcept {
  return window_ && IsWindowVisible(window_.get());
}

void Win32Form::raise(std::string_view name,
                      const std::function<void()>& handler) {
  runHandler(runtime_.app(), runtime_.errors(), name, handler);
}

HWND Win32Form::requireWindow() const {
  if (!window_) throw RuntimeError("the form is unloaded");
  return window_.get();
}

void Win32Form::show() {
  // Not activated: a clock started at sign-in, by an update or by a script
  // must not take the keys from what the user is typing into. A click still
  // activates it, as any window.
  (void)ShowWindow(requireWindow(), SW_SHOWNA);  // returns the old visibility
}

void Win32Form::refresh() {
  if (!RedrawWindow(requireWindow(), nullptr, nullptr,
                    RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN |
                        RDW_UPDATENOW)) {
    throwLastError("RedrawWindow");
  }
}

void Win32Form::popupMenu(MenuItem& menu, int flags, PopupPlace place) {
  const HWND window = requireWindow();
  POINT at{};
  if (place == PopupPlace::kBelowWindow) {
    const Rect rect = windowRect();
    at = {rect.left, rect.bottom};
  } else {
    // At the pointer as it was when the click that opens the menu happened.
    at = mousePoint(static_cast<LPARAM>(GetMessagePos()));
  }
  if (MenuItem* item = trackPopupMenu(window, menu, flags, at)) {
    raise(handlerName(item->name(), "Click"), [item] { item->click(); });
  }
}

void Win32Form::unload() {
  if (!window_) return;
  for (const auto& timer : timers_) timer->stop();
  for (const auto& label : labels_) label->destroyWindows();
  window_.reset();
}

Label& Win32Form::addLabel(const LabelDesign& design, LabelEvents& events) {
  requireWindow();
  labels_.push_back(std::make_unique<Win32Label>(
      *this, design, events, static_cast<int>(labels_.size() + 1)));
  return *labels_.back();
}

Timer& Win32Form::addTimer(const TimerDesign& design,
                           std::function<void()> onTimer) {
  requireWindow();
  timers_.push_back(std::make_unique<Win32Timer>(*this, timers_.size() + 1,
                                                 design, std::move(onTimer)));
  return *timers_.back();
}

LRESULT Win32Form::OnMessage(HWND window, UINT message, WPARAM wParam,
                             LPARAM lParam) {
  if (const auto press = mousePress(message, wParam, lParam, dpi_)) {
    raise(handlerName(kFormEvents, "MouseDown"), [&] {
      events_.Form_MouseDown(press->button, press->shift, press->x, press->y);
    });
    return 0;
  }
  switch (message) {
    case WM_NCCREATE:
      window_.reset(window);
      break;
    case WM_CLOSE:
      OnClose();
      return 0;
    case WM_QUERYENDSESSION:
      return TRUE;
    case WM_ENDSESSION:
      if (wParam != FALSE) OnEndSession();
      return 0;
    case WM_LBUTTONDBLCLK:
      raise(handlerName(kFormEvents, "DblClick"),
            [this] { events_.Form_DblClick(); });
      return 0;
    case WM_RBUTTONUP:
      // The press opened the menu; the release must not ask for it again,
      // which DefWindowProcW would do with WM_CONTEXTMENU.
      return 0;
    case WM_CONTEXTMENU:
      OnContextMenu(lParam);
      return 0;
    case WM_TIMER:
      OnTimer(wParam);
      return 0;
    case WM_DPICHANGED:
      OnDpiChanged((wParam >> 16) & 0xFFFF,
                   *reinterpret_cast<const RECT*>(lParam));
      return 0;
    case WM_GETDPISCALEDSIZE:
      // The size the window will have after the change, so that the size
      // the system works with while it is dragged is the one it gets.
      if (const auto size = sizeAtDpi(static_cast<unsigned>(wParam))) {
        *reinterpret_cast<SIZE*>(lParam) = *size;
        return TRUE;
      }
      return FALSE;
    case WM_WINDOWPOSCHANGED:
      OnWindowPosChanged(*reinterpret_cast<const WINDOWPOS*>(lParam));
      break;
    case WM_DISPLAYCHANGE:
      raise("WM_DISPLAYCHANGE", [this] { OnScreensChanged(); });
      break;
    case WM_SETTINGCHANGE:
      OnSettingChange(wParam, lParam);
      break;
    case WM_GETOBJECT:
      if (const auto answer =
              answerGetObject(window, wParam, lParam, accessibleName_)) {
        return *answer;
      }
      break;
    case WM_CTLCOLORSTATIC:
      return OnCtlColorStatic(reinterpret_cast<HDC>(wParam));
    case WM_NCDESTROY:
      OnNcDestroy(window);
      break;
    default:
      break;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

void Win32Form::OnClose() {
  // Alt+F4 or another program asking the window to close: the program may
  // refuse; otherwise it learns the window is gone and ends.
  std::int16_t cancel = 0;
  raise(handlerName(kFormEvents, "QueryUnload"),
        [&] { events_.Form_QueryUnload(cancel, UnloadReason::kControlMenu); });
  if (cancel != 0) return;
  raise(handlerName(kFormEvents, "Closed"),
        [&] { events_.Form_Closed(UnloadReason::kControlMenu); });
}

void Win32Form::OnEndSession() {
  // The session ends whatever the program answers: it gets its close now so
  // its settings are written before the system ends the process.
  std::int16_t cancel = 0;
  raise(handlerName(kFormEvents, "QueryUnload"), [&] {
    events_.Form_QueryUnload(cancel, UnloadReason::kSessionEnding);
  });
  raise(handlerName(kFormEvents, "Closed"),
        [&] { events_.Form_Closed(UnloadReason::kSessionEnding); });
}

void Win32Form::OnContextMenu(LPARAM lParam) {
  // The keyboard's menu requests (Shift+F10, the Menu key) carry no point.
  const POINT at = mousePoint(lParam);
  const bool fromKeyboard = at.x == -1 && at.y == -1;
  raise(handlerName(kFormEvents, "ContextMenu"),
        [&] { events_.Form_ContextMenu(fromKeyboard); });
}

void Win32Form::OnTimer(UINT_PTR id) {
  if (id == 0 || id > timers_.size()) return;
  timers_[id - 1]->tick();
}

void Win32Form::OnSettingChange(WPARAM action, LPARAM area) {
  const std::wstring_view name =
      area != 0 ? reinterpret_cast<const wchar_t*>(area) : L"";
  // The system's fonts: a new message font, a larger text size, a theme.
  if (action == SPI_SETNONCLIENTMETRICS || name == L"WindowMetrics") {
    OnFontChanged();
  }
  if (action == SPI_SETWORKAREA) {
    raise("work area change", [this] { OnScreensChanged(); });
  }
  // The user's regional formats changed: the clock texts are made anew.
  if (name == L"intl") runtime_.dateTime().forgetTexts();
}

void Win32Form::OnScreensChanged() {
  // Monitors or work areas came or went: the text comes back if too little
  // of it can be seen, and the right edge it hangs at may be another.
  keepTextOnScreen();
  noteDocking();
}

void Win32Form::OnFontChanged() {
  raise("font change", [&] {
    // The labels switch to the new font before the old one is deleted.
    UniqueFont font = createMessageFont(dpi_);
    std::swap(font_, font);
    measuringDc_.selectFont(font_.get());
    for (const auto& label : labels_) label->relayout();
  });
  raise(handlerName(kFormEvents, "FontChanged"),
        [this] { events_.Form_FontChanged(); });
}

LRESULT Win32Form::OnCtlColorStatic(HDC dc) {
  // The label draws in the button-text colour on the window's 3-D face.
  (void)SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
  (void)SetBkColor(dc, GetSysColor(COLOR_3DFACE));
  return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_3DFACE));
}

void Win32Form::OnNcDestroy(HWND window) noexcept {
  (void)attachObject(window, nullptr);
  for (const auto& timer : timers_) timer->stop();
  if (window_.get() == window) (void)window_.release();
}

}  // namespace quorvo::platform::win32
