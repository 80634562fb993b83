// Everything the program asks of the runtime, gathered in one place so the
// program can be started on the Win32 runtime or on the tests' in-memory one.
#pragma once

#include <memory>

#include "platform/forms.h"
#include "platform/services.h"

namespace quorvo::platform {

class Runtime {
 public:
  virtual ~Runtime() = default;
  // Creates a form, hidden, in its design-time state.
  virtual std::unique_ptr<Form> createForm(const FormDesign& design,
                                           FormEvents& events) = 0;
  virtual Application& app() = 0;
  virtual SettingsStore& settings() = 0;
  virtual DateTimeService& dateTime() = 0;
  virtual ProcessStarter& processes() = 0;
  virtual WindowManager& windows() = 0;
  virtual ErrorReporter& errors() = 0;
};

}  // namespace quorvo::platform
