// quorvo_probe: a small Windows console program the end-to-end tests run
// beside Quorvo.exe under Wine. It reads back what a person would see of the
// clock (its windows, the clock text, its tooltip, a menu or message box that
// is open), reads and seeds Quorvo's settings in the registry, and can ask the
// clock to close. Everything it prints is one JSON object on stdout.
//
//   quorvo_probe state [--wait COND] [--timeout MS]
//       COND: clock | no-clock | menu | no-menu | dialog | no-dialog |
//             process | no-process | moving | not-moving | text-not:TEXT
//       Exit code 0 when the condition held (or none was given), 3 when the
//       timeout ran out first; the state printed is the last one seen.
//   quorvo_probe close            post WM_CLOSE to the clock window
//   quorvo_probe kill WINPID      end a Quorvo.exe process (never any other)
//   quorvo_probe reg-dump         Quorvo's stored values with their types
//   quorvo_probe reg-clear        delete Quorvo's settings key
//   quorvo_probe reg-set [NAME TYPE DATA]...
//       TYPE: sz | dword | sz-repeat (DATA is "COUNT:TEXT", TEXT repeated)
//   quorvo_probe set-dpi N        the system DPI for programs started next
//   quorvo_probe idle SECONDS     keep the Wine session warm, then exit
//
// --exe NAME (before the command) names the clock's program file; it is
// Quorvo.exe by default.
#include <windows.h>
// windows.h first: the headers below rely on its types.
#include <commctrl.h>
#include <psapi.h>
#include <tlhelp32.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr const wchar_t* kSettingsKey =
    L"Software\\VB and VBA Program Settings\\Velmora Software\\Quorvo";
constexpr DWORD kPollMs = 20;
constexpr UINT kMessageTimeoutMs = 1000;
// MessageBox's text control and icon control.
constexpr int kMessageBoxTextId = 0xFFFF;
constexpr int kMessageBoxIconId = 0x0440;
constexpr int kExitTimedOut = 3;
constexpr int kExitUsage = 2;
constexpr int kExitFailed = 1;

// ---------------------------------------------------------------- JSON output

std::string utf8(const std::wstring& text) {
  if (text.empty()) return {};
  const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(),
                                       static_cast<int>(text.size()), nullptr,
                                       0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                      out.data(), size, nullptr, nullptr);
  return out;
}

