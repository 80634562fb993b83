// The clock window's form: window styles, geometry in twips, the close and
// session-end events, mouse events and the exception guard.
#include "platform/win32/form.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <cmath>
#include <cstddef>
#include <cstdio>

#include "platform/services.h"
#include "platform/twips.h"
#include "platform/win32/date_time.h"
#include "platform/win32/dpi.h"
#include "platform/win32/handles.h"
#include "platform/win32/runtime.h"
#include "win32_test_support.h"

namespace quorvo::platform::win32 {
namespace {

using win32_testing::MessageCounter;
using win32_testing::RecordingFormEvents;
using win32_testing::TestRuntime;

class Win32FormTest : public ::testing::Test {
 protected:
  HWND hwnd() { return form->window(); }
  RECT rect() {
    RECT r{};
    EXPECT_TRUE(GetWindowRect(hwnd(), &r));
    return r;
  }
  unsigned dpi() { return form->dpi(); }
  LPARAM point(int x, int y) {
    return static_cast<LPARAM>((static_cast<std::uint32_t>(y) << 16) |
                               (static_cast<std::uint32_t>(x) & 0xFFFF));
  }

  TestRuntime runtime;
  RecordingFormEvents events;
  win32_testing::RecordingLabelEvents labelEvents_;
  std::unique_ptr<Win32Form> form = win32_testing::createForm(*runtime, events);
};

TEST_F(Win32FormTest, ChangedRegionalFormatsAreFormattedAnew) {
  Win32DateTime& dateTime = runtime->dateTime();
  const LocalDateTime reading{2024, 3, 4, 1, 21, 5, 3};
  (void)dateTime.format(reading, kLongDatePattern);
  const std::size_t before = dateTime.systemFormatCount();
  // Other settings, with or without a section name, keep the texts.
  SendMessageW(hwnd(), WM_SETTINGCHANGE, SPI_SETDESKWALLPAPER, 0);
  SendMessageW(hwnd(), WM_SETTINGCHANGE, 0,
               reinterpret_cast<LPARAM>(L"Policy"));
  (void)dateTime.format(reading, kLongDatePattern);
  EXPECT_EQ(dateTime.systemFormatCount(), before);
  SendMessageW(hwnd(), WM_SETTINGCHANGE, 0, reinterpret_cast<LPARAM>(L"intl"));
  (void)dateTime.format(reading, kLongDatePattern);
  EXPECT_EQ(dateTime.systemFormatCount(), before + 1);
}

TEST_F(Win32FormTest, IsAHiddenBorderedPopupWithoutCaption) {
  ASSERT_TRUE(IsWindow(hwnd()));
  EXPECT_FALSE(IsWindowVisible(hwnd()));
  const auto style = static_cast<DWORD>(GetWindowLongPtrW(hwnd(), GWL_STYLE));
  EXPECT_NE(style & WS_POPUP, 0u);
  EXPECT_NE(style & WS_BORDER, 0u);
  EXPECT_EQ(style & WS_DLGFRAME, 0u);  // WS_CAPTION is border + dialog frame
  EXPECT_EQ(style & WS_SYSMENU, 0u);
  EXPECT_EQ(style & WS_THICKFRAME, 0u);
  EXPECT_EQ(style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX), 0u);
  const auto exStyle =
      static_cast<DWORD>(GetWindowLongPtrW(hwnd(), GWL_EXSTYLE));
  EXPECT_NE(exStyle & WS_EX_TOOLWINDOW, 0u);
  EXPECT_NE(GetClassLongPtrW(hwnd(), GCL_STYLE) & CS_DBLCLKS, 0u);
  wchar_t className[64] = {};
  ASSERT_GT(GetClassNameW(hwnd(), className, 64), 0);
  EXPECT_STREQ(className, kFormClassName);
  EXPECT_EQ(form->hWnd(), reinterpret_cast<WindowHandle>(hwnd()));
}

TEST_F(Win32FormTest, OnePixelBorderAroundTheClientArea) {
  form->setWidth(pixelsToTwips(100, dpi()));
  form->setHeight(pixelsToTwips(30, dpi()));
  RECT client{};
  ASSERT_TRUE(GetClientRect(hwnd(), &client));
  EXPECT_EQ(client.right, 98);
  EXPECT_EQ(client.bottom, 28);
}

// Sizes in twips of the window's DPI, places of the system's (under Wine
// the two are the same).
TEST_F(Win32FormTest, GeometryIsInTwips) {
  form->setLeft(5430);
  form->setTop(-15);
  form->setWidth(900);
  form->setHeight(600);
  const RECT r = rect();
  EXPECT_EQ(r.left, twipsToPixels(5430, systemDpi()));
  EXPECT_EQ(r.top, twipsToPixels(-15, systemDpi()));
  EXPECT_EQ(r.right - r.left, twipsToPixels(900, dpi()));
  EXPECT_EQ(r.bottom - r.top, twipsToPixels(600, dpi()));
  EXPECT_FLOAT_EQ(form->left(), pixelsToTwips(r.left, systemDpi()));
  EXPECT_FLOAT_EQ(form->top(), pixelsToTwips(r.top, systemDpi()));
  EXPECT_FLOAT_EQ(form->width(), pixelsToTwips(r.right - r.left, dpi()));
  EXPECT_FLOAT_EQ(form->height(), pixelsToTwips(r.bottom - r.top, dpi()));
  if (systemDpi() == 96) {
    EXPECT_EQ(r.left, 362);
    EXPECT_EQ(r.top, -1);
    EXPECT_FLOAT_EQ(form->left(), 5430);
    EXPECT_FLOAT_EQ(form->top(), -15);
  }
}

TEST_F(Win32FormTest, SettingTheSamePixelMovesNothing) {
  form->setLeft(3000);
  form->setTop(3000);
  form->setWidth(1500);
  form->setHeight(450);
  MessageCounter counter(hwnd());
  const float tpp = static_cast<float>(twipsPerPixel(dpi()));
  form->setLeft(form->left() + tpp / 3);
  form->setTop(form->top() - tpp / 3);
  form->setWidth(form->width() + tpp / 3);
  form->setHeight(form->height());
  EXPECT_EQ(counter.count(WM_WINDOWPOSCHANGING), 0);
  form->setWidth(form->width() + tpp);
  EXPECT_EQ(counter.count(WM_WINDOWPOSCHANGING), 1);
}

// The form keeps its rectangle rather than asking for it at every tick:
// moves and sizes made past it (a drag, another program, the system) must
// still be what it reports and what it compares a new width against.
TEST_F(Win32FormTest, MovesAndSizesFromElsewhereAreSeen) {
  form->move(pixelsToTwips(100, systemDpi()), pixelsToTwips(100, systemDpi()));
  form->setWidth(pixelsToTwips(80, dpi()));
  form->setHeight(pixelsToTwips(20, dpi()));
  ASSERT_TRUE(SetWindowPos(hwnd(), nullptr, 140, 160, 95, 24,
                           SWP_NOZORDER | SWP_NOACTIVATE));
  EXPECT_FLOAT_EQ(form->left(), pixelsToTwips(140, systemDpi()));
  EXPECT_FLOAT_EQ(form->top(), pixelsToTwips(160, systemDpi()));
  EXPECT_FLOAT_EQ(form->width(), pixelsToTwips(95, dpi()));
  EXPECT_FLOAT_EQ(form->height(), pixelsToTwips(24, dpi()));
  ASSERT_TRUE(MoveWindow(hwnd(), 150, 170, 90, 22, FALSE));
  // Back to the width it had before the last change: a real change, made.
  form->setWidth(pixelsToTwips(95, dpi()));
  const RECT r = rect();
  EXPECT_EQ(r.left, 150);
  EXPECT_EQ(r.top, 170);
  EXPECT_EQ(r.right - r.left, 95);
  EXPECT_EQ(r.bottom - r.top, 22);
  MessageCounter counter(hwnd());
  form->setWidth(pixelsToTwips(95, dpi()));
  EXPECT_EQ(counter.count(WM_WINDOWPOSCHANGING), 0);
}

TEST_F(Win32FormTest, SmallSizesAreKept) {
  form->setWidth(pixelsToTwips(6, dpi()));
  form->setHeight(pixelsToTwips(4, dpi()));
  const RECT r = rect();
  EXPECT_EQ(r.right - r.left, 6);
  EXPECT_EQ(r.bottom - r.top, 4);
}

TEST_F(Win32FormTest, HostilePositionIsClampedAndOffScreen) {
  form->setWidth(900);
  form->setHeight(300);
  form->setLeft(1e30f);
  form->setTop(-1e30f);
  const RECT r = rect();
  EXPECT_EQ(r.left, kMaxPixels);
  EXPECT_EQ(r.top, -kMaxPixels);
  EXPECT_FALSE(form->isOnAnyScreen());
  form->setWidth(1e30f);
  EXPECT_LE(rect().right - rect().left, kMaxPixels);
}

TEST_F(Win32FormTest, NaNPositionIsRefused) {
  form->setLeft(1500);
  EXPECT_THROW(form->setLeft(std::nanf("")), RuntimeError);
  EXPECT_FLOAT_EQ(form->left(),
                  pixelsToTwips(twipsToPixels(1500, dpi()), dpi()));
}

TEST_F(Win32FormTest, OnScreenWhenAnyPartIsOnAMonitor) {
  form->setWidth(900);
  form->setHeight(300);
  form->setLeft(1500);
  form->setTop(1500);
  EXPECT_TRUE(form->isOnAnyScreen());
  form->setTop(-200);  // partly above the screen
  EXPECT_TRUE(form->isOnAnyScreen());
  form->setLeft(-100000);
  EXPECT_FALSE(form->isOnAnyScreen());
}

TEST_F(Win32FormTest, ShowMakesVisibleAndRefreshPaints) {
  form->setWidth(900);
  form->setHeight(300);
  form->show();
  EXPECT_TRUE(IsWindowVisible(hwnd()));
  EXPECT_TRUE(form->isVisible());
  // Shown without taking the keys from whatever has them.
  EXPECT_NE(GetActiveWindow(), hwnd());
  EXPECT_NE(GetForegroundWindow(), hwnd());
  EXPECT_TRUE(runtime->anyFormVisible());
  InvalidateRect(hwnd(), nullptr, TRUE);
  form->refresh();
  RECT update{};
  EXPECT_FALSE(GetUpdateRect(hwnd(), &update, FALSE));
}

TEST_F(Win32FormTest, CloseRequestRaisesQueryUnloadThenClosed) {
  SendMessageW(hwnd(), WM_CLOSE, 0, 0);
  EXPECT_EQ(events.log,
            (std::vector<std::string>{"Form_QueryUnload", "Form_Closed"}));
  ASSERT_EQ(events.queryUnloadReasons.size(), 1u);
  EXPECT_EQ(events.queryUnloadReasons[0], UnloadReason::kControlMenu);
  EXPECT_EQ(events.closedReasons[0], UnloadReason::kControlMenu);
  // The program decides; the runtime does not destroy the window itself.
  EXPECT_TRUE(IsWindow(hwnd()));
}

TEST_F(Win32FormTest, CancelledCloseRaisesNoClosed) {
  events.cancelWith = -1;
  SendMessageW(hwnd(), WM_CLOSE, 0, 0);
  EXPECT_EQ(events.log, (std::vector<std::string>{"Form_QueryUnload"}));
  EXPECT_TRUE(IsWindow(hwnd()));
}

TEST_F(Win32FormTest, SessionEndRaisesQueryUnloadAndClosed) {
  EXPECT_EQ(SendMessageW(hwnd(), WM_QUERYENDSESSION, 0, 0), TRUE);
  EXPECT_TRUE(events.log.empty());
  SendMessageW(hwnd(), WM_ENDSESSION, TRUE, 0);
  EXPECT_EQ(events.log,
            (std::vector<std::string>{"Form_QueryUnload", "Form_Closed"}));
  EXPECT_EQ(events.queryUnloadReasons[0], UnloadReason::kSessionEnding);
  EXPECT_EQ(events.closedReasons[0], UnloadReason::kSessionEnding);
}

TEST_F(Win32FormTest, CancelledSessionEndStillCloses) {
  events.cancelWith = -1;  // the session ends whatever the program says
  SendMessageW(hwnd(), WM_ENDSESSION, TRUE, 0);
  EXPECT_EQ(events.log,
            (std::vector<std::string>{"Form_QueryUnload", "Form_Closed"}));
}

TEST_F(Win32FormTest, SessionThatGoesOnRaisesNothing) {
  SendMessageW(hwnd(), WM_ENDSESSION, FALSE, 0);
  EXPECT_TRUE(events.log.empty());
}

struct MouseCase {
  UINT message;
  std::int16_t button;
};

class Win32FormMouseTest : public Win32FormTest,
                           public ::testing::WithParamInterface<MouseCase> {};

TEST_P(Win32FormMouseTest, PressRaisesMouseDownWithButtonAndTwips) {
  SendMessageW(hwnd(), GetParam().message, MK_SHIFT | MK_CONTROL, point(10, 4));
  ASSERT_EQ(events.mouseDowns.size(), 1u);
  const auto& press = events.mouseDowns[0];
  EXPECT_EQ(press.button, GetParam().button);
  EXPECT_EQ(press.shift & 3, 3);  // Shift 1 + Ctrl 2
  EXPECT_FLOAT_EQ(press.x, pixelsToTwips(10, dpi()));
  EXPECT_FLOAT_EQ(press.y, pixelsToTwips(4, dpi()));
  EXPECT_EQ(events.log, (std::vector<std::string>{"Form_MouseDown"}));
}

INSTANTIATE_TEST_SUITE_P(
    Buttons, Win32FormMouseTest,
    ::testing::Values(MouseCase{WM_LBUTTONDOWN, kLeftButton},
                      MouseCase{WM_RBUTTONDOWN, kRightButton},
                      MouseCase{WM_MBUTTONDOWN, kMiddleButton},
                      MouseCase{WM_RBUTTONDBLCLK, kRightButton},
                      MouseCase{WM_MBUTTONDBLCLK, kMiddleButton}));

TEST_F(Win32FormTest, PlainPressHasNoShiftBits) {
  SendMessageW(hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, point(1, 1));
  ASSERT_EQ(events.mouseDowns.size(), 1u);
  EXPECT_EQ(events.mouseDowns[0].shift & 3, 0);
}

TEST_F(Win32FormTest, LeftDoubleClickRaisesDblClickOnly) {
  SendMessageW(hwnd(), WM_LBUTTONDBLCLK, MK_LBUTTON, point(3, 3));
  EXPECT_EQ(events.log, (std::vector<std::string>{"Form_DblClick"}));
}

TEST_F(Win32FormTest, ThrowingHandlerLeavesTheWindowAlive) {
  events.throwFrom = "Form_MouseDown";
  SendMessageW(hwnd(), WM_RBUTTONDOWN, 0, point(1, 1));
  SendMessageW(hwnd(), WM_RBUTTONDOWN, 0, point(1, 1));
  EXPECT_TRUE(IsWindow(hwnd()));
  ASSERT_EQ(runtime.reporter.errors.size(), 2u);
  EXPECT_EQ(runtime.reporter.errors[0].handler, "Form_MouseDown");
  EXPECT_EQ(runtime.reporter.errors[0].what, "mouse down");
  events.throwFrom.clear();
  SendMessageW(hwnd(), WM_LBUTTONDBLCLK, 0, point(1, 1));
  EXPECT_EQ(events.log.back(), "Form_DblClick");
}

TEST_F(Win32FormTest, ThrowingQueryUnloadStillCloses) {
  events.throwFrom = "Form_QueryUnload";
  SendMessageW(hwnd(), WM_CLOSE, 0, 0);
  EXPECT_EQ(events.log,
            (std::vector<std::string>{"Form_QueryUnload", "Form_Closed"}));
  EXPECT_EQ(runtime.reporter.errors.size(), 1u);
}

TEST_F(Win32FormTest, UnloadDestroysTheWindowWithoutEvents) {
  const HWND window = hwnd();
  form->show();
  form->unload();
  EXPECT_FALSE(IsWindow(window));
  EXPECT_EQ(form->hWnd(), 0u);
  EXPECT_FALSE(form->isVisible());
  EXPECT_TRUE(events.log.empty());
  EXPECT_THROW((void)form->left(), RuntimeError);
  EXPECT_THROW(form->setWidth(100), RuntimeError);
  EXPECT_THROW(form->show(), RuntimeError);
  form->unload();  // a second unload changes nothing
  EXPECT_FALSE(runtime->anyFormVisible());
}

TEST_F(Win32FormTest, EndOfProgramTakesTheWindowsAndStopsEvents) {
  const HWND window = hwnd();
  form->show();
  runtime->app().end();
  EXPECT_TRUE(runtime->app().ended());
  EXPECT_FALSE(IsWindow(window));
  EXPECT_TRUE(win32_testing::takeQuitMessage());
  EXPECT_TRUE(events.log.empty());
}

TEST_F(Win32FormTest, MessagesReachTheFormOfTheirWindow) {
  RecordingFormEvents otherEvents;
  auto other = win32_testing::createForm(*runtime, otherEvents);
  const auto doubleClick = [](HWND window) {
    SendMessageW(window, WM_LBUTTONDBLCLK, MK_LBUTTON, 0);
  };
  doubleClick(hwnd());
  doubleClick(other->window());
  doubleClick(other->window());
  doubleClick(hwnd());
  EXPECT_EQ(events.log.size(), 2u);
  EXPECT_EQ(otherEvents.log.size(), 2u);

  // A form made after another went (its window handle may come back) gets
  // its own messages, never the old form's.
  other.reset();
  RecordingFormEvents thirdEvents;
  auto third = win32_testing::createForm(*runtime, thirdEvents);
  doubleClick(third->window());
  doubleClick(hwnd());
  doubleClick(third->window());
  EXPECT_EQ(thirdEvents.log,
            (std::vector<std::string>{"Form_DblClick", "Form_DblClick"}));
  EXPECT_EQ(events.log.size(), 3u);
}

TEST_F(Win32FormTest, NoEventAfterTheEnd) {
  runtime->app().end();
  (void)win32_testing::takeQuitMessage();
  RecordingFormEvents later;
  auto another = win32_testing::createForm(*runtime, later);
  SendMessageW(another->window(), WM_RBUTTONDOWN, 0, point(1, 1));
  SendMessageW(another->window(), WM_CLOSE, 0, 0);
  EXPECT_TRUE(later.log.empty());
}

TEST_F(Win32FormTest, DpiChangeTakesTheSuggestedRectAndRebuildsTheFont) {
  auto& label = form->addLabel({"Time", 15, 15, "lblTime"}, labelEvents_);
  const float widthBefore = label.width();
  const float heightBefore = label.height();
  // As on a monitor of another scale: the place stays in twips of the one
  // desktop-wide scale, and the program refits the height to the new font.
  form->move(1500, 1800);
  const RECT before = rect();
  const float left = form->left();
  const float top = form->top();
  events.onFontChanged = [&] { form->setHeight(label.height() + 65); };
  const unsigned newDpi = dpi() * 3 / 2;
  RECT suggested{before.left, before.top, before.left + 90, before.top + 30};
  SendMessageW(hwnd(), WM_DPICHANGED, MAKEWPARAM(newDpi, newDpi),
               reinterpret_cast<LPARAM>(&suggested));
  const RECT r = rect();
  EXPECT_EQ(r.left, before.left);
  EXPECT_EQ(r.top, before.top);
  EXPECT_EQ(r.right - r.left, 90);
  EXPECT_EQ(form->left(), left);
  EXPECT_EQ(form->top(), top);
  EXPECT_EQ(r.bottom - r.top, twipsToPixels(label.height() + 65, newDpi));
  EXPECT_EQ(events.log, std::vector<std::string>{"Form_FontChanged"});
  EXPECT_EQ(dpi(), newDpi);
  // Twips stay twips: the label measures about the same in twips with the
  // font made for the new DPI.
  EXPECT_NEAR(label.width(), widthBefore, widthBefore * 0.25f);
  EXPECT_NEAR(label.height(), heightBefore, heightBefore * 0.25f);
  RECT labelRect{};
  ASSERT_TRUE(
      GetWindowRect(static_cast<Win32Label&>(label).window(), &labelRect));
  POINT corner{labelRect.left, labelRect.top};
  ASSERT_TRUE(ScreenToClient(hwnd(), &corner));
  EXPECT_EQ(corner.x, twipsToPixels(15, newDpi));
  // Exactly the caption's extent in the new font, measured here apart.
  const WindowDc dc(hwnd());
  const SelectedObject font(dc.get(), form->font());
  SIZE extent{};
  ASSERT_TRUE(GetTextExtentPoint32W(dc.get(), L"Time", 4, &extent));
  EXPECT_EQ(labelRect.right - labelRect.left, extent.cx);
  EXPECT_EQ(labelRect.bottom - labelRect.top, extent.cy);
  EXPECT_TRUE(runtime.reporter.errors.empty());
}

TEST_F(Win32FormTest, SystemFontChangesReachTheProgram) {
  struct Row {
    WPARAM action;
    const wchar_t* area;
    bool fontChanged;
  };
  for (const Row& row :
       {Row{SPI_SETNONCLIENTMETRICS, nullptr, true},
        Row{0, L"WindowMetrics", true},
        Row{SPI_SETDESKWALLPAPER, nullptr, false}, Row{0, L"intl", false}}) {
    events.log.clear();
    SendMessageW(hwnd(), WM_SETTINGCHANGE, row.action,
                 reinterpret_cast<LPARAM>(row.area));
    EXPECT_EQ(events.log.size(), row.fontChanged ? 1u : 0u) << row.action;
  }
  EXPECT_TRUE(runtime.reporter.errors.empty());
}

TEST(DpiAwarenessTest, TheProcessIsPerMonitorAware) {
  // The process set-up (main.cpp) asked for per-monitor awareness version 2
  // and, where the system refuses it, version 1; the log says which.
  const DPI_AWARENESS_CONTEXT context = GetThreadDpiAwarenessContext();
  const bool version2 = AreDpiAwarenessContextsEqual(
      context, DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2);
  std::printf("DPI awareness obtained: per-monitor %s\n",
              version2 ? "version 2" : "version 1 (version 2 refused)");
  EXPECT_EQ(GetAwarenessFromDpiAwarenessContext(context),
            DPI_AWARENESS_PER_MONITOR_AWARE);
}

}  // namespace
}  // namespace quorvo::platform::win32
