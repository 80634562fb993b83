// Runs one event handler so that an error escaping it ends that handler only:
// what it assigned before the error stays, the error goes to the reporter, and
// no exception ever crosses into the runtime's message dispatch.
#pragma once

#include <exception>
#include <string_view>

#include "platform/services.h"

namespace quorvo::platform {

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
