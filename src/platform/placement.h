// Keeping a window's text reachable: where the window goes when too little
// of its text can be seen on the monitors' work areas, when it goes back to
// the place the user chose, and whether it hangs at the right edge of its
// screen. Pure rules on rectangles in physical pixels, so any monitor layout
// can be tried without the monitors.
#pragma once

#include <optional>
#include <span>

#include "platform/geometry.h"

namespace quorvo::platform {

// The work area that `rect` lies on most, or, when it lies on none, the
// one nearest to it. Null for no work areas.
const Rect* nearestWorkArea(const Rect& rect, std::span<const Rect> workAreas);

// The share (0 to 1) of `text` that lies on the work areas. A text of no
// width or height counts as its top-left pixel.
double visibleShare(const Rect& text, std::span<const Rect> workAreas);

// Where the window's top-left corner goes when less than half of its text
// can be seen: moved by the least distance that puts the whole text inside
// the nearest work area (its left and top edges first where the text is
// larger). Nothing when half or more can be seen: such a window stays
// exactly where it is, partly off screen or not.
std::optional<Point> recoveredPosition(const Rect& window, const Rect& text,
                                       std::span<const Rect> workAreas);

// Where the window goes to keep its text reachable, given the place the user
// chose for it (`userPlace`, a top-left corner): back to that place whenever
// at least half of the text would be seen there, as it would at a start;
// else where it is, when at least half of its text is seen there; else the
// recoveredPosition. Anything but the user's place is a detour from it.
Point reachablePlace(const Rect& window, const Rect& text, Point userPlace,
                     std::span<const Rect> workAreas);

// Whether the window hangs at the right edge of its work area: its right
// edge at or past the work area's (its border and the space right of the
// text may hang off), its text inside it.
bool isDockedRight(const Rect& window, const Rect& text,
                   std::span<const Rect> workAreas);

// A window's rectangle and the place the user chose for it.
struct Placement {
  Rect window;
  Point userPlace;
};

// Where a window goes when it takes a new width for a text of a new size:
// one whose text ended at the right edge of its screen (`dockedTextRight`,
// where it ended) keeps the text ending there, so it grows and shrinks to
// the left; any other keeps its left edge. A window standing at the user's
// place takes that place along, since the edge it hangs at is what the user
// chose; one on a detour leaves it. Then reachablePlace keeps the text on
// screen. `text` is where the text is now, at its new size, while the window
// is still at `window`.
Placement refittedWindow(const Rect& window, int width, const Rect& text,
                         Point userPlace, std::span<const Rect> workAreas,
                         std::optional<int> dockedTextRight);

}  // namespace quorvo::platform
