// The monitors as the placement rules (platform/placement.h) see them: their
// work areas, and the system's rectangles in the rules' terms.
#pragma once

#include <windows.h>

#include <vector>

#include "platform/geometry.h"

namespace quorvo::platform::win32 {

// The work areas (the screen less the taskbar and docked bars) of every
// monitor. Empty while the system has no monitor at all, as for a moment
// when monitors are switched.
std::vector<Rect> monitorWorkAreas();

inline Rect toRect(const RECT& r) noexcept {
  return {r.left, r.top, r.right, r.bottom};
}

}  // namespace quorvo::platform::win32
