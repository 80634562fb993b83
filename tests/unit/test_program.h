// Quorvo on an in-memory runtime of its own, as the unit tests and the tick
// benchmark start it, and the check marks of its options menu as one value.
#pragma once

#include <map>
#include <ostream>
#include <string>

#include "clock/frm_quorvo.h"
#include "memory_runtime.h"
#include "menu/frm_menu.h"
#include "quorvo.h"

namespace quorvo::testing {

// Stored settings by key, as MemorySettingsStore::values() gives them.
using Values = std::map<std::string, std::string>;

// The options menu's marks and what it offers; by default the design-time
// offer, with every mark cleared.
struct MenuMarks {
  bool jTime = false, jDate = false, dateTime = false, seconds = false;
  bool secondsVisible = true;
  bool hours24 = false;
  bool adjust = true;  // Adjust Date/Time offered: visible, enabled, its line

  bool operator==(const MenuMarks&) const = default;
  friend std::ostream& operator<<(std::ostream& out, const MenuMarks& m) {
    return out << "{jTime " << m.jTime << ", jDate " << m.jDate << ", dateTime "
               << m.dateTime << ", seconds " << m.seconds << ", visible "
               << m.secondsVisible << ", 24h " << m.hours24 << ", adjust "
               << m.adjust << "}";
  }
};

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

  MenuMarks marks() {
    const menu::FrmMenu& m = menu();
    return {m.mnuJTime.checked(),
            m.mnuJDate.checked(),
            m.mnuDateTime.checked(),
            m.mnuSeconds.checked(),
            m.mnuSeconds.visible(),
            m.mnu24Hour.checked(),
            m.mnuSet.visible() && m.mnuSet.enabled() && m.mnuSplit1.visible()};
  }
  void setMarks(const MenuMarks& marks) {
    menu::FrmMenu& m = menu();
    m.mnuJTime.setChecked(marks.jTime);
    m.mnuJDate.setChecked(marks.jDate);
    m.mnuDateTime.setChecked(marks.dateTime);
    m.mnuSeconds.setChecked(marks.seconds);
    m.mnuSeconds.setVisible(marks.secondsVisible);
    m.mnu24Hour.setChecked(marks.hours24);
    m.mnuSet.setVisible(marks.adjust);
    m.mnuSet.setEnabled(marks.adjust);
    m.mnuSplit1.setVisible(marks.adjust);
  }

  // Opens the options menu with a right click and chooses the item.
  void choose(const std::string& shownCaption) {
    runtime.choosePopupItem = shownCaption;
    window().pressMouse(platform::kRightButton);
  }

  MemoryRuntime runtime;
  Quorvo program{runtime};
};

}  // namespace quorvo::testing
