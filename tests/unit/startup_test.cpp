// Start-up: single instance, first size, stored position, the command-line
// switches, and the stored display options, also at the next start.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "test_program.h"

namespace quorvo::testing {
namespace {

class StartupTest : public ::testing::Test, public TestProgram {};

// The design-time display: just the time, with seconds, Adjust offered.
constexpr MenuMarks kDesignTime{.jTime = true, .seconds = true};

struct SwitchRow {
  std::string arguments;
  MenuMarks fromEmptyStore;
  MenuMarks fromFilledStore;  // store: date and time, no seconds, just date
};

TEST_F(StartupTest, EverySwitchFromAnEmptyAndAFilledStore) {
  const MenuMarks date{.jDate = true, .seconds = true, .secondsVisible = false};
  const MenuMarks time{.jTime = true};
  const MenuMarks dateTime{.dateTime = true};
  const MenuMarks dateTimeSec{.dateTime = true, .seconds = true};
  const std::vector<SwitchRow> rows = {
      {"", time, {.jDate = true, .dateTime = true}},
      {"-date", date, date},
      {"-time", time, time},
      {"-timesec", kDesignTime, kDesignTime},
      {"-timedate", dateTime, dateTime},
      {"-timedatesec", dateTimeSec, dateTimeSec},
      {"-noadjust",
       {.jTime = true, .seconds = true, .adjust = false},
       {.jTime = true, .seconds = true, .adjust = false}},
      {"-date -noadjust", kDesignTime, kDesignTime},
      {"-DATE", kDesignTime, kDesignTime},
      {"-Date", kDesignTime, kDesignTime},
      {"-date ", kDesignTime, kDesignTime},
      {" -date", kDesignTime, kDesignTime},
      {"-dat", kDesignTime, kDesignTime},
      {"/date", kDesignTime, kDesignTime},
  };
  const Values filledStore = {{"Left", "300"},      {"Top", "450"},
                              {"JTime", "False"},   {"DateTime", "True"},
                              {"Seconds", "False"}, {"JDate", "True"},
                              {"24 Hour", "True"}};
  const std::vector<std::string> everyRead = {
      "Left", "Top", "24 Hour", "JTime", "DateTime", "Seconds", "JDate"};
  const std::vector<std::string> placeAndHours = {"Left", "Top", "24 Hour"};
  for (const SwitchRow& row : rows) {
    for (const bool filled : {false, true}) {
      SCOPED_TRACE("arguments \"" + row.arguments + "\"" +
                   (filled ? " filled store" : " empty store"));
      TestProgram fresh;
      fresh.start(row.arguments, filled ? filledStore : Values{});
      // The position and the 24-hour mark come from the store whatever
      // the switch.
      MenuMarks expected = filled ? row.fromFilledStore : row.fromEmptyStore;
      expected.hours24 = filled;
      EXPECT_EQ(fresh.marks(), expected);
      EXPECT_EQ(fresh.window().left(), filled ? 300 : 5430);
      EXPECT_EQ(fresh.window().top(), filled ? 450 : -15);
      EXPECT_EQ(callsTo(fresh.runtime.journal, "read "),
                row.arguments.empty() ? everyRead : placeAndHours);
      EXPECT_TRUE(callsTo(fresh.runtime.journal, "save ").empty())
          << "start-up writes nothing";
      EXPECT_EQ(fresh.runtime.app().commandReads, 1);
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
  // The clock window (0x1000) into the topmost band (-1), neither moved nor
  // sized nor activated (SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE: on top
  // without taking the keyboard).
  EXPECT_EQ(callsTo(runtime.journal, "SetWindowPos "),
            (std::vector<std::string>{"0x1000 -1 19"}));
  const Journal& j = runtime.journal;
  const auto at = [&j](const std::string& entry) {
    return std::find_if(
               j.begin(), j.end(),
               [&](const std::string& e) { return e.starts_with(entry); }) -
           j.begin();
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
  EXPECT_EQ(window().timer().interval(), 100);
  // A window manager that refuses the topmost band does not stop the start.
  TestProgram refused;
  refused.runtime.windows().setWindowPosResult = 0;
  refused.start();
  EXPECT_TRUE(refused.window().visible);
  EXPECT_TRUE(refused.runtime.app().errors.empty());
}

TEST_F(StartupTest, SecondInstanceEndsAtOnceWithoutReadingOrShowing) {
  runtime.app().previousInstance = true;
  runtime.settings().put("Left", "100");
  start();
  EXPECT_TRUE(runtime.app().ended());
  EXPECT_EQ(runtime.journal, (Journal{"create form", "end"}));
  EXPECT_FALSE(window().visible);
  EXPECT_FALSE(program.frmMenuLoaded());
  EXPECT_FALSE(window().timer().fire());
  EXPECT_EQ(runtime.settings().values().at("Left"), "100");
}

TEST_F(StartupTest, CorruptStoredTextsFallBackToTheirDefaults) {
  const std::vector<std::string> hostile = {
      "abc",  "",     " ",        "1e39",   "-1e39",
      "nan",  "inf",  "0x10",     "5430px", std::string(100000, '9'),
      "12,5", "True", "\xff\xfe", "--5"};
  for (const std::string& text : hostile) {
    SCOPED_TRACE("stored text \"" + text.substr(0, 20) + "\"");
    TestProgram fresh;
    Values stored;
    for (const char* key :
         {"Left", "Top", "JTime", "DateTime", "Seconds", "JDate", "24 Hour"}) {
      stored[key] = text;
    }
    fresh.start("", stored);
    EXPECT_TRUE(fresh.runtime.app().errors.empty());
    EXPECT_TRUE(fresh.window().visible);
    // Words and numbers that do read as values keep them.
    const bool asFlag = text == "True";
    EXPECT_EQ(fresh.marks(), (MenuMarks{.jTime = true,
                                        .jDate = asFlag,
                                        .dateTime = asFlag,
                                        .seconds = asFlag,
                                        .hours24 = asFlag}));
    EXPECT_EQ(fresh.window().left(), 5430);
    EXPECT_EQ(fresh.window().top(), -15);
  }
}

TEST_F(StartupTest, StoredFlagsApplyOneByOneWithoutRepair) {
  start("", {{"JTime", "True"}, {"JDate", "True"}, {"DateTime", "True"}});
  // Only -date hides Seconds.
  EXPECT_EQ(marks(),
            (MenuMarks{.jTime = true, .jDate = true, .dateTime = true}));
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
    TestProgram fresh;
    fresh.runtime.screens.push_back({-1280 * 15, 0, 0, 1024 * 15});
    fresh.start("", {{"Left", row.left}, {"Top", row.top}});
    EXPECT_EQ(fresh.window().left(), row.expectedLeft);
    EXPECT_EQ(fresh.window().top(), row.expectedTop);
    // The default place is a detour: the close stores the place the user
    // chose, so the clock goes back to its monitor when it is there again.
    fresh.window().close(platform::UnloadReason::kControlMenu);
    EXPECT_EQ(std::stof(fresh.runtime.settings().values().at("Left")),
              std::stof(row.left));
    EXPECT_EQ(std::stof(fresh.runtime.settings().values().at("Top")),
              std::stof(row.top));
  }
}

TEST_F(StartupTest, StoredOptionsComeBackAtTheNextStart) {
  start();
  choose("Date & Time");
  choose("24 hour time");
  window().setLeft(4500);
  window().setTop(-45);
  choose("Exit");

  TestProgram next;
  next.start("", runtime.settings().values());
  next.tick();
  EXPECT_EQ(next.window().left(), 4500);
  EXPECT_EQ(next.window().top(), -45);
  EXPECT_EQ(next.label().caption(), "21:5  Monday, March 4 2024");
}

}  // namespace
}  // namespace quorvo::testing
