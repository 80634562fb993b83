// Helpers of the Win32 tests: a runtime of their own (own instance mutex,
// errors recorded, locale pinned), recorded events, a form to test on,
// message pumping with a deadline, counting the messages a window receives,
// finding and measuring windows, and acting in a message box or menu.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "geometry_printing.h"
#include "platform/forms.h"
#include "platform/geometry.h"
#include "platform/menu_item.h"
#include "platform/services.h"
#include "platform/win32/form.h"
#include "platform/win32/runtime.h"

namespace quorvo::win32_testing {

// A name no other test or process uses, e.g. for a mutex or settings key.
std::wstring uniqueName(const std::wstring& prefix);
// A unique name in the folder for temporary files.
std::wstring tempPath(const std::wstring& prefix);
// Waits up to 30 s for a process to end and gives its exit code.
DWORD exitCode(HANDLE process);
// The window text of a window, as UTF-8.
std::string windowText(HWND window);
// A window's rectangle on the screen, in pixels.
platform::Rect windowRect(HWND window);
// The extent of a text in a window's font, measured apart from the runtime;
// no text is no width and one line high.
SIZE textExtent(HWND window, HFONT font, const std::string& text);

// Handler errors, as the runtime reported them.
class RecordingReporter : public platform::ErrorReporter {
 public:
  struct Error {
    std::string handler;
    std::string what;
  };
  void report(std::string_view handler, std::string_view what) override {
    errors.push_back({std::string(handler), std::string(what)});
  }
  std::vector<Error> errors;
};

// Events by name, in order; the one `throwFrom` names throws
// "<name> failed" after it was noted.
struct RecordedEvents {
  struct MouseDown {
    std::int16_t button, shift;
    float x, y;
  };
  void note(const char* event) {
    log.push_back(event);
    if (throwFrom == event) throw std::runtime_error(throwFrom + " failed");
  }

  std::vector<std::string> log;
  std::vector<MouseDown> mouseDowns;
  std::string throwFrom;
};

class RecordingFormEvents : public platform::FormEvents, public RecordedEvents {
 public:
  void Form_MouseDown(std::int16_t button, std::int16_t shift, float x,
                      float y) override {
    mouseDowns.push_back({button, shift, x, y});
    note("Form_MouseDown");
  }
  void Form_DblClick() override { note("Form_DblClick"); }
  void Form_ContextMenu(bool fromKeyboard) override {
    contextMenusFromKeyboard.push_back(fromKeyboard);
    note("Form_ContextMenu");
  }
  void Form_QueryUnload(std::int16_t& cancel,
                        platform::UnloadReason reason) override {
    unloadReasons.push_back(reason);
    cancel = cancelWith;
    note("Form_QueryUnload");
  }
  void Form_Closed(platform::UnloadReason reason) override {
    unloadReasons.push_back(reason);
    note("Form_Closed");
  }
  void Form_FontChanged() override {
    note("Form_FontChanged");
    if (onFontChanged) onFontChanged();
  }

  std::function<void()> onFontChanged;  // what the program would do
  std::vector<bool> contextMenusFromKeyboard;
  // Given to Form_QueryUnload and Form_Closed, in order.
  std::vector<platform::UnloadReason> unloadReasons;
  std::int16_t cancelWith = 0;
};

class RecordingLabelEvents : public platform::LabelEvents,
                             public RecordedEvents {
 public:
  void MouseDown(std::int16_t button, std::int16_t shift, float x,
                 float y) override {
    mouseDowns.push_back({button, shift, x, y});
    note("MouseDown");
  }
  void DblClick() override { note("DblClick"); }
};

// A runtime as the tests use it: its own instance mutex, en-US formats,
// errors recorded instead of sent to the debugger.
std::unique_ptr<platform::win32::Win32Runtime> testRuntime(
    RecordingReporter& reporter);

// A form of the test runtime as Win32Form, to reach its window.
inline std::unique_ptr<platform::win32::Win32Form> createForm(
    platform::win32::Win32Runtime& runtime, platform::FormEvents& events) {
  return std::make_unique<platform::win32::Win32Form>(
      runtime, platform::FormDesign{}, events);
}

// A test runtime and a hidden form of it, as most Win32 tests use them.
class FormFixture : public ::testing::Test {
 protected:
  ~FormFixture() override;
  HWND hwnd() const { return form->window(); }
  unsigned dpi() const { return form->dpi(); }
  platform::Rect rect() const { return windowRect(hwnd()); }
  // Puts the window on the primary screen, at (1500, 1500) twips.
  void placeAt(float width = 1500, float height = 450);
  // Adds the clock's label, lblTime, 15 twips inside the client area.
  platform::win32::Win32Label& addLabel(const std::string& caption = "Time");

  RecordingReporter reporter;
  std::unique_ptr<platform::win32::Win32Runtime> runtime =
      testRuntime(reporter);
  RecordingFormEvents events;
  RecordingLabelEvents labelEvents;
  std::unique_ptr<platform::win32::Win32Form> form =
      createForm(*runtime, events);
};

// The form's own suite, in more than one file.
class Win32FormTest : public FormFixture {};

// Delivers messages until `done` is true or the deadline passes; returns
// `done()`.
bool pumpUntil(const std::function<bool()>& done,
               std::chrono::milliseconds timeout = std::chrono::seconds(5));
// Delivers whatever is queued now (and what that posts) for a short while.
void pumpFor(std::chrono::milliseconds duration);
// Takes a quit message that Application::end posted off the queue; returns
// whether there was one.
bool takeQuitMessage();

// Counts the messages a window receives while the counter lives, and passes
// each to `onMessage` first, if set.
class MessageCounter {
 public:
  explicit MessageCounter(HWND window);
  ~MessageCounter();
  MessageCounter(const MessageCounter&) = delete;
  MessageCounter& operator=(const MessageCounter&) = delete;

  int count(UINT message) const;

  std::function<void(UINT message, LPARAM lParam)> onMessage;

 private:
  static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam,
                               LPARAM lParam, UINT_PTR id,
                               DWORD_PTR self) noexcept;
  HWND window_;
  bool removed_ = false;
  std::map<UINT, int> counts_;
};

// Runs `modal` (a message box, a popup menu) and, once the visible window
// of this thread with the class ("#32770" a dialog, "#32768" a menu) is
// open, calls `onOpen` with it from inside the modal loop.
void whenOpen(const wchar_t* className, std::function<void(HWND)> onOpen,
              const std::function<void()>& modal);
// Opens `menu` as the form's popup menu and types the keys into it once it
// is open; returns when the menu has closed. A menu no key reached is
// closed after ten seconds.
void popupTyping(platform::win32::Win32Form& form, platform::MenuItem& menu,
                 const std::vector<WPARAM>& keys);

}  // namespace quorvo::win32_testing
