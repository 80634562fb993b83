// The rules that keep a window's text on the monitors' work areas.
#include "platform/placement.h"

#include <algorithm>
#include <limits>

namespace quorvo::platform {

namespace {

long long area(const Rect& r) {
  return static_cast<long long>(std::max(0, r.right - r.left)) *
         std::max(0, r.bottom - r.top);
}

long long overlap(const Rect& a, const Rect& b) {
  return area({std::max(a.left, b.left), std::max(a.top, b.top),
               std::min(a.right, b.right), std::min(a.bottom, b.bottom)});
}

// How far `rect` is from `work` (0 when they touch or overlap), squared.
long long distanceSquared(const Rect& rect, const Rect& work) {
  const long long dx =
      std::max({0, work.left - rect.right, rect.left - work.right});
  const long long dy =
      std::max({0, work.top - rect.bottom, rect.top - work.bottom});
  return dx * dx + dy * dy;
}

// A rectangle of at least one pixel each way, so an empty text has a place.
Rect atLeastOnePixel(const Rect& r) {
  return {r.left, r.top, std::max(r.right, r.left + 1),
          std::max(r.bottom, r.top + 1)};
}

// The least move along one axis that brings [low, high) inside
// [workLow, workHigh); a span longer than the work area keeps its start
// at the work area's start.
int shiftInto(int low, int high, int workLow, int workHigh) {
  if (low < workLow || high - low > workHigh - workLow) return workLow - low;
  if (high > workHigh) return workHigh - high;
  return 0;
}

Rect moved(const Rect& r, int dx, int dy) {
  return {r.left + dx, r.top + dy, r.right + dx, r.bottom + dy};
}

}  // namespace

const Rect* nearestWorkArea(const Rect& rect, std::span<const Rect> workAreas) {
  const Rect* best = nullptr;
  long long bestOverlap = 0;
  long long bestDistance = std::numeric_limits<long long>::max();
  const Rect sized = atLeastOnePixel(rect);
  for (const Rect& work : workAreas) {
    const long long shared = overlap(sized, work);
    const long long distance = distanceSquared(sized, work);
    if (shared > bestOverlap ||
        (shared == 0 && bestOverlap == 0 && distance < bestDistance)) {
      best = &work;
      bestOverlap = shared;
      bestDistance = distance;
    }
  }
  return best;
}

double visibleShare(const Rect& text, std::span<const Rect> workAreas) {
  const Rect sized = atLeastOnePixel(text);
  long long seen = 0;
  // Work areas of different monitors do not overlap, so the parts add up.
  for (const Rect& work : workAreas) seen += overlap(sized, work);
  return static_cast<double>(seen) / static_cast<double>(area(sized));
}

std::optional<Point> recoveredPosition(const Rect& window, const Rect& text,
                                       std::span<const Rect> workAreas) {
  if (visibleShare(text, workAreas) >= 0.5) return std::nullopt;
  const Rect* work = nearestWorkArea(text, workAreas);
  if (work == nullptr) return std::nullopt;
  const Rect sized = atLeastOnePixel(text);
  const int dx = shiftInto(sized.left, sized.right, work->left, work->right);
  const int dy = shiftInto(sized.top, sized.bottom, work->top, work->bottom);
  return Point{window.left + dx, window.top + dy};
}

Point reachablePlace(const Rect& window, const Rect& text, Point userPlace,
                     std::span<const Rect> workAreas) {
  const Rect textThere =
      moved(text, userPlace.x - window.left, userPlace.y - window.top);
  if (visibleShare(textThere, workAreas) >= 0.5) return userPlace;
  return recoveredPosition(window, text, workAreas)
      .value_or(Point{window.left, window.top});
}

bool isDockedRight(const Rect& window, const Rect& text,
                   std::span<const Rect> workAreas) {
  const Rect* work = nearestWorkArea(window, workAreas);
  return work != nullptr && window.right >= work->right &&
         text.right <= work->right;
}

Placement refittedWindow(const Rect& window, int width, const Rect& text,
                         Point userPlace, std::span<const Rect> workAreas,
                         std::optional<int> dockedTextRight) {
  const int dx = dockedTextRight ? *dockedTextRight - text.right : 0;
  const int height = window.bottom - window.top;
  const Rect fitted{window.left + dx, window.top, window.left + dx + width,
                    window.bottom};
  if (userPlace == Point{window.left, window.top}) userPlace.x += dx;
  const Point at =
      reachablePlace(fitted, moved(text, dx, 0), userPlace, workAreas);
  return {{at.x, at.y, at.x + width, at.y + height}, userPlace};
}

}  // namespace quorvo::platform
