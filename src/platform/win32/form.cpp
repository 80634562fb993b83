// Forms, labels and timers on Win32 windows.
#include "platform/win32/form.h"

#include <commctrl.h>

#include <algorithm>
#include <climits>
#include <cstddef>
#include <string_view>
#include <utility>

#include "platform/handler_guard.h"
#include "platform/menu_item.h"
#include "platform/win32/common_controls.h"
#include "platform/win32/dpi.h"
#include "platform/win32/errors.h"
#include "platform/win32/popup_menu.h"
#include "platform/win32/runtime.h"
#include "platform/win32/text.h"
#include "platform/win32/twips.h"
#include "platform/win32/window_manager.h"
#include "resource_ids.h"

namespace quorvo::platform::win32 {

namespace {

// A form window: a one-pixel fixed border, no caption, no system menu, not
// resizable; no taskbar button, since the clock is never meant to be in the
// way; child windows clipped so the label does not flicker.
constexpr DWORD kFormStyle = WS_POPUP | WS_BORDER | WS_CLIPCHILDREN;
constexpr DWORD kHiddenFormStyle = WS_POPUP | WS_CLIPCHILDREN;
constexpr DWORD kFormExStyle = WS_EX_TOOLWINDOW;

// A left-aligned, single-line label without border that reports mouse
// input (SS_NOTIFY) and shows "&" as it is: the caption is data, not a
// control name with an access key.
constexpr DWORD kLabelStyle =
    WS_CHILD | WS_VISIBLE | SS_LEFTNOWORDWRAP | SS_NOPREFIX | SS_NOTIFY;

// The size of TOOLINFOW that comctl32 5 and 6 both accept.
constexpr UINT kToolInfoSize =
    static_cast<UINT>(offsetof(TTTOOLINFOW, lParam) + sizeof(LPARAM));

// The window of the last message and its form. Nearly every message is for
// the clock window, so its form is found without asking the window manager
// (GetWindowLongPtrW) at every tick; forgotten when that window goes.
struct FormOfWindow {
  HWND window = nullptr;
  Win32Form* form = nullptr;
};
FormOfWindow lastFormWindow;

// Shift argument bits.
constexpr std::int16_t kShiftMask = 1;
constexpr std::int16_t kCtrlMask = 2;
constexpr std::int16_t kAltMask = 4;

// The point a mouse message (client) or GetMessagePos (screen) packs into
// two signed 16-bit halves.
POINT mousePoint(LPARAM lParam) {
  const auto bits = static_cast<std::uint32_t>(lParam);
  return {static_cast<std::int16_t>(bits & 0xFFFF),
          static_cast<std::int16_t>((bits >> 16) & 0xFFFF)};
}

// The button a mouse message presses, 0 for none. A second right or middle
// press within the double-click time is a press like any other; a left
// double-click is an event of its own.
std::int16_t pressedButton(UINT message) {
  switch (message) {
    case WM_LBUTTONDOWN:
      return kLeftButton;
    case WM_RBUTTONDOWN:
    case WM_RBUTTONDBLCLK:
      return kRightButton;
    case WM_MBUTTONDOWN:
    case WM_MBUTTONDBLCLK:
      return kMiddleButton;
    default:
      return 0;
  }
}

// The mouse messages a tooltip watches to know when to show and hide.
bool isToolTipRelayed(UINT message) {
  switch (message) {
    case WM_MOUSEMOVE:
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
    case WM_MBUTTONDOWN:
    case WM_MBUTTONUP:
      return true;
    default:
      return false;
  }
}

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
    windowClass.lpfnWndProc = WindowProc;
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

std::int16_t shiftState(WPARAM mouseKeys) noexcept {
  std::int16_t shift = 0;
  if ((mouseKeys & MK_SHIFT) != 0) shift |= kShiftMask;
  if ((mouseKeys & MK_CONTROL) != 0) shift |= kCtrlMask;
  if (GetKeyState(VK_MENU) < 0) shift |= kAltMask;
  return shift;
}

// ---------------------------------------------------------------- Label

Win32Label::Win32Label(Win32Form& form, const LabelDesign& design,
                       LabelEvents& events, int id)
    : form_(form), design_(design), events_(events) {
  const std::wstring caption = toUtf16(design.caption);
  HWND label = CreateWindowExW(
      0, WC_STATICW, caption.c_str(), kLabelStyle, 0, 0, 0, 0, form.window(),
      reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), form.instance(),
      nullptr);
  if (label == nullptr) throwLastError("CreateWindowExW(STATIC)");
  window_.reset(label);
  try {
    // The label's own window procedure comes first: mouse input and the
    // tooltip. The user data of a STATIC control is the application's.
    SetLastError(ERROR_SUCCESS);
    if (SetWindowLongPtrW(label, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(this)) == 0 &&
        GetLastError() != ERROR_SUCCESS) {
      throwLastError("SetWindowLongPtrW(GWLP_USERDATA)");
    }
    originalProc_ = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(
        label, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&LabelProc)));
    if (originalProc_ == nullptr) throwLastError("SetWindowLongPtrW");
    caption_ = design.caption;
    relayout();
  } catch (...) {
    destroyWindows();
    throw;
  }
}

