// The geometry of Win32 forms: position and size in twips over the window's
// pixels, the user's place and the detours from it that keep the clock's
// text on the screens, and the window's place and size at another DPI.
#include <algorithm>

#include "platform/placement.h"
#include "platform/twips.h"
#include "platform/win32/dpi.h"
#include "platform/win32/errors.h"
#include "platform/win32/form.h"
#include "platform/win32/monitors.h"

namespace quorvo::platform::win32 {

Rect Win32Form::windowRect() const {
  RECT rect{};
  if (!GetWindowRect(requireWindow(), &rect)) throwLastError("GetWindowRect");
  return toRect(rect);
}

void Win32Form::placeWindow(int x, int y, int cx, int cy, UINT flags,
                            const std::vector<Rect>* workAreas) {
  const HWND window = requireWindow();
  const bool outerPlacing = placing_;
  const std::optional<Point> outerAsked = askedPlace_;
  const std::vector<Rect>* const outerWorkAreas = placingWorkAreas_;
  placing_ = true;
  askedPlace_ = (flags & SWP_NOMOVE) != 0 ? std::nullopt
                                          : std::optional<Point>(Point{x, y});
  placingWorkAreas_ = workAreas;
  const BOOL placed =
      SetWindowPos(window, nullptr, x, y, cx, cy,
                   flags | SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOOWNERZORDER);
  const DWORD error = GetLastError();
  placing_ = outerPlacing;
  askedPlace_ = outerAsked;
  placingWorkAreas_ = outerWorkAreas;
  if (!placed) {
    SetLastError(error);
    throwLastError("SetWindowPos");
  }
}

void Win32Form::moveWindowTo(Point at) {
  const Rect rect = windowRect();
  if (at.x != rect.left || at.y != rect.top) {
    placeWindow(at.x, at.y, 0, 0, SWP_NOSIZE);
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

float Win32Form::userLeft() const {
  requireWindow();
  return pixelsToTwips(userPlace_.x, systemDpi());
}

float Win32Form::userTop() const {
  requireWindow();
  return pixelsToTwips(userPlace_.y, systemDpi());
}

float Win32Form::width() const {
  const Rect rect = windowRect();
  return pixelsToTwips(rect.right - rect.left, dpi_);
}

float Win32Form::height() const {
  const Rect rect = windowRect();
  return pixelsToTwips(rect.bottom - rect.top, dpi_);
}

void Win32Form::setLeft(float twips) { move(twips, top()); }

void Win32Form::setTop(float twips) { move(left(), twips); }

void Win32Form::move(float left, float top) {
  const unsigned dpi = systemDpi();
  const Point at{twipsToPixels(left, dpi), twipsToPixels(top, dpi)};
  moveWindowTo(at);
  userPlace_ = at;
}

void Win32Form::moveAside(float left, float top) {
  const unsigned dpi = systemDpi();
  moveWindowTo({twipsToPixels(left, dpi), twipsToPixels(top, dpi)});
}

void Win32Form::setWidth(float twips) {
  if (!labels_.empty()) widthMargin_ = twips - labels_.front()->width();
  const int cx = std::max(0, twipsToPixels(twips, dpi_));
  const Rect rect = windowRect();
  if (cx == rect.right - rect.left) return;
  if (!isVisible()) {
    placeWindow(0, 0, cx, rect.bottom - rect.top, SWP_NOMOVE);
    return;
  }
  // The refit after a new text: one placement for width, docked edge and
  // keeping the text on screen. The docking noted after it takes the same
  // work areas rather than asking the monitors twice per new text.
  const std::vector<Rect> workAreas = monitorWorkAreas();
  const Placement to = refittedWindow(rect, cx, textRect(), userPlace_,
                                      workAreas, dockedTextRight_);
  placeWindow(to.window.left, to.window.top, cx,
              to.window.bottom - to.window.top, 0, &workAreas);
  userPlace_ = to.userPlace;
}

void Win32Form::noteDocking() {
  std::vector<Rect> asked;
  const std::vector<Rect>& workAreas = placingWorkAreas_ != nullptr
                                           ? *placingWorkAreas_
                                           : (asked = monitorWorkAreas());
  const Rect text = textRect();
  dockedTextRight_ = isDockedRight(windowRect(), text, workAreas)
                         ? std::optional<int>(text.right)
                         : std::nullopt;
}

void Win32Form::setHeight(float twips) {
  if (!labels_.empty()) heightMargin_ = twips - labels_.front()->height();
  const int cy = std::max(0, twipsToPixels(twips, dpi_));
  const Rect rect = windowRect();
  if (cy != rect.bottom - rect.top) {
    placeWindow(0, 0, rect.right - rect.left, cy, SWP_NOMOVE);
  }
}

void Win32Form::OnDpiChanged(unsigned dpi, const RECT& suggested) {
  // While no monitor is there (for a moment, as monitors are switched) the
  // system may offer no DPI or a place on no screen: the window keeps its
  // last good DPI and position.
  if (dpi == 0) return;
  raise("WM_DPICHANGED", [&] {
    dpi_ = dpi;
    const int cx = suggested.right - suggested.left;
    const int cy = suggested.bottom - suggested.top;
    if (placing_) {
      // Sent from inside the form's own placement, onto a monitor of
      // another scale: nothing promises the suggested corner is the pixel
      // asked for, so only the size is taken.
      const std::optional<Point> asked = askedPlace_;
      placeWindow(asked ? asked->x : 0, asked ? asked->y : 0, cx, cy,
                  asked ? 0 : SWP_NOMOVE);
      OnFontChanged();
      return;
    }
    // A drag or another program's move, or a new scale of the monitor: the
    // suggested rectangle keeps the window where the pointer holds it, and a
    // window at the user's place takes the place along.
    const Rect rect = windowRect();
    const bool atUserPlace = userPlace_ == Point{rect.left, rect.top};
    const bool onScreen =
        MonitorFromRect(&suggested, MONITOR_DEFAULTTONULL) != nullptr;
    placeWindow(suggested.left, suggested.top, cx, cy,
                onScreen ? 0 : SWP_NOMOVE);
    if (onScreen && atUserPlace) userPlace_ = {suggested.left, suggested.top};
    OnFontChanged();
    recoverText();
  });
}

void Win32Form::OnWindowPosChanged(const WINDOWPOS& position) {
  if ((position.flags & (SWP_NOMOVE | SWP_NOSIZE)) ==
      (SWP_NOMOVE | SWP_NOSIZE)) {
    return;
  }
  raise("WM_WINDOWPOSCHANGED", [&] {
    // A move the form did not make itself is the user's (a drag) or made on
    // the user's behalf (another program): the new place is the user's. It
    // is read from the window, which a WM_DPICHANGED sent meanwhile may
    // have moved on.
    if (!placing_ && (position.flags & SWP_NOMOVE) == 0) {
      const Rect rect = windowRect();
      userPlace_ = {rect.left, rect.top};
    }
    noteDocking();
  });
}

WindowHandle Win32Form::hWnd() const {
  return reinterpret_cast<WindowHandle>(window_.get());
}

bool Win32Form::isOnAnyScreen() const {
  return MonitorFromWindow(requireWindow(), MONITOR_DEFAULTTONULL) != nullptr;
}

void Win32Form::keepTextOnScreen() {
  // No position comes out of no monitors: the window then stays.
  moveWindowTo(
      reachablePlace(windowRect(), textRect(), userPlace_, monitorWorkAreas()));
}

void Win32Form::recoverText() {
  const Rect rect = windowRect();
  if (const auto to = recoveredPosition(rect, textRect(), monitorWorkAreas())) {
    moveWindowTo(*to);
  }
}

std::optional<SIZE> Win32Form::sizeAtDpi(unsigned dpi) const {
  if (labels_.empty() || !widthMargin_ || !heightMargin_) return std::nullopt;
  // The font before the DC, so the DC lets go of it before it is deleted.
  const UniqueFont font = createMessageFont(dpi);
  MeasuringDc dc;
  dc.selectFont(font.get());
  if (dc.get() == nullptr) return std::nullopt;
  const SIZE text = labels_.front()->extentIn(dc.get());
  return SIZE{twipsToPixels(pixelsToTwips(text.cx, dpi) + *widthMargin_, dpi),
              twipsToPixels(pixelsToTwips(text.cy, dpi) + *heightMargin_, dpi)};
}

Rect Win32Form::textRect() const {
  RECT rect{};
  if (labels_.empty() || labels_.front()->window() == nullptr ||
      !GetWindowRect(labels_.front()->window(), &rect)) {
    return windowRect();
  }
  return toRect(rect);
}

}  // namespace quorvo::platform::win32
