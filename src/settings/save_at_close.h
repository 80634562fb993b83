// Writing the window's place and the display options when the clock window
// closes.
#pragma once

#include "platform/forms.h"
#include "platform/services.h"

namespace quorvo::menu {
class FrmMenu;
}

namespace quorvo::settings {

// Writes all seven keys, each value fetched just before it is written; the
// position is the window's user place. A refused write throws; the keys
// written before it keep their new texts.
void saveAtClose(platform::SettingsStore& store,
                 const platform::Form& clockWindow, const menu::FrmMenu& menu);

}  // namespace quorvo::settings
