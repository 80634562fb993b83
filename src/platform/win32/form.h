// The Win32 forms: a top-level window per form, with its labels and timers
// (form.cpp: the window and its messages; form_geometry.cpp: position, size,
// the user's place, keeping the text on screen and changes of DPI).
// Geometry crosses the interface in twips and is kept by the system in
// pixels: positions convert with the system DPI, one scale for the whole
// desktop, sizes with the DPI of the window's monitor.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/forms.h"
#include "platform/geometry.h"
#include "platform/win32/handles.h"
#include "platform/win32/label.h"
#include "platform/win32/timer.h"
#include "platform/win32/window_procedure.h"

namespace quorvo::platform::win32 {

class Win32Runtime;

// The window class of every form.
inline constexpr const wchar_t* kFormClassName = L"Quorvo.Form";

class Win32Form final : public Form {
 public:
  Win32Form(Win32Runtime& runtime, const FormDesign& design,
            FormEvents& events);
  ~Win32Form() override;
  Win32Form(const Win32Form&) = delete;
  Win32Form& operator=(const Win32Form&) = delete;

  float left() const override;
  float top() const override;
  float width() const override;
  float height() const override;
  float userLeft() const override;
  float userTop() const override;
  // A value that gives the pixel the window has already moves nothing.
  void setLeft(float twips) override;
  void setTop(float twips) override;
  void move(float left, float top) override;
  void moveAside(float left, float top) override;
  // On a shown window, the refit after a new text (refittedWindow): the
  // left edge stays, or the text's right edge where the window hangs at the
  // right edge of its screen, and the text stays on screen.
  void setWidth(float twips) override;
  void setHeight(float twips) override;
  WindowHandle hWnd() const override;
  bool isOnAnyScreen() const override;
  void keepTextOnScreen() override;
  void show() override;
  void refresh() override;
  void popupMenu(MenuItem& menu, int flags, PopupPlace place) override;
  void unload() override;
  Label& addLabel(const LabelDesign& design, LabelEvents& events) override;
  Timer& addTimer(const TimerDesign& design,
                  std::function<void()> onTimer) override;

  // Registers the form window class once per process; false (with
  // GetLastError set) when the system refuses.
  static bool registerWindowClass(HINSTANCE instance) noexcept;

  HWND window() const noexcept { return window_.get(); }
  HFONT font() const noexcept { return font_.get(); }
  // A memory DC with the form's font selected, for measuring captions
  // without a window DC to get and release; null where it could not be made.
  HDC measuringDc() const noexcept { return measuringDc_.get(); }
  unsigned dpi() const noexcept { return dpi_; }
  bool isVisible() const noexcept;
  HINSTANCE instance() const noexcept;

  // Runs a program event, or work of the runtime's own on the program's
  // behalf, the way every event runs: nothing after the program's end, and
  // an error ends that work only and is reported, never passing the window
  // procedure.
  void raise(std::string_view name, const std::function<void()>& handler);

 private:
  template <typename T>
  friend LRESULT CALLBACK windowProcedure(HWND, UINT, WPARAM, LPARAM) noexcept;
  LRESULT OnMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  static LRESULT passOn(HWND window, UINT message, WPARAM wParam,
                        LPARAM lParam) noexcept {
    return DefWindowProcW(window, message, wParam, lParam);
  }
  void OnClose();
  void OnEndSession();
  void OnContextMenu(LPARAM lParam);
  void OnTimer(UINT_PTR id);
  void OnDpiChanged(unsigned dpi, const RECT& suggested);
  void OnWindowPosChanged(const WINDOWPOS& position);
  void OnScreensChanged();
  void OnSettingChange(WPARAM action, LPARAM area);
  void OnFontChanged();
  LRESULT OnCtlColorStatic(HDC dc);
  void OnNcDestroy(HWND window) noexcept;

  HWND requireWindow() const;
  // The window's rectangle on the screen, in pixels.
  Rect windowRect() const;
  // Where its text is on the screen: the first label, else the window.
  Rect textRect() const;
  // Moves or sizes the window; the form knows it is its own placement while
  // the system carries it out, and the monitors' work areas where the
  // caller has them already.
  void placeWindow(int x, int y, int cx, int cy, UINT flags,
                   const std::vector<Rect>* workAreas = nullptr);
  // Moves the window to a pixel without making it the user's place.
  void moveWindowTo(Point at);
  // Brings the whole text back when less than half of it can be seen, and
  // no more: not back to the user's place, which a move under way (a drag
  // across monitors) may not have replaced yet.
  void recoverText();
  // The window's size at `dpi`: its first label's extent in the font for
  // that DPI plus the margins the program gave the window around it.
  // Nothing where those are not known.
  std::optional<SIZE> sizeAtDpi(unsigned dpi) const;
  // Notes whether the window hangs at the right edge of its screen, after
  // anything moved or sized it or changed the screens.
  void noteDocking();

  Win32Runtime& runtime_;
  FormEvents& events_;
  const std::wstring accessibleName_;
  // Declared before the window so it outlives every control drawing with it.
  UniqueFont font_;
  // After the font, so the font is deselected from it before it is deleted.
  MeasuringDc measuringDc_;
  // The form's window. OnMessage adopts the handle at WM_NCCREATE, while
  // CreateWindowExW is still running, and lets go of it at WM_NCDESTROY, when
  // the system destroys the window on its own (the end of the session);
  // unload() and the destructor destroy it.
  UniqueWindow window_;
  unsigned dpi_ = 0;
  // Where the text ends while the window hangs at the right edge of its
  // screen, as the last placement left it; the refit keeps it there.
  std::optional<int> dockedTextRight_;
  // The user's place, the window's top-left corner in pixels.
  Point userPlace_{};
  // Set while placeWindow runs, with the pixel it asked for (nothing when
  // it keeps the position): a WM_DPICHANGED sent from inside it belongs to
  // the form's own placement. And the work areas it was given, for the
  // WM_WINDOWPOSCHANGED it sends.
  bool placing_ = false;
  std::optional<Point> askedPlace_;
  const std::vector<Rect>* placingWorkAreas_ = nullptr;
  // The width and height beyond the first label, in twips, as the program
  // last set them: the window keeps them at another DPI.
  std::optional<float> widthMargin_;
  std::optional<float> heightMargin_;
  std::vector<std::unique_ptr<Win32Label>> labels_;
  std::vector<std::unique_ptr<Win32Timer>> timers_;
};

}  // namespace quorvo::platform::win32
