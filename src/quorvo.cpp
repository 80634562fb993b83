// Default instances of the two forms and their unloading.
#include "quorvo.h"

#include <cassert>
#include <string>

#include "clock/frm_quorvo.h"
#include "menu/frm_menu.h"
#include "platform/handler_guard.h"

namespace quorvo {

namespace {

// A form reached through its default instance after it was unloaded. A
// fresh form would carry design-time check marks and a design-time place,
// which a later save would store over the user's: a programming error,
// stopped here loudly in a debug build and, in a release build, an error
// that ends the running handler before it can write anything.
[[noreturn]] void reachedAfterUnload(const char* form) {
  [[maybe_unused]] constexpr bool kReachable = false;
  assert(kReachable && "a form was reached after it was unloaded");
  throw platform::RuntimeError(std::string(form) +
                               " was reached after it was unloaded");
}

}  // namespace

Quorvo::Quorvo(platform::Runtime& runtime) : runtime_(runtime) {}

Quorvo::~Quorvo() = default;

void Quorvo::start() {
  clock::FrmQuorvo& window = frmQuorvo();
  platform::runHandler(runtime_.app(), runtime_.errors(),
                       platform::handlerName(platform::kFormEvents, "Load"),
                       [&window] { window.Form_Load(); });
}

clock::FrmQuorvo& Quorvo::frmQuorvo() {
  if (!frmQuorvo_) {
    if (!unloadedClockWindows_.empty()) reachedAfterUnload("frmQuorvo");
    frmQuorvo_ = std::make_unique<clock::FrmQuorvo>(*this);
  }
  return *frmQuorvo_;
}

menu::FrmMenu& Quorvo::frmMenu() {
  if (!frmMenu_) {
    if (!unloadedMenus_.empty()) reachedAfterUnload("frmMenu");
    frmMenu_ = std::make_unique<menu::FrmMenu>(*this);
  }
  return *frmMenu_;
}

void Quorvo::unloadFrmQuorvo() {
  if (!frmQuorvo_) return;
  // A save that fails (a store refusing writes) must not stop the close.
  clock::FrmQuorvo& window = *frmQuorvo_;
  platform::runHandler(
      runtime_.app(), runtime_.errors(),
      platform::handlerName(platform::kFormEvents, "QueryUnload"), [&window] {
        std::int16_t cancel = 0;
        window.Form_QueryUnload(cancel, platform::UnloadReason::kCode);
      });
  takeDownSavedClockWindow();
}

void Quorvo::takeDownSavedClockWindow() {
  // Saved: a clock started from now on is the next one, not a second, even
  // while this window is still being destroyed.
  runtime_.app().releaseInstance();
  if (!frmQuorvo_) return;
  frmQuorvo_->form().unload();
  unloadedClockWindows_.push_back(std::move(frmQuorvo_));
}

void Quorvo::unloadFrmMenu() {
  if (frmMenu_) unloadedMenus_.push_back(std::move(frmMenu_));
}

void Quorvo::clockWindowClosed() {
  // The clock window is the only way to reach the program: once the user or
  // the system closed it (and it saved), an instance left running would be
  // invisible and would stop the next start, so the program ends.
  takeDownSavedClockWindow();
  unloadFrmMenu();
  runtime_.app().end();
}

}  // namespace quorvo
