// Points and rectangles in pixels, as the rules that place windows take
// them: a Win32 POINT and RECT without the Windows header, so the rules run
// and are tested natively on any system.
#pragma once

namespace quorvo::platform {

struct Point {
  int x = 0;
  int y = 0;
  bool operator==(const Point&) const = default;
};

// Right and bottom are one past the last pixel, as in a RECT.
struct Rect {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
  bool operator==(const Rect&) const = default;
};

}  // namespace quorvo::platform
