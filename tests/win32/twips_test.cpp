// Twips and pixels at the DPIs Windows offers.
#include "platform/win32/twips.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "platform/services.h"

namespace quorvo::platform::win32 {
namespace {

TEST(TwipsTest, TwipsPerPixelIs1440OverDpi) {
  EXPECT_DOUBLE_EQ(twipsPerPixel(96), 15.0);
  EXPECT_DOUBLE_EQ(twipsPerPixel(120), 12.0);
  EXPECT_DOUBLE_EQ(twipsPerPixel(144), 10.0);
  EXPECT_DOUBLE_EQ(twipsPerPixel(192), 7.5);
}

TEST(TwipsTest, UnknownDpiCountsAs96) {
  EXPECT_DOUBLE_EQ(twipsPerPixel(0), 15.0);
}

struct ToPixelsCase {
  float twips;
  unsigned dpi;
  int pixels;
};

class TwipsToPixelsTest : public ::testing::TestWithParam<ToPixelsCase> {};

TEST_P(TwipsToPixelsTest, RoundsToNearestPixel) {
  const ToPixelsCase& c = GetParam();
  EXPECT_EQ(twipsToPixels(c.twips, c.dpi), c.pixels)
      << c.twips << " twips at " << c.dpi << " DPI";
}

INSTANTIATE_TEST_SUITE_P(
    Table, TwipsToPixelsTest,
    ::testing::Values(ToPixelsCase{5430, 96, 362},  // the default left edge
                      ToPixelsCase{-15, 96, -1},    // the default top edge
                      ToPixelsCase{15, 96, 1}, ToPixelsCase{0, 96, 0},
                      ToPixelsCase{7, 96, 0},      // 0.47 pixel
                      ToPixelsCase{8, 96, 1},      // 0.53 pixel
                      ToPixelsCase{22.5f, 96, 2},  // half away from zero
                      ToPixelsCase{-22.5f, 96, -2},
                      ToPixelsCase{5430, 144, 543}, ToPixelsCase{15, 144, 2},
                      ToPixelsCase{5430, 120, 453},
                      ToPixelsCase{-15, 192, -2}));

TEST(TwipsTest, HugeValuesAreClampedInsteadOfOverflowing) {
  EXPECT_EQ(twipsToPixels(1e30f, 96), kMaxPixels);
  EXPECT_EQ(twipsToPixels(-1e30f, 96), -kMaxPixels);
  EXPECT_EQ(twipsToPixels(std::numeric_limits<float>::max(), 192), kMaxPixels);
  EXPECT_EQ(twipsToPixels(std::numeric_limits<float>::infinity(), 96),
            kMaxPixels);
  EXPECT_EQ(twipsToPixels(-std::numeric_limits<float>::infinity(), 96),
            -kMaxPixels);
  EXPECT_EQ(twipsToPixels(kMaxPixels * 15.0f + 1000, 96), kMaxPixels);
}

TEST(TwipsTest, NaNIsRefused) {
  EXPECT_THROW((void)twipsToPixels(std::nanf(""), 96), RuntimeError);
}

TEST(TwipsTest, PixelsToTwips) {
  EXPECT_FLOAT_EQ(pixelsToTwips(362, 96), 5430);
  EXPECT_FLOAT_EQ(pixelsToTwips(-1, 96), -15);
  EXPECT_FLOAT_EQ(pixelsToTwips(543, 144), 5430);
  EXPECT_FLOAT_EQ(pixelsToTwips(7, 168), 60);
  EXPECT_FLOAT_EQ(pixelsToTwips(0, 120), 0);
}

TEST(TwipsTest, PixelsSurviveTheRoundTripAtEveryDpi) {
  for (const unsigned dpi : {96u, 120u, 144u, 168u, 192u, 240u}) {
    for (int pixels = -2000; pixels <= 4000; ++pixels) {
      ASSERT_EQ(twipsToPixels(pixelsToTwips(pixels, dpi), dpi), pixels)
          << pixels << " px at " << dpi << " DPI";
    }
  }
}

TEST(TwipsTest, PlacesOnMonitorsOfOtherScalesComeBackToTheSamePixel) {
  // A laptop at 150 % with a monitor at 100 % right of it, and the reverse.
  // Left and Top are stored at the close wherever the clock is, and taken
  // at the next start by a window made on the primary monitor: both with
  // the system DPI, the primary's, whatever the scale of the monitor the
  // place is on.
  struct Monitor {
    int left, right;  // pixels
    unsigned dpi;
  };
  struct Layout {
    const char* name;
    unsigned systemDpi;
    std::vector<Monitor> monitors;
  };
  for (const Layout& layout : {Layout{"150 % primary, 100 % second",
                                      144,
                                      {{0, 2880, 144}, {2880, 4800, 96}}},
                               Layout{"100 % primary, 150 % second",
                                      96,
                                      {{0, 1920, 96}, {1920, 4800, 144}}}}) {
    SCOPED_TRACE(layout.name);
    for (const Monitor& monitor : layout.monitors) {
      for (int x = monitor.left; x < monitor.right; ++x) {
        const float stored = pixelsToTwips(x, layout.systemDpi);
        ASSERT_EQ(twipsToPixels(stored, layout.systemDpi), x)
            << x << " px on the monitor at " << monitor.dpi << " DPI";
      }
    }
  }
  // 3000 px on the 100 % monitor of the first desk is 30000 twips, not the
  // 45000 its own scale would give (4500 px, off every screen, at 150 %).
  EXPECT_FLOAT_EQ(pixelsToTwips(3000, 144), 30000);
}

}  // namespace
}  // namespace quorvo::platform::win32
