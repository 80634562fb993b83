// Keeping the clock's text on screen: the rules against monitor layouts,
// the detours from the user's place and the way back.
#include "platform/placement.h"

#include <gtest/gtest.h>

#include <optional>
#include <vector>

#include "geometry_printing.h"

namespace quorvo::platform {

namespace {

// A clock of 100 x 20 pixels with its text inset by 1 pixel on the left and
// top and 5 on the right, its window's top-left corner at (x, y).
constexpr int kWidth = 100;
constexpr int kHeight = 20;
Rect clockAt(int x, int y) { return {x, y, x + kWidth, y + kHeight}; }
Rect textOf(const Rect& window) {
  return {window.left + 1, window.top + 1, window.right - 5, window.bottom - 1};
}

// Layouts, in physical pixels: one screen with a taskbar at the bottom; a
// second monitor left of the primary (negative coordinates) at a higher DPI
// and so more pixels; a small monitor above and right of a large one.
const std::vector<Rect> kTaskbar{{0, 0, 1280, 984}};
const std::vector<Rect> kLeftHiDpi{{0, 0, 1920, 1040}, {-3840, -200, 0, 1960}};
const std::vector<Rect> kStacked{{0, 0, 2560, 1400}, {2560, -768, 3584, 0}};

struct RecoveryRow {
  const char* name;
  const std::vector<Rect>* layout;
  Point from;
  std::optional<Point> to;  // nothing: stays exactly where it is
};

TEST(PlacementRuleTest, MovesOnlyWhatShowsLessThanHalfItsTextAndNoFurther) {
  // clang-format off
  const std::vector<RecoveryRow> rows = {
      {"whole on screen", &kTaskbar, {362, -1}, {}},
      {"partly above the top, like the default place",
       &kTaskbar, {362, -8}, {}},
      {"half the text past the right edge", &kTaskbar, {1231, 500}, {}},
      {"a sliver at the right edge", &kTaskbar, {1278, 0}, Point{1185, 0}},
      {"a sliver at the left edge", &kTaskbar, {-97, 300}, Point{-1, 300}},
      {"a sliver above the top", &kTaskbar, {600, -18}, Point{600, -1}},
      {"under the taskbar", &kTaskbar, {600, 990}, Point{600, 965}},
      {"far beyond every corner", &kTaskbar, {-32768, -32768}, Point{-1, -1}},
      {"on the monitor left of the primary", &kLeftHiDpi, {-2000, 900}, {}},
      {"beyond the left monitor's left edge",
       &kLeftHiDpi, {-3938, 900}, Point{-3841, 900}},
      {"across both monitors", &kLeftHiDpi, {-50, 500}, {}},
      {"in the gap below the small monitor",
       &kStacked, {3000, 10}, Point{3000, -19}},
      {"on the small monitor", &kStacked, {2600, -500}, {}},
      {"beyond the small monitor's top",
       &kStacked, {3000, -790}, Point{3000, -769}},
      {"left of the large monitor's bottom",
       &kStacked, {-200, 1390}, Point{-1, 1381}},
  };
  // clang-format on
  for (const RecoveryRow& row : rows) {
    SCOPED_TRACE(row.name);
    const Rect window = clockAt(row.from.x, row.from.y);
    const std::optional<Point> to =
        recoveredPosition(window, textOf(window), *row.layout);
    EXPECT_EQ(to, row.to);
    if (!to) continue;
    // The text is then whole inside one work area.
    const Rect moved = clockAt(to->x, to->y);
    EXPECT_DOUBLE_EQ(visibleShare(textOf(moved), *row.layout), 1.0);
  }
}

TEST(PlacementRuleTest, NoMonitorGivesNoPlaceAndNoShare) {
  const Rect window = clockAt(100, 100);
  EXPECT_FALSE(recoveredPosition(window, textOf(window), {}).has_value());
  EXPECT_EQ(visibleShare(textOf(window), {}), 0.0);
  EXPECT_EQ(nearestWorkArea(window, {}), nullptr);
  EXPECT_FALSE(isDockedRight(window, textOf(window), {}));
}

TEST(PlacementRuleTest, AnEmptyTextCountsByItsCorner) {
  const Rect onScreen{500, 500, 500, 500};
  const Rect offScreen{-500, 500, -500, 500};
  EXPECT_EQ(visibleShare(onScreen, kTaskbar), 1.0);
  EXPECT_EQ(visibleShare(offScreen, kTaskbar), 0.0);
  EXPECT_EQ(recoveredPosition(clockAt(-501, 499), offScreen, kTaskbar),
            (Point{-1, 499}));
}

TEST(PlacementRuleTest, DockedRightWhenTheWindowReachesTheEdgeAndTheTextNot) {
  struct Row {
    int right;  // the window's; its text ends 5 pixels left of it
    bool docked;
  };
  for (const Row row : {Row{1280, true}, Row{1281, true}, Row{1285, true},
                        Row{1286, false}, Row{1279, false}, Row{700, false}}) {
    SCOPED_TRACE(row.right);
    const Rect window{row.right - kWidth, 0, row.right, kHeight};
    EXPECT_EQ(isDockedRight(window, textOf(window), kTaskbar), row.docked);
  }
  // The right edge of the monitor the window is on, not of another one.
  for (const Rect window :
       {Rect{-100, 500, 0, 520}, Rect{3484, -300, 3584, -280}}) {
    EXPECT_TRUE(isDockedRight(window, textOf(window),
                              window.left < 0 ? kLeftHiDpi : kStacked));
  }
  const Rect besideSmall{2460, -300, 2560, -280};
  EXPECT_FALSE(isDockedRight(besideSmall, textOf(besideSmall), kStacked));
}

TEST(PlacementRuleTest, RefitKeepsTheLeftEdgeOrTheDockedTextEdge) {
  struct Row {
    const char* name;
    Point from;
    Point user;                      // the user's place
    int width;                       // the window's new width
    std::optional<int> dockedRight;  // where the docked text ended
    Point to;
    Point toUser;
  };
  // The text has grown from 94 to 144 pixels: the window's new width.
  // clang-format off
  const std::vector<Row> rows = {
      {"elsewhere the left edge stays",
       {300, 200}, {300, 200}, 150, {}, {300, 200}, {300, 200}},
      {"docked: the text still ends at the edge, the user's place with it",
       {1180, 200}, {1180, 200}, 150, 1275, {1130, 200}, {1130, 200}},
      {"docked past the edge: the text ends where it ended",
       {1190, 200}, {1190, 200}, 150, 1280, {1135, 200}, {1135, 200}},
      {"shrinking while docked",
       {1180, 200}, {1180, 200}, 60, 1275, {1220, 200}, {1220, 200}},
      {"grown past the edge: half the text still shows",
       {1200, 500}, {1200, 500}, 150, {}, {1200, 500}, {1200, 500}},
      {"grown off the screen: the whole text comes back, a detour",
       {1275, 500}, {1275, 500}, 150, {}, {1135, 500}, {1275, 500}},
      {"docked on a detour: the user's place stays",
       {1180, 200}, {1500, 200}, 150, 1275, {1130, 200}, {1500, 200}},
      {"a detour whose text shows at the user's place again: back there",
       {1000, 500}, {1200, 500}, 60, {}, {1200, 500}, {1200, 500}},
  };
  // clang-format on
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const Rect window = clockAt(row.from.x, row.from.y);
    Rect text = textOf(window);
    text.right = text.left + row.width - 6;  // at its new size, in place
    const Placement to = refittedWindow(window, row.width, text, row.user,
                                        kTaskbar, row.dockedRight);
    EXPECT_EQ(to.window, (Rect{row.to.x, row.to.y, row.to.x + row.width,
                               row.to.y + kHeight}));
    EXPECT_EQ(to.userPlace, row.toUser);
  }
}

// Two monitors side by side, and the first alone after the second went.
const std::vector<Rect> kSideBySide{{0, 0, 1280, 984}, {1280, 0, 2304, 768}};
const std::vector<Rect> kSecondGone{{0, 0, 1280, 984}};

TEST(PlacementRuleTest, DetoursLastWhileTheUsersPlaceCannotShowTheText) {
  struct Row {
    const char* name;
    const std::vector<Rect>* layout;
    Point from;
    Point user;  // the user's place
    Point to;
  };
  // clang-format off
  const std::vector<Row> rows = {
      {"at the user's place, whole on screen",
       &kTaskbar, {300, 200}, {300, 200}, {300, 200}},
      {"its monitor gone: onto the remaining one, a detour",
       &kSecondGone, {1500, 200}, {1500, 200}, {1185, 200}},
      {"on the detour, the monitor back: back to the user's place",
       &kSideBySide, {1185, 200}, {1500, 200}, {1500, 200}},
      {"on the detour, the monitor still gone: the detour stays",
       &kSecondGone, {1185, 200}, {1500, 200}, {1185, 200}},
      {"started at the default place, the stored one's monitor gone",
       &kSecondGone, {362, -1}, {1500, 200}, {362, -1}},
      {"the detour itself off the screens: recovered again",
       &kSecondGone, {1400, 900}, {1500, 200}, {1185, 900}},
      {"half the text at the user's place is enough to go back",
       &kTaskbar, {1000, 500}, {1231, 500}, {1231, 500}},
      {"a sliver at the user's place is not",
       &kTaskbar, {1185, 0}, {1278, 0}, {1185, 0}},
  };
  // clang-format on
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const Rect window = clockAt(row.from.x, row.from.y);
    EXPECT_EQ(reachablePlace(window, textOf(window), row.user, *row.layout),
              row.to);
  }
  // No monitor at all: the window stays where it is.
  const Rect window = clockAt(1185, 200);
  EXPECT_EQ(reachablePlace(window, textOf(window), {1500, 200}, {}),
            (Point{1185, 200}));
}

}  // namespace
}  // namespace quorvo::platform
