// The command-line switches of a start and what each does to the display
// options.
#pragma once

#include <string_view>

#include "platform/services.h"

namespace quorvo::menu {
class FrmMenu;
}

namespace quorvo::clock {

enum class StartSwitch {
  kNone,  // no arguments: the stored display options apply
  kDate,
  kTime,
  kTimeSec,
  kTimeDate,
  kTimeDateSec,
  kNoAdjust,
  kUnknown,
};

// Compares the whole argument string, letter case significant, no trimming.
StartSwitch matchSwitch(std::string_view arguments);

// Sets the display options from the switch, or from the store when there is
// none; an unknown argument string changes nothing.
void applySwitch(StartSwitch startSwitch, menu::FrmMenu& menu,
                 platform::SettingsStore& store);

}  // namespace quorvo::clock
