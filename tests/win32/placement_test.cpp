// Keeping the clock's text on screen: the rule against monitor layouts, and
// the form applying it when displays, work areas, DPI or its width change;
// and the context-menu request from the keyboard.
#include "platform/win32/placement.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/win32/form.h"
#include "win32_test_support.h"

namespace quorvo::platform::win32 {
namespace {

// ------------------------------------------------------------- the rule

// A clock of 100 x 20 pixels with its text inset by 1 pixel on the left and
// top and 5 on the right, its window's top-left corner at (x, y).
constexpr int kWidth = 100;
constexpr int kHeight = 20;
RECT clockAt(int x, int y) { return {x, y, x + kWidth, y + kHeight}; }
RECT textOf(const RECT& window) {
  return {window.left + 1, window.top + 1, window.right - 5, window.bottom - 1};
}

// Layouts, in physical pixels: one screen with a taskbar at the bottom; a
// second monitor left of the primary (negative coordinates) at a higher DPI
// and so more pixels; a small monitor above and right of a large one.
const std::vector<RECT> kTaskbar{{0, 0, 1280, 984}};
const std::vector<RECT> kLeftHiDpi{{0, 0, 1920, 1040}, {-3840, -200, 0, 1960}};
const std::vector<RECT> kStacked{{0, 0, 2560, 1400}, {2560, -768, 3584, 0}};

struct RecoveryRow {
  const char* name;
  const std::vector<RECT>* layout;
  POINT from;
  std::optional<POINT> to;  // nothing: stays exactly where it is
};

TEST(PlacementRuleTest, MovesOnlyWhatShowsLessThanHalfItsTextAndNoFurther) {
  const std::vector<RecoveryRow> rows = {
      {"whole on screen", &kTaskbar, {362, -1}, std::nullopt},
      {"partly above the top, like the default place",
       &kTaskbar,
       {362, -8},
       std::nullopt},
      {"half the text past the right edge",
       &kTaskbar,
       {1231, 500},
       std::nullopt},
      {"a sliver at the right edge", &kTaskbar, {1278, 0}, POINT{1185, 0}},
      {"a sliver at the left edge", &kTaskbar, {-97, 300}, POINT{-1, 300}},
      {"a sliver above the top", &kTaskbar, {600, -18}, POINT{600, -1}},
      {"under the taskbar", &kTaskbar, {600, 990}, POINT{600, 965}},
      {"far beyond every corner", &kTaskbar, {-32768, -32768}, POINT{-1, -1}},
      {"on the monitor left of the primary",
       &kLeftHiDpi,
       {-2000, 900},
       std::nullopt},
      {"beyond the left monitor's left edge",
       &kLeftHiDpi,
       {-3938, 900},
       POINT{-3841, 900}},
      {"across both monitors", &kLeftHiDpi, {-50, 500}, std::nullopt},
      {"in the gap below the small monitor",
       &kStacked,
       {3000, 10},
       POINT{3000, -19}},
      {"on the small monitor", &kStacked, {2600, -500}, std::nullopt},
      {"beyond the small monitor's top",
       &kStacked,
       {3000, -790},
       POINT{3000, -769}},
      {"left of the large monitor's bottom",
       &kStacked,
       {-200, 1390},
       POINT{-1, 1381}},
  };
  for (const RecoveryRow& row : rows) {
    SCOPED_TRACE(row.name);
    const RECT window = clockAt(row.from.x, row.from.y);
    const std::optional<POINT> to =
        recoveredPosition(window, textOf(window), *row.layout);
    ASSERT_EQ(to.has_value(), row.to.has_value());
    if (!to) continue;
    EXPECT_EQ(to->x, row.to->x);
    EXPECT_EQ(to->y, row.to->y);
    // The text is then whole inside one work area.
    const RECT moved = clockAt(to->x, to->y);
    EXPECT_DOUBLE_EQ(visibleShare(textOf(moved), *row.layout), 1.0);
  }
}

TEST(PlacementRuleTest, NoMonitorGivesNoPlaceAndNoShare) {
  const RECT window = clockAt(100, 100);
  EXPECT_FALSE(recoveredPosition(window, textOf(window), {}).has_value());
  EXPECT_EQ(visibleShare(textOf(window), {}), 0.0);
  EXPECT_EQ(nearestWorkArea(window, {}), nullptr);
  EXPECT_FALSE(isDockedRight(window, textOf(window), {}));
}

TEST(PlacementRuleTest, AnEmptyTextCountsByItsCorner) {
  const RECT onScreen{500, 500, 500, 500};
  const RECT offScreen{-500, 500, -500, 500};
  EXPECT_EQ(visibleShare(onScreen, kTaskbar), 1.0);
  EXPECT_EQ(visibleShare(offScreen, kTaskbar), 0.0);
  const std::optional<POINT> to =
      recoveredPosition(clockAt(-501, 499), offScreen, kTaskbar);
  ASSERT_TRUE(to.has_value());
  EXPECT_EQ(to->x, -1);
}

TEST(PlacementRuleTest, DockedRightWhenTheWindowReachesTheEdgeAndTheTextNot) {
  struct Row {
    int right;  // the window's; its text ends 5 pixels left of it
    bool docked;
  };
  for (const Row row : {Row{1280, true}, Row{1281, true}, Row{1285, true},
                        Row{1286, false}, Row{1279, false}, Row{700, false}}) {
    SCOPED_TRACE(row.right);
    const RECT window{row.right - kWidth, 0, row.right, kHeight};
    EXPECT_EQ(isDockedRight(window, textOf(window), kTaskbar), row.docked);
  }
  // The right edge of the monitor the window is on, not of another one.
  for (const RECT window :
       {RECT{-100, 500, 0, 520}, RECT{3484, -300, 3584, -280}}) {
    EXPECT_TRUE(isDockedRight(window, textOf(window),
                              window.left < 0 ? kLeftHiDpi : kStacked));
  }
  const RECT besideSmall{2460, -300, 2560, -280};
  EXPECT_FALSE(isDockedRight(besideSmall, textOf(besideSmall), kStacked));
}

TEST(PlacementRuleTest, RefitKeepsTheLeftEdgeOrTheDockedTextEdge) {
  struct Row {
    const char* name;
    POINT from;
    int width;                        // the window's new width
    std::optional<LONG> dockedRight;  // where the docked text ended
    POINT to;
  };
  // The text has grown from 94 to 144 pixels: the window's new width.
  const std::vector<Row> rows = {
      {"elsewhere the left edge stays",
       {300, 200},
       150,
       std::nullopt,
       {300, 200}},
      {"docked: the text still ends at the edge",
       {1180, 200},
       150,
       1275,
       {1130, 200}},
      {"docked past the edge: the text ends where it ended",
       {1190, 200},
       150,
       1280,
       {1135, 200}},
      {"shrinking while docked", {1180, 200}, 60, 1275, {1220, 200}},
      {"grown past the edge: half the text still shows",
       {1200, 500},
       150,
       std::nullopt,
       {1200, 500}},
      {"grown off the screen: the whole text comes back",
       {1275, 500},
       150,
       std::nullopt,
       {1135, 500}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const RECT window = clockAt(row.from.x, row.from.y);
    RECT text = textOf(window);
    text.right = text.left + row.width - 6;  // at its new size, in place
    const RECT to =
        refittedWindow(window, row.width, text, kTaskbar, row.dockedRight);
    EXPECT_EQ(to.left, row.to.x);
    EXPECT_EQ(to.top, row.to.y);
    EXPECT_EQ(to.right - to.left, row.width);
    EXPECT_EQ(to.bottom - to.top, kHeight);
  }
}

// ------------------------------------------------------------- the form

using win32_testing::MessageCounter;
using win32_testing::RecordingFormEvents;
using win32_testing::RecordingLabelEvents;
using win32_testing::TestRuntime;

// A shown clock-like form with a label, on this machine's monitors.
class Win32FormPlacementTest : public ::testing::Test {
 protected:
  void SetUp() override {
    label = &form->addLabel({"Nine o'clock", 15, 15, "lblTime"}, labelEvents);
    form->setWidth(label->width() + 90);
    form->setHeight(label->height() + 65);
    form->show();
    ASSERT_FALSE(workAreas.empty());
    work = workAreas.front();
  }
  HWND hwnd() { return form->window(); }
  RECT rect() {
    RECT r{};
    EXPECT_TRUE(GetWindowRect(hwnd(), &r));
    return r;
  }
  RECT textRect() {
    RECT r{};
    EXPECT_TRUE(GetWindowRect(static_cast<Win32Label*>(label)->window(), &r));
    return r;
  }
  // The placements the system is asked for on the window: each one sends
  // the window WM_WINDOWPOSCHANGING first.
  int placements(const std::function<void()>& action) {
    const MessageCounter counter(hwnd());
    action();
    return counter.count(WM_WINDOWPOSCHANGING);
  }
  // Moves the window as another program might, behind the form's back.
  void moveTo(int x, int y) {
    ASSERT_TRUE(SetWindowPos(hwnd(), nullptr, x, y, 0, 0,
                             SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE));
  }

  TestRuntime runtime;
  RecordingFormEvents events;
  RecordingLabelEvents labelEvents;
  std::unique_ptr<Win32Form> form = win32_testing::createForm(*runtime, events);
  Label* label = nullptr;
  std::vector<RECT> workAreas = monitorWorkAreas();
  RECT work{};
};

TEST_F(Win32FormPlacementTest, DisplayAndWorkAreaChangesBringTheTextBack) {
  for (const UINT message : {WM_DISPLAYCHANGE, WM_SETTINGCHANGE}) {
    SCOPED_TRACE(message);
    moveTo(work.right + 400, work.bottom + 300);  // off every screen
    SendMessageW(hwnd(), message,
                 message == WM_SETTINGCHANGE ? SPI_SETWORKAREA : 32, 0);
    EXPECT_DOUBLE_EQ(visibleShare(textRect(), workAreas), 1.0);
    const RECT text = textRect();
    EXPECT_EQ(text.right, work.right) << "moved no further than needed";
    EXPECT_EQ(text.bottom, work.bottom);
  }
  // A window that shows most of its text stays exactly where it is.
  moveTo(work.left - 3, work.top - 2);
  SendMessageW(hwnd(), WM_DISPLAYCHANGE, 32, 0);
  EXPECT_EQ(rect().left, work.left - 3);
  EXPECT_EQ(rect().top, work.top - 2);
  EXPECT_TRUE(runtime.reporter.errors.empty());
}

TEST_F(Win32FormPlacementTest, DockedAtTheRightEdgeGrowsAndShrinksLeftward) {
  // The tick's refit: a new caption, then the window's width after it, in
  // one placement of the window; an unchanged text places nothing.
  const auto showText = [this](const char* text) {
    const bool changed = label->caption() != text;
    EXPECT_EQ(placements([&] {
                label->setCaption(text);
                form->setWidth(label->width() + 90);
              }),
              changed ? 1 : 0);
  };
  const int width = rect().right - rect().left;
  moveTo(work.right - width, 200);
  for (const char* text : {"Nine o'clock on a long Wednesday", "9:05", ""}) {
    SCOPED_TRACE(text);
    showText(text);
    EXPECT_EQ(rect().right, work.right);
    EXPECT_EQ(rect().top, 200);
    showText(text);
  }
  // A text that ends at the edge while the window hangs past it, as after a
  // start at the edge with a wider margin, stays whole as it grows.
  showText("Nine o'clock");
  moveTo(rect().left + (work.right - textRect().right), 200);
  ASSERT_GT(rect().right, work.right);
  showText("Nine o'clock on a long Wednesday");
  EXPECT_EQ(textRect().right, work.right);

  // Elsewhere the left edge stays.
  moveTo(300, 200);
  showText("9:05");
  EXPECT_EQ(rect().left, 300);
  EXPECT_EQ(rect().top, 200);
}

TEST_F(Win32FormPlacementTest, GrowingPastTheEdgeKeepsHalfTheTextInView) {
  const int width = rect().right - rect().left;
  moveTo(work.right - width - 80, 200);  // 80 pixels from the edge
  static_cast<Win32Label*>(label)->setCaption(
      "Nine o'clock on Wednesday, September 30 2026");
  form->setWidth(label->width() + 90);
  EXPECT_GE(visibleShare(textRect(), workAreas), 0.5);
}

TEST_F(Win32FormPlacementTest, NoDpiOrAPlaceOnNoScreenKeepsTheLastGoodOnes) {
  moveTo(200, 150);
  const unsigned dpi = form->dpi();
  RECT nowhere{-32768, -32768, -32768 + 90, -32768 + 30};
  SendMessageW(hwnd(), WM_DPICHANGED, 0, reinterpret_cast<LPARAM>(&nowhere));
  EXPECT_EQ(form->dpi(), dpi);
  EXPECT_EQ(rect().left, 200);
  SendMessageW(hwnd(), WM_DPICHANGED, MAKEWPARAM(dpi, dpi),
               reinterpret_cast<LPARAM>(&nowhere));
  EXPECT_EQ(rect().left, 200);
  EXPECT_EQ(rect().top, 150);
  EXPECT_TRUE(form->isOnAnyScreen());
  EXPECT_TRUE(runtime.reporter.errors.empty());
}

TEST_F(Win32FormPlacementTest, ContextMenuRequestsReachTheProgram) {
  // Shift+F10 and the Menu key send it without a point; a right button's
  // release must not ask for the menu that its press opened.
  SendMessageW(hwnd(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(hwnd()),
               MAKELPARAM(-1, -1));
  SendMessageW(hwnd(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(hwnd()),
               MAKELPARAM(400, 300));
  SendMessageW(hwnd(), WM_RBUTTONUP, 0, MAKELPARAM(5, 5));
  SendMessageW(static_cast<Win32Label*>(label)->window(), WM_RBUTTONUP, 0,
               MAKELPARAM(5, 5));
  EXPECT_EQ(events.log,
            (std::vector<std::string>{"Form_ContextMenu", "Form_ContextMenu"}));
  EXPECT_EQ(events.contextMenusFromKeyboard, (std::vector<bool>{true, false}));
}

}  // namespace
}  // namespace quorvo::platform::win32
