// The state command of quorvo_probe: what a person would see of the clock
// (its windows, the clock text, its tooltip, an open menu or message box),
// waited for until a condition holds; and closing or ending the clock.
#include <windows.h>
// windows.h first: the headers below rely on its types.
#include <commctrl.h>
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
#ifndef MN_GETHMENU
constexpr UINT MN_GETHMENU = 0x01E1;
#endif

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

BOOL CALLBACK addMonitor(HMONITOR monitor, HDC, LPRECT, LPARAM list) {
  reinterpret_cast<std::vector<HMONITOR>*>(list)->push_back(monitor);
  return TRUE;
}

std::string monitorJson(HMONITOR monitor) {
  MONITORINFO info{};
  info.cbSize = sizeof info;
  (void)GetMonitorInfoW(monitor, &info);
  return "{\"rect\":" + rectJson(info.rcMonitor) +
         ",\"work\":" + rectJson(info.rcWork) + "}";
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
    // A callback, resource or missing text leaves the pointer elsewhere.
    std::string textJson = "null";
    if (info.lpszText == remoteText) {
      ReadProcessMemory(process.get(), remoteText, text.data(),
                        (kTextChars - 1) * sizeof(wchar_t), &read);
      textJson = quoted(std::wstring(text.data()));
    }
    if (out.size() > 1) out += ",";
    out += "{\"text\":" + textJson + "}";
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

  bool moving() const { return (guiFlags & GUI_INMOVESIZE) != 0; }
};

std::string processJson(const ProcessInfo& info) {
  return "{\"pid\":" + number(info.pid) + ",\"exe\":" + quoted(info.exe) + "}";
}

// What a window and a control both show.
std::string childJson(HWND child) {
  return "{\"hwnd\":" + handleText(child) +
         ",\"class\":" + quoted(className(child)) +
         ",\"id\":" + number(GetDlgCtrlID(child)) +
         ",\"text\":" + quoted(windowText(child)) + ",\"style\":" +
         number(GetWindowLongW(child, GWL_STYLE) & 0xFFFFFFFFLL) +
         ",\"visible\":" + flag(IsWindowVisible(child) != FALSE) +
         ",\"rect\":" + rectJson(child) + "}";
}

std::string windowJson(HWND window) {
  RECT client{};
  GetClientRect(window, &client);
  // To screen coordinates, as Microsoft documents for a RECT's two points.
  MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&client), 2);
  return withMembers(
      childJson(window),
      ",\"pid\":" + number(windowPid(window)) + ",\"exstyle\":" +
          number(GetWindowLongW(window, GWL_EXSTYLE) & 0xFFFFFFFFLL) +
          ",\"enabled\":" + flag(IsWindowEnabled(window) != FALSE) +
          ",\"dpi\":" + number(GetDpiForWindow(window)) + ",\"monitor_dpi\":" +
          number(
              monitorDpi(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST))) +
          ",\"awareness\":" + quoted(std::string(awarenessName(window))) +
          ",\"client\":" + rectJson(client) +
          ",\"children\":" + jsonArray(childWindows(window), childJson));
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

std::string tooltipJson(HWND window) {
  return withMembers(childJson(window),
                     ",\"tools\":" + tooltipToolsJson(window));
}

// A popup menu window and the menu it shows, whose handle another process
// can ask about later.
std::string menuJson(HWND window) {
  DWORD_PTR menu = 0;
  if (!SendMessageTimeoutW(window, MN_GETHMENU, 0, 0, SMTO_ABORTIFHUNG,
                           kMessageTimeoutMs, &menu)) {
    menu = 0;
  }
  return "{\"hwnd\":" + handleText(window) +
         ",\"pid\":" + number(windowPid(window)) +
         ",\"rect\":" + rectJson(window) +
         ",\"hmenu\":" + number(static_cast<long long>(menu)) + "}";
}

