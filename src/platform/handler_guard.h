// Runs one event handler so that an error escaping it ends that handler only:
// what it assigned before the error stays, the error goes to the reporter, and
// no exception ever crosses into the runtime's message dispatch. And the name
// the handler is reported under, the same from every runtime.
#pragma once

#include <exception>
#include <string>
#include <string_view>

#include "platform/services.h"

namespace quorvo::platform {

// A form's own events are named after "Form", as in "Form_QueryUnload".
inline constexpr std::string_view kFormEvents = "Form";

// The handler an event runs, named as the program names its handlers: the
// control's name, "_" and the event ("lblTime_MouseDown", "tmrGetTime_Timer",
// "mnuExit_Click"); just the event for a control without a name.
inline std::string handlerName(std::string_view control,
                               std::string_view event) {
  std::string name(control);
  if (!name.empty()) name += '_';
  name += event;
  return name;
}

template <typename Handler>
void runHandler(Application& app, ErrorReporter& errors, std::string_view name,
                Handler&& handler) noexcept {
  if (app.ended()) return;  // nothing of the program runs after its end
  try {
    handler();
  } catch (const std::exception& e) {
    try {
      errors.report(name, e.what());
    } catch (...) {  // a failing report must not take the clock down either
    }
  } catch (...) {
    try {
      errors.report(name, "unknown error");
    } catch (...) {
    }
  }
}

}  // namespace quorvo::platform
