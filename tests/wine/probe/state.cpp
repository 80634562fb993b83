// The state command of quorvo_probe: what a person would see of the clock
// (its windows, the clock text, its tooltip, an open menu or message box),
// waited for until a condition holds; and closing or ending the clock.
#include <windows.h>
// windows.h first: the headers below rely on its types.
#include <commctrl.h>
#include <psapi.h>
#include <shellscalingapi.h>

#include <cstdio>
#include <string>
#include <vector>

#include "commands.h"
#include "probe_common.h"

namespace probe {

namespace {

constexpr DWORD kPollMs = 20;
// MessageBox's text control and icon control.
constexpr int kMessageBoxTextId = 0xFFFF;
constexpr int kMessageBoxIconId = 0x0440;

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

// The DPI awareness of the window, which says whether it lays itself out
// for its monitor's DPI or for the system's. (Wine keeps no version with a
// window's awareness: there a per-monitor window reads "per-monitor" even
// when its process obtained version 2.)
const char* awarenessName(HWND window) {
  const DPI_AWARENESS_CONTEXT context = GetWindowDpiAwarenessContext(window);
  if (AreDpiAwarenessContextsEqual(
          context, DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2)) {
    return "per-monitor-v2";
  }
  switch (GetAwarenessFromDpiAwarenessContext(context)) {
    case DPI_AWARENESS_PER_MONITOR_AWARE:
      return "per-monitor";
    case DPI_AWARENESS_SYSTEM_AWARE:
      return "system";
    case DPI_AWARENESS_UNAWARE:
      return "unaware";
    default:
      return "invalid";
  }
}

UINT monitorDpi(HMONITOR monitor) {
  UINT x = 0;
  UINT y = 0;
  return SUCCEEDED(GetDpiForMonitor(monitor, MDT_EFFECTIVE_DPI, &x, &y)) ? x
                                                                         : 0;
}

BOOL CALLBACK addMonitorJson(HMONITOR monitor, HDC, LPRECT, LPARAM list) {
  MONITORINFO info{};
  info.cbSize = sizeof info;
  if (!GetMonitorInfoW(monitor, &info)) return TRUE;
  std::string& json = *reinterpret_cast<std::string*>(list);
  if (json.size() > 1) json += ",";
  json += "{\"rect\":" + rectJson(info.rcMonitor) +
          ",\"work\":" + rectJson(info.rcWork) +
          ",\"dpi\":" + number(monitorDpi(monitor)) + ",\"primary\":" +
          ((info.dwFlags & MONITORINFOF_PRIMARY) != 0 ? "true" : "false") + "}";
  return TRUE;
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
         ",\"dpi\":" + number(GetDpiForWindow(window)) + ",\"monitor_dpi\":" +
         number(
             monitorDpi(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST))) +
         ",\"awareness\":" + quoted(std::string(awarenessName(window))) +
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
  snap.processes = processesNamed({exeName});
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
  json += ",\"screen\":{\"width\":" + number(GetSystemMetrics(SM_CXSCREEN)) +
          ",\"height\":" + number(GetSystemMetrics(SM_CYSCREEN)) +
          ",\"system_dpi\":" + number(GetDpiForSystem());
  std::string monitors = "[";
  (void)EnumDisplayMonitors(nullptr, nullptr, addMonitorJson,
                            reinterpret_cast<LPARAM>(&monitors));
  json += ",\"monitors\":" + monitors + "]}";
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

}  // namespace

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
  // A short-lived process (a settings program that finds nothing to show)
  // can come and go between two full looks; the process list alone is read
  // in a moment, so it is watched on its own.
  bool seen = false;
  while (condition == "process" && !seen &&
         GetTickCount() - start < timeoutMs) {
    seen = !processesNamed({exeName}).empty();
    if (!seen) Sleep(1);
  }
  for (;;) {
    Snapshot snap = takeSnapshot(exeName);
    const bool held = seen || conditionHolds(condition, snap);
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

HWND findClock(const std::wstring& exeName) {
  return takeSnapshot(exeName).clock;
}

int commandKill(const std::wstring& exeName, DWORD pid) {
  if (!isIn(processesNamed({exeName}), pid)) {
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

int commandTexts(const std::vector<std::wstring>& exeNames) {
  // One look at all of them, so clocks that show seconds are compared at
  // the same moment.
  std::string json = "{\"texts\":{";
  for (std::size_t i = 0; i < exeNames.size(); ++i) {
    const Snapshot snap = takeSnapshot(exeNames[i]);
    if (i > 0) json += ",";
    json += quoted(exeNames[i]) + ":" +
            (snap.hasLabel ? quoted(snap.clockText) : std::string("null"));
  }
  std::printf("%s}}\n", json.c_str());
  return 0;
}

}  // namespace probe
