// The program: the runtime it runs on and the default instances of its two
// forms, each created on its first reference and kept until it is unloaded.
#pragma once

#include <memory>
#include <vector>

#include "platform/runtime.h"

namespace quorvo {

namespace clock {
class FrmQuorvo;
}
namespace menu {
class FrmMenu;
}

class Quorvo {
 public:
  explicit Quorvo(platform::Runtime& runtime);
  ~Quorvo();
  Quorvo(const Quorvo&) = delete;
  Quorvo& operator=(const Quorvo&) = delete;

  // Loads the start-up form, the clock window, which raises its Form_Load.
  void start();

  platform::Runtime& runtime() { return runtime_; }

  // Default instances: the first reference creates the form, hidden and in
  // its design-time state. A form is not made again after it was unloaded:
  // reaching it then is a programming error (see quorvo.cpp).
  clock::FrmQuorvo& frmQuorvo();
  menu::FrmMenu& frmMenu();
  bool frmQuorvoLoaded() const { return frmQuorvo_ != nullptr; }
  bool frmMenuLoaded() const { return frmMenu_ != nullptr; }

  // Unloading the clock window raises its query-unload first (the close is
  // never cancelled), then destroys its window.
  void unloadFrmQuorvo();
  void unloadFrmMenu();

  // Called by the clock window when it was closed by the user or the system
  // rather than by the program.
  void clockWindowClosed();

 private:
  // Gives up the single-instance mark and unloads the clock window, once it
  // has saved its settings.
  void takeDownSavedClockWindow();

  platform::Runtime& runtime_;
  std::unique_ptr<menu::FrmMenu> frmMenu_;
  std::unique_ptr<clock::FrmQuorvo> frmQuorvo_;
  // Unloaded forms live on until the program object goes, because the
  // handler that unloaded them may still be running on them.
  std::vector<std::unique_ptr<clock::FrmQuorvo>> unloadedClockWindows_;
  std::vector<std::unique_ptr<menu::FrmMenu>> unloadedMenus_;
};

}  // namespace quorvo
