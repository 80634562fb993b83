// Closing the clock, whichever way: both forms go for good and the store
// keeps what the user chose.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>

#include "memory_runtime.h"
#include "quorvo.h"

namespace quorvo::testing {
namespace {

using Values = std::map<std::string, std::string>;

void choose(MemoryRuntime& runtime, const std::string& caption) {
  runtime.choosePopupItem = [caption](const PopupShown&) { return caption; };
  runtime.form().pressMouse(platform::kRightButton);
}

long formsCreated(const MemoryRuntime& runtime) {
  return std::count(runtime.journal.begin(), runtime.journal.end(),
                    "create form");
}

// After Exit, a close message and the end of the session: nothing that
// still arrives makes a form again, and a form reached through its default
// instance fails loudly instead of coming back with design-time marks that
// a later save would store over the user's.
TEST(CloseTest, NoFormComesBackAfterAnyCloseAndTheUsersValuesStay) {
  enum class Way { kExit, kCloseMessage, kSessionEnd };
  for (const Way way : {Way::kExit, Way::kCloseMessage, Way::kSessionEnd}) {
    SCOPED_TRACE(static_cast<int>(way));
    MemoryRuntime runtime;
    Quorvo program(runtime);
    program.start();
    MemoryForm& clock = runtime.form();
    // Every choice differs from its design-time state.
    choose(runtime, "Date & Time");
    choose(runtime, "24 hour time");
    clock.setLeft(1200);
    clock.setTop(-30);
    switch (way) {
      case Way::kExit:
        choose(runtime, "Exit");
        break;
      case Way::kCloseMessage:
        clock.close(platform::UnloadReason::kControlMenu);
        break;
      case Way::kSessionEnd:
        clock.close(platform::UnloadReason::kSessionEnding);
        break;
    }
    const Values users{{"Left", "1200"},     {"Top", "-30"},
                       {"JTime", "False"},   {"DateTime", "True"},
                       {"Seconds", "False"}, {"JDate", "False"},
                       {"24 Hour", "True"}};
    EXPECT_EQ(runtime.settings().values(), users);
    EXPECT_TRUE(runtime.app().ended());
    // The mark of a running clock goes as soon as the settings are saved,
    // before the window is taken down, so a clock started right after it
    // is not taken for a second instance.
    const Journal& j = runtime.journal;
    const auto released = std::find(j.begin(), j.end(), "release instance");
    ASSERT_NE(released, j.end());
    EXPECT_EQ(*(released - 1), "save 24 Hour=True");
    EXPECT_LT(released - j.begin(),
              std::find(j.begin(), j.end(), "end") - j.begin());
    EXPECT_FALSE(program.frmQuorvoLoaded());
    EXPECT_FALSE(program.frmMenuLoaded());
    const long created = formsCreated(runtime);

    // What may still arrive from the system after the end.
    clock.tick();
    clock.pressMouse(platform::kRightButton);
    clock.doubleClickLabel();
    clock.close(platform::UnloadReason::kSessionEnding);
    // A reference to a form that is gone.
    EXPECT_DEBUG_DEATH(
        EXPECT_THROW((void)program.frmMenu(), platform::RuntimeError),
        "unloaded");
    EXPECT_DEBUG_DEATH(
        EXPECT_THROW((void)program.frmQuorvo(), platform::RuntimeError),
        "unloaded");

    EXPECT_EQ(formsCreated(runtime), created);
    EXPECT_FALSE(program.frmQuorvoLoaded());
    EXPECT_FALSE(program.frmMenuLoaded());
    EXPECT_EQ(runtime.settings().values(), users);
  }
}

}  // namespace
}  // namespace quorvo::testing
