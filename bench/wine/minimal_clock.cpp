// minimal_clock.exe: the reference of the whole-program comparison. The
// least clock a Win32 programmer would write: every 100 ms it reads the
// local time, formats it with the user's time format and, only when the text
// changed, sets a STATIC label's text and fits the window to it. Built and
// linked like Quorvo.exe, so whatever Quorvo.exe costs beyond this program is
// the cost of what it does on top.
//
//   minimal_clock.exe -timesec   the time with seconds ("9:05:03 PM")
//   minimal_clock.exe -time      the time without seconds ("9:05 PM")
//
// With the user's locale these are the texts Quorvo.exe shows when started
// with the same switch.
#include <windows.h>

namespace {

constexpr const wchar_t* kClassName = L"QuorvoBench.MinimalClock";
constexpr UINT_PTR kTimerId = 1;
constexpr UINT kTickIntervalMs = 100;  // the clock's tick interval
// Away from the clock's default place, so both show side by side.
constexpr int kLeft = 100;
constexpr int kTop = 100;
// Label inset and window margins in pixels, about the clock's at 96 DPI.
constexpr int kInset = 1;
constexpr int kWidthMargin = 6;
constexpr int kHeightMargin = 4;
constexpr int kStartFailed = 1;
constexpr int kTextSize = 64;

HWND window = nullptr;
HWND label = nullptr;
HFONT font = nullptr;
DWORD formatFlags = 0;
wchar_t shown[kTextSize] = {};

// The label and the window sized to the text in the label's font.
void fitToText(const wchar_t* text, int length) {
  SIZE size{};
  HDC dc = GetDC(label);
  if (dc == nullptr) return;
  const HGDIOBJ previous = SelectObject(dc, font);
  (void)GetTextExtentPoint32W(dc, text, length, &size);
  (void)SelectObject(dc, previous);
  (void)ReleaseDC(label, dc);
  (void)SetWindowPos(label, nullptr, 0, 0, size.cx, size.cy,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  (void)SetWindowPos(window, nullptr, 0, 0, size.cx + kWidthMargin,
                     size.cy + kHeightMargin,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void tick() {
  SYSTEMTIME now{};
  GetLocalTime(&now);
  wchar_t text[kTextSize] = {};
  const int length = GetTimeFormatEx(LOCALE_NAME_USER_DEFAULT, formatFlags,
                                     &now, nullptr, text, kTextSize);
  if (length <= 0 || lstrcmpW(text, shown) == 0) return;
  (void)lstrcpynW(shown, text, kTextSize);
  (void)SetWindowTextW(label, text);
  fitToText(text, length - 1);
}

LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam,
                            LPARAM lParam) noexcept {
  switch (message) {
    case WM_TIMER:
      tick();
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    default:
      return DefWindowProcW(hwnd, message, wParam, lParam);
  }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE /*previous*/,
                    PWSTR commandLine, int /*show*/) {
  if (commandLine == nullptr || lstrcmpW(commandLine, L"-time") != 0) {
    formatFlags = 0;  // -timesec and anything else: with seconds
  } else {
    formatFlags = TIME_NOSECONDS;
  }
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof(metrics);
  if (!SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics,
                             0)) {
    return kStartFailed;
  }
  font = CreateFontIndirectW(&metrics.lfMessageFont);
  if (font == nullptr) return kStartFailed;

  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof(windowClass);
  windowClass.lpfnWndProc = WindowProc;
  windowClass.hInstance = instance;
  windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  windowClass.hbrBackground = GetSysColorBrush(COLOR_3DFACE);
  windowClass.lpszClassName = kClassName;
  if (RegisterClassExW(&windowClass) == 0) return kStartFailed;

  // The clock's styles: a one-pixel border, no caption, no taskbar button.
  window = CreateWindowExW(WS_EX_TOOLWINDOW, kClassName, L"",
                           WS_POPUP | WS_BORDER, kLeft, kTop, kWidthMargin,
                           kHeightMargin, nullptr, nullptr, instance, nullptr);
  if (window == nullptr) return kStartFailed;
  label = CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE, kInset,
                          kInset, 0, 0, window, nullptr, instance, nullptr);
  if (label == nullptr ||
      SetTimer(window, kTimerId, kTickIntervalMs, nullptr) == 0) {
    (void)DestroyWindow(window);
    return kStartFailed;
  }
  (void)SendMessageW(label, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  tick();
  (void)ShowWindow(window, SW_SHOW);  // returns the old visibility

  MSG message{};
  BOOL got = FALSE;
  while ((got = GetMessageW(&message, nullptr, 0, 0)) > 0) {
    (void)TranslateMessage(&message);
    (void)DispatchMessageW(&message);
  }
  (void)DeleteObject(font);
  return got < 0 ? kStartFailed : static_cast<int>(message.wParam);
}
