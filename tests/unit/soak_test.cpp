// A long run on the in-memory runtime: a million ticks across every display
// mode, thousands of menu choices, and a clock that crosses days, months,
// years and daylight-saving jumps. Nothing may grow: each time the menu
// choices come round to the same display, the live heap blocks are the same
// as the first time and the live bytes have not grown beyond a few strings'
// worth.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "allocation_counter.h"
#include "test_program.h"

namespace quorvo::testing {
namespace {

using namespace std::chrono;

TEST(SoakTest, MillionTicksAcrossModesAndCalendarChangesGrowNothing) {
  MemoryRuntime runtime;
  Quorvo program(runtime);
  program.start();
  MemoryForm& window = runtime.form();
  const std::vector<std::string> choices = {
      "Just Date", "Seconds",   "Date & Time",  "24 hour time", "Just Time",
      "Seconds",   "Just Date", "24 hour time", "Date & Time"};
  std::size_t nextChoice = 0;

  // New Year's Eve, shortly before midnight, so the run crosses a day, a
  // month and a year early on.
  sys_seconds now = sys_days{2024y / December / 31} + 23h + 50min;
  runtime.dateTime().set(now);
  for (int i = 0; i < 10; ++i) window.tick();
  runtime.popups.reserve(1);
  runtime.journal.reserve(4);
  std::vector<std::pair<long long, long long>> blocksPerRound;
  blocksPerRound.reserve(1000);

  constexpr int kTicks = 1'000'000;
  constexpr int kTicksPerChoice = 200;  // 5,000 menu choices in all
  for (int i = 1; i <= kTicks; ++i) {
    now += i % 10 == 0 ? seconds{1} : seconds{0};
    if (i % 100'000 == 0) now -= 1h;        // clocks go back
    if (i % 150'000 == 0) now += 1h;        // clocks go forward
    if (i % 250'000 == 0) now += days{40};  // a month and more later
    runtime.dateTime().set(now);
    if (i % kTicksPerChoice == 0) {
      runtime.choosePopupItem = choices[nextChoice++ % choices.size()];
      window.pressMouse(platform::kRightButton);
      runtime.popups.clear();
      runtime.journal.clear();
    }
    window.tick();
    ASSERT_FALSE(window.label().caption().empty()) << "tick " << i;
    ASSERT_EQ(window.width(), window.label().width() + 90) << "tick " << i;
    if (i % (kTicksPerChoice * static_cast<int>(choices.size())) == 0) {
      blocksPerRound.emplace_back(liveHeapBlocks(), liveHeapBytes());
    }
  }
  EXPECT_TRUE(runtime.app().errors.empty());
  ASSERT_GT(blocksPerRound.size(), 500u);
  for (std::size_t round = 1; round < blocksPerRound.size(); ++round) {
    ASSERT_EQ(blocksPerRound[round].first, blocksPerRound[0].first)
        << "blocks, round " << round;
    // Strings keep the capacity of the longest text they held (a longer
    // month name later in the run), so bytes may move by a little.
    ASSERT_LE(blocksPerRound[round].second, blocksPerRound[0].second + 256)
        << "bytes, round " << round;
  }
  EXPECT_EQ(window.refreshes, 1);
}

}  // namespace
}  // namespace quorvo::testing
