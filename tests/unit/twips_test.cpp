// Twips and pixels at the DPIs Windows offers.
#include "platform/twips.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "platform/services.h"

namespace quorvo::platform {
namespace {

constexpr float kHuge = std::numeric_limits<float>::max();
constexpr float kInfinity = std::numeric_limits<float>::infinity();

TEST(TwipsTest, RoundsToTheNearestPixelClampsAndRefusesNaN) {
  struct Row {
    float twips;
    unsigned dpi;
    int pixels;
    bool back;  // the pixels give exactly these twips again
  };
  // clang-format off
  const std::vector<Row> rows = {
      {5430, 96, 362, true},  // the default left edge
      {-15, 96, -1, true},    // the default top edge
      {0, 96, 0, true},
      {7, 96, 0, false}, {8, 96, 1, false},  // 0.47 and 0.53 pixels
      {22.5f, 96, 2, false}, {-22.5f, 96, -2, false},  // half away from 0
      {5430, 144, 543, true}, {15, 144, 2, false}, {5430, 120, 453, false},
      {-15, 192, -2, false}, {60, 168, 7, true}, {0, 120, 0, true},
      // One pixel is 1440 / DPI twips; a DPI of 0 counts as 96.
      {15, 96, 1, true}, {12, 120, 1, true}, {10, 144, 1, true},
      {7.5f, 192, 1, true}, {15, 0, 1, true},
      // Huge values are clamped instead of overflowing.
      {1e30f, 96, kMaxPixels, false}, {-1e30f, 96, -kMaxPixels, false},
      {kHuge, 192, kMaxPixels, false}, {kInfinity, 96, kMaxPixels, false},
      {-kInfinity, 96, -kMaxPixels, false},
      {kMaxPixels * 15.0f + 1000, 96, kMaxPixels, false},
  };
  // clang-format on
  for (const Row& row : rows) {
    SCOPED_TRACE(::testing::Message()
                 << row.twips << " twips at " << row.dpi << " DPI");
    EXPECT_EQ(twipsToPixels(row.twips, row.dpi), row.pixels);
    if (row.back) {
      EXPECT_FLOAT_EQ(pixelsToTwips(row.pixels, row.dpi), row.twips);
    }
  }
  EXPECT_THROW((void)twipsToPixels(std::nanf(""), 96), RuntimeError);
}

// Left and Top are stored at the close wherever the clock is and taken at
// the next start, both in the system DPI (the primary monitor's) whatever the
// scale of the monitor the place is on: every pixel of a desk of two
// monitors, one at 150 % and one at 100 %, comes back.
TEST(TwipsTest, PixelsSurviveTheRoundTripAtEveryDpi) {
  for (const unsigned dpi : {96u, 120u, 144u, 168u, 192u, 240u}) {
    for (int pixels = -2000; pixels <= 4800; ++pixels) {
      ASSERT_EQ(twipsToPixels(pixelsToTwips(pixels, dpi), dpi), pixels)
          << pixels << " px at " << dpi << " DPI";
    }
  }
  // 3000 px on the 100 % monitor right of a 150 % primary is 30000 twips,
  // not the 45000 its own scale would give (4500 px, off every screen).
  EXPECT_FLOAT_EQ(pixelsToTwips(3000, 144), 30000);
}

}  // namespace
}  // namespace quorvo::platform
