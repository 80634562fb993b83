// The options menu: its items with their design-time states and the click
// handlers that change the display options or run a command.
#include "menu/frm_menu.h"

#include "menu/about.h"
#include "menu/mod_quorvo.h"
#include "quorvo.h"

namespace quorvo::menu {

using platform::MenuItem;

FrmMenu::FrmMenu(Quorvo& program)
    : mnuConfig({.caption = "Config", .name = "mnuConfig"}),
      mnuJDate({.caption = "Just &Date", .name = "mnuJDate"},
               [this] { mnuJDate_Click(); }),
      mnuJTime({.caption = "Just &Time", .checked = true, .name = "mnuJTime"},
               [this] { mnuJTime_Click(); }),
      mnuDateTime({.caption = "Dat&e && Time", .name = "mnuDateTime"},
                  [this] { mnuDateTime_Click(); }),
      mnuSeconds({.caption = "&Seconds", .checked = true, .name = "mnuSeconds"},
                 [this] { mnuSeconds_Click(); }),
      mnuSplit1({.caption = "-", .name = "mnuSplit1"}),
      mnuSet({.caption = "&Adjust Date/Time", .name = "mnuSet"},
             [this] { mnuSet_Click(); }),
      mnu24Hour({.caption = "24 hour time", .name = "mnu24Hour"},
                [this] { mnu24Hour_Click(); }),
      mnuSplit({.caption = "-", .name = "mnuSplit"}),
      mnuAbout({.caption = "About", .name = "mnuAbout"},
               [this] { mnuAbout_Click(); }),
      mnuExit({.caption = "E&xit", .name = "mnuExit"},
              [this] { mnuExit_Click(); }),
      program_(program) {
  for (MenuItem* item :
       {&mnuJDate, &mnuJTime, &mnuDateTime, &mnuSeconds, &mnuSplit1, &mnuSet,
        &mnu24Hour, &mnuSplit, &mnuAbout, &mnuExit}) {
    mnuConfig.addItem(*item);
  }
}

void FrmMenu::chooseMode(MenuItem& chosen, bool secondsOffered) {
  if (chosen.checked()) return;
  for (MenuItem* item : {&mnuJDate, &mnuJTime, &mnuDateTime}) {
    if (item != &chosen) item->setChecked(false);
  }
  chosen.setChecked(true);
  mnuSeconds.setVisible(secondsOffered);
}

void FrmMenu::mnuJDate_Click() { chooseMode(mnuJDate, false); }
void FrmMenu::mnuJTime_Click() { chooseMode(mnuJTime, true); }
void FrmMenu::mnuDateTime_Click() { chooseMode(mnuDateTime, true); }

void FrmMenu::mnuSeconds_Click() {
  mnuSeconds.setChecked(!mnuSeconds.checked());
}

void FrmMenu::mnu24Hour_Click() { mnu24Hour.setChecked(!mnu24Hour.checked()); }

void FrmMenu::mnuAbout_Click() {
  (void)program_.runtime().app().msgBox(aboutText(), kAboutStyle, kAboutTitle);
}

void FrmMenu::mnuSet_Click() {
  RunProgram(program_.runtime().processes(), kDateTimeCommand);
}

void FrmMenu::mnuExit_Click() {
  // The clock window saves the marks while this form still holds them.
  program_.unloadFrmQuorvo();
  program_.unloadFrmMenu();
  program_.runtime().app().end();
}

}  // namespace quorvo::menu