Win32Label::~Win32Label() { destroyWindows(); }

void Win32Label::destroyWindows() noexcept {
  toolTip_.reset();
  toolRegistered_ = false;
  window_.reset();
}

void Win32Label::createToolTip() {
  // Themed, where the system has themes; the tooltip keeps the class
  // version it was made with after the scope.
  const CommonControlsScope themed;
  if (!toolTipClassReady()) {
    throw RuntimeError("the common controls' tooltips are not available");
  }
  // Shown also while the clock window is inactive, which it nearly always
  // is; "&" shown as it is. The tip has no owner window: Wine refuses to put
  // a window that owns popups into the topmost band, and the clock must stay
  // on top. The label destroys the tip itself.
  HWND tip =
      CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr,
                      WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT,
                      CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr,
                      nullptr, form_.instance(), nullptr);
  if (tip == nullptr) throwLastError("CreateWindowExW(tooltip)");
  toolTip_.reset(tip);
  updateTool();
}

void Win32Label::relayToToolTip(HWND window, UINT message, WPARAM wParam,
                                LPARAM lParam) noexcept {
  if (!toolTip_ && !toolTipFailed_) {
    try {
      createToolTip();
    } catch (...) {
      // The clock works on without a tooltip; it is not tried again.
      toolTip_.reset();
      toolTipFailed_ = true;
    }
  }
  if (!toolTip_) return;
  MSG relayed{};
  relayed.hwnd = window;
  relayed.message = message;
  relayed.wParam = wParam;
  relayed.lParam = lParam;
  relayed.time = static_cast<DWORD>(GetMessageTime());
  // Screen coordinates, packed like a mouse message's.
  relayed.pt = mousePoint(static_cast<LPARAM>(GetMessagePos()));
  (void)SendMessageW(toolTip_.get(), TTM_RELAYEVENT, 0,
                     reinterpret_cast<LPARAM>(&relayed));
}

HWND Win32Label::requireWindow() const {
  if (!window_) throw RuntimeError("the label's form is unloaded");
  return window_.get();
}

SIZE Win32Label::measure(const std::wstring& text) const {
  if (const HDC dc = form_.measuringDc(); dc != nullptr) {
    return measureIn(dc, text);
  }
  const WindowDc dc(requireWindow());
  if (!dc) throwLastError("GetDC");
  const SelectedObject font(dc.get(), form_.font());
  if (!font.ok()) throwLastError("SelectObject");
  return measureIn(dc.get(), text);
}

SIZE Win32Label::measureIn(HDC dc, const std::wstring& text) {
  SIZE size{};
  if (text.empty()) {
    // No text is no width, but still one line high.
    TEXTMETRICW metrics{};
    if (!GetTextMetricsW(dc, &metrics)) throwLastError("GetTextMetricsW");
    size.cy = metrics.tmHeight;
    return size;
  }
  if (text.size() > static_cast<std::size_t>(INT_MAX) ||
      !GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()),
                             &size)) {
    throwLastError("GetTextExtentPoint32W");
  }
  return size;
}

void Win32Label::applySize(SIZE size) {
  if (size.cx == size_.cx && size.cy == size_.cy) return;
  if (!SetWindowPos(
          requireWindow(), nullptr, 0, 0, size.cx, size.cy,
          SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOOWNERZORDER)) {
    throwLastError("SetWindowPos(label)");
  }
  size_ = size;
}

