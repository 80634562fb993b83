// The options menu: its items, the display-mode and switch handlers, what the
// popup lists, and how the mouse reaches it.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "quorvo_version.h"
#include "test_program.h"

namespace quorvo::testing {
namespace {

class MenuTest : public ::testing::Test, public TestProgram {
 protected:
  void SetUp() override { start(); }
};

struct ClickRow {
  const char* name;
  MenuMarks before;
  const char* item;  // caption as shown
  MenuMarks after;
};

TEST_F(MenuTest, DisplayHandlersFromEveryRelevantState) {
  // clang-format off
  const std::vector<ClickRow> rows = {
      {"time to date hides seconds, keeps its mark",
       {.jTime = true, .seconds = true}, "Just Date",
       {.jDate = true, .seconds = true, .secondsVisible = false}},
      {"date to time shows seconds with its mark",
       {.jDate = true, .seconds = true, .secondsVisible = false}, "Just Time",
       {.jTime = true, .seconds = true}},
      {"date to date and time shows seconds unchecked",
       {.jDate = true, .secondsVisible = false, .hours24 = true},
       "Date & Time", {.dateTime = true, .hours24 = true}},
      {"a checked mode item changes nothing, not even visibility",
       {.jDate = true, .seconds = true}, "Just Date",
       {.jDate = true, .seconds = true}},
      {"checked time with another mode checked changes nothing",
       {.jTime = true, .jDate = true, .secondsVisible = false}, "Just Time",
       {.jTime = true, .jDate = true, .secondsVisible = false}},
      {"checked date with time checked too changes nothing",
       {.jTime = true, .jDate = true}, "Just Date",
       {.jTime = true, .jDate = true}},
      {"two restored modes collapse to date and time",
       {.jTime = true, .jDate = true, .secondsVisible = false},
       "Date & Time", {.dateTime = true}},
      {"no restored mode: time",
       {.seconds = true, .secondsVisible = false}, "Just Time",
       {.jTime = true, .seconds = true}},
      {"no restored mode: date",
       {.seconds = true, .hours24 = true}, "Just Date",
       {.jDate = true, .seconds = true, .secondsVisible = false,
        .hours24 = true}},
      {"no restored mode: date and time",
       {.secondsVisible = false}, "Date & Time", {.dateTime = true}},
      {"seconds on",
       {.dateTime = true}, "Seconds", {.dateTime = true, .seconds = true}},
      {"seconds off",
       {.jTime = true, .seconds = true, .hours24 = true}, "Seconds",
       {.jTime = true, .hours24 = true}},
      {"24 hour on in date mode",
       {.jDate = true, .seconds = true, .secondsVisible = false},
       "24 hour time",
       {.jDate = true, .seconds = true, .secondsVisible = false,
        .hours24 = true}},
      {"24 hour off",
       {.jTime = true, .hours24 = true}, "24 hour time", {.jTime = true}},
      {"closing the popup without a choice changes nothing",
       {.jTime = true, .seconds = true}, "", {.jTime = true, .seconds = true}},
  };
  // clang-format on
  for (const ClickRow& row : rows) {
    SCOPED_TRACE(row.name);
    setMarks(row.before);
    runtime.choosePopupItem = row.item;
    window().pressMouseOnLabel(platform::kRightButton);
    EXPECT_EQ(marks(), row.after);
    EXPECT_TRUE(runtime.app().errors.empty());
  }
}

TEST_F(MenuTest, TwoClicksOnASwitchGiveBackTheFirstMark) {
  const MenuMarks before = marks();
  for (const char* item : {"Seconds", "24 hour time"}) {
    choose(item);
    choose(item);
    EXPECT_EQ(marks(), before) << item;
  }
}

TEST_F(MenuTest, AChoiceShowsAtTheNextTickAndWritesNothing) {
  tick();
  choose("Just Date");
  EXPECT_EQ(label().caption(), "9:05 PM");
  EXPECT_TRUE(callsTo(runtime.journal, "save ").empty());
  tick();
  EXPECT_EQ(label().caption(), "Monday, March 4 2024");
}

TEST_F(MenuTest, PopupShowsTheVisibleItemsWithTheirMarks) {
  struct Row {
    const char* name;
    std::string arguments;
    std::function<void(TestProgram&)> before;  // the right click
    std::vector<std::string> shown;
  };
  // clang-format off
  const std::vector<Row> rows = {
      {"design-time marks (an unknown switch)", "-bogus", nullptr,
       {"Just Date", "*Just Time", "Date & Time", "*Seconds", "-",
        "Adjust Date/Time", "24 hour time", "-", "About", "Exit"}},
      {"an empty store offers Seconds unchecked", "", nullptr,
       {"Just Date", "*Just Time", "Date & Time", "Seconds", "-",
        "Adjust Date/Time", "24 hour time", "-", "About", "Exit"}},
      {"Just Date hides Seconds", "",
       [](TestProgram& p) { p.choose("Just Date"); },
       {"*Just Date", "Just Time", "Date & Time", "-", "Adjust Date/Time",
        "24 hour time", "-", "About", "Exit"}},
      {"Adjust hidden leaves one line", "",
       [](TestProgram& p) {
         p.menu().mnuSet.setVisible(false);
         p.menu().mnuSplit1.setVisible(false);
       },
       {"Just Date", "*Just Time", "Date & Time", "Seconds", "24 hour time",
        "-", "About", "Exit"}},
      {"Adjust disabled cannot be chosen", "",
       [](TestProgram& p) {
         p.menu().mnuSet.setEnabled(false);
         p.runtime.choosePopupItem = "Adjust Date/Time";
       },
       {"Just Date", "*Just Time", "Date & Time", "Seconds", "-",
        "Adjust Date/Time (greyed)", "24 hour time", "-", "About", "Exit"}},
  };
  // clang-format on
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    TestProgram p;
    p.start(row.arguments);
    if (row.before) row.before(p);
    p.window().pressMouse(platform::kRightButton);
    EXPECT_EQ(p.runtime.popups.back().flags, platform::kPopupMenuRightButton);
    EXPECT_EQ(p.runtime.popups.back().items, row.shown);
    EXPECT_TRUE(callsTo(p.runtime.journal, "shell ").empty());
  }
}

// The inputs a person or the system gives the clock window or its label.
enum class Input { kLeft, kRight, kMiddle, kDoubleClick, kMenuKey, kMenuClick };

void give(MemoryForm& window, Input input, bool onLabel) {
  if (input == Input::kDoubleClick) {
    onLabel ? window.doubleClickLabel() : window.doubleClick();
  } else if (input == Input::kMenuKey || input == Input::kMenuClick) {
    window.contextMenu(input == Input::kMenuKey);
  } else {
    const std::int16_t button = input == Input::kLeft ? platform::kLeftButton
                                : input == Input::kRight
                                    ? platform::kRightButton
                                    : platform::kMiddleButton;
    onLabel ? window.pressMouseOnLabel(button) : window.pressMouse(button);
  }
}

// A left press hands the window (0x1000, not the label) to the system's
// caption move (0xa1, on the caption: 2) with the pointer's screen position
// packed as that message expects: x in the low word, y in the high word.
// Shift+F10 or the Menu key open the options menu below the clock, anything
// else that opens it opens it at the pointer; it works as from a click.
TEST_F(MenuTest, EveryInputOnWindowAndLabel) {
  struct Row {
    const char* name;
    Input input;
    bool onLabel;
    Journal calls;  // what the program asked of the system
    platform::PopupPlace place = platform::PopupPlace::kAtPointer;
    platform::ScreenPoint pointer{700, 12};
  };
  const Journal drag{"ReleaseCapture", "SendMessage 0x1000 0xa1 2 0xc02bc"};
  const Journal popup{"popup"};
  const std::vector<Row> rows = {
      {"left on window", Input::kLeft, false, drag},
      {"left on label", Input::kLeft, true, drag},
      {"left on a monitor left of the primary",
       Input::kLeft,
       true,
       {"ReleaseCapture", "SendMessage 0x1000 0xa1 2 0xcfed4"},
       platform::PopupPlace::kAtPointer,
       {-300, 12}},
      {"right on window", Input::kRight, false, popup},
      {"right on label", Input::kRight, true, popup},
      {"middle on window", Input::kMiddle, false, {}},
      {"middle on label", Input::kMiddle, true, {}},
      {"double click on window", Input::kDoubleClick, false, popup},
      {"double click on label", Input::kDoubleClick, true, popup},
      {"Shift+F10 or the Menu key", Input::kMenuKey, false, popup,
       platform::PopupPlace::kBelowWindow},
      {"context menu of the mouse", Input::kMenuClick, false, popup},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    TestProgram p;
    p.start();
    p.runtime.windows().pointer = row.pointer;
    p.runtime.choosePopupItem = "Just Date";
    p.runtime.journal.clear();
    give(p.window(), row.input, row.onLabel);
    EXPECT_EQ(p.runtime.journal, row.calls);
    const bool opened = row.calls == popup;
    if (opened) {
      EXPECT_EQ(p.runtime.popups.back().place, row.place);
      EXPECT_EQ(p.runtime.popups.back().flags, platform::kPopupMenuRightButton);
    }
    EXPECT_EQ(p.menu().mnuJDate.checked(), opened);
    EXPECT_TRUE(p.runtime.app().errors.empty());
  }
}

// About shows one information box each time; Adjust Date/Time starts the
// system's date and time settings each time, and the clock goes on when
// they cannot be started.
TEST_F(MenuTest, CommandsAskTheSystemEachTimeAndTheClockGoesOn) {
  const std::string about =
      "msgBox About Quorvo, style 64: Quorvo " QUORVO_DISPLAY_VERSION
      "\r\nBuild date: September 8, 2004\r\n\r\n"
      "Freeware: use it, share it, keep it ticking.\r\n\r\n" QUORVO_HOMEPAGE_URL
      "\r\n\r\n"
      "Copyright \xC2\xA9 2004 Velmora Software. All rights reserved.";
  const std::string adjust =
      "shell rundll32.exe shell32.dll,Control_RunDLL timedate.cpl, show 5";
  struct Row {
    const char* item;
    bool startFails;
    std::string call;
  };
  for (const Row& row :
       {Row{"About", false, about}, Row{"Adjust Date/Time", false, adjust},
        Row{"Adjust Date/Time", true, adjust}}) {
    SCOPED_TRACE(std::string(row.item) + (row.startFails ? ", failing" : ""));
    TestProgram p;
    p.start();
    p.runtime.processes().fail = row.startFails;
    const MenuMarks before = p.marks();
    p.runtime.journal.clear();
    p.choose(row.item);
    p.choose(row.item);
    EXPECT_EQ(p.runtime.journal,
              (Journal{"popup", row.call, "popup", row.call}));
    EXPECT_TRUE(p.runtime.app().errors.empty());
    EXPECT_EQ(p.marks(), before);
    EXPECT_FALSE(p.runtime.app().ended());
    p.tick();
    EXPECT_EQ(p.label().caption(), "9:05 PM");
  }
}

TEST_F(MenuTest, ExitSavesTheCurrentMarksThenEndsAndNothingRunsAfter) {
  choose("Just Date");  // hides Seconds, which keeps its mark
  menu().mnuSeconds.setVisible(true);
  choose("Seconds");
  MemoryForm& clock = window();
  MemoryTimer& timer = clock.timer();
  clock.setLeft(1200);
  clock.setTop(-30);
  runtime.journal.clear();
  choose("Exit");
  EXPECT_EQ(
      runtime.journal,
      (Journal{"popup", "save Left=1200", "save Top=-30", "save JTime=False",
               "save DateTime=False", "save Seconds=True", "save JDate=True",
               "save 24 Hour=False", "release instance", "unload", "end"}));
  EXPECT_TRUE(runtime.app().ended());
  EXPECT_FALSE(timer.fire());
  const std::size_t journalSize = runtime.journal.size();
  clock.pressMouse(platform::kRightButton);
  clock.close(platform::UnloadReason::kControlMenu);
  EXPECT_EQ(runtime.journal.size(), journalSize);
}

}  // namespace
}  // namespace quorvo::testing