std::wstring wide(const std::string& text) {
  if (text.empty()) return {};
  const int size = MultiByteToWideChar(
      CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring out(static_cast<std::size_t>(size), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                      out.data(), size);
  return out;
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

std::string quoted(const std::wstring& text) { return quoted(utf8(text)); }

std::string number(long long value) { return std::to_string(value); }

std::string handleText(HWND window) {
  return number(
      static_cast<long long>(reinterpret_cast<std::uintptr_t>(window)));
}

std::string rectJson(const RECT& r) {
  return "{\"left\":" + number(r.left) + ",\"top\":" + number(r.top) +
         ",\"right\":" + number(r.right) + ",\"bottom\":" + number(r.bottom) +
         ",\"width\":" + number(r.right - r.left) +
         ",\"height\":" + number(r.bottom - r.top) + "}";
}

// ------------------------------------------------------------- small helpers

struct HandleCloser {
  void operator()(HANDLE h) const {
    if (h != nullptr && h != INVALID_HANDLE_VALUE) CloseHandle(h);
  }
};
using UniqueHandle = std::unique_ptr<void, HandleCloser>;

std::wstring lower(std::wstring text) {
  for (auto& c : text) c = static_cast<wchar_t>(towlower(c));
  return text;
}

std::wstring className(HWND window) {
  wchar_t buffer[256] = {};
  GetClassNameW(window, buffer, 256);
  return buffer;
}

// The text through WM_GETTEXT, which reaches controls that keep their text
// themselves; a hung window gives an empty text rather than a hung probe.
std::wstring windowText(HWND window) {
  DWORD_PTR length = 0;
  if (!SendMessageTimeoutW(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG,
                           kMessageTimeoutMs, &length)) {
    return {};
  }
  std::wstring text(length + 1, L'\0');
  DWORD_PTR copied = 0;
  if (!SendMessageTimeoutW(window, WM_GETTEXT, length + 1,
                           reinterpret_cast<LPARAM>(text.data()),
                           SMTO_ABORTIFHUNG, kMessageTimeoutMs, &copied)) {
    return {};
  }
  text.resize(copied);
  return text;
}

struct ProcessInfo {
  DWORD pid = 0;
  std::wstring exe;
};

std::vector<ProcessInfo> processesNamed(const std::wstring& exeName) {
  std::vector<ProcessInfo> found;
  UniqueHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  if (snapshot.get() == INVALID_HANDLE_VALUE) return found;
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof entry;
  const std::wstring wanted = lower(exeName);
  for (BOOL more = Process32FirstW(snapshot.get(), &entry); more;
       more = Process32NextW(snapshot.get(), &entry)) {
    if (lower(entry.szExeFile) == wanted) {
      found.push_back({entry.th32ProcessID, entry.szExeFile});
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

DWORD windowPid(HWND window) {
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  return pid;
}

std::vector<HWND> topLevelWindows() {
  std::vector<HWND> windows;
  EnumWindows(
      [](HWND window, LPARAM list) -> BOOL {
        reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&windows));
  return windows;
}

std::vector<HWND> childWindows(HWND parent) {
  std::vector<HWND> windows;
  EnumChildWindows(
      parent,
      [](HWND window, LPARAM list) -> BOOL {
        reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&windows));
  return windows;
}

UINT windowDpi(HWND window) {
  using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
  HMODULE user32 = GetModuleHandleW(L"user32.dll");
  if (user32 != nullptr) {
    auto* proc = GetProcAddress(user32, "GetDpiForWindow");
    if (proc != nullptr) {
      GetDpiForWindowFn fn;
      static_assert(sizeof fn == sizeof proc);
      std::memcpy(&fn, &proc, sizeof fn);
      const UINT dpi = fn(window);
      if (dpi != 0) return dpi;
    }
  }
  HDC screen = GetDC(nullptr);
  const int dpi = GetDeviceCaps(screen, LOGPIXELSX);
  ReleaseDC(nullptr, screen);
  return static_cast<UINT>(dpi);
}

// ------------------------------------------------------------------ tooltips

// A tooltip control keeps its tools in its own process, so the tool record
// and the text buffer are placed in that process's memory for TTM_ENUMTOOLSW
// to fill in, and read back from there.
std::string tooltipToolsJson(HWND tooltip) {
  DWORD_PTR count = 0;
  if (!SendMessageTimeoutW(tooltip, TTM_GETTOOLCOUNT, 0, 0, SMTO_ABORTIFHUNG,
                           kMessageTimeoutMs, &count)) {
    return "[]";
  }
  UniqueHandle process(
      OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE,
                  FALSE, windowPid(tooltip)));
  if (!process) return "[]";
  constexpr std::size_t kTextChars = 4096;
  const std::size_t bytes = sizeof(TTTOOLINFOW) + kTextChars * sizeof(wchar_t);
  void* remote = VirtualAllocEx(process.get(), nullptr, bytes,
                                MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
  if (remote == nullptr) return "[]";
  auto* remoteText = reinterpret_cast<wchar_t*>(static_cast<char*>(remote) +
                                                sizeof(TTTOOLINFOW));
  std::string out = "[";
  for (DWORD_PTR i = 0; i < count; ++i) {
    TTTOOLINFOW info{};
    info.cbSize = sizeof info;
    info.lpszText = remoteText;
    std::vector<wchar_t> text(kTextChars, L'\0');
    SIZE_T written = 0;
    WriteProcessMemory(process.get(), remote, &info, sizeof info, &written);
    WriteProcessMemory(process.get(), remoteText, text.data(),
                       kTextChars * sizeof(wchar_t), &written);
    DWORD_PTR ok = 0;
    if (!SendMessageTimeoutW(tooltip, TTM_ENUMTOOLSW, i,
                             reinterpret_cast<LPARAM>(remote), SMTO_ABORTIFHUNG,
                             kMessageTimeoutMs, &ok) ||
        ok == 0) {
      continue;
    }
    SIZE_T read = 0;
    ReadProcessMemory(process.get(), remote, &info, sizeof info, &read);
    std::string textJson = "null";
    std::string kind = "text";
    if (info.lpszText == LPSTR_TEXTCALLBACKW) {
      kind = "callback";
    } else if (info.lpszText == nullptr) {
      kind = "none";
    } else if (info.lpszText == remoteText) {
      ReadProcessMemory(process.get(), remoteText, text.data(),
                        (kTextChars - 1) * sizeof(wchar_t), &read);
      textJson = quoted(std::wstring(text.data()));
    } else {
      kind = "resource";
    }
    if (out.size() > 1) out += ",";
    out += "{\"owner\":" + handleText(info.hwnd) +
           ",\"id\":" + number(static_cast<long long>(info.uId)) +
           ",\"flags\":" + number(info.uFlags) + ",\"kind\":\"" + kind +
           "\",\"text\":" + textJson + "}";
  }
  VirtualFreeEx(process.get(), remote, 0, MEM_RELEASE);
  return out + "]";
}

// --------------------------------------------------------------------- state

struct Snapshot {
  std::vector<ProcessInfo> processes;
  HWND clock = nullptr;
  std::wstring clockText;  // the label's text
  bool hasLabel = false;
  std::vector<HWND> menus;    // visible popup menus
  std::vector<HWND> dialogs;  // visible dialog boxes
  DWORD guiFlags = 0;         // of the clock's thread: in a move, in a menu
  std::string json;
};

std::string processJson(const ProcessInfo& info) {
  std::string out =
      "{\"pid\":" + number(info.pid) + ",\"exe\":" + quoted(info.exe);
  UniqueHandle process(OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ,
                                   FALSE, info.pid));
  if (process) {
    out += ",\"gdi_objects\":" +
           number(GetGuiResources(process.get(), GR_GDIOBJECTS)) +
           ",\"user_objects\":" +
           number(GetGuiResources(process.get(), GR_USEROBJECTS));
    PROCESS_MEMORY_COUNTERS_EX memory{};
    memory.cb = sizeof memory;
    if (GetProcessMemoryInfo(
            process.get(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory),
            sizeof memory)) {
      out += ",\"private_bytes\":" +
             number(static_cast<long long>(memory.PrivateUsage)) +
             ",\"working_set\":" +
             number(static_cast<long long>(memory.WorkingSetSize));
    }
    DWORD handles = 0;
    if (GetProcessHandleCount(process.get(), &handles)) {
      out += ",\"handles\":" + number(handles);
    }
  }
  return out + "}";
}

std::string childJson(HWND child) {
  RECT rect{};
  GetWindowRect(child, &rect);
  return "{\"hwnd\":" + handleText(child) +
         ",\"class\":" + quoted(className(child)) +
         ",\"id\":" + number(GetDlgCtrlID(child)) +
         ",\"text\":" + quoted(windowText(child)) + ",\"style\":" +
         number(GetWindowLongW(child, GWL_STYLE) & 0xFFFFFFFFLL) +
         ",\"visible\":" + (IsWindowVisible(child) ? "true" : "false") +
         ",\"rect\":" + rectJson(rect) + "}";
}

std::string windowJson(HWND window) {
  RECT rect{};
  GetWindowRect(window, &rect);
  RECT client{};
  GetClientRect(window, &client);
  POINT origin{0, 0};
  ClientToScreen(window, &origin);
  RECT clientScreen{origin.x, origin.y, origin.x + client.right,
                    origin.y + client.bottom};
  std::string children = "[";
  for (HWND child : childWindows(window)) {
    if (children.size() > 1) children += ",";
    children += childJson(child);
  }
  children += "]";
  HWND owner = GetWindow(window, GW_OWNER);
  return "{\"hwnd\":" + handleText(window) +
         ",\"pid\":" + number(windowPid(window)) +
         ",\"class\":" + quoted(className(window)) +
         ",\"text\":" + quoted(windowText(window)) + ",\"style\":" +
         number(GetWindowLongW(window, GWL_STYLE) & 0xFFFFFFFFLL) +
         ",\"exstyle\":" +
         number(GetWindowLongW(window, GWL_EXSTYLE) & 0xFFFFFFFFLL) +
         ",\"visible\":" + (IsWindowVisible(window) ? "true" : "false") +
         ",\"enabled\":" + (IsWindowEnabled(window) ? "true" : "false") +
         ",\"owner\":" + handleText(owner) + ",\"foreground\":" +
         (GetForegroundWindow() == window ? "true" : "false") +
         ",\"dpi\":" + number(windowDpi(window)) +
         ",\"rect\":" + rectJson(rect) +
         ",\"client\":" + rectJson(clientScreen) + ",\"children\":" + children +
         "}";
}

// The clock window: a visible top-level window of the clock's process that
// holds a child control (the label) and is no menu, dialog or tooltip; the
// first such window in Z order. Its caption is not looked at, so that the
// tests can check it.
bool isClockCandidate(HWND window) {
  const std::wstring cls = className(window);
  if (cls == L"#32768" || cls == L"#32770" || cls == L"tooltips_class32") {
    return false;
  }
  return !childWindows(window).empty();
}

Snapshot takeSnapshot(const std::wstring& exeName) {
  Snapshot snap;
  snap.processes = processesNamed(exeName);
  std::vector<HWND> ours;
  for (HWND window : topLevelWindows()) {
    if (isIn(snap.processes, windowPid(window))) ours.push_back(window);
  }
  for (HWND window : ours) {
    const std::wstring cls = className(window);
    const bool visible = IsWindowVisible(window) != FALSE;
    if (cls == L"#32768" && visible) snap.menus.push_back(window);
    if (cls == L"#32770" && visible) snap.dialogs.push_back(window);
    if (snap.clock == nullptr && visible && isClockCandidate(window)) {
      snap.clock = window;
    }
  }
  std::string json = "{\"processes\":[";
  for (std::size_t i = 0; i < snap.processes.size(); ++i) {
    if (i > 0) json += ",";
    json += processJson(snap.processes[i]);
  }
  json += "],\"windows\":[";
  bool first = true;
  for (HWND window : ours) {
    if (!first) json += ",";
    first = false;
    json += windowJson(window);
  }
  json += "],\"clock\":";
  if (snap.clock != nullptr) {
    json += windowJson(snap.clock);
    const std::vector<HWND> children = childWindows(snap.clock);
    GUITHREADINFO gui{};
    gui.cbSize = sizeof gui;
    if (GetGUIThreadInfo(GetWindowThreadProcessId(snap.clock, nullptr), &gui)) {
      snap.guiFlags = gui.flags;
    }
    json +=
        ",\"gui\":{\"flags\":" + number(gui.flags) + ",\"moving\":" +
        ((gui.flags & GUI_INMOVESIZE) != 0 ? "true" : "false") +
        ",\"menu_mode\":" +
        ((gui.flags & (GUI_INMENUMODE | GUI_POPUPMENUMODE)) != 0 ? "true"
                                                                 : "false") +
        ",\"capture\":" + handleText(gui.hwndCapture) +
        ",\"focus\":" + handleText(gui.hwndFocus) +
        ",\"active\":" + handleText(gui.hwndActive) + "}";
    if (!children.empty()) {
      snap.hasLabel = true;
      snap.clockText = windowText(children.front());
      json += ",\"label\":" + childJson(children.front());
    } else {
      json += ",\"label\":null";
    }
  } else {
    json += "null,\"gui\":null,\"label\":null";
  }
  json += ",\"tooltips\":[";
  first = true;
  for (HWND window : ours) {
    if (className(window) != L"tooltips_class32") continue;
    if (!first) json += ",";
    first = false;
    RECT rect{};
    GetWindowRect(window, &rect);
    json += "{\"hwnd\":" + handleText(window) +
            ",\"visible\":" + (IsWindowVisible(window) ? "true" : "false") +
            ",\"text\":" + quoted(windowText(window)) +
            ",\"rect\":" + rectJson(rect) +
            ",\"tools\":" + tooltipToolsJson(window) + "}";
  }
  json += "],\"menus\":[";
  for (std::size_t i = 0; i < snap.menus.size(); ++i) {
    if (i > 0) json += ",";
    RECT rect{};
    GetWindowRect(snap.menus[i], &rect);
    json += "{\"hwnd\":" + handleText(snap.menus[i]) +
            ",\"rect\":" + rectJson(rect) + "}";
  }
  json += "],\"dialogs\":[";
  for (std::size_t i = 0; i < snap.dialogs.size(); ++i) {
    if (i > 0) json += ",";
    HWND dialog = snap.dialogs[i];
    HWND textControl = GetDlgItem(dialog, kMessageBoxTextId);
    HWND iconControl = GetDlgItem(dialog, kMessageBoxIconId);
    std::string buttons = "[";
    for (HWND child : childWindows(dialog)) {
      if (lower(className(child)) != L"button" || !IsWindowVisible(child)) {
        continue;
      }
      if (buttons.size() > 1) buttons += ",";
      buttons += "{\"id\":" + number(GetDlgCtrlID(child)) +
                 ",\"text\":" + quoted(windowText(child)) + "}";
    }
    buttons += "]";
    json += windowJson(dialog);
    json.pop_back();  // reopen the object to add the message box parts
    json += ",\"message\":" +
            (textControl != nullptr ? quoted(windowText(textControl))
                                    : std::string("null")) +
            ",\"has_icon\":" +
            (iconControl != nullptr && IsWindowVisible(iconControl) ? "true"
                                                                    : "false") +
            ",\"buttons\":" + buttons + "}";
  }
  json += "]";
  HWND foreground = GetForegroundWindow();
  json += ",\"foreground\":{\"hwnd\":" + handleText(foreground) +
          ",\"class\":" +
          quoted(foreground ? className(foreground) : std::wstring()) +
          ",\"pid\":" + number(foreground ? windowPid(foreground) : 0) + "}";
  POINT cursor{};
  GetCursorPos(&cursor);
  json += ",\"cursor\":{\"x\":" + number(cursor.x) +
          ",\"y\":" + number(cursor.y) + "}";
  HDC screen = GetDC(nullptr);
  json += ",\"screen\":{\"width\":" + number(GetSystemMetrics(SM_CXSCREEN)) +
          ",\"height\":" + number(GetSystemMetrics(SM_CYSCREEN)) +
          ",\"dpi\":" + number(GetDeviceCaps(screen, LOGPIXELSX)) + "}";
  ReleaseDC(nullptr, screen);
  json += "}";
  snap.json = json;
  return snap;
}

bool conditionHolds(const std::string& condition, const Snapshot& snap) {
  if (condition.empty()) return true;
  if (condition == "clock") return snap.clock != nullptr;
  if (condition == "no-clock") return snap.clock == nullptr;
  if (condition == "menu") return !snap.menus.empty();
  if (condition == "no-menu") return snap.menus.empty();
  if (condition == "dialog") return !snap.dialogs.empty();
  if (condition == "no-dialog") return snap.dialogs.empty();
  if (condition == "no-process") return snap.processes.empty();
  if (condition == "process") return !snap.processes.empty();
  if (condition == "moving") {
    return snap.clock != nullptr && (snap.guiFlags & GUI_INMOVESIZE) != 0;
  }
  if (condition == "not-moving") {
    return snap.clock != nullptr && (snap.guiFlags & GUI_INMOVESIZE) == 0;
  }
  const std::string textNot = "text-not:";
  if (condition.rfind(textNot, 0) == 0) {
    return snap.clock != nullptr && snap.hasLabel &&
           utf8(snap.clockText) != condition.substr(textNot.size());
  }
  return false;
}

bool knownCondition(const std::string& condition) {
  return condition.empty() || condition == "clock" || condition == "no-clock" ||
         condition == "menu" || condition == "no-menu" ||
         condition == "dialog" || condition == "no-dialog" ||
         condition == "no-process" || condition == "process" ||
         condition == "moving" || condition == "not-moving" ||
         condition.rfind("text-not:", 0) == 0;
}

int commandState(const std::wstring& exeName, const std::string& condition,
                 DWORD timeoutMs) {
  if (!condition.empty()) {
    // Tells a caller watching in the background that the looking has begun.
    std::printf("{\"watching\":%s}\n", quoted(condition).c_str());
    std::fflush(stdout);
  }
  const DWORD start = GetTickCount();
  for (;;) {
    Snapshot snap = takeSnapshot(exeName);
    const bool held = conditionHolds(condition, snap);
    if (held || GetTickCount() - start >= timeoutMs) {
      std::printf(
          "{\"condition\":%s,\"held\":%s,\"waited_ms\":%lu,\"state\":%s}\n",
          quoted(condition).c_str(), held ? "true" : "false",
          static_cast<unsigned long>(GetTickCount() - start),
          snap.json.c_str());
      return held ? 0 : kExitTimedOut;
    }
    Sleep(kPollMs);
  }
}

int commandClose(const std::wstring& exeName) {
  const Snapshot snap = takeSnapshot(exeName);
  if (snap.clock == nullptr) {
    std::printf("{\"posted\":false,\"reason\":\"no clock window\"}\n");
    return kExitFailed;
  }
  const BOOL posted = PostMessageW(snap.clock, WM_CLOSE, 0, 0);
  std::printf("{\"posted\":%s,\"hwnd\":%s}\n", posted ? "true" : "false",
              handleText(snap.clock).c_str());
  return posted ? 0 : kExitFailed;
}

int commandKill(const std::wstring& exeName, DWORD pid) {
  if (!isIn(processesNamed(exeName), pid)) {
    std::printf("{\"killed\":false,\"reason\":\"not a %s process\"}\n",
                utf8(exeName).c_str());
    return kExitFailed;
  }
  UniqueHandle process(
      OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid));
  const bool killed = process && TerminateProcess(process.get(), 1) &&
                      WaitForSingleObject(process.get(), 5000) == WAIT_OBJECT_0;
  std::printf("{\"killed\":%s}\n", killed ? "true" : "false");
  return killed ? 0 : kExitFailed;
}

// ------------------------------------------------------------------ registry

const char* typeName(DWORD type) {
  switch (type) {
    case REG_SZ:
      return "REG_SZ";
    case REG_EXPAND_SZ:
      return "REG_EXPAND_SZ";
    case REG_DWORD:
      return "REG_DWORD";
    case REG_BINARY:
      return "REG_BINARY";
    case REG_MULTI_SZ:
      return "REG_MULTI_SZ";
    case REG_QWORD:
      return "REG_QWORD";
    default:
      return "OTHER";
  }
}

int commandRegDump() {
  HKEY key = nullptr;
  const LONG opened =
      RegOpenKeyExW(HKEY_CURRENT_USER, kSettingsKey, 0, KEY_READ, &key);
  if (opened == ERROR_FILE_NOT_FOUND) {
    std::printf("{\"exists\":false,\"values\":{}}\n");
    return 0;
  }
  if (opened != ERROR_SUCCESS) {
    std::printf("{\"error\":%ld}\n", opened);
    return kExitFailed;
  }
  std::string json = "{\"exists\":true,\"values\":{";
  for (DWORD index = 0;; ++index) {
    wchar_t name[256];
    DWORD nameLength = 256;
    DWORD type = 0;
    DWORD size = 0;
    LONG status = RegEnumValueW(key, index, name, &nameLength, nullptr, &type,
                                nullptr, &size);
    if (status == ERROR_NO_MORE_ITEMS) break;
    if (status != ERROR_SUCCESS) continue;
    std::vector<BYTE> data(size + sizeof(wchar_t), 0);
    nameLength = 256;
    DWORD dataSize = size;
    status = RegEnumValueW(key, index, name, &nameLength, nullptr, &type,
                           data.data(), &dataSize);
    if (status != ERROR_SUCCESS) continue;
    std::string value;
    if (type == REG_SZ || type == REG_EXPAND_SZ) {
      std::wstring text(reinterpret_cast<const wchar_t*>(data.data()),
                        dataSize / sizeof(wchar_t));
      while (!text.empty() && text.back() == L'\0') text.pop_back();
      value = quoted(text);
    } else if (type == REG_DWORD && dataSize == sizeof(DWORD)) {
      DWORD v = 0;
      std::memcpy(&v, data.data(), sizeof v);
      value = number(v);
    } else {
      value = "null";
    }
    if (json.back() != '{') json += ",";
    json += quoted(std::wstring(name, nameLength)) + ":{\"type\":\"" +
            typeName(type) + "\",\"data\":" + value + "}";
  }
  RegCloseKey(key);
  std::printf("%s}}\n", json.c_str());
  return 0;
}

int commandRegClear() {
  const LONG status = RegDeleteTreeW(HKEY_CURRENT_USER, kSettingsKey);
  const bool ok = status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND;
  std::printf("{\"cleared\":%s,\"status\":%ld}\n", ok ? "true" : "false",
              status);
  return ok ? 0 : kExitFailed;
}

int commandRegSet(const std::vector<std::string>& args) {
  if (args.size() % 3 != 0) return kExitUsage;
  HKEY key = nullptr;
  LONG status = RegCreateKeyExW(HKEY_CURRENT_USER, kSettingsKey, 0, nullptr, 0,
                                KEY_WRITE, nullptr, &key, nullptr);
  if (status != ERROR_SUCCESS) {
    std::printf("{\"set\":false,\"status\":%ld}\n", status);
    return kExitFailed;
  }
  for (std::size_t i = 0; i < args.size(); i += 3) {
    const std::wstring name = wide(args[i]);
    const std::string& type = args[i + 1];
    const std::string& data = args[i + 2];
    if (type == "dword") {
      const DWORD value =
          static_cast<DWORD>(std::strtoul(data.c_str(), nullptr, 0));
      status =
          RegSetValueExW(key, name.c_str(), 0, REG_DWORD,
                         reinterpret_cast<const BYTE*>(&value), sizeof value);
    } else if (type == "sz" || type == "sz-repeat") {
      std::wstring text = wide(data);
      if (type == "sz-repeat") {
        const auto colon = data.find(':');
        const std::size_t count = std::strtoul(data.c_str(), nullptr, 10);
        const std::wstring unit =
            colon == std::string::npos ? L"" : wide(data.substr(colon + 1));
        text.clear();
        for (std::size_t n = 0; n < count; ++n) text += unit;
      }
      status = RegSetValueExW(
          key, name.c_str(), 0, REG_SZ,
          reinterpret_cast<const BYTE*>(text.c_str()),
          static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
    } else {
      RegCloseKey(key);
      return kExitUsage;
    }
    if (status != ERROR_SUCCESS) break;
  }
  RegCloseKey(key);
  std::printf("{\"set\":%s,\"status\":%ld}\n",
              status == ERROR_SUCCESS ? "true" : "false", status);
  return status == ERROR_SUCCESS ? 0 : kExitFailed;
}

int usage() {
  std::fprintf(stderr,
               "usage: quorvo_probe [--exe NAME] state [--wait COND] "
               "[--timeout MS] | close | kill WINPID | reg-dump | reg-clear | "
               "reg-set [NAME TYPE DATA]... | set-dpi N | idle SECONDS\n");
  return kExitUsage;
}

// Sees windows in physical pixels and their real DPI, whatever the clock's
// own DPI awareness is.
void becomeDpiAware() {
  using SetContextFn = BOOL(WINAPI*)(HANDLE);
  HMODULE user32 = GetModuleHandleW(L"user32.dll");
  if (user32 == nullptr) return;
  auto* proc = GetProcAddress(user32, "SetProcessDpiAwarenessContext");
  if (proc == nullptr) return;
  SetContextFn fn;
  static_assert(sizeof fn == sizeof proc);
  std::memcpy(&fn, &proc, sizeof fn);
  // DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2
  fn(reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(-4)));
}

// The system DPI that Wine hands to programs started from now on.
int commandSetDpi(DWORD dpi) {
  HKEY key = nullptr;
  LONG status = RegCreateKeyExW(HKEY_CURRENT_USER, L"Control Panel\\Desktop", 0,
                                nullptr, 0, KEY_WRITE, nullptr, &key, nullptr);
  if (status == ERROR_SUCCESS) {
    status = RegSetValueExW(key, L"LogPixels", 0, REG_DWORD,
                            reinterpret_cast<const BYTE*>(&dpi), sizeof dpi);
    RegCloseKey(key);
  }
  std::printf("{\"set\":%s,\"dpi\":%lu}\n",
              status == ERROR_SUCCESS ? "true" : "false",
              static_cast<unsigned long>(dpi));
  return status == ERROR_SUCCESS ? 0 : kExitFailed;
}

}  // namespace

int main(int argc, char** argv) {
  becomeDpiAware();
  std::vector<std::string> args(argv + 1, argv + argc);
  std::wstring exeName = L"Quorvo.exe";
  if (args.size() >= 2 && args[0] == "--exe") {
    exeName = wide(args[1]);
    args.erase(args.begin(), args.begin() + 2);
  }
  if (args.empty()) return usage();
  const std::string command = args[0];
  if (command == "state") {
    std::string condition;
    DWORD timeoutMs = 0;
    for (std::size_t i = 1; i + 1 < args.size(); i += 2) {
      if (args[i] == "--wait") {
        condition = args[i + 1];
      } else if (args[i] == "--timeout") {
        timeoutMs =
            static_cast<DWORD>(std::strtoul(args[i + 1].c_str(), nullptr, 10));
      } else {
        return usage();
      }
    }
    if (!knownCondition(condition)) return usage();
    return commandState(exeName, condition, timeoutMs);
  }
  if (command == "close") return commandClose(exeName);
  if (command == "kill" && args.size() == 2) {
    return commandKill(
        exeName, static_cast<DWORD>(std::strtoul(args[1].c_str(), nullptr, 0)));
  }
  if (command == "reg-dump") return commandRegDump();
  if (command == "reg-clear") return commandRegClear();
  if (command == "reg-set") {
    return commandRegSet(
        std::vector<std::string>(args.begin() + 1, args.end()));
  }
  if (command == "set-dpi" && args.size() == 2) {
    return commandSetDpi(
        static_cast<DWORD>(std::strtoul(args[1].c_str(), nullptr, 10)));
  }
  if (command == "idle" && args.size() == 2) {
    // Keeps one client of the wineserver alive so that each later Wine
    // program starts in a warm session; ends by itself in any case.
    const unsigned long seconds = std::strtoul(args[1].c_str(), nullptr, 10);
    std::printf("{\"idle\":%lu}\n", seconds);
    std::fflush(stdout);
    Sleep(static_cast<DWORD>(seconds * 1000));
    return 0;
  }
  return usage();
}
