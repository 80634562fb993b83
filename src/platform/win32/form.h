// The Win32 forms: a top-level window per form, a STATIC control per label
// with a tooltip, and window timers. Geometry crosses the interface in twips
// and is kept by the system in pixels of the window's DPI.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/forms.h"
#include "platform/services.h"
#include "platform/win32/handles.h"

namespace quorvo::platform::win32 {

class Win32Runtime;
class Win32Form;

// The window class of every form.
inline constexpr const wchar_t* kFormClassName = L"Quorvo.Form";

// The Shift argument of mouse events: 1 Shift, 2 Ctrl, 4 Alt.
std::int16_t shiftState(WPARAM mouseKeys) noexcept;

// A label: a STATIC control whose window text is its caption, so screen
// readers and automation read the clock text like any other text on screen.
class Win32Label final : public Label {
 public:
  Win32Label(Win32Form& form, const LabelDesign& design, LabelEvents& events,
             int id);
  ~Win32Label() override;
  Win32Label(const Win32Label&) = delete;
  Win32Label& operator=(const Win32Label&) = delete;

  std::string caption() const override { return caption_; }
  // Does nothing at all when the text is unchanged: no window text, no
  // resize, no repaint. Otherwise sets the text and fits the size to it.
  void setCaption(std::string_view text) override;
  std::string toolTipText() const override { return toolTipText_; }
  void setToolTipText(std::string_view text) override;
  float width() const override;
  float height() const override;

  HWND window() const noexcept { return window_.get(); }
  HWND toolTipWindow() const noexcept { return toolTip_.get(); }

  // Takes the form's current font and DPI: position and size anew.
  void relayout();
  // Destroys the label's windows ahead of the form's window.
  void destroyWindows() noexcept;

 private:
  static LRESULT CALLBACK LabelProc(HWND window, UINT message, WPARAM wParam,
                                    LPARAM lParam) noexcept;
  LRESULT OnMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  void OnMouseDown(std::int16_t button, WPARAM wParam, LPARAM lParam);
  void OnDblClick();

  HWND requireWindow() const;
  SIZE measure(const std::wstring& text) const;
  static SIZE measureIn(HDC dc, const std::wstring& text);
  void applySize(SIZE size);
  void createToolTip();
  void updateTool();
  // Passes a mouse message on to the tooltip, which is made at the first.
  void relayToToolTip(HWND window, UINT message, WPARAM wParam,
                      LPARAM lParam) noexcept;

  Win32Form& form_;
  const LabelDesign design_;
  LabelEvents& events_;
  UniqueWindow window_;
  WNDPROC originalProc_ = nullptr;
  UniqueWindow toolTip_;  // made when the pointer first comes over the label
  bool toolTipFailed_ = false;
  std::string caption_;
  std::string toolTipText_;
  bool toolRegistered_ = false;
  SIZE size_{};  // pixels
};

// A timer on its form's window: WM_TIMER with the timer's id, so it ticks
// from the message loop only.
class Win32Timer final : public Timer {
 public:
  Win32Timer(Win32Form& form, UINT_PTR id, const TimerDesign& design,
             std::function<void()> onTimer);
  Win32Timer(const Win32Timer&) = delete;
  Win32Timer& operator=(const Win32Timer&) = delete;

  int interval() const override { return interval_; }
  // Throws RuntimeError for a negative interval; 0 stops the ticks.
  void setInterval(int milliseconds) override;
  bool enabled() const override { return enabled_; }
  void setEnabled(bool on) override;

  UINT_PTR id() const noexcept { return id_; }
  bool running() const noexcept { return running_; }
  void tick() noexcept;
  // The window is going: no more ticks.
  void stop() noexcept;

 private:
  void apply();

  Win32Form& form_;
  const UINT_PTR id_;
  int interval_;
  bool enabled_;
  bool running_ = false;
  std::function<void()> onTimer_;
};

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
  // A value that gives the pixel the window has already moves nothing.
  void setLeft(float twips) override;
  void setTop(float twips) override;
  void setWidth(float twips) override;
  void setHeight(float twips) override;
  WindowHandle hWnd() const override;
  bool isOnAnyScreen() const override;
  void show() override;
  void refresh() override;
  void popupMenu(MenuItem& menu, int flags) override;
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

  // Runs a program event the way every event runs: one at a time, nothing
  // after the program's end, no exception past the window procedure.
  void raise(std::string_view name, const std::function<void()>& handler);

 private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam,
                                     LPARAM lParam) noexcept;
  LRESULT HandleMessage(HWND window, UINT message, WPARAM wParam,
                        LPARAM lParam);
  void OnClose();
  void OnEndSession();
  void OnMouseDown(std::int16_t button, WPARAM wParam, LPARAM lParam);
  void OnDblClick();
  void OnTimer(UINT_PTR id);
  void OnDpiChanged(unsigned dpi, const RECT& suggested);
  void OnFontChanged();
  LRESULT OnCtlColorStatic(HDC dc);
  void OnNcDestroy(HWND window) noexcept;

  HWND requireWindow() const;
  // The window's rectangle on the screen as last moved or sized.
  RECT windowRect() const;
  void rememberWindowRect(HWND window) noexcept;
  void placeWindow(int x, int y, int cx, int cy, UINT flags);
  void runGuarded(std::string_view what, const std::function<void()>& work);

  Win32Runtime& runtime_;
  FormEvents& events_;
  // Declared before the window so it outlives every control drawing with it.
  UniqueFont font_;
  // After the font, so the font is deselected from it before it is deleted.
  MeasuringDc measuringDc_;
  UniqueWindow window_;
  unsigned dpi_ = 0;
  // Kept from WM_WINDOWPOSCHANGED, which every move and size change sends:
  // the clock sets its width at every tick and compares with this rather
  // than asking the system for the rectangle ten times a second.
  RECT rect_{};
  std::vector<std::unique_ptr<Win32Label>> labels_;
  std::vector<std::unique_ptr<Win32Timer>> timers_;
};

}  // namespace quorvo::platform::win32
