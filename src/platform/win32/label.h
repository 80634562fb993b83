// A label of a Win32 form: a STATIC control whose size follows its caption,
// with a tooltip made when the pointer first comes over it.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

#include "platform/forms.h"
#include "platform/win32/handles.h"
#include "platform/win32/text.h"
#include "platform/win32/window_procedure.h"

namespace quorvo::platform::win32 {

class Win32Form;

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
  // The caption's extent in pixels in the font selected into `dc`.
  SIZE extentIn(HDC dc) const { return measureIn(dc, toUtf16(caption_)); }
  // Destroys the label's windows ahead of the form's window.
  void destroyWindows() noexcept;

 private:
  template <typename T>
  friend LRESULT CALLBACK windowProcedure(HWND, UINT, WPARAM, LPARAM) noexcept;
  LRESULT OnMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  // What the STATIC control does with a message.
  LRESULT passOn(HWND window, UINT message, WPARAM wParam,
                 LPARAM lParam) const noexcept {
    return CallWindowProcW(originalProc_, window, message, wParam, lParam);
  }

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
  // The STATIC control, owned from its creation in the constructor until
  // destroyWindows() (the form's unload) destroys it, or until WM_NCDESTROY
  // lets go of it when the system destroys it with the form's window.
  UniqueWindow window_;
  WNDPROC originalProc_ = nullptr;
  UniqueWindow toolTip_;  // made when the pointer first comes over the label
  bool toolTipFailed_ = false;
  std::string caption_;
  std::string toolTipText_;
  bool toolRegistered_ = false;
  SIZE size_{};  // pixels
};

}  // namespace quorvo::platform::win32