// A dialog box with the parts of a message box: its text, whether it shows
// an icon, and its visible buttons.
std::string dialogJson(HWND dialog) {
  std::vector<HWND> buttons;
  for (HWND child : childWindows(dialog)) {
    if (lower(className(child)) == L"button" && IsWindowVisible(child)) {
      buttons.push_back(child);
    }
  }
  const HWND textControl = GetDlgItem(dialog, kMessageBoxTextId);
  const HWND iconControl = GetDlgItem(dialog, kMessageBoxIconId);
  return withMembers(
      windowJson(dialog),
      ",\"message\":" +
          (textControl != nullptr ? quoted(windowText(textControl))
                                  : std::string("null")) +
          ",\"has_icon\":" +
          flag(iconControl != nullptr && IsWindowVisible(iconControl)) +
          ",\"buttons\":" + jsonArray(buttons, [](HWND button) {
            return "{\"id\":" + number(GetDlgCtrlID(button)) +
                   ",\"text\":" + quoted(windowText(button)) + "}";
          }));
}

Snapshot takeSnapshot(const std::wstring& exeName) {
  Snapshot snap;
  snap.processes = processesNamed({exeName});
  std::vector<HWND> ours;
  std::vector<HWND> tooltips;
  for (HWND window : topLevelWindows()) {
    if (isIn(snap.processes, windowPid(window))) ours.push_back(window);
  }
  for (HWND window : ours) {
    const std::wstring cls = className(window);
    const bool visible = IsWindowVisible(window) != FALSE;
    if (cls == L"#32768" && visible) snap.menus.push_back(window);
    if (cls == L"#32770" && visible) snap.dialogs.push_back(window);
    if (cls == L"tooltips_class32") tooltips.push_back(window);
    if (snap.clock == nullptr && visible && isClockCandidate(window)) {
      snap.clock = window;
    }
  }
  std::string clock = "null,\"label\":null";
  if (snap.clock != nullptr) {
    GUITHREADINFO gui{};
    gui.cbSize = sizeof gui;
    if (GetGUIThreadInfo(GetWindowThreadProcessId(snap.clock, nullptr), &gui)) {
      snap.guiFlags = gui.flags;
    }
    const std::vector<HWND> children = childWindows(snap.clock);
    snap.hasLabel = !children.empty();
    if (snap.hasLabel) snap.clockText = windowText(children.front());
    clock = windowJson(snap.clock) + ",\"label\":" +
            (snap.hasLabel ? childJson(children.front()) : "null");
  }
  POINT cursor{};
  GetCursorPos(&cursor);
  std::vector<HMONITOR> monitors;
  (void)EnumDisplayMonitors(nullptr, nullptr, addMonitor,
                            reinterpret_cast<LPARAM>(&monitors));
  snap.json =
      "{\"processes\":" + jsonArray(snap.processes, processJson) +
      ",\"windows\":" + jsonArray(ours, windowJson) + ",\"clock\":" + clock +
      ",\"tooltips\":" + jsonArray(tooltips, tooltipJson) +
      ",\"menus\":" + jsonArray(snap.menus, menuJson) +
      ",\"dialogs\":" + jsonArray(snap.dialogs, dialogJson) +
      ",\"foreground\":{\"hwnd\":" + handleText(GetForegroundWindow()) +
      "},\"cursor\":{\"x\":" + number(cursor.x) + ",\"y\":" + number(cursor.y) +
      "},\"screen\":{\"width\":" + number(GetSystemMetrics(SM_CXSCREEN)) +
      ",\"height\":" + number(GetSystemMetrics(SM_CYSCREEN)) +
      ",\"system_dpi\":" + number(GetDpiForSystem()) +
      ",\"monitors\":" + jsonArray(monitors, monitorJson) + "}}";
  return snap;
}

