// Twips / pixel conversion.
#include "platform/twips.h"

#include <cmath>

#include "platform/services.h"

namespace quorvo::platform {

double twipsPerPixel(unsigned dpi) {
  return kTwipsPerInch / static_cast<double>(dpi == 0 ? kBaseDpi : dpi);
}

int twipsToPixels(float twips, unsigned dpi) {
  if (std::isnan(twips)) throw RuntimeError("invalid property value (NaN)");
  const double pixels = static_cast<double>(twips) / twipsPerPixel(dpi);
  if (pixels >= kMaxPixels) return kMaxPixels;
  if (pixels <= -kMaxPixels) return -kMaxPixels;
  return static_cast<int>(std::lround(pixels));
}

float pixelsToTwips(int pixels, unsigned dpi) {
  return static_cast<float>(static_cast<double>(pixels) * twipsPerPixel(dpi));
}

}  // namespace quorvo::platform
