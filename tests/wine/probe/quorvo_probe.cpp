// quorvo_probe: a small Windows console program the end-to-end tests and the
// benchmarks run beside Quorvo.exe under Wine. It reads back what a person
// would see of the clock (its windows, the clock text, its tooltip, a menu or
// message box that is open), reads and seeds Quorvo's settings in the
// registry, asks the clock to close, and counts what a process holds.
// Everything it prints is one JSON object on stdout.
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
//   quorvo_probe idle SECONDS     keep the Wine session warm, then exit
//   quorvo_probe usage EXE...     GDI objects, windows and private memory of
//                                 the processes of those programs
//   quorvo_probe texts EXE...     the clock text of each program, read at
//                                 one moment
//   quorvo_probe move X Y         move the clock window, as another program
//   quorvo_probe display-change   send the clock WM_DISPLAYCHANGE
//   quorvo_probe modes            the screen's current and offered modes
//   quorvo_probe set-mode W H     change the screen's resolution
//   quorvo_probe accessible-name  the clock window's accessible name, as
//                                 another program (a screen reader) gets it
//                                 through MSAA and through UI Automation
//   quorvo_probe hold-focus MS    a window that has the keyboard until
//                                 another window takes it or MS pass; says
//                                 when it holds it, then who took it
//   quorvo_probe message-font [H] the message font's height (lfHeight),
//                                 set to H first, as a settings page does
//   quorvo_probe menus            the menu handles of the clock's open popups
//   quorvo_probe menu-alive WINPID HMENU...
//                                 whether each handle is still a menu there
//
// --exe NAME (before the command) names the clock's program file; it is
// Quorvo.exe by default.
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

int usage() {
  std::fprintf(stderr,
               "usage: quorvo_probe [--exe NAME] state [--wait COND] "
               "[--timeout MS] | close | kill WINPID | reg-dump | reg-clear | "
               "reg-set [NAME TYPE DATA]... | idle SECONDS | "
               "usage EXE... | texts EXE... | menus | "
               "menu-alive WINPID HMENU... | move X Y | display-change | "
               "modes | set-mode W H | message-font [H] | accessible-name | "
               "hold-focus MS\n");
  return kExitUsage;
}

unsigned long long numberArgument(const std::string& text) {
  return std::strtoull(text.c_str(), nullptr, 0);
}

// Sees windows in physical pixels and their real DPI, whatever the clock's
// own DPI awareness is.
void becomeDpiAware() {
  (void)SetProcessDpiAwarenessContext(
      DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2);
}

int commandIdle(unsigned long seconds) {
  // Keeps one client of the wineserver alive so that each later Wine
  // program starts in a warm session; ends by itself in any case.
  std::printf("{\"idle\":%lu}\n", seconds);
  std::fflush(stdout);
  Sleep(static_cast<DWORD>(seconds * 1000));
  return 0;
}

int run(const std::wstring& exeName, const std::vector<std::string>& args) {
  const std::string& command = args[0];
  const std::vector<std::string> rest(args.begin() + 1, args.end());
  if (command == "state") {
    std::string condition;
    DWORD timeoutMs = 0;
    for (std::size_t i = 0; i + 1 < rest.size(); i += 2) {
      if (rest[i] == "--wait") {
        condition = rest[i + 1];
      } else if (rest[i] == "--timeout") {
        timeoutMs = static_cast<DWORD>(numberArgument(rest[i + 1]));
      } else {
        return usage();
      }
    }
    if (rest.size() % 2 != 0 || !knownCondition(condition)) return usage();
    return commandState(exeName, condition, timeoutMs);
  }
  if (command == "close" && rest.empty()) return commandClose(exeName);
  if (command == "kill" && rest.size() == 1) {
    return commandKill(exeName, static_cast<DWORD>(numberArgument(rest[0])));
  }
  if (command == "reg-dump" && rest.empty()) return commandRegDump();
  if (command == "reg-clear" && rest.empty()) return commandRegClear();
  if (command == "reg-set") return commandRegSet(rest);
  if (command == "idle" && rest.size() == 1) {
    return commandIdle(static_cast<unsigned long>(numberArgument(rest[0])));
  }
  if ((command == "usage" || command == "texts") && !rest.empty()) {
    std::vector<std::wstring> names;
    for (const auto& name : rest) names.push_back(wide(name));
    return command == "usage" ? commandUsage(names) : commandTexts(names);
  }
  if (command == "menus" && rest.empty()) return commandMenus(exeName);
  if (command == "move" && rest.size() == 2) {
    return commandMove(
        exeName, static_cast<int>(std::strtol(rest[0].c_str(), nullptr, 10)),
        static_cast<int>(std::strtol(rest[1].c_str(), nullptr, 10)));
  }
  if (command == "display-change" && rest.empty()) {
    return commandDisplayChange(exeName);
  }
  if (command == "modes" && rest.empty()) return commandModes();
  if (command == "set-mode" && rest.size() == 2) {
    return commandSetMode(static_cast<DWORD>(numberArgument(rest[0])),
                          static_cast<DWORD>(numberArgument(rest[1])));
  }
  if (command == "accessible-name" && rest.empty()) {
    return commandAccessibleName(exeName);
  }
  if (command == "hold-focus" && rest.size() == 1) {
    return commandHoldFocus(static_cast<DWORD>(numberArgument(rest[0])));
  }
  if (command == "message-font" && rest.size() <= 1) {
    return commandMessageFont(
        !rest.empty(), rest.empty() ? 0
                                    : static_cast<LONG>(std::strtol(
                                          rest[0].c_str(), nullptr, 10)));
  }
  if (command == "menu-alive" && rest.size() >= 2) {
    std::vector<std::uint64_t> menus;
    for (std::size_t i = 1; i < rest.size(); ++i) {
      menus.push_back(numberArgument(rest[i]));
    }
    return commandMenuAlive(static_cast<DWORD>(numberArgument(rest[0])), menus);
  }
  return usage();
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
  return run(exeName, args);
}
