// Twips / pixel conversion.
#include "platform/win32/twips.h"

#include <cmath>

#include "platform/services.h"

namespace quorvo::platform::win32 {

namespace {

// The nearest whole number, halves away from zero, as std::lround gives it
// for |value| < kMaxPixels. Worked out here because it runs at every tick,
// where a call into the C library would touch code the tick needs nothing
// else of.
int nearestWhole(double value) {
  int whole = static_cast<int>(value);  // toward zero
  const double rest = value - whole;    // exact: both lie within one
  if (rest >= 0.5) {
    ++whole;
  } else if (rest <= -0.5) {
    --whole;
  }
  return whole;
}

}  // namespace

double twipsPerPixel(unsigned dpi) {
  return kTwipsPerInch / static_cast<double>(dpi == 0 ? kBaseDpi : dpi);
}

int twipsToPixels(float twips, unsigned dpi) {
  if (std::isnan(twips)) throw RuntimeError("invalid property value (NaN)");
  const double pixels = static_cast<double>(twips) / twipsPerPixel(dpi);
  if (pixels >= kMaxPixels) return kMaxPixels;
  if (pixels <= -kMaxPixels) return -kMaxPixels;
  return nearestWhole(pixels);
}

float pixelsToTwips(int pixels, unsigned dpi) {
  return static_cast<float>(static_cast<double>(pixels) * twipsPerPixel(dpi));
}

}  // namespace quorvo::platform::win32
