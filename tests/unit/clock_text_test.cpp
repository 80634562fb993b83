// The clock text of a tick: which display options give which text, tooltip
// and window width.
#include <gtest/gtest.h>

#include "clock/frm_quorvo.h"
#include "memory_runtime.h"
#include "menu/frm_menu.h"
#include "quorvo.h"

namespace quorvo {
namespace {

TEST(ClockTextTest, Placeholder) {
  testing::MemoryRuntime runtime;
  Quorvo program(runtime);
  program.start();
  runtime.form().tick();
  EXPECT_EQ(runtime.form().label().caption(), "9:05 PM");
}

}  // namespace
}  // namespace quorvo