void Win32Label::relayout() {
  const HWND label = requireWindow();
  (void)SendMessageW(label, WM_SETFONT, reinterpret_cast<WPARAM>(form_.font()),
                     FALSE);
  const SIZE size = measure(toUtf16(caption_));
  const int x = twipsToPixels(design_.left, form_.dpi());
  const int y = twipsToPixels(design_.top, form_.dpi());
  if (!SetWindowPos(label, nullptr, x, y, size.cx, size.cy,
                    SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOOWNERZORDER)) {
    throwLastError("SetWindowPos(label)");
  }
  size_ = size;
  (void)InvalidateRect(label, nullptr, TRUE);
}

void Win32Label::setCaption(std::string_view text) {
  if (sameText(text, caption_)) return;
  const HWND label = requireWindow();
  const std::wstring wide = toUtf16(text);
  const SIZE size = measure(wide);  // fails before anything has changed
  if (!SetWindowTextW(label, wide.c_str())) throwLastError("SetWindowTextW");
  caption_ = text;
  applySize(size);
}

void Win32Label::setToolTipText(std::string_view text) {
  if (sameText(text, toolTipText_)) return;
  requireWindow();
  toolTipText_ = text;
  // The tooltip window is made when the pointer first comes over the label
  // and then takes the text of that moment.
  if (toolTip_) updateTool();
}

void Win32Label::updateTool() {
  std::wstring wide = toUtf16(toolTipText_);
  TTTOOLINFOW tool{};
  tool.cbSize = kToolInfoSize;
  tool.uFlags = TTF_IDISHWND;  // the label relays its mouse messages itself
  tool.hwnd = form_.window();
  tool.uId = reinterpret_cast<UINT_PTR>(requireWindow());
  tool.lpszText = wide.data();
  if (toolTipText_.empty()) {
    // No text, no tooltip at all (an empty tip would show an empty box).
    if (toolRegistered_) {
      (void)SendMessageW(toolTip_.get(), TTM_DELTOOLW, 0,
                         reinterpret_cast<LPARAM>(&tool));
    }
    toolRegistered_ = false;
  } else if (!toolRegistered_) {
    if (!SendMessageW(toolTip_.get(), TTM_ADDTOOLW, 0,
                      reinterpret_cast<LPARAM>(&tool))) {
      throw RuntimeError("the tooltip refused the label (TTM_ADDTOOLW)");
    }
    toolRegistered_ = true;
  } else {
    (void)SendMessageW(toolTip_.get(), TTM_UPDATETIPTEXTW, 0,
                       reinterpret_cast<LPARAM>(&tool));
  }
}

float Win32Label::width() const { return pixelsToTwips(size_.cx, form_.dpi()); }

float Win32Label::height() const {
  return pixelsToTwips(size_.cy, form_.dpi());
}

LRESULT CALLBACK Win32Label::LabelProc(HWND window, UINT message, WPARAM wParam,
                                       LPARAM lParam) noexcept {
  auto* self =
      reinterpret_cast<Win32Label*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (self == nullptr) return DefWindowProcW(window, message, wParam, lParam);
  const WNDPROC original = self->originalProc_;
  try {
    return self->OnMessage(window, message, wParam, lParam);
  } catch (...) {  // program events are guarded; this is the runtime's own
    return CallWindowProcW(original, window, message, wParam, lParam);
  }
}

LRESULT Win32Label::OnMessage(HWND window, UINT message, WPARAM wParam,
                              LPARAM lParam) {
  const WNDPROC original = originalProc_;
  if (isToolTipRelayed(message)) {
    relayToToolTip(window, message, wParam, lParam);
  }
  if (const std::int16_t button = pressedButton(message); button != 0) {
    OnMouseDown(button, wParam, lParam);
    return 0;
  }
  switch (message) {
    case WM_LBUTTONDBLCLK:
      OnDblClick();
      return 0;
    case WM_NCDESTROY:
      // The window is going: it gets the STATIC procedure back and lets go
      // of the label, which may already be on its way out.
      (void)SetWindowLongPtrW(window, GWLP_WNDPROC,
                              reinterpret_cast<LONG_PTR>(original));
      (void)SetWindowLongPtrW(window, GWLP_USERDATA, 0);
      if (window_.get() == window) (void)window_.release();
      break;
    default:
      break;
  }
  return CallWindowProcW(original, window, message, wParam, lParam);
}

