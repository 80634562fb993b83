// The Win32 runtime: forms on real windows, the registry as settings store,
// the system clock and locale, CreateProcess and user32; and the message
// loop that delivers the program's events.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/runtime.h"
#include "platform/win32/application.h"
#include "platform/win32/date_time.h"
#include "platform/win32/errors.h"
#include "platform/win32/process_starter.h"
#include "platform/win32/registry_settings.h"
#include "platform/win32/window_manager.h"

namespace quorvo::platform::win32 {

class Win32Form;

struct RuntimeOptions {
  // The name that marks a running instance; tests use their own.
  std::wstring instanceMutex = kSingleInstanceMutex;
  // The locale of the formatter, e.g. "en-US" in tests; empty means the
  // user's own.
  std::wstring locale;
  // Where handler errors go; null means the debugger's output.
  ErrorReporter* errors = nullptr;
};

class Win32Runtime final : public Runtime {
 public:
  explicit Win32Runtime(HINSTANCE instance,
                        const RuntimeOptions& options = RuntimeOptions());
  ~Win32Runtime() override;
  Win32Runtime(const Win32Runtime&) = delete;
  Win32Runtime& operator=(const Win32Runtime&) = delete;

  std::unique_ptr<Form> createForm(const FormDesign& design,
                                   FormEvents& events) override;
  Win32Application& app() override { return app_; }
  RegistrySettingsStore& settings() override { return settings_; }
  Win32DateTime& dateTime() override { return dateTime_; }
  Win32ProcessStarter& processes() override { return processes_; }
  Win32WindowManager& windows() override { return windows_; }
  ErrorReporter& errors() override { return *errors_; }

  HINSTANCE instance() const noexcept { return instance_; }
  // True while some form of the program is on screen.
  bool anyFormVisible() const noexcept;

  // Forms tell the runtime they exist, for message-box ownership and the
  // end of the program.
  void addForm(Win32Form* form);
  void removeForm(Win32Form* form) noexcept;

 private:
  HWND messageBoxOwner() const noexcept;
  void unloadAllForms() noexcept;

  HINSTANCE instance_;
  DebugOutputReporter debugOutput_;
  ErrorReporter* errors_;
  Win32Application app_;
  RegistrySettingsStore settings_;
  Win32DateTime dateTime_;
  Win32ProcessStarter processes_;
  Win32WindowManager windows_;
  std::vector<Win32Form*> forms_;
};

// Delivers messages until the program ends (Application::end posts the
// quit message); returns the quit message's exit code.
int runMessageLoop() noexcept;

}  // namespace quorvo::platform::win32
