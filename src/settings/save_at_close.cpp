// The save at close.
#include "settings/save_at_close.h"

#include "menu/frm_menu.h"
#include "settings/settings.h"

namespace quorvo::settings {

void saveAtClose(platform::SettingsStore& store,
                 const platform::Form& clockWindow, const menu::FrmMenu& menu) {
  writeSetting(store, kLeftKey, singleText(clockWindow.left()));
  writeSetting(store, kTopKey, singleText(clockWindow.top()));
  writeSetting(store, kJTimeKey, booleanText(menu.mnuJTime.checked()));
  writeSetting(store, kDateTimeKey, booleanText(menu.mnuDateTime.checked()));
  writeSetting(store, kSecondsKey, booleanText(menu.mnuSeconds.checked()));
  writeSetting(store, kJDateKey, booleanText(menu.mnuJDate.checked()));
  writeSetting(store, k24HourKey, booleanText(menu.mnu24Hour.checked()));
}

}  // namespace quorvo::settings
