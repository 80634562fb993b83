// A started Quorvo on the in-memory runtime, for the unit tests, and the
// check marks of its options menu as one value.
#pragma once

#include <gtest/gtest.h>

#include <ostream>

#include "test_program.h"

namespace quorvo::testing {

// The options menu's marks and what it offers; by default the design-time
// offer, with every mark cleared.
struct MenuMarks {
  bool jTime = false, jDate = false, dateTime = false, seconds = false;
  bool secondsVisible = true;
  bool hours24 = false;
  bool adjust = true;  // Adjust Date/Time offered: visible, enabled, its line

  static MenuMarks of(const menu::FrmMenu& m) {
    return {m.mnuJTime.checked(),
            m.mnuJDate.checked(),
            m.mnuDateTime.checked(),
            m.mnuSeconds.checked(),
            m.mnuSeconds.visible(),
            m.mnu24Hour.checked(),
            m.mnuSet.visible() && m.mnuSet.enabled() && m.mnuSplit1.visible()};
  }
  void applyTo(menu::FrmMenu& m) const {
    m.mnuJTime.setChecked(jTime);
    m.mnuJDate.setChecked(jDate);
    m.mnuDateTime.setChecked(dateTime);
    m.mnuSeconds.setChecked(seconds);
    m.mnuSeconds.setVisible(secondsVisible);
    m.mnu24Hour.setChecked(hours24);
    m.mnuSet.setVisible(adjust);
    m.mnuSet.setEnabled(adjust);
    m.mnuSplit1.setVisible(adjust);
  }
  bool operator==(const MenuMarks&) const = default;
  friend std::ostream& operator<<(std::ostream& out, const MenuMarks& m) {
    return out << "{jTime " << m.jTime << ", jDate " << m.jDate << ", dateTime "
               << m.dateTime << ", seconds " << m.seconds << ", visible "
               << m.secondsVisible << ", 24h " << m.hours24 << ", adjust "
               << m.adjust << "}";
  }
};

class ProgramTest : public ::testing::Test, public TestProgram {
 protected:
  MenuMarks marks() { return MenuMarks::of(menu()); }
  void setMarks(const MenuMarks& marks) { marks.applyTo(menu()); }
};

}  // namespace quorvo::testing
