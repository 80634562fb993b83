// Module-level routines of the options menu.
#pragma once

#include <string>

#include "platform/services.h"

namespace quorvo::menu {

// The command that opens the system's date and time settings.
inline constexpr const char* kDateTimeCommand =
    "rundll32.exe shell32.dll,Control_RunDLL timedate.cpl";
// Show-window value: shown and activated at its current size and position.
inline constexpr int kShowNormalActivated = 5;

// Starts a command line as a separate program without waiting for it. Any
// failure is ignored: there is nothing useful to tell the user.
void RunProgram(platform::ProcessStarter& processes,
                const std::string& commandLine) noexcept;

}  // namespace quorvo::menu
