// Work areas of the monitors and the rules that keep a window's text on them.
#include "platform/win32/placement.h"

#include <algorithm>
#include <limits>

namespace quorvo::platform::win32 {

namespace {

long long area(const RECT& r) {
  return static_cast<long long>(std::max(0L, r.right - r.left)) *
         std::max(0L, r.bottom - r.top);
}

long long overlap(const RECT& a, const RECT& b) {
  const RECT common{std::max(a.left, b.left), std::max(a.top, b.top),
                    std::min(a.right, b.right), std::min(a.bottom, b.bottom)};
  return area(common);
}

// How far `rect` is from `work` (0 when they touch or overlap), squared.
long long distanceSquared(const RECT& rect, const RECT& work) {
  const long long dx =
      std::max({0L, work.left - rect.right, rect.left - work.right});
  const long long dy =
      std::max({0L, work.top - rect.bottom, rect.top - work.bottom});
  return dx * dx + dy * dy;
}

// A rectangle of at least one pixel each way, so an empty text has a place.
RECT atLeastOnePixel(const RECT& r) {
  return {r.left, r.top, std::max(r.right, r.left + 1),
          std::max(r.bottom, r.top + 1)};
}

// The least move along one axis that brings [low, high) inside
// [workLow, workHigh); a span longer than the work area keeps its start
// at the work area's start.
long shiftInto(long low, long high, long workLow, long workHigh) {
  if (low < workLow || high - low > workHigh - workLow) return workLow - low;
  if (high > workHigh) return workHigh - high;
  return 0;
}

BOOL CALLBACK collectWorkArea(HMONITOR monitor, HDC, LPRECT, LPARAM list) {
  MONITORINFO info{};
  info.cbSize = sizeof(info);
  if (GetMonitorInfoW(monitor, &info)) {
    reinterpret_cast<std::vector<RECT>*>(list)->push_back(info.rcWork);
  }
  return TRUE;
}

}  // namespace

std::vector<RECT> monitorWorkAreas() {
  std::vector<RECT> workAreas;
  (void)EnumDisplayMonitors(nullptr, nullptr, collectWorkArea,
                            reinterpret_cast<LPARAM>(&workAreas));
  // A monitor without a work area has no place to offer.
  std::erase_if(workAreas, [](const RECT& r) { return area(r) == 0; });
  return workAreas;
}

const RECT* nearestWorkArea(const RECT& rect, std::span<const RECT> workAreas) {
  const RECT* best = nullptr;
  long long bestOverlap = 0;
  long long bestDistance = std::numeric_limits<long long>::max();
  const RECT sized = atLeastOnePixel(rect);
  for (const RECT& work : workAreas) {
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

double visibleShare(const RECT& text, std::span<const RECT> workAreas) {
  const RECT sized = atLeastOnePixel(text);
  long long seen = 0;
  // Work areas of different monitors do not overlap, so the parts add up.
  for (const RECT& work : workAreas) seen += overlap(sized, work);
  return static_cast<double>(seen) / static_cast<double>(area(sized));
}

std::optional<POINT> recoveredPosition(const RECT& window, const RECT& text,
                                       std::span<const RECT> workAreas) {
  if (visibleShare(text, workAreas) >= 0.5) return std::nullopt;
  const RECT* work = nearestWorkArea(text, workAreas);
  if (work == nullptr) return std::nullopt;
  const RECT sized = atLeastOnePixel(text);
  const long dx = shiftInto(sized.left, sized.right, work->left, work->right);
  const long dy = shiftInto(sized.top, sized.bottom, work->top, work->bottom);
  return POINT{window.left + dx, window.top + dy};
}

POINT reachablePlace(const RECT& window, const RECT& text, POINT userPlace,
                     std::span<const RECT> workAreas) {
  const LONG dx = userPlace.x - window.left;
  const LONG dy = userPlace.y - window.top;
  const RECT textThere{text.left + dx, text.top + dy, text.right + dx,
                       text.bottom + dy};
  if (visibleShare(textThere, workAreas) >= 0.5) return userPlace;
  return recoveredPosition(window, text, workAreas)
      .value_or(POINT{window.left, window.top});
}

bool isDockedRight(const RECT& window, const RECT& text,
                   std::span<const RECT> workAreas) {
  const RECT* work = nearestWorkArea(window, workAreas);
  return work != nullptr && window.right >= work->right &&
         text.right <= work->right;
}

Placement refittedWindow(const RECT& window, int width, const RECT& text,
                         POINT userPlace, std::span<const RECT> workAreas,
                         std::optional<LONG> dockedTextRight) {
  const LONG dx = dockedTextRight ? *dockedTextRight - text.right : 0;
  const LONG height = window.bottom - window.top;
  const RECT fitted{window.left + dx, window.top, window.left + dx + width,
                    window.bottom};
  const RECT movedText{text.left + dx, text.top, text.right + dx, text.bottom};
  if (userPlace.x == window.left && userPlace.y == window.top) {
    userPlace.x += dx;
  }
  const POINT at = reachablePlace(fitted, movedText, userPlace, workAreas);
  return {{at.x, at.y, at.x + width, at.y + height}, userPlace};
}

}  // namespace quorvo::platform::win32
