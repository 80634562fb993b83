// The clock window's form: its window, geometry in twips, the program's
// end, and changes of DPI and of the system's settings.
#include "platform/win32/form.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <cmath>
#include <cstddef>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/services.h"
#include "platform/twips.h"
#include "platform/win32/date_time.h"
#include "platform/win32/dpi.h"
#include "platform/win32/runtime.h"
#include "win32_test_support.h"

namespace quorvo::platform::win32 {
namespace {

using win32_testing::MessageCounter;
using win32_testing::RecordingFormEvents;

using win32_testing::Win32FormTest;

// Hidden until shown, with a border of one pixel and nothing else around
// its client area: no caption, no sizing frame, no buttons, and no taskbar
// button.
TEST_F(Win32FormTest, IsAHiddenPopupWithAOnePixelBorderOnly) {
  EXPECT_FALSE(IsWindowVisible(hwnd()));
  form->setWidth(pixelsToTwips(100, dpi()));
  form->setHeight(pixelsToTwips(30, dpi()));
  RECT client{};
  ASSERT_TRUE(GetClientRect(hwnd(), &client));
  EXPECT_EQ(client.right, 98);
  EXPECT_EQ(client.bottom, 28);
  const auto style = static_cast<DWORD>(GetWindowLongPtrW(hwnd(), GWL_STYLE));
  EXPECT_EQ(style & (WS_POPUP | WS_BORDER | WS_DLGFRAME | WS_SYSMENU |
                     WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX),
            static_cast<DWORD>(WS_POPUP | WS_BORDER));
  EXPECT_NE(GetWindowLongPtrW(hwnd(), GWL_EXSTYLE) & WS_EX_TOOLWINDOW, 0);
  wchar_t className[64] = {};
  ASSERT_GT(GetClassNameW(hwnd(), className, 64), 0);
  EXPECT_STREQ(className, kFormClassName);
  EXPECT_EQ(form->hWnd(), reinterpret_cast<WindowHandle>(hwnd()));
}

// Sizes in twips of the window's DPI, places of the system's (under Wine
// the two are the same); hostile values clamped; on a screen while any
// part of the window is.
TEST_F(Win32FormTest, GeometryIsInTwipsClampedAndOnScreenWhileAnyPartIs) {
  const auto place = [](float twips) {
    return twipsToPixels(twips, systemDpi());
  };
  const auto size = [this](float twips) { return twipsToPixels(twips, dpi()); };
  const float onePixel = static_cast<float>(twipsPerPixel(dpi()));
  struct Row {
    const char* name;
    float left, top, width, height;  // twips
    int x, y, cx, cy;                // pixels
    bool onScreen;
  };
  const std::vector<Row> rows = {
      {"the default place", 5430, -15, 900, 600, place(5430), place(-15),
       size(900), size(600), true},
      {"small sizes are kept", 1500, 1500, 6 * onePixel, 4 * onePixel,
       place(1500), place(1500), 6, 4, true},
      {"partly above the screen", 1500, -200, 900, 300, place(1500),
       place(-200), size(900), size(300), true},
      {"left of every screen", -100000, 1500, 900, 300, place(-100000),
       place(1500), size(900), size(300), false},
      {"hostile places are clamped", 1e30f, -1e30f, 900, 300, kMaxPixels,
       -kMaxPixels, size(900), size(300), false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    form->setLeft(row.left);
    form->setTop(row.top);
    form->setWidth(row.width);
    form->setHeight(row.height);
    const Rect r = rect();
    EXPECT_EQ(r, (Rect{row.x, row.y, row.x + row.cx, row.y + row.cy}));
    EXPECT_FLOAT_EQ(form->left(), pixelsToTwips(row.x, systemDpi()));
    EXPECT_FLOAT_EQ(form->top(), pixelsToTwips(row.y, systemDpi()));
    EXPECT_FLOAT_EQ(form->width(), pixelsToTwips(row.cx, dpi()));
    EXPECT_FLOAT_EQ(form->height(), pixelsToTwips(row.cy, dpi()));
    EXPECT_EQ(form->isOnAnyScreen(), row.onScreen);
  }
  form->setWidth(1e30f);
  EXPECT_LE(rect().right - rect().left, kMaxPixels);
  // A NaN has no place on the screen: refused, and the window stays.
  form->setLeft(1500);
  EXPECT_THROW(form->setLeft(std::nanf("")), RuntimeError);
  EXPECT_FLOAT_EQ(form->left(), pixelsToTwips(place(1500), systemDpi()));
}

TEST_F(Win32FormTest, SettingTheSamePixelMovesNothing) {
  placeAt();
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
  placeAt();
  ASSERT_TRUE(SetWindowPos(hwnd(), nullptr, 140, 160, 95, 24,
                           SWP_NOZORDER | SWP_NOACTIVATE));
  EXPECT_FLOAT_EQ(form->left(), pixelsToTwips(140, systemDpi()));
  EXPECT_FLOAT_EQ(form->top(), pixelsToTwips(160, systemDpi()));
  EXPECT_FLOAT_EQ(form->width(), pixelsToTwips(95, dpi()));
  EXPECT_FLOAT_EQ(form->height(), pixelsToTwips(24, dpi()));
  ASSERT_TRUE(MoveWindow(hwnd(), 150, 170, 90, 22, FALSE));
  // Back to the width it had before the last change: a real change, made.
  form->setWidth(pixelsToTwips(95, dpi()));
  EXPECT_EQ(rect(), (Rect{150, 170, 150 + 95, 170 + 22}));
  MessageCounter counter(hwnd());
  form->setWidth(pixelsToTwips(95, dpi()));
  EXPECT_EQ(counter.count(WM_WINDOWPOSCHANGING), 0);
}

TEST_F(Win32FormTest, ShowMakesVisibleAndRefreshPaints) {
  placeAt();
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
  // A form made after the end raises nothing either.
  RecordingFormEvents later;
  auto another = win32_testing::createForm(*runtime, later);
  SendMessageW(another->window(), WM_RBUTTONDOWN, 0, MAKELPARAM(1, 1));
  SendMessageW(another->window(), WM_CLOSE, 0, 0);
  EXPECT_TRUE(later.log.empty());
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

TEST_F(Win32FormTest, DpiChangeTakesTheSuggestedRectAndRebuildsTheFont) {
  Win32Label& label = addLabel();
  const float widthBefore = label.width();
  const float heightBefore = label.height();
  // As on a monitor of another scale: the place stays in twips of the one
  // desktop-wide scale, and the program refits the height to the new font.
  form->move(1500, 1800);
  const Rect before = rect();
  const float left = form->left();
  const float top = form->top();
  events.onFontChanged = [&] { form->setHeight(label.height() + 65); };
  const unsigned newDpi = dpi() * 3 / 2;
  RECT suggested{before.left, before.top, before.left + 90, before.top + 30};
  SendMessageW(hwnd(), WM_DPICHANGED, MAKEWPARAM(newDpi, newDpi),
               reinterpret_cast<LPARAM>(&suggested));
  const Rect r = rect();
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
  const Rect labelRect = win32_testing::windowRect(label.window());
  POINT corner{labelRect.left, labelRect.top};
  ASSERT_TRUE(ScreenToClient(hwnd(), &corner));
  EXPECT_EQ(corner.x, twipsToPixels(15, newDpi));
  // Exactly the caption's extent in the new font.
  const SIZE extent = win32_testing::textExtent(hwnd(), form->font(), "Time");
  EXPECT_EQ(labelRect.right - labelRect.left, extent.cx);
  EXPECT_EQ(labelRect.bottom - labelRect.top, extent.cy);
  EXPECT_TRUE(reporter.errors.empty());
}

// The system's fonts reach the program, and new regional formats make the
// clock's texts anew; other settings, named or not, change neither.
TEST_F(Win32FormTest, SettingChangesReachTheFontsAndTheTexts) {
  Win32DateTime& dateTime = runtime->dateTime();
  const LocalDateTime reading{2024, 3, 4, 1, 21, 5, 3};
  struct Row {
    WPARAM action;
    const wchar_t* area;
    bool fontChanged;
    bool textsAnew;
  };
  for (const Row& row :
       {Row{SPI_SETNONCLIENTMETRICS, nullptr, true, false},
        Row{0, L"WindowMetrics", true, false},
        Row{SPI_SETDESKWALLPAPER, nullptr, false, false},
        Row{0, L"Policy", false, false}, Row{0, L"intl", false, true}}) {
    SCOPED_TRACE(row.action);
    (void)dateTime.format(reading, kLongDatePattern);
    const std::size_t before = dateTime.systemFormatCount();
    events.log.clear();
    SendMessageW(hwnd(), WM_SETTINGCHANGE, row.action,
                 reinterpret_cast<LPARAM>(row.area));
    EXPECT_EQ(events.log.size(), row.fontChanged ? 1u : 0u);
    (void)dateTime.format(reading, kLongDatePattern);
    EXPECT_EQ(dateTime.systemFormatCount() - before, row.textsAnew ? 1u : 0u);
  }
  EXPECT_TRUE(reporter.errors.empty());
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
