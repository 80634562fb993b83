// Twips, the forms' unit of length (1/1440 inch), and window pixels. A
// window's pixels are as large as its monitor's DPI says: 15 twips each at
// 96 DPI, 10 at 144 DPI.
#pragma once

namespace quorvo::platform {

inline constexpr double kTwipsPerInch = 1440;
// The DPI at which Windows draws unscaled.
inline constexpr unsigned kBaseDpi = 96;
// The largest pixel coordinate or size a form accepts. Window positions and
// sizes beyond it have no use, and clamping keeps a hostile stored value
// (1e30) from overflowing the conversion to int.
inline constexpr int kMaxPixels = 32767;

// 1440 / dpi; a DPI of 0 counts as 96.
double twipsPerPixel(unsigned dpi);

// Rounds to the nearest pixel and clamps to +/- kMaxPixels. Throws
// RuntimeError for NaN, which has no place on the screen.
int twipsToPixels(float twips, unsigned dpi);

float pixelsToTwips(int pixels, unsigned dpi);

}  // namespace quorvo::platform
