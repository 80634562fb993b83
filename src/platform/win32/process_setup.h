// Process-wide settings: those made once at start, before any window exists,
// and the restart the system is asked for once the program runs.
#pragma once

#include <string_view>

namespace quorvo::platform::win32 {

// DLLs load from the system directory only: an unqualified LoadLibrary (by
// the system or by a component) can then never pick up a planted DLL from
// the program's or the current directory.
void restrictDllSearchToSystem() noexcept;

// Everything a Quorvo process sets up first: the DLL search path and
// per-monitor DPI awareness.
void prepareProcess() noexcept;

// Asks Windows to start the program again, with these arguments (UTF-8),
// after a restart for an update ("restart apps" on); not after a crash or a
// hang, which the user ended or should see. Where it cannot be had,
// nothing.
void registerForRestart(std::string_view arguments) noexcept;

}  // namespace quorvo::platform::win32