void Win32Label::OnMouseDown(std::int16_t button, WPARAM wParam,
                             LPARAM lParam) {
  const POINT point = mousePoint(lParam);
  const unsigned dpi = form_.dpi();
  const std::int16_t shift = shiftState(wParam);
  form_.raise("Label_MouseDown", [&] {
    events_.MouseDown(button, shift, pixelsToTwips(point.x, dpi),
                      pixelsToTwips(point.y, dpi));
  });
}

void Win32Label::OnDblClick() {
  form_.raise("Label_DblClick", [&] { events_.DblClick(); });
}

// ---------------------------------------------------------------- Timer

Win32Timer::Win32Timer(Win32Form& form, UINT_PTR id, const TimerDesign& design,
                       std::function<void()> onTimer)
    : form_(form),
      id_(id),
      interval_(design.intervalMs < 0 ? 0 : design.intervalMs),
      enabled_(design.enabled),
      onTimer_(std::move(onTimer)) {
  apply();
}

void Win32Timer::apply() {
  const HWND window = form_.window();
  const bool shouldRun = enabled_ && interval_ > 0 && window != nullptr;
  if (shouldRun) {
    // Setting a running timer again restarts it with the new interval.
    if (SetTimer(window, id_, static_cast<UINT>(interval_), nullptr) == 0) {
      throwLastError("SetTimer");
    }
    running_ = true;
  } else if (running_) {
    if (window != nullptr) (void)KillTimer(window, id_);
    running_ = false;
  }
}

void Win32Timer::setInterval(int milliseconds) {
  if (milliseconds < 0) throw RuntimeError("invalid timer interval");
  if (milliseconds == interval_) return;
  interval_ = milliseconds;
  apply();
}

void Win32Timer::setEnabled(bool on) {
  if (on == enabled_) return;
  enabled_ = on;
  apply();
}

void Win32Timer::tick() noexcept {
  if (!running_ || !onTimer_) return;
  // A constant name: nothing to measure at every tick.
  static constexpr std::string_view kTimerEvent = "Timer";
  form_.raise(kTimerEvent, onTimer_);
}

void Win32Timer::stop() noexcept {
  if (running_ && form_.window() != nullptr) {
    (void)KillTimer(form_.window(), id_);
  }
  running_ = false;
}

// ---------------------------------------------------------------- Form

