// Window timers: ticks from the message loop only, while enabled, and none
// after the form or the program went; the loop ends with the program.
#include <gtest/gtest.h>
#include <windows.h>

#include <chrono>

#include "platform/win32/form.h"
#include "win32_test_support.h"

namespace quorvo::platform::win32 {
namespace {

using namespace std::chrono_literals;
using win32_testing::pumpFor;
using win32_testing::pumpUntil;

class Win32TimerTest : public win32_testing::FormFixture {
 protected:
  Timer& addTimer(int interval, bool enabled) {
    return form->addTimer({interval, enabled, "tmrTest"}, [this] { ++ticks; });
  }

  int ticks = 0;
};

TEST_F(Win32TimerTest, TicksOnlyFromTheMessageLoop) {
  Timer& timer = addTimer(10, true);
  EXPECT_TRUE(timer.enabled());
  EXPECT_EQ(timer.interval(), 10);
  Sleep(80);  // due several times over, but nobody reads messages
  EXPECT_EQ(ticks, 0);
  EXPECT_TRUE(pumpUntil([this] { return ticks >= 3; }));
}

TEST_F(Win32TimerTest, DisabledTimerDoesNotTick) {
  addTimer(0, true);  // no interval: never due
  Timer& timer = addTimer(10, false);
  pumpFor(100ms);
  EXPECT_EQ(ticks, 0);
  timer.setEnabled(true);
  EXPECT_TRUE(pumpUntil([this] { return ticks >= 1; }));
  timer.setEnabled(false);
  const int stoppedAt = ticks;
  pumpFor(100ms);
  EXPECT_EQ(ticks, stoppedAt);
}

// Unloading the form, or the program's end, stops every tick.
TEST_F(Win32TimerTest, NoTickAfterTheUnloadOrTheEnd) {
  addTimer(10, true);
  EXPECT_TRUE(pumpUntil([this] { return ticks >= 1; }));
  form->unload();
  const int stoppedAt = ticks;
  pumpFor(100ms);
  EXPECT_EQ(ticks, stoppedAt);

  auto other = win32_testing::createForm(*runtime, events);
  int otherTicks = 0;
  other->addTimer({10, true}, [&otherTicks] { ++otherTicks; });
  runtime->app().end();
  (void)win32_testing::takeQuitMessage();
  pumpFor(80ms);
  EXPECT_EQ(otherTicks, 0);
}

TEST_F(Win32TimerTest, TwoTimersTickSeparately) {
  int other = 0;
  addTimer(10, true);
  Timer& second = form->addTimer({10, false}, [&other] { ++other; });
  EXPECT_TRUE(pumpUntil([this] { return ticks >= 3; }));
  EXPECT_EQ(other, 0);
  second.setEnabled(true);
  EXPECT_TRUE(pumpUntil([&other] { return other >= 1; }));
}

TEST_F(Win32TimerTest, ForeignTimerIdIsIgnored) {
  addTimer(10, false);
  SendMessageW(form->window(), WM_TIMER, 999, 0);
  SendMessageW(form->window(), WM_TIMER, 0, 0);
  EXPECT_EQ(ticks, 0);
}

// Ends a message loop that would otherwise never return, with a code the
// test does not expect.
void CALLBACK Watchdog(HWND, UINT, UINT_PTR, DWORD) { PostQuitMessage(99); }

TEST_F(Win32TimerTest, MessageLoopReturnsWhenTheProgramEnds) {
  int seen = 0;
  form->addTimer({10, true}, [this, &seen] {
    if (++seen == 3) runtime->app().end();
  });
  const UINT_PTR watchdog = SetTimer(nullptr, 0, 10000, Watchdog);
  ASSERT_NE(watchdog, 0u);
  EXPECT_EQ(runMessageLoop(), 0);
  KillTimer(nullptr, watchdog);
  EXPECT_EQ(seen, 3);
  EXPECT_TRUE(runtime->app().ended());
}

}  // namespace
}  // namespace quorvo::platform::win32
