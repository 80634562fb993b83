// The commands of quorvo_probe, each printing one JSON object on stdout and
// returning the program's exit code (kExitUsage for arguments it cannot
// use). The table in quorvo_probe.cpp says what each takes.
#pragma once

#include <windows.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace probe {

// One command line: the clock's program file and the command's arguments.
struct Call {
  const std::wstring& exe;
  const std::vector<std::string>& args;

  DWORD dword(std::size_t i) const {
    return static_cast<DWORD>(std::strtoul(args[i].c_str(), nullptr, 0));
  }
  int integer(std::size_t i) const {
    return static_cast<int>(std::strtol(args[i].c_str(), nullptr, 10));
  }
};

// The clock's state, once a condition holds; closing or ending the clock;
// the clock texts of several programs read at one moment (state.cpp).
int commandState(const Call& call);
int commandClose(const Call& call);
int commandKill(const Call& call);
int commandTexts(const Call& call);
// The clock window of the program, or null.
HWND findClock(const std::wstring& exeName);

// Quorvo's stored settings (registry.cpp).
int commandRegDump(const Call& call);
int commandRegClear(const Call& call);
int commandRegSet(const Call& call);

// Screens and the clock's place on them; the message font (display.cpp).
int commandMove(const Call& call);
int commandDisplayChange(const Call& call);
int commandModes(const Call& call);
int commandSetMode(const Call& call);
int commandMessageFont(const Call& call);

// The accessible name of the clock window, for MSAA and UI Automation
// clients (accessibility.cpp).
int commandAccessibleName(const Call& call);

// A window of this process that holds the keyboard until another takes it
// or MS pass (focus.cpp).
int commandHoldFocus(const Call& call);

// What processes hold, and whether menus are still alive (meter.cpp);
// the state lists the open menus' handles.
int commandUsage(const Call& call);
int commandMenuAlive(const Call& call);

}  // namespace probe
