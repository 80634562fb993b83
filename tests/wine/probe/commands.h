// The commands of quorvo_probe, each printing one JSON object on stdout and
// returning the program's exit code.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace probe {

// The clock's state, waited for until `condition` holds (state.cpp).
bool knownCondition(const std::string& condition);
int commandState(const std::wstring& exeName, const std::string& condition,
                 DWORD timeoutMs);
int commandClose(const std::wstring& exeName);
int commandKill(const std::wstring& exeName, DWORD pid);
// The clock window of the program, or null.
HWND findClock(const std::wstring& exeName);
// The clock text of each program's clock window, read together.
int commandTexts(const std::vector<std::wstring>& exeNames);

// Quorvo's stored settings (registry.cpp).
int commandRegDump();
int commandRegClear();
int commandRegSet(const std::vector<std::string>& args);

// Screens and the clock's place on them; the message font (display.cpp).
int commandMove(const std::wstring& exeName, int x, int y);
int commandDisplayChange(const std::wstring& exeName);
int commandModes();
int commandSetMode(DWORD width, DWORD height);
int commandMessageFont(bool set, LONG height);

// The accessible name of the clock window, for MSAA and UI Automation
// clients (accessibility.cpp).
int commandAccessibleName(const std::wstring& exeName);

// A window of this process that holds the keyboard until another takes it
// or `timeoutMs` passes (focus.cpp).
int commandHoldFocus(DWORD timeoutMs);

// What a process holds, and whether menus are still alive (meter.cpp).
int commandUsage(const std::vector<std::wstring>& names);
int commandMenus(const std::wstring& exe);
int commandMenuAlive(DWORD pid, const std::vector<std::uint64_t>& menus);

}  // namespace probe
