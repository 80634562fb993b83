// Closing the clock, whichever way: both forms go for good and the store
// keeps what the user chose, also when a switch chose the display or the
// store refuses to write.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "test_program.h"

namespace quorvo::testing {
namespace {

using Texts = std::vector<std::string>;

using Close = std::function<void(TestProgram&)>;

void exitByMenu(TestProgram& p) { p.choose("Exit"); }

Close closeFor(platform::UnloadReason reason) {
  return [reason](TestProgram& p) { p.window().close(reason); };
}

// Every close saves the seven values once and ends the program. Nothing that
// still arrives makes a form again, and a form reached through its default
// instance fails loudly instead of coming back with design-time marks that
// a later save would store over the user's.
TEST(CloseTest, EveryCloseSavesEndsAndNoFormComesBack) {
  const std::vector<std::pair<const char*, Close>> ways = {
      {"Exit", exitByMenu},
      {"close message", closeFor(platform::UnloadReason::kControlMenu)},
      {"session end", closeFor(platform::UnloadReason::kSessionEnding)},
      {"task manager", closeFor(platform::UnloadReason::kTaskManager)},
  };
  for (const auto& [name, close] : ways) {
    SCOPED_TRACE(name);
    TestProgram p;
    p.start();
    MemoryForm& clock = p.window();
    MemoryTimer& timer = clock.timer();
    // Every choice differs from its design-time state.
    p.choose("Date & Time");
    p.choose("24 hour time");
    clock.setLeft(1200);
    clock.setTop(-30);
    close(p);
    const Texts saved = {"Left=1200",     "Top=-30",       "JTime=False",
                         "DateTime=True", "Seconds=False", "JDate=False",
                         "24 Hour=True"};
    EXPECT_EQ(callsTo(p.runtime.journal, "save "), saved);
    EXPECT_TRUE(p.runtime.app().ended()) << "no invisible instance stays";
    EXPECT_FALSE(clock.loaded);
    EXPECT_FALSE(timer.fire());
    // The mark of a running clock goes as soon as the settings are saved,
    // before the window is taken down, so a clock started right after it
    // is not taken for a second instance.
    const Journal& j = p.runtime.journal;
    const auto released = std::find(j.begin(), j.end(), "release instance");
    ASSERT_NE(released, j.end());
    EXPECT_EQ(*(released - 1), "save 24 Hour=True");
    EXPECT_LT(released - j.begin(),
              std::find(j.begin(), j.end(), "end") - j.begin());
    EXPECT_FALSE(p.program.frmQuorvoLoaded());
    EXPECT_FALSE(p.program.frmMenuLoaded());
    const std::size_t created =
        callsTo(p.runtime.journal, "create form").size();
    const Values users = p.runtime.settings().values();

    // What may still arrive from the system after the end.
    clock.tick();
    clock.pressMouse(platform::kRightButton);
    clock.doubleClickLabel();
    clock.close(platform::UnloadReason::kSessionEnding);
    // A reference to a form that is gone.
    EXPECT_DEBUG_DEATH(
        EXPECT_THROW((void)p.program.frmMenu(), platform::RuntimeError),
        "unloaded");
    EXPECT_DEBUG_DEATH(
        EXPECT_THROW((void)p.program.frmQuorvo(), platform::RuntimeError),
        "unloaded");

    EXPECT_EQ(callsTo(p.runtime.journal, "create form").size(), created);
    EXPECT_FALSE(p.program.frmQuorvoLoaded());
    EXPECT_FALSE(p.program.frmMenuLoaded());
    EXPECT_EQ(callsTo(p.runtime.journal, "save "), saved);
    EXPECT_EQ(p.runtime.settings().values(), users);
  }
}

// A switch's display is saved as the user's choice; a switch that sets no
// display, or an unknown one, saves the design-time marks, not the store's.
TEST(CloseTest, WhatASwitchChoseIsSaved) {
  const Texts designTime = {"Left=600",       "Top=-15",      "JTime=True",
                            "DateTime=False", "Seconds=True", "JDate=False",
                            "24 Hour=True"};
  const std::vector<std::pair<std::string, Texts>> rows = {
      {"-date",
       {"Left=600", "Top=-15", "JTime=False", "DateTime=False", "Seconds=True",
        "JDate=True", "24 Hour=True"}},
      {"-noadjust", designTime},
      {"-bogus", designTime},
  };
  for (const auto& [arguments, saved] : rows) {
    SCOPED_TRACE(arguments);
    TestProgram p;
    p.start(arguments,
            {{"JTime", "False"}, {"JDate", "True"}, {"24 Hour", "True"}});
    p.window().setLeft(600);
    p.window().close(platform::UnloadReason::kControlMenu);
    EXPECT_EQ(callsTo(p.runtime.journal, "save "), saved);
  }
}

// A store that refuses to write is reported, and the close goes on.
TEST(CloseTest, RefusedWritesDoNotStopTheClose) {
  struct Row {
    const char* name;
    Close close;
    int refuseWritesFrom;
    Values kept;
  };
  const std::vector<Row> rows = {
      {"close message, writes refused from the third",
       closeFor(platform::UnloadReason::kControlMenu),
       2,
       {{"Left", "5430"}, {"Top", "-15"}}},
      {"Exit, every write refused", exitByMenu, 0, {{"Left", "old"}}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    TestProgram p;
    p.start("", {{"Left", "old"}});
    p.runtime.settings().refuseWritesFrom = row.refuseWritesFrom;
    MemoryForm& clock = p.window();
    row.close(p);
    EXPECT_EQ(p.runtime.settings().values(), row.kept);
    ASSERT_EQ(p.runtime.app().errors.size(), 1u);
    EXPECT_EQ(p.runtime.app().errors[0], "Form_QueryUnload");
    EXPECT_TRUE(p.runtime.app().ended());
    EXPECT_FALSE(clock.loaded);
  }
}

}  // namespace
}  // namespace quorvo::testing
