// How GoogleTest shows points and rectangles, in unit and Win32 tests.
#pragma once

#include <ostream>

#include "platform/geometry.h"

namespace quorvo::platform {

inline void PrintTo(const Point& p, std::ostream* out) {
  *out << "(" << p.x << ", " << p.y << ")";
}
inline void PrintTo(const Rect& r, std::ostream* out) {
  *out << "{" << r.left << ", " << r.top << ", " << r.right << ", " << r.bottom
       << "}";
}

}  // namespace quorvo::platform
