// A started Quorvo on the in-memory runtime, for the unit tests.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "clock/frm_quorvo.h"
#include "memory_runtime.h"
#include "menu/frm_menu.h"
#include "quorvo.h"

namespace quorvo::testing {

class ProgramTest : public ::testing::Test {
 protected:
  // Starts the program with the given argument string.
  void start(const std::string& arguments = "") {
    runtime.app().arguments = arguments;
    program.start();
  }

  MemoryForm& window() { return runtime.form(); }
  MemoryLabel& label() { return runtime.form().label(); }
  menu::FrmMenu& menu() { return program.frmMenu(); }
  void tick() { runtime.form().tick(); }

  // Chooses the popup item with this caption (as shown) at the next popup.
  void chooseAtNextPopup(const std::string& shownCaption) {
    runtime.choosePopupItem = [shownCaption](const PopupShown&) {
      return shownCaption;
    };
  }

  MemoryRuntime runtime;
  Quorvo program{runtime};
};

}  // namespace quorvo::testing
