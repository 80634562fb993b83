// Quorvo.exe: starts the program on the Win32 runtime and runs the message
// loop until the program ends.
#include <windows.h>

#include <cstdlib>
#include <exception>

#include "platform/win32/errors.h"
#include "platform/win32/process_setup.h"
#include "platform/win32/runtime.h"
#include "quorvo.h"

#if defined(__GLIBCXX__)
// libstdc++'s default terminate handler writes the uncaught exception's
// demangled type to the standard error a windowed program has not, and
// brings the whole demangler (a sixth of the program) with it. No exception
// leaves wWinMain; should the worst happen, this one ends the program the
// same way, without the words.
namespace __gnu_cxx {
void __verbose_terminate_handler() { std::abort(); }
}  // namespace __gnu_cxx
#endif

namespace {

// Exit codes: 0 a normal end, 1 a start that could not show the clock.
constexpr int kStartFailed = 1;

int runQuorvo(HINSTANCE instance) {
  using namespace quorvo::platform::win32;
  Win32Runtime runtime(instance);
  quorvo::Quorvo program(runtime);
  program.start();
  if (runtime.app().ended()) return 0;  // a second instance, for one
  if (!runtime.anyFormVisible()) {
    // Form_Load failed before the clock was shown. An invisible instance
    // would hold the single-instance mark, so every later start would end
    // at once and the clock could not be had back: end instead.
    runtime.app().end();
    return kStartFailed;
  }
  // The clock runs: Windows may bring it back after an update's restart,
  // started the way it was started this time.
  registerForRestart(runtime.app().command());
  return runMessageLoop();
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE /*previous*/,
                    PWSTR /*commandLine*/, int /*show*/) {
  quorvo::platform::win32::prepareProcess();
  try {
    return runQuorvo(instance);
  } catch (const std::exception& e) {
    try {
      quorvo::platform::win32::DebugOutputReporter().report("start", e.what());
    } catch (...) {
    }
  } catch (...) {
  }
  return kStartFailed;
}
