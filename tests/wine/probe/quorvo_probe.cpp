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

#include <cstdio>
#include <string>
#include <vector>

#include "commands.h"
#include "probe_common.h"

namespace {

using namespace probe;

// Keeps one client of the wineserver alive so that each later Wine program
// starts in a warm session; ends by itself in any case.
int commandIdle(const Call& call) {
  std::printf("{\"idle\":%lu}\n", call.dword(0));
  std::fflush(stdout);
  Sleep(call.dword(0) * 1000);
  return 0;
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
    {"state", "[--wait COND] [--timeout MS]", 0, 4, commandState,
     "the clock's state, once COND holds (else exit 3 after MS): clock |\n"
     "      no-clock | menu | no-menu | dialog | no-dialog | process |\n"
     "      no-process | moving | not-moving | text-not:TEXT"},
    {"close", "", 0, 0, commandClose, "post WM_CLOSE to the clock window"},
    {"kill", "WINPID", 1, 1, commandKill,
     "end a process of the clock's program (never any other)"},
    {"reg-dump", "", 0, 0, commandRegDump,
     "Quorvo's stored values with their types"},
    {"reg-clear", "", 0, 0, commandRegClear, "delete Quorvo's settings key"},
    {"reg-set", "[NAME TYPE DATA]...", 0, kAny, commandRegSet,
     "store values; TYPE: sz | dword | sz-repeat (DATA is COUNT:TEXT)"},
    {"idle", "SECONDS", 1, 1, commandIdle,
     "keep the Wine session warm, then exit"},
    {"usage", "EXE...", 1, kAny, commandUsage,
     "GDI objects, windows and private memory of those programs' processes"},
    {"texts", "EXE...", 1, kAny, commandTexts,
     "the clock text of each program, read at one moment"},
    {"move", "X Y", 2, 2, commandMove,
     "move the clock window, as another program might"},
    {"display-change", "", 0, 0, commandDisplayChange,
     "send the clock WM_DISPLAYCHANGE"},
    {"modes", "", 0, 0, commandModes, "the screen's current and offered modes"},
    {"set-mode", "W H", 2, 2, commandSetMode, "change the screen's resolution"},
    {"accessible-name", "", 0, 0, commandAccessibleName,
     "the clock window's accessible name, as a screen reader gets it\n"
     "      through MSAA and through UI Automation"},
    {"hold-focus", "MS", 1, 1, commandHoldFocus,
     "a window that has the keyboard until another window takes it or MS\n"
     "      pass; says when it holds it, then who took it"},
    {"message-font", "[H]", 0, 1, commandMessageFont,
     "the message font's height (lfHeight), set to H first, as a settings\n"
     "      page sets it"},
    {"menu-alive", "WINPID HMENU...", 2, kAny, commandMenuAlive,
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
    exeName = toUtf16(args[1]);
    args.erase(args.begin(), args.begin() + 2);
  }
  if (args.empty()) return usage();
  // Now and then a new Wine process comes up without its window system
  // (seen under Wine 8 on a loaded machine): every user32 call answers with
  // an error status, so no window, menu or clock is found, and "no-menu"
  // would hold falsely. Such a process has done nothing yet; it says so and
  // the caller runs it again.
  if (GetSystemMetrics(SM_CXSCREEN) <= 0 ||
      GetSystemMetrics(SM_CYSCREEN) <= 0) {
    std::puts("{\"no_screen\":true}");
    return kExitNoScreen;
  }
  return run(exeName, args);
}
