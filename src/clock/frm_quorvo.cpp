// The clock window's start-up, tick, mouse handling and close.
#include "clock/frm_quorvo.h"

#include "clock/clock_text.h"
#include "clock/startup_switches.h"
#include "clock/window_calls.h"
#include "menu/frm_menu.h"
#include "quorvo.h"
#include "settings/save_at_close.h"
#include "settings/settings.h"

namespace quorvo::clock {

FrmQuorvo::FrmQuorvo(Quorvo& program)
    : program_(program),
      form_(program.runtime().createForm(
          {.caption = "", .accessibleName = "Quorvo"}, *this)),
      lblTime(form_->addLabel({.caption = "Time",
                               .left = kLabelInset,
                               .top = kLabelInset,
                               .name = "lblTime"},
                              *this)),
      tmrGetTime(form_->addTimer({.intervalMs = kTickIntervalMs,
                                  .enabled = true,
                                  .name = "tmrGetTime"},
                                 [this] { tmrGetTime_Timer(); })) {}

void FrmQuorvo::Form_Load() {
  platform::Runtime& runtime = program_.runtime();
  if (runtime.app().prevInstance()) {
    runtime.app().end();
    return;
  }
  form_->setWidth(lblTime.width() + kLoadWidthMargin);
  form_->setHeight(lblTime.height() + kHeightMargin);
  placeAtStoredPosition();
  menu::FrmMenu& menu = program_.frmMenu();
  menu.mnu24Hour.setChecked(settings::readFlag(
      runtime.settings(), settings::k24HourKey, settings::kDefault24Hour));
  applySwitch(matchSwitch(runtime.app().command()), menu, runtime.settings());
  tmrGetTime.setEnabled(true);
  std::int16_t onTop = -1;
  FormOnTop(runtime.windows(), *form_, onTop);
  form_->show();
  form_->refresh();
}

void FrmQuorvo::placeAtStoredPosition() {
  platform::SettingsStore& store = program_.runtime().settings();
  // Read in order, Left then Top, and the window moved once, to both.
  const float left =
      settings::readPosition(store, settings::kLeftKey, settings::kDefaultLeft);
  const float top =
      settings::readPosition(store, settings::kTopKey, settings::kDefaultTop);
  form_->move(left, top);
  // A position on no monitor at all (one removed, a resolution lowered)
  // would leave a clock nobody can see or reach: start at the default place.
  // One that shows too little of the clock text comes whole onto the
  // screen; a window that shows most of it stays where it was left. Both
  // are detours: the stored place stays the user's, and the clock goes back
  // to it when its monitor is there again.
  if (!form_->isOnAnyScreen()) {
    form_->moveAside(settings::kDefaultLeft, settings::kDefaultTop);
  }
  form_->keepTextOnScreen();
}

void FrmQuorvo::tmrGetTime_Timer() {
  platform::DateTimeService& dateTime = program_.runtime().dateTime();
  const menu::FrmMenu& menu = program_.frmMenu();
  const platform::LocalDateTime now = dateTime.now();
  if (menu.mnuJTime.checked()) {
    lblTime.setToolTipText(longDateText(dateTime, now));
    strClockText = timeText(dateTime, now, menu.mnuSeconds.checked(),
                            menu.mnu24Hour.checked());
  } else if (menu.mnuJDate.checked()) {
    lblTime.setToolTipText(
        shortTimeText(dateTime, now, menu.mnu24Hour.checked()));
    strClockText = longDateText(dateTime, now);
  } else if (menu.mnuDateTime.checked()) {
    lblTime.setToolTipText(std::string_view{});  // no tooltip
    strClockText = timeText(dateTime, now, menu.mnuSeconds.checked(),
                            menu.mnu24Hour.checked());
    strClockText += "  ";
    strClockText += longDateText(dateTime, now);
  }
  lblTime.setCaption(strClockText);
  form_->setWidth(lblTime.width() + kTickWidthMargin);
}

void FrmQuorvo::handleMouseDown(std::int16_t button) {
  if (button == platform::kLeftButton) {
    FormDrag(program_.runtime().windows(), form_->hWnd());
  } else if (button == platform::kRightButton) {
    openOptionsMenu();
  }
}

void FrmQuorvo::openOptionsMenu(platform::PopupPlace place) {
  form_->popupMenu(program_.frmMenu().mnuConfig,
                   platform::kPopupMenuRightButton, place);
}

void FrmQuorvo::Form_MouseDown(std::int16_t button, std::int16_t /*shift*/,
                               float /*x*/, float /*y*/) {
  handleMouseDown(button);
}

void FrmQuorvo::lblTime_MouseDown(std::int16_t button, std::int16_t /*shift*/,
                                  float /*x*/, float /*y*/) {
  handleMouseDown(button);
}

void FrmQuorvo::Form_DblClick() { openOptionsMenu(); }

void FrmQuorvo::lblTime_DblClick() { openOptionsMenu(); }

void FrmQuorvo::Form_ContextMenu(bool fromKeyboard) {
  // From the keyboard there is no pointer to open at: the menu hangs below
  // the clock, where the eye already is.
  openOptionsMenu(fromKeyboard ? platform::PopupPlace::kBelowWindow
                               : platform::PopupPlace::kAtPointer);
}

void FrmQuorvo::Form_QueryUnload(std::int16_t& /*cancel*/,
                                 platform::UnloadReason /*reason*/) {
  settings::saveAtClose(program_.runtime().settings(), *form_,
                        program_.frmMenu());
}

void FrmQuorvo::Form_Closed(platform::UnloadReason /*reason*/) {
  program_.clockWindowClosed();
}

void FrmQuorvo::Form_FontChanged() {
  // Larger text needs a higher window; start-up's rule holds again. The
  // width follows at the next tick, as always.
  form_->setHeight(lblTime.height() + kHeightMargin);
}

}  // namespace quorvo::clock
