// The runtime's services beside forms: the application object (previous
// instance, argument string, end, message box), the per-user settings store,
// the local clock with its formatter, starting another program, and the three
// window-manager calls the clock window makes.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

#include "platform/forms.h"

namespace quorvo::platform {

// A failure of a runtime call. It ends the running handler only.
class RuntimeError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class Application {
 public:
  virtual ~Application() = default;
  // True when another instance of the program was already running when this
  // one started.
  virtual bool prevInstance() = 0;
  // Gives up this instance's mark, so that a program started from now on is
  // not a second instance; for a closing program whose settings are saved.
  virtual void releaseInstance() = 0;
  // What follows the program's name (and the blank after it) on its command
  // line.
  virtual std::string command() = 0;
  // Ends the program: no event reaches the program after this call, and no
  // query-unload event is raised. The caller returns right after it.
  virtual void end() = 0;
  virtual bool ended() const = 0;
  // A modal message box; returns the button pressed.
  virtual int msgBox(const std::string& prompt, int style,
                     const std::string& title) = 0;
};

// Per-user text values addressed by application, section and key.
class SettingsStore {
 public:
  virtual ~SettingsStore() = default;
  // The stored text, or `defaultText` when the key, its section or its
  // application is absent.
  virtual std::string getSetting(const std::string& appName,
                                 const std::string& section,
                                 const std::string& key,
                                 const std::string& defaultText) = 0;
  // Stores the text, creating the application and section when missing.
  // Throws RuntimeError when the store refuses.
  virtual void saveSetting(const std::string& appName,
                           const std::string& section, const std::string& key,
                           const std::string& value) = 0;
};

// A reading of the local clock.
struct LocalDateTime {
  int year = 2000;
  int month = 1;      // 1-12
  int day = 1;        // 1-31
  int dayOfWeek = 6;  // 0 Sunday - 6 Saturday
  int hour = 0;       // 0-23
  int minute = 0;
  int second = 0;
};

// Formatter patterns. ":" stands for the user's time separator; names and
// designators come from the user's locale.
inline constexpr std::string_view kLongDatePattern = "dddd, mmmm d yyyy";
inline constexpr std::string_view kLongTimePattern = "Long Time";
inline constexpr std::string_view kMediumTimePattern = "Medium Time";
inline constexpr std::string_view kHourMinuteSecondPattern = "h:m:s";
inline constexpr std::string_view kHourMinutePattern = "h:m";

class DateTimeService {
 public:
  virtual ~DateTimeService() = default;
  virtual LocalDateTime now() = 0;
  // Formats a reading by one of the patterns above; throws RuntimeError for
  // any other pattern. The text belongs to the service and stays as it is
  // until the next call of format(): callers copy what they keep. The clock
  // asks for the same texts ten times a second, and a text it already has
  // then costs no copy and no allocation.
  virtual std::string_view format(const LocalDateTime& value,
                                  std::string_view pattern) = 0;
};

class ProcessStarter {
 public:
  virtual ~ProcessStarter() = default;
  // Starts a command line as a separate program and returns its task id
  // without waiting. Throws RuntimeError when it cannot be started.
  virtual std::uint32_t shell(const std::string& commandLine,
                              int showWindow) = 0;
};

// A screen position in pixels, as window messages carry it.
struct ScreenPoint {
  std::int32_t x = 0;
  std::int32_t y = 0;
};

// The window-manager calls behind moving the window and keeping it on top.
class WindowManager {
 public:
  virtual ~WindowManager() = default;
  virtual bool releaseCapture() = 0;
  virtual std::intptr_t sendMessage(WindowHandle window, std::uint32_t message,
                                    std::uintptr_t wParam,
                                    std::intptr_t lParam) = 0;
  virtual std::int32_t setWindowPos(WindowHandle window,
                                    WindowHandle insertAfter, int x, int y,
                                    int cx, int cy, std::uint32_t flags) = 0;
  // Where the pointer was when the current message was posted.
  virtual ScreenPoint messagePointerPosition() = 0;
};

// Where a handler's untrapped error goes.
class ErrorReporter {
 public:
  virtual ~ErrorReporter() = default;
  virtual void report(std::string_view handler, std::string_view what) = 0;
};

}  // namespace quorvo::platform
