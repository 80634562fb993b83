// The options form frmMenu. It is never shown: it owns the menu mnuConfig that
// the clock window opens as a popup, and the check marks of its items are the
// program's only copy of the display options.
#pragma once

#include "platform/menu_item.h"

namespace quorvo {
class Quorvo;
}

namespace quorvo::menu {

class FrmMenu {
 public:
  explicit FrmMenu(Quorvo& program);
  FrmMenu(const FrmMenu&) = delete;
  FrmMenu& operator=(const FrmMenu&) = delete;

  // Items in popup order; the design-time states are set in the constructor.
  platform::MenuItem mnuConfig;
  platform::MenuItem mnuJDate;
  platform::MenuItem mnuJTime;
  platform::MenuItem mnuDateTime;
  platform::MenuItem mnuSeconds;
  platform::MenuItem mnuSplit1;
  platform::MenuItem mnuSet;
  platform::MenuItem mnu24Hour;
  platform::MenuItem mnuSplit;
  platform::MenuItem mnuAbout;
  platform::MenuItem mnuExit;

  void mnuJDate_Click();
  void mnuJTime_Click();
  void mnuDateTime_Click();
  void mnuSeconds_Click();
  void mnu24Hour_Click();
  void mnuAbout_Click();
  void mnuSet_Click();
  void mnuExit_Click();

 private:
  // Checks `chosen`, clears the other two mode items in menu order, and
  // offers the Seconds item or not. Does nothing when `chosen` is checked.
  void chooseMode(platform::MenuItem& chosen, bool secondsOffered);

  Quorvo& program_;
};

}  // namespace quorvo::menu
