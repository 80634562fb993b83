// The geometry of Win32 forms: position and size in twips over the window's
// pixels, and keeping the clock's text on the screens.
#include <algorithm>

#include "platform/win32/dpi.h"
#include "platform/win32/errors.h"
#include "platform/win32/form.h"
#include "platform/win32/placement.h"
#include "platform/win32/twips.h"

namespace quorvo::platform::win32 {

RECT Win32Form::windowRect() const {
  RECT rect{};
  if (!GetWindowRect(requireWindow(), &rect)) throwLastError("GetWindowRect");
  return rect;
}

void Win32Form::placeWindow(int x, int y, int cx, int cy, UINT flags) {
  if (!SetWindowPos(
          requireWindow(), nullptr, x, y, cx, cy,
          flags | SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOOWNERZORDER)) {
    throwLastError("SetWindowPos");
  }
}

// Positions use the system DPI: with the DPI of the monitor the window is on,
// a place on a monitor of another scale than the primary's would be stored
// in twips that lead somewhere else when the window, made on the primary,
// reads them back.
float Win32Form::left() const {
  return pixelsToTwips(windowRect().left, systemDpi());
}

float Win32Form::top() const {
  return pixelsToTwips(windowRect().top, systemDpi());
}

float Win32Form::width() const {
  const RECT rect = windowRect();
  return pixelsToTwips(rect.right - rect.left, dpi_);
}

float Win32Form::height() const {
  const RECT rect = windowRect();
  return pixelsToTwips(rect.bottom - rect.top, dpi_);
}

void Win32Form::setLeft(float twips) { move(twips, top()); }

void Win32Form::setTop(float twips) { move(left(), twips); }

void Win32Form::move(float left, float top) {
  const unsigned dpi = systemDpi();
  const int x = twipsToPixels(left, dpi);
  const int y = twipsToPixels(top, dpi);
  const RECT rect = windowRect();
  if (x != rect.left || y != rect.top) placeWindow(x, y, 0, 0, SWP_NOSIZE);
}

void Win32Form::setWidth(float twips) {
  const int cx = std::max(0, twipsToPixels(twips, dpi_));
  const RECT rect = windowRect();
  if (cx == rect.right - rect.left) return;
  if (!isVisible()) {
    placeWindow(0, 0, cx, rect.bottom - rect.top, SWP_NOMOVE);
    return;
  }
  // The refit after a new text: one placement for width, docked edge and
  // keeping the text on screen.
  const RECT to = refittedWindow(rect, cx, textRect(), monitorWorkAreas(),
                                 dockedTextRight_);
  placeWindow(to.left, to.top, cx, to.bottom - to.top, 0);
}

void Win32Form::noteDocking() {
  const RECT text = textRect();
  dockedTextRight_ = isDockedRight(windowRect(), text, monitorWorkAreas())
                         ? std::optional<LONG>(text.right)
                         : std::nullopt;
}

void Win32Form::setHeight(float twips) {
  const int cy = std::max(0, twipsToPixels(twips, dpi_));
  const RECT rect = windowRect();
  if (cy != rect.bottom - rect.top) {
    placeWindow(0, 0, rect.right - rect.left, cy, SWP_NOMOVE);
  }
}

WindowHandle Win32Form::hWnd() const {
  return reinterpret_cast<WindowHandle>(window_.get());
}

bool Win32Form::isOnAnyScreen() const {
  const RECT rect = windowRect();
  return MonitorFromRect(&rect, MONITOR_DEFAULTTONULL) != nullptr;
}

void Win32Form::keepTextOnScreen() {
  // No position comes out of no monitors: the window then stays.
  const RECT rect = windowRect();
  if (const auto to = recoveredPosition(rect, textRect(), monitorWorkAreas())) {
    placeWindow(to->x, to->y, 0, 0, SWP_NOSIZE);
  }
}

RECT Win32Form::textRect() const {
  RECT rect{};
  if (labels_.empty() || labels_.front()->window() == nullptr ||
      !GetWindowRect(labels_.front()->window(), &rect)) {
    return windowRect();
  }
  return rect;
}

}  // namespace quorvo::platform::win32