Win32Form::Win32Form(Win32Runtime& runtime, const FormDesign& design,
                     FormEvents& events)
    : runtime_(runtime), events_(events) {
  if (!registerWindowClass(runtime.instance())) {
    throwLastError("RegisterClassExW");
  }
  const std::wstring caption = toUtf16(design.caption);
  // The window procedure takes ownership of the handle at WM_NCCREATE.
  if (CreateWindowExW(kFormExStyle, kFormClassName, caption.c_str(),
                      design.visibleFrame ? kFormStyle : kHiddenFormStyle, 0, 0,
                      0, 0, nullptr, nullptr, runtime.instance(),
                      this) == nullptr ||
      !window_) {
    throwLastError("CreateWindowExW(form)");
  }
  try {
    rememberWindowRect(window_.get());
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
  if (lastFormWindow.form == this) lastFormWindow = {};
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

void Win32Form::runGuarded(std::string_view what,
                           const std::function<void()>& work) {
  try {
    work();
  } catch (const std::exception& e) {
    try {
      runtime_.errors().report(what, e.what());
    } catch (...) {
    }
  } catch (...) {
    try {
      runtime_.errors().report(what, "unknown error");
    } catch (...) {
    }
  }
}

HWND Win32Form::requireWindow() const {
  if (!window_) throw RuntimeError("the form is unloaded");
  return window_.get();
}

RECT Win32Form::windowRect() const {
  requireWindow();
  return rect_;
}

void Win32Form::rememberWindowRect(HWND window) noexcept {
  RECT rect{};
  if (GetWindowRect(window, &rect)) rect_ = rect;
}

void Win32Form::placeWindow(int x, int y, int cx, int cy, UINT flags) {
  if (!SetWindowPos(
          requireWindow(), nullptr, x, y, cx, cy,
          flags | SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOOWNERZORDER)) {
    throwLastError("SetWindowPos");
  }
}

float Win32Form::left() const { return pixelsToTwips(windowRect().left, dpi_); }

float Win32Form::top() const { return pixelsToTwips(windowRect().top, dpi_); }

float Win32Form::width() const {
  const RECT rect = windowRect();
  return pixelsToTwips(rect.right - rect.left, dpi_);
}

float Win32Form::height() const {
  const RECT rect = windowRect();
  return pixelsToTwips(rect.bottom - rect.top, dpi_);
}

void Win32Form::setLeft(float twips) {
  const int x = twipsToPixels(twips, dpi_);
  const RECT rect = windowRect();
  if (x != rect.left) placeWindow(x, rect.top, 0, 0, SWP_NOSIZE);
}

void Win32Form::setTop(float twips) {
  const int y = twipsToPixels(twips, dpi_);
  const RECT rect = windowRect();
  if (y != rect.top) placeWindow(rect.left, y, 0, 0, SWP_NOSIZE);
}

void Win32Form::setWidth(float twips) {
  const int cx = std::max(0, twipsToPixels(twips, dpi_));
  const RECT rect = windowRect();
  if (cx != rect.right - rect.left) {
    placeWindow(0, 0, cx, rect.bottom - rect.top, SWP_NOMOVE);
  }
}

void Win32Form::setHeight(float twips) {
  const int cy = std::max(0, twipsToPixels(twips, dpi_));
  const RECT rect = windowRect();
  if (cy != rect.bottom - rect.top) {
    placeWindow(0, 0, rect.right - rect.left, cy, SWP_NOMOVE);
  }
}

WindowHandle Win32Form::hWnd() const {
  return reinterpret_cast<WindowHandle>(window_.get());
}

bool Win32Form::isOnAnyScreen() const {
  const RECT rect = windowRect();
  return MonitorFromRect(&rect, MONITOR_DEFAULTTONULL) != nullptr;
}

void Win32Form::show() {
  (void)ShowWindow(requireWindow(), SW_SHOW);  // returns the old visibility
}

void Win32Form::refresh() {
  if (!RedrawWindow(requireWindow(), nullptr, nullptr,
                    RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN |
                        RDW_UPDATENOW)) {
    throwLastError("RedrawWindow");
  }
}

void Win32Form::popupMenu(MenuItem& menu, int flags) {
  const HWND window = requireWindow();
  const PopupMenu popup = buildPopupMenu(menu);
  // At the pointer as it was when the click that opens the menu happened.
  const ScreenPoint pointer = screenPointFromMessagePos(GetMessagePos());
  // The menu closes on a click elsewhere only when its owner is the
  // foreground window; the clock window rarely is, so make it so first. A
  // refusal (another program holds the foreground) still leaves a usable
  // menu.
  (void)SetForegroundWindow(window);
  const BOOL chosen = TrackPopupMenuEx(
      popup.menu.get(), trackPopupFlags(flags) | TPM_RETURNCMD | TPM_NONOTIFY,
      pointer.x, pointer.y, window, nullptr);
  // Lets the menu's modal loop see one more message, so the next click on
  // the window after a cancelled menu is not swallowed.
  (void)PostMessageW(window, WM_NULL, 0, 0);
  // 0 is both "closed without a choice" and a failure; either way nothing
  // was chosen, which is all the program needs to know.
  if (chosen <= 0 || static_cast<std::size_t>(chosen) > popup.commands.size()) {
    return;
  }
  MenuItem* item = popup.commands[static_cast<std::size_t>(chosen) - 1];
  raise("Click", [item] { item->click(); });
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

LRESULT CALLBACK Win32Form::WindowProc(HWND window, UINT message, WPARAM wParam,
                                       LPARAM lParam) noexcept {
  Win32Form* self = nullptr;
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
    self = static_cast<Win32Form*>(create->lpCreateParams);
    SetLastError(0);
    if (SetWindowLongPtrW(window, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(self)) == 0 &&
        GetLastError() != 0) {
      return FALSE;
    }
    self->window_.reset(window);
  } else if (window == lastFormWindow.window) {
    self = lastFormWindow.form;
  } else {
    self =
        reinterpret_cast<Win32Form*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (self != nullptr) lastFormWindow = {window, self};
  }
  if (self == nullptr) return DefWindowProcW(window, message, wParam, lParam);
  try {
    return self->HandleMessage(window, message, wParam, lParam);
  } catch (...) {  // program events are guarded; this is the runtime's own
    return DefWindowProcW(window, message, wParam, lParam);
  }
}

LRESULT Win32Form::HandleMessage(HWND window, UINT message, WPARAM wParam,
                                 LPARAM lParam) {
  if (const std::int16_t button = pressedButton(message); button != 0) {
    OnMouseDown(button, wParam, lParam);
    return 0;
  }
  switch (message) {
    case WM_CLOSE:
      OnClose();
      return 0;
    case WM_QUERYENDSESSION:
      return TRUE;
    case WM_ENDSESSION:
      if (wParam != FALSE) OnEndSession();
      return 0;
    case WM_LBUTTONDBLCLK:
      OnDblClick();
      return 0;
    case WM_TIMER:
      OnTimer(wParam);
      return 0;
    case WM_WINDOWPOSCHANGED:
      rememberWindowRect(window);
      break;  // on to WM_MOVE and WM_SIZE
    case WM_DPICHANGED:
      OnDpiChanged((wParam >> 16) & 0xFFFF,
                   *reinterpret_cast<const RECT*>(lParam));
      return 0;
    case WM_TIMECHANGE:
      // The clock was set: read it anew at the next tick.
      runtime_.dateTime().forgetReading();
      break;
    case WM_SETTINGCHANGE:
      if (wParam == SPI_SETNONCLIENTMETRICS) OnFontChanged();
      // The user's regional formats changed: the clock texts are made anew.
      if (lParam != 0 && std::wstring_view(reinterpret_cast<const wchar_t*>(
                             lParam)) == L"intl") {
        runtime_.dateTime().forgetTexts();
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
  raise("Form_QueryUnload",
        [&] { events_.Form_QueryUnload(cancel, UnloadReason::kControlMenu); });
  if (cancel != 0) return;
  raise("Form_Closed",
        [&] { events_.Form_Closed(UnloadReason::kControlMenu); });
}

void Win32Form::OnEndSession() {
  // The session ends whatever the program answers: it gets its close now so
  // its settings are written before the system ends the process.
  std::int16_t cancel = 0;
  raise("Form_QueryUnload", [&] {
    events_.Form_QueryUnload(cancel, UnloadReason::kSessionEnding);
  });
  raise("Form_Closed",
        [&] { events_.Form_Closed(UnloadReason::kSessionEnding); });
}

void Win32Form::OnMouseDown(std::int16_t button, WPARAM wParam, LPARAM lParam) {
  const POINT point = mousePoint(lParam);
  const std::int16_t shift = shiftState(wParam);
  const unsigned dpi = dpi_;
  raise("Form_MouseDown", [&] {
    events_.Form_MouseDown(button, shift, pixelsToTwips(point.x, dpi),
                           pixelsToTwips(point.y, dpi));
  });
}

void Win32Form::OnDblClick() {
  raise("Form_DblClick", [&] { events_.Form_DblClick(); });
}

void Win32Form::OnTimer(UINT_PTR id) {
  if (id == 0 || id > timers_.size()) return;
  timers_[id - 1]->tick();
}

void Win32Form::OnDpiChanged(unsigned dpi, const RECT& suggested) {
  runGuarded("WM_DPICHANGED", [&] {
    dpi_ = dpi;
    placeWindow(suggested.left, suggested.top, suggested.right - suggested.left,
                suggested.bottom - suggested.top, 0);
    OnFontChanged();
  });
}

void Win32Form::OnFontChanged() {
  runGuarded("font change", [&] {
    // The labels switch to the new font before the old one is deleted.
    UniqueFont font = createMessageFont(dpi_);
    std::swap(font_, font);
    measuringDc_.selectFont(font_.get());
    for (const auto& label : labels_) label->relayout();
  });
}

LRESULT Win32Form::OnCtlColorStatic(HDC dc) {
  // The label draws in the button-text colour on the window's 3-D face.
  (void)SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
  (void)SetBkColor(dc, GetSysColor(COLOR_3DFACE));
  return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_3DFACE));
}

void Win32Form::OnNcDestroy(HWND window) noexcept {
  (void)SetWindowLongPtrW(window, GWLP_USERDATA, 0);
  if (lastFormWindow.window == window) lastFormWindow = {};
  for (const auto& timer : timers_) timer->stop();
  if (window_.get() == window) (void)window_.release();
}

}  // namespace quorvo::platform::win32
