// The options menu: its items, the display-mode and switch handlers, what the
// popup lists, and how the mouse reaches it.
#include <algorithm>
#include <ostream>
#include <string>
#include <vector>

#include "menu/about.h"
#include "program_fixture.h"
#include "quorvo_version.h"

namespace quorvo::testing {
namespace {

struct MenuState {
  bool jTime, jDate, dateTime, seconds, secondsVisible, hours24;
  bool operator==(const MenuState&) const = default;
};

std::ostream& operator<<(std::ostream& out, const MenuState& s) {
  return out << "{jTime " << s.jTime << ", jDate " << s.jDate << ", dateTime "
             << s.dateTime << ", seconds " << s.seconds << ", visible "
             << s.secondsVisible << ", 24h " << s.hours24 << "}";
}

class MenuTest : public ProgramTest {
 protected:
  void SetUp() override { start(); }

  MenuState state() {
    auto& m = menu();
    return {m.mnuJTime.checked(),    m.mnuJDate.checked(),
            m.mnuDateTime.checked(), m.mnuSeconds.checked(),
            m.mnuSeconds.visible(),  m.mnu24Hour.checked()};
  }
  void setState(const MenuState& s) {
    auto& m = menu();
    m.mnuJTime.setChecked(s.jTime);
    m.mnuJDate.setChecked(s.jDate);
    m.mnuDateTime.setChecked(s.dateTime);
    m.mnuSeconds.setChecked(s.seconds);
    m.mnuSeconds.setVisible(s.secondsVisible);
    m.mnu24Hour.setChecked(s.hours24);
  }
  std::vector<std::string> popupCaptions() {
    std::vector<std::string> captions;
    for (const auto& entry : runtime.popups.back().entries) {
      captions.push_back(entry.separator ? "-" : entry.caption);
    }
    return captions;
  }
};

TEST_F(MenuTest, DesignTimeItemsInPopupOrder) {
  MemoryRuntime fresh;
  Quorvo other(fresh);
  const menu::FrmMenu& m = other.frmMenu();
  EXPECT_EQ(m.mnuConfig.caption(), "Config");
  std::vector<std::string> captions;
  for (const platform::MenuItem* item : m.mnuConfig.items()) {
    captions.push_back(item->caption());
    EXPECT_TRUE(item->visible());
    EXPECT_TRUE(item->enabled());
  }
  EXPECT_EQ(captions,
            (std::vector<std::string>{
                "Just &Date", "Just &Time", "Dat&e && Time", "&Seconds", "-",
                "&Adjust Date/Time", "24 hour time", "-", "About", "E&xit"}));
  EXPECT_TRUE(m.mnuJTime.checked());
  EXPECT_TRUE(m.mnuSeconds.checked());
  EXPECT_FALSE(m.mnuJDate.checked());
  EXPECT_FALSE(m.mnuDateTime.checked());
  EXPECT_FALSE(m.mnu24Hour.checked());
}

struct ClickRow {
  const char* name;
  MenuState before;
  const char* item;  // caption as shown
  MenuState after;
};

TEST_F(MenuTest, DisplayHandlersFromEveryRelevantState) {
  // jTime, jDate, dateTime, seconds, secondsVisible, hours24
  const std::vector<ClickRow> rows = {
      {"time to date hides seconds, keeps its mark",
       {true, false, false, true, true, false},
       "Just Date",
       {false, true, false, true, false, false}},
      {"date to time shows seconds with its mark",
       {false, true, false, true, false, false},
       "Just Time",
       {true, false, false, true, true, false}},
      {"date to date and time shows seconds unchecked",
       {false, true, false, false, false, true},
       "Date & Time",
       {false, false, true, false, true, true}},
      {"a checked mode item changes nothing, not even visibility",
       {false, true, false, true, true, false},
       "Just Date",
       {false, true, false, true, true, false}},
      {"checked time with another mode checked changes nothing",
       {true, true, false, false, false, false},
       "Just Time",
       {true, true, false, false, false, false}},
      {"checked date with time checked too changes nothing",
       {true, true, false, false, true, false},
       "Just Date",
       {true, true, false, false, true, false}},
      {"two restored modes collapse to date and time",
       {true, true, false, false, false, false},
       "Date & Time",
       {false, false, true, false, true, false}},
      {"no restored mode: time",
       {false, false, false, true, false, false},
       "Just Time",
       {true, false, false, true, true, false}},
      {"no restored mode: date",
       {false, false, false, true, true, true},
       "Just Date",
       {false, true, false, true, false, true}},
      {"no restored mode: date and time",
       {false, false, false, false, false, false},
       "Date & Time",
       {false, false, true, false, true, false}},
      {"seconds on",
       {false, false, true, false, true, false},
       "Seconds",
       {false, false, true, true, true, false}},
      {"seconds off",
       {true, false, false, true, true, true},
       "Seconds",
       {true, false, false, false, true, true}},
      {"24 hour on in date mode",
       {false, true, false, true, false, false},
       "24 hour time",
       {false, true, false, true, false, true}},
      {"24 hour off",
       {true, false, false, false, true, true},
       "24 hour time",
       {true, false, false, false, true, false}},
  };
  for (const ClickRow& row : rows) {
    SCOPED_TRACE(row.name);
    setState(row.before);
    chooseAtNextPopup(row.item);
    window().pressMouseOnLabel(platform::kRightButton);
    EXPECT_EQ(state(), row.after);
  }
}

TEST_F(MenuTest, TwoClicksOnASwitchGiveBackTheFirstMark) {
  const MenuState before = state();
  for (const char* item : {"Seconds", "24 hour time"}) {
    menu().mnuSeconds.setVisible(true);
    chooseAtNextPopup(item);
    window().pressMouse(platform::kRightButton);
    chooseAtNextPopup(item);
    window().pressMouse(platform::kRightButton);
    EXPECT_EQ(state(), before) << item;
  }
}

TEST_F(MenuTest, AChoiceShowsAtTheNextTickAndWritesNothing) {
  tick();
  chooseAtNextPopup("Just Date");
  window().pressMouse(platform::kRightButton);
  EXPECT_EQ(label().caption(), "9:05 PM");
  EXPECT_TRUE(runtime.settings().writes.empty());
  tick();
  EXPECT_EQ(label().caption(), "Monday, March 4 2024");
}

TEST_F(MenuTest, PopupListsVisibleItemsWithMarksAndFlags) {
  window().pressMouse(platform::kRightButton);
  ASSERT_EQ(runtime.popups.size(), 1u);
  EXPECT_EQ(runtime.popups[0].flags, 2);
  EXPECT_EQ(popupCaptions(),
            (std::vector<std::string>{"Just Date", "Just Time", "Date & Time",
                                      "Seconds", "-", "Adjust Date/Time",
                                      "24 hour time", "-", "About", "Exit"}));
  // An empty store starts with Seconds offered but unchecked.
  const auto& entries = runtime.popups[0].entries;
  EXPECT_FALSE(entries[3].checked);
  EXPECT_TRUE(entries[1].checked);
  EXPECT_TRUE(entries[4].separator);
}

TEST_F(MenuTest, PopupAfterJustDateHasNoSeconds) {
  chooseAtNextPopup("Just Date");
  window().pressMouse(platform::kRightButton);
  runtime.choosePopupItem = nullptr;
  window().pressMouse(platform::kRightButton);
  const auto captions = popupCaptions();
  EXPECT_EQ(std::count(captions.begin(), captions.end(), "Seconds"), 0);
  EXPECT_TRUE(runtime.popups.back().entries[0].checked);   // Just Date
  EXPECT_FALSE(runtime.popups.back().entries[1].checked);  // Just Time
}

TEST_F(MenuTest, PopupWithAdjustHiddenShowsOneSeparator) {
  menu().mnuSet.setVisible(false);
  menu().mnuSplit1.setVisible(false);
  window().doubleClick();
  EXPECT_EQ(popupCaptions(),
            (std::vector<std::string>{"Just Date", "Just Time", "Date & Time",
                                      "Seconds", "24 hour time", "-", "About",
                                      "Exit"}));
}

TEST_F(MenuTest, DisabledItemCannotBeChosen) {
  menu().mnuSet.setEnabled(false);
  chooseAtNextPopup("Adjust Date/Time");
  window().pressMouse(platform::kRightButton);
  EXPECT_FALSE(runtime.popups.back().entries[5].enabled);
  EXPECT_TRUE(runtime.processes().starts.empty());
}

struct MouseRow {
  const char* name;
  bool onLabel;
  std::int16_t button;
  int drags;
  int popups;
};

TEST_F(MenuTest, MouseButtonsOnWindowAndLabel) {
  const std::vector<MouseRow> rows = {
      {"left on window", false, platform::kLeftButton, 1, 0},
      {"left on label", true, platform::kLeftButton, 1, 0},
      {"right on window", false, platform::kRightButton, 0, 1},
      {"right on label", true, platform::kRightButton, 0, 1},
      {"middle on window", false, platform::kMiddleButton, 0, 0},
      {"middle on label", true, platform::kMiddleButton, 0, 0},
  };
  for (const MouseRow& row : rows) {
    SCOPED_TRACE(row.name);
    const std::size_t messages = runtime.windows().messages.size();
    const std::size_t popups = runtime.popups.size();
    if (row.onLabel) {
      window().pressMouseOnLabel(row.button);
    } else {
      window().pressMouse(row.button);
    }
    EXPECT_EQ(runtime.windows().messages.size() - messages,
              static_cast<std::size_t>(row.drags));
    EXPECT_EQ(runtime.popups.size() - popups,
              static_cast<std::size_t>(row.popups));
  }
}

// Shift+F10 or the Menu key open the same menu as a right-click, below the
// clock; a context-menu request of the mouse opens it at the pointer. The
// menu works as from a click.
TEST_F(MenuTest, ContextMenuRequestsOpenTheOptionsMenu) {
  struct Row {
    bool fromKeyboard;
    platform::PopupPlace place;
  };
  for (const Row row : {Row{true, platform::PopupPlace::kBelowWindow},
                        Row{false, platform::PopupPlace::kAtPointer}}) {
    SCOPED_TRACE(row.fromKeyboard);
    const std::size_t popups = runtime.popups.size();
    chooseAtNextPopup(row.fromKeyboard ? "Just Date" : "Just Time");
    window().contextMenu(row.fromKeyboard);
    ASSERT_EQ(runtime.popups.size(), popups + 1);
    EXPECT_EQ(runtime.popups.back().place, row.place);
    EXPECT_EQ(runtime.popups.back().flags, platform::kPopupMenuRightButton);
    EXPECT_EQ(menu().mnuJDate.checked(), row.fromKeyboard);
    EXPECT_EQ(menu().mnuJTime.checked(), !row.fromKeyboard);
  }
  EXPECT_TRUE(runtime.app().errors.empty());
}

TEST_F(MenuTest, LeftPressHandsTheWindowToTheCaptionMove) {
  runtime.windows().pointer = {700, 12};
  runtime.journal.clear();
  window().pressMouseOnLabel(platform::kLeftButton);
  ASSERT_EQ(runtime.windows().messages.size(), 1u);
  const auto& message = runtime.windows().messages[0];
  EXPECT_EQ(message.window, window().hWnd()) << "the window, not the label";
  EXPECT_EQ(message.message, 0xA1u);
  EXPECT_EQ(message.wParam, 2u);
  EXPECT_EQ(message.lParam, 700 | (12 << 16)) << "the pointer's position";
  EXPECT_EQ(runtime.journal, (Journal{"ReleaseCapture", "SendMessage"}));
}

TEST_F(MenuTest, DoubleClickOnWindowOrLabelOpensTheMenu) {
  window().doubleClick();
  window().doubleClickLabel();
  EXPECT_EQ(runtime.popups.size(), 2u);
  EXPECT_TRUE(runtime.windows().messages.empty());
}

TEST_F(MenuTest, ClosingThePopupWithoutAChoiceChangesNothing) {
  const MenuState before = state();
  runtime.choosePopupItem = [](const PopupShown&) { return std::string(); };
  window().pressMouse(platform::kRightButton);
  EXPECT_EQ(state(), before);
  EXPECT_TRUE(runtime.app().errors.empty());
}

TEST_F(MenuTest, AboutShowsOneInformationBox) {
  chooseAtNextPopup("About");
  window().pressMouse(platform::kRightButton);
  ASSERT_EQ(runtime.app().messageBoxes.size(), 1u);
  const auto& box = runtime.app().messageBoxes[0];
  EXPECT_EQ(box.style, 64);
  EXPECT_EQ(box.title, "About Quorvo");
  EXPECT_EQ(box.prompt,
            "Quorvo " QUORVO_DISPLAY_VERSION
            "\r\nBuild date: September 8, 2004\r\n\r\n"
            "Freeware: use it, share it, keep it ticking.\r\n\r\n"
            "http://www.velmora-software.example/quorvo/\r\n\r\n"
            "Copyright \xC2\xA9 2004 Velmora Software. All rights reserved.");
}

TEST_F(MenuTest, AboutTextHasThreeEmptyLinesAndNoOuterBreaks) {
  const std::string text = menu::aboutText();
  std::vector<std::string> lines;
  std::size_t from = 0;
  for (std::size_t at; (at = text.find("\r\n", from)) != std::string::npos;
       from = at + 2) {
    lines.push_back(text.substr(from, at - from));
  }
  lines.push_back(text.substr(from));
  ASSERT_EQ(lines.size(), 8u);
  EXPECT_EQ(lines[0], "Quorvo " QUORVO_DISPLAY_VERSION);
  EXPECT_EQ(lines[1], "Build date: September 8, 2004");
  for (std::size_t empty : {2u, 4u, 6u}) EXPECT_EQ(lines[empty], "");
  for (std::size_t full : {3u, 5u, 7u}) EXPECT_FALSE(lines[full].empty());
  EXPECT_EQ(text.find('\n'), text.find("\r\n") + 1) << "CR LF only";
}

TEST_F(MenuTest, AdjustStartsTheDateTimeSettingsEachTime) {
  for (int i = 0; i < 2; ++i) {
    chooseAtNextPopup("Adjust Date/Time");
    window().pressMouse(platform::kRightButton);
  }
  ASSERT_EQ(runtime.processes().starts.size(), 2u);
  EXPECT_EQ(runtime.processes().starts[0].commandLine,
            "rundll32.exe shell32.dll,Control_RunDLL timedate.cpl");
  EXPECT_EQ(runtime.processes().starts[0].showWindow, 5);
}

TEST_F(MenuTest, AdjustThatCannotStartChangesNothing) {
  runtime.processes().fail = true;
  const MenuState before = state();
  chooseAtNextPopup("Adjust Date/Time");
  window().pressMouse(platform::kRightButton);
  EXPECT_TRUE(runtime.app().errors.empty());
  EXPECT_EQ(state(), before);
  EXPECT_FALSE(runtime.app().ended());
  tick();
  EXPECT_EQ(label().caption(), "9:05 PM");
}

TEST_F(MenuTest, ExitSavesTheCurrentMarksThenEndsAndNothingRunsAfter) {
  chooseAtNextPopup("Just Date");  // hides Seconds, which keeps its mark
  window().pressMouse(platform::kRightButton);
  chooseAtNextPopup("Seconds");
  menu().mnuSeconds.setVisible(true);
  window().pressMouse(platform::kRightButton);
  MemoryForm& clock = window();
  MemoryTimer& timer = clock.timer();
  clock.setLeft(1200);
  clock.setTop(-30);
  runtime.journal.clear();
  chooseAtNextPopup("Exit");
  clock.pressMouse(platform::kRightButton);
  EXPECT_EQ(
      runtime.journal,
      (Journal{"popup", "save Left=1200", "save Top=-30", "save JTime=False",
               "save DateTime=False", "save Seconds=True", "save JDate=True",
               "save 24 Hour=False", "release instance", "unload", "end"}));
  EXPECT_TRUE(runtime.app().ended());
  EXPECT_FALSE(timer.fire(runtime));
  const std::size_t journalSize = runtime.journal.size();
  clock.pressMouse(platform::kRightButton);
  clock.close(platform::UnloadReason::kControlMenu);
  EXPECT_EQ(runtime.journal.size(), journalSize);
}

}  // namespace
}  // namespace quorvo::testing
