// The Win32 form keeping the clock's text on screen when displays, work
// areas, DPI or its width change, its user's place and the detours from it,
// and its size at another DPI.
#include <gtest/gtest.h>
#include <windows.h>

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/placement.h"
#include "platform/twips.h"
#include "platform/win32/dpi.h"
#include "platform/win32/form.h"
#include "platform/win32/monitors.h"
#include "win32_test_support.h"

namespace quorvo::platform::win32 {
namespace {

using win32_testing::MessageCounter;

// A shown clock-like form with a label, on this machine's monitors.
class Win32FormPlacementTest : public win32_testing::FormFixture {
 protected:
  void SetUp() override {
    form->setWidth(label.width() + 90);
    form->setHeight(label.height() + 65);
    form->show();
    ASSERT_FALSE(workAreas.empty());
    work = workAreas.front();
    p1 = {work.left + 100, work.top + 150};
    p2 = {work.left + 300, work.top + 250};
    off = {work.right + 400, work.bottom + 300};
  }
  Point corner() const { return {rect().left, rect().top}; }
  Rect textRect() const { return win32_testing::windowRect(label.window()); }
  // Moves the window as another program might, behind the form's back.
  void moveTo(Point at) {
    ASSERT_TRUE(SetWindowPos(hwnd(), nullptr, at.x, at.y, 0, 0,
                             SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE));
  }
  static float twips(int pixels) { return pixelsToTwips(pixels, systemDpi()); }
  Point userPlace() const {
    return {twipsToPixels(form->userLeft(), systemDpi()),
            twipsToPixels(form->userTop(), systemDpi())};
  }

