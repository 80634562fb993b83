// The focus command of quorvo_probe: a window of another program that holds
// the keyboard, as the program the user is typing into does, and tells when
// and to whom it lost it.
#include <windows.h>

#include <cstdio>
#include <string>

#include "commands.h"
#include "probe_common.h"

namespace probe {

namespace {

constexpr wchar_t kHolderClass[] = L"QuorvoProbe.FocusHolder";
// Under the pointer where the tests park it, so the X server, which gives
// keys to the window under the pointer where there is no window manager,
// agrees with Wine about who has them.
constexpr RECT kHolderRect{800, 600, 1100, 800};
constexpr DWORD kTakeFocusTimeoutMs = 5000;

// Who took the keyboard from the holder, and when; set by its procedure.
HWND lostTo = nullptr;
bool lost = false;

LRESULT CALLBACK holderProc(HWND window, UINT message, WPARAM wParam,
                            LPARAM lParam) {
  if ((message == WM_ACTIVATE && LOWORD(wParam) == WA_INACTIVE) ||
      message == WM_KILLFOCUS) {
    if (!lost) {
      lost = true;
      lostTo = message == WM_ACTIVATE ? reinterpret_cast<HWND>(lParam)
                                      : reinterpret_cast<HWND>(wParam);
    }
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

// Delivers messages until `done` or `timeoutMs` passes; whether `done`.
template <typename Done>
bool pumpUntil(Done done, DWORD timeoutMs) {
  const ULONGLONG deadline = GetTickCount64() + timeoutMs;
  while (!done()) {
    const ULONGLONG now = GetTickCount64();
    if (now >= deadline) return false;
    (void)MsgWaitForMultipleObjects(
        0, nullptr, FALSE, static_cast<DWORD>(deadline - now), QS_ALLINPUT);
    MSG message{};
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
  }
  return true;
}

}  // namespace

int commandHoldFocus(const Call& call) {
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = holderProc;
  windowClass.hInstance = GetModuleHandleW(nullptr);
  windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  windowClass.hbrBackground = GetSysColorBrush(COLOR_WINDOW);
  windowClass.lpszClassName = kHolderClass;
  if (RegisterClassExW(&windowClass) == 0) {
    std::printf("{\"holding\":false,\"error\":\"RegisterClassExW\"}\n");
    return kExitFailed;
  }
  const HWND holder = CreateWindowExW(
      0, kHolderClass, L"Typing here", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
      kHolderRect.left, kHolderRect.top, kHolderRect.right - kHolderRect.left,
      kHolderRect.bottom - kHolderRect.top, nullptr, nullptr,
      windowClass.hInstance, nullptr);
  if (holder == nullptr) {
    std::printf("{\"holding\":false,\"error\":\"CreateWindowExW\"}\n");
    return kExitFailed;
  }
  (void)SetForegroundWindow(holder);
  (void)SetFocus(holder);
  const bool holding = pumpUntil(
      [holder] {
        return GetForegroundWindow() == holder && GetFocus() == holder;
      },
      kTakeFocusTimeoutMs);
  std::printf("{\"holding\":%s,\"hwnd\":%s}\n", flag(holding),
              handleText(holder).c_str());
  std::fflush(stdout);
  if (!holding) {
    DestroyWindow(holder);
    return kExitFailed;
  }
  lost = false;
  const ULONGLONG started = GetTickCount64();
  (void)pumpUntil([] { return lost; }, call.dword(0));
  const ULONGLONG held = GetTickCount64() - started;
  // The window that has the keyboard now, where the message did not say.
  if (lost && lostTo == nullptr) lostTo = GetForegroundWindow();
  std::printf(
      "{\"state\":{\"kept\":%s,\"held_ms\":%s,\"lost_to\":%s}}\n", flag(!lost),
      number(static_cast<long long>(held)).c_str(),
      lost ? ("{\"hwnd\":" + handleText(lostTo) + "}").c_str() : "null");
  DestroyWindow(holder);
  return 0;
}

}  // namespace probe
