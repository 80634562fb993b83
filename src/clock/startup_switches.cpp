// Matching the argument string and applying the switch it names.
#include "clock/startup_switches.h"

#include <array>
#include <utility>

#include "menu/frm_menu.h"
#include "settings/settings.h"

namespace quorvo::clock {

StartSwitch matchSwitch(std::string_view arguments) {
  static constexpr std::array<std::pair<std::string_view, StartSwitch>, 7>
      kSwitches{{{"", StartSwitch::kNone},
                 {"-date", StartSwitch::kDate},
                 {"-time", StartSwitch::kTime},
                 {"-timesec", StartSwitch::kTimeSec},
                 {"-timedate", StartSwitch::kTimeDate},
                 {"-timedatesec", StartSwitch::kTimeDateSec},
                 {"-noadjust", StartSwitch::kNoAdjust}}};
  for (const auto& [text, value] : kSwitches) {
    if (arguments == text) return value;
  }
  return StartSwitch::kUnknown;
}

void applySwitch(StartSwitch startSwitch, menu::FrmMenu& menu,
                 platform::SettingsStore& store) {
  using namespace settings;
  switch (startSwitch) {
    case StartSwitch::kNone:
      menu.mnuJTime.setChecked(readFlag(store, kJTimeKey, kDefaultJTime));
      menu.mnuDateTime.setChecked(
          readFlag(store, kDateTimeKey, kDefaultDateTime));
      menu.mnuSeconds.setChecked(readFlag(store, kSecondsKey, kDefaultSeconds));
      menu.mnuJDate.setChecked(readFlag(store, kJDateKey, kDefaultJDate));
      break;
    case StartSwitch::kDate:
      menu.mnuJDate.setChecked(true);
      menu.mnuJTime.setChecked(false);
      menu.mnuSeconds.setVisible(false);
      break;
    case StartSwitch::kTime:
    case StartSwitch::kTimeSec:
      menu.mnuJTime.setChecked(true);
      menu.mnuSeconds.setChecked(startSwitch == StartSwitch::kTimeSec);
      menu.mnuJDate.setChecked(false);
      break;
    case StartSwitch::kTimeDate:
    case StartSwitch::kTimeDateSec:
      menu.mnuDateTime.setChecked(true);
      menu.mnuSeconds.setChecked(startSwitch == StartSwitch::kTimeDateSec);
      menu.mnuJDate.setChecked(false);
      menu.mnuJTime.setChecked(false);
      break;
    case StartSwitch::kNoAdjust:
      menu.mnuSet.setEnabled(false);
      menu.mnuSet.setVisible(false);
      menu.mnuSplit1.setVisible(false);
      break;
    case StartSwitch::kUnknown:
      break;
  }
}

}  // namespace quorvo::clock