  Win32Label& label = addLabel("Nine o'clock");
  std::vector<Rect> workAreas = monitorWorkAreas();
  Rect work{};
  Point p1{}, p2{}, off{};  // two places on the first screen, one off all
};

TEST_F(Win32FormPlacementTest, DetoursKeepTheUsersPlaceAndGoBackToIt) {
  const Point edge{work.left - 3, work.top - 2};  // most of the text shows
  const auto displayChange = [this] {
    SendMessageW(hwnd(), WM_DISPLAYCHANGE, 32, 0);
  };
  const auto workAreaChange = [this] {
    SendMessageW(hwnd(), WM_SETTINGCHANGE, SPI_SETWORKAREA, 0);
  };
  const auto aside = [&] { form->moveAside(twips(p2.x), twips(p2.y)); };
  struct Step {
    const char* name;
    std::function<void()> act;
    std::optional<Point> at;  // nothing: the whole text at the nearest edges
    Point user;
  };
  const std::vector<Step> steps = {
      {"placed by the program", [&] { form->move(twips(p1.x), twips(p1.y)); },
       p1, p1},
      {"moved aside", aside, p2, p1},
      {"the display changes: back", displayChange, p1, p1},
      {"moved by another program", [&] { moveTo(off); }, off, off},
      {"the display changes: recovered", displayChange, std::nullopt, off},
      {"moved off again", [&] { moveTo(off); }, off, off},
      {"the work area changes: recovered", workAreaChange, std::nullopt, off},
      {"moved aside again", aside, p2, off},
      {"dragged", [&] { moveTo(p1); }, p1, p1},
      {"moved aside once more", aside, p2, p1},
      {"a new text: back with the refit",
       [&] {
         label.setCaption("9:05");
         form->setWidth(label.width() + 90);
       },
       p1, p1},
      {"moved mostly onto the screen", [&] { moveTo(edge); }, edge, edge},
      {"the display changes: it stays exactly", displayChange, edge, edge},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(step.name);
    step.act();
    if (step.at) {
      EXPECT_EQ(corner(), *step.at);
    } else {
      // Moved no further than the whole text needs.
      EXPECT_DOUBLE_EQ(visibleShare(textRect(), workAreas), 1.0);
      EXPECT_EQ(textRect().right, work.right);
      EXPECT_EQ(textRect().bottom, work.bottom);
    }
    EXPECT_EQ(userPlace(), step.user);
  }
  EXPECT_TRUE(reporter.errors.empty());
}

TEST_F(Win32FormPlacementTest, ADpiChangeInsideItsOwnMoveKeepsThePixel) {
  const unsigned base = form->dpi();
  struct Row {
    const char* name;
    Point from;                  // where another program put the window
    bool own;                    // a move of the form's own
    std::function<Point()> act;  // returns the pixel asked for
  };
  // clang-format off
  const std::vector<Row> rows = {
      {"to a place the program gives", p2, true,
       [&] { form->move(twips(p1.x), twips(p1.y)); return p1; }},
      {"aside", p1, true,
       [&] { form->moveAside(twips(p2.x), twips(p2.y)); return p2; }},
      {"bringing the text back", off, true, [&] {
         const Point to = reachablePlace(rect(), textRect(), off, workAreas);
         form->keepTextOnScreen();
         return to; }},
      {"dragged, or moved by another program", p2, false,
       [&] { moveTo(p1); return p1; }},
  };
  // clang-format on
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    moveTo(row.from);
    const unsigned dpi = form->dpi() == base ? base * 3 / 2 : base;
    // As Windows does when a move takes a window onto a monitor of another
    // scale: WM_DPICHANGED from inside the move, the suggested rectangle 7
    // pixels right of and 5 below the place moved to, and 30 wider.
    std::optional<RECT> sent;
    MessageCounter inNextMove(hwnd());
    inNextMove.onMessage = [&](UINT message, LPARAM lParam) {
      const auto* position = reinterpret_cast<const WINDOWPOS*>(lParam);
      if (message != WM_WINDOWPOSCHANGED || sent ||
          (position->flags & SWP_NOMOVE) != 0) {
        return;
      }
      const Rect r = rect();
      sent = RECT{r.left + 7, r.top + 5, r.right + 37, r.bottom + 5};
      SendMessageW(hwnd(), WM_DPICHANGED, MAKEWPARAM(dpi, dpi),
                   reinterpret_cast<LPARAM>(&*sent));
    };
    const Point asked = row.act();
    ASSERT_TRUE(sent.has_value());
    const RECT suggested = *sent;
    const Point expected =
        row.own ? asked : Point{suggested.left, suggested.top};
    EXPECT_EQ(corner(), expected);
    EXPECT_EQ(rect().right - rect().left, suggested.right - suggested.left)
        << "the suggested size is taken";
    EXPECT_EQ(form->dpi(), dpi);
    if (!row.own) {
      EXPECT_EQ(userPlace(), expected);
    }
  }
  EXPECT_TRUE(reporter.errors.empty());
}

TEST_F(Win32FormPlacementTest, TheScaledSizeIsTheSizeAfterTheDpiChange) {
  // What the program does after a font change, and at the next tick.
  events.onFontChanged = [this] { form->setHeight(label.height() + 65); };
  std::map<unsigned, SIZE> sizes;
  for (const unsigned dpi : {120u, 144u, 192u, 96u}) {
    SCOPED_TRACE(dpi);
    SIZE answered{};
    ASSERT_EQ(SendMessageW(hwnd(), WM_GETDPISCALEDSIZE, dpi,
                           reinterpret_cast<LPARAM>(&answered)),
              TRUE);
    const Rect before = rect();
    RECT suggested{before.left, before.top, before.left + answered.cx,
                   before.top + answered.cy};
    SendMessageW(hwnd(), WM_DPICHANGED, MAKEWPARAM(dpi, dpi),
                 reinterpret_cast<LPARAM>(&suggested));
    form->setWidth(label.width() + 90);
    EXPECT_EQ(rect().right - rect().left, answered.cx);
    EXPECT_EQ(rect().bottom - rect().top, answered.cy);
    sizes[dpi] = answered;
  }
  // The answers are the DPIs' own sizes, not one size for all.
  EXPECT_NEAR(sizes[192].cy, 2 * sizes[96].cy, sizes[96].cy * 0.3);
  EXPECT_LT(sizes[120].cx, sizes[144].cx);
  EXPECT_TRUE(reporter.errors.empty());
}

TEST_F(Win32FormPlacementTest, DockedAtTheRightEdgeGrowsAndShrinksLeftward) {
  // The tick's refit: a new caption, then the window's width after it, in
  // one placement of the window (each sends it WM_WINDOWPOSCHANGING); an
  // unchanged text places nothing.
  const auto showText = [this](const char* text) {
    const bool changed = label.caption() != text;
    const MessageCounter counter(hwnd());
    label.setCaption(text);
    form->setWidth(label.width() + 90);
    EXPECT_EQ(counter.count(WM_WINDOWPOSCHANGING), changed ? 1 : 0);
  };
  const int width = rect().right - rect().left;
  moveTo({work.right - width, 200});
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
  moveTo({rect().left + (work.right - textRect().right), 200});
  ASSERT_GT(rect().right, work.right);
  showText("Nine o'clock on a long Wednesday");
  EXPECT_EQ(textRect().right, work.right);

  // Elsewhere the left edge stays.
  moveTo({300, 200});
  showText("9:05");
  EXPECT_EQ(corner(), (Point{300, 200}));
}

TEST_F(Win32FormPlacementTest, GrowingPastTheEdgeKeepsHalfTheTextInView) {
  moveTo({work.right - (rect().right - rect().left) - 80, 200});
  label.setCaption("Nine o'clock on Wednesday, September 30 2026");
  form->setWidth(label.width() + 90);
  EXPECT_GE(visibleShare(textRect(), workAreas), 0.5);
}

TEST_F(Win32FormPlacementTest, NoDpiOrAPlaceOnNoScreenKeepsTheLastGoodOnes) {
  moveTo({200, 150});
  const unsigned dpi = form->dpi();
  RECT nowhere{-32768, -32768, -32768 + 90, -32768 + 30};
  SendMessageW(hwnd(), WM_DPICHANGED, 0, reinterpret_cast<LPARAM>(&nowhere));
  EXPECT_EQ(form->dpi(), dpi);
  EXPECT_EQ(corner(), (Point{200, 150}));
  SendMessageW(hwnd(), WM_DPICHANGED, MAKEWPARAM(dpi, dpi),
               reinterpret_cast<LPARAM>(&nowhere));
  EXPECT_EQ(corner(), (Point{200, 150}));
  EXPECT_TRUE(form->isOnAnyScreen());
  EXPECT_TRUE(reporter.errors.empty());
}

}  // namespace
}  // namespace quorvo::platform::win32
