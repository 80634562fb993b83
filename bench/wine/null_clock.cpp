// null_clock.exe: the baseline of the whole-program benchmark. One small
// window like the clock's, with a 100 ms timer whose handler does nothing,
// and the message loop; built and linked exactly like Quorvo.exe. Whatever
// Quorvo.exe costs beyond this program is the cost of its own work. It uses
// nothing beyond user32 and kernel32, so the baseline holds nothing that the
// clock does not need as well.
//
//   null_clock.exe          the null program
//   null_clock.exe -label   the same with a STATIC label whose text is set
//                           to the local time once a second: the least any
//                           clock that shows seconds does
#include <windows.h>

namespace {

constexpr const wchar_t* kClassName = L"QuorvoBench.NullClock";
constexpr UINT_PTR kTimerId = 1;
constexpr UINT kTickIntervalMs = 100;  // the clock's tick interval
// About the clock's size with a short time text at 96 DPI.
constexpr int kWidth = 70;
constexpr int kHeight = 17;
// Away from the clock's default place, so both show side by side.
constexpr int kLeft = 100;
constexpr int kTop = 100;
constexpr int kStartFailed = 1;

constexpr int kTicksPerSecond = 10;
HWND label = nullptr;  // only with -label
int ticks = 0;

// Every tenth tick, the label shows the local time, "hh:mm:ss".
void showTime() {
  if (label == nullptr || ++ticks % kTicksPerSecond != 0) return;
  SYSTEMTIME now{};
  GetLocalTime(&now);
  wchar_t text[16]{};
  (void)wsprintfW(text, L"%02u:%02u:%02u", now.wHour, now.wMinute, now.wSecond);
  (void)SetWindowTextW(label, text);
}

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam,
                            LPARAM lParam) noexcept {
  switch (message) {
    case WM_TIMER:
      showTime();  // the tick: nothing at all without -label
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    default:
      return DefWindowProcW(window, message, wParam, lParam);
  }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE /*previous*/,
                    PWSTR commandLine, int /*show*/) {
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof(windowClass);
  windowClass.lpfnWndProc = WindowProc;
  windowClass.hInstance = instance;
  windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  windowClass.hbrBackground = GetSysColorBrush(COLOR_3DFACE);
  windowClass.lpszClassName = kClassName;
  if (RegisterClassExW(&windowClass) == 0) return kStartFailed;

  // The clock's styles: a one-pixel border, no caption, no taskbar button.
  HWND window = CreateWindowExW(WS_EX_TOOLWINDOW, kClassName, L"",
                                WS_POPUP | WS_BORDER, kLeft, kTop, kWidth,
                                kHeight, nullptr, nullptr, instance, nullptr);
  if (window == nullptr) return kStartFailed;
  if (commandLine != nullptr && lstrcmpiW(commandLine, L"-label") == 0) {
    label = CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE, 2, 1,
                            kWidth - 6, kHeight - 4, window, nullptr, instance,
                            nullptr);
    if (label == nullptr) {
      (void)DestroyWindow(window);
      return kStartFailed;
    }
  }
  if (SetTimer(window, kTimerId, kTickIntervalMs, nullptr) == 0) {
    (void)DestroyWindow(window);
    return kStartFailed;
  }
  (void)ShowWindow(window, SW_SHOW);  // returns the old visibility
  if (!UpdateWindow(window)) {
    (void)DestroyWindow(window);
    return kStartFailed;
  }

  MSG message{};
  BOOL got = FALSE;
  while ((got = GetMessageW(&message, nullptr, 0, 0)) > 0) {
    (void)TranslateMessage(&message);
    (void)DispatchMessageW(&message);
  }
  return got < 0 ? kStartFailed : static_cast<int>(message.wParam);
}
