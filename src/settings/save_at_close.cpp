// The save at close.
#include "settings/save_at_close.h"

#include "menu/frm_menu.h"
#include "settings/settings.h"

namespace quorvo::settings {

void saveAtClose(platform::SettingsStore& store,
                 const platform::Form& clockWindow, const menu::FrmMenu& menu) {
  // The user's place, not a detour the clock is on to stay reachable: a
  // clock whose monitor is missing at the close comes back to it.
  writeSetting(store, kLeftKey, singleText(clockWindow.userLeft()));
  writeSetting(store, kTopKey, singleText(clockWindow.userTop()));
  writeSetting(store, kJTimeKey, booleanText(menu.mnuJTime.checked()));
  writeSetting(store, kDateTimeKey, booleanText(menu.mnuDateTime.checked()));
  writeSetting(store, kSecondsKey, booleanText(menu.mnuSeconds.checked()));
  writeSetting(store, kJDateKey, booleanText(menu.mnuJDate.checked()));
  writeSetting(store, k24HourKey, booleanText(menu.mnu24Hour.checked()));
}

}  // namespace quorvo::settings
