// The monitors' work areas, from EnumDisplayMonitors.
#include "platform/win32/monitors.h"

namespace quorvo::platform::win32 {

namespace {

BOOL CALLBACK collectWorkArea(HMONITOR monitor, HDC, LPRECT, LPARAM list) {
  MONITORINFO info{};
  info.cbSize = sizeof(info);
  const RECT& work = info.rcWork;
  // A monitor without a work area has no place to offer.
  if (GetMonitorInfoW(monitor, &info) && work.right > work.left &&
      work.bottom > work.top) {
    reinterpret_cast<std::vector<Rect>*>(list)->push_back(toRect(work));
  }
  return TRUE;
}

}  // namespace

std::vector<Rect> monitorWorkAreas() {
  std::vector<Rect> workAreas;
  (void)EnumDisplayMonitors(nullptr, nullptr, collectWorkArea,
                            reinterpret_cast<LPARAM>(&workAreas));
  return workAreas;
}

}  // namespace quorvo::platform::win32
