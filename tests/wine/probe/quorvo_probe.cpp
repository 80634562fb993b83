// quorvo_probe: a small Windows console program the end-to-end tests and the
// benchmarks run beside Quorvo.exe under Wine. It reads back what a person
// would see of the clock (its windows, the clock text, its tooltip, a menu or
// message box that is open), reads and seeds Quorvo's settings in the
// registry, asks the clock to close, and counts what a process holds.
// Everything it prints is one JSON object on stdout.
//
//   quorvo_probe [--exe NAME] COMMAND [ARGUMENTS...]
//
// The commands are the table kCommands below; run without one, the probe
// lists them. --exe names the clock's program file (Quorvo.exe by default).
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "commands.h"
#include "probe_common.h"

namespace {

using namespace probe;

// One command line: the clock's program file and the command's arguments.
struct Call {
  const std::wstring& exe;
  const std::vector<std::string>& args;
};

DWORD dword(const std::string& text) {
  return static_cast<DWORD>(std::strtoul(text.c_str(), nullptr, 0));
}

int integer(const std::string& text) {
  return static_cast<int>(std::strtol(text.c_str(), nullptr, 10));
}

std::vector<std::wstring> wideAll(const std::vector<std::string>& args) {
  std::vector<std::wstring> names;
  for (const auto& arg : args) names.push_back(wide(arg));
  return names;
}

int commandIdle(DWORD seconds) {
  // Keeps one client of the wineserver alive so that each later Wine
  // program starts in a warm session; ends by itself in any case.
  std::printf("{\"idle\":%lu}\n", seconds);
  std::fflush(stdout);
  Sleep(seconds * 1000);
  return 0;
}

int stateCommand(const Call& c) {
  std::string condition;
  DWORD timeoutMs = 0;
  for (std::size_t i = 0; i + 1 < c.args.size(); i += 2) {
    if (c.args[i] == "--wait") {
      condition = c.args[i + 1];
    } else if (c.args[i] == "--timeout") {
      timeoutMs = dword(c.args[i + 1]);
    } else {
      return kExitUsage;
    }
  }
  if (c.args.size() % 2 != 0 || !knownCondition(condition)) return kExitUsage;
  return commandState(c.exe, condition, timeoutMs);
}

int menuAliveCommand(const Call& c) {
  std::vector<std::uint64_t> menus;
  for (std::size_t i = 1; i < c.args.size(); ++i) {
    menus.push_back(std::strtoull(c.args[i].c_str(), nullptr, 0));
  }
  return commandMenuAlive(dword(c.args[0]), menus);
}

constexpr std::size_t kAny = 1000;

// Every command: its name, its arguments as the usage shows them, how many
// it takes at least and at most, what runs it, and what it does.
struct Command {
  const char* name;
  const char* arguments;
  std::size_t least;
  std::size_t most;
  int (*run)(const Call&);
  const char* help;
};

const Command kCommands[] = {
    {"state", "[--wait COND] [--timeout MS]", 0, 4, stateCommand,
     "the clock's state, once COND holds (else exit 3 after MS): clock |\n"
     "      no-clock | menu | no-menu | dialog | no-dialog | process |\n"
     "      no-process | moving | not-moving | text-not:TEXT"},
    {"close", "", 0, 0, [](const Call& c) { return commandClose(c.exe); },
     "post WM_CLOSE to the clock window"},
    {"kill", "WINPID", 1, 1,
     [](const Call& c) { return commandKill(c.exe, dword(c.args[0])); },
     "end a process of the clock's program (never any other)"},
    {"reg-dump", "", 0, 0, [](const Call&) { return commandRegDump(); },
     "Quorvo's stored values with their types"},
    {"reg-clear", "", 0, 0, [](const Call&) { return commandRegClear(); },
     "delete Quorvo's settings key"},
    {"reg-set", "[NAME TYPE DATA]...", 0, kAny,
     [](const Call& c) { return commandRegSet(c.args); },
     "store values; TYPE: sz | dword | sz-repeat (DATA is COUNT:TEXT)"},
    {"idle", "SECONDS", 1, 1,
     [](const Call& c) { return commandIdle(dword(c.args[0])); },
     "keep the Wine session warm, then exit"},
    {"usage", "EXE...", 1, kAny,
     [](const Call& c) { return commandUsage(wideAll(c.args)); },
     "GDI objects, windows and private memory of those programs' processes"},
    {"texts", "EXE...", 1, kAny,
     [](const Call& c) { return commandTexts(wideAll(c.args)); },
     "the clock text of each program, read at one moment"},
    {"move", "X Y", 2, 2,
     [](const Call& c) {
       return commandMove(c.exe, integer(c.args[0]), integer(c.args[1]));
     },
     "move the clock window, as another program might"},
    {"display-change", "", 0, 0,
     [](const Call& c) { return commandDisplayChange(c.exe); },
     "send the clock WM_DISPLAYCHANGE"},
    {"modes", "", 0, 0, [](const Call&) { return commandModes(); },
     "the screen's current and offered modes"},
    {"set-mode", "W H", 2, 2,
     [](const Call& c) {
       return commandSetMode(dword(c.args[0]), dword(c.args[1]));
     },
     "change the screen's resolution"},
    {"accessible-name", "", 0, 0,
     [](const Call& c) { return commandAccessibleName(c.exe); },
     "the clock window's accessible name, as a screen reader gets it\n"
     "      through MSAA and through UI Automation"},
    {"hold-focus", "MS", 1, 1,
     [](const Call& c) { return commandHoldFocus(dword(c.args[0])); },
     "a window that has the keyboard until another window takes it or MS\n"
     "      pass; says when it holds it, then who took it"},
    {"message-font", "[H]", 0, 1,
     [](const Call& c) {
       return commandMessageFont(!c.args.empty(),
                                 c.args.empty() ? 0 : integer(c.args[0]));
     },
     "the message font's height (lfHeight), set to H first, as a settings\n"
     "      page sets it"},
    {"menus", "", 0, 0, [](const Call& c) { return commandMenus(c.exe); },
     "the menu handles of the clock's open popup menus"},
    {"menu-alive", "WINPID HMENU...", 2, kAny, menuAliveCommand,
     "whether each menu handle is still a menu in that process"},
};

int usage() {
  std::fprintf(stderr, "usage: quorvo_probe [--exe NAME] COMMAND...\n");
  for (const Command& command : kCommands) {
    std::fprintf(stderr, "  %s %s\n      %s\n", command.name, command.arguments,
                 command.help);
  }
  return kExitUsage;
}

int run(const std::wstring& exe, const std::vector<std::string>& args) {
  const std::vector<std::string> rest(args.begin() + 1, args.end());
  for (const Command& command : kCommands) {
    if (args[0] == command.name && rest.size() >= command.least &&
        rest.size() <= command.most) {
      const int code = command.run(Call{exe, rest});
      return code == kExitUsage ? usage() : code;
    }
  }
  return usage();
}

}  // namespace

int main(int argc, char** argv) {
  // Sees windows in physical pixels and their real DPI, whatever the
  // clock's own DPI awareness is.
  (void)SetProcessDpiAwarenessContext(
      DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2);
  std::vector<std::string> args(argv + 1, argv + argc);
  std::wstring exeName = L"Quorvo.exe";
  if (args.size() >= 2 && args[0] == "--exe") {
    exeName = wide(args[1]);
    args.erase(args.begin(), args.begin() + 2);
  }
  if (args.empty()) return usage();
  return run(exeName, args);
}
