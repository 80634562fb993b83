// JSON output, processes and windows for the probe.
#include "probe_common.h"

// windows.h first: the headers below rely on its types.
#include <tlhelp32.h>

#include <cstdio>
#include <cwctype>

namespace probe {

std::wstring lower(std::wstring text) {
  for (auto& c : text) c = static_cast<wchar_t>(std::towlower(c));
  return text;
}

std::string quoted(const std::string& text) {
  std::string out = "\"";
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '"') {
      out += "\\\"";
    } else if (c == '\\') {
      out += "\\\\";
    } else if (byte < 0x20) {
      char escape[8];
      std::snprintf(escape, sizeof escape, "\\u%04x", byte);
      out += escape;
    } else {
      out += c;
    }
  }
  return out + "\"";
}

std::string quoted(const std::wstring& text) { return quoted(toUtf8(text)); }

std::string number(long long value) { return std::to_string(value); }

const char* flag(bool value) { return value ? "true" : "false"; }

std::string handleText(const void* handle) {
  return number(
      static_cast<long long>(reinterpret_cast<std::uintptr_t>(handle)));
}

std::string rectJson(const RECT& r) {
  return "{\"left\":" + number(r.left) + ",\"top\":" + number(r.top) +
         ",\"right\":" + number(r.right) + ",\"bottom\":" + number(r.bottom) +
         ",\"width\":" + number(r.right - r.left) +
         ",\"height\":" + number(r.bottom - r.top) + "}";
}

std::string rectJson(HWND window) {
  RECT rect{};
  (void)GetWindowRect(window, &rect);
  return rectJson(rect);
}

std::string withMembers(std::string object, const std::string& members) {
  object.pop_back();
  return object + members + "}";
}

std::vector<std::wstring> wideNames(const std::vector<std::string>& names) {
  std::vector<std::wstring> wide;
  for (const auto& name : names) wide.push_back(toUtf16(name));
  return wide;
}

std::wstring className(HWND window) {
  wchar_t buffer[256] = {};
  (void)GetClassNameW(window, buffer, 256);
  return buffer;
}

DWORD windowPid(HWND window) {
  DWORD pid = 0;
  (void)GetWindowThreadProcessId(window, &pid);
  return pid;
}

namespace {

BOOL CALLBACK collectWindow(HWND window, LPARAM list) {
  reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
  return TRUE;
}

}  // namespace

std::vector<HWND> topLevelWindows() {
  std::vector<HWND> windows;
  (void)EnumWindows(collectWindow, reinterpret_cast<LPARAM>(&windows));
  return windows;
}

std::vector<HWND> childWindows(HWND parent) {
  std::vector<HWND> windows;
  (void)EnumChildWindows(parent, collectWindow,
                         reinterpret_cast<LPARAM>(&windows));
  return windows;
}

std::vector<ProcessInfo> processesNamed(
    const std::vector<std::wstring>& names) {
  std::vector<ProcessInfo> found;
  const HANDLE raw = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (raw == INVALID_HANDLE_VALUE) return found;
  const UniqueHandle snapshot(raw);
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof entry;
  for (BOOL more = Process32FirstW(snapshot.get(), &entry); more;
       more = Process32NextW(snapshot.get(), &entry)) {
    const std::wstring exe = lower(entry.szExeFile);
    for (const auto& name : names) {
      if (exe == lower(name)) {
        found.push_back({entry.th32ProcessID, entry.szExeFile});
      }
    }
  }
  return found;
}

bool isIn(const std::vector<ProcessInfo>& processes, DWORD pid) {
  for (const auto& p : processes) {
    if (p.pid == pid) return true;
  }
  return false;
}

}  // namespace probe
