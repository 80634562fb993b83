// The tick of the clock window: which display options give which clock text
// and tooltip, how the window follows the text, and that an unchanged text
// costs nothing.
#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <string>
#include <vector>

#include "allocation_counter.h"
#include "test_program.h"

namespace quorvo::testing {
namespace {

using namespace std::chrono;

constexpr const char* kLongDate = "Monday, March 4 2024";

class ClockTickTest : public ::testing::Test, public TestProgram {
 protected:
  void SetUp() override { start(); }
  // Ticks with these marks and checks the text and tooltip shown.
  void expectTick(const MenuMarks& marks, const std::string& caption,
                  const std::string& toolTip) {
    SCOPED_TRACE(::testing::Message() << marks);
    setMarks(marks);
    tick();
    EXPECT_EQ(label().caption(), caption);
    EXPECT_EQ(label().toolTipText(), toolTip);
    EXPECT_EQ(program.frmQuorvo().strClockText, caption);
  }
};

struct TickRow {
  const char* name;
  MenuMarks marks;
  std::string caption;
  std::string toolTip;
};

TEST_F(ClockTickTest, EveryDisplayAtTimesAcrossTheDay) {
  // At 21:05:03: the date with its tooltip, and the mode that wins when
  // restored marks name several.
  // clang-format off
  const std::vector<TickRow> rows = {
      {"date", {.jDate = true}, kLongDate, "9:05 PM"},
      {"date with seconds: the tooltip has none",
       {.jDate = true, .seconds = true}, kLongDate, "9:05 PM"},
      {"date 24h", {.jDate = true, .hours24 = true}, kLongDate, "21:5"},
      {"date 24h with seconds",
       {.jDate = true, .seconds = true, .hours24 = true}, kLongDate, "21:5"},
      {"just time wins over just date",
       {.jTime = true, .jDate = true}, "9:05 PM", kLongDate},
      {"just time wins over date and time",
       {.jTime = true, .dateTime = true, .seconds = true}, "9:05:03 PM",
       kLongDate},
      {"just date wins over date and time",
       {.jDate = true, .dateTime = true}, kLongDate, "9:05 PM"},
  };
  // clang-format on
  for (const TickRow& row : rows) {
    SCOPED_TRACE(row.name);
    expectTick(row.marks, row.caption, row.toolTip);
  }
  // Times across the day in every form of the time: without and with
  // seconds, 12- and 24-hour, and with seconds where the system's long time
  // is a 24-hour one ("09:05:03"), which loses only its leading zero. Date
  // and time shows the same text, two blanks and the date, and no tooltip.
  struct TimeRow {
    seconds at;  // into the day
    std::array<const char*, 5> forms;
  };
  const std::vector<TimeRow> times = {
      {21h + 5min + 3s,
       {"9:05 PM", "21:5", "9:05:03 PM", "21:5:3", "21:05:03"}},
      {9h + 5min + 3s, {"9:05 AM", "9:5", "9:05:03 AM", "9:5:3", "9:05:03"}},
      {5min + 3s, {"12:05 AM", "0:5", "12:05:03 AM", "0:5:3", "0:05:03"}},
      {12h + 5min + 3s,
       {"12:05 PM", "12:5", "12:05:03 PM", "12:5:3", "12:05:03"}},
      {23h + 59min,
       {"11:59 PM", "23:59", "11:59:00 PM", "23:59:0", "23:59:00"}},
  };
  for (const TimeRow& time : times) {
    runtime.dateTime().set(sys_days{2024y / March / 4} + time.at);
    for (int form = 0; form < 5; ++form) {
      const std::string text = time.forms[form];
      runtime.dateTime().longTime24 = form == 4;
      MenuMarks marks{.jTime = true,
                      .seconds = form >= 2,
                      .hours24 = form == 1 || form == 3};
      expectTick(marks, text, kLongDate);
      marks.jTime = false;
      marks.dateTime = true;
      expectTick(marks, text + "  " + kLongDate, "");
    }
  }
}

TEST_F(ClockTickTest, AMidnightTickComposesEverythingFromOneReading) {
  // The clock moves on to the next year between its first reading and any
  // later one: a tick that read it twice would show two days.
  constexpr const char* kLastDay = "Thursday, December 31 2026";
  const std::vector<TickRow> rows = {
      {"date and time",
       {.dateTime = true, .seconds = true},
       std::string("11:59:59 PM  ") + kLastDay,
       ""},
      {"time", {.jTime = true, .seconds = true}, "11:59:59 PM", kLastDay},
      {"date", {.jDate = true}, kLastDay, "11:59 PM"},
  };
  for (const TickRow& row : rows) {
    SCOPED_TRACE(row.name);
    runtime.dateTime().set(sys_days{2026y / December / 31} + 23h + 59min + 59s);
    runtime.dateTime().nextReading =
        platform::LocalDateTime{2027, 1, 1, 5, 0, 0, 0};
    expectTick(row.marks, row.caption, row.toolTip);
  }
}

TEST_F(ClockTickTest, NoModeKeepsTheLastTextAndTooltip) {
  // Restored marks that name no mode: the first tick shows an empty text,
  // a later one keeps what the tick before showed.
  for (const bool tickedBefore : {false, true}) {
    SCOPED_TRACE(tickedBefore ? "after a tick" : "at the first tick");
    TestProgram fresh;
    fresh.start("", {{"JTime", "False"}});
    if (tickedBefore) {
      fresh.setMarks(MenuMarks{.jTime = true});
      fresh.tick();
      fresh.setMarks(MenuMarks{});
    }
    fresh.runtime.dateTime().set(sys_days{2024y / March / 5} + 7h + 30min);
    fresh.tick();
    EXPECT_EQ(fresh.label().caption(), tickedBefore ? "9:05 PM" : "");
    EXPECT_EQ(fresh.label().toolTipText(), tickedBefore ? kLongDate : "");
    EXPECT_EQ(fresh.window().width(), fresh.label().width() + 90);
  }
}

TEST_F(ClockTickTest, WindowIsNinetyTwipsWiderThanTheLabelAfterEachTick) {
  const float heightAtLoad = window().height();
  EXPECT_EQ(heightAtLoad, MemoryLabel::kLineHeight + 65);
  EXPECT_EQ(window().width(), label().width() + 115);
  for (const MenuMarks& marks :
       {MenuMarks{.jTime = true}, MenuMarks{.jDate = true},
        MenuMarks{.dateTime = true, .seconds = true},
        MenuMarks{.jTime = true}}) {
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

// Ten ticks a second for as long as the clock runs: a tick whose text has
// not changed repaints nothing, resizes nothing and takes no memory from the
// heap, in any display mode, also with texts too long for a string's own
// small buffer.
TEST_F(ClockTickTest, UnchangedTickCostsNothing) {
  for (const MenuMarks& marks :
       {MenuMarks{.jTime = true},
        MenuMarks{.jTime = true, .seconds = true, .hours24 = true},
        MenuMarks{.jDate = true},
        MenuMarks{.dateTime = true, .seconds = true}}) {
    SCOPED_TRACE(::testing::Message() << marks);
    setMarks(marks);
    tick();  // the new mode's texts are made once
    tick();
    const int repaints = label().repaints;
    const int widthChanges = window().widthChanges;
    const long long before = heapAllocations();
    for (int i = 0; i < 10; ++i) tick();
    EXPECT_EQ(heapAllocations(), before);
    EXPECT_EQ(label().repaints, repaints);
    EXPECT_EQ(window().widthChanges, widthChanges);
    EXPECT_TRUE(runtime.app().errors.empty());
  }
  const int repaints = label().repaints;
  runtime.dateTime().set(sys_days{2024y / March / 4} + 21h + 6min);
  tick();
  EXPECT_EQ(label().repaints, repaints + 1);
}

TEST_F(ClockTickTest, FailingFormatterEndsTheTickButNotTheClock) {
  tick();
  runtime.dateTime().failFormat = true;
  tick();
  ASSERT_EQ(runtime.app().errors.size(), 1u);
  EXPECT_EQ(runtime.app().errors[0], "tmrGetTime_Timer");
  EXPECT_EQ(label().caption(), "9:05 PM");
  runtime.dateTime().failFormat = false;
  runtime.dateTime().set(sys_days{2024y / March / 4} + 21h + 7min);
  tick();
  EXPECT_EQ(label().caption(), "9:07 PM");
}

}  // namespace
}  // namespace quorvo::testing
