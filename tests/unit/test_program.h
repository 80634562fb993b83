// Quorvo on an in-memory runtime of its own, as the unit tests and the tick
// benchmark start it.
#pragma once

#include <map>
#include <string>

#include "clock/frm_quorvo.h"
#include "memory_runtime.h"
#include "menu/frm_menu.h"
#include "quorvo.h"

namespace quorvo::testing {

// Stored settings by key, as MemorySettingsStore::values() gives them.
using Values = std::map<std::string, std::string>;

class TestProgram {
 public:
  // Puts `stored` into the store and starts the program with the argument
  // string.
  void start(const std::string& arguments = "", const Values& stored = {}) {
    for (const auto& [key, value] : stored) runtime.settings().put(key, value);
    runtime.app().arguments = arguments;
    program.start();
  }

  MemoryForm& window() { return runtime.form(); }
  MemoryLabel& label() { return runtime.form().label(); }
  menu::FrmMenu& menu() { return program.frmMenu(); }
  void tick() { runtime.form().tick(); }

  // Chooses the popup item with this caption (as shown) at the next popup.
  void chooseAtNextPopup(const std::string& shownCaption) {
    runtime.choosePopupItem = shownCaption;
  }
  // Opens the options menu with a right click and chooses the item.
  void choose(const std::string& shownCaption) {
    chooseAtNextPopup(shownCaption);
    window().pressMouse(platform::kRightButton);
  }

  MemoryRuntime runtime;
  Quorvo program{runtime};
};

}  // namespace quorvo::testing
