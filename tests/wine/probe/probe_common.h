// What every command of quorvo_probe shares: JSON output, text conversion,
// handles, and finding processes and windows by program name.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

namespace probe {

inline constexpr UINT kMessageTimeoutMs = 1000;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;
inline constexpr int kExitTimedOut = 3;

struct HandleCloser {
  void operator()(HANDLE handle) const noexcept {
    if (handle != nullptr && handle != INVALID_HANDLE_VALUE) {
      (void)CloseHandle(handle);
    }
  }
};
using UniqueHandle = std::unique_ptr<void, HandleCloser>;

std::string utf8(const std::wstring& text);
std::wstring wide(const std::string& text);
std::wstring lower(std::wstring text);

// A JSON string literal of the text; control characters are escaped.
std::string quoted(const std::string& text);
std::string quoted(const std::wstring& text);
std::string number(long long value);
std::string handleText(const void* handle);
std::string rectJson(const RECT& rect);

std::wstring className(HWND window);
DWORD windowPid(HWND window);
std::vector<HWND> topLevelWindows();
std::vector<HWND> childWindows(HWND parent);

struct ProcessInfo {
  DWORD pid = 0;
  std::wstring exe;
};
// The running processes whose program file has one of these names (letter
// case ignored).
std::vector<ProcessInfo> processesNamed(const std::vector<std::wstring>& names);
bool isIn(const std::vector<ProcessInfo>& processes, DWORD pid);

}  // namespace probe
