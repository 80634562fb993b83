// MemoryTimer: a timer that goes off only when the test fires it.
#pragma once

#include <functional>
#include <string>
#include <utility>

#include "memory_application.h"
#include "platform/forms.h"
#include "platform/handler_guard.h"

namespace quorvo::testing {

class MemoryTimer : public platform::Timer {
 public:
  MemoryTimer(const platform::TimerDesign& design,
              std::function<void()> onTimer, MemoryApplication& app)
      : handlerName_(platform::handlerName(design.name, "Timer")),
        interval_(design.intervalMs),
        enabled_(design.enabled),
        onTimer_(std::move(onTimer)),
        app_(app) {}
  int interval() const override { return interval_; }
  bool enabled() const override { return enabled_; }
  void setEnabled(bool on) override { enabled_ = on; }
  // Raises the timer event, as the runtime's guard runs it, when the timer
  // is enabled and its window exists; returns whether it did.
  bool fire() {
    if (!enabled_ || !alive || app_.ended()) return false;
    platform::runHandler(app_, app_, handlerName_, onTimer_);
    return true;
  }
  bool alive = true;

 private:
  // Made once, as the real timer does: nothing composed at every tick.
  const std::string handlerName_;
  const int interval_;
  bool enabled_;
  std::function<void()> onTimer_;
  MemoryApplication& app_;
};

}  // namespace quorvo::testing