// The conditions a state can be waited for, besides text-not:TEXT.
struct Condition {
  const char* name;
  bool (*holds)(const Snapshot& snap);
};
const Condition kConditions[] = {
    {"", [](const Snapshot&) { return true; }},
    {"clock", [](const Snapshot& s) { return s.clock != nullptr; }},
    {"no-clock", [](const Snapshot& s) { return s.clock == nullptr; }},
    {"menu", [](const Snapshot& s) { return !s.menus.empty(); }},
    {"no-menu", [](const Snapshot& s) { return s.menus.empty(); }},
    {"dialog", [](const Snapshot& s) { return !s.dialogs.empty(); }},
    {"no-dialog", [](const Snapshot& s) { return s.dialogs.empty(); }},
    {"process", [](const Snapshot& s) { return !s.processes.empty(); }},
    {"no-process", [](const Snapshot& s) { return s.processes.empty(); }},
    {"moving", [](const Snapshot& s) { return s.clock && s.moving(); }},
    {"not-moving", [](const Snapshot& s) { return s.clock && !s.moving(); }},
};
constexpr std::string_view kTextNot = "text-not:";

// The condition named, or null for text-not:TEXT and for an unknown name.
const Condition* conditionNamed(const std::string& name) {
  for (const Condition& condition : kConditions) {
    if (name == condition.name) return &condition;
  }
  return nullptr;
}

bool conditionHolds(const std::string& condition, const Snapshot& snap) {
  if (const Condition* known = conditionNamed(condition)) {
    return known->holds(snap);
  }
  return snap.hasLabel &&
         toUtf8(snap.clockText) != condition.substr(kTextNot.size());
}

}  // namespace

// state [--wait COND] [--timeout MS]
int commandState(const Call& call) {
  std::string condition;
  DWORD timeoutMs = 0;
  for (std::size_t i = 0; i + 1 < call.args.size(); i += 2) {
    if (call.args[i] == "--wait") {
      condition = call.args[i + 1];
    } else if (call.args[i] == "--timeout") {
      timeoutMs = call.dword(i + 1);
    } else {
      return kExitUsage;
    }
  }
  if (call.args.size() % 2 != 0 || (conditionNamed(condition) == nullptr &&
                                    condition.rfind(kTextNot, 0) != 0)) {
    return kExitUsage;
  }
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
    seen = !processesNamed({call.exe}).empty();
    if (!seen) Sleep(1);
  }
  for (;;) {
    Snapshot snap = takeSnapshot(call.exe);
    const bool held = seen || conditionHolds(condition, snap);
    if (held || GetTickCount() - start >= timeoutMs) {
      std::printf("{\"held\":%s,\"state\":%s}\n", flag(held),
                  snap.json.c_str());
      return held ? 0 : kExitTimedOut;
    }
    Sleep(kPollMs);
  }
}

int commandClose(const Call& call) {
  const Snapshot snap = takeSnapshot(call.exe);
  if (snap.clock == nullptr) {
    std::printf("{\"posted\":false,\"reason\":\"no clock window\"}\n");
    return kExitFailed;
  }
  const BOOL posted = PostMessageW(snap.clock, WM_CLOSE, 0, 0);
  std::printf("{\"posted\":%s,\"hwnd\":%s}\n", flag(posted != FALSE),
              handleText(snap.clock).c_str());
  return posted ? 0 : kExitFailed;
}

HWND findClock(const std::wstring& exeName) {
  return takeSnapshot(exeName).clock;
}

int commandKill(const Call& call) {
  const DWORD pid = call.dword(0);
  if (!isIn(processesNamed({call.exe}), pid)) {
    std::printf("{\"killed\":false,\"reason\":\"not a %s process\"}\n",
                toUtf8(call.exe).c_str());
    return kExitFailed;
  }
  UniqueHandle process(
      OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid));
  const bool killed = process && TerminateProcess(process.get(), 1) &&
                      WaitForSingleObject(process.get(), 5000) == WAIT_OBJECT_0;
  std::printf("{\"killed\":%s}\n", flag(killed));
  return killed ? 0 : kExitFailed;
}

int commandTexts(const Call& call) {
  // One look at all of them, so clocks that show seconds are compared at
  // the same moment.
  const std::string json = jsonObject(call.args, [](const std::string& exe) {
    const Snapshot snap = takeSnapshot(toUtf16(exe));
    return quoted(exe) + ":" +
           (snap.hasLabel ? quoted(snap.clockText) : std::string("null"));
  });
  std::printf("{\"texts\":%s}\n", json.c_str());
  return 0;
}

}  // namespace probe
