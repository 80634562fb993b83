// What every command of quorvo_probe shares: JSON output, and finding
// processes and windows by program name. Handle owners and text
// conversions are the program's own.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "platform/win32/handles.h"
#include "platform/win32/text.h"

namespace probe {

using quorvo::platform::win32::toUtf16;
using quorvo::platform::win32::toUtf8;
using quorvo::platform::win32::UniqueHandle;

inline constexpr UINT kMessageTimeoutMs = 1000;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;
inline constexpr int kExitTimedOut = 3;
inline constexpr int kExitNoScreen = 4;

std::wstring lower(std::wstring text);

// A JSON string literal of the text; control characters are escaped.
std::string quoted(const std::string& text);
std::string quoted(const std::wstring& text);
std::string number(long long value);
const char* flag(bool value);
std::string handleText(const void* handle);
std::string rectJson(const RECT& rect);
// The window's rectangle on the screen.
std::string rectJson(HWND window);
// The JSON object with more "name":value members (each led by a comma).
std::string withMembers(std::string object, const std::string& members);

// A JSON array of each item as `toJson` writes it.
template <typename Items, typename ToJson>
std::string jsonArray(const Items& items, ToJson toJson) {
  std::string out = "[";
  for (const auto& item : items) {
    if (out.size() > 1) out += ",";
    out += toJson(item);
  }
  return out + "]";
}

// A JSON object of the "name":value members `toMember` writes.
template <typename Items, typename ToMember>
std::string jsonObject(const Items& items, ToMember toMember) {
  std::string out = jsonArray(items, toMember);
  out.front() = '{';
  out.back() = '}';
  return out;
}

std::vector<std::wstring> wideNames(const std::vector<std::string>& names);
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
