// The tick of the clock window: which display options give which clock text
// and tooltip, how the window follows the text, and that an unchanged text
// costs nothing.
#include <string>
#include <utility>
#include <vector>

#include "allocation_counter.h"
#include "program_fixture.h"

namespace quorvo::testing {
namespace {

constexpr const char* kLongDate = "Monday, March 4 2024";

struct Marks {
  bool jTime = false;
  bool jDate = false;
  bool dateTime = false;
  bool seconds = false;
  bool hours24 = false;
};

class ClockTickTest : public ProgramTest {
 protected:
  void SetUp() override { start(); }

  void setMarks(const Marks& marks) {
    menu().mnuJTime.setChecked(marks.jTime);
    menu().mnuJDate.setChecked(marks.jDate);
    menu().mnuDateTime.setChecked(marks.dateTime);
    menu().mnuSeconds.setChecked(marks.seconds);
    menu().mnu24Hour.setChecked(marks.hours24);
  }
};

struct DecisionRow {
  const char* name;
  Marks marks;
  std::string caption;
  std::string toolTip;
};

TEST_F(ClockTickTest, DecisionTableAtFivePastNineInTheEvening) {
  const std::vector<DecisionRow> rows = {
      {"time", {.jTime = true}, "9:05 PM", kLongDate},
      {"time 24h", {.jTime = true, .hours24 = true}, "21:5", kLongDate},
      {"time sec", {.jTime = true, .seconds = true}, "9:05:03 PM", kLongDate},
      {"time sec 24h",
       {.jTime = true, .seconds = true, .hours24 = true},
       "21:5:3",
       kLongDate},
      {"date", {.jDate = true}, kLongDate, "9:05 PM"},
      {"date with seconds: tooltip has none",
       {.jDate = true, .seconds = true},
       kLongDate,
       "9:05 PM"},
      {"date 24h", {.jDate = true, .hours24 = true}, kLongDate, "21:5"},
      {"date 24h with seconds",
       {.jDate = true, .seconds = true, .hours24 = true},
       kLongDate,
       "21:5"},
      {"date and time",
       {.dateTime = true},
       std::string("9:05 PM  ") + kLongDate,
       ""},
      {"date and time sec 24h",
       {.dateTime = true, .seconds = true, .hours24 = true},
       std::string("21:5:3  ") + kLongDate,
       ""},
      {"just time wins over just date",
       {.jTime = true, .jDate = true},
       "9:05 PM",
       kLongDate},
      {"just time wins over date and time",
       {.jTime = true, .dateTime = true, .seconds = true},
       "9:05:03 PM",
       kLongDate},
      {"just date wins over date and time",
       {.jDate = true, .dateTime = true},
       kLongDate,
       "9:05 PM"},
  };
  for (const DecisionRow& row : rows) {
    SCOPED_TRACE(row.name);
    setMarks(row.marks);
    tick();
    EXPECT_EQ(label().caption(), row.caption);
    EXPECT_EQ(label().toolTipText(), row.toolTip);
    EXPECT_EQ(program.frmQuorvo().strClockText, row.caption);
  }
}

TEST_F(ClockTickTest, AMidnightTickComposesEverythingFromOneReading) {
  // The clock moves on to the next year between its first reading and any
  // later one: a tick that read it twice would show two days.
  constexpr const char* kLastDay = "Thursday, December 31 2026";
  const std::vector<DecisionRow> rows = {
      {"date and time",
       {.dateTime = true, .seconds = true},
       std::string("11:59:59 PM  ") + kLastDay,
       ""},
      {"time", {.jTime = true, .seconds = true}, "11:59:59 PM", kLastDay},
      {"date", {.jDate = true}, kLastDay, "11:59 PM"},
  };
  for (const DecisionRow& row : rows) {
    SCOPED_TRACE(row.name);
    setMarks(row.marks);
    runtime.dateTime().set(2026, 12, 31, 23, 59, 59);
    runtime.dateTime().nextReading =
        platform::LocalDateTime{2027, 1, 1, 5, 0, 0, 0};
    tick();
    EXPECT_EQ(label().caption(), row.caption);
    EXPECT_EQ(label().toolTipText(), row.toolTip);
  }
}

struct TimeRow {
  int hour, minute, second;
  const char* medium;    // no seconds, 12-hour
  const char* hm;        // no seconds, 24-hour
  const char* longTime;  // seconds, 12-hour
  const char* hms;       // seconds, 24-hour
};

TEST_F(ClockTickTest, TimeTextsAcrossTheDayInBothForms) {
  const std::vector<TimeRow> rows = {
      {21, 5, 3, "9:05 PM", "21:5", "9:05:03 PM", "21:5:3"},
      {9, 5, 3, "9:05 AM", "9:5", "9:05:03 AM", "9:5:3"},
      {0, 5, 3, "12:05 AM", "0:5", "12:05:03 AM", "0:5:3"},
      {12, 5, 3, "12:05 PM", "12:5", "12:05:03 PM", "12:5:3"},
      {23, 59, 0, "11:59 PM", "23:59", "11:59:00 PM", "23:59:0"},
  };
  for (const TimeRow& row : rows) {
    SCOPED_TRACE(row.medium);
    runtime.dateTime().set(2024, 3, 4, row.hour, row.minute, row.second);
    const std::vector<std::pair<Marks, const char*>> forms = {
        {{.jTime = true}, row.medium},
        {{.jTime = true, .hours24 = true}, row.hm},
        {{.jTime = true, .seconds = true}, row.longTime},
        {{.jTime = true, .seconds = true, .hours24 = true}, row.hms},
    };
    for (const auto& [marks, expected] : forms) {
      setMarks(marks);
      tick();
      EXPECT_EQ(label().caption(), expected);
      Marks both = marks;
      both.jTime = false;
      both.dateTime = true;
      setMarks(both);
      tick();
      EXPECT_EQ(label().caption(), std::string(expected) + "  " + kLongDate);
    }
  }
}

TEST_F(ClockTickTest, TwentyFourHourLongTimeLosesOnlyALeadingZero) {
  runtime.dateTime().longTime24 = true;
  setMarks({.jTime = true, .seconds = true});
  const std::vector<std::pair<int, const char*>> rows = {
      {9, "9:05:03"}, {0, "0:05:03"}, {21, "21:05:03"}};
  for (const auto& [hour, expected] : rows) {
    runtime.dateTime().set(2024, 3, 4, hour, 5, 3);
    tick();
    EXPECT_EQ(label().caption(), expected);
  }
}

TEST_F(ClockTickTest, NoModeAtTheFirstTickShowsAnEmptyText) {
  // A fresh program whose restored marks name no mode.
  MemoryRuntime fresh;
  fresh.settings().put("JTime", "False");
  Quorvo other(fresh);
  other.start();
  fresh.form().tick();
  EXPECT_EQ(fresh.form().label().caption(), "");
  EXPECT_EQ(fresh.form().label().toolTipText(), "");
  EXPECT_EQ(fresh.form().width(), 0 + 90);
}

TEST_F(ClockTickTest, NoModeKeepsTheLastTextAndTooltip) {
  setMarks({.jTime = true});
  tick();
  setMarks({});
  runtime.dateTime().set(2024, 3, 5, 7, 30, 0);
  tick();
  EXPECT_EQ(label().caption(), "9:05 PM");
  EXPECT_EQ(label().toolTipText(), kLongDate);
}

TEST_F(ClockTickTest, WindowIsNinetyTwipsWiderThanTheLabelAfterEachTick) {
  const float heightAtLoad = window().height();
  EXPECT_EQ(heightAtLoad, MemoryLabel::kLineHeight + 65);
  EXPECT_EQ(window().width(), label().width() + 115);
  for (const Marks& marks :
       {Marks{.jTime = true}, Marks{.jDate = true},
        Marks{.dateTime = true, .seconds = true}, Marks{.jTime = true}}) {
    setMarks(marks);
    tick();
    EXPECT_EQ(window().width(), label().width() + 90);
    EXPECT_EQ(window().height(), heightAtLoad);
  }
  // A larger system font (a larger text size, a DPI change) makes the label
  // higher: the window is 65 twips higher than it again, and ticks leave
  // that height alone.
  for (const float lineHeight : {440.0f, 195.0f}) {
    window().changeFont(lineHeight);
    EXPECT_EQ(window().height(), lineHeight + 65);
    tick();
    EXPECT_EQ(window().height(), lineHeight + 65);
  }
}

TEST_F(ClockTickTest, UnchangedTextRepaintsAndResizesNothing) {
  tick();
  const int repaints = label().repaints;
  const int widthChanges = window().widthChanges;
  for (int i = 0; i < 9; ++i) tick();
  EXPECT_EQ(label().repaints, repaints);
  EXPECT_EQ(window().widthChanges, widthChanges);
  runtime.dateTime().set(2024, 3, 4, 21, 6, 0);
  tick();
  EXPECT_EQ(label().repaints, repaints + 1);
}

// Ten ticks a second for as long as the clock runs: a tick whose text has
// not changed takes no memory from the heap, in any display mode, also with
// texts too long for a string's own small buffer.
TEST_F(ClockTickTest, UnchangedTickAllocatesNothing) {
  const std::vector<std::pair<const char*, Marks>> modes = {
      {"time", {.jTime = true}},
      {"time sec 24h", {.jTime = true, .seconds = true, .hours24 = true}},
      {"date", {.jDate = true}},
      {"date and time sec", {.dateTime = true, .seconds = true}},
  };
  for (const auto& [name, marks] : modes) {
    SCOPED_TRACE(name);
    setMarks(marks);
    tick();  // the new mode's texts are made once
    tick();
    const long long before = heapAllocations();
    for (int i = 0; i < 10; ++i) tick();
    EXPECT_EQ(heapAllocations(), before);
    EXPECT_TRUE(runtime.app().errors.empty());
  }
}

TEST_F(ClockTickTest, FailingFormatterEndsTheTickButNotTheClock) {
  tick();
  runtime.dateTime().failFormat = true;
  tick();
  ASSERT_EQ(runtime.app().errors.size(), 1u);
  EXPECT_EQ(runtime.app().errors[0].handler, "tmrGetTime_Timer");
  EXPECT_EQ(label().caption(), "9:05 PM");
  runtime.dateTime().failFormat = false;
  runtime.dateTime().set(2024, 3, 4, 21, 7, 0);
  tick();
  EXPECT_EQ(label().caption(), "9:07 PM");
}

TEST_F(ClockTickTest, TimerTicksTenTimesASecond) {
  EXPECT_EQ(window().timer().interval(), 100);
  EXPECT_TRUE(window().timer().enabled());
}

}  // namespace
}  // namespace quorvo::testing
