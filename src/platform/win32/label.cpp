// Labels of Win32 forms: STATIC controls with a tooltip.
#include "platform/win32/label.h"

#include <commctrl.h>

#include <climits>
#include <cstddef>

#include "platform/handler_guard.h"
#include "platform/twips.h"
#include "platform/win32/common_controls.h"
#include "platform/win32/errors.h"
#include "platform/win32/form.h"
#include "platform/win32/mouse_input.h"
#include "platform/win32/text.h"

namespace quorvo::platform::win32 {

namespace {

// A left-aligned, single-line label without border that reports mouse
// input (SS_NOTIFY) and shows "&" as it is: the caption is data, not a
// control name with an access key.
constexpr DWORD kLabelStyle =
    WS_CHILD | WS_VISIBLE | SS_LEFTNOWORDWRAP | SS_NOPREFIX | SS_NOTIFY;

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

}  // namespace

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
    // Subclassed by hand, not with SetWindowSubclass: that is comctl32's,
    // which the clock does not load at start (common_controls.h).
    if (!attachObject(label, this)) {
      throwLastError("SetWindowLongPtrW(GWLP_USERDATA)");
    }
    originalProc_ = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(
        label, GWLP_WNDPROC,
        reinterpret_cast<LONG_PTR>(&windowProcedure<Win32Label>)));
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
  if (text == caption_) return;
  const HWND label = requireWindow();
  const std::wstring wide = toUtf16(text);
  const SIZE size = measure(wide);  // fails before anything has changed
  if (!SetWindowTextW(label, wide.c_str())) throwLastError("SetWindowTextW");
  caption_ = text;
  applySize(size);
}

void Win32Label::setToolTipText(std::string_view text) {
  if (text == toolTipText_) return;
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

LRESULT Win32Label::OnMessage(HWND window, UINT message, WPARAM wParam,
                              LPARAM lParam) {
  const WNDPROC original = originalProc_;
  if (isToolTipRelayed(message)) {
    relayToToolTip(window, message, wParam, lParam);
  }
  if (const auto press = mousePress(message, wParam, lParam, form_.dpi())) {
    form_.raise(handlerName(design_.name, "MouseDown"), [&] {
      events_.MouseDown(press->button, press->shift, press->x, press->y);
    });
    return 0;
  }
  switch (message) {
    case WM_LBUTTONDBLCLK:
      form_.raise(handlerName(design_.name, "DblClick"),
                  [this] { events_.DblClick(); });
      return 0;
    case WM_RBUTTONUP:
      // The press opened the menu; the release must not ask the form for
      // it again through WM_CONTEXTMENU.
      return 0;
    case WM_NCDESTROY:
      // The window is going: it gets the STATIC procedure back and lets go
      // of the label, which may already be on its way out.
      (void)SetWindowLongPtrW(window, GWLP_WNDPROC,
                              reinterpret_cast<LONG_PTR>(original));
      (void)attachObject(window, nullptr);
      if (window_.get() == window) (void)window_.release();
      break;
    default:
      break;
  }
  return CallWindowProcW(original, window, message, wParam, lParam);
}

}  // namespace quorvo::platform::win32
