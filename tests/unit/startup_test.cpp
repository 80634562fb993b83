// Start-up: single instance, first size, stored position, the command-line
// switches, the stored display options, and the save whenever the clock
// window closes.
#include <algorithm>
#include <map>
#include <ostream>
#include <string>
#include <vector>

#include "clock/window_calls.h"
#include "program_fixture.h"

namespace quorvo::testing {
namespace {

using Values = std::map<std::string, std::string>;

struct Display {
  bool jTime, jDate, dateTime, seconds, secondsVisible;
  bool adjustOffered;  // mnuSet visible and enabled, mnuSplit1 visible
  bool operator==(const Display&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Display& d) {
  return out << "{jTime " << d.jTime << ", jDate " << d.jDate << ", dateTime "
             << d.dateTime << ", seconds " << d.seconds << ", visible "
             << d.secondsVisible << ", adjust " << d.adjustOffered << "}";
}

class StartupTest : public ProgramTest {
 protected:
  Display display() {
    auto& m = menu();
    const bool adjust =
        m.mnuSet.visible() && m.mnuSet.enabled() && m.mnuSplit1.visible();
    EXPECT_EQ(m.mnuSet.visible(), m.mnuSet.enabled());
    EXPECT_EQ(m.mnuSet.visible(), m.mnuSplit1.visible());
    return {m.mnuJTime.checked(),    m.mnuJDate.checked(),
            m.mnuDateTime.checked(), m.mnuSeconds.checked(),
            m.mnuSeconds.visible(),  adjust};
  }
};

// The design-time display: just the time, with seconds, Adjust offered.
constexpr Display kDesignTime{true, false, false, true, true, true};

struct SwitchRow {
  std::string arguments;
  Display fromEmptyStore;
  Display fromFilledStore;  // store: date and time, no seconds, just date
};

TEST_F(StartupTest, EverySwitchFromAnEmptyAndAFilledStore) {
  // jTime, jDate, dateTime, seconds, secondsVisible, adjust
  const std::vector<SwitchRow> rows = {
      {"",
       {true, false, false, false, true, true},
       {false, true, true, false, true, true}},
      {"-date",
       {false, true, false, true, false, true},
       {false, true, false, true, false, true}},
      {"-time",
       {true, false, false, false, true, true},
       {true, false, false, false, true, true}},
      {"-timesec", kDesignTime, kDesignTime},
      {"-timedate",
       {false, false, true, false, true, true},
       {false, false, true, false, true, true}},
      {"-timedatesec",
       {false, false, true, true, true, true},
       {false, false, true, true, true, true}},
      {"-noadjust",
       {true, false, false, true, true, false},
       {true, false, false, true, true, false}},
      {"-date -noadjust", kDesignTime, kDesignTime},
      {"-DATE", kDesignTime, kDesignTime},
      {"-Date", kDesignTime, kDesignTime},
      {"-date ", kDesignTime, kDesignTime},
      {" -date", kDesignTime, kDesignTime},
      {"-dat", kDesignTime, kDesignTime},
      {"/date", kDesignTime, kDesignTime},
  };
  for (const SwitchRow& row : rows) {
    for (const bool filled : {false, true}) {
      SCOPED_TRACE("arguments \"" + row.arguments + "\"" +
                   (filled ? " filled store" : " empty store"));
      MemoryRuntime rt;
      if (filled) {
        for (const auto& [key, value] : Values{{"Left", "300"},
                                               {"Top", "450"},
                                               {"JTime", "False"},
                                               {"DateTime", "True"},
                                               {"Seconds", "False"},
                                               {"JDate", "True"},
                                               {"24 Hour", "True"}}) {
          rt.settings().put(key, value);
        }
      }
      rt.app().arguments = row.arguments;
      Quorvo other(rt);
      other.start();
      auto& m = other.frmMenu();
      const Display got{
          m.mnuJTime.checked(),
          m.mnuJDate.checked(),
          m.mnuDateTime.checked(),
          m.mnuSeconds.checked(),
          m.mnuSeconds.visible(),
          m.mnuSet.visible() && m.mnuSet.enabled() && m.mnuSplit1.visible()};
      EXPECT_EQ(got, filled ? row.fromFilledStore : row.fromEmptyStore);
      // The position and the 24-hour mark come from the store whatever
      // the switch.
      EXPECT_EQ(rt.form().left(), filled ? 300 : 5430);
      EXPECT_EQ(rt.form().top(), filled ? 450 : -15);
      EXPECT_EQ(m.mnu24Hour.checked(), filled);
      const std::vector<std::string> expectedReads =
          row.arguments.empty()
              ? std::vector<std::string>{"Left",  "Top",      "24 Hour",
                                         "JTime", "DateTime", "Seconds",
                                         "JDate"}
              : std::vector<std::string>{"Left", "Top", "24 Hour"};
      EXPECT_EQ(rt.settings().reads, expectedReads);
      EXPECT_TRUE(rt.settings().writes.empty()) << "start-up writes nothing";
      EXPECT_EQ(rt.app().commandReads, 1);
    }
  }
}

TEST_F(StartupTest, LoadSizesPlacesShowsAndPutsOnTopInOrder) {
  start();
  EXPECT_EQ(window().width(), 4 * MemoryLabel::kCharWidth + 115);
  EXPECT_EQ(window().height(), MemoryLabel::kLineHeight + 65);
  EXPECT_EQ(label().caption(), "Time") << "until the first tick";
  EXPECT_TRUE(window().visible);
  EXPECT_EQ(window().refreshes, 1);
  ASSERT_EQ(runtime.windows().placements.size(), 1u);
  const auto& placement = runtime.windows().placements[0];
  EXPECT_EQ(placement.window, window().hWnd());
  EXPECT_EQ(placement.insertAfter,
            static_cast<platform::WindowHandle>(std::intptr_t{-1}));
  // SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE: on top without the keys.
  EXPECT_EQ(placement.flags, 0x13u);
  const Journal& j = runtime.journal;
  const auto at = [&j](const std::string& entry) {
    return std::find(j.begin(), j.end(), entry) - j.begin();
  };
  // The window is brought whole onto the screen, if need be, once its
  // stored place is known and before anyone sees it.
  EXPECT_LT(at("read Top"), at("keep text on screen"));
  // Left and Top are read first, then the window moves once, to both.
  EXPECT_LT(at("read Top"), at("move"));
  EXPECT_LT(at("move"), at("keep text on screen"));
  EXPECT_LT(at("keep text on screen"), at("show"));
  EXPECT_EQ(std::count(j.begin(), j.end(), "move aside"), 0)
      << "the default place is on a screen: no detour";
  EXPECT_LT(at("read JDate"), at("SetWindowPos"));
  EXPECT_LT(at("SetWindowPos"), at("show"));
  EXPECT_LT(at("show"), at("refresh"));
  EXPECT_TRUE(window().timer().enabled());
}

TEST_F(StartupTest, FormOnTopWritesTheResultBackAndTakesAnyNonZeroFlag) {
  start();
  const std::vector<std::pair<std::int16_t, std::intptr_t>> rows = {
      {-1, -1}, {1, -1}, {7, -1}, {0, -2}};
  for (const auto& [flag, insertAfter] : rows) {
    runtime.windows().setWindowPosResult = 0;
    std::int16_t onTop = flag;
    clock::FormOnTop(runtime.windows(), window(), onTop);
    EXPECT_EQ(runtime.windows().placements.back().insertAfter,
              static_cast<platform::WindowHandle>(insertAfter));
    EXPECT_EQ(onTop, 0) << "the call's result, not the flag passed";
  }
}

TEST_F(StartupTest, SecondInstanceEndsAtOnceWithoutReadingOrShowing) {
  runtime.app().previousInstance = true;
  runtime.settings().put("Left", "100");
  start();
  EXPECT_TRUE(runtime.app().ended());
  EXPECT_TRUE(runtime.settings().reads.empty());
  EXPECT_TRUE(runtime.settings().writes.empty());
  EXPECT_FALSE(window().visible);
  EXPECT_FALSE(program.frmMenuLoaded());
  EXPECT_FALSE(window().timer().fire(runtime));
  EXPECT_EQ(runtime.settings().values().at("Left"), "100");
}

struct CorruptRow {
  const char* key;
  std::string text;
};

TEST_F(StartupTest, CorruptStoredTextsFallBackToTheirDefaults) {
  const std::vector<std::string> hostile = {
      "abc",  "",     " ",        "1e39",   "-1e39",
      "nan",  "inf",  "0x10",     "5430px", std::string(100000, '9'),
      "12,5", "True", "\xff\xfe", "--5"};
  for (const std::string& text : hostile) {
    SCOPED_TRACE("stored text \"" + text.substr(0, 20) + "\"");
    MemoryRuntime rt;
    for (const char* key :
         {"Left", "Top", "JTime", "DateTime", "Seconds", "JDate", "24 Hour"}) {
      rt.settings().put(key, text);
    }
    Quorvo other(rt);
    other.start();
    EXPECT_TRUE(rt.app().errors.empty());
    EXPECT_TRUE(rt.form().visible);
    auto& m = other.frmMenu();
    // Words and numbers that do read as values keep them.
    const bool asFlag = text == "True";
    EXPECT_EQ(m.mnuJTime.checked(), true);
    EXPECT_EQ(m.mnuDateTime.checked(), asFlag);
    EXPECT_EQ(m.mnuSeconds.checked(), asFlag);
    EXPECT_EQ(m.mnuJDate.checked(), asFlag);
    EXPECT_EQ(m.mnu24Hour.checked(), asFlag);
    EXPECT_EQ(rt.form().left(), 5430);
    EXPECT_EQ(rt.form().top(), -15);
  }
}

TEST_F(StartupTest, StoredFlagsApplyOneByOneWithoutRepair) {
  runtime.settings().put("JTime", "True");
  runtime.settings().put("JDate", "True");
  runtime.settings().put("DateTime", "True");
  start();
  EXPECT_TRUE(menu().mnuJTime.checked());
  EXPECT_TRUE(menu().mnuJDate.checked());
  EXPECT_TRUE(menu().mnuDateTime.checked());
  EXPECT_TRUE(menu().mnuSeconds.visible()) << "only -date hides Seconds";
}

struct PositionRow {
  const char* name;
  std::string left, top;
  float expectedLeft, expectedTop;
};

TEST_F(StartupTest, PositionOffEveryScreenComesBackToTheDefault) {
  // Screens: 1920 x 1080 pixels, and a second one to the left.
  const std::vector<PositionRow> rows = {
      {"stored normally", "3000", "1500", 3000, 1500},
      {"partly above the top edge", "3000", "-150", 3000, -150},
      {"partly left of the screen", "-200", "10", -200, 10},
      {"on the second monitor", "-15000", "300", -15000, 300},
      {"far right", "999999", "300", 5430, -15},
      {"far below", "300", "999999", 5430, -15},
      {"above every screen", "3000", "-5000", 5430, -15},
      {"absurd", "1e30", "-1e30", 5430, -15},
      {"fraction", "1234.5", "60.25", 1234.5, 60.25},
  };
  for (const PositionRow& row : rows) {
    SCOPED_TRACE(row.name);
    MemoryRuntime rt;
    rt.screens.push_back({-1280 * 15, 0, 0, 1024 * 15});
    rt.settings().put("Left", row.left);
    rt.settings().put("Top", row.top);
    Quorvo other(rt);
    other.start();
    EXPECT_EQ(rt.form().left(), row.expectedLeft);
    EXPECT_EQ(rt.form().top(), row.expectedTop);
    // The default place is a detour: the close stores the place the user
    // chose, so the clock goes back to its monitor when it is there again.
    rt.form().close(platform::UnloadReason::kControlMenu);
    EXPECT_EQ(std::stof(rt.settings().values().at("Left")),
              std::stof(row.left));
    EXPECT_EQ(std::stof(rt.settings().values().at("Top")), std::stof(row.top));
  }
}

TEST_F(StartupTest, CloseAfterDateSwitchStoresItsChoice) {
  runtime.settings().put("24 Hour", "True");
  start("-date");
  window().close(platform::UnloadReason::kControlMenu);
  EXPECT_EQ(runtime.settings().writes,
            (std::vector<std::string>{"Left", "Top", "JTime", "DateTime",
                                      "Seconds", "JDate", "24 Hour"}));
  EXPECT_EQ(runtime.settings().values(), (Values{{"Left", "5430"},
                                                 {"Top", "-15"},
                                                 {"JTime", "False"},
                                                 {"DateTime", "False"},
                                                 {"Seconds", "True"},
                                                 {"JDate", "True"},
                                                 {"24 Hour", "True"}}));
}

TEST_F(StartupTest, CloseAfterNoAdjustOrUnknownStoresDesignTimeMarks) {
  for (const char* arguments : {"-noadjust", "-bogus"}) {
    SCOPED_TRACE(arguments);
    MemoryRuntime rt;
    rt.settings().put("JTime", "False");
    rt.settings().put("JDate", "True");
    rt.settings().put("24 Hour", "True");
    rt.app().arguments = arguments;
    Quorvo other(rt);
    other.start();
    rt.form().setLeft(600);
    rt.form().close(platform::UnloadReason::kControlMenu);
    EXPECT_EQ(rt.settings().values(), (Values{{"Left", "600"},
                                              {"Top", "-15"},
                                              {"JTime", "True"},
                                              {"DateTime", "False"},
                                              {"Seconds", "True"},
                                              {"JDate", "False"},
                                              {"24 Hour", "True"}}));
  }
}

TEST_F(StartupTest, EveryCloseSavesAndEndsTheProgram) {
  for (const auto reason : {platform::UnloadReason::kControlMenu,
                            platform::UnloadReason::kSessionEnding,
                            platform::UnloadReason::kTaskManager}) {
    MemoryRuntime rt;
    Quorvo other(rt);
    other.start();
    MemoryForm& clock = rt.form();
    MemoryTimer& timer = clock.timer();
    clock.close(reason);
    EXPECT_EQ(rt.settings().writes.size(), 7u);
    EXPECT_TRUE(rt.app().ended()) << "no invisible instance stays behind";
    EXPECT_FALSE(clock.loaded);
    EXPECT_FALSE(timer.fire(rt));
  }
}

TEST_F(StartupTest, RefusedWritesDoNotStopTheClose) {
  start();
  runtime.settings().put("Left", "old");
  runtime.settings().refuseWritesFrom = 2;  // Left and Top go through
  MemoryForm& clock = window();
  clock.close(platform::UnloadReason::kControlMenu);
  EXPECT_EQ(runtime.settings().values().at("Left"), "5430");
  EXPECT_EQ(runtime.settings().values().count("JTime"), 0u);
  ASSERT_EQ(runtime.app().errors.size(), 1u);
  EXPECT_EQ(runtime.app().errors[0].handler, "Form_QueryUnload");
  EXPECT_TRUE(runtime.app().ended());
  EXPECT_FALSE(clock.loaded);
}

TEST_F(StartupTest, ExitWithAStoreRefusingEveryWriteStillEnds) {
  start();
  runtime.settings().refuseWritesFrom = 0;
  chooseAtNextPopup("Exit");
  window().pressMouse(platform::kRightButton);
  EXPECT_TRUE(runtime.app().ended());
  EXPECT_TRUE(runtime.settings().values().empty());
}

TEST_F(StartupTest, StoredOptionsComeBackAtTheNextStart) {
  start();
  chooseAtNextPopup("Date & Time");
  window().pressMouse(platform::kRightButton);
  chooseAtNextPopup("24 hour time");
  window().pressMouse(platform::kRightButton);
  window().setLeft(4500);
  window().setTop(-45);
  chooseAtNextPopup("Exit");
  window().pressMouse(platform::kRightButton);

  MemoryRuntime next;
  for (const auto& [key, value] : runtime.settings().values()) {
    next.settings().put(key, value);
  }
  Quorvo again(next);
  again.start();
  next.form().tick();
  EXPECT_EQ(next.form().left(), 4500);
  EXPECT_EQ(next.form().top(), -45);
  EXPECT_EQ(next.form().label().caption(), "21:5  Monday, March 4 2024");
}

}  // namespace
}  // namespace quorvo::testing
