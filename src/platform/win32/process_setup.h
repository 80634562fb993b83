// Process-wide settings made once at start, before any window exists.
#pragma once

namespace quorvo::platform::win32 {

// DLLs load from the system directory only: an unqualified LoadLibrary (by
// the system or by a component) can then never pick up a planted DLL from
// the program's or the current directory.
void restrictDllSearchToSystem() noexcept;

// Everything a Quorvo process sets up first: the DLL search path and
// per-monitor DPI awareness.
void prepareProcess() noexcept;

}  // namespace quorvo::platform::win32
