// The forms runtime as the program sees it: forms, labels and timers with
// their properties in twips, and the events they raise. The Win32 runtime and
// the in-memory runtime of the tests both implement these interfaces.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace quorvo::platform {

class MenuItem;

// A window handle as a plain number, so portable code can pass it along
// without seeing a Win32 type.
using WindowHandle = std::uintptr_t;

// Mouse buttons as the runtime numbers them in mouse events.
inline constexpr std::int16_t kLeftButton = 1;
inline constexpr std::int16_t kRightButton = 2;
inline constexpr std::int16_t kMiddleButton = 4;

// Why a form is closing, passed to its query-unload event.
enum class UnloadReason : std::int16_t {
  kControlMenu = 0,  // the user or another program asked the window to close
  kCode = 1,         // the program unloaded the form itself
  kSessionEnding = 2,
  kTaskManager = 3,
};

// Flags of Form::popupMenu: items may be chosen with the right button too.
inline constexpr int kPopupMenuRightButton = 2;

// Where Form::popupMenu opens the menu.
enum class PopupPlace {
  kAtPointer,    // its left edge at the mouse pointer
  kBelowWindow,  // its left edge at the window's lower-left corner
};

// Events a form raises into the program. Every handler runs on the user
// interface thread, one at a time.
class FormEvents {
 public:
  virtual ~FormEvents() = default;
  virtual void Form_MouseDown(std::int16_t /*button*/, std::int16_t /*shift*/,
                              float /*x*/, float /*y*/) {}
  virtual void Form_DblClick() {}
  // The user asked for the window's context menu: from the keyboard
  // (Shift+F10, the Menu key) or otherwise than by the mouse buttons the
  // form reports itself.
  virtual void Form_ContextMenu(bool /*fromKeyboard*/) {}
  virtual void Form_QueryUnload(std::int16_t& /*cancel*/,
                                UnloadReason /*reason*/) {}
  // The window is gone after a close the program did not ask for itself.
  virtual void Form_Closed(UnloadReason /*reason*/) {}
  // The form's font changed while it runs (the system's message font, or the
  // DPI it is drawn at), and its labels have taken their new sizes.
  virtual void Form_FontChanged() {}
};

// Events a label raises into the program.
class LabelEvents {
 public:
  virtual ~LabelEvents() = default;
  virtual void MouseDown(std::int16_t /*button*/, std::int16_t /*shift*/,
                         float /*x*/, float /*y*/) {}
  virtual void DblClick() {}
};

// A label that sizes itself to its caption. Positions and sizes are twips.
class Label {
 public:
  virtual ~Label() = default;
  virtual std::string caption() const = 0;
  // Resizes the label to the caption's extent at once.
  virtual void setCaption(std::string_view text) = 0;
  virtual std::string toolTipText() const = 0;
  // An empty text means no tooltip.
  virtual void setToolTipText(std::string_view text) = 0;
  virtual float width() const = 0;
  virtual float height() const = 0;
};

// A timer that raises its event from the message loop only.
class Timer {
 public:
  virtual ~Timer() = default;
  virtual int interval() const = 0;
  virtual bool enabled() const = 0;
  virtual void setEnabled(bool on) = 0;
};

// How a form looks before any code of the program runs.
struct FormDesign {
  std::string caption;
  // What screen readers call the window where its caption is empty; it
  // changes nothing that can be seen, nor what the caption reads.
  std::string accessibleName = {};
};

struct LabelDesign {
  std::string caption;
  float left = 0;  // twips inside the client area
  float top = 0;
  std::string name = {};  // the program's, for its handler names
};

struct TimerDesign {
  int intervalMs = 0;
  bool enabled = false;
  std::string name = {};
};

// A top-level window. Geometry is in twips: a position with one scale for
// the whole desktop, so a place is the same on every monitor; a size with
// the scale of the window's monitor.
//
// A window has a place of its own, the user's place: where move() put it,
// or where the user dragged it or another program moved it. Moves the
// runtime makes by itself to keep the text reachable (keepTextOnScreen, a
// refit, a monitor gone) and moveAside() are detours from it, and the
// window goes back to it when it can.
class Form {
 public:
  virtual ~Form() = default;
  virtual float left() const = 0;
  virtual float top() const = 0;
  virtual float width() const = 0;
  virtual float height() const = 0;
  // The user's place: where the window stands, unless it is on a detour.
  // The place to store.
  virtual float userLeft() const = 0;
  virtual float userTop() const = 0;
  // Each moves the window and makes the place the user's.
  virtual void setLeft(float twips) = 0;
  virtual void setTop(float twips) = 0;
  // Both at once, in one step.
  virtual void move(float left, float top) = 0;
  // Moves the window for the time being: a detour, the user's place stays.
  virtual void moveAside(float left, float top) = 0;
  virtual void setWidth(float twips) = 0;
  virtual void setHeight(float twips) = 0;
  virtual WindowHandle hWnd() const = 0;
  // True when some part of the window lies on some monitor.
  virtual bool isOnAnyScreen() const = 0;
  // Brings the window back to the user's place when at least half of its
  // text can be seen there. Otherwise, when less than half of the text can
  // be seen where it is, moves it the least distance that shows the whole
  // text, a detour; and else leaves it exactly where it is.
  virtual void keepTextOnScreen() = 0;
  // Shows the window without taking the keyboard focus or the foreground
  // from the program that has them; a click on it gives it both. Not
  // modal, without an owner.
  virtual void show() = 0;
  // Repaints the window at once.
  virtual void refresh() = 0;
  // Opens the visible items below `menu` and returns when the menu has
  // closed, after raising the chosen item's click event.
  virtual void popupMenu(MenuItem& menu, int flags, PopupPlace place) = 0;
  // Destroys the window and stops its timers without raising any event. The
  // object stays valid so a handler running on it can finish.
  virtual void unload() = 0;

  // Controls, created in design order; the form owns them.
  virtual Label& addLabel(const LabelDesign& design, LabelEvents& events) = 0;
  virtual Timer& addTimer(const TimerDesign& design,
                          std::function<void()> onTimer) = 0;
};

}  // namespace quorvo::platform
