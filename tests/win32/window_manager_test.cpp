// The window-manager calls: topmost band, caption press, pointer position.
#include "platform/win32/window_manager.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>

#include "win32_test_support.h"

namespace quorvo::platform::win32 {
namespace {

class WindowManagerTest : public win32_testing::FormFixture {
 protected:
  WindowManagerTest() { placeAt(); }
  WindowHandle handle() { return form->hWnd(); }
  bool topmost() {
    return (GetWindowLongPtrW(hwnd(), GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
  }

  Win32WindowManager windows;
};

TEST_F(WindowManagerTest, SetWindowPosPutsIntoAndOutOfTheTopmostBand) {
  const auto topmostAfter =
      static_cast<WindowHandle>(static_cast<std::intptr_t>(-1));
  const auto notTopmostAfter =
      static_cast<WindowHandle>(static_cast<std::intptr_t>(-2));
  const Rect before = rect();
  EXPECT_NE(windows.setWindowPos(handle(), topmostAfter, 0, 0, 0, 0, 3), 0);
  EXPECT_TRUE(topmost());
  EXPECT_EQ(rect(), before);  // SWP_NOSIZE | SWP_NOMOVE
  EXPECT_NE(windows.setWindowPos(handle(), notTopmostAfter, 0, 0, 0, 0, 3), 0);
  EXPECT_FALSE(topmost());
}

// The calls reach the system as they are, and so do its answers.
TEST_F(WindowManagerTest, TheCallsReachTheSystem) {
  EXPECT_EQ(windows.setWindowPos(0x12345678, 0, 0, 0, 0, 0, 3), 0);
  win32_testing::MessageCounter counter(hwnd());
  (void)windows.sendMessage(handle(), WM_NULL, 0, 0);
  EXPECT_EQ(counter.count(WM_NULL), 1);
  SetCapture(hwnd());
  EXPECT_EQ(GetCapture(), hwnd());
  EXPECT_TRUE(windows.releaseCapture());
  EXPECT_EQ(GetCapture(), nullptr);
}

TEST_F(WindowManagerTest, MessagePositionHalvesAreSigned) {
  EXPECT_EQ(screenPointFromMessagePos(0x00960064).x, 100);
  EXPECT_EQ(screenPointFromMessagePos(0x00960064).y, 150);
  EXPECT_EQ(screenPointFromMessagePos(0xFFFF0010).x, 16);
  EXPECT_EQ(screenPointFromMessagePos(0xFFFF0010).y, -1);
  EXPECT_EQ(screenPointFromMessagePos(0x8000FFF6).x, -10);
  EXPECT_EQ(screenPointFromMessagePos(0x8000FFF6).y, -32768);
}

TEST_F(WindowManagerTest, PointerPositionIsWhereTheMessageWasPosted) {
  ASSERT_TRUE(SetCursorPos(200, 150));
  ASSERT_TRUE(PostMessageW(hwnd(), WM_NULL, 0, 0));
  MSG message{};
  ASSERT_TRUE(PeekMessageW(&message, hwnd(), WM_NULL, WM_NULL, PM_REMOVE));
  const ScreenPoint point = windows.messagePointerPosition();
  EXPECT_EQ(point.x, message.pt.x);
  EXPECT_EQ(point.y, message.pt.y);
  EXPECT_EQ(point.x, 200);
  EXPECT_EQ(point.y, 150);
}

}  // namespace
}  // namespace quorvo::platform::win32
